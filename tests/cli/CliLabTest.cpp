// zendrix-cli as a user runs it, in the lab's workstation namespace, against
// vtcamsim in the camera namespace; the cameras' state is read back by
// discovery, which reports what the simulator holds.
#include "CliLab.h"
#include "TimeZoneTable.h"

using namespace clilab;

TEST_F(CliLab, DiscoverSetIpAndInventoryChangeAndReportTheCameras)
{
    LABKIT_REQUIRE_LAB();
    Start({"--count", "6", "--base-ip", "192.168.1.100"});
    auto cameras = Discovered();
    ASSERT_EQ(cameras.size(), 6U);
    EXPECT_EQ(cameras[Mac(1)], "192.168.1.100");

    const CliRun csv = Cli("discover --format csv --wait 1" + Interface());
    EXPECT_EQ(csv.out.substr(0, csv.out.find('\n')),
              "name,mac,ip,port,netmask,gateway,model,started,version,protocol");
    // The protocol option picks the cameras; each names its protocol.
    CliRun listed = Cli("discover --protocol family --format json --wait 1" + Interface());
    ASSERT_EQ(listed.status, 0) << listed.err;
    const auto family = nlohmann::json::parse(listed.out);
    ASSERT_EQ(family.size(), 6U);
    EXPECT_EQ(family[0]["protocol"], "family");
    listed = Cli("discover --protocol onvif --format json --wait 1" + Interface());
    EXPECT_EQ(nlohmann::json::parse(listed.out).size(), 0U) << "none of these cameras speaks ONVIF";
    listed = Cli("discover --protocol rtsp --wait 0.5" + Interface());
    EXPECT_EQ(listed.status, 2);
    EXPECT_NE(listed.err.find("--protocol takes family, onvif or all"), std::string::npos) << listed.err;

    // One camera, then two by CSV, then sequential addresses for two models' worth.
    CliRun run = Cli("set-ip --mac " + Mac(2) + " --new-ip 192.168.1.20 --wait 1" + Interface());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("IP:192.168.1.101->192.168.1.20 successfully."), std::string::npos) << run.out;
    const std::string plan = Scratch("plan.csv");
    std::ofstream(plan) << "mac,ip,netmask,gateway,dns,port,name\n"
                        << Mac(3) << ",192.168.1.30,,,,8080,Lobby\n"
                        << Mac(4) << ",192.168.1.31\n";
    run = Cli("set-ip --csv " + plan + " --wait 1" + Interface());
    EXPECT_EQ(run.status, 0) << run.err;
    run = Cli("set-ip --mac " + Mac(5) + " --mac " + Mac(6) + " --start-ip 192.168.1.40 --wait 1" +
              Interface());
    EXPECT_EQ(run.status, 0) << run.err;
    cameras = Discovered();
    EXPECT_EQ(cameras[Mac(1)], "192.168.1.100");
    EXPECT_EQ(cameras[Mac(2)], "192.168.1.20");
    EXPECT_EQ(cameras[Mac(3)], "192.168.1.30");
    EXPECT_EQ(cameras[Mac(4)], "192.168.1.31");
    EXPECT_EQ(cameras[Mac(5)], "192.168.1.40");
    EXPECT_EQ(cameras[Mac(6)], "192.168.1.41");

    // The dry run prints the plan and sends nothing.
    run = Cli("set-ip --all --start-ip 192.168.1.200 --dry-run --format json --wait 1" + Interface());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(nlohmann::json::parse(run.out).size(), 6U);
    EXPECT_EQ(Discovered()[Mac(1)], "192.168.1.100");

    // The site's record: every camera, its time zone, never a password.
    run = Cli("inventory --format json --wait 1" + Interface());
    EXPECT_EQ(run.status, 0) << run.err;
    const auto inventory = nlohmann::json::parse(run.out);
    ASSERT_EQ(inventory.size(), 6U);
    // The time zone by its caption, its row beside it.
    ASSERT_TRUE(inventory[0]["time_zone_row"].is_number());
    const char* caption = TimeZoneCaption(inventory[0]["time_zone_row"].get<int>());
    ASSERT_NE(caption, nullptr);
    EXPECT_EQ(inventory[0]["time_zone"], caption);
    EXPECT_EQ(run.out.find("admin"), std::string::npos);
    EXPECT_EQ(inventory[0]["certificate"], "") << "only an https camera has a pinned certificate";
    // Nothing was refused, so there is no certificate to accept.
    const auto trusted = Cli("trust --mac " + Mac(1));
    EXPECT_EQ(trusted.status, 2);
    EXPECT_NE(trusted.err.find("no changed certificate of " + Mac(1)), std::string::npos) << trusted.err;

    // A wrong password: every camera fails, each named with MAC and IP.
    run = Cli("inventory --password wrong --wait 1" + Interface());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(Mac(1).substr(0, 12)), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("192.168.1.100"), std::string::npos) << run.err;
    run = Cli("set-ip --mac " + Mac(1) + " --new-ip 192.168.1.99 --password wrong --wait 1" + Interface());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(Mac(1) + " 192.168.1.100: the camera refused the change"), std::string::npos)
        << run.err;
}

TEST_F(CliLab, BadInputIsRefusedWithItsLineAndNothingIsSent)
{
    LABKIT_REQUIRE_LAB();
    Start({"--count", "3", "--base-ip", "192.168.1.100"});
    struct Case
    {
        std::string csv;
        std::string words;
    };
    const Case cases[] = {
        {Mac(1) + ",192.168.1.50\nbroken line\n", "line 2"},
        {Mac(1) + ",192.168.1.50\n" + Mac(2) + ",192.168.1.50\n", "planned twice"},
        {Mac(1) + ",10.1.2.3,255.255.0.0\n", "outside the subnet"},
        {Mac(1) + ",192.168.1.50\n02:5A:25:00:0F:0F,192.168.1.51\n",
         "no such camera was found: 02:5A:25:00:0F:0F"},
        {Mac(1) + ",192.168.1.102\n", "already used by camera " + Mac(3)},
    };
    const std::string plan = Scratch("bad.csv");
    for (const Case& c : cases) {
        std::ofstream(plan) << c.csv;
        const CliRun run = Cli("set-ip --csv " + plan + " --wait 1" + Interface());
        EXPECT_EQ(run.status, 2) << c.csv;
        EXPECT_NE(run.err.find(c.words), std::string::npos) << c.csv << "\n" << run.err;
        EXPECT_EQ(run.out, "") << "a refused plan must send nothing";
    }
    EXPECT_EQ(Cli("set-ip --mac 02:5A:25:00:0F:0F --new-ip 192.168.1.9 --wait 1" + Interface()).status, 2);
    EXPECT_EQ(Cli("discover --format xml").status, 2);
    EXPECT_EQ(Cli("discover --iface no-such-device --wait 1").status, 2);
    EXPECT_EQ(Cli("reboot-everything").status, 2);
    const auto cameras = Discovered();
    EXPECT_EQ(cameras.at(Mac(1)), "192.168.1.100");
    EXPECT_EQ(cameras.at(Mac(2)), "192.168.1.101");
}

TEST_F(CliLab, TwoHundredCamerasReaddressedFromOneCsv)
{
    LABKIT_REQUIRE_LAB();
    Start({"--count", "200", "--base-ip", "192.168.2.1"});
    ASSERT_EQ(Discovered("3").size(), 200U);
    const std::string plan = Scratch("site.csv");
    {
        std::ofstream file(plan);
        file << "mac,ip\n";
        for (int n = 1; n <= 200; ++n) {
            file << Mac(n) << ",192.168.3." << n << ",255.255.0.0,192.168.0.1\n";
        }
    }
    const CliRun run = Cli("set-ip --csv " + plan + " --wait 3" + Interface());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("200 of 200 cameras changed"), std::string::npos) << run.err;
    const auto cameras = Discovered("3");
    ASSERT_EQ(cameras.size(), 200U);
    for (int n = 1; n <= 200; ++n) {
        EXPECT_EQ(cameras.at(Mac(n)), "192.168.3." + std::to_string(n));
    }
}
