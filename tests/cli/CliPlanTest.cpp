// What "set" sends a camera and the plan that names it: only the values
// given change, each camera keeps the rest as it has them, a value in another
// spelling is no change, and values the cameras cannot take are refused; the
// image version decides which cameras an upgrade takes.
#include "CliPassword.h"
#include "CliPlan.h"
#include "CliUpgradePlan.h"
#include "TimeZoneTable.h"

#include <cstring>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {
template <std::size_t N> void Put(char (&field)[N], const std::string& text)
{
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), std::min(text.size(), N - 1));
}

tagVtIpcInfo Camera(const std::string& model)
{
    tagVtIpcInfo camera{};
    Put(camera.model, model);
    Put(camera.ip, "192.168.1.100");
    Put(camera.devName, "Camera 1");
    return camera;
}

// Every section as a camera leaves the factory.
SectionValues Factory()
{
    SectionValues v{};
    v.date.mode = 3;
    Put(v.date.ntpServer, "pool.ntp.org");
    v.date.timeZone = 100;
    v.ports = {80, 80, 554, 554, 0};
    Put(v.ddns.provider, "dyndns.org");
    Put(v.ddns.mac, "02:5A:25:00:00:01");
    Put(v.info.version, "31.4.0.83");
    v.primary = {1, 1, 0, 0, 5, 25, 4096, 1, {0, 0, 0}, 20, 0};
    v.secondary = {0, 1, 0, 0, 0, 25, 512, 1, {0, 0, 0}, 30, 0};
    v.osd.showTitle = 1;
    Put(v.osd.title, "Camera");
    v.picture = {128, 128, 128, 50, 50};
    v.imaging.frequency = 50;
    return v;
}

bool Build(SettingsSection section, const std::vector<std::string>& arguments, const SectionValues& current,
           CameraWrite& write, std::string& error, const std::string& model = "VT-C1902",
           const std::string& referenceModel = "VT-C1902")
{
    CliCommandLine line;
    std::vector<CliOptionSpec> specs;
    for (const std::string& argument : arguments) {
        if (argument.rfind("--", 0) == 0) {
            specs.push_back({argument.substr(2), argument != "--computer-time"});
        }
    }
    EXPECT_TRUE(line.Parse(arguments, specs, false, error)) << error;
    SetContext context;
    context.login = {"admin", "admin"};
    context.referenceModel = referenceModel;
    return CheckSetOptions(section, line, error) &&
           BuildCameraWrite(section, line, context, Camera(model), current, write, error);
}

// "field:current->desired" of each change the plan names.
std::vector<std::string> Changes(SettingsSection section, const std::vector<std::string>& arguments,
                                 const SectionValues& current = Factory())
{
    CameraWrite write;
    std::string error;
    EXPECT_TRUE(Build(section, arguments, current, write, error)) << error;
    std::vector<std::string> fields;
    for (const PlanChange& change : PlanChanges(section, Camera("VT-C1902"), current, write)) {
        fields.push_back(change.field + ":" + change.current + "->" + change.desired);
    }
    return fields;
}

std::string Refusal(SettingsSection section, const std::vector<std::string>& arguments, const std::string& model,
                    const SectionValues& current = Factory())
{
    CameraWrite write;
    std::string error;
    EXPECT_FALSE(Build(section, arguments, current, write, error, model)) << "accepted";
    return error;
}
} // namespace

TEST(CliPlan, OnlyTheValuesGivenChangeAndEachCameraKeepsTheRest)
{
    // A camera on NTP from its own server, in its own time zone, stays so.
    SectionValues ntp = Factory();
    ntp.date.mode = 1;
    Put(ntp.date.ntpServer, "ntp.site.test");
    ntp.date.timeZone = 3;
    EXPECT_EQ(Changes(SettingsSection::System, {"--daylight", "on"}, ntp),
              (std::vector<std::string>{"daylight:off->on"}));
    // A camera that keeps its clock keeps its server; a new password is always
    // planned, one the camera already has never.
    EXPECT_EQ(Changes(SettingsSection::System, {"--time-zone", "57", "--new-password", "x1yz"}),
              (std::vector<std::string>{"time_zone:" + std::string(TimeZoneCaption(100)) + "->" +
                                            TimeZoneCaption(57),
                                        "time_zone_row:100->57", "password:->(secret)"}));
    EXPECT_TRUE(Changes(SettingsSection::System, {"--new-password", "admin"}).empty());

    SectionValues ports = Factory();
    ports.ports = {8080, 8080, 554, 554, 0};
    EXPECT_EQ(Changes(SettingsSection::Network, {"--rtsp-port", "5540"}, ports),
              (std::vector<std::string>{"rtsp_port:554->5540"}));
    // A DDNS account with DDNS off is kept, not cleared; a password only when given.
    SectionValues account = Factory();
    Put(account.ddns.user, "site");
    Put(account.ddns.host, "cam.site.test");
    EXPECT_EQ(Changes(SettingsSection::Network, {"--http-port", "8000", "--ddns-password", "pw"}, account),
              (std::vector<std::string>{"http_port:80->8000", "ddns_password:->(secret)"}));

    // MJPEG goes at its own bit rate: that follows from the codec and is planned too.
    EXPECT_EQ(Changes(SettingsSection::Video, {"--codec", "MJPEG"}),
              (std::vector<std::string>{"codec:H.264->MJPEG", "bitrate:4096->2048"}));
    EXPECT_EQ(Changes(SettingsSection::Osd, {"--title", "Gate 1"}),
              (std::vector<std::string>{"title:Camera->Gate 1"}));
    // The frequency in hertz, as "get imaging" prints it.
    SectionValues sixty = Factory();
    sixty.imaging.frequency = 60;
    EXPECT_EQ(Changes(SettingsSection::Imaging, {"--frequency", "50", "--brightness", "60"}, sixty),
              (std::vector<std::string>{"brightness:50->60", "frequency:60->50"}));
}

TEST(CliPlan, SameValueInAnotherSpellingIsNoChange)
{
    SectionValues ntp = Factory();
    ntp.date.mode = 1;
    EXPECT_TRUE(Changes(SettingsSection::System, {"--time-zone", "8 China (Beijing)", "--ntp", "pool.ntp.org",
                                                  "--daylight", "no"},
                        ntp)
                    .empty());
    EXPECT_TRUE(Changes(SettingsSection::Video, {"--codec", "h264", "--rate", "025"}).empty());
    EXPECT_TRUE(Changes(SettingsSection::Imaging, {"--frequency", "50"}).empty());
}

TEST(CliPlan, ValuesACameraOrTheReferenceModelCannotTakeAreRefused)
{
    CliCommandLine line;
    std::string error;
    ASSERT_TRUE(line.Parse({"--time-zone", "Atlantis"}, {{"time-zone", true}}, false, error));
    EXPECT_FALSE(CheckSetOptions(SettingsSection::System, line, error));
    EXPECT_NE(Refusal(SettingsSection::Video, {"--rate", "fast"}, "VT-C1902").find("--rate"), std::string::npos);
    // A 5M camera among 720P cameras takes no 5M size; at 5M it takes no other rate than 8.
    CameraWrite write;
    EXPECT_FALSE(Build(SettingsSection::Video, {"--size", "5M(2560*1920)"}, Factory(), write, error, "VT-C1100"));
    EXPECT_NE(error.find("VT-C1902"), std::string::npos) << error;
    SectionValues fiveM = Factory();
    fiveM.primary.frameSize = 0;
    fiveM.primary.frameRate = 8;
    EXPECT_NE(Refusal(SettingsSection::Video, {"--rate", "10"}, "VT-C1100", fiveM).find("--rate"), std::string::npos);
    // DDNS switched on needs an account.
    EXPECT_EQ(Refusal(SettingsSection::Network, {"--ddns", "on"}, "VT-C1902"), "User field can't be empty.");
}

TEST(CliUpgradePlan, ImageVersionAndOrder)
{
    EXPECT_EQ(ImageVersion("VT_VTFImage_50_31.4.1.2.bin"), "31.4.1.2");
    EXPECT_EQ(ImageVersion("VTFImage_15_12.2.0.7"), "12.2.0.7");
    EXPECT_EQ(ImageVersion("VT_VTFImage_A0.bin"), "");
    EXPECT_EQ(ImageVersion("KImage_5_31.4.1.2.bin"), "");
    EXPECT_EQ(ImageVersion(""), "");
    EXPECT_TRUE(VersionBelow("31.4.0.83", "31.4.1.2"));
    EXPECT_TRUE(VersionBelow("9.9.9.9", "31.0.0.0")); // numbers, not text
    EXPECT_FALSE(VersionBelow("31.4.1.2", "31.4.1.2"));
    EXPECT_FALSE(VersionBelow("31.10.0.0", "31.4.1.2"));
}

TEST(CliPassword, OneLineFromADescriptorAndNoMore)
{
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    const std::string text = "s3cret\r\nnext line\n";
    ASSERT_EQ(write(pipeEnds[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
    close(pipeEnds[1]);
    std::string password;
    ASSERT_TRUE(ReadPasswordLine(pipeEnds[0], password));
    EXPECT_EQ(password, "s3cret");
    ASSERT_TRUE(ReadPasswordLine(pipeEnds[0], password));
    EXPECT_EQ(password, "next line");
    EXPECT_FALSE(ReadPasswordLine(pipeEnds[0], password)); // nothing left: no empty password
    close(pipeEnds[0]);

    CliCommandLine line;
    std::string error;
    ASSERT_TRUE(line.Parse({"--password", "a", "--password-stdin"}, {{"password", true}, {"password-stdin", false}},
                           false, error));
    EXPECT_FALSE(ReadPasswordOption(line, password, error));
}
