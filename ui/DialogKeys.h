#pragma once
#include <QKeyEvent>

// Enter and Escape would close a dialog; on a page they belong to no button,
// so a page's key handler takes them here and passes everything else on.
inline bool SwallowDialogKey(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        event->accept();
        return true;
    default:
        return false;
    }
}
