#pragma once
#include <QWidget>
#include <cmath>

// The bold caption above a group of boxes on the batch set page's sub-pages,
// a little larger than the text around it. The window's font is set in
// pixels, so its point size reads as unset (-1).
inline void SetGroupCaptionFont(QWidget* caption)
{
    QFont font = caption->font();
    font.setBold(true);
    if (font.pixelSize() > 0) {
        font.setPixelSize(static_cast<int>(std::lround(font.pixelSize() * 1.15)));
    } else if (font.pointSizeF() > 0) {
        font.setPointSizeF(font.pointSizeF() * 1.15);
    }
    caption->setFont(font);
}
