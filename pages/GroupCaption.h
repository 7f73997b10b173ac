#pragma once
#include <QWidget>

// The bold caption above a group of boxes on the batch set page's sub-pages.
inline void SetGroupCaptionFont(QWidget* caption)
{
    QFont font = caption->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.15);
    caption->setFont(font);
}
