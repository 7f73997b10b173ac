#include "OnvifMediaAnswers.h"

#include "OnvifImagingClient.h"
#include "OnvifMediaClient.h"
#include "SoapEnvelope.h"

#include <gtest/gtest.h>

namespace {

onvif::SoapAnswer Answer(const std::string& body)
{
    return onvif::ParseAnswer("<env:Envelope xmlns:env=\"http://www.w3.org/2003/05/soap-envelope\""
                              " xmlns:trt=\"http://www.onvif.org/ver10/media/wsdl\""
                              " xmlns:tr2=\"http://www.onvif.org/ver20/media/wsdl\""
                              " xmlns:timg=\"http://www.onvif.org/ver20/imaging/wsdl\""
                              " xmlns:tt=\"http://www.onvif.org/ver10/schema\"><env:Body>" +
                              body + "</env:Body></env:Envelope>");
}

std::string Repeated(const std::string& item, int times)
{
    std::string text;
    for (int i = 0; i < times; ++i) {
        text += item;
    }
    return text;
}

constexpr const char* kMedia2Encoder =
    "<tr2:VideoEncoder token=\"vec_1\" GovLength=\"50\" Profile=\"Main\"><tt:Name>MainStream</tt:Name>"
    "<tt:UseCount>1</tt:UseCount><tt:Encoding>H264</tt:Encoding><tt:Resolution><tt:Width>1920</tt:Width>"
    "<tt:Height>1080</tt:Height></tt:Resolution><tt:RateControl "
    "ConstantBitRate=\"true\"><tt:FrameRateLimit>25.0"
    "</tt:FrameRateLimit><tt:BitrateLimit>4096</tt:BitrateLimit></tt:RateControl><tt:Quality>5</tt:Quality>"
    "</tr2:VideoEncoder>";

} // namespace

// Media2 and Media ver10 answers as cameras write them, read into one shape.
TEST(OnvifMediaAnswersTest, ReadsProfilesConfigurationsAndOptionsOfBothMediaServices)
{
    onvif::SoapAnswer answer = Answer(
        std::string(
            "<tr2:GetProfilesResponse><tr2:Profiles token=\"profile_1\" fixed=\"true\"><tr2:Name>main"
            "</tr2:Name><tr2:Configurations><tr2:VideoSource token=\"vsc_1\"><tt:Name>src</tt:Name>"
            "<tt:UseCount>2</tt:UseCount><tt:SourceToken>video_source_1</tt:SourceToken><tt:Bounds x=\"0\""
            " y=\"0\" width=\"1920\" height=\"1080\"/></tr2:VideoSource>") +
        kMedia2Encoder + "</tr2:Configurations></tr2:Profiles></tr2:GetProfilesResponse>");
    std::vector<onvif::MediaProfile> profiles;
    ASSERT_TRUE(onvif::ReadProfiles(answer.body, true, profiles));
    ASSERT_EQ(profiles.size(), 1u);
    EXPECT_EQ(profiles[0].videoSourceToken, "video_source_1");
    EXPECT_EQ(profiles[0].videoSourceConfigToken, "vsc_1");
    ASSERT_TRUE(profiles[0].encoder);
    EXPECT_EQ(profiles[0].encoder->resolution, (onvif::VideoResolution{1920, 1080}));
    EXPECT_EQ(profiles[0].encoder->govLength, 50);
    EXPECT_EQ(profiles[0].encoder->constantBitRate, true);
    EXPECT_FLOAT_EQ(profiles[0].encoder->frameRateLimit, 25);

    answer = Answer(
        "<trt:GetVideoEncoderConfigurationResponse><trt:Configuration token=\"vec_2\"><tt:Name>sub"
        "</tt:Name><tt:UseCount>1</tt:UseCount><tt:Encoding>H264</tt:Encoding><tt:Resolution><tt:Width>"
        "640</tt:Width><tt:Height>480</tt:Height></tt:Resolution><tt:Quality>3.5</tt:Quality>"
        "<tt:RateControl><tt:FrameRateLimit>15</tt:FrameRateLimit><tt:EncodingInterval>1"
        "</tt:EncodingInterval><tt:BitrateLimit>512</tt:BitrateLimit></tt:RateControl><tt:H264>"
        "<tt:GovLength>30</tt:GovLength><tt:H264Profile>High</tt:H264Profile></tt:H264><tt:Multicast>"
        "<tt:Address><tt:Type>IPv4</tt:Type><tt:IPv4Address>239.1.1.1</tt:IPv4Address></tt:Address>"
        "<tt:Port>5000</tt:Port><tt:TTL>2</tt:TTL><tt:AutoStart>false</tt:AutoStart></tt:Multicast>"
        "<tt:SessionTimeout>PT30S</tt:SessionTimeout></trt:Configuration>"
        "</trt:GetVideoEncoderConfigurationResponse>");
    onvif::VideoEncoderConfig sub;
    ASSERT_TRUE(onvif::ReadVideoEncoderConfiguration(answer.body, sub));
    EXPECT_EQ(sub.govLength, 30);
    EXPECT_EQ(sub.profile, "High");
    EXPECT_FALSE(sub.constantBitRate) << "Media ver10 does not say";
    ASSERT_TRUE(sub.multicast);
    EXPECT_EQ(sub.multicast->address, "239.1.1.1");
    // Written back, what was read goes along unchanged.
    const std::string written = onvif::VideoEncoderConfigXml(sub, false);
    EXPECT_NE(written.find("<tt:IPv4Address>239.1.1.1</tt:IPv4Address></tt:Address><tt:Port>5000</tt:Port>"),
              std::string::npos);
    EXPECT_NE(written.find("<tt:SessionTimeout>PT30S</tt:SessionTimeout>"), std::string::npos);
    EXPECT_NE(written.find("<tt:H264Profile>High</tt:H264Profile>"), std::string::npos);

    answer =
        Answer("<trt:GetVideoEncoderConfigurationOptionsResponse><trt:Options><tt:QualityRange><tt:Min>1"
               "</tt:Min><tt:Max>10</tt:Max></tt:QualityRange><tt:JPEG><tt:ResolutionsAvailable><tt:Width>640"
               "</tt:Width><tt:Height>480</tt:Height></tt:ResolutionsAvailable><tt:FrameRateRange><tt:Min>1"
               "</tt:Min><tt:Max>15</tt:Max></tt:FrameRateRange></tt:JPEG><tt:H264><tt:ResolutionsAvailable>"
               "<tt:Width>1920</tt:Width><tt:Height>1080</tt:Height></tt:ResolutionsAvailable>"
               "<tt:GovLengthRange><tt:Min>1</tt:Min><tt:Max>120</tt:Max></tt:GovLengthRange>"
               "<tt:FrameRateRange><tt:Min>1</tt:Min><tt:Max>30</tt:Max></tt:FrameRateRange>"
               "<tt:H264ProfilesSupported>Main</tt:H264ProfilesSupported></tt:H264><tt:Extension><tt:H264>"
               "<tt:BitrateRange><tt:Min>64</tt:Min><tt:Max>16384</tt:Max></tt:BitrateRange></tt:H264>"
               "</tt:Extension></trt:Options></trt:GetVideoEncoderConfigurationOptionsResponse>");
    std::vector<onvif::VideoEncoderOptions> options;
    ASSERT_TRUE(onvif::ReadVideoEncoderOptions(answer.body, false, options));
    ASSERT_EQ(options.size(), 2u);
    EXPECT_EQ(options[1].encoding, "H264");
    ASSERT_TRUE(options[1].bitrate && options[1].govLength);
    EXPECT_FLOAT_EQ(options[1].bitrate->max, 16384);
    EXPECT_FALSE(options[0].bitrate) << "JPEG names no bit rate range";

    answer = Answer(
        "<tr2:GetVideoEncoderConfigurationOptionsResponse><tr2:Options GovLengthRange=\"1 120\""
        " FrameRatesSupported=\"30 25 15 5 1\" ProfilesSupported=\"Main High\""
        " ConstantBitRateSupported=\"true\"><tt:Encoding>H264</tt:Encoding><tt:QualityRange><tt:Min>1"
        "</tt:Min><tt:Max>10</tt:Max></tt:QualityRange><tt:ResolutionsAvailable><tt:Width>1280</tt:Width>"
        "<tt:Height>720</tt:Height></tt:ResolutionsAvailable><tt:BitrateRange><tt:Min>64</tt:Min><tt:Max>"
        "8192</tt:Max></tt:BitrateRange></tr2:Options></tr2:GetVideoEncoderConfigurationOptionsResponse>");
    ASSERT_TRUE(onvif::ReadVideoEncoderOptions(answer.body, true, options));
    ASSERT_EQ(options.size(), 1u);
    ASSERT_TRUE(options[0].frameRate);
    EXPECT_FLOAT_EQ(options[0].frameRate->min, 1);
    EXPECT_FLOAT_EQ(options[0].frameRate->max, 30);
    EXPECT_TRUE(options[0].constantBitRateSupported);
    EXPECT_EQ(options[0].profiles, (std::vector<std::string>{"Main", "High"}));

    std::string uri;
    ASSERT_TRUE(
        onvif::ReadMediaUri(Answer("<trt:GetStreamUriResponse><trt:MediaUri><tt:Uri>rtsp://10.0.0.5/s1"
                                   "</tt:Uri></trt:MediaUri></trt:GetStreamUriResponse>")
                                .body,
                            false, "GetStreamUriResponse", uri));
    EXPECT_EQ(uri, "rtsp://10.0.0.5/s1");
}

TEST(OnvifMediaAnswersTest, ReadsOnScreenTextsAndImaging)
{
    onvif::SoapAnswer answer = Answer(
        "<tr2:GetOSDsResponse><tr2:OSDs token=\"osd_1\"><tt:VideoSourceConfigurationToken>vsc_1"
        "</tt:VideoSourceConfigurationToken><tt:Type>Text</tt:Type><tt:Position><tt:Type>Custom</tt:Type>"
        "<tt:Pos x=\"0.5\" y=\"-0.8\"/></tt:Position><tt:TextString><tt:Type>Plain</tt:Type><tt:FontSize>32"
        "</tt:FontSize><tt:PlainText>Gate &amp; Hall</tt:PlainText></tt:TextString></tr2:OSDs>"
        "</tr2:GetOSDsResponse>");
    std::vector<onvif::OsdConfig> osds;
    ASSERT_TRUE(onvif::ReadOsds(answer.body, osds));
    ASSERT_EQ(osds.size(), 1u);
    EXPECT_EQ(osds[0].plainText, "Gate & Hall");
    EXPECT_FLOAT_EQ(osds[0].y, -0.8f);
    EXPECT_EQ(osds[0].fontSize, 32);

    answer = Answer(
        "<timg:GetImagingSettingsResponse><timg:ImagingSettings><tt:BacklightCompensation><tt:Mode>OFF"
        "</tt:Mode></tt:BacklightCompensation><tt:Brightness>62.5</tt:Brightness><tt:Exposure><tt:Mode>"
        "AUTO</tt:Mode><tt:MaxExposureTime>40000</tt:MaxExposureTime></tt:Exposure><tt:IrCutFilter>AUTO"
        "</tt:IrCutFilter><tt:WhiteBalance><tt:Mode>AUTO</tt:Mode></tt:WhiteBalance>"
        "</timg:ImagingSettings></timg:GetImagingSettingsResponse>");
    onvif::ImagingSettings settings;
    ASSERT_TRUE(onvif::ReadImagingSettings(answer.body, settings));
    EXPECT_EQ(settings.brightness, 62.5f);
    EXPECT_FALSE(settings.contrast);
    EXPECT_EQ(settings.irCutFilter, "AUTO");
    ASSERT_TRUE(settings.exposure);
    // Written back: what the camera has goes along, what it has not stays out.
    const std::string written = onvif::ImagingSettingsXml(settings);
    EXPECT_NE(written.find("<tt:MaxExposureTime>40000</tt:MaxExposureTime>"), std::string::npos);
    EXPECT_EQ(written.find("Contrast"), std::string::npos);

    answer = Answer(
        "<timg:GetOptionsResponse><timg:ImagingOptions><tt:Brightness><tt:Min>0</tt:Min><tt:Max>100"
        "</tt:Max></tt:Brightness><tt:IrCutFilterModes>ON</tt:IrCutFilterModes><tt:IrCutFilterModes>OFF"
        "</tt:IrCutFilterModes></timg:ImagingOptions></timg:GetOptionsResponse>");
    onvif::ImagingOptions options;
    ASSERT_TRUE(onvif::ReadImagingOptions(answer.body, options));
    ASSERT_TRUE(options.brightness);
    EXPECT_FLOAT_EQ(options.brightness->max, 100);
    EXPECT_EQ(options.irCutFilterModes, (std::vector<std::string>{"ON", "OFF"}));
}

// A fault, a wrong response or an answer past its bounds is refused whole,
// never half read.
TEST(OnvifMediaAnswersTest, RefusesFaultsWrongAndHostileAnswers)
{
    const onvif::SoapAnswer fault =
        Answer("<env:Fault><env:Code><env:Value>env:Sender</"
               "env:Value><env:Subcode><env:Value>ter:InvalidArgVal</env:Value>"
               "<env:Subcode><env:Value>ter:ConfigModify</env:Value></env:Subcode></env:Subcode></"
               "env:Code><env:Reason>"
               "<env:Text xml:lang=\"en\">Bitrate out of range</env:Text></env:Reason></env:Fault>");
    ASSERT_EQ(fault.status, onvif::SoapStatus::Fault);
    EXPECT_EQ(fault.fault.reason, "Bitrate out of range");

    std::vector<onvif::MediaProfile> profiles;
    EXPECT_FALSE(onvif::ReadProfiles(Answer("<tr2:GetOSDsResponse/>").body, true, profiles));
    const std::string profile =
        std::string("<tr2:Profiles token=\"p\"><tr2:Name>n</tr2:Name><tr2:Configurations>") + kMedia2Encoder +
        "</tr2:Configurations></tr2:Profiles>";
    EXPECT_TRUE(onvif::ReadProfiles(
        Answer("<tr2:GetProfilesResponse>" + Repeated(profile, 64) + "</tr2:GetProfilesResponse>").body, true,
        profiles));
    EXPECT_FALSE(onvif::ReadProfiles(
        Answer("<tr2:GetProfilesResponse>" + Repeated(profile, 65) + "</tr2:GetProfilesResponse>").body, true,
        profiles))
        << "more profiles than any camera has";

    std::string hostile = kMedia2Encoder;
    for (const auto& [from, to] : {std::pair{std::string("1920"), std::string("99999999")},
                                   {std::string("25.0"), std::string("nan")},
                                   {std::string("GovLength=\"50\""), std::string("GovLength=\"-5\"")},
                                   {std::string("4096"), std::string("4096 kbit")}}) {
        std::string body = hostile;
        body.replace(body.find(from), from.size(), to);
        EXPECT_FALSE(onvif::ReadProfiles(
            Answer("<tr2:GetProfilesResponse><tr2:Profiles token=\"p\"><tr2:Name>n"
                   "</tr2:Name><tr2:Configurations>" +
                   body + "</tr2:Configurations></tr2:Profiles></tr2:GetProfilesResponse>")
                .body,
            true, profiles))
            << to;
    }

    std::vector<onvif::VideoEncoderOptions> options;
    EXPECT_FALSE(onvif::ReadVideoEncoderOptions(
        Answer("<tr2:GetVideoEncoderConfigurationOptionsResponse><tr2:Options FrameRatesSupported=\"" +
               Repeated("1 ", 300) +
               "\"><tt:Encoding>H264</tt:Encoding></tr2:Options>"
               "</tr2:GetVideoEncoderConfigurationOptionsResponse>")
            .body,
        true, options))
        << "a list of rates past its bound";
    std::vector<onvif::OsdConfig> osds;
    EXPECT_FALSE(onvif::ReadOsds(
        Answer("<tr2:GetOSDsResponse><tr2:OSDs token=\"o\"><tt:VideoSourceConfigurationToken>v"
               "</tt:VideoSourceConfigurationToken><tt:Type>Text</tt:Type><tt:Position><tt:Type>UpperLeft</"
               "tt:Type>"
               "</tt:Position><tt:TextString><tt:Type>Plain</tt:Type><tt:PlainText>" +
               std::string(600, 'x') + "</tt:PlainText></tt:TextString></tr2:OSDs></tr2:GetOSDsResponse>")
            .body,
        osds))
        << "a text past its bound";
    onvif::ImagingOptions imaging;
    EXPECT_FALSE(
        onvif::ReadImagingOptions(Answer("<timg:GetOptionsResponse><timg:ImagingOptions><tt:Brightness><tt:"
                                         "Min>100</tt:Min><tt:Max>0</tt:Max>"
                                         "</tt:Brightness></timg:ImagingOptions></timg:GetOptionsResponse>")
                                      .body,
                                  imaging))
        << "a range upside down";
}
