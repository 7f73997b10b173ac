#pragma once
// Whether a firmware or kernel image fits a camera, judged from the image's
// file name and the camera's model text, and the version the camera runs
// after flashing it.
//
// A firmware image is named "...VTFImage_PS...", a kernel image "...KImage_P...":
// P is the platform, S the sensor. Character 5 of the model ("VT-C" and four
// digits) is its thousands digit, which must be P + 1; character 6 its
// hundreds digit, which the sensor must allow. Platform 3 is the A models'
// (model text ending in "A"), and fits only them.
#include <string>
#include <string_view>

namespace camsim {

enum class ImageKind
{
    Firmware,
    Kernel
};

enum class ImageVerdict
{
    Fits,
    WrongKind, // not an image of this kind at all
    PlatformDiffers,
    SensorDiffers,
    NoModel, // the camera's model text is empty
};

ImageVerdict CheckImage(ImageKind kind, std::string_view fileName, std::string_view model);

// The first "a.b.c.d" (four dot-separated numbers) in the file name after the
// kind's marker; failing that, the current version with its last number one
// higher (or ".1" appended when it ends in no number).
std::string VersionAfterImage(std::string_view fileName, std::string_view currentVersion);

} // namespace camsim
