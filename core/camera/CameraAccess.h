#pragma once
#include "Camera.h"
#include "PanelLine.h"
#include "Tivox.h"
#include "ZxExport.h"

#include <memory>
#include <string>
#include <vector>

// Logging in to one camera and the operation-panel lines about it, shared by
// every page that works on cameras.

// "[AA:BB:CC:DD:EE:FF] 192.168.1.20 ": the start of every per-camera line;
// "192.168.1.20 " while the camera's MAC is not known.
ZX_EXPORT std::wstring CameraLinePrefix(const tagVtIpcInfo& camera);
// The prefix followed by the text of key in the current language.
ZX_EXPORT PanelLine CameraLine(const tagVtIpcInfo& camera, unsigned key);

// The texts a failed login is reported with: the first when the camera cannot
// be reached, the second when it refused the user name or password.
struct LoginFailureKeys
{
    unsigned unreachable = 80002; // "Can not access device. Please check it's network settings."
    unsigned refused = 80000;     // "Login failed. Please check your username and password."
};

// Opens the camera of a device-table entry and logs in: the camera, or empty
// with the failure's line in *failure (when given); a login the camera's note
// (Camera::Note) tells more of, such as a changed certificate, fails with the
// note's line. A login refused for a changed https certificate is asked
// about first (CertificateQuestions.h) and tried again once accepted.
ZX_EXPORT std::shared_ptr<Camera> LoginCamera(const tagVtIpcInfo& camera, const LoginCredentials& login,
                                              PanelLine* failure = nullptr, LoginFailureKeys keys = {});

// The logged-in camera a page holds, or a new login's when it holds none
// (empty: the login failed).
ZX_EXPORT std::shared_ptr<Camera> LoggedInCamera(const tagVtIpcInfo& camera, const LoginCredentials& login,
                                                 std::shared_ptr<Camera> held);

// The line of the camera's note after its last call; none when it has none.
ZX_EXPORT std::vector<PanelLine> CameraNoteLines(const tagVtIpcInfo& camera, const Camera& opened);

// Whether the entry's camera offers the operation; asks nothing of the camera.
ZX_EXPORT bool CameraOffers(const tagVtIpcInfo& camera, CameraOperation operation);
