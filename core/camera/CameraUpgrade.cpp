#include "CameraUpgrade.h"

#include "OperationLog.h"
#include "VtIpcSDK.h"

#include <unistd.h>

BatchEngine::Operation LoginOperation(LoginCredentials login, LoginFailureKeys keys, LoginHandles handles)
{
    return [login = std::move(login), keys, handles = std::move(handles)](const tagVtIpcInfo& camera,
                                                                          std::size_t index) {
        PanelLine failure;
        const int handle = LoginCamera(camera, login, &failure, keys);
        (*handles)[index] = handle;
        return handle < 0 ? std::vector<PanelLine>{failure} : std::vector<PanelLine>{};
    };
}

PanelLine UpgradeCamera(int handle, const tagVtIpcInfo& camera, const std::string& imagePath)
{
    const int firmware = Vt_Ipc_UpdateFirmware(handle, imagePath.c_str());
    const int kernel = Vt_Ipc_UpdateKernal(handle, imagePath.c_str());
    // A failure is -1; the job failed only when neither kind was taken.
    const bool failed = (firmware & 1) != 0 && (kernel & 1) != 0;
    TraceA(1, "thread id:%d", static_cast<int>(::gettid()));
    return CameraLine(camera, failed ? 82007 : 82001);
}

BatchEngine::Operation UpgradeOperation(std::string imagePath, std::vector<int> handles)
{
    return [imagePath = std::move(imagePath), handles = std::move(handles)](const tagVtIpcInfo& camera,
                                                                            std::size_t index) {
        return std::vector<PanelLine>{UpgradeCamera(handles.at(index), camera, imagePath)};
    };
}

BatchEngine::Operation RebootOperation(LoginCredentials login, std::shared_ptr<RebootQueue> queue, bool single)
{
    return [login = std::move(login), queue = std::move(queue), single](const tagVtIpcInfo& camera,
                                                                        std::size_t) {
        PanelLine failure;
        const int handle = LoginCamera(camera, login, &failure, kRebootLoginKeys);
        if (handle < 0) {
            return std::vector<PanelLine>{failure};
        }
        // The line comes from the reboot itself.
        queue->Append(handle, camera, single);
        return std::vector<PanelLine>{};
    };
}

BatchEngine::Operation RestoreOperation(LoginCredentials login, std::shared_ptr<RebootQueue> queue)
{
    return [login = std::move(login), queue = std::move(queue)](const tagVtIpcInfo& camera, std::size_t) {
        PanelLine failure;
        const int handle = LoginCamera(camera, login, &failure, kRestoreLoginKeys);
        if (handle < 0) {
            return std::vector<PanelLine>{failure};
        }
        if (Vt_Ipc_RestoreSystem(handle) != 0) {
            return std::vector<PanelLine>{CameraLine(camera, 82011)};
        }
        // The pause comes first, so the worker cannot reboot the camera
        // before it has had its time to restore.
        queue->StartRestorePause();
        queue->Append(handle, camera, false);
        return std::vector<PanelLine>{CameraLine(camera, 82010)};
    };
}
