#include "VideoChoices.h"
#include "VideoOptions.h"
#include "VideoParams.h"

#include <gtest/gtest.h>

namespace {
// The primary stream of an ONVIF camera as the lab's simulator offers it.
VideoStreamOptions OnvifPrimary()
{
    VideoStreamOptions options;
    options.codecs = {kWireCodecH264, kWireCodecMjpeg};
    options.frameSizes = {2, 5, 6}; // 1080P, 720P, D1
    options.minFrameRate = 1;
    options.maxFrameRate = 30;
    options.minBitRate = 64;
    options.maxBitRate = 16384;
    options.minIFrameInterval = 1;
    options.maxIFrameInterval = 120;
    return options;
}

VideoConfigRecord Primary(int codec, int size, int rate, int bitRate, int iFrame)
{
    VideoConfigRecord r{};
    r.stream = 1;
    r.codec = static_cast<uint8_t>(codec);
    r.frameSize = size;
    r.frameRate = rate;
    r.bitRate = bitRate;
    r.iFrameInterval = iFrame;
    return r;
}
} // namespace

// The family's lists by class, kind and mains, as the page offers them.
TEST(VideoOptions, FamilyOptionsAreTheClassLists)
{
    const VideoStreamOptions hd720 = FamilyVideoOptions("VT-C6904", 1, 50);
    EXPECT_EQ(hd720.codecs, (std::vector<int>{kCodecH264, kCodecMpeg4, kCodecMjpeg}));
    EXPECT_EQ(hd720.frameSizes, PrimarySizes(CapabilityClass::Hd720, kCodecH264));
    EXPECT_EQ(hd720.maxFrameRate, 25);
    EXPECT_EQ(hd720.minBitRate, 16);
    EXPECT_EQ(hd720.maxBitRate, 16384);
    EXPECT_EQ(hd720.maxIFrameInterval, 60);
    const VideoStreamOptions aSecondary = FamilyVideoOptions("VT-C6121A", 0, 60);
    EXPECT_EQ(aSecondary.codecs, (std::vector<int>{kCodecH264, kCodecMjpeg}));
    EXPECT_EQ(aSecondary.frameSizes, SecondarySizes(true));
    EXPECT_EQ(aSecondary.maxFrameRate, 30);
    EXPECT_EQ(aSecondary.maxBitRate, 2048);
}

// A mixed batch offers what every camera takes: the family's 720P class
// and an ONVIF camera share H.264 and MJPEG at 720P and D1, 25 fps at
// 50 Hz, 64 to 16384 kbit/s and an interval of 1 to 60; H.265 only when
// every camera offers it.
TEST(VideoOptions, ABatchOffersWhatEveryCameraTakes)
{
    VideoStreamOptions onvif = OnvifPrimary();
    onvif.codecs.push_back(kWireCodecH265);
    const VideoStreamOptions common = CommonVideoOptions({FamilyVideoOptions("VT-C6904", 1, 50), onvif});
    EXPECT_EQ(common.codecs, (std::vector<int>{kCodecH264, kCodecMjpeg}));
    EXPECT_EQ(common.frameSizes, (std::vector<int>{5, 6}));
    EXPECT_EQ(common.minFrameRate, 1);
    EXPECT_EQ(common.maxFrameRate, 25);
    EXPECT_EQ(common.minBitRate, 64);
    EXPECT_EQ(common.maxBitRate, 16384);
    EXPECT_EQ(common.minIFrameInterval, 1);
    EXPECT_EQ(common.maxIFrameInterval, 60);
    EXPECT_EQ(WithinRange(PrimaryBitRates(false), common.minBitRate, 1024),
              (std::vector<int>{64, 128, 256, 512, 1024}));

    VideoStreamOptions other = OnvifPrimary();
    other.codecs = {kWireCodecH265, kWireCodecH264};
    other.rateControlChoice = false;
    EXPECT_EQ(CommonVideoOptions({onvif, other}).codecs, (std::vector<int>{kCodecH264, kCodecH265}));
    EXPECT_FALSE(CommonVideoOptions({onvif, other}).rateControlChoice);

    // Cameras that share no rate leave an empty range, never a made-up one.
    other.minFrameRate = 26;
    other.maxFrameRate = 60;
    const VideoStreamOptions disjoint = CommonVideoOptions({FamilyVideoOptions("VT-C6904", 1, 50), other});
    EXPECT_GT(disjoint.minFrameRate, disjoint.maxFrameRate);
    EXPECT_EQ(disjoint.codecs, std::vector<int>{kCodecH264});
}

// The apply refuses a value the camera does not offer, naming the first one.
TEST(VideoOptions, ARecordOutsideTheOptionsNamesItsValue)
{
    const VideoStreamOptions onvif = OnvifPrimary();
    EXPECT_EQ(StreamOutsideOptions(Primary(kCodecH264, 5, 25, 4096, 50), onvif).key, 0u);
    const VideoOptionProblem codec = StreamOutsideOptions(Primary(kCodecMpeg4, 5, 25, 4096, 50), onvif);
    EXPECT_EQ(codec.key, 88200u);
    EXPECT_EQ(VideoOptionProblemText(codec), L"The camera does not offer the codec MPEG4.");
    const VideoOptionProblem size = StreamOutsideOptions(Primary(kCodecH264, 0, 25, 4096, 50), onvif);
    EXPECT_EQ(VideoOptionProblemText(size), L"The camera does not offer the frame size 5M(2560*1920).");
    EXPECT_EQ(StreamOutsideOptions(Primary(kCodecH264, 5, 31, 4096, 50), onvif).key, 88202u);
    EXPECT_EQ(VideoOptionProblemText(StreamOutsideOptions(Primary(kCodecH264, 5, 25, 32, 50), onvif)),
              L"The camera takes a bit rate of 64 to 16384 kbit/s, not 32.");
    EXPECT_EQ(StreamOutsideOptions(Primary(kCodecH264, 5, 25, 4096, 121), onvif).key, 88204u);
}

// The page's lists: a family camera's without bounds are the class rules';
// another maker's start from every known value, never the A-model rules.
TEST(VideoOptions, TheListsOfTheCameraShown)
{
    VideoChoices family;
    family.SetModel("VT-C6121A");
    EXPECT_EQ(family.Codecs(1), CodecChoices(true));
    EXPECT_EQ(family.SecondarySizes(), SecondarySizes(true));
    EXPECT_EQ(family.ShownCodec(1), kCodecMjpeg) << "an A model calls MJPEG 1";
    EXPECT_EQ(family.FrameRates(1, 25).size(), 25u);
    EXPECT_EQ(family.IFrame(1, 90), 60);

    VideoStreamOptions secondary = OnvifPrimary();
    secondary.codecs = {kWireCodecH264, kWireCodecH265};
    secondary.frameSizes = {0, 2, 3};
    secondary.minFrameRate = 5;
    secondary.minIFrameInterval = 10;
    VideoChoices onvif;
    onvif.Set("XK-200A", false, OnvifPrimary(), secondary);
    EXPECT_FALSE(onvif.AModel());
    EXPECT_EQ(onvif.Codecs(0), (std::vector<int>{kCodecH264, kCodecH265}));
    EXPECT_EQ(onvif.SecondaryCodecs({kCodecH264, kCodecMpeg4}), onvif.Codecs(0)) << "no MJPEG rule of the family";
    EXPECT_EQ(onvif.ShownCodec(kCodecH265), kCodecH265);
    EXPECT_EQ(onvif.SecondarySizes(), (std::vector<int>{0, 2, 3}));
    EXPECT_EQ(onvif.FrameRates(0, 30).front(), 5);
    EXPECT_EQ(onvif.BitRates(1, {16, 32}).front(), 64) << "the whole primary list within the camera's range";
    EXPECT_EQ(onvif.IFrame(0, 3), 10);
}
