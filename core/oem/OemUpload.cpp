#include "OemUpload.h"

#include "OemImageList.h"
#include "Utf8Text.h"

namespace {
constexpr unsigned kUploaded = 84000;
constexpr unsigned kNotUploaded = 84001;
constexpr unsigned kNoOemBranding = 84005;
} // namespace

std::vector<PanelLine> UploadOemFiles(const tagVtIpcInfo& camera, const OemUpload& upload)
{
    if (!CameraOffers(camera, CameraOperation::OemUpload)) {
        return {CameraLine(camera, kNoOemBranding)};
    }
    PanelLine failure;
    const std::shared_ptr<Camera> loggedIn =
        LoginCamera(camera, upload.login, &failure, LoginFailureKeys{84003, 84002});
    if (!loggedIn) {
        return {failure};
    }
    if (!loggedIn->UploadOemFile(upload.oemFile).Done()) {
        return {CameraLine(camera, kNotUploaded)};
    }
    // Each image the camera did not take is named, so a success line means
    // the camera holds everything that was listed.
    std::vector<PanelLine> lines;
    for (const std::string& image : upload.images) {
        if (!loggedIn->UploadOemFile(image).Done()) {
            PanelLine line = CameraLine(camera, kNotUploaded);
            line.text.insert(CameraLinePrefix(camera).size(), PlatformFromUtf8(OemStoredName(image)) + L" ");
            lines.push_back(std::move(line));
        }
    }
    if (lines.empty()) {
        lines.push_back(CameraLine(camera, kUploaded));
    }
    return lines;
}

BatchEngine::Operation OemUploadOperation(OemUpload upload)
{
    return [upload = std::move(upload)](const tagVtIpcInfo& camera, std::size_t) {
        return UploadOemFiles(camera, upload);
    };
}
