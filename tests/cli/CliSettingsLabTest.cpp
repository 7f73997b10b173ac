// get and set over the device SDK: what set writes is read back from the
// simulator by the SDK itself and by a second run of get; bad values end
// with status 2 and leave every camera as it was.
#include "CliLab.h"
#include "TimeZoneTable.h"
#include "VideoParams.h"
#include "VtIpcSDK.h"

#include <algorithm>
#include <cstring>

using namespace clilab;

namespace {
nlohmann::json Get(const std::string& section, const std::string& targets = "--all")
{
    const CliRun run = Cli("get " + section + " " + targets + " --format json --wait 1" + Interface());
    EXPECT_EQ(run.status, 0) << run.err;
    std::map<std::string, nlohmann::json> byMac;
    nlohmann::json rows = nlohmann::json::parse(run.out, nullptr, false);
    EXPECT_TRUE(rows.is_array()) << run.out;
    nlohmann::json result = nlohmann::json::object();
    for (const auto& row : rows) {
        result[row["mac"].get<std::string>()] = row;
    }
    return result;
}

// The camera's record as the SDK reads it, beside the tool.
SystemDateRecord ReadDate(const std::string& ip)
{
    Vt_Sdk_Init();
    SystemDateRecord record{};
    const int handle = Vt_Ipc_Login(ip.c_str(), ip.c_str(), 80, "admin", "admin", 0);
    EXPECT_GE(handle, 0) << ip;
    EXPECT_EQ(Vt_Ipc_GetSystemDate(handle, &record), 0);
    Vt_Sdk_Destroy();
    return record;
}

// One stream of the camera (1 primary, 0 secondary) as the SDK reads it.
VideoConfigRecord ReadStream(const std::string& ip, int stream)
{
    Vt_Sdk_Init();
    VideoConfigRecord record{};
    record.stream = static_cast<uint8_t>(stream);
    const int handle = Vt_Ipc_Login(ip.c_str(), ip.c_str(), 80, "admin", "admin", 0);
    EXPECT_GE(handle, 0) << ip;
    EXPECT_EQ(Vt_Ipc_GetVideoConfig(handle, &record), 0) << ip;
    Vt_Sdk_Destroy();
    return record;
}

// The system settings without the camera's running clock.
nlohmann::json Settled(nlohmann::json system)
{
    for (auto& [mac, row] : system.items()) {
        row.erase("date");
        row.erase("time");
    }
    return system;
}

int Lines(const std::string& text, const std::string& words)
{
    int count = 0;
    for (std::size_t at = text.find(words); at != std::string::npos; at = text.find(words, at + 1)) {
        ++count;
    }
    return count;
}
} // namespace

TEST_F(CliLab, SetWritesEverySectionAndGetReadsItBack)
{
    LABKIT_REQUIRE_LAB();
    Start({"--count", "3", "--base-ip", "192.168.1.100"});

    CliRun run = Cli("set system --all --time-zone 100 --ntp pool.ntp.org --daylight on --wait 1" + Interface());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Lines(run.out, "Set date and time successfully."), 3) << run.out;
    const SystemDateRecord date = ReadDate("192.168.1.101");
    EXPECT_EQ(date.timeZone, 100);
    EXPECT_EQ(date.mode, 1);
    EXPECT_STREQ(date.ntpServer, "pool.ntp.org");
    EXPECT_EQ(date.daylight, 1);
    nlohmann::json system = Get("system");
    ASSERT_EQ(system.size(), 3U);
    EXPECT_EQ(system[Mac(3)]["time_zone"], TimeZoneCaption(100));
    EXPECT_EQ(system[Mac(3)]["time_zone_row"], 100);
    EXPECT_EQ(system[Mac(3)]["ntp"], "pool.ntp.org");
    EXPECT_EQ(system[Mac(3)]["clock"], "ntp");

    // A caption names a zone as well as its row; the daylight setting stays.
    run = Cli("set system --mac " + Mac(1) + " --time-zone \"" + std::string(TimeZoneCaption(3)) + "\" --wait 1" +
              Interface());
    EXPECT_EQ(run.status, 0) << run.err;
    system = Get("system");
    EXPECT_EQ(system[Mac(1)]["time_zone_row"], 3);
    EXPECT_EQ(system[Mac(1)]["daylight"], "on");
    EXPECT_EQ(system[Mac(2)]["time_zone_row"], 100);

    run = Cli("set osd --mac " + Mac(2) + " --title \"Gate 1\" --show-title on --date-format 2 --wait 1" +
              Interface());
    EXPECT_EQ(run.status, 0) << run.err;
    const nlohmann::json osd = Get("osd");
    EXPECT_EQ(osd[Mac(2)]["title"], "Gate 1");
    EXPECT_EQ(osd[Mac(2)]["show_title"], "on");
    EXPECT_EQ(osd[Mac(2)]["date_format"], 2);
    EXPECT_NE(osd[Mac(1)]["title"], "Gate 1");

    run = Cli("set network --all --rtsp-port 5540 --wait 1" + Interface());
    EXPECT_EQ(run.status, 0) << run.err;
    const nlohmann::json network = Get("network");
    for (int n = 1; n <= 3; ++n) {
        EXPECT_EQ(network[Mac(n)]["rtsp_port"], 5540);
        EXPECT_EQ(network[Mac(n)]["http_port"], 80);
    }

    run = Cli("set video --all --rate 10 --rate-control cbr --secondary-rate 5 --wait 1" + Interface());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Lines(run.out, "successfully"), 6) << run.out;
    const nlohmann::json video = Get("video");
    for (int n = 1; n <= 3; ++n) {
        EXPECT_EQ(video[Mac(n)]["rate"], 10);
        EXPECT_EQ(video[Mac(n)]["rate_control"], "cbr");
        EXPECT_EQ(video[Mac(n)]["secondary_rate"], 5);
    }
    // The OSD is not part of a video change.
    EXPECT_EQ(Get("osd")[Mac(2)]["title"], "Gate 1");

    run = Cli("set imaging --ip 192.168.1.100 --brightness 60 --frequency 60 --ir-cut 2 --wait 1" + Interface());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Lines(run.out, "Save image parameters successfully."), 1) << run.out;
    const nlohmann::json imaging = Get("imaging");
    EXPECT_EQ(imaging[Mac(1)]["brightness"], 60);
    EXPECT_EQ(imaging[Mac(1)]["frequency"], 60);
    EXPECT_EQ(imaging[Mac(1)]["ir_cut"], 2);
    EXPECT_NE(imaging[Mac(2)]["brightness"], 60);

    // A wrong password: each camera's failure on stderr with its MAC and IP, status 1.
    run = Cli("set osd --all --title X --password wrong --wait 1" + Interface());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(Mac(3)), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("192.168.1.102"), std::string::npos) << run.err;
}

TEST_F(CliLab, BadSettingsAreRefusedAndNothingIsWritten)
{
    LABKIT_REQUIRE_LAB();
    Start({"--count", "2", "--base-ip", "192.168.1.100"});
    const nlohmann::json system = Settled(Get("system"));
    const nlohmann::json osd = Get("osd");
    const nlohmann::json video = Get("video");
    const nlohmann::json imaging = Get("imaging");
    struct Case
    {
        std::string arguments;
        std::string words; // in the message
    };
    const Case cases[] = {
        {"set system --all --time-zone 117", "--time-zone"},
        {"set system --all --new-password abc", "Password"},
        {"set system --all --name Lobby", "one camera only"},
        {"set system --all --ntp a --computer-time", "one clock source"},
        {"set system --all --date 2026-02-30 --time 10:00:00", "not a date"},
        {"set system --all", "nothing to set"},
        {"set osd --all --title \"   \"", "itle"},
        {"set osd --all --date-position 4", "--date-position"},
        {"set video --all --rate 999", "--rate"},
        {"set video --all --codec h265", "--codec"},
        {"set video --all --size 4K", "--size"},
        {"set video --all --iframe 0", "--iframe"},
        {"set imaging --all --brightness 101", "--brightness"},
        {"set imaging --all --frequency 55", "--frequency"},
        {"set network --all --rtsp-port 70000", "--rtsp-port"},
        {"set network --all --provider 9", "--provider"},
        {"set hue --all --x 1", "name the settings"},
        {"get system --mac 02:5A:25:00:0F:0F", "02:5A:25:00:0F:0F"},
    };
    for (const Case& c : cases) {
        const CliRun run = Cli(c.arguments + " --wait 1" + Interface());
        EXPECT_EQ(run.status, 2) << c.arguments << "\n" << run.err;
        EXPECT_NE(run.err.find(c.words), std::string::npos) << c.arguments << "\n" << run.err;
        EXPECT_EQ(run.out, "") << c.arguments;
    }
    EXPECT_EQ(Settled(Get("system")), system);
    EXPECT_EQ(Get("osd"), osd);
    EXPECT_EQ(Get("video"), video);
    EXPECT_EQ(Get("imaging"), imaging);
}

TEST_F(CliLab, VideoOverMixedModelsSendsEachCameraOnlyWhatItOffers)
{
    LABKIT_REQUIRE_LAB();
    // A 5M, a 720P and a 1080P camera, the 5M one first in IP order.
    const std::string config = Scratch("mixed-models.json");
    std::ofstream(config) << R"({"cameras": [{"index": 0, "model": "VT-C1100"}, {"index": 1, "model": "VT-C1902"},
                                            {"index": 2, "model": "VT-C6102"}]})";
    Start({"--count", "3", "--base-ip", "192.168.1.100", "--config", config});
    const std::pair<std::string, std::string> cameras[] = {
        {"192.168.1.100", "VT-C1100"}, {"192.168.1.101", "VT-C1902"}, {"192.168.1.102", "VT-C6102"}};
    const auto expectOffered = [&](const std::string& when) {
        for (const auto& [ip, model] : cameras) {
            const VideoConfigRecord primary = ReadStream(ip, 1);
            const std::vector<int> offered = PrimarySizes(CapabilityClassOfModel(model), primary.codec);
            EXPECT_TRUE(std::find(offered.begin(), offered.end(), primary.frameSize) != offered.end())
                << when << ": " << model << " has " << PrimarySizeCaption(primary.frameSize);
        }
    };

    // The 5M camera alone may go to 5M.
    CliRun run = Cli("set video --ip 192.168.1.100 --size \"5M(2560*1920)\" --wait 1" + Interface());
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(ReadStream("192.168.1.100", 1).frameSize, kPrimarySize5M);

    // Over all three the 720P camera bounds the choices, as on the page.
    run = Cli("set video --all --size \"5M(2560*1920)\" --wait 1" + Interface());
    EXPECT_EQ(run.status, 2) << run.out;
    EXPECT_NE(run.err.find("VT-C1902"), std::string::npos) << run.err;
    expectOffered("a 5M size for all");

    run = Cli("set video --all --iframe 10 --wait 1" + Interface());
    EXPECT_EQ(run.status, 0) << run.err;
    expectOffered("an I-frame change for all");
    for (const auto& [ip, model] : cameras) {
        EXPECT_EQ(ReadStream(ip, 1).iFrameInterval, 10) << model;
    }

    // An MJPEG secondary stream goes at 512 kbit/s and a constant bit rate.
    run = Cli("set video --ip 192.168.1.101 --secondary-bitrate 1024 --wait 1" + Interface());
    ASSERT_EQ(run.status, 0) << run.err;
    run = Cli("set video --ip 192.168.1.101 --secondary-codec MJPEG --secondary-bitrate 256 --wait 1" + Interface());
    EXPECT_EQ(run.status, 2) << run.out;
    EXPECT_EQ(ReadStream("192.168.1.101", 0).bitRate, 1024);
    run = Cli("set video --ip 192.168.1.101 --secondary-codec MJPEG --wait 1" + Interface());
    EXPECT_EQ(run.status, 0) << run.err;
    const VideoConfigRecord secondary = ReadStream("192.168.1.101", 0);
    EXPECT_EQ(secondary.codec, kCodecMjpeg);
    EXPECT_EQ(secondary.bitRate, kDefaultSecondaryBitRate);
    EXPECT_EQ(secondary.rateControl, 0);
}

TEST_F(CliLab, SetChangesOnlyTheGivenOptionOnEachCamera)
{
    LABKIT_REQUIRE_LAB();
    // Three cameras that differ: the second answers on HTTP port 8080 and keeps
    // its clock by NTP from a server of its own, in another time zone.
    const std::string config = Scratch("differing.json");
    std::ofstream(config) << R"({"cameras": [{"index": 1, "port": 8080}]})";
    Start({"--count", "3", "--base-ip", "192.168.1.100", "--config", config});
    CliRun run = Cli("set system --mac " + Mac(2) + " --time-zone 3 --ntp ntp.site.test --wait 1" + Interface());
    ASSERT_EQ(run.status, 0) << run.err;

    struct Step
    {
        std::string section;
        std::string option;
        std::string field;
        nlohmann::json value;
    };
    for (const Step& step : {Step{"system", "--daylight on", "daylight", "on"},
                             Step{"network", "--rtsp-port 5540", "rtsp_port", 5540}}) {
        const nlohmann::json before = Settled(Get(step.section));
        // The plan names that one field on every camera, and the set changes nothing else.
        const std::string set = "set " + step.section + " --all " + step.option + " --wait 1" + Interface();
        run = Cli(set + " --dry-run --format json");
        ASSERT_EQ(run.status, 0) << run.err;
        for (const auto& camera : nlohmann::json::parse(run.out)) {
            ASSERT_EQ(camera["changes"].size(), 1U) << camera.dump();
            EXPECT_EQ(camera["changes"][0]["field"], step.field) << camera.dump();
        }
        run = Cli(set);
        EXPECT_EQ(run.status, 0) << run.err;
        nlohmann::json expected = before;
        for (auto& [mac, row] : expected.items()) {
            row[step.field] = step.value;
        }
        EXPECT_EQ(Settled(Get(step.section)), expected) << step.option;
    }
}
