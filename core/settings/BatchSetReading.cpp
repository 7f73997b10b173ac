#include "BatchSetReading.h"

BatchSetReading ReadBatchSetCamera(const tagVtIpcInfo& camera, const LoginCredentials& login,
                                   const std::atomic<bool>& stop)
{
    BatchSetReading reading;
    if (stop) {
        return reading;
    }
    PanelLine failure;
    const std::shared_ptr<Camera> loggedIn = LoginCamera(camera, login, &failure);
    if (!loggedIn) {
        reading.loginFailure = failure;
        return reading;
    }
    reading.system = ReadSystemSettings(*loggedIn, stop);
    reading.network = ReadNetworkSettings(*loggedIn, stop);
    reading.video = ReadVideoSettings(*loggedIn, stop);
    return reading;
}

ReferenceReading ReadReferenceCamera(const tagVtIpcInfo& camera, const LoginCredentials& login,
                                     const std::atomic<bool>& stop)
{
    const std::shared_ptr<Camera> loggedIn = stop ? nullptr : LoginCamera(camera, login);
    return ReadReferenceStreams(loggedIn.get(), stop);
}

ReferenceReading ReadReferenceStreams(Camera* camera, const std::atomic<bool>& stop)
{
    ReferenceReading reading;
    reading.loggedIn = camera != nullptr;
    if (camera != nullptr) {
        // A batch's rates are bounded as for 50 Hz, whatever the camera's mains.
        reading.video.powerFrequency = 50;
        ReadVideoStreams(*camera, stop, reading.video);
    }
    return reading;
}
