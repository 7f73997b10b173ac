#include "PreviewReading.h"

#include "OperationLog.h"

PreviewReading ReadPreviewCamera(const tagVtIpcInfo& camera, const LoginCredentials& login,
                                 const std::atomic<bool>& stop)
{
    PreviewReading reading;
    PanelLine failure;
    reading.camera = LoginCamera(camera, login, &failure);
    if (!reading.camera) {
        reading.loginFailure = failure;
        return reading;
    }
    ImagingSettingsRecord picture{};
    if (!stop && reading.camera->GetImagingSettings(picture).Done()) {
        reading.picture = picture;
    }
    ImagingConfigRecord config{};
    if (!stop && reading.camera->GetImagingConfig(config).Done()) {
        reading.config = config;
    }
    return reading;
}

StartedPlay::~StartedPlay()
{
    if (m_camera) {
        m_camera->StopLivePlay();
    }
}

std::shared_ptr<Camera> StartedPlay::Claim()
{
    return std::move(m_camera);
}

PlayStart StartPreviewPlay(const tagVtIpcInfo& camera, const LoginCredentials& login,
                           std::shared_ptr<Camera> held, uint32_t window, const std::atomic<bool>& stop)
{
    PlayStart start;
    start.camera = LoggedInCamera(camera, login, std::move(held));
    if (!start.camera || stop) {
        return start;
    }
    const CameraResult played = start.camera->StartLivePlay(window);
    if (!played.Done()) {
        TraceA(1, "Last Error:%d", played.code);
        return start;
    }
    start.play = std::make_shared<StartedPlay>(start.camera);
    return start;
}

bool WriteImageList(Camera& camera, ImageList list, int entry)
{
    ImagingConfigRecord config{};
    if (!camera.GetImagingConfig(config).Done()) {
        return false;
    }
    SetListField(config, list, entry);
    return camera.SetImagingConfig(config).Done();
}

bool WriteImageChoices(Camera& camera, const ImageChoices& choices)
{
    ImagingConfigRecord config{};
    if (!camera.GetImagingConfig(config).Done()) {
        return false;
    }
    ApplyChoices(config, choices);
    return camera.SetImagingConfig(config).Done();
}

bool ImagingAnswers(Camera& camera)
{
    ImagingConfigRecord config{};
    return camera.GetImagingConfig(config).Done();
}
