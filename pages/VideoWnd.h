#pragma once
#include "FrameRateMeter.h"
#include "ZxExport.h"

#include <QImage>
#include <QSize>
#include <QWidget>
#include <atomic>
#include <cstdint>
#include <mutex>

class QScreen;

// The video area of the preview page. It registers a window handle as a frame
// sink (FrameSinks.h); a player's decode thread hands it each picture, which
// is scaled to the area's size on that thread and kept as the latest one; the
// UI thread is told once and paints whichever picture is latest when it gets
// there. Black while no video plays; the measured rate shows in the bottom
// right corner while it does, and "No picture" in the middle while the
// player says its stream shows none.
class ZX_EXPORT CVideoWnd : public QWidget
{
    Q_OBJECT

public:
    explicit CVideoWnd(QWidget* parent = nullptr);
    // Removes the sink first: after that no delivery runs or starts.
    ~CVideoWnd() override;

    // The handle the live-play record names.
    uint32_t Handle() const { return m_handle; }
    // While not playing, pictures that still arrive are dropped and the area is black.
    void SetPlaying(bool playing);
    bool IsPlaying() const { return m_playing; }

    // The area alone leaves its page for a frameless window over the whole of
    // screen; the page and its controls stay where they are. Leaving puts it
    // back into page, which places it again.
    void EnterFullScreen(QScreen* screen);
    void LeaveFullScreen(QWidget* page);
    bool IsFullScreen() const { return isWindow(); }

    // Pictures painted since playing began, and their rate over the last second.
    uint64_t FramesPainted() const { return m_painted; }
    double PaintedRate() const;
    // Pictures the SDK handed over while playing, painted or not.
    uint64_t FramesReceived() const { return m_received.load(); }
    // The picture painted last, as painted (null while black).
    QImage ShownPicture() const { return m_front; }
    // The player said its stream shows no picture, and none came since.
    bool ShowsNoPicture() const { return m_noPicture; }

signals:
    void doubleClicked();
    void escapePressed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    static void Sink(void* user, uint32_t window, const uint8_t* rgb, int width, int height, int stride);
    void Deliver(const uint8_t* rgb, int width, int height, int stride);
    void TakePicture();

    uint32_t m_handle;
    bool m_playing = false;

    // Shared with the decode thread: the latest picture (null: no picture) and
    // the size to scale it to, and whether the UI thread has been told of a new one.
    std::mutex m_mailLock;
    QImage m_latest;
    bool m_fresh = false;
    bool m_told = false;
    bool m_accepting = false;
    QSize m_target;
    std::atomic<uint64_t> m_received{0};

    // UI thread only.
    QImage m_front;
    bool m_frontPainted = true;
    bool m_noPicture = false;
    uint64_t m_painted = 0;
    FrameRateMeter m_meter;
};
