#pragma once
#include "ZxExport.h"

#include <QAbstractButton>

// A flat button of the window's own title band, drawn as a white glyph that
// lights up under the cursor.
class ZX_EXPORT CTitleButton : public QAbstractButton
{
    Q_OBJECT

public:
    enum class Glyph
    {
        Close,
        Maximise,
        Restore,
        Minimise,
        Help,
        Mode,
        Refresh,
        Clear
    };

    CTitleButton(Glyph glyph, QWidget* parent = nullptr);
    void SetGlyph(Glyph glyph);
    // Dark glyph for buttons that sit on a light background.
    void SetDark(bool dark);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    Glyph m_glyph;
    bool m_hover = false;
    bool m_dark = false;
};
