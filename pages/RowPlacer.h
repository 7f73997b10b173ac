#pragma once
#include <QWidget>
#include <algorithm>

// Places controls in a row, left to right, 6 pixels apart: each at its own
// position, or further right when the one before reaches past it (a longer
// label in another language).
class RowPlacer
{
public:
    void Place(QWidget* widget, int at, int top, int width, int height)
    {
        m_x = std::max(m_x, at);
        widget->setGeometry(m_x, top, width, height);
        m_x += width + 6;
    }
    void Skip(int pixels) { m_x += pixels; }
    // A new row, placed from its own positions again.
    void Restart() { m_x = 0; }

private:
    int m_x = 0;
};
