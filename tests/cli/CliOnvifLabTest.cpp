// ONVIF cameras beside the family's, found, listed and readdressed by the
// terminal tool as a user runs it, and a Bye seen by a running session.
#include "CliLab.h"
#include "CliSession.h"

#include <thread>

using namespace clilab;

namespace {
constexpr const char* kDigestMac = "B0:EA:11:00:00:02";
constexpr const char* kRebootMac = "C0:41:D5:00:00:03";
constexpr const char* kFarMac = "C0:41:D5:00:00:04";

std::string MixedSite()
{
    const std::string path = Scratch("mixed-site.json");
    std::ofstream(path) << R"({"cameras": [
  {"index": 0, "name": "Family one"},
  {"index": 1, "name": "Family two"},
  {"index": 2, "mac": "B0:EA:11:00:00:02", "protocol": "onvif", "maker": "Borealis", "model": "BV-9",
   "version": "5.0.1", "name": "Dome", "onvifAuth": "http-digest", "clockOffsetSec": 5400},
  {"index": 3, "mac": "C0:41:D5:00:00:03", "protocol": "onvif", "maker": "Corvid", "model": "CS-4K",
   "version": "1.0.4", "name": "Ramp", "rebootNeeded": true, "rebootMs": 500},
  {"index": 4, "mac": "C0:41:D5:00:00:04", "ip": "10.44.7.20", "netmask": "255.255.255.0",
   "gateway": "10.44.7.1", "protocol": "onvif", "maker": "Corvid", "model": "CS-4K", "version": "1.0.4",
   "name": "Far shed"}
]})";
    return path;
}

std::map<std::string, nlohmann::json> ListedByMac()
{
    const CliRun run = Cli("discover --format json --wait 2" + Interface());
    EXPECT_EQ(run.status, 0) << run.err;
    std::map<std::string, nlohmann::json> cameras;
    for (const auto& camera : nlohmann::json::parse(run.out)) {
        EXPECT_EQ(cameras.count(camera["mac"].get<std::string>()), 0U) << "listed twice: " << camera;
        cameras[camera["mac"].get<std::string>()] = camera;
    }
    return cameras;
}

} // namespace

TEST_F(CliLab, MixedSiteListedOnceAndOnvifCamerasReaddressedAlsoOutsideTheSubnet)
{
    LABKIT_REQUIRE_LAB();
    Start({"--count", "5", "--base-ip", "192.168.1.100", "--config", MixedSite()});
    auto cameras = ListedByMac();
    ASSERT_EQ(cameras.size(), 5U);
    for (const char* mac : {kDigestMac, kRebootMac, kFarMac}) {
        const nlohmann::json& camera = cameras[mac];
        EXPECT_EQ(camera["protocol"], "onvif") << camera;
        EXPECT_FALSE(camera["model"].get<std::string>().empty()) << camera;
        EXPECT_FALSE(camera["version"].get<std::string>().empty()) << camera;
    }
    EXPECT_EQ(cameras[kFarMac]["ip"], "10.44.7.20");
    EXPECT_EQ(cameras[kFarMac]["gateway"], "10.44.7.1");
    EXPECT_EQ(cameras[Mac(1)]["protocol"], "family");

    // Inside the subnet, through a reboot the camera asks for; then the one
    // outside it, moved into the workstation's subnet.
    CliRun run = Cli(std::string("set-ip --mac ") + kRebootMac + " --new-ip 192.168.1.40 --wait 2" + Interface());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("->192.168.1.40 successfully."), std::string::npos) << run.out;
    run = Cli(std::string("set-ip --mac ") + kFarMac +
              " --new-ip 192.168.1.41 --netmask 255.255.0.0 --gateway 192.168.0.1 --wait 2" + Interface());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("IP:10.44.7.20->192.168.1.41"), std::string::npos) << run.out;
    const labkit::Lab& lab = *labkit::LabEnvironment::Current();
    EXPECT_EQ(lab.WorkstationAddressCount(), 1) << "the temporary address is still there";

    std::this_thread::sleep_for(std::chrono::milliseconds(800)); // the reboot
    cameras = ListedByMac();
    EXPECT_EQ(cameras[kRebootMac]["ip"], "192.168.1.40");
    EXPECT_EQ(cameras[kFarMac]["ip"], "192.168.1.41");
    EXPECT_EQ(cameras[kFarMac]["netmask"], "255.255.0.0");
    EXPECT_EQ(lab.WorkstationAddressCount(), 1);
}

TEST_F(CliLab, OnvifCameraThatSaysByeLeavesTheListAtOnce)
{
    LABKIT_REQUIRE_LAB();
    Start({"--count", "5", "--base-ip", "192.168.1.100", "--config", MixedSite()});
    std::vector<std::wstring> lines;
    CliSession session([&](const std::wstring& text, bool) { lines.push_back(text); });
    std::string error;
    ASSERT_TRUE(session.Open({labkit::LabEnvironment::Current()->WsInterface()}, error)) << error;
    session.SetLogin({"admin", "admin"});
    session.Discover(std::chrono::milliseconds(1500));
    ASSERT_EQ(session.Listed(ProtocolChoice::Onvif).size(), 3U);
    ASSERT_EQ(session.Listed(ProtocolChoice::All).size(), 5U);

    labkit::LabEnvironment::Current()->Stop(sim_);
    sim_ = -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(session.Listed(ProtocolChoice::Onvif).size(), 0U);
    EXPECT_EQ(session.Listed(ProtocolChoice::Family).size(), 2U) << "family cameras leave only by silence";
}

// An ONVIF camera's video and title from the terminal: read with its
// protocol named, a value its options lack refused before anything is
// sent, values they hold written.
TEST_F(CliLab, OnvifCameraVideoAndOsdFromTheTerminal)
{
    LABKIT_REQUIRE_LAB();
    Start({"--count", "5", "--base-ip", "192.168.1.100", "--config", MixedSite()});
    const std::string camera = std::string(" --mac ") + kRebootMac + " --wait 2" + Interface();
    const auto video = [&] {
        const CliRun got = Cli("get video --format json" + camera);
        EXPECT_EQ(got.status, 0) << got.err;
        return nlohmann::json::parse(got.out).at(0);
    };
    nlohmann::json before = video();
    EXPECT_EQ(before["protocol"], "onvif");
    EXPECT_EQ(before["codec"], "H.264");
    EXPECT_EQ(before["size"], "1080P(1920*1080)");
    EXPECT_EQ(before["rate"], 25);

    CliRun run = Cli("set video --codec mpeg4 --rate 12" + camera);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find(std::string(kRebootMac) + " 192.168.1.103: --codec takes one of H.264, MJPEG"),
              std::string::npos)
        << run.err;
    run = Cli("set video --rate 12 --iframe 90 --secondary-size 352*288 --dry-run --format json" + camera);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("352*288"), std::string::npos) << run.out;
    EXPECT_EQ(video()["rate"], 25) << "a refusal or a plan sent something";

    run = Cli("set video --rate 12 --iframe 90 --secondary-size 352*288" + camera);
    EXPECT_EQ(run.status, 0) << run.err;
    const nlohmann::json after = video();
    EXPECT_EQ(after["rate"], 12);
    EXPECT_EQ(after["iframe"], 90);
    EXPECT_EQ(after["secondary_size"], "352*288");

    run = Cli("set osd --title Ramp --show-title on" + camera);
    EXPECT_EQ(run.status, 0) << run.err;
    run = Cli("get osd --format csv" + camera);
    EXPECT_NE(run.out.find(",protocol"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(",on,Ramp,"), std::string::npos) << run.out;

    // Another maker's camera spans 0-255 with every picture value, so the
    // middle of its own range reads as the middle of 0-100, and a position
    // written comes back as written.
    const auto sharpness = [&] {
        const CliRun got = Cli("get imaging --format json" + camera);
        EXPECT_EQ(got.status, 0) << got.err;
        return nlohmann::json::parse(got.out).at(0)["sharpness"];
    };
    EXPECT_EQ(sharpness(), 50);
    run = Cli("set imaging --sharpness 30" + camera);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(sharpness(), 30);
}
