#pragma once
#include "BatchEngine.h"
#include "CameraAccess.h"
#include "Tivox.h"
#include "ZxExport.h"

#include <string>
#include <vector>

// Sending an OEM branding to cameras: the OEM file first, then each image.

struct OemUpload
{
    std::string oemFile;             // vtoem.cfg as just written
    std::vector<std::string> images; // in the order of the list
    LoginCredentials login;
};

// One camera. Its lines: "Upload OEM files successfully." when the camera
// took the OEM file and every image; otherwise one "Upload OEM files
// failed." line for the OEM file, or one naming each image the camera did
// not take (the images go only after the OEM file was taken). A failed login
// gives the one line "... Username or password is incorrect." or "... Can not
// access device."; a camera that takes no OEM files (an ONVIF camera) the
// one line "... OEM branding is only for the family's cameras; nothing was
// sent to this camera.", with nothing sent to it.
ZX_EXPORT std::vector<PanelLine> UploadOemFiles(const tagVtIpcInfo& camera, const OemUpload& upload);

// The same as an operation of the batch engine.
ZX_EXPORT BatchEngine::Operation OemUploadOperation(OemUpload upload);
