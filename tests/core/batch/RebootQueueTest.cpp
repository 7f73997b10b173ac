#include "RebootQueue.h"

#include "CameraProvider.h"
#include "OperationLog.h"
#include "SupportTestFiles.h"

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

// Camera n of the tests, opened but never logged in: the queue's reboot
// call below is the only one it gets.
std::shared_ptr<Camera> Numbered(int n)
{
    tagVtIpcInfo camera;
    std::memset(&camera, 0, sizeof camera);
    camera.mac[5] = static_cast<unsigned char>(n);
    std::snprintf(camera.ip, sizeof camera.ip, "10.0.0.%d", n);
    return OpenCamera(camera, {});
}

int NumberOf(const Camera& camera)
{
    return camera.Info().mac[5];
}

// The reboot call stands in for the camera's (a fake): it answers what the
// test chose for each camera, camera 13 always unreachable.
struct Rebooted
{
    std::vector<int> cameras;
    std::vector<std::wstring> lines;
    RebootQueue::Reboot Reboot(CameraResult answer = {})
    {
        return [this, answer](Camera& camera) {
            cameras.push_back(NumberOf(camera));
            return NumberOf(camera) == 13 ? CameraResult{CameraStatus::Unreachable, 0} : answer;
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
    queue.Append(Numbered(7), true);
    queue.Append(Numbered(3), false);
    EXPECT_EQ(queue.Pending(), 2U);
    EXPECT_TRUE(seen.lines.empty()) << "no line before the camera is rebooted";
    queue.Tick();
    EXPECT_EQ(seen.cameras, std::vector<int>{7});
    queue.Tick();
    queue.Tick();
    EXPECT_EQ(seen.cameras, (std::vector<int>{7, 3}));
    EXPECT_EQ(opened, 3);
    EXPECT_EQ(queue.Pending(), 0U);
    EXPECT_EQ(seen.lines, std::vector<std::wstring>{L"[00:00:00:00:00:07] 10.0.0.7 Reboot successfully."});

    // A reboot the camera did not take is told, whether or not success would be.
    Rebooted failing;
    RebootQueue refused(failing.Reboot({CameraStatus::Refused, 0}), {}, failing.Done(), kManual);
    refused.Append(Numbered(5), false);
    refused.Append(Numbered(13), true);
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
    queue.Append(Numbered(1), true);
    queue.StartRestorePause();
    for (int i = 0; i < RebootQueue::kRestorePauseTicks; ++i) {
        EXPECT_TRUE(queue.RestorePaused()) << "tick " << i;
        queue.Tick();
    }
    EXPECT_TRUE(seen.cameras.empty());
    EXPECT_EQ(opened, 0);
    EXPECT_FALSE(queue.RestorePaused());
    queue.Tick();
    EXPECT_EQ(seen.cameras, std::vector<int>{1});
    EXPECT_EQ(opened, 1);
}

TEST(RebootQueue, WorkerTicksOnItsOwnAndTheOperationLogKeepsWhatWasNeverRebooted)
{
    std::mutex lock;
    std::vector<int> rebooted;
    {
        RebootQueue queue(
            [&](Camera& camera) {
                std::lock_guard guard(lock);
                rebooted.push_back(NumberOf(camera));
                return CameraResult{};
            },
            {}, {}, std::chrono::milliseconds(5));
        queue.Append(Numbered(4), false);
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
        queue.Append(Numbered(9), true);
        queue.Append(Numbered(10), false);
    }
    EXPECT_TRUE(never.cameras.empty());
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
