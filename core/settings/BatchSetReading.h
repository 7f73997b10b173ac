#pragma once
#include "CameraAccess.h"
#include "NetworkParams.h"
#include "SystemParams.h"
#include "Tivox.h"
#include "VideoParams.h"
#include "ZxExport.h"

#include <atomic>
#include <optional>

// What a click on the batch set page reads from one camera, in the order of
// the sub-pages' tabs: a login, then about ten reads over HTTP. It runs off
// the UI thread; the page fills its boxes from the result.
struct BatchSetReading
{
    // The line that reports a failed login; the readings are then empty.
    std::optional<PanelLine> loginFailure;
    SystemReading system;
    NetworkReading network;
    VideoReading video;
};

// Logs in and reads everything the sub-pages show. A stop set meanwhile ends
// the work before its next call to the camera (the result is then partial and
// the caller drops it).
ZX_EXPORT BatchSetReading ReadBatchSetCamera(const tagVtIpcInfo& camera, const LoginCredentials& login,
                                             const std::atomic<bool>& stop);

// The ticked camera with the lowest capability class, whose stream choices
// bound a batch: loggedIn false when the login failed (the streams are then
// empty).
struct ReferenceReading
{
    bool loggedIn = false;
    VideoReading video;
};

ZX_EXPORT ReferenceReading ReadReferenceCamera(const tagVtIpcInfo& camera, const LoginCredentials& login,
                                               const std::atomic<bool>& stop);
// The streams alone from a logged-in camera (none without a camera).
ZX_EXPORT ReferenceReading ReadReferenceStreams(Camera* camera, const std::atomic<bool>& stop);
