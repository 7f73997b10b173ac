#pragma once
// The answers of an ONVIF camera's device, media and imaging services, as plain
// functions of the camera and one parsed request. The caller has checked the
// login (or the action needs none) and holds the camera's mutex; what must
// happen after the answer is sent (a reboot, a move, a flash) comes back as
// `after`.
#include "LiveCamera.h"
#include "SoapMessage.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace camsim {

enum class OnvifAfter
{
    Nothing,
    Reboot,    // silent for the reboot time, then back (with Hello)
    Readdress, // serve on the camera's new address or port now (Bye, move, Hello)
    Flash,     // write the image (version in flashVersion), then reboot
    Restream   // the streams' picture, settings, login or port changed
};

// The services of a camera, one path each.
enum class OnvifServiceKind
{
    Device,
    Media,
    Media2,
    Imaging
};

struct OnvifAnswer
{
    int status = 200;
    std::string envelope;
    OnvifAfter after = OnvifAfter::Nothing;
    std::optional<std::string> flashVersion;
};

struct OnvifRequestContext
{
    std::string serviceRoot; // "http://192.168.5.120:80", what the client reached
    int64_t now = 0;         // the simulator's clock, seconds since 1970 UTC
};

inline constexpr const char* kDeviceServicePath = "/onvif/device_service";
inline constexpr const char* kMediaServicePath = "/onvif/media_service";
inline constexpr const char* kMedia2ServicePath = "/onvif/media2_service";
inline constexpr const char* kImagingServicePath = "/onvif/imaging_service";
inline constexpr const char* kSnapshotPath = "/onvif/snapshot";
inline constexpr const char* kFirmwareUploadPath = "/onvif/firmware/";

// Actions every client may call before it has logged in.
bool IsPreAuthAction(std::string_view action);

// A SOAP answer with one response element (the device service's, or of the
// service whose prefix is given); a fault answer.
OnvifAnswer Respond(std::string_view action, const std::string& content);
OnvifAnswer RespondAs(std::string_view prefix, std::string_view action, const std::string& content);
OnvifAnswer Fault(int status, SoapFault fault);
OnvifAnswer InvalidArgument(std::string_view detail, std::string reason);

// The answer of one service to one request; ter:ActionNotSupported for an
// action it does not know, and ter:OperationProhibited for every change on a
// camera with the refuse-modify fault.
OnvifAnswer AnswerOnvifRequest(LiveCamera& camera, const SoapRequest& request, OnvifServiceKind service,
                               const OnvifRequestContext& context);

// Device service: date and time, NTP, information, users, reboot, factory
// default, firmware, log, services, capabilities and scopes; nullopt for an
// action it does not know.
std::optional<OnvifAnswer> AnswerSystemRequest(LiveCamera& camera, const SoapRequest& request,
                                               const OnvifRequestContext& context);
// Device service: interfaces, gateway, DNS, hostname, protocols.
std::optional<OnvifAnswer> AnswerNetworkRequest(LiveCamera& camera, const SoapRequest& request,
                                                const OnvifRequestContext& context);
// Media service: profiles, video sources, encoders and their options, stream
// and snapshot addresses.
std::optional<OnvifAnswer> AnswerMediaRequest(LiveCamera& camera, const SoapRequest& request,
                                              const OnvifRequestContext& context);
// Media2 service: the same in its own shapes, and the on-screen texts.
std::optional<OnvifAnswer> AnswerMedia2Request(LiveCamera& camera, const SoapRequest& request,
                                               const OnvifRequestContext& context);
std::optional<OnvifAnswer> AnswerOsdRequest(LiveCamera& camera, const SoapRequest& request,
                                            const OnvifRequestContext& context);
// Imaging service: brightness, saturation, contrast, sharpness, IR cut
// filter, exposure and white balance modes of the one video source.
std::optional<OnvifAnswer> AnswerImagingRequest(LiveCamera& camera, const SoapRequest& request,
                                                const OnvifRequestContext& context);

// Moves the camera to the address a SetNetworkInterfaces left for the next
// reboot; false when there is none. The caller holds the camera's mutex.
bool TakePendingAddress(LiveCamera& camera);

// The scopes a camera announces and answers in GetScopes.
std::vector<std::string> CameraScopes(const SimCamera& camera);

// Whether a firmware image fits the camera: it starts with the line
// "ONVIF-IMAGE <model> <version>\n" naming this camera's model. The version,
// or nullopt when it does not fit.
std::optional<std::string> OnvifImageVersion(std::string_view image, const std::string& model);

} // namespace camsim
