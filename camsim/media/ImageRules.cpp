#include "ImageRules.h"

#include <cctype>

namespace camsim {
namespace {

constexpr std::string_view kFirmwareMarker = "VTFImage_";
constexpr std::string_view kKernelMarker = "KImage_";

bool IsDigit(char c)
{
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// The hundreds digit a firmware sensor character asks for; 0 for any.
char SensorHundreds(char sensor)
{
    switch (sensor) {
    case '1':
        return '6';
    case '2':
        return '3';
    case '3':
        return '4';
    case '4':
        return '9';
    case '5':
        return '1';
    case '6':
        return '2';
    case '7':
        return '5';
    default:
        return 0;
    }
}

bool EndsInA(std::string_view model)
{
    return !model.empty() && model.back() == 'A';
}

// Length of a run of digits and dots forming exactly four numbers at `text`'s start; 0 when none.
size_t FourNumbers(std::string_view text)
{
    size_t i = 0;
    for (int group = 0; group < 4; ++group) {
        const size_t start = i;
        while (i < text.size() && IsDigit(text[i])) {
            ++i;
        }
        if (i == start || i - start > 9) {
            return 0;
        }
        if (group < 3) {
            if (i >= text.size() || text[i] != '.') {
                return 0;
            }
            ++i;
        }
    }
    return (i < text.size() &&
            (IsDigit(text[i]) || (text[i] == '.' && i + 1 < text.size() && IsDigit(text[i + 1]))))
               ? 0
               : i;
}

} // namespace

ImageVerdict CheckImage(ImageKind kind, std::string_view fileName, std::string_view model)
{
    const std::string_view marker = kind == ImageKind::Firmware ? kFirmwareMarker : kKernelMarker;
    const size_t at = fileName.find(marker);
    const size_t needed = kind == ImageKind::Firmware ? 2 : 1;
    if (at == std::string_view::npos || fileName.size() < at + marker.size() + needed) {
        return ImageVerdict::WrongKind;
    }
    if (model.empty()) {
        return ImageVerdict::NoModel;
    }
    const char platform = fileName[at + marker.size()];
    if (platform == '3') {
        return EndsInA(model) ? ImageVerdict::Fits : ImageVerdict::PlatformDiffers;
    }
    if (EndsInA(model) || model.size() < 5 || model[4] != static_cast<char>(platform + 1)) {
        return ImageVerdict::PlatformDiffers;
    }
    if (kind == ImageKind::Kernel) {
        return ImageVerdict::Fits;
    }
    const char hundreds = SensorHundreds(fileName[at + marker.size() + 1]);
    if (hundreds != 0 && (model.size() < 6 || model[5] != hundreds)) {
        return ImageVerdict::SensorDiffers;
    }
    return ImageVerdict::Fits;
}

std::string VersionAfterImage(std::string_view fileName, std::string_view currentVersion)
{
    for (const std::string_view marker : {kFirmwareMarker, kKernelMarker}) {
        const size_t at = fileName.find(marker);
        if (at == std::string_view::npos) {
            continue;
        }
        for (size_t i = at + marker.size(); i < fileName.size(); ++i) {
            if (IsDigit(fileName[i]) && (i == 0 || !IsDigit(fileName[i - 1])) && fileName[i - 1] != '.') {
                if (const size_t length = FourNumbers(fileName.substr(i)); length > 0) {
                    return std::string(fileName.substr(i, length));
                }
            }
        }
    }
    size_t digits = currentVersion.size();
    while (digits > 0 && IsDigit(currentVersion[digits - 1])) {
        --digits;
    }
    if (digits == currentVersion.size() || currentVersion.size() - digits > 9) {
        return std::string(currentVersion) + ".1";
    }
    const long long last = std::stoll(std::string(currentVersion.substr(digits)));
    return std::string(currentVersion.substr(0, digits)) + std::to_string(last + 1);
}

} // namespace camsim
