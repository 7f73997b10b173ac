#include "BatchEngine.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <thread>

namespace {
std::vector<tagVtIpcInfo> Cameras(int count)
{
    std::vector<tagVtIpcInfo> cameras(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        tagVtIpcInfo& camera = cameras[static_cast<std::size_t>(i)];
        std::memset(&camera, 0, sizeof camera);
        camera.mac[5] = static_cast<unsigned char>(i);
        std::snprintf(camera.ip, sizeof camera.ip, "10.0.0.%d", i + 1);
    }
    return cameras;
}

std::wstring Ip(const tagVtIpcInfo& camera)
{
    return std::wstring(camera.ip, camera.ip + std::strlen(camera.ip));
}
} // namespace

TEST(BatchEngine, LinesArriveInTargetOrderAndStayTogetherWhateverFinishesFirst)
{
    // Later cameras finish first: the slowest is the first target.
    const int count = 12;
    std::vector<std::wstring> seen;
    std::vector<std::size_t> order;
    std::atomic<int> running{0};
    std::atomic<int> mostAtOnce{0};
    BatchEngine::Run(
        Cameras(count),
        [&](const tagVtIpcInfo& camera, std::size_t index) {
            const int now = ++running;
            int most = mostAtOnce.load();
            while (now > most && !mostAtOnce.compare_exchange_weak(most, now)) {
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5 * (count - static_cast<int>(index))));
            --running;
            return std::vector<PanelLine>{{Ip(camera) + L" first", true}, {Ip(camera) + L" second", false}};
        },
        [&](std::size_t index, std::vector<PanelLine> lines) {
            order.push_back(index);
            for (const PanelLine& line : lines) {
                seen.push_back(line.text);
            }
        },
        4);
    ASSERT_EQ(order.size(), static_cast<std::size_t>(count));
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));
    ASSERT_EQ(seen.size(), static_cast<std::size_t>(2 * count));
    for (int i = 0; i < count; ++i) {
        const std::wstring ip = L"10.0.0." + std::to_wstring(i + 1);
        EXPECT_EQ(seen[static_cast<std::size_t>(2 * i)], ip + L" first");
        EXPECT_EQ(seen[static_cast<std::size_t>(2 * i + 1)], ip + L" second");
    }
    EXPECT_LE(mostAtOnce.load(), 4);
    EXPECT_GE(mostAtOnce.load(), 2);
}

TEST(BatchEngine, CapOfOneRunsCamerasOneByOne)
{
    std::atomic<int> running{0};
    bool overlapped = false;
    BatchEngine::Run(
        Cameras(5),
        [&](const tagVtIpcInfo&, std::size_t) {
            overlapped |= ++running > 1;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            --running;
            return std::vector<PanelLine>{};
        },
        {}, 1);
    EXPECT_FALSE(overlapped);
}

TEST(BatchEngine, CancelSkipsCamerasNotStartedAndReportsIt)
{
    BatchEngine engine(1);
    std::atomic<int> ran{0};
    std::mutex lock;
    std::vector<std::size_t> delivered;
    std::atomic<bool> cancelledSeen{false};
    std::atomic<bool> release{false};
    ASSERT_TRUE(engine.Start(
        Cameras(10),
        [&](const tagVtIpcInfo&, std::size_t) {
            ++ran;
            while (!release) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            return std::vector<PanelLine>{{L"done", true}};
        },
        [&](std::size_t index, std::vector<PanelLine>) {
            std::lock_guard guard(lock);
            delivered.push_back(index);
        },
        [&](bool cancelled) { cancelledSeen = cancelled; }));
    EXPECT_FALSE(engine.Start(Cameras(1), {}, {}, {})) << "a second batch must wait for the first";
    while (ran == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    engine.Cancel();
    release = true;
    engine.Wait();
    EXPECT_EQ(ran.load(), 1);
    EXPECT_EQ(delivered, std::vector<std::size_t>{0});
    EXPECT_TRUE(cancelledSeen.load());
    EXPECT_FALSE(engine.Running());
}

TEST(BatchEngine, AsFinishedHandsOnEachCameraWhenItIsDoneWhileTheFirstStillRuns)
{
    std::atomic<bool> release{false};
    std::mutex lock;
    std::vector<std::size_t> order;
    BatchEngine engine(3);
    engine.SetDelivery(BatchEngine::Delivery::AsFinished);
    ASSERT_TRUE(engine.Start(
        Cameras(3),
        [&](const tagVtIpcInfo& camera, std::size_t index) {
            while (index == 0 && !release) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            return std::vector<PanelLine>{{Ip(camera), true}};
        },
        [&](std::size_t index, std::vector<PanelLine>) {
            std::lock_guard guard(lock);
            order.push_back(index);
        },
        {}));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    const auto delivered = [&] {
        std::lock_guard guard(lock);
        return order.size();
    };
    while (delivered() < 2 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(delivered(), 2U) << "the later cameras wait for the first";
    release = true;
    engine.Wait();
    ASSERT_EQ(order.size(), 3U);
    EXPECT_EQ(order.back(), 0U);
}

TEST(BatchEngine, ThrowingOperationCostsOnlyItsCameraWhichIsToldAndEmptyBatchFinishes)
{
    std::vector<std::wstring> seen;
    BatchEngine::Run(
        Cameras(3),
        [](const tagVtIpcInfo& camera, std::size_t index) -> std::vector<PanelLine> {
            if (index == 1) {
                throw std::runtime_error("camera sent nonsense");
            }
            return {{Ip(camera) + L" ok", true}};
        },
        [&](std::size_t, std::vector<PanelLine> lines) {
            for (const PanelLine& line : lines) {
                seen.push_back(line.text);
            }
        });
    EXPECT_EQ(seen, (std::vector<std::wstring>{L"10.0.0.1 ok", L"[00:00:00:00:00:01] 10.0.0.2 Operation failed.",
                                               L"10.0.0.3 ok"}));

    BatchEngine engine;
    std::atomic<bool> finished{false};
    ASSERT_TRUE(engine.Start({}, {}, {}, [&](bool cancelled) { finished = !cancelled; }));
    engine.Wait();
    EXPECT_TRUE(finished.load());
}
