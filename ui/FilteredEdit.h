#pragma once
#include "ZxExport.h"

#include <QLineEdit>

// An edit box that ignores typed semicolons, equals signs, apostrophes and
// plus signs, and their full-width and curly look-alikes (U+FF1B, U+3001,
// U+2018, U+2019): the cameras store names in a format that cannot carry them.
// Pasted or input-method text loses the same characters.
class ZX_EXPORT CFilteredEdit : public QLineEdit
{
    Q_OBJECT

public:
    explicit CFilteredEdit(QWidget* parent = nullptr);
    static bool IsRefused(QChar c);
    static QString Filtered(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
};
