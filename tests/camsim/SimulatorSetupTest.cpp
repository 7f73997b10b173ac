#include "CameraRoutes.h"
#include "CameraTable.h"
#include "InterfaceAddresses.h"
#include "SimConfig.h"

#include <gtest/gtest.h>

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

} // namespace
