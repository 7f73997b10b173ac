#include "CameraUpgrade.h"

#include "OperationLog.h"

#include <algorithm>
#include <unistd.h>

BatchEngine::Operation LoginOperation(LoginCredentials login, LoginFailureKeys keys, LoggedInCameras cameras)
{
    return [login = std::move(login), keys, cameras = std::move(cameras)](const tagVtIpcInfo& camera,
                                                                          std::size_t index) {
        PanelLine failure;
        std::shared_ptr<Camera> loggedIn = LoginCamera(camera, login, &failure, keys);
        const bool failed = !loggedIn;
        (*cameras)[index] = std::move(loggedIn);
        return failed ? std::vector<PanelLine>{failure} : std::vector<PanelLine>{};
    };
}

LoggedInTargets CollectLoggedIn(const std::vector<tagVtIpcInfo>& targets, const LoggedInCameras& cameras)
{
    LoggedInTargets loggedIn;
    for (std::size_t i = 0; i < targets.size() && i < cameras->size(); ++i) {
        if ((*cameras)[i]) {
            loggedIn.targets.push_back(targets[i]);
            loggedIn.cameras.push_back((*cameras)[i]);
        }
    }
    return loggedIn;
}

int UploadParallelism(std::size_t cameras)
{
    return static_cast<int>(std::min<std::size_t>(cameras, kMaxParallelUpgrades));
}

bool TakeMakersImages(const std::vector<tagVtIpcInfo>& targets)
{
    return !targets.empty() && std::all_of(targets.begin(), targets.end(), [](const tagVtIpcInfo& camera) {
        return CameraOffers(camera, CameraOperation::MakersImage);
    });
}

PanelLine UpgradeCamera(Camera& camera, const std::string& imagePath)
{
    const CameraResult firmware = camera.UpdateFirmware(imagePath);
    const CameraResult kernel = camera.UpdateKernel(imagePath);
    // The job failed only when neither kind was taken.
    const bool failed = !firmware.Done() && !kernel.Done();
    TraceA(1, "thread id:%d", static_cast<int>(::gettid()));
    return CameraLine(camera.Info(), failed ? 82007 : 82001);
}

BatchEngine::Operation UpgradeOperation(std::string imagePath, std::vector<std::shared_ptr<Camera>> cameras)
{
    return [imagePath = std::move(imagePath), cameras = std::move(cameras)](const tagVtIpcInfo&,
                                                                            std::size_t index) {
        return std::vector<PanelLine>{UpgradeCamera(*cameras.at(index), imagePath)};
    };
}

BatchEngine::Operation RebootOperation(LoginCredentials login, std::shared_ptr<RebootQueue> queue, bool single)
{
    return [login = std::move(login), queue = std::move(queue), single](const tagVtIpcInfo& camera,
                                                                        std::size_t) {
        PanelLine failure;
        std::shared_ptr<Camera> loggedIn = LoginCamera(camera, login, &failure, kRebootLoginKeys);
        if (!loggedIn) {
            return std::vector<PanelLine>{failure};
        }
        // The line comes from the reboot itself.
        queue->Append(std::move(loggedIn), single);
        return std::vector<PanelLine>{};
    };
}

BatchEngine::Operation RestoreOperation(LoginCredentials login, std::shared_ptr<RebootQueue> queue)
{
    return [login = std::move(login), queue = std::move(queue)](const tagVtIpcInfo& camera, std::size_t) {
        PanelLine failure;
        std::shared_ptr<Camera> loggedIn = LoginCamera(camera, login, &failure, kRestoreLoginKeys);
        if (!loggedIn) {
            return std::vector<PanelLine>{failure};
        }
        if (!loggedIn->Restore().Done()) {
            return std::vector<PanelLine>{CameraLine(camera, 82011)};
        }
        // The pause comes first, so the worker cannot reboot the camera
        // before it has had its time to restore.
        queue->StartRestorePause();
        queue->Append(std::move(loggedIn), false);
        return std::vector<PanelLine>{CameraLine(camera, 82010)};
    };
}
