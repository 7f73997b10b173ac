#pragma once
#include "Tivox.h"
#include "ZxExport.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Which cameras a firmware or kernel image is meant for, which firmware family
// a camera belongs to, and which image files the upgrade takes. Plain rules,
// shared by the batch upgrade page and the terminal tool.

enum class ImageKind
{
    None,     // neither mark in the name: not an image the cameras take
    Firmware, // "...VTFImage_PS...": platform P, sensor S
    Kernel,   // "...KImage_P...": platform P
};

struct ImageName
{
    ImageKind kind = ImageKind::None;
    char platform = '\0'; // '\0' when the name ends at the mark
    char sensor = '\0';   // firmware only
};

// The name part of a path: what follows the last '/' (or '\\', as the camera
// protocol strips both).
ZX_EXPORT std::string_view ImageFileName(std::string_view path);
// Reads the kind, platform and sensor characters from a file name.
ZX_EXPORT ImageName ParseImageName(std::string_view fileName);

// The model's thousands and hundreds digits: characters 5 and 6 of
// "VT-C" and four digits; '\0' when the text is shorter.
ZX_EXPORT char ModelThousands(std::string_view model);
ZX_EXPORT char ModelHundreds(std::string_view model);

// The hundreds digit a firmware sensor character asks for; '\0' when the
// sensor character accepts every hundreds digit ("0" and anything unknown).
ZX_EXPORT char SensorHundreds(char sensor);

// The model text and firmware version of one camera, as the match reads them.
struct CameraModel
{
    std::string model;
    std::string version;
};
ZX_EXPORT std::vector<CameraModel> CameraModels(const std::vector<tagVtIpcInfo>& cameras);

// The model match of the page: true when the image may go to every one of
// the cameras (the ticked ones in list order, or the selected one). Without
// an image (nullopt, or a name with neither mark) only the version family
// is compared: every camera's version must start with the same character.
// An empty model text never matches an image. A firmware image with sensor
// "0" passes a camera of the right platform without the family comparison.
ZX_EXPORT bool ImageMatchesCameras(const std::optional<ImageName>& image, const std::vector<CameraModel>& cameras);

// The check of the reference camera before an upgrade starts.
enum class ReferenceVerdict
{
    Fits,
    NoModel,        // the camera has no model text: the upgrade stops silently
    Platform,       // "Platform is different."
    Sensor,         // "CMOS is different.(%s) (%s)"
    KernelForAModel // "Only upgrade kernel for amba is invalid."
};
ZX_EXPORT ReferenceVerdict CheckReferenceCamera(const ImageName& image, std::string_view model);
// The trace line of a refusing verdict (Platform, Sensor, KernelForAModel).
ZX_EXPORT std::string ReferenceVerdictTrace(ReferenceVerdict verdict, const std::string& model,
                                            const std::string& fileName);

// The firmware family of a version text, 0 to 10, from its first two
// characters; and whether the family filter at filterIndex lists it.
inline constexpr int kFamilyFilterCount = 11;
ZX_EXPORT int FirmwareFamily(std::string_view version);
ZX_EXPORT bool FamilyListed(int family, int filterIndex);
// Whether the family filter at filterIndex lists the camera (by its version).
ZX_EXPORT bool InFamilyFilter(const tagVtIpcInfo& camera, int filterIndex);
// The captions of the family filter, "XX.XX.XX.XX" for index 0.
ZX_EXPORT const std::array<const char*, kFamilyFilterCount>& FamilyFilterCaptions();

// An image is taken when its size in whole MiB (rounded down) is at most 100.
inline constexpr std::uint64_t kMaxImageMiB = 100;
ZX_EXPORT bool ImageSizeAccepted(std::uint64_t bytes);
// The message key that refuses the file at path as an image: 90034 when no
// image can be read from it, 90013 when it is too big; 0 when it is taken.
ZX_EXPORT unsigned ImageFileProblem(const std::string& path);
