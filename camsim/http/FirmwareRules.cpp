#include "FirmwareRules.h"

#include "CameraSettings.h"

namespace camsim {
namespace {

constexpr std::string_view kFirmwareMark = "VTFImage_";
constexpr std::string_view kKernelMark = "KImage_";

// The hundreds digit a sensor character asks for; 0 for "any".
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

// Model characters 5 and 6 (counting from 1): thousands and hundreds digit.
char ModelDigit(std::string_view model, size_t position)
{
    return model.size() >= position ? model[position - 1] : '\0';
}

bool PlatformFits(char platform, std::string_view model)
{
    if (platform == '3') {
        return IsAModel(model);
    }
    return !IsAModel(model) && ModelDigit(model, 5) == platform + 1;
}

} // namespace

bool ImageFitsModel(ImageKind kind, std::string_view fileName, std::string_view model)
{
    if (model.empty()) {
        return false;
    }
    const std::string_view mark = kind == ImageKind::Firmware ? kFirmwareMark : kKernelMark;
    const size_t at = fileName.find(mark);
    const size_t needed = kind == ImageKind::Firmware ? 2 : 1;
    if (at == std::string_view::npos || fileName.size() < at + mark.size() + needed) {
        return false;
    }
    const char platform = fileName[at + mark.size()];
    if (!PlatformFits(platform, model)) {
        return false;
    }
    if (kind == ImageKind::Kernel || platform == '3') {
        return true;
    }
    const char wanted = SensorHundreds(fileName[at + mark.size() + 1]);
    return wanted == 0 || ModelDigit(model, 6) == wanted;
}

std::optional<std::string> VersionFromImageName(std::string_view fileName)
{
    const size_t at = fileName.find(kFirmwareMark);
    if (at == std::string_view::npos) {
        return std::nullopt;
    }
    size_t start = at + kFirmwareMark.size() + 2;
    if (start >= fileName.size() || fileName[start] != '_') {
        return std::nullopt;
    }
    ++start;
    size_t end = start;
    while (end < fileName.size() && end - start < 31 &&
           ((fileName[end] >= '0' && fileName[end] <= '9') || fileName[end] == '.')) {
        ++end;
    }
    while (end > start && fileName[end - 1] == '.') {
        --end; // "31.4.0.90.bin" leaves "31.4.0.90."
    }
    if (end == start) {
        return std::nullopt;
    }
    return std::string(fileName.substr(start, end - start));
}

} // namespace camsim
