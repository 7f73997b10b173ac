#pragma once
// The user guide's pictures, taken during the installer's day: with
// ZENDRIX_SCREENSHOTS naming a folder, each call saves the window as the
// installer sees it at that moment, as NAME.png in that folder; without the
// variable every call does nothing, so the day runs as it always does.
#include <QImage>
#include <QString>
#include <QStringList>

class QTabWidget;
class QWidget;

class DayShots
{
public:
    explicit DayShots(QWidget* window);

    bool On() const { return !m_folder.isEmpty(); }
    // The folder could not be made, or a picture could not be written.
    const QString& Error() const { return m_error; }

    // The window once its pending paints are done.
    void Take(const QString& name);
    // Every page of sheet in turn, as NAME-suffix, but those with an empty
    // name; the page shown before is shown again at the end.
    void TakePages(QTabWidget* sheet, const QStringList& names, const QString& suffix);
    // The window with dialog, shown by the test, where the program would
    // place it, framed as a window of its own.
    void TakeWith(QWidget* dialog, const QString& name);
    // The HTML page at htmlPath as headless Chromium draws it for a
    // customer, 1280 pixels wide.
    void TakeBrowser(const QString& htmlPath, const QString& name);

private:
    QImage Window();
    QImage Over(const QImage& window, QWidget* dialog) const;
    void Save(const QImage& picture, const QString& name);

    QWidget* m_window;
    QString m_folder;
    QString m_error;
};
