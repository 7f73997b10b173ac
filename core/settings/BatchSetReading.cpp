#include "BatchSetReading.h"

BatchSetReading ReadBatchSetCamera(const tagVtIpcInfo& camera, const LoginCredentials& login,
                                   const std::atomic<bool>& stop)
{
    BatchSetReading reading;
    if (stop) {
        return reading;
    }
    PanelLine failure;
    const int handle = LoginCamera(camera, login, &failure);
    if (handle < 0) {
        reading.loginFailure = failure;
        return reading;
    }
    reading.system = ReadSystemSettings(handle, stop);
    reading.network = ReadNetworkSettings(handle, stop);
    reading.video = ReadVideoSettings(handle, stop);
    return reading;
}

ReferenceReading ReadReferenceCamera(const tagVtIpcInfo& camera, const LoginCredentials& login,
                                     const std::atomic<bool>& stop)
{
    return ReadReferenceStreams(stop ? -1 : LoginCamera(camera, login), stop);
}

ReferenceReading ReadReferenceStreams(int handle, const std::atomic<bool>& stop)
{
    ReferenceReading reading;
    reading.handle = handle;
    if (handle >= 0) {
        // A batch's rates are bounded as for 50 Hz, whatever the camera's mains.
        reading.video.powerFrequency = 50;
        ReadVideoStreams(handle, stop, reading.video);
    }
    return reading;
}
