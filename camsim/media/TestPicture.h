#pragma once
// The simulated camera's live picture: moving colour bars over a grey ramp,
// with the camera's brightness, contrast and saturation applied and its
// on-screen title and timestamp drawn where the OSD settings put them,
// encoded as JPEG. FrameSizeOf (LiveStream.h) gives the size of a stream.
#include "VtIpcSDK.h"

#include <cstdint>
#include <string>
#include <vector>

namespace camsim {

struct FrameSize
{
    int width;
    int height;
};

// "2026-12-07 08:00:00" in the OSD's date format (0 YYYY-MM-DD, 1 MM/DD/YYYY,
// 2 DD/MM/YYYY) for seconds since 1970 on the camera's clock.
std::string OsdTimeText(int64_t seconds, int dateFormat);

struct PictureSettings
{
    FrameSize size{0, 0};
    ImagingSettingsRecord picture{128, 128, 128, 50, 50};
    OsdRecord osd{};
    std::string timeText;
};

class TestPicture
{
public:
    TestPicture();
    ~TestPicture();
    TestPicture(const TestPicture&) = delete;
    TestPicture& operator=(const TestPicture&) = delete;

    // Draws picture number `index` into the planes; false for a bad size.
    bool Render(const PictureSettings& settings, uint64_t index);
    // JPEG of the planes as last rendered; false when encoding failed.
    bool Encode(std::string& jpeg, int quality = 75);

    int Width() const { return width_; }
    int Height() const { return height_; }
    const std::vector<uint8_t>& Luma() const { return luma_; }

private:
    void DrawBars(uint64_t index);
    void Adjust(const ImagingSettingsRecord& picture);
    void DrawOsd(const OsdRecord& osd, const std::string& timeText);

    void* encoder_;
    int width_ = 0;
    int height_ = 0;
    std::vector<uint8_t> luma_;
    std::vector<uint8_t> cb_;
    std::vector<uint8_t> cr_;
    std::vector<unsigned char> jpeg_;
};

} // namespace camsim
