#include "ImagingApply.h"

#include "CapabilityClass.h"
#include "FamilyCamera.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {
constexpr unsigned kSaved = 86002;
constexpr unsigned kNotSaved = 86004;

template <typename Array> bool AnyGiven(const Array& values)
{
    return std::any_of(values.begin(), values.end(), [](const auto& value) { return value.has_value(); });
}
} // namespace

bool KeepsFullPictureRange(const Camera& camera, const std::string& model)
{
    return !IsFamilyCamera(camera) || IsAModel(model);
}

void MergePicturePositions(ImagingSettingsRecord& record, const PicturePositions& positions, bool aModel)
{
    for (int i = 0; i < kPictureValueCount; ++i) {
        const auto which = static_cast<PictureValue>(i);
        if (const auto& position = positions[static_cast<std::size_t>(i)]) {
            PictureField(record, which) = CameraFromSlider(*position, which, aModel);
        }
    }
}

BatchEngine::Operation ImagingApplyOperation(LoginCredentials login, PicturePositions positions,
                                             ImageListEntries lists)
{
    return [login = std::move(login), positions, lists](const tagVtIpcInfo& camera, std::size_t) {
        PanelLine failure;
        const std::shared_ptr<Camera> loggedIn = LoginCamera(camera, login, &failure);
        if (!loggedIn) {
            return std::vector<PanelLine>{failure};
        }
        const bool aModel =
            KeepsFullPictureRange(*loggedIn, std::string(camera.model, strnlen(camera.model, sizeof camera.model)));
        bool saved = true;
        if (AnyGiven(positions)) {
            ImagingSettingsRecord picture{};
            saved = loggedIn->GetImagingSettings(picture).Done();
            if (saved) {
                MergePicturePositions(picture, positions, aModel);
                saved = loggedIn->SetImagingSettings(picture).Done();
            }
        }
        if (saved && AnyGiven(lists)) {
            ImagingConfigRecord config{};
            saved = loggedIn->GetImagingConfig(config).Done();
            if (saved) {
                for (int i = 0; i < kImageListCount; ++i) {
                    if (const auto& entry = lists[static_cast<std::size_t>(i)]) {
                        SetListField(config, static_cast<ImageList>(i), *entry);
                    }
                }
                saved = loggedIn->SetImagingConfig(config).Done();
            }
        }
        return std::vector<PanelLine>{CameraLine(camera, saved ? kSaved : kNotSaved)};
    };
}
