#include "VideoWnd.h"

#include "FrameSinks.h"
#include "LangWidgets.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

namespace {
// Handles start well away from 0, which the SDK refuses.
std::atomic<uint32_t> g_nextHandle{0x56A00};
constexpr int kRateMargin = 6;
constexpr unsigned kNoPictureKey = 88100; // "No picture"
} // namespace

CVideoWnd::CVideoWnd(QWidget* parent) : QWidget(parent), m_handle(g_nextHandle++)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::ClickFocus);
    SetFrameSink(m_handle, &CVideoWnd::Sink, this);
}

CVideoWnd::~CVideoWnd()
{
    // Returns once no delivery runs; none starts after it, so no picture is
    // handed to this object while or after it goes.
    SetFrameSink(m_handle, nullptr, nullptr);
}

void CVideoWnd::EnterFullScreen(QScreen* screen)
{
    setParent(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setGeometry(screen->geometry());
    show();
    activateWindow();
    setFocus();
}

void CVideoWnd::LeaveFullScreen(QWidget* page)
{
    setParent(page, Qt::Widget);
}

void CVideoWnd::Sink(void* user, uint32_t, const uint8_t* rgb, int width, int height, int stride)
{
    static_cast<CVideoWnd*>(user)->Deliver(rgb, width, height, stride);
}

// On the decode thread: no widget is touched here, only the mailbox.
void CVideoWnd::Deliver(const uint8_t* rgb, int width, int height, int stride)
{
    QSize target;
    {
        std::lock_guard lock(m_mailLock);
        if (!m_accepting) {
            return;
        }
        target = m_target;
    }
    QImage picture;
    if (rgb != nullptr) {
        ++m_received;
        const QImage source(rgb, width, height, stride, QImage::Format_RGB888);
        // Scaling here spares the UI thread all but a straight copy; a smooth
        // scale of a 1080p picture would cost the decode thread frames.
        picture = (target.isEmpty() || target == source.size())
                      ? source.convertToFormat(QImage::Format_RGB32)
                      : source.scaled(target, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                            .convertToFormat(QImage::Format_RGB32);
    }
    bool tell = false;
    {
        std::lock_guard lock(m_mailLock);
        if (!m_accepting) {
            return;
        }
        m_latest = std::move(picture);
        m_fresh = true;
        tell = !m_told;
        m_told = true;
    }
    if (tell) {
        // One notice however many pictures arrive before the UI thread gets to
        // it; a notice left queued when this widget goes is dropped with it.
        QMetaObject::invokeMethod(this, &CVideoWnd::TakePicture, Qt::QueuedConnection);
    }
}

void CVideoWnd::TakePicture()
{
    {
        std::lock_guard lock(m_mailLock);
        m_told = false;
        if (!m_fresh) {
            return;
        }
        m_front = std::move(m_latest);
        m_latest = QImage();
        m_fresh = false;
    }
    m_noPicture = m_front.isNull();
    m_frontPainted = false;
    update();
}

void CVideoWnd::SetPlaying(bool playing)
{
    m_playing = playing;
    {
        std::lock_guard lock(m_mailLock);
        m_accepting = playing;
        m_latest = QImage();
        m_fresh = false;
    }
    m_front = QImage();
    m_frontPainted = true;
    m_noPicture = false;
    if (playing) {
        m_received = 0;
        m_painted = 0;
        m_meter.Reset();
    }
    update();
}

double CVideoWnd::PaintedRate() const
{
    return m_meter.Rate(FrameRateMeter::Clock::now());
}

void CVideoWnd::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const QSize pixels = size() * devicePixelRatio();
    std::lock_guard lock(m_mailLock);
    m_target = pixels;
}

void CVideoWnd::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (!m_playing || (m_front.isNull() && !m_noPicture)) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    QFont font = painter.font();
    font.setBold(true);
    painter.setFont(font);
    if (m_noPicture) {
        painter.fillRect(rect(), Qt::black);
        painter.setPen(Qt::white);
        painter.drawText(rect(), Qt::AlignCenter, LangQText(kNoPictureKey));
    } else {
        painter.drawImage(rect(), m_front);
        if (!m_frontPainted) {
            m_frontPainted = true;
            ++m_painted;
            m_meter.Frame(FrameRateMeter::Clock::now());
        }
    }
    const QString rate = QStringLiteral("%1 fps").arg(PaintedRate(), 0, 'f', 1);
    const QFontMetrics metrics(font);
    const QSize text(metrics.horizontalAdvance(rate) + 8, metrics.height() + 2);
    const QRect box(width() - text.width() - kRateMargin, height() - text.height() - kRateMargin, text.width(),
                    text.height());
    painter.fillRect(box, QColor(0, 0, 0, 150));
    painter.setPen(Qt::white);
    painter.drawText(box, Qt::AlignCenter, rate);
}

void CVideoWnd::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (m_playing) {
        emit doubleClicked();
        return;
    }
    QWidget::mouseDoubleClickEvent(event);
}

void CVideoWnd::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && isWindow()) {
        emit escapePressed();
        return;
    }
    QWidget::keyPressEvent(event);
}
