// Which images a camera takes, and the version it runs afterwards.
#include "ImageRules.h"

#include <gtest/gtest.h>

namespace {

using camsim::CheckImage;
using camsim::ImageKind;
using camsim::ImageVerdict;
using camsim::VersionAfterImage;

TEST(ImageRulesTest, FirmwarePlatformAndSensorFollowTheModelDigits)
{
    // Platform 1 fits thousands digit 2; sensor 5 wants hundreds digit 1.
    EXPECT_EQ(CheckImage(ImageKind::Firmware, "VTFImage_15.bin", "VT-C2150"), ImageVerdict::Fits);
    EXPECT_EQ(CheckImage(ImageKind::Firmware, "VTFImage_15.bin", "VT-C3150"), ImageVerdict::PlatformDiffers);
    EXPECT_EQ(CheckImage(ImageKind::Firmware, "VTFImage_16.bin", "VT-C2150"), ImageVerdict::SensorDiffers);
    // Every entry of the sensor table.
    const char* const table[][2] = {{"1", "6"}, {"2", "3"}, {"3", "4"}, {"4", "9"},
                                    {"5", "1"}, {"6", "2"}, {"7", "5"}};
    for (const auto& [sensor, hundreds] : table) {
        const std::string name = std::string("VTFImage_1") + sensor + "_x.bin";
        EXPECT_EQ(CheckImage(ImageKind::Firmware, name, std::string("VT-C2") + hundreds + "00"),
                  ImageVerdict::Fits)
            << name;
        EXPECT_EQ(CheckImage(ImageKind::Firmware, name, "VT-C2800"), ImageVerdict::SensorDiffers) << name;
    }
    // Sensor 0 and sensors outside the table take any hundreds digit.
    EXPECT_EQ(CheckImage(ImageKind::Firmware, "VTFImage_10.bin", "VT-C2850"), ImageVerdict::Fits);
    EXPECT_EQ(CheckImage(ImageKind::Firmware, "VTFImage_19.bin", "VT-C2850"), ImageVerdict::Fits);
}

TEST(ImageRulesTest, PlatformThreeIsForAModelsOnly)
{
    EXPECT_EQ(CheckImage(ImageKind::Firmware, "VTFImage_31.bin", "VT-C3190A"), ImageVerdict::Fits);
    EXPECT_EQ(CheckImage(ImageKind::Firmware, "VTFImage_31.bin", "VT-C4190"), ImageVerdict::PlatformDiffers);
    EXPECT_EQ(CheckImage(ImageKind::Firmware, "VTFImage_21.bin", "VT-C3690A"), ImageVerdict::PlatformDiffers);
    EXPECT_EQ(CheckImage(ImageKind::Kernel, "KImage_3.bin", "VT-C3190A"), ImageVerdict::Fits);
    EXPECT_EQ(CheckImage(ImageKind::Kernel, "KImage_2.bin", "VT-C3190A"), ImageVerdict::PlatformDiffers);
    EXPECT_EQ(CheckImage(ImageKind::Kernel, "KImage_2.bin", "VT-C3190"), ImageVerdict::Fits);
}

TEST(ImageRulesTest, NamesThatAreNoImageOfTheKindAndEmptyModelsAreRefused)
{
    EXPECT_EQ(CheckImage(ImageKind::Firmware, "KImage_1.bin", "VT-C2150"), ImageVerdict::WrongKind);
    EXPECT_EQ(CheckImage(ImageKind::Kernel, "VTFImage_15.bin", "VT-C2150"), ImageVerdict::WrongKind);
    EXPECT_EQ(CheckImage(ImageKind::Firmware, "VTFImage_1", "VT-C2150"), ImageVerdict::WrongKind);
    EXPECT_EQ(CheckImage(ImageKind::Kernel, "KImage_", "VT-C2150"), ImageVerdict::WrongKind);
    EXPECT_EQ(CheckImage(ImageKind::Firmware, "VTFImage_15.bin", ""), ImageVerdict::NoModel);
    EXPECT_EQ(CheckImage(ImageKind::Firmware, "VTFImage_15.bin", "VT-C"), ImageVerdict::PlatformDiffers);
    EXPECT_EQ(CheckImage(ImageKind::Firmware, "VTFImage_15.bin", "VT-C2"), ImageVerdict::SensorDiffers);
}

TEST(ImageRulesTest, TheNewVersionComesFromTheNameOrCountsOn)
{
    EXPECT_EQ(VersionAfterImage("VTFImage_15_12.2.0.7.bin", "12.1.0.4"), "12.2.0.7");
    EXPECT_EQ(VersionAfterImage("x_KImage_2_V3.10.0.1_final.img", "K1"), "3.10.0.1");
    EXPECT_EQ(VersionAfterImage("VTFImage_15_1.2.3.bin", "12.1.0.4"), "12.1.0.5");
    EXPECT_EQ(VersionAfterImage("VTFImage_15_1.2.3.4.5.bin", "12.1.0.4"), "12.1.0.5");
    EXPECT_EQ(VersionAfterImage("VTFImage_15.bin", "V3.2.0"), "V3.2.1");
    EXPECT_EQ(VersionAfterImage("VTFImage_15.bin", "beta"), "beta.1");
    EXPECT_EQ(VersionAfterImage("VTFImage_15.bin", ""), ".1");
}

} // namespace
