#pragma once
#include "CameraAccess.h"
#include "PreviewRules.h"
#include "ZxExport.h"

#include <atomic>
#include <memory>
#include <optional>

// The preview page's camera calls that may wait long on a slow camera, run
// on a worker: what a row click reads, what Play starts and what the lists,
// Save, Cancel and Default write.

// What a click on a camera's row shows: its picture values and imaging lists.
struct PreviewReading
{
    std::shared_ptr<Camera> camera; // logged in; empty when the login failed
    std::optional<PanelLine> loginFailure;
    std::optional<ImagingSettingsRecord> picture;
    std::optional<ImagingConfigRecord> config;
};
// Logs in and reads the picture values and the imaging configuration. A stop
// set meanwhile ends the reads before the next call to the camera.
ZX_EXPORT PreviewReading ReadPreviewCamera(const tagVtIpcInfo& camera, const LoginCredentials& login,
                                           const std::atomic<bool>& stop);

// A live play a worker started. Until the page claims it, dropping it stops
// the play, so a start whose result is never shown leaves nothing running.
class ZX_EXPORT StartedPlay
{
public:
    explicit StartedPlay(std::shared_ptr<Camera> camera) : m_camera(std::move(camera)) {}
    ~StartedPlay();
    StartedPlay(const StartedPlay&) = delete;
    StartedPlay& operator=(const StartedPlay&) = delete;

    // The play is the caller's from now on; returns the camera that plays.
    std::shared_ptr<Camera> Claim();

private:
    std::shared_ptr<Camera> m_camera;
};

struct PlayStart
{
    std::shared_ptr<Camera> camera;    // logged in, also when the play failed; empty: the login failed
    std::shared_ptr<StartedPlay> play; // empty when the play did not start
};
// Logs in when no camera is held, then starts the live play into window.
ZX_EXPORT PlayStart StartPreviewPlay(const tagVtIpcInfo& camera, const LoginCredentials& login,
                                     std::shared_ptr<Camera> held, uint32_t window,
                                     const std::atomic<bool>& stop);

// Sets the field of one list in the camera's imaging configuration.
ZX_EXPORT bool WriteImageList(Camera& camera, ImageList list, int entry);
// Puts the six list values into the camera's imaging configuration.
ZX_EXPORT bool WriteImageChoices(Camera& camera, const ImageChoices& choices);
// Whether the camera's imaging configuration can be read.
ZX_EXPORT bool ImagingAnswers(Camera& camera);
