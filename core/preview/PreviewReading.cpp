#include "PreviewReading.h"

#include "OperationLog.h"

PreviewReading ReadPreviewCamera(const tagVtIpcInfo& camera, const LoginCredentials& login,
                                 const std::atomic<bool>& stop)
{
    PreviewReading reading;
    PanelLine failure;
    reading.handle = LoginCamera(camera, login, &failure);
    if (reading.handle < 0) {
        reading.loginFailure = failure;
        return reading;
    }
    ImagingSettingsRecord picture{};
    if (!stop && Vt_Ipc_GetImagingSettings(reading.handle, &picture) == 0) {
        reading.picture = picture;
    }
    ImagingConfigRecord config{};
    if (!stop && Vt_Ipc_GetImagingConfig(reading.handle, &config) == 0) {
        reading.config = config;
    }
    return reading;
}

StartedPlay::~StartedPlay()
{
    if (m_handle >= 0) {
        Vt_IpcClient_StopLivePlay(m_handle);
    }
}

int StartedPlay::Claim()
{
    const int handle = m_handle;
    m_handle = -1;
    return handle;
}

PlayStart StartPreviewPlay(const tagVtIpcInfo& camera, const LoginCredentials& login, int handle,
                           uint32_t window, const std::atomic<bool>& stop)
{
    PlayStart start;
    start.handle = LoggedInHandle(camera, login, handle);
    start.loggedIn = start.handle >= 0;
    if (!start.loggedIn || stop) {
        return start;
    }
    LivePlayRecord record{};
    record.window = window;
    if (Vt_IpcClient_LivePlay(start.handle, &record, 0, 0) != 0) {
        TraceA(1, "Last Error:%d", Vt_Sdk_GetLastError());
        return start;
    }
    start.play = std::make_shared<StartedPlay>(start.handle);
    return start;
}

bool WriteImageList(int handle, ImageList list, int entry)
{
    ImagingConfigRecord config{};
    if (Vt_Ipc_GetImagingConfig(handle, &config) != 0) {
        return false;
    }
    SetListField(config, list, entry);
    return Vt_Ipc_SetImagingConfig(handle, &config) == 0;
}

bool WriteImageChoices(int handle, const ImageChoices& choices)
{
    ImagingConfigRecord config{};
    if (Vt_Ipc_GetImagingConfig(handle, &config) != 0) {
        return false;
    }
    ApplyChoices(config, choices);
    return Vt_Ipc_SetImagingConfig(handle, &config) == 0;
}

bool ImagingAnswers(int handle)
{
    ImagingConfigRecord config{};
    return Vt_Ipc_GetImagingConfig(handle, &config) == 0;
}
