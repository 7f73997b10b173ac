#include "TitleBand.h"

#include "LangTable.h"
#include "LangWidgets.h"
#include "TitleButton.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace {
const QColor kBandBlue(37, 131, 203);
const QColor kBandTop(22, 86, 146);
} // namespace

void TitleBand::AddButtons(std::function<void()> help, std::function<void()> mode)
{
    const auto button = [this](CTitleButton::Glyph glyph, unsigned id) {
        auto* b = new CTitleButton(glyph, &m_window);
        SetCtrlId(b, id);
        return b;
    };
    m_close = button(CTitleButton::Glyph::Close, 1157);
    m_maximise = button(CTitleButton::Glyph::Maximise, 1156);
    m_minimise = button(CTitleButton::Glyph::Minimise, 1154);
    m_help = button(CTitleButton::Glyph::Help, 1159);
    m_mode = button(CTitleButton::Glyph::Mode, 1158);
    QObject::connect(m_close, &QAbstractButton::clicked, &m_window, &QWidget::close);
    QObject::connect(m_maximise, &QAbstractButton::clicked, &m_window, [this] { ToggleMaximise(); });
    QObject::connect(m_minimise, &QAbstractButton::clicked, &m_window, &QWidget::showMinimized);
    QObject::connect(m_help, &QAbstractButton::clicked, &m_window, std::move(help));
    QObject::connect(m_mode, &QAbstractButton::clicked, &m_window, std::move(mode));
}

void TitleBand::LayoutButtons()
{
    const int w = m_window.width();
    m_close->setGeometry(w - 40, 7, 25, 28);
    m_maximise->setGeometry(w - 70, 7, 25, 28);
    m_minimise->setGeometry(w - 100, 7, 25, 28);
    m_help->setGeometry(w - 130, 7, 25, 28);
    m_mode->setGeometry(w - 160, 7, 25, 28);
}

void TitleBand::RelabelButtons()
{
    m_close->setToolTip(LangQText(10009));
    m_maximise->setToolTip(m_maximised ? LangQText(10011) : LangQText(10010));
    m_minimise->setToolTip(LangQText(10012));
    m_help->setToolTip(LangQText(10013));
    m_mode->setToolTip(LangQText(10014));
}

void TitleBand::Paint(QPainter& p, bool tabbed) const
{
    const int w = m_window.width();
    // A deep blue gradient with the product mark and name.
    QLinearGradient band(0, 0, 0, kHeight);
    band.setColorAt(0.0, kBandTop);
    band.setColorAt(1.0, kBandBlue);
    p.fillRect(QRect(0, 0, w, kHeight), band);
    p.setPen(QPen(QColor(255, 255, 255, 40), 1));
    p.drawLine(0, 50, w, 50);

    const QRectF mark(16, 11, 30, 30);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 235));
    p.drawRoundedRect(mark, 7, 7);
    p.setBrush(kBandBlue);
    p.drawEllipse(mark.center(), 9.5, 9.5);
    p.setBrush(QColor(255, 255, 255));
    p.drawEllipse(mark.center(), 4.5, 4.5);
    p.setBrush(kBandTop);
    p.drawEllipse(mark.center(), 2.2, 2.2);

    QFont title = m_window.font();
    title.setPixelSize(19);
    title.setBold(true);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRect(56, 10, 400, 32), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Vantrel Zendrix"));

    if (tabbed) {
        p.fillRect(QRect(0, kHeight, 15, 42), kBandBlue);
        p.fillRect(QRect(w - 15, kHeight, 15, 42), kBandBlue);
        p.fillRect(QRect(0, kHeight, w, 2), kBandBlue);
    }
}

bool TitleBand::MousePress(const QMouseEvent& event)
{
    if (event.button() != Qt::LeftButton || event.position().y() >= kHeight || m_maximised) {
        return false;
    }
    // The window manager moves the window when it can; otherwise the window
    // follows the mouse itself.
    if (QWindow* window = m_window.windowHandle(); window != nullptr && window->startSystemMove()) {
        return true;
    }
    m_dragOffset = event.globalPosition().toPoint() - m_window.frameGeometry().topLeft();
    m_dragging = true;
    return true;
}

bool TitleBand::MouseMove(const QMouseEvent& event)
{
    if (!m_dragging || (event.buttons() & Qt::LeftButton) == 0) {
        return false;
    }
    m_window.move(event.globalPosition().toPoint() - m_dragOffset);
    return true;
}

bool TitleBand::MaximisesOn(const QMouseEvent& doubleClick)
{
    return doubleClick.button() == Qt::LeftButton && doubleClick.position().y() < kHeight;
}

void TitleBand::ToggleMaximise()
{
    if (!m_maximised) {
        m_restoreGeometry = m_window.geometry();
        if (QScreen* s = m_window.screen()) {
            m_window.setGeometry(s->availableGeometry());
        }
        m_maximised = true;
    } else {
        m_window.setGeometry(m_restoreGeometry);
        m_maximised = false;
    }
    m_maximise->SetGlyph(m_maximised ? CTitleButton::Glyph::Restore : CTitleButton::Glyph::Maximise);
    m_maximise->setToolTip(m_maximised ? LangQText(10011) : LangQText(10010));
}
