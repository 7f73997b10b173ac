// The simulator's media and imaging rules: encoder changes kept only within
// the options (in Media's and Media2's shapes), imaging values in the
// camera's own range and what they do to the picture, one title and one date
// OSD, Media2 absent when the site says so, and the site keys.
#include "OnvifService.h"
#include "PictureSource.h"
#include "SimConfig.h"
#include "SoapMessage.h"

#include <gtest/gtest.h>

namespace camsim {
namespace {

constexpr const char* kMedia10 = "http://www.onvif.org/ver10/media/wsdl";
constexpr const char* kMedia20 = "http://www.onvif.org/ver20/media/wsdl";

class OnvifMediaTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        camera.sim.protocol = CameraProtocol::Onvif;
        camera.sim.ip = "192.168.5.100";
        camera.sim.name = "Gate";
        camera.onvif = InitialOnvifState(camera.sim);
    }

    OnvifAnswer Ask(OnvifServiceKind service, const std::string& body)
    {
        std::string why;
        const auto request = ParseSoapRequest(
            "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\" xmlns:tt=\"http://www.onvif.org/ver10/schema\">"
            "<s:Body>" + body + "</s:Body></s:Envelope>",
            why);
        EXPECT_NE(request, nullptr) << why;
        return AnswerOnvifRequest(camera, *request, service, {"http://192.168.5.100:80", 1'800'000'000});
    }

    LiveCamera camera;
};

std::string SetEncoder10(const std::string& width, const std::string& height, const std::string& fps)
{
    return std::string("<SetVideoEncoderConfiguration xmlns=\"") + kMedia10 +
           "\"><Configuration token=\"vec_1\"><tt:Name>MainStream</tt:Name><tt:Encoding>H264</tt:Encoding>"
           "<tt:Resolution><tt:Width>" + width + "</tt:Width><tt:Height>" + height + "</tt:Height></tt:Resolution>"
           "<tt:Quality>5</tt:Quality><tt:RateControl><tt:FrameRateLimit>" + fps + "</tt:FrameRateLimit>"
           "<tt:EncodingInterval>1</tt:EncodingInterval><tt:BitrateLimit>2048</tt:BitrateLimit></tt:RateControl>"
           "<tt:H264><tt:GovLength>40</tt:GovLength><tt:H264Profile>High</tt:H264Profile></tt:H264></Configuration>"
           "<ForcePersistence>true</ForcePersistence></SetVideoEncoderConfiguration>";
}

TEST_F(OnvifMediaTest, EncoderChangesAreKeptOnlyWithinTheOptions)
{
    OnvifAnswer answer = Ask(OnvifServiceKind::Media, SetEncoder10("1280", "720", "20"));
    EXPECT_EQ(answer.status, 200) << answer.envelope;
    EXPECT_EQ(answer.after, OnvifAfter::Restream);
    EncoderConfig main = camera.onvif.media.encoders[0];
    EXPECT_EQ(DescribeEncoder(main), "H264 1280x720 20 fps 2048 kbit/s CBR GOV 40 quality 5");
    EXPECT_EQ(main.profile, "High");

    for (const auto& [width, height, fps] : {std::tuple{"640", "480", "20"}, // the sub stream's size
                                             {"1280", "720", "31"},
                                             {"1280", "720", "12.5"},
                                             {"1280", "", "20"}}) {
        answer = Ask(OnvifServiceKind::Media, SetEncoder10(width, height, fps));
        EXPECT_EQ(answer.status, 400) << width << "x" << height << " " << fps;
        EXPECT_NE(answer.envelope.find("ter:ConfigModify"), std::string::npos) << answer.envelope;
        EXPECT_EQ(camera.onvif.media.encoders[0], main) << "kept as it was";
    }

    // Media2's shape: GOV length and profile as attributes, constant bit rate on RateControl.
    answer = Ask(OnvifServiceKind::Media2,
                 std::string("<SetVideoEncoderConfiguration xmlns=\"") + kMedia20 +
                     "\"><Configuration token=\"vec_2\" GovLength=\"120\" Profile=\"Main\"><tt:Encoding>JPEG"
                     "</tt:Encoding><tt:Resolution><tt:Width>352</tt:Width><tt:Height>288</tt:Height></tt:Resolution>"
                     "<tt:RateControl ConstantBitRate=\"false\"><tt:FrameRateLimit>5</tt:FrameRateLimit>"
                     "<tt:BitrateLimit>64</tt:BitrateLimit></tt:RateControl><tt:Quality>10</tt:Quality>"
                     "</Configuration></SetVideoEncoderConfiguration>");
    EXPECT_EQ(answer.status, 200) << answer.envelope;
    EXPECT_EQ(DescribeEncoder(camera.onvif.media.encoders[1]), "JPEG 352x288 5 fps 64 kbit/s VBR GOV 120 quality 10");

    answer = Ask(OnvifServiceKind::Media2, std::string("<SetVideoEncoderConfiguration xmlns=\"") + kMedia20 +
                                               "\"><Configuration token=\"vec_2\" GovLength=\"121\"/>"
                                               "</SetVideoEncoderConfiguration>");
    EXPECT_NE(answer.envelope.find("ter:ConfigModify"), std::string::npos);
    answer = Ask(OnvifServiceKind::Media2, std::string("<SetVideoEncoderConfiguration xmlns=\"") + kMedia20 +
                                               "\"><Configuration token=\"vec_2\"><tt:Encoding>H265</tt:Encoding>"
                                               "</Configuration></SetVideoEncoderConfiguration>");
    EXPECT_NE(answer.envelope.find("ter:ConfigModify"), std::string::npos) << "H.265 only where the site offers it";
    answer = Ask(OnvifServiceKind::Media, std::string("<SetVideoEncoderConfiguration xmlns=\"") + kMedia10 +
                                              "\"><Configuration token=\"vec_9\"/></SetVideoEncoderConfiguration>");
    EXPECT_NE(answer.envelope.find("ter:NoConfig"), std::string::npos);

    // Both services read back what was set, each in its shape.
    answer = Ask(OnvifServiceKind::Media2, std::string("<GetVideoEncoderConfigurations xmlns=\"") + kMedia20 +
                                               "\"><ProfileToken>profile_2</ProfileToken></GetVideoEncoderConfigurations>");
    EXPECT_NE(answer.envelope.find("<tr2:Configurations token=\"vec_2\"><tt:Name>SubStream</tt:Name>"), std::string::npos)
        << answer.envelope;
    EXPECT_NE(answer.envelope.find("<tt:RateControl ConstantBitRate=\"false\"><tt:FrameRateLimit>5<"),
              std::string::npos);
    answer = Ask(OnvifServiceKind::Media, std::string("<GetVideoEncoderConfiguration xmlns=\"") + kMedia10 +
                                              "\"><ConfigurationToken>vec_1</ConfigurationToken>"
                                              "</GetVideoEncoderConfiguration>");
    EXPECT_NE(answer.envelope.find("<tt:H264><tt:GovLength>40</tt:GovLength><tt:H264Profile>High<"), std::string::npos)
        << answer.envelope;
}

TEST_F(OnvifMediaTest, ImagingInTheCamerasOwnRangeDrivesThePicture)
{
    camera.sim.imagingMin = -50;
    camera.sim.imagingMax = 50;
    camera.onvif = InitialOnvifState(camera.sim);
    const std::string imaging = "xmlns=\"http://www.onvif.org/ver20/imaging/wsdl\"><VideoSourceToken>video_source_1"
                                "</VideoSourceToken>";
    OnvifAnswer answer = Ask(OnvifServiceKind::Imaging, "<GetOptions " + imaging + "</GetOptions>");
    EXPECT_NE(answer.envelope.find("<tt:Brightness><tt:Min>-50</tt:Min><tt:Max>50</tt:Max></tt:Brightness>"),
              std::string::npos)
        << answer.envelope;
    EXPECT_DOUBLE_EQ(PictureOf(camera, 0).brightness, 0) << "the middle of the range leaves the picture alone";

    const auto set = [&](const std::string& settings) {
        return Ask(OnvifServiceKind::Imaging,
                   "<SetImagingSettings " + imaging + "<ImagingSettings>" + settings + "</ImagingSettings></SetImagingSettings>");
    };
    answer = set("<tt:Brightness>50</tt:Brightness><tt:IrCutFilter>OFF</tt:IrCutFilter>"
                 "<tt:Exposure><tt:Mode>MANUAL</tt:Mode></tt:Exposure>");
    EXPECT_EQ(answer.status, 200) << answer.envelope;
    EXPECT_EQ(answer.after, OnvifAfter::Restream);
    EXPECT_DOUBLE_EQ(PictureOf(camera, 0).brightness, 0.5);
    EXPECT_DOUBLE_EQ(PictureOf(camera, 1).brightness, 0.5) << "one video source under both profiles";

    const ImagingValues kept = camera.onvif.media.imaging;
    for (const char* wrong : {"<tt:Brightness>51</tt:Brightness>", "<tt:Contrast>-50.5</tt:Contrast>",
                              "<tt:Sharpness>nan</tt:Sharpness>", "<tt:IrCutFilter>MAYBE</tt:IrCutFilter>",
                              "<tt:WhiteBalance><tt:Mode>SUNNY</tt:Mode></tt:WhiteBalance>"}) {
        answer = set(std::string("<tt:ColorSaturation>-50</tt:ColorSaturation>") + wrong);
        EXPECT_NE(answer.envelope.find("ter:SettingsInvalid"), std::string::npos) << wrong;
        EXPECT_EQ(camera.onvif.media.imaging, kept) << wrong << ": nothing of a refused change is kept";
    }
    answer = Ask(OnvifServiceKind::Imaging, "<GetImagingSettings " + imaging + "</GetImagingSettings>");
    EXPECT_NE(answer.envelope.find("<tt:Brightness>50</tt:Brightness>"), std::string::npos);
    EXPECT_NE(answer.envelope.find("<tt:IrCutFilter>OFF</tt:IrCutFilter>"), std::string::npos);
    EXPECT_NE(answer.envelope.find("<tt:Exposure><tt:Mode>MANUAL</tt:Mode></tt:Exposure>"), std::string::npos);
}

TEST_F(OnvifMediaTest, OneTitleAndOneDateOsd)
{
    const auto osd = [](const std::string& action, const std::string& token, const std::string& text) {
        const std::string type = text.empty() ? "<tt:Type>DateAndTime</tt:Type>"
                                              : "<tt:Type>Plain</tt:Type><tt:PlainText>" + text + "</tt:PlainText>";
        return "<" + action + " xmlns=\"" + kMedia20 + "\"><OSD token=\"" + token +
               "\"><tt:VideoSourceConfigurationToken>vsc_1</tt:VideoSourceConfigurationToken><tt:Type>Text</tt:Type>"
               "<tt:Position><tt:Type>LowerRight</tt:Type></tt:Position><tt:TextString>" + type +
               "</tt:TextString></OSD></" + action + ">";
    };
    EXPECT_TRUE(PictureOf(camera, 0).showTitle);
    EXPECT_EQ(PictureOf(camera, 0).title, "Gate");
    EXPECT_NE(Ask(OnvifServiceKind::Media2, osd("CreateOSD", "", "Second")).envelope.find("ter:MaxOSDs"),
              std::string::npos);
    EXPECT_EQ(Ask(OnvifServiceKind::Media2, osd("SetOSD", "osd_1", "Lobby &amp; gate")).status, 200);
    EXPECT_EQ(PictureOf(camera, 0).title, "Lobby & gate");
    EXPECT_EQ(PictureOf(camera, 0).titlePosition, "LowerRight");
    EXPECT_NE(Ask(OnvifServiceKind::Media2, osd("SetOSD", "osd_1", "")).envelope.find("ter:ConfigModify"),
              std::string::npos)
        << "the title does not turn into the date";
    EXPECT_NE(Ask(OnvifServiceKind::Media2, osd("SetOSD", "osd_1", "bell&#7;")).envelope.find("ter:ConfigModify"),
              std::string::npos);
    EXPECT_EQ(PictureOf(camera, 0).title, "Lobby & gate");

    const std::string remove = std::string("<DeleteOSD xmlns=\"") + kMedia20 + "\"><OSDToken>osd_2</OSDToken></DeleteOSD>";
    EXPECT_EQ(Ask(OnvifServiceKind::Media2, remove).status, 200);
    EXPECT_FALSE(PictureOf(camera, 0).showDate);
    EXPECT_NE(Ask(OnvifServiceKind::Media2, remove).envelope.find("ter:NoConfig"), std::string::npos);
    const OnvifAnswer created = Ask(OnvifServiceKind::Media2, osd("CreateOSD", "", ""));
    EXPECT_NE(created.envelope.find("<tr2:OSDToken>osd_3</tr2:OSDToken>"), std::string::npos) << created.envelope;
    EXPECT_TRUE(PictureOf(camera, 0).showDate);
    EXPECT_EQ(PictureOf(camera, 0).datePosition, "LowerRight");
}

TEST_F(OnvifMediaTest, MediaTwoOnlyWhereTheSiteOffersIt)
{
    const std::string services = "<GetServices xmlns=\"http://www.onvif.org/ver10/device/wsdl\"/>";
    const std::string profiles = std::string("<GetProfiles xmlns=\"") + kMedia20 + "\"><Type>All</Type></GetProfiles>";
    EXPECT_NE(Ask(OnvifServiceKind::Device, services).envelope.find("/onvif/media2_service"), std::string::npos);
    const OnvifAnswer answer = Ask(OnvifServiceKind::Media2, profiles);
    EXPECT_NE(answer.envelope.find("<tr2:VideoEncoder token=\"vec_1\" GovLength=\"50\" Profile=\"Main\">"),
              std::string::npos)
        << answer.envelope;

    camera.sim.media2 = false;
    EXPECT_EQ(Ask(OnvifServiceKind::Device, services).envelope.find("/onvif/media2_service"), std::string::npos);
    EXPECT_NE(Ask(OnvifServiceKind::Device, services).envelope.find("/onvif/imaging_service"), std::string::npos);
    EXPECT_NE(Ask(OnvifServiceKind::Media2, profiles).envelope.find("ter:ActionNotSupported"), std::string::npos);
}

TEST(OnvifMediaPicture, TitlesAreDrawnAsTheyAreWritten)
{
    // A real snapshot through GStreamer, without the clock so that two
    // pictures with the same texts are the same.
    PictureSettings picture;
    picture.encoder.resolution = {320, 240};
    picture.showTitle = true;
    std::string why;
    const auto blank = SnapshotJpeg(picture, why);
    ASSERT_TRUE(blank) << why;
    ASSERT_GT(blank->size(), 4U);
    EXPECT_EQ(blank->substr(0, 2), "\xFF\xD8") << "a JPEG";
    picture.title = "R&D <lab>";
    const auto titled = SnapshotJpeg(picture, why);
    ASSERT_TRUE(titled) << why;
    EXPECT_TRUE(*titled != *blank) << "a title with & and < is drawn, not taken for broken markup";
}

TEST(OnvifMediaSite, MediaKeysOfTheSiteFile)
{
    std::vector<SimCamera> cameras(1);
    std::string error;
    ASSERT_TRUE(ApplyConfigText(R"({"cameras": [{"index": 0, "protocol": "onvif", "maker": "A", "rtspPort": 8554,
        "media2": false, "h265": true, "imagingRange": [-50, 50]}]})",
                                cameras, error))
        << error;
    EXPECT_EQ(cameras[0].rtspPort, 8554);
    EXPECT_FALSE(cameras[0].media2);
    EXPECT_TRUE(cameras[0].h265);
    const OnvifState state = InitialOnvifState(cameras[0]);
    EXPECT_EQ(state.rtspPort, 8554);
    EXPECT_EQ(OptionsOf(state.media, 0).encodings.back(), "H265");
    for (const char* bad : {R"({"cameras": [{"index": 0, "rtspPort": 0}]})",
                            R"({"cameras": [{"index": 0, "imagingRange": [50, 50]}]})",
                            R"({"cameras": [{"index": 0, "imagingRange": [0]}]})",
                            R"({"cameras": [{"index": 0, "media2": "no"}]})"}) {
        std::vector<SimCamera> fresh(1);
        EXPECT_FALSE(ApplyConfigText(bad, fresh, error)) << bad;
    }
}

} // namespace
} // namespace camsim
