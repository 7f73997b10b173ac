#include "UpgradeRules.h"

#include "CapabilityClass.h"
#include "ImageFile.h"

#include <cstring>

namespace {

constexpr std::string_view kFirmwareMark = "VTFImage_";
constexpr std::string_view kKernelMark = "KImage_";

char CharAt(std::string_view text, std::size_t position)
{
    return position < text.size() ? text[position] : '\0';
}

// The platform rule shared by firmware and kernel images: "3" is for A
// models only, any other platform for the other models whose thousands digit
// is the platform plus one.
bool PlatformFits(char platform, std::string_view model)
{
    const bool aModel = IsAModel(std::string(model));
    if (platform == '3') {
        return aModel;
    }
    return !aModel && platform != '\0' && ModelThousands(model) == platform + 1;
}

bool SensorFits(char sensor, std::string_view model)
{
    const char wanted = SensorHundreds(sensor);
    return wanted == '\0' || ModelHundreds(model) == wanted;
}

// Step 3 of the match for one camera; skipFamily is set when the image's
// sensor "0" lets the camera pass without the family comparison.
bool CameraFitsImage(const ImageName& image, std::string_view model, bool& skipFamily)
{
    skipFamily = false;
    if (!PlatformFits(image.platform, model)) {
        return false;
    }
    if (image.kind == ImageKind::Kernel || image.platform == '3') {
        return true;
    }
    if (image.sensor == '0') {
        skipFamily = true;
        return true;
    }
    return SensorFits(image.sensor, model);
}

} // namespace

std::string_view ImageFileName(std::string_view path)
{
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

ImageName ParseImageName(std::string_view fileName)
{
    ImageName image;
    if (const std::size_t at = fileName.find(kFirmwareMark); at != std::string_view::npos) {
        image.kind = ImageKind::Firmware;
        image.platform = CharAt(fileName, at + kFirmwareMark.size());
        image.sensor = CharAt(fileName, at + kFirmwareMark.size() + 1);
    } else if (const std::size_t kernel = fileName.find(kKernelMark); kernel != std::string_view::npos) {
        image.kind = ImageKind::Kernel;
        image.platform = CharAt(fileName, kernel + kKernelMark.size());
    }
    return image;
}

char ModelThousands(std::string_view model)
{
    return CharAt(model, 4);
}

char ModelHundreds(std::string_view model)
{
    return CharAt(model, 5);
}

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
        return '\0';
    }
}

bool ImageMatchesCameras(const std::optional<ImageName>& image, const std::vector<CameraModel>& cameras)
{
    const bool withImage = image.has_value() && image->kind != ImageKind::None;
    for (std::size_t i = 0; i < cameras.size(); ++i) {
        const CameraModel& camera = cameras[i];
        if (withImage) {
            if (camera.model.empty()) {
                return false;
            }
            bool skipFamily = false;
            if (!CameraFitsImage(*image, camera.model, skipFamily)) {
                return false;
            }
            if (skipFamily) {
                continue;
            }
        }
        const char family = CharAt(camera.version, 0);
        for (std::size_t j = 0; j < cameras.size(); ++j) {
            if (j != i && CharAt(cameras[j].version, 0) != family) {
                return false;
            }
        }
    }
    return true;
}

ReferenceVerdict CheckReferenceCamera(const ImageName& image, std::string_view model)
{
    if (model.empty()) {
        return ReferenceVerdict::NoModel;
    }
    if (image.kind == ImageKind::Kernel) {
        if (IsAModel(std::string(model))) {
            return ReferenceVerdict::KernelForAModel;
        }
        return PlatformFits(image.platform, model) ? ReferenceVerdict::Fits : ReferenceVerdict::Platform;
    }
    if (!PlatformFits(image.platform, model)) {
        return ReferenceVerdict::Platform;
    }
    if (image.platform == '3') {
        return ReferenceVerdict::Fits;
    }
    return SensorFits(image.sensor, model) ? ReferenceVerdict::Fits : ReferenceVerdict::Sensor;
}

int FirmwareFamily(std::string_view version)
{
    const char first = CharAt(version, 0);
    const char second = CharAt(version, 1);
    if (first == '1') {
        switch (second) {
        case '1':
            return 2;
        case '2':
            return 3;
        case '5':
            return 4;
        default:
            return 1;
        }
    }
    if (first == '2') {
        switch (second) {
        case '1':
            return 6;
        case '2':
            return 7;
        case '6':
            return 8;
        case '7':
            return 9;
        default:
            return 5;
        }
    }
    return first == '3' ? 10 : 0;
}

bool FamilyListed(int family, int filterIndex)
{
    switch (filterIndex) {
    case 0:
        return true;
    case 1:
        return family >= 1 && family <= 4;
    case 5:
        return family >= 5 && family <= 9;
    default:
        return family == filterIndex;
    }
}

bool InFamilyFilter(const tagVtIpcInfo& camera, int filterIndex)
{
    const std::string_view version(camera.version, strnlen(camera.version, sizeof camera.version));
    return FamilyListed(FirmwareFamily(version), filterIndex);
}

const std::array<const char*, kFamilyFilterCount>& FamilyFilterCaptions()
{
    static const std::array<const char*, kFamilyFilterCount> captions = {
        "XX.XX.XX.XX", "10.XX.XX.XX", "11.XX.XX.XX", "12.XX.XX.XX", "15.XX.XX.XX", "20.XX.XX.XX",
        "21.XX.XX.XX", "22.XX.XX.XX", "26.XX.XX.XX", "27.XX.XX.XX", "3X.XX.XX.XX"};
    return captions;
}

bool ImageSizeAccepted(std::uint64_t bytes)
{
    return bytes / (1024 * 1024) <= kMaxImageMiB;
}

unsigned ImageFileProblem(const std::string& path)
{
    const std::optional<std::uint64_t> size = ReadableImageSize(path);
    if (!size) {
        return 90034; // "File name is invalid.": no file the image can be read from
    }
    return ImageSizeAccepted(*size) ? 0 : 90013;
}

std::vector<CameraModel> CameraModels(const std::vector<tagVtIpcInfo>& cameras)
{
    std::vector<CameraModel> models;
    models.reserve(cameras.size());
    for (const tagVtIpcInfo& camera : cameras) {
        models.push_back({camera.model, camera.version});
    }
    return models;
}

std::string ReferenceVerdictTrace(ReferenceVerdict verdict, const std::string& model, const std::string& fileName)
{
    switch (verdict) {
    case ReferenceVerdict::Platform:
        return "Platform is different.";
    case ReferenceVerdict::Sensor:
        return "CMOS is different.(" + model + ") (" + fileName + ")";
    case ReferenceVerdict::KernelForAModel:
        return "Only upgrade kernel for amba is invalid.";
    default:
        return {};
    }
}
