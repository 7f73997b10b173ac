#include "TitleButton.h"

#include <QPainter>
#include <QPainterPath>

CTitleButton::CTitleButton(Glyph glyph, QWidget* parent) : QAbstractButton(parent), m_glyph(glyph)
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
}

void CTitleButton::SetGlyph(Glyph glyph)
{
    m_glyph = glyph;
    update();
}

void CTitleButton::SetDark(bool dark)
{
    m_dark = dark;
    update();
}

void CTitleButton::enterEvent(QEnterEvent* event)
{
    m_hover = true;
    update();
    QAbstractButton::enterEvent(event);
}

void CTitleButton::leaveEvent(QEvent* event)
{
    m_hover = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void CTitleButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box = rect().adjusted(1, 1, -1, -1);
    if (m_hover || isDown()) {
        const QColor back =
            m_glyph == Glyph::Close ? QColor(220, 60, 50) : QColor(255, 255, 255, isDown() ? 90 : 55);
        p.setPen(Qt::NoPen);
        p.setBrush(m_dark ? QColor(0, 0, 0, isDown() ? 50 : 25) : back);
        p.drawRoundedRect(box, 3, 3);
    }
    const QColor ink = m_dark ? QColor(70, 80, 90) : QColor(250, 250, 250);
    QPen pen(ink, 1.6);
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const QPointF c = box.center();
    const qreal s = std::min(box.width(), box.height()) * 0.22;
    switch (m_glyph) {
    case Glyph::Close:
        p.drawLine(c + QPointF(-s, -s), c + QPointF(s, s));
        p.drawLine(c + QPointF(-s, s), c + QPointF(s, -s));
        break;
    case Glyph::Maximise:
        p.drawRect(QRectF(c.x() - s, c.y() - s, 2 * s, 2 * s));
        break;
    case Glyph::Restore:
        p.drawRect(QRectF(c.x() - s, c.y() - s * 0.5, s * 1.5, s * 1.5));
        p.drawPolyline(
            QPolygonF({c + QPointF(-s * 0.5, -s * 0.5), c + QPointF(-s * 0.5, -s), c + QPointF(s, -s),
                       c + QPointF(s, s * 0.5), c + QPointF(s * 0.5, s * 0.5)}));
        break;
    case Glyph::Minimise:
        p.drawLine(c + QPointF(-s, s * 0.6), c + QPointF(s, s * 0.6));
        break;
    case Glyph::Help: {
        p.drawEllipse(c, s * 1.3, s * 1.3);
        QFont f = font();
        f.setBold(true);
        f.setPixelSize(static_cast<int>(s * 1.8));
        p.setFont(f);
        p.drawText(QRectF(c.x() - s, c.y() - s, 2 * s, 2 * s), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    case Glyph::Mode:
        for (int i = -1; i <= 1; ++i) {
            p.drawLine(c + QPointF(-s, i * s * 0.7), c + QPointF(s, i * s * 0.7));
        }
        break;
    case Glyph::Refresh: {
        const QRectF arc(c.x() - s * 1.2, c.y() - s * 1.2, s * 2.4, s * 2.4);
        p.drawArc(arc, 60 * 16, 280 * 16);
        const QPointF tip = c + QPointF(s * 0.6, -s * 1.04);
        p.drawLine(tip, tip + QPointF(-s * 0.7, -s * 0.35));
        p.drawLine(tip, tip + QPointF(-s * 0.25, s * 0.7));
        break;
    }
    case Glyph::Clear: {
        QPainterPath bin;
        bin.moveTo(c + QPointF(-s * 0.8, -s * 0.6));
        bin.lineTo(c + QPointF(-s * 0.6, s * 1.1));
        bin.lineTo(c + QPointF(s * 0.6, s * 1.1));
        bin.lineTo(c + QPointF(s * 0.8, -s * 0.6));
        p.drawPath(bin);
        p.drawLine(c + QPointF(-s * 1.1, -s * 0.8), c + QPointF(s * 1.1, -s * 0.8));
        p.drawLine(c + QPointF(-s * 0.3, -s * 1.1), c + QPointF(s * 0.3, -s * 1.1));
        break;
    }
    }
}
