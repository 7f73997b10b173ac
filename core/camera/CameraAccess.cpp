#include "CameraAccess.h"

#include "LangKeys.h"
#include "LangTable.h"
#include "MacText.h"
#include "RecordText.h"
#include "VtIpcSDK.h"

std::wstring CameraLinePrefix(const tagVtIpcInfo& camera)
{
    return MacPrefix(camera.mac) + L" " + FieldText(camera.ip) + L" ";
}

PanelLine CameraLine(const tagVtIpcInfo& camera, unsigned key)
{
    const wchar_t* english = LangDefaultText(key);
    return {CameraLinePrefix(camera) + LangText(key, english != nullptr ? english : L""), true};
}

int LoginCamera(const tagVtIpcInfo& camera, const LoginCredentials& login, PanelLine* failure,
                LoginFailureKeys keys)
{
    const int handle =
        Vt_Ipc_Login(camera.ip, camera.ip, camera.port, login.user.c_str(), login.password.c_str(), 0);
    if (handle < 0 && failure != nullptr) {
        *failure =
            CameraLine(camera, Vt_Sdk_GetLastError() == VT_ERR_UNREACHABLE ? keys.unreachable : keys.refused);
    }
    return handle < 0 ? -1 : handle;
}

int LoggedInHandle(const tagVtIpcInfo& camera, const LoginCredentials& login, int handle)
{
    return handle >= 0 ? handle : LoginCamera(camera, login);
}
