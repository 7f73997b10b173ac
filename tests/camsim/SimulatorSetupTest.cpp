#include "CameraHttpService.h"
#include "CameraRoutes.h"
#include "CameraTable.h"
#include "InterfaceAddresses.h"
#include "SimConfig.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace camsim;

TEST(SimulatorSetup, NetmasksBecomePrefixes)
{
    EXPECT_EQ(PrefixFromNetmask("255.255.0.0"), 16);
    EXPECT_EQ(PrefixFromNetmask("255.255.255.128"), 25);
    EXPECT_EQ(PrefixFromNetmask("255.0.255.0"), 32) << "not contiguous";
    EXPECT_EQ(PrefixFromNetmask("0.0.0.0"), 32);
    EXPECT_EQ(PrefixFromNetmask("junk"), 32);
}

TEST(SimulatorSetup, WebFaultsAndTimesFromOptionsAndConfig)
{
    SimOptions options;
    std::string message;
    ASSERT_TRUE(ParseSimOptions({"--interface", "x", "--count", "2", "--fault", "slow-http", "--reboot-ms",
                                 "1500", "--slow-ms", "200", "--http-workers", "4"},
                                options, message))
        << message;
    EXPECT_EQ(options.faults, kFaultSlowHttp);
    EXPECT_EQ(options.httpWorkers, 4);
    EXPECT_FALSE(ParseSimOptions({"--interface", "x", "--reboot-ms", "-1"}, options, message));
    EXPECT_FALSE(ParseSimOptions({"--interface", "x", "--http-workers", "0"}, options, message));

    std::vector<SimCamera> cameras;
    ASSERT_TRUE(BuildCameras(options, cameras, message)) << message;
    EXPECT_EQ(cameras[1].rebootMs, 1500);
    EXPECT_EQ(cameras[1].slowMs, 200);
    ASSERT_TRUE(ApplyConfigText(
        R"({"cameras":[{"index":1,"faults":["unreachable","broken-http"],"rebootMs":0,"hardware":"H2"}]})",
        cameras, message))
        << message;
    EXPECT_EQ(cameras[1].faults, kFaultUnreachable | kFaultBrokenHttp);
    EXPECT_EQ(cameras[1].rebootMs, 0);
    EXPECT_EQ(cameras[1].hardware, "H2");
    EXPECT_FALSE(ApplyConfigText(R"({"cameras":[{"index":0,"slowMs":-5}]})", cameras, message));
}

TEST(SimulatorSetup, LinkSpeedPacesUploads)
{
    SimOptions options;
    std::string message;
    ASSERT_TRUE(ParseSimOptions({"--interface", "x", "--count", "2", "--link-mbps", "100"}, options, message))
        << message;
    std::vector<SimCamera> cameras;
    ASSERT_TRUE(BuildCameras(options, cameras, message)) << message;
    EXPECT_EQ(cameras[1].linkMbps, 100);
    EXPECT_FALSE(ParseSimOptions({"--interface", "x", "--link-mbps", "-1"}, options, message));
    // 20 MiB over 100 Mbit/s: 1.68 s; an unlimited link takes no time.
    EXPECT_EQ(LinkTime(20ull * 1024 * 1024, 100), std::chrono::microseconds(1677721));
    EXPECT_EQ(LinkTime(125000, 1), std::chrono::seconds(1));
    EXPECT_EQ(LinkTime(20ull * 1024 * 1024, 0), std::chrono::microseconds(0));
}

TEST(SimulatorSetup, AcceptedModifyMovesTheWebPortAndSilentCamerasIgnoreModifies)
{
    SimCamera camera;
    camera.mac = {2, 0x5a, 0, 0, 0, 1};
    camera.ip = "192.168.1.10";
    CameraTable table;
    table.Add(camera);
    ModifyRequest request{"192.168.1.20", 8080, "255.255.0.0", "", "", "New", "admin", "admin"};
    SimCamera current;
    ASSERT_EQ(table.ApplyModify(camera.mac, request, current), ModifyOutcome::Accepted);
    const auto live = table.FindLive(camera.mac);
    ASSERT_NE(live, nullptr);
    {
        std::lock_guard lock(live->mutex);
        EXPECT_EQ(live->settings.ports.httpPort, 8080);
        EXPECT_EQ(live->sim.ip, "192.168.1.20");
        live->sim.silent = true;
    }
    EXPECT_EQ(table.ApplyModify(camera.mac, request, current), ModifyOutcome::Silent);
    EXPECT_TRUE(table.Snapshot()[0].silent);
}

TEST(SimulatorSetup, CamerasRebootNowAndThenWhenTold)
{
    SimOptions options;
    std::string message;
    ASSERT_TRUE(ParseSimOptions({"--interface", "x", "--count", "2", "--reboot-every-s", "30"}, options, message))
        << message;
    EXPECT_FALSE(ParseSimOptions({"--interface", "x", "--reboot-every-s", "-3"}, options, message));
    EXPECT_FALSE(ParseSimOptions({"--interface", "x", "--reboot-every-s", "86401"}, options, message));
    std::vector<SimCamera> cameras;
    ASSERT_TRUE(BuildCameras(options, cameras, message)) << message;
    EXPECT_EQ(cameras[0].rebootEverySec, 30);
    ASSERT_TRUE(ApplyConfigText(R"({"cameras":[{"index":1,"rebootEverySec":0}]})", cameras, message)) << message;
    EXPECT_EQ(cameras[1].rebootEverySec, 0);
    EXPECT_FALSE(ApplyConfigText(R"({"cameras":[{"index":1,"rebootEverySec":"often"}]})", cameras, message));

    // Spread over half to one and a half times the period, not in step.
    std::mt19937 random(7);
    std::chrono::milliseconds low{INT64_MAX}, high{0};
    for (int i = 0; i < 2000; ++i) {
        const auto delay = SelfRebootDelay(30, random);
        low = std::min(low, delay);
        high = std::max(high, delay);
    }
    EXPECT_GE(low, std::chrono::milliseconds(15000));
    EXPECT_LE(high, std::chrono::milliseconds(45000));
    EXPECT_LT(low, std::chrono::milliseconds(17000));
    EXPECT_GT(high, std::chrono::milliseconds(43000));

    // A camera told to reboot every second goes silent, comes back with a
    // fresh uptime and announces itself, again and again; one not told stays up.
    SimCamera rebooting;
    rebooting.mac = {2, 0x5a, 0, 0, 0, 1};
    rebooting.ip = "127.0.0.1";
    rebooting.port = 40000 + static_cast<int>(getpid() % 20000);
    rebooting.rebootMs = 200;
    rebooting.rebootEverySec = 1;
    rebooting.upSince -= std::chrono::hours(5);
    SimCamera steady = rebooting;
    steady.mac[5] = 2;
    steady.port += 1;
    steady.rebootEverySec = 0;
    CameraTable table;
    table.Add(rebooting);
    table.Add(steady);
    std::atomic<int> comebacks{0};
    CameraHttpService web(2);
    web.SetRebootedCallback([&](const std::shared_ptr<LiveCamera>&) { ++comebacks; });
    const auto live = table.FindLive(rebooting.mac);
    const auto other = table.FindLive(steady.mac);
    web.RebootNowAndThen(live, 1);
    web.RebootNowAndThen(other, 2);
    bool sawSilent = false;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(8);
    while (comebacks < 2 && std::chrono::steady_clock::now() < until) {
        {
            std::lock_guard lock(live->mutex);
            sawSilent = sawSilent || live->sim.silent;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_TRUE(sawSilent);
    EXPECT_GE(comebacks.load(), 2);
    {
        std::lock_guard lock(live->mutex);
        EXPECT_LT(live->sim.UpTimeSeconds(std::chrono::steady_clock::now()), 5);
    }
    std::lock_guard lock(other->mutex);
    EXPECT_FALSE(other->sim.silent);
    EXPECT_GE(other->sim.UpTimeSeconds(std::chrono::steady_clock::now()), 5 * 3600);
}

} // namespace
