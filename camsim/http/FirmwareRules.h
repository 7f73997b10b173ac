#pragma once
// How a camera decides whether an image is meant for it, by the image's file
// name and its own model text ("VT-C" and four digits; an A model ends in A).
#include <optional>
#include <string>
#include <string_view>

namespace camsim {

enum class ImageKind
{
    Firmware,
    Kernel
};

// Firmware "...VTFImage_PS...": platform P, sensor S; kernel "...KImage_P...".
bool ImageFitsModel(ImageKind kind, std::string_view fileName, std::string_view model);

// The version a firmware image carries in its name after "VTFImage_PS_"
// (digits and dots, as "VTFImage_55_31.4.0.90.bin"); nullopt when none.
std::optional<std::string> VersionFromImageName(std::string_view fileName);

} // namespace camsim
