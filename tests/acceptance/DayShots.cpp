#include "DayShots.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPixmap>
#include <QProcess>
#include <QTabWidget>
#include <QTest>
#include <QUrl>
#include <QWidget>

namespace {
// How long the window gets to finish what it is painting before a picture.
constexpr int kSettleMs = 400;
}

DayShots::DayShots(QWidget* window) : m_window(window)
{
    const QString folder = qEnvironmentVariable("ZENDRIX_SCREENSHOTS");
    if (folder.isEmpty()) {
        return;
    }
    if (!QDir().mkpath(folder)) {
        m_error = QStringLiteral("cannot make the folder ") + folder;
        return;
    }
    m_folder = folder;
}

QImage DayShots::Window()
{
    // The window paints itself into the picture. Offscreen this gives the
    // same pixels as taking the screen of a virtual X display, fonts and
    // Chinese text included, without needing one.
    return m_window->grab().toImage();
}

QImage DayShots::Over(const QImage& window, QWidget* dialog) const
{
    const QImage face = dialog->grab().toImage();
    QPoint at = dialog->geometry().topLeft() - m_window->geometry().topLeft();
    if (!window.rect().contains(QRect(at, face.size()))) {
        at = window.rect().center() - face.rect().center();
    }
    QImage picture = window.convertToFormat(QImage::Format_RGB32);
    QPainter painter(&picture);
    // A soft shadow and a thin border, as a window manager would draw them.
    for (int spread = 6; spread >= 1; --spread) {
        painter.fillRect(QRect(at, face.size()).adjusted(-spread, -spread + 2, spread, spread + 2),
                         QColor(0, 0, 0, 10));
    }
    painter.drawImage(at, face);
    painter.setPen(QColor(0x70, 0x70, 0x70));
    painter.drawRect(QRect(at, face.size()).adjusted(-1, -1, 0, 0));
    return picture;
}

void DayShots::Save(const QImage& picture, const QString& name)
{
    const QString path = m_folder + QLatin1Char('/') + name + QStringLiteral(".png");
    if (picture.isNull() || !picture.save(path)) {
        m_error = QStringLiteral("cannot write ") + path;
    }
}

void DayShots::Take(const QString& name)
{
    if (!On()) {
        return;
    }
    QTest::qWait(kSettleMs);
    Save(Window(), name);
}

void DayShots::TakePages(QTabWidget* sheet, const QStringList& names, const QString& suffix)
{
    if (!On()) {
        return;
    }
    const int shown = sheet->currentIndex();
    for (int i = 0; i < sheet->count() && i < names.size(); ++i) {
        if (names[i].isEmpty()) {
            continue;
        }
        sheet->setCurrentIndex(i);
        Take(names[i] + QLatin1Char('-') + suffix);
    }
    sheet->setCurrentIndex(shown);
}

void DayShots::TakeWith(QWidget* dialog, const QString& name)
{
    if (!On()) {
        return;
    }
    QTest::qWait(kSettleMs);
    Save(Over(Window(), dialog), name);
}

void DayShots::TakeBrowser(const QString& htmlPath, const QString& name)
{
    if (!On()) {
        return;
    }
    const QString png = m_folder + QLatin1Char('/') + name + QStringLiteral(".png");
    QProcess chromium;
    chromium.start(QStringLiteral("chromium"),
                   {QStringLiteral("--headless"), QStringLiteral("--no-sandbox"), QStringLiteral("--disable-gpu"),
                    QStringLiteral("--hide-scrollbars"), QStringLiteral("--window-size=1280,1210"),
                    QStringLiteral("--screenshot=") + png, QUrl::fromLocalFile(htmlPath).toString()});
    if (!chromium.waitForFinished(60000) || chromium.exitCode() != 0 || !QFile::exists(png)) {
        m_error = QStringLiteral("chromium could not draw ") + htmlPath;
    }
}
