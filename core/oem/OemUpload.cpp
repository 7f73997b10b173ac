#include "OemUpload.h"

#include "OemImageList.h"
#include "Utf8Text.h"
#include "VtIpcSDK.h"

namespace {
constexpr unsigned kUploaded = 84000;
constexpr unsigned kNotUploaded = 84001;
} // namespace

std::vector<PanelLine> UploadOemFiles(const tagVtIpcInfo& camera, const OemUpload& upload)
{
    PanelLine failure;
    const int handle = LoginCamera(camera, upload.login, &failure, LoginFailureKeys{84003, 84002});
    if (handle < 0) {
        return {failure};
    }
    if (Vt_Ipc_UploadOemConfigFile(handle, upload.oemFile.c_str()) != 0) {
        return {CameraLine(camera, kNotUploaded)};
    }
    // Each image the camera did not take is named, so a success line means
    // the camera holds everything that was listed.
    std::vector<PanelLine> lines;
    for (const std::string& image : upload.images) {
        if (Vt_Ipc_UploadOemConfigFile(handle, image.c_str()) != 0) {
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
