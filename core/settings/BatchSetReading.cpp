#include "BatchSetReading.h"

#include "CameraProvider.h"
#include "CapabilityClass.h"
#include "FamilyCamera.h"
#include "VideoOptions.h"

#include <algorithm>
#include <cstring>

namespace {
std::string ModelOf(const tagVtIpcInfo& camera)
{
    return std::string(camera.model, strnlen(camera.model, sizeof camera.model));
}

// The options of both streams (primary first) of a camera of another maker;
// false when it gave none.
bool ReadOptions(const tagVtIpcInfo& camera, const LoginCredentials& login, const std::atomic<bool>& stop,
                 VideoStreamOptions (&options)[2])
{
    const std::shared_ptr<Camera> loggedIn = stop ? nullptr : LoginCamera(camera, login);
    return loggedIn && !stop && loggedIn->GetVideoOptions(1, options[0]).Done() && !stop &&
           loggedIn->GetVideoOptions(0, options[1]).Done();
}
} // namespace

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
        // A batch's rates are bounded as for 50 Hz, whatever the family
        // camera's mains; another maker's camera bounds them by its options.
        reading.video.powerFrequency = IsFamilyCamera(*camera) ? 50 : 0;
        ReadVideoStreams(*camera, stop, reading.video);
    }
    return reading;
}

std::optional<BatchReference> BatchReferenceOf(const std::vector<tagVtIpcInfo>& ticked)
{
    if (ticked.empty()) {
        return std::nullopt;
    }
    std::vector<std::size_t> family;
    std::vector<std::string> models;
    BatchReference reference;
    for (std::size_t i = 0; i < ticked.size(); ++i) {
        if (IsFamilyCamera(*OpenCamera(ticked[i], {}))) {
            family.push_back(i);
            models.push_back(ModelOf(ticked[i]));
        } else {
            reference.others.push_back(i);
        }
    }
    const std::optional<std::size_t> lowest = ReferenceCamera(models);
    reference.shown = lowest ? family[*lowest] : reference.others.front();
    return reference;
}

ReferenceReading ReadBatchReference(const std::vector<tagVtIpcInfo>& ticked, const BatchReference& reference,
                                    const LoginCredentials& login, const std::atomic<bool>& stop)
{
    ReferenceReading reading = ReadReferenceCamera(ticked.at(reference.shown), login, stop);
    if (reference.others.empty()) {
        return reading;
    }
    std::vector<VideoStreamOptions> primaries;
    std::vector<VideoStreamOptions> secondaries;
    for (std::size_t i = 0; i < ticked.size(); ++i) {
        VideoStreamOptions options[2];
        const bool other = std::find(reference.others.begin(), reference.others.end(), i) != reference.others.end();
        if (!other) {
            options[0] = FamilyVideoOptions(ModelOf(ticked[i]), 1, 50);
            options[1] = FamilyVideoOptions(ModelOf(ticked[i]), 0, 50);
        } else if (i == reference.shown && reading.video.primaryOptions && reading.video.secondaryOptions) {
            options[0] = *reading.video.primaryOptions;
            options[1] = *reading.video.secondaryOptions;
        } else if (!ReadOptions(ticked[i], login, stop, options)) {
            continue;
        }
        primaries.push_back(options[0]);
        secondaries.push_back(options[1]);
    }
    if (!primaries.empty()) {
        reading.primaryBounds = CommonVideoOptions(primaries);
        reading.secondaryBounds = CommonVideoOptions(secondaries);
    }
    return reading;
}
