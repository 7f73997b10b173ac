#include "RebootQueue.h"

#include "OperationLog.h"
#include "SupportTestFiles.h"
#include "VtIpcSDK.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>
#include <vector>

namespace {
// A tick far in the future: the tests step the queue by hand.
constexpr auto kManual = std::chrono::hours(1);

tagVtIpcInfo Camera(int n)
{
    tagVtIpcInfo camera;
    std::memset(&camera, 0, sizeof camera);
    camera.mac[5] = static_cast<unsigned char>(n);
    std::snprintf(camera.ip, sizeof camera.ip, "10.0.0.%d", n);
    return camera;
}

// The reboot call stands in for the SDK's (a fake): it answers with the
// error code the test chose for each handle.
struct Rebooted
{
    std::vector<int> handles;
    std::vector<std::wstring> lines;
    RebootQueue::Reboot Reboot(int error = VT_ERR_NONE)
    {
        return [this, error](int handle) {
            handles.push_back(handle);
            return handle == 13 ? VT_ERR_UNREACHABLE : error;
        };
    }
    RebootQueue::RebootDone Done()
    {
        return [this](const PanelLine& line, bool) { lines.push_back(line.text); };
    }
};
} // namespace

TEST(RebootQueue, RebootsOneCameraPerTickInOrderAndTellsWhatTheRebootAnswered)
{
    Rebooted seen;
    int opened = 0;
    RebootQueue queue(seen.Reboot(), [&] { ++opened; }, seen.Done(), kManual);
    queue.Append(7, Camera(7), true);
    queue.Append(3, Camera(3), false);
    EXPECT_EQ(queue.Pending(), 2U);
    EXPECT_TRUE(seen.lines.empty()) << "no line before the camera is rebooted";
    queue.Tick();
    EXPECT_EQ(seen.handles, std::vector<int>{7});
    queue.Tick();
    queue.Tick();
    EXPECT_EQ(seen.handles, (std::vector<int>{7, 3}));
    EXPECT_EQ(opened, 3);
    EXPECT_EQ(queue.Pending(), 0U);
    EXPECT_EQ(seen.lines, std::vector<std::wstring>{L"[00:00:00:00:00:07] 10.0.0.7 Reboot successfully."});

    // A reboot the camera did not take is told, whether or not success would be.
    Rebooted failing;
    RebootQueue refused(failing.Reboot(VT_ERR_AUTH_REFUSED), {}, failing.Done(), kManual);
    refused.Append(5, Camera(5), false);
    refused.Append(13, Camera(13), true);
    refused.Tick();
    refused.Tick();
    EXPECT_EQ(failing.lines, (std::vector<std::wstring>{L"[00:00:00:00:00:05] 10.0.0.5 Reboot failed.",
                                                         L"[00:00:00:00:00:0D] 10.0.0.13 Reboot failed. Can not access device."}));
}

TEST(RebootQueue, RestorePauseHoldsRebootsAndWebAddressesFor125Ticks)
{
    Rebooted seen;
    int opened = 0;
    RebootQueue queue(seen.Reboot(), [&] { ++opened; }, {}, kManual);
    queue.Append(1, Camera(1), true);
    queue.StartRestorePause();
    for (int i = 0; i < RebootQueue::kRestorePauseTicks; ++i) {
        EXPECT_TRUE(queue.RestorePaused()) << "tick " << i;
        queue.Tick();
    }
    EXPECT_TRUE(seen.handles.empty());
    EXPECT_EQ(opened, 0);
    EXPECT_FALSE(queue.RestorePaused());
    queue.Tick();
    EXPECT_EQ(seen.handles, std::vector<int>{1});
    EXPECT_EQ(opened, 1);
}

TEST(RebootQueue, WorkerTicksOnItsOwnAndTheOperationLogKeepsWhatWasNeverRebooted)
{
    std::mutex lock;
    std::vector<int> rebooted;
    {
        RebootQueue queue(
            [&](int handle) {
                std::lock_guard guard(lock);
                rebooted.push_back(handle);
                return 0;
            },
            {}, {}, std::chrono::milliseconds(5));
        queue.Append(4, Camera(4), false);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (queue.Pending() != 0 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        EXPECT_EQ(queue.Pending(), 0U);
    }
    EXPECT_EQ(rebooted, std::vector<int>{4});

    // Closed during a restore pause: nothing is rebooted, and each camera
    // still waiting is named in the operation log.
    Rebooted never;
    {
        RebootQueue queue(never.Reboot(), {}, never.Done(), kManual);
        queue.Append(9, Camera(9), true);
        queue.Append(10, Camera(10), false);
    }
    EXPECT_TRUE(never.handles.empty());
    EXPECT_TRUE(never.lines.empty());
    const std::string written = ReadBytes(COperationLog::Process().CurrentPath());
    for (const char* camera : {"[00:00:00:00:00:09] 10.0.0.9", "[00:00:00:00:00:0A] 10.0.0.10"}) {
        EXPECT_NE(written.find(std::string(camera) +
                               " Not restarted: the program closed before the queued reboot was sent."),
                  std::string::npos)
            << camera << "\n"
            << written;
    }
}
