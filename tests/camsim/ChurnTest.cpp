// The churn against a real camera table, with the world outside the table
// (web servers, interface, announcements) replaced by a recording fake.
#include "Churn.h"
#include "SimConfig.h"

#include <gtest/gtest.h>
#include <set>

namespace camsim {
namespace {
using namespace std::chrono_literals;

struct RecordingWorld
{
    std::vector<std::string> calls; // "reboot 10.9.0.1", "moved 10.9.0.30", ...

    ChurnActions Actions()
    {
        const auto record = [this](const char* what) {
            return [this, what](const std::shared_ptr<LiveCamera>& camera) {
                std::lock_guard lock(camera->mutex);
                calls.push_back(std::string(what) + " " + camera->sim.ip);
            };
        };
        return {record("reboot"), record("vanished"), record("returned"), record("moved")};
    }
};

void AddCameras(CameraTable& table, int count)
{
    for (int i = 0; i < count; ++i) {
        SimCamera camera;
        camera.mac = {0x02, 0x5a, 0, 0, 0, static_cast<unsigned char>(i + 1)};
        camera.ip = "10.9.0." + std::to_string(i + 1);
        table.Add(camera);
    }
}

std::size_t CountWith(const std::vector<std::string>& calls, const std::string& prefix)
{
    std::size_t count = 0;
    for (const auto& call : calls) {
        count += call.rfind(prefix, 0) == 0 ? 1 : 0;
    }
    return count;
}

TEST(Churn, EventsAreRepeatableCoverEveryKindAndNeverShareAnAddress)
{
    std::vector<std::string> runs[2];
    for (auto& calls : runs) {
        CameraTable table;
        AddCameras(table, 20);
        RecordingWorld world;
        Churn churn(table, world.Actions(), 7, 1000);
        auto now = Churn::Clock::now();
        for (int i = 0; i < 400; ++i) {
            churn.Step(now);
            now += 500ms;
            std::set<std::string> addresses;
            for (const SimCamera& camera : table.Snapshot()) {
                EXPECT_TRUE(addresses.insert(camera.ip).second) << "two cameras at " << camera.ip;
            }
        }
        const ChurnCounters counters = churn.Counters();
        EXPECT_GT(counters.reboots, 0u);
        EXPECT_GT(counters.drops, 0u);
        EXPECT_GT(counters.moves, 0u);
        EXPECT_GT(counters.vanishes, 0u);
        EXPECT_GT(counters.returns, 0u) << "some vanished cameras come back within 200 s";
        EXPECT_EQ(CountWith(world.calls, "reboot"), counters.reboots);
        EXPECT_EQ(CountWith(world.calls, "moved"), counters.moves);
        EXPECT_EQ(CountWith(world.calls, "returned"), counters.returns);
        // Moves take addresses no camera had: above the highest at the start.
        for (const auto& call : world.calls) {
            if (call.rfind("moved", 0) == 0) {
                EXPECT_GE(std::stoi(call.substr(call.rfind('.') + 1)), 21) << call;
            }
        }
        calls = world.calls;
    }
    EXPECT_EQ(runs[0], runs[1]) << "the same seed gives the same events";
}

TEST(Churn, BusyCamerasAreLeftAloneAndSettlingLeavesOnlyTheVanishedOut)
{
    CameraTable table;
    AddCameras(table, 1);
    RecordingWorld world;
    Churn churn(table, world.Actions(), 3, 1000);
    const auto start = Churn::Clock::now();
    ASSERT_TRUE(churn.Step(start));
    EXPECT_FALSE(churn.Step(start)) << "the one camera is busy with its first event";

    // Many cameras, many events, then settle: dropped replies end, the
    // vanished stay silent and are not present, everyone else is.
    CameraTable many;
    AddCameras(many, 40);
    Churn busy(many, world.Actions(), 5, 0);
    auto now = start;
    for (int i = 0; i < 60; ++i) {
        busy.Step(now);
        now += 100ms;
    }
    ASSERT_GT(busy.Counters().vanishes, 0u);
    busy.Settle();
    busy.EndDue(now + 1h); // the reboots are over; the vanished do not come back
    EXPECT_TRUE(busy.RebootsOver());
    const auto present = busy.Present();
    EXPECT_EQ(present.size() + busy.Counters().vanishes - busy.Counters().returns, 40u);
    std::set<MacAddress> presentMacs;
    for (const SimCamera& camera : present) {
        presentMacs.insert(camera.mac);
        EXPECT_FALSE(camera.silent);
        EXPECT_FALSE(camera.Has(kFaultLostDiscovery)) << camera.ip;
    }
    for (const SimCamera& camera : many.Snapshot()) {
        EXPECT_EQ(camera.silent, presentMacs.count(camera.mac) == 0) << camera.ip;
    }
}

TEST(Churn, CamerasToldNeverToAnswerKeepTheirFault)
{
    CameraTable table;
    SimCamera mute;
    mute.mac = {0x02, 0x5a, 0, 0, 0, 1};
    mute.ip = "10.9.0.1";
    mute.faults = kFaultLostDiscovery;
    table.Add(mute);
    RecordingWorld world;
    Churn churn(table, world.Actions(), 1, 1000);
    EXPECT_FALSE(churn.Step(Churn::Clock::now()));
    churn.Settle();
    EXPECT_TRUE(table.Snapshot().front().Has(kFaultLostDiscovery));
    EXPECT_TRUE(world.calls.empty());
}

TEST(Churn, OptionTakesSecondsBetweenEvents)
{
    SimOptions options;
    std::string message;
    ASSERT_TRUE(ParseSimOptions({"--interface", "veth0", "--churn", "0.25"}, options, message)) << message;
    EXPECT_EQ(options.churnMs, 250);
    for (const char* bad : {"0", "-1", "abc", "1x", "", "7200"}) {
        SimOptions rejected;
        EXPECT_FALSE(ParseSimOptions({"--interface", "veth0", "--churn", bad}, rejected, message)) << bad;
    }
}

} // namespace
} // namespace camsim
