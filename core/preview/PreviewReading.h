#pragma once
#include "CameraAccess.h"
#include "PreviewRules.h"
#include "VtIpcSDK.h"
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
    int handle = -1;
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
    explicit StartedPlay(int handle) : m_handle(handle) {}
    ~StartedPlay();
    StartedPlay(const StartedPlay&) = delete;
    StartedPlay& operator=(const StartedPlay&) = delete;

    // The play is the caller's from now on; returns its handle.
    int Claim();

private:
    int m_handle;
};

struct PlayStart
{
    int handle = -1;      // the login handle, also when the play failed
    bool loggedIn = false;
    std::shared_ptr<StartedPlay> play; // empty when the play did not start
};
// Logs in when handle is negative, then starts the live play into window.
ZX_EXPORT PlayStart StartPreviewPlay(const tagVtIpcInfo& camera, const LoginCredentials& login, int handle,
                                     uint32_t window, const std::atomic<bool>& stop);

// Sets the field of one list in the camera's imaging configuration.
ZX_EXPORT bool WriteImageList(int handle, ImageList list, int entry);
// Puts the six list values into the camera's imaging configuration.
ZX_EXPORT bool WriteImageChoices(int handle, const ImageChoices& choices);
// Whether the camera's imaging configuration can be read.
ZX_EXPORT bool ImagingAnswers(int handle);
