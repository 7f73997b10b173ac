#include <gtest/gtest.h>

#include "FirmwareRules.h"

namespace {

using camsim::ImageFitsModel;
using camsim::ImageKind;

TEST(FirmwareRules, PlatformPicksTheThousandsDigitAndThreeMeansAModels)
{
    EXPECT_TRUE(ImageFitsModel(ImageKind::Firmware, "VTFImage_10.bin", "VT-C2130"));
    EXPECT_FALSE(ImageFitsModel(ImageKind::Firmware, "VTFImage_10.bin", "VT-C3130"));
    EXPECT_FALSE(ImageFitsModel(ImageKind::Firmware, "VTFImage_10.bin", "VT-C2130A"));
    EXPECT_TRUE(ImageFitsModel(ImageKind::Firmware, "/tmp/VTFImage_37.bin", "VT-C8163A"));
    EXPECT_FALSE(ImageFitsModel(ImageKind::Firmware, "VTFImage_37.bin", "VT-C8163"));
    EXPECT_FALSE(ImageFitsModel(ImageKind::Firmware, "VTFImage_10.bin", ""));
    EXPECT_FALSE(ImageFitsModel(ImageKind::Firmware, "firmware.bin", "VT-C2130"));
    EXPECT_FALSE(ImageFitsModel(ImageKind::Firmware, "VTFImage_1", "VT-C2130")) << "no sensor character";
}

TEST(FirmwareRules, SensorPicksTheHundredsDigit)
{
    EXPECT_TRUE(ImageFitsModel(ImageKind::Firmware, "VTFImage_55.bin", "VT-C6121")); // 5 -> 1
    EXPECT_FALSE(ImageFitsModel(ImageKind::Firmware, "VTFImage_51.bin", "VT-C6121")); // 1 -> 6
    EXPECT_TRUE(ImageFitsModel(ImageKind::Firmware, "VTFImage_51.bin", "VT-C6621"));
    EXPECT_TRUE(ImageFitsModel(ImageKind::Firmware, "VTFImage_59.bin", "VT-C6721")) << "unknown sensor: any";
}

TEST(FirmwareRules, KernelImagesCheckThePlatformOnly)
{
    EXPECT_TRUE(ImageFitsModel(ImageKind::Kernel, "KImage_5_x.bin", "VT-C6721"));
    EXPECT_FALSE(ImageFitsModel(ImageKind::Kernel, "KImage_5_x.bin", "VT-C7721"));
    EXPECT_TRUE(ImageFitsModel(ImageKind::Kernel, "KImage_3.bin", "VT-C8163A"));
    EXPECT_FALSE(ImageFitsModel(ImageKind::Kernel, "VTFImage_55.bin", "VT-C6121"));
}

TEST(FirmwareRules, VersionFromTheImageName)
{
    EXPECT_EQ(camsim::VersionFromImageName("VTFImage_55_31.4.0.90.bin"), std::optional<std::string>("31.4.0.90"));
    EXPECT_EQ(camsim::VersionFromImageName("VTFImage_55_32.0.1.1"), std::optional<std::string>("32.0.1.1"));
    EXPECT_FALSE(camsim::VersionFromImageName("VTFImage_55.bin").has_value());
    EXPECT_FALSE(camsim::VersionFromImageName("VTFImage_55_.bin").has_value());
    EXPECT_FALSE(camsim::VersionFromImageName("KImage_5_31.4.0.90").has_value());
}

} // namespace
