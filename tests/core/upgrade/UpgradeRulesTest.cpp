// The rules of the batch upgrade page: image names, the model match, the
// firmware family filter, the image size limit and the progress bar.
#include "UpgradeProgress.h"
#include "UpgradeRules.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

std::optional<ImageName> Image(const char* path)
{
    return ParseImageName(ImageFileName(path));
}

bool Fits(const char* path, std::vector<CameraModel> cameras)
{
    return ImageMatchesCameras(Image(path), cameras);
}

// The positions a run of `cameras` logged-in jobs passes through, from the
// start through every result.
std::vector<int> Positions(bool ticked, int cameras)
{
    UpgradeProgress progress;
    progress.Begin(ticked);
    std::vector<int> positions;
    for (int i = 0; i < cameras; ++i) {
        progress.JobStarted();
    }
    positions.push_back(progress.Position());
    for (int i = 0; i < cameras; ++i) {
        EXPECT_TRUE(progress.Visible()) << "before result " << i;
        progress.JobFinished();
        positions.push_back(progress.Position());
    }
    EXPECT_FALSE(progress.Visible());
    EXPECT_TRUE(progress.AllFinished());
    return positions;
}

} // namespace

TEST(UpgradeImageName, KindPlatformAndSensorComeFromTheNamePart)
{
    const ImageName firmware = ParseImageName(ImageFileName("/srv/images/cam_VTFImage_15_12.2.0.7.bin"));
    EXPECT_EQ(firmware.kind, ImageKind::Firmware);
    EXPECT_EQ(firmware.platform, '1');
    EXPECT_EQ(firmware.sensor, '5');
    const ImageName kernel = ParseImageName(ImageFileName("C:\\images\\KImage_2.bin"));
    EXPECT_EQ(kernel.kind, ImageKind::Kernel);
    EXPECT_EQ(kernel.platform, '2');
    // The folder does not count: only the file's own name carries the mark.
    EXPECT_EQ(ParseImageName(ImageFileName("/srv/VTFImage_15/plain.bin")).kind, ImageKind::None);
    EXPECT_EQ(ParseImageName("firmware.bin").kind, ImageKind::None);
    // A mark at the very end leaves no platform to match.
    const ImageName bare = ParseImageName("VTFImage_");
    EXPECT_EQ(bare.kind, ImageKind::Firmware);
    EXPECT_EQ(bare.platform, '\0');
    EXPECT_FALSE(Fits("VTFImage_", {{"VT-C2150", "12.1.0.4"}}));
}

TEST(UpgradeModelMatch, PlatformOneFitsThousandsDigitTwoAndPlatformThreeOnlyAModels)
{
    EXPECT_TRUE(Fits("VTFImage_15_x.bin", {{"VT-C2150", "12.1.0.4"}}));
    EXPECT_FALSE(Fits("VTFImage_15_x.bin", {{"VT-C3150", "12.1.0.4"}}));
    EXPECT_FALSE(Fits("VTFImage_15_x.bin", {{"VT-C2150A", "12.1.0.4"}})) << "an A model never takes P 1";
    EXPECT_TRUE(Fits("VTFImage_39_x.bin", {{"VT-C3190A", "31.1.0.1"}}));
    EXPECT_TRUE(Fits("VTFImage_39_x.bin", {{"VT-C9990A", "31.1.0.1"}})) << "P 3 looks at nothing but the A";
    EXPECT_FALSE(Fits("VTFImage_39_x.bin", {{"VT-C4190", "31.1.0.1"}}));
    EXPECT_TRUE(Fits("KImage_1.bin", {{"VT-C2690", "12.1.0.4"}}));
    EXPECT_FALSE(Fits("KImage_1.bin", {{"VT-C2690A", "12.1.0.4"}}));
    EXPECT_TRUE(Fits("KImage_3.bin", {{"VT-C2690A", "12.1.0.4"}}));
    EXPECT_FALSE(Fits("VTFImage_15_x.bin", {{"", "12.1.0.4"}})) << "no model, no match";
}

TEST(UpgradeModelMatch, SensorTableAndSensorZeroSkipsTheFamilyCheck)
{
    const char* sensors = "1234567";
    const char* hundreds = "6349125";
    for (int i = 0; i < 7; ++i) {
        const std::string name = std::string("VTFImage_1") + sensors[i] + ".bin";
        const std::string fitting = std::string("VT-C2") + hundreds[i] + "50";
        const std::string other = std::string("VT-C2") + (hundreds[i] == '7' ? '8' : '7') + "50";
        EXPECT_TRUE(Fits(name.c_str(), {{fitting, "12.1"}})) << name;
        EXPECT_FALSE(Fits(name.c_str(), {{other, "12.1"}})) << name;
    }
    EXPECT_TRUE(Fits("VTFImage_19.bin", {{"VT-C2750", "12.1"}})) << "an unknown sensor takes any hundreds";

    // Two ticked cameras of different families: refused unless S is 0.
    const std::vector<CameraModel> mixed = {{"VT-C2150", "12.1.0.4"}, {"VT-C2350", "22.0.1.1"}};
    EXPECT_TRUE(Fits("VTFImage_10_x.bin", mixed));
    EXPECT_FALSE(Fits("VTFImage_19_x.bin", mixed));
    EXPECT_FALSE(Fits("KImage_1.bin", mixed));
    // S 0 still wants the platform of every camera.
    EXPECT_FALSE(Fits("VTFImage_10_x.bin", {{"VT-C2150", "12.1"}, {"VT-C3150", "12.1"}}));
    // The first mismatch in list order decides, whichever camera it is.
    EXPECT_FALSE(Fits("VTFImage_15_x.bin", {{"VT-C2150", "12.1"}, {"VT-C2650", "12.1"}}));
}

TEST(UpgradeModelMatch, WithoutAnImageOnlyTheFamiliesAreCompared)
{
    EXPECT_TRUE(ImageMatchesCameras(std::nullopt, {{"", "12.1"}, {"VT-C9999A", "15.3"}}));
    EXPECT_FALSE(ImageMatchesCameras(std::nullopt, {{"VT-C2150", "12.1"}, {"VT-C2150", "22.1"}}));
    EXPECT_TRUE(ImageMatchesCameras(std::nullopt, {{"VT-C2150", "22.1"}}));
    EXPECT_TRUE(ImageMatchesCameras(std::nullopt, {}));
    // A file that is no image counts as no file.
    EXPECT_TRUE(Fits("/tmp/notes.txt", {{"", "12.1"}}));
}

TEST(UpgradeModelMatch, ReferenceCameraVerdicts)
{
    const ImageName firmware = ParseImageName("VTFImage_15_12.2.bin");
    EXPECT_EQ(CheckReferenceCamera(firmware, "VT-C2150"), ReferenceVerdict::Fits);
    EXPECT_EQ(CheckReferenceCamera(firmware, "VT-C2250"), ReferenceVerdict::Sensor);
    EXPECT_EQ(CheckReferenceCamera(firmware, "VT-C3150"), ReferenceVerdict::Platform);
    EXPECT_EQ(CheckReferenceCamera(firmware, "VT-C2150A"), ReferenceVerdict::Platform);
    EXPECT_EQ(CheckReferenceCamera(firmware, ""), ReferenceVerdict::NoModel);
    EXPECT_EQ(CheckReferenceCamera(ParseImageName("VTFImage_30.bin"), "VT-C3190A"), ReferenceVerdict::Fits);
    EXPECT_EQ(CheckReferenceCamera(ParseImageName("VTFImage_30.bin"), "VT-C4190"), ReferenceVerdict::Platform);
    const ImageName kernel = ParseImageName("KImage_1.bin");
    EXPECT_EQ(CheckReferenceCamera(kernel, "VT-C2650"), ReferenceVerdict::Fits);
    EXPECT_EQ(CheckReferenceCamera(kernel, "VT-C4650"), ReferenceVerdict::Platform);
    EXPECT_EQ(CheckReferenceCamera(kernel, "VT-C2650A"), ReferenceVerdict::KernelForAModel);
    EXPECT_EQ(CheckReferenceCamera(ParseImageName("KImage_3.bin"), "VT-C3190A"),
              ReferenceVerdict::KernelForAModel);
}

TEST(UpgradeFamilyFilter, FamiliesAndTheFiltersThatListThem)
{
    const std::vector<std::pair<const char*, int>> families = {
        {"10.1.0.1", 1}, {"13.0.0.1", 1}, {"1", 1},     {"11.2.0.1", 2}, {"12.1.0.4", 3}, {"15.0.0.9", 4},
        {"20.1.0.1", 5}, {"25.0.0.1", 5}, {"21.0.0.1", 6}, {"22.0.0.1", 7}, {"26.0.0.1", 8}, {"27.0.0.1", 9},
        {"31.4.0.90", 10}, {"3", 10},   {"40.0.0.1", 0}, {"", 0},        {"x1.0", 0}};
    for (const auto& [version, family] : families) {
        EXPECT_EQ(FirmwareFamily(version), family) << version;
    }
    for (int family = 0; family < kFamilyFilterCount; ++family) {
        EXPECT_TRUE(FamilyListed(family, 0));
        EXPECT_EQ(FamilyListed(family, 1), family >= 1 && family <= 4) << family;
        EXPECT_EQ(FamilyListed(family, 5), family >= 5 && family <= 9) << family;
        EXPECT_EQ(FamilyListed(family, 10), family == 10) << family;
        for (int filter : {2, 3, 4, 6, 7, 8, 9}) {
            EXPECT_EQ(FamilyListed(family, filter), family == filter) << family << " under " << filter;
        }
    }
    EXPECT_STREQ(FamilyFilterCaptions()[0], "XX.XX.XX.XX");
    EXPECT_STREQ(FamilyFilterCaptions()[10], "3X.XX.XX.XX");
}

TEST(UpgradeImageSize, AtMostOneHundredWholeMebibytes)
{
    constexpr std::uint64_t MiB = 1024 * 1024;
    EXPECT_TRUE(ImageSizeAccepted(0));
    EXPECT_TRUE(ImageSizeAccepted(100 * MiB));
    EXPECT_TRUE(ImageSizeAccepted(100 * MiB + 1048575));
    EXPECT_FALSE(ImageSizeAccepted(101 * MiB));
    EXPECT_FALSE(ImageSizeAccepted(~std::uint64_t{0}));
}

TEST(UpgradeProgressBar, StepsOfThreeTickedCamerasAndOneSelected)
{
    EXPECT_EQ(Positions(true, 3), (std::vector<int>{1, 34, 95, 100}));
    EXPECT_EQ(Positions(false, 1), (std::vector<int>{30, 100}));
    // Two jobs: half way is already the last one running.
    EXPECT_EQ(Positions(true, 2), (std::vector<int>{1, 95, 100}));
    // Twenty: five per result until two are left, 95 with one left.
    const std::vector<int> twenty = Positions(true, 20);
    EXPECT_EQ(twenty[1], 6);
    EXPECT_EQ(twenty[18], 91);
    EXPECT_EQ(twenty[19], 95);
    EXPECT_EQ(twenty[20], 100);
}

TEST(UpgradeProgressBar, EveryLoginFailingLeavesTheBarHiddenAndStrayResultsAreIgnored)
{
    UpgradeProgress progress;
    progress.Begin(true);
    EXPECT_EQ(progress.Position(), 1);
    EXPECT_FALSE(progress.Visible());
    progress.JobFinished(); // nothing was started in this run
    EXPECT_EQ(progress.Finished(), 0);
    EXPECT_FALSE(progress.AllFinished());

    progress.Begin(false);
    EXPECT_EQ(progress.Position(), 0);
    EXPECT_FALSE(progress.Visible());
}
