#pragma once
#include "BatchEngine.h"
#include "CameraAccess.h"
#include "RebootQueue.h"
#include "ZxExport.h"

#include <memory>
#include <string>
#include <vector>

// The per-camera work of the batch upgrade page as batch operations: logins,
// the upgrade itself, reboot and factory restore. Each returns that camera's
// operation-panel lines; the terminal tool runs the same operations.

// The lines of a failed login: camera unreachable, then credentials refused.
inline constexpr LoginFailureKeys kUpgradeLoginKeys{82012, 82004};
inline constexpr LoginFailureKeys kRebootLoginKeys{82013, 82006};
inline constexpr LoginFailureKeys kRestoreLoginKeys{82014, 82009};

// Where a login batch leaves its cameras: one place per target, empty for a
// failed login. Each worker writes only its own camera's place.
using LoggedInCameras = std::shared_ptr<std::vector<std::shared_ptr<Camera>>>;

// Logs in to every camera; a failure is that camera's line.
ZX_EXPORT BatchEngine::Operation LoginOperation(LoginCredentials login, LoginFailureKeys keys,
                                                LoggedInCameras cameras);

// The targets of a finished login batch that were logged in to, in target
// order, each with its camera.
struct LoggedInTargets
{
    std::vector<tagVtIpcInfo> targets;
    std::vector<std::shared_ptr<Camera>> cameras;
};
ZX_EXPORT LoggedInTargets CollectLoggedIn(const std::vector<tagVtIpcInfo>& targets, const LoggedInCameras& cameras);

// Uploads at once: one per camera up to kMaxParallelUpgrades; a larger batch
// starts the next camera as one finishes. The workstation's link is saturated
// long before, and the bound keeps threads and open files in reason.
inline constexpr int kMaxParallelUpgrades = 64;
ZX_EXPORT int UploadParallelism(std::size_t cameras);

// Whether the targets take their makers' own firmware images and check them
// themselves (ONVIF cameras): the family's rules of image names and models do
// not apply to them. False when there is none or any is the family's.
ZX_EXPORT bool TakeMakersImages(const std::vector<tagVtIpcInfo>& targets);

// Sends the image to one logged-in camera as firmware and then as kernel,
// both always (the camera refuses the kind the image is not). "Upgrade
// successfully." unless both calls failed. The path goes to the camera as it is.
ZX_EXPORT PanelLine UpgradeCamera(Camera& camera, const std::string& imagePath);
// UpgradeCamera for each target; cameras[i] is the logged-in camera of target i.
ZX_EXPORT BatchEngine::Operation UpgradeOperation(std::string imagePath,
                                                  std::vector<std::shared_ptr<Camera>> cameras);

// Logs in and queues the camera for a reboot by the reboot queue's worker.
// single: the operator picked one camera (no ticks), which is told
// "Reboot successfully." once the camera took the reboot.
ZX_EXPORT BatchEngine::Operation RebootOperation(LoginCredentials login, std::shared_ptr<RebootQueue> queue,
                                                 bool single);
// Logs in and restores the factory settings; a restored camera pauses the
// reboot queue and is queued for the reboot that completes the restore.
ZX_EXPORT BatchEngine::Operation RestoreOperation(LoginCredentials login, std::shared_ptr<RebootQueue> queue);
