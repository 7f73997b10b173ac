// Live video through the device SDK: frames of the configured size reach the
// window's sink, follow the picture settings and stop with the stop.
#include "VtIpcLoopbackFixture.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace loopback {
namespace {

// What a video area would draw: counts frames, keeps the size and brightness of the last.
struct FrameLog
{
    std::mutex lock;
    std::condition_variable arrived;
    int frames = 0;
    bool otherWindow = false;
    int width = 0;
    int height = 0;
    double brightness = 0;

    static void Sink(void* user, uint32_t window, const uint8_t* rgb, int width, int height, int stride)
    {
        auto* log = static_cast<FrameLog*>(user);
        double sum = 0;
        int samples = 0;
        for (int y = 0; y < height; y += 8) {
            for (int x = 0; x < width * 3; x += 24) {
                sum += rgb[static_cast<size_t>(y) * static_cast<size_t>(stride) + static_cast<size_t>(x)];
                ++samples;
            }
        }
        std::lock_guard guard(log->lock);
        ++log->frames;
        log->otherWindow = log->otherWindow || window != 7;
        log->width = width;
        log->height = height;
        log->brightness = sum / samples;
        log->arrived.notify_all();
    }

    bool WaitFor(int count)
    {
        std::unique_lock guard(lock);
        return arrived.wait_for(guard, std::chrono::seconds(10), [&] { return frames >= count; });
    }
};

TEST_F(LoopbackTest, LivePlayDeliversFramesOfTheConfiguredSizeAndFollowsThePicture)
{
    VideoConfigRecord video{};
    video.stream = 1;
    ASSERT_EQ(Vt_Ipc_GetVideoConfig(handle_, &video), 0);
    video.frameSize = 6; // 704*576
    video.frameRate = 25;
    ASSERT_EQ(Vt_Ipc_SetVideoConfig(handle_, &video), 0);

    FrameLog log;
    ASSERT_EQ(Vt_Sdk_SetFrameSink(7, &FrameLog::Sink, &log), 0);
    LivePlayRecord play{};
    play.window = 7;
    ASSERT_EQ(Vt_IpcClient_LivePlay(handle_, &play, 0, 0), 0) << Vt_Sdk_GetLastError();
    ASSERT_TRUE(log.WaitFor(5));
    double before = 0;
    {
        std::lock_guard guard(log.lock);
        EXPECT_FALSE(log.otherWindow);
        EXPECT_EQ(log.width, 704);
        EXPECT_EQ(log.height, 576);
        before = log.brightness;
    }
    ImagingSettingsRecord brighter{255, 128, 128, 50, 50};
    ASSERT_EQ(Vt_Ipc_SetImagingSettings(handle_, &brighter), 0);
    int seen = 0;
    {
        std::lock_guard guard(log.lock);
        seen = log.frames;
    }
    ASSERT_TRUE(log.WaitFor(seen + 3));
    {
        std::lock_guard guard(log.lock);
        EXPECT_GT(log.brightness, before + 60) << "the brightness change shows in the next frames";
    }
    ASSERT_EQ(Vt_IpcClient_StopLivePlay(handle_), 0);
    {
        std::lock_guard guard(log.lock);
        seen = log.frames;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    {
        std::lock_guard guard(log.lock);
        EXPECT_EQ(log.frames, seen) << "no frame after the stop returned";
    }
    EXPECT_EQ(Vt_IpcClient_StopLivePlay(handle_), -1);
    EXPECT_EQ(Vt_Sdk_GetLastError(), VT_ERR_INVALID_HANDLE);
    EXPECT_EQ(Vt_Sdk_SetFrameSink(7, nullptr, nullptr), 0);
}

TEST_F(LoopbackTest, SnapshotFitsTheCallersBufferOrSaysWhatItNeeds)
{
    uint8_t small[64];
    size_t length = 0;
    EXPECT_EQ(Vt_IpcClient_Snapshot(handle_, nullptr, sizeof small, &length), -1);
    EXPECT_EQ(Vt_Sdk_GetLastError(), VT_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(Vt_IpcClient_Snapshot(handle_, small, sizeof small, &length), -1);
    EXPECT_EQ(Vt_Sdk_GetLastError(), VT_ERR_NO_RESOURCES);
    ASSERT_GT(length, sizeof small) << "the size the picture needs";
    std::vector<uint8_t> picture(length * 2); // the next picture may be larger
    size_t taken = 0;
    ASSERT_EQ(Vt_IpcClient_Snapshot(handle_, picture.data(), picture.size(), &taken), 0) << Vt_Sdk_GetLastError();
    ASSERT_GT(taken, 4u);
    EXPECT_EQ(picture[0], 0xFF); // start of image ...
    EXPECT_EQ(picture[1], 0xD8);
    EXPECT_EQ(picture[taken - 2], 0xFF); // ... and its end: the whole file
    EXPECT_EQ(picture[taken - 1], 0xD9);
    EXPECT_EQ(Vt_IpcClient_Snapshot(12345, picture.data(), picture.size(), &taken), -1);
    EXPECT_EQ(Vt_Sdk_GetLastError(), VT_ERR_INVALID_HANDLE);
}

} // namespace
} // namespace loopback
