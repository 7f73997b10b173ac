// One input is a camera's OSD and picture values as a client could set them,
// and a frame size: the title's bytes, both positions, the date format and
// the picture values drawn into the live picture, whatever they are.
#include "TestPicture.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 8) {
        return 0;
    }
    camsim::PictureSettings settings;
    // Small sizes keep the runs fast; odd and tiny ones must be refused cleanly.
    settings.size = {data[0] % 200, data[1] % 150};
    settings.osd.showTitle = data[2] & 1;
    settings.osd.showTime = (data[2] >> 1) & 1;
    settings.osd.titlePosition = data[3];
    settings.osd.datePosition = data[4];
    settings.osd.dateFormat = data[5];
    settings.picture = {data[6] * 3 - 200, data[7] * 3 - 200, data[6] ^ data[7], 0, 0};
    const size_t titleBytes = std::min(size - 8, sizeof settings.osd.title - 1);
    std::memcpy(settings.osd.title, data + 8, titleBytes);
    settings.timeText = camsim::OsdTimeText(static_cast<int64_t>(data[2]) << 30, data[5]);
    camsim::TestPicture picture;
    const bool drawn = picture.Render(settings, data[3]);
    if (drawn != (settings.size.width >= 16 && settings.size.height >= 16 && settings.size.width % 2 == 0 &&
                  settings.size.height % 2 == 0)) {
        std::abort(); // a size taken or refused against the rule
    }
    return 0;
}
