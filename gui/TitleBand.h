#pragma once
#include <QPoint>
#include <QRect>
#include <functional>

class CTitleButton;
class QMouseEvent;
class QPainter;
class QWidget;

// The title band of a frameless window: painted with the product's mark and
// name, with the window's buttons, it moves the window when dragged and
// maximises or restores it on a double click, as a window manager's title
// bar would.
class TitleBand
{
public:
    static constexpr int kHeight = 90;

    explicit TitleBand(QWidget& window) : m_window(window) {}

    // Close, maximise and minimise act on the window; help and mode call
    // back.
    void AddButtons(std::function<void()> help, std::function<void()> mode);
    void LayoutButtons();
    void RelabelButtons();
    CTitleButton* HelpButton() const { return m_help; }

    // The band, and in tabbed mode the blue edges that frame the tab row.
    void Paint(QPainter& painter, bool tabbed) const;

    // The window's mouse events: true when the band took the event.
    bool MousePress(const QMouseEvent& event);
    bool MouseMove(const QMouseEvent& event);
    void MouseRelease() { m_dragging = false; }
    // A double click on the band maximises or restores the window.
    static bool MaximisesOn(const QMouseEvent& doubleClick);

    // Fills the screen's free area, or gives the window its size back.
    void ToggleMaximise();
    bool IsMaximised() const { return m_maximised; }

private:
    QWidget& m_window;
    CTitleButton* m_close = nullptr;
    CTitleButton* m_maximise = nullptr;
    CTitleButton* m_minimise = nullptr;
    CTitleButton* m_help = nullptr;
    CTitleButton* m_mode = nullptr;
    bool m_maximised = false;
    QRect m_restoreGeometry;
    QPoint m_dragOffset;
    bool m_dragging = false;
};
