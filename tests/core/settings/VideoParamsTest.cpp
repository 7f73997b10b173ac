#include "VideoParams.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {
std::vector<int> Range(int first, int last)
{
    std::vector<int> values;
    for (int v = first; v <= last; ++v) {
        values.push_back(v);
    }
    return values;
}

RateRuleInput Input(int codec, int size, bool aModel = false)
{
    RateRuleInput in;
    in.aModel = aModel;
    in.primaryCodec = codec;
    in.primarySize = size;
    in.storedPrimaryRate = 25;
    in.storedPrimaryBitRate = 4096;
    in.storedSecondaryRate = 25;
    in.storedSecondaryCodec = kCodecH264;
    in.secondaryCodecCount = aModel ? 2 : 3;
    return in;
}
} // namespace

TEST(VideoParams, PrimarySizesFollowClassAndCodec)
{
    // "VT-C" models of each class, and a model text without a number.
    const CapabilityClass mp5 = CapabilityClassOfModel("IPCAM");
    ASSERT_EQ(mp5, CapabilityClass::Mp5);
    EXPECT_EQ(PrimarySizes(mp5, kCodecH264), Range(0, 6));
    EXPECT_EQ(PrimarySizes(mp5, kCodecMjpeg), Range(1, 6)) << "no 5M for MJPEG";
    EXPECT_EQ(PrimarySizes(mp5, kCodecMpeg4), Range(2, 6)) << "no 5M and no 3M for MPEG4";
    EXPECT_EQ(PrimarySizes(CapabilityClass::Mp3, kCodecH264), Range(1, 6));
    EXPECT_EQ(PrimarySizes(CapabilityClass::Mp3, kCodecMjpeg), Range(1, 6));
    EXPECT_EQ(PrimarySizes(CapabilityClass::Mp3, kCodecMpeg4), Range(2, 6));
    for (int codec : {kCodecH264, kCodecMpeg4, kCodecMjpeg}) {
        EXPECT_EQ(PrimarySizes(CapabilityClass::Hd1080, codec), Range(2, 6));
        EXPECT_EQ(PrimarySizes(CapabilityClass::Mp13, codec), Range(4, 6));
        EXPECT_EQ(PrimarySizes(CapabilityClass::Hd720, codec), Range(5, 6));
    }
    EXPECT_EQ(PrimarySizes(CapabilityClassOfModel("VT-C6121"), kCodecH264), Range(2, 6));
    EXPECT_EQ(PrimarySizes(CapabilityClassOfModel("VT-C2900"), kCodecH264), Range(5, 6));
}

TEST(VideoParams, SizeCaptionsAndCodesRoundTrip)
{
    for (int code = 0; code < 7; ++code) {
        EXPECT_EQ(PrimarySizeCodeOfCaption(PrimarySizeCaption(code)), code);
    }
    EXPECT_STREQ(PrimarySizeCaption(0), "5M(2560*1920)");
    EXPECT_STREQ(PrimarySizeCaption(6), "D1(704*576)");
    EXPECT_EQ(PrimarySizeCodeOfCaption(""), kPrimarySize720P);
    EXPECT_EQ(PrimarySizeCodeOfCaption("4K"), kPrimarySize720P);

    EXPECT_EQ(SecondarySizes(false), std::vector<int>({0, 1, 3, 4}));
    EXPECT_EQ(SecondarySizes(true), std::vector<int>({0, 1, 2, 3, 4})) << "352*288 for A models";
    for (bool aModel : {false, true}) {
        const std::vector<int> codes = SecondarySizes(aModel);
        for (int code : codes) {
            const int entry = SecondarySizeEntry(code, aModel);
            EXPECT_EQ(codes[static_cast<std::size_t>(entry)], code);
        }
    }
    // An ordinary camera reporting 352*288 (or garbage) shows 320*240.
    EXPECT_EQ(SecondarySizeEntry(2, false), 2);
    EXPECT_STREQ(SecondarySizeCaption(SecondarySizes(false)[2]), "320*240");
    EXPECT_EQ(SecondarySizeEntry(17, false), 2);
    EXPECT_EQ(SecondarySizeEntry(-1, true), 3);
}

TEST(VideoParams, AModelsNumberCodecsWithoutMpeg4)
{
    EXPECT_EQ(CodecChoices(false), std::vector<int>({kCodecH264, kCodecMpeg4, kCodecMjpeg}));
    EXPECT_EQ(CodecChoices(true), std::vector<int>({kCodecH264, kCodecMjpeg}));
    EXPECT_EQ(CodecOfEntry(1, true), kCodecMjpeg);
    EXPECT_EQ(CodecOfEntry(1, false), kCodecMpeg4);
    EXPECT_EQ(CodecOfEntry(2, true), -1);
    EXPECT_EQ(WireCodec(kCodecMjpeg, true), 1);
    EXPECT_EQ(WireCodec(kCodecH264, true), 0);
    EXPECT_EQ(WireCodec(kCodecMpeg4, true), 0) << "an A model has no MPEG4";
    for (int codec : {kCodecH264, kCodecMpeg4, kCodecMjpeg}) {
        EXPECT_EQ(WireCodec(codec, false), codec);
    }
    // The list entry of what a camera reports.
    EXPECT_EQ(EntryOfWireCodec(1, 2), 1);
    EXPECT_EQ(EntryOfWireCodec(2, 2), 0) << "codec 2 on a two-entry list";
    EXPECT_EQ(EntryOfWireCodec(2, 3), 2);
    EXPECT_EQ(EntryOfWireCodec(200, 3), 0);
}

TEST(VideoParams, FiveMegapixelFixesTheRateAndSwitchesTheSecondaryOff)
{
    const RateRuleOutcome out = ApplyRateRules(Input(kCodecH264, kPrimarySize5M));
    EXPECT_EQ(out.primaryMaxRate, 8);
    EXPECT_EQ(out.primaryRate, 8);
    EXPECT_EQ(out.primaryBitRates.back(), 6144);
    EXPECT_EQ(out.primaryBitRates.size(), 13U);
    EXPECT_EQ(out.primaryBitRate, 4096);
    EXPECT_TRUE(out.secondaryForcedOff);
    EXPECT_TRUE(out.primaryRatesEnabled);
}

TEST(VideoParams, ThreeMegapixelMjpegCapsRateAndBitRate)
{
    RateRuleInput in = Input(kCodecMjpeg, kPrimarySize3M);
    in.storedPrimaryRate = 25;
    in.storedSecondaryCodec = kCodecMjpeg;
    const RateRuleOutcome out = ApplyRateRules(in);
    EXPECT_EQ(out.primaryMaxRate, 20);
    EXPECT_EQ(out.primaryRate, 20) << "25 is not offered, so the maximum";
    EXPECT_EQ(out.primaryBitRate, 2048);
    EXPECT_FALSE(out.primaryRatesEnabled);
    EXPECT_FALSE(out.secondaryForcedOff);
    // Not both streams MJPEG on an ordinary camera.
    EXPECT_EQ(out.secondaryCodecs, std::vector<int>({kCodecH264, kCodecMpeg4}));
    EXPECT_EQ(out.secondaryCodecEntry, 0);
    EXPECT_TRUE(out.rebuildSecondarySizes);

    in.storedSecondaryCodec = kCodecMpeg4;
    EXPECT_EQ(ApplyRateRules(in).secondaryCodecEntry, 1);
}

TEST(VideoParams, PowerLineFrequencySetsTheHighestRate)
{
    for (int frequency : {60, 0}) {
        RateRuleInput in = Input(kCodecH264, kPrimarySize720P);
        in.powerFrequency = frequency;
        in.storedPrimaryRate = 30;
        in.storedSecondaryRate = 30;
        const RateRuleOutcome out = ApplyRateRules(in);
        EXPECT_EQ(out.primaryMaxRate, 30) << frequency;
        EXPECT_EQ(out.primaryRate, 30);
        EXPECT_EQ(out.secondaryRateCount, 30);
        EXPECT_EQ(out.secondaryRate, 30);
    }
    RateRuleInput in = Input(kCodecH264, kPrimarySize720P);
    in.storedPrimaryRate = 30;
    in.storedSecondaryRate = 30;
    const RateRuleOutcome out = ApplyRateRules(in);
    EXPECT_EQ(out.primaryMaxRate, 25);
    EXPECT_EQ(out.primaryRate, 25);
    EXPECT_EQ(out.secondaryRateCount, 25);
    EXPECT_EQ(out.secondaryRate, 25);
    in.storedPrimaryRate = 12;
    in.storedSecondaryRate = 15;
    EXPECT_EQ(ApplyRateRules(in).primaryRate, 12);
    EXPECT_EQ(ApplyRateRules(in).secondaryRate, 15);
}

TEST(VideoParams, BitRateSelectionAndItsFallbacks)
{
    RateRuleInput in = Input(kCodecH264, kPrimarySize3M);
    in.storedPrimaryBitRate = 8192;
    EXPECT_EQ(ApplyRateRules(in).primaryBitRate, 0) << "above the cap nothing is selected";
    StreamForm form;
    form.size = kPrimarySize3M;
    form.bitRateText = "";
    form.rateText = "20";
    form.iFrame = 20;
    EXPECT_EQ(BuildPrimaryRecord(form).bitRate, 2048) << "so the save sends 2048";

    in = Input(kCodecH264, kPrimarySize720P);
    in.storedPrimaryBitRate = 8192;
    EXPECT_EQ(ApplyRateRules(in).primaryBitRate, 8192);
    EXPECT_EQ(ApplyRateRules(in).primaryBitRates.size(), 19U);
    in.storedPrimaryBitRate = 3000;
    EXPECT_EQ(ApplyRateRules(in).primaryBitRate, 4096);

    EXPECT_EQ(SecondaryBitRates(false).back(), 1024);
    EXPECT_EQ(SecondaryBitRates(true).back(), 2048);
    EXPECT_EQ(SecondaryBitRates(true).size(), 11U);
}

TEST(VideoParams, MjpegPrimaryOnAModelsLeavesTheSecondaryAlone)
{
    RateRuleInput in = Input(kCodecMjpeg, kPrimarySize720P, true);
    in.storedPrimaryBitRate = 8192;
    in.secondaryCodecEntry = 1;
    const RateRuleOutcome out = ApplyRateRules(in);
    EXPECT_EQ(out.secondaryCodecs, std::vector<int>({kCodecH264, kCodecMjpeg}));
    EXPECT_EQ(out.secondaryCodecEntry, 1);
    EXPECT_FALSE(out.rebuildSecondarySizes);
    EXPECT_EQ(out.primaryBitRate, 8192);
    EXPECT_FALSE(out.primaryRatesEnabled);
}

TEST(VideoParams, LeavingMjpegGivesTheSecondaryAllCodecsBack)
{
    RateRuleInput in = Input(kCodecH264, kPrimarySize720P);
    in.secondaryCodecCount = 2;
    in.storedSecondaryCodec = kCodecMjpeg;
    const RateRuleOutcome out = ApplyRateRules(in);
    EXPECT_EQ(out.secondaryCodecs, CodecChoices(false));
    EXPECT_EQ(out.secondaryCodecEntry, 2);
    EXPECT_TRUE(out.rebuildSecondarySizes);

    in.secondaryCodecCount = 3;
    in.secondaryCodecEntry = 1;
    EXPECT_EQ(ApplyRateRules(in).secondaryCodecEntry, 1) << "the operator's choice stays";
}

TEST(VideoParams, IFrameIntervalStaysWithinOneToSixty)
{
    EXPECT_EQ(ClampIFrame(0), 1);
    EXPECT_EQ(ClampIFrame(-5), 1);
    EXPECT_EQ(ClampIFrame(75), 60);
    EXPECT_EQ(ClampIFrame(30), 30);
    StreamForm form;
    form.iFrame = 0;
    EXPECT_EQ(BuildSecondaryRecord(form).iFrameInterval, 1) << "a save before the clock tick";

    // The box as the save reads it.
    EXPECT_EQ(ReadIFrameBox("", true, 20).problem, 90025U);
    EXPECT_EQ(ReadIFrameBox("  ", true, 20).problem, 90025U);
    const IFrameEntry locked = ReadIFrameBox("", false, 20);
    EXPECT_EQ(locked.problem, 0U);
    EXPECT_EQ(locked.value, 20) << "a locked empty box sends what was read";
    EXPECT_EQ(ReadIFrameBox("75", true, 20).value, 60);
    EXPECT_EQ(ReadIFrameBox("0", true, 20).value, 1);
    EXPECT_EQ(ReadIFrameBox("12", false, 20).value, 12);
}

TEST(VideoParams, AnMjpegSecondaryGoesAtItsOwnRates)
{
    for (const bool on : {true, false}) {
        const SecondaryRates mjpeg = SecondaryRatesOf(kCodecMjpeg, on);
        EXPECT_FALSE(mjpeg.editable);
        EXPECT_EQ(mjpeg.bitRate, std::optional<int>(kDefaultSecondaryBitRate));
        EXPECT_EQ(mjpeg.rateControl, std::optional<int>(0));
    }
    for (const int codec : {kCodecH264, kCodecMpeg4}) {
        EXPECT_TRUE(SecondaryRatesOf(codec, true).editable);
        EXPECT_FALSE(SecondaryRatesOf(codec, false).editable) << "a stream that is off takes nothing";
        EXPECT_EQ(SecondaryRatesOf(codec, true).bitRate, std::nullopt);
        EXPECT_EQ(SecondaryRatesOf(codec, true).rateControl, std::nullopt);
    }
}

TEST(VideoParams, TitleCheck)
{
    EXPECT_EQ(VideoTitleProblem(L"   "), 90037U);
    EXPECT_EQ(VideoTitleProblem(L""), 90037U);
    for (wchar_t c : std::wstring(L"&/\\:*?'\"<>|%")) {
        EXPECT_EQ(VideoTitleProblem(std::wstring(L"Gate") + c), 90038U) << static_cast<char>(c);
    }
    EXPECT_EQ(VideoTitleProblem(L" Gate 1 "), 0U);
    EXPECT_EQ(VideoTitleProblem(L"\u5927\u95e8"), 0U);
}

TEST(VideoParams, StreamRecordsFromTheShownValues)
{
    StreamForm primary;
    primary.secondaryEnabled = true;
    primary.codec = kCodecMjpeg;
    primary.size = 2;
    primary.rateText = "15";
    primary.bitRateText = "6144";
    primary.rateControl = 0;
    primary.iFrame = 40;
    VideoConfigRecord r = BuildPrimaryRecord(primary);
    unsigned char bytes[28];
    std::memcpy(bytes, &r, sizeof bytes);
    EXPECT_EQ(bytes[0], 1) << "primary";
    EXPECT_EQ(bytes[1], 1);
    EXPECT_EQ(bytes[2], kCodecMjpeg) << "in the page's numbering; an A model's comes per camera";
    EXPECT_EQ(bytes[3], 0);
    int32_t words[6];
    std::memcpy(words, bytes + 4, 12);
    std::memcpy(words + 3, bytes + 20, 8);
    EXPECT_EQ(words[0], 2);
    EXPECT_EQ(words[1], 15);
    EXPECT_EQ(words[2], 6144);
    EXPECT_EQ(bytes[16], 0) << "CBR";
    EXPECT_EQ(words[3], 40);
    EXPECT_EQ(words[4], 0) << "offset 24 is the camera's, filled in per camera";
    primary.size = -1;
    EXPECT_EQ(BuildPrimaryRecord(primary).frameSize, kPrimarySize720P) << "no size shown";

    StreamForm secondary;
    secondary.codec = kCodecMjpeg;
    secondary.size = 3;
    secondary.rateText = "";
    secondary.bitRateText = "0";
    secondary.iFrame = 30;
    r = BuildSecondaryRecord(secondary);
    EXPECT_EQ(r.stream, 0);
    EXPECT_EQ(r.secondaryEnabled, 0);
    EXPECT_EQ(r.codec, kCodecMjpeg);
    EXPECT_EQ(r.frameSize, 3);
    EXPECT_EQ(r.frameRate, 8);
    EXPECT_EQ(r.bitRate, 512);
    secondary.size = -1;
    EXPECT_EQ(BuildSecondaryRecord(secondary).frameSize, 0);
}

TEST(VideoParams, EachCameraKeepsItsOwnOffset24AndNumbering)
{
    VideoConfigRecord current{};
    current.profile = 0x1234;
    VideoConfigRecord page{};
    page.stream = 1;
    page.codec = kCodecMjpeg;
    page.profile = 77;
    EXPECT_EQ(PrimaryForCamera(page, current, false).profile, 0x1234);
    EXPECT_EQ(PrimaryForCamera(page, current, false).codec, kCodecMjpeg);
    EXPECT_EQ(PrimaryForCamera(page, current, true).codec, 1);

    VideoConfigRecord secondary{};
    secondary.codec = kCodecMjpeg;
    secondary.frameSize = 2;
    VideoConfigRecord sent = SecondaryForCamera(secondary, current, kCodecMjpeg, false);
    EXPECT_EQ(sent.profile, 0x1234);
    EXPECT_EQ(sent.codec, kCodecH264) << "not both MJPEG";
    EXPECT_EQ(sent.frameSize, 3);
    sent = SecondaryForCamera(secondary, current, kCodecH264, false);
    EXPECT_EQ(sent.codec, kCodecMjpeg);
    EXPECT_EQ(sent.frameSize, 3) << "352*288 is for A models only";
    sent = SecondaryForCamera(secondary, current, kCodecMjpeg, true);
    EXPECT_EQ(sent.codec, 1);
    EXPECT_EQ(sent.frameSize, 2);
}

TEST(VideoParams, OsdRecordLayout)
{
    OsdForm form;
    form.showTitle = true;
    form.showTime = false;
    form.title = L"  Gate 1 ";
    form.titlePosition = 1;
    form.datePosition = 3;
    form.dateFormat = 2;
    const OsdRecord r = BuildOsdRecord(form);
    unsigned char bytes[101];
    std::memcpy(bytes, &r, sizeof bytes);
    EXPECT_EQ(bytes[0], 1);
    EXPECT_EQ(bytes[1], 0);
    EXPECT_STREQ(reinterpret_cast<const char*>(bytes + 2), "Gate 1");
    EXPECT_EQ(bytes[98], 1);
    EXPECT_EQ(bytes[99], 3);
    EXPECT_EQ(bytes[100], 2);
}
