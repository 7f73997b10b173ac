#pragma once
#include "BatchEngine.h"
#include "CameraAccess.h"
#include "PreviewRules.h"
#include "VtIpcSDK.h"
#include "ZxExport.h"

#include <array>
#include <optional>
#include <string>

// Writing picture values and imaging lists to cameras, as the preview page's
// sliders and lists do, for a batch of cameras at once.

// Slider positions (0-100) by PictureValue; an empty place keeps the camera's value.
using PicturePositions = std::array<std::optional<int>, kPictureValueCount>;
// One entry per ImageList, in its order; an empty place keeps the camera's value.
using ImageListEntries = std::array<std::optional<int>, kImageListCount>;

// Whether the camera keeps every picture value in 0-255, so that the sliders
// convert them all: a camera of another protocol scales its own ranges onto
// 0-255, and of the family's cameras the A models keep sharpness and noise
// reduction there too; the family's other models keep those two in 0-100.
ZX_EXPORT bool KeepsFullPictureRange(const Camera& camera, const std::string& model);

// Replaces the values of the given positions, each converted to the camera's range.
ZX_EXPORT void MergePicturePositions(ImagingSettingsRecord& record, const PicturePositions& positions,
                                     bool aModel);

// Logs in, reads the picture values and the imaging configuration that are
// to change, puts the new values in and writes them back: one panel line,
// "Save image parameters successfully." or "... failed.".
ZX_EXPORT BatchEngine::Operation ImagingApplyOperation(LoginCredentials login, PicturePositions positions,
                                                       ImageListEntries lists);
