#include "CameraSettings.h"
#include "PercentEncoding.h"

#include "StatusPage.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

using namespace camsim;

TEST(CameraSettings, FactoryValuesAreAcceptableToTheCameraItself)
{
    for (const char* model : {"VT-C6121", "VT-C8163A"}) {
        const CameraSettings s = FactorySettings(model, 80, "00:30:4F:00:00:01");
        EXPECT_TRUE(IsAcceptable(s.date));
        EXPECT_TRUE(IsAcceptable(s.ports));
        EXPECT_TRUE(IsAcceptable(s.ddns));
        EXPECT_TRUE(IsAcceptable(s.primary, 1));
        EXPECT_TRUE(IsAcceptable(s.secondary, 0));
        EXPECT_TRUE(IsAcceptable(s.osd));
        EXPECT_TRUE(IsAcceptable(s.picture, model));
        EXPECT_TRUE(IsAcceptable(s.imaging));
        EXPECT_STREQ(s.ddns.mac, "00:30:4F:00:00:01");
    }
    EXPECT_EQ(FactorySettings("VT-C8163A", 80, "").picture.sharpness, 128);
    EXPECT_EQ(FactorySettings("VT-C8163", 80, "").picture.sharpness, 50);
}

TEST(CameraSettings, RulesRefuseOutOfRangeValues)
{
    CameraSettings s = FactorySettings("VT-C6121", 80, "");
    PortInfoRecord ports = s.ports;
    ports.rtspPort = 80;
    EXPECT_FALSE(IsAcceptable(ports)) << "HTTP and RTSP on one port";
    ports = {65536, 65536, 554, 554, 0};
    EXPECT_FALSE(IsAcceptable(ports));

    VideoConfigRecord video = s.primary;
    EXPECT_FALSE(IsAcceptable(video, 0)) << "stream byte must match the path";
    video.frameSize = 7;
    EXPECT_FALSE(IsAcceptable(video, 1));

    ImagingSettingsRecord picture{255, 255, 255, 255, 255};
    EXPECT_TRUE(IsAcceptable(picture, "VT-C8163A"));
    EXPECT_FALSE(IsAcceptable(picture, "VT-C8163"));

    SystemDateRecord date = s.date;
    date.mode = 1;
    date.ntpServer[0] = '\0';
    EXPECT_FALSE(IsAcceptable(date)) << "NTP mode needs a server";
    date.timeZone = 117;
    EXPECT_FALSE(IsAcceptable(date));
}

TEST(CameraSettings, ClockParsingRefusesImpossibleDates)
{
    EXPECT_EQ(ParseCameraClock("1970/01/01", "00:00:10"), std::optional<int64_t>(10));
    EXPECT_TRUE(ParseCameraClock("2028/02/29", "23:59:59").has_value());
    EXPECT_FALSE(ParseCameraClock("2027/02/29", "00:00:00").has_value());
    EXPECT_FALSE(ParseCameraClock("2027/04/31", "00:00:00").has_value());
    EXPECT_FALSE(ParseCameraClock("2027/4/30", "00:00:00").has_value());
    EXPECT_FALSE(ParseCameraClock("2027/04/30", "24:00:00").has_value());
    const auto seconds = ParseCameraClock("2031/12/31", "13:14:15");
    ASSERT_TRUE(seconds.has_value());
    EXPECT_EQ(FormatCameraDate(*seconds), "2031/12/31");
    EXPECT_EQ(FormatCameraTime(*seconds), "13:14:15");
}

TEST(CameraSettings, DeviceNamesArePercentDecodedUtf8WithoutSemicolons)
{
    EXPECT_EQ(vtwire::PercentDecode("%43%61%6D.%31"), std::optional<std::string>("Cam.1"));
    EXPECT_FALSE(vtwire::PercentDecode("%4").has_value());
    EXPECT_FALSE(vtwire::PercentDecode("%G0").has_value());
    EXPECT_TRUE(IsAcceptableDeviceName("Cam \xE5\x8C\x97"));
    EXPECT_FALSE(IsAcceptableDeviceName(""));
    EXPECT_FALSE(IsAcceptableDeviceName("a;b"));
    EXPECT_FALSE(IsAcceptableDeviceName(std::string(64, 'n')));
    EXPECT_FALSE(IsAcceptableDeviceName("\xFF"));
    EXPECT_FALSE(IsAcceptableDeviceName("tab\there"));
    EXPECT_FALSE(IsAcceptableDeviceName(std::string("nul\0", 4)));
}

TEST(StatusPage, ShowsTheCameraAndEscapesItsTexts)
{
    LiveCamera camera;
    camera.sim.name = "<script>alert(1)</script>";
    camera.sim.model = "VT-C6121";
    camera.sim.ip = "192.168.5.10";
    camera.sim.mac = {0x00, 0x30, 0x4F, 0xAB, 0xCD, 0xEF};
    camera.settings = FactorySettings(camera.sim.model, 80, camera.MacText());
    camera.sim.upSince = std::chrono::steady_clock::now() - std::chrono::seconds(90061);
    const std::string page = StatusPageHtml(camera);
    EXPECT_EQ(page.find("<script>"), std::string::npos);
    EXPECT_NE(page.find("&lt;script&gt;"), std::string::npos);
    EXPECT_NE(page.find("00:30:4F:AB:CD:EF"), std::string::npos);
    EXPECT_NE(page.find("192.168.5.10"), std::string::npos);
    EXPECT_NE(page.find("H.264 1280*720 25 fps 4096 kbit/s"), std::string::npos);
    EXPECT_NE(page.find("1 d 01:01:01"), std::string::npos);
}

} // namespace
