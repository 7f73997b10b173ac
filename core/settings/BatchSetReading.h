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
// empty). With cameras of other makers among the ticked, the bounds are what
// every ticked camera can take of each stream.
struct ReferenceReading
{
    bool loggedIn = false;
    VideoReading video;
    std::optional<VideoStreamOptions> primaryBounds;
    std::optional<VideoStreamOptions> secondaryBounds;
};

// Which ticked cameras bound a batch's video choices: the one whose streams
// the page shows (the family's camera of the lowest capability class, else
// the first camera of another maker) and every camera of another maker.
// Asks nothing of the cameras.
struct BatchReference
{
    std::size_t shown = 0;
    std::vector<std::size_t> others;
};
ZX_EXPORT std::optional<BatchReference> BatchReferenceOf(const std::vector<tagVtIpcInfo>& ticked);

// The shown camera's streams and, when there are cameras of other makers,
// the bounds: the family's cameras' lists by class at 50 Hz and the options
// the others give (a camera that gives none bounds nothing; its save
// reports it).
ZX_EXPORT ReferenceReading ReadBatchReference(const std::vector<tagVtIpcInfo>& ticked,
                                              const BatchReference& reference, const LoginCredentials& login,
                                              const std::atomic<bool>& stop);

ZX_EXPORT ReferenceReading ReadReferenceCamera(const tagVtIpcInfo& camera, const LoginCredentials& login,
                                               const std::atomic<bool>& stop);
// The streams alone from a logged-in camera (none without a camera).
ZX_EXPORT ReferenceReading ReadReferenceStreams(Camera* camera, const std::atomic<bool>& stop);
