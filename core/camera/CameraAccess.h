#pragma once
#include "ModifyReport.h"
#include "Tivox.h"
#include "ZxExport.h"

#include <string>

// Logging in to one camera and the operation-panel lines about it, shared by
// every page that works on cameras through the device SDK.

// The user name and password typed in the main window, as the SDK takes them.
struct LoginCredentials
{
    std::string user;     // at most 31 bytes
    std::string password; // at most 15 bytes
};

// "[AA:BB:CC:DD:EE:FF] 192.168.1.20 ": the start of every per-camera line.
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

// Logs in to the camera at its IP address and port. Returns the handle, or -1
// with the line that reports the failure in *failure (when given).
ZX_EXPORT int LoginCamera(const tagVtIpcInfo& camera, const LoginCredentials& login,
                          PanelLine* failure = nullptr, LoginFailureKeys keys = {});

// The handle a page holds, or a new login's when it holds none (negative:
// the login failed).
ZX_EXPORT int LoggedInHandle(const tagVtIpcInfo& camera, const LoginCredentials& login, int handle);
