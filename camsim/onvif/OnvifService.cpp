// What the services share: which actions need no login,
// the shape of answers and faults, and the choice of service for an action.
#include "OnvifService.h"

#include <array>

namespace camsim {
namespace {

constexpr std::array kPreAuth = {"GetSystemDateAndTime", "GetWsdlUrl",  "GetServices", "GetServiceCapabilities",
                                 "GetCapabilities",      "GetHostname", "GetEndpointReference"};

} // namespace

bool IsPreAuthAction(std::string_view action)
{
    for (const char* name : kPreAuth) {
        if (action == name) {
            return true;
        }
    }
    return false;
}

OnvifAnswer Respond(std::string_view action, const std::string& content)
{
    return RespondAs("tds", action, content);
}

OnvifAnswer RespondAs(std::string_view prefix, std::string_view action, const std::string& content)
{
    OnvifAnswer answer;
    answer.envelope = SoapEnvelope(Element(std::string(prefix) + ":" + std::string(action) + "Response", content));
    return answer;
}

OnvifAnswer Fault(int status, SoapFault fault)
{
    OnvifAnswer answer;
    answer.status = status;
    answer.envelope = SoapFaultEnvelope(fault);
    return answer;
}

OnvifAnswer InvalidArgument(std::string_view detail, std::string reason)
{
    return Fault(400, {true, "ter:InvalidArgVal", std::string(detail), std::move(reason)});
}

OnvifAnswer AnswerOnvifRequest(LiveCamera& camera, const SoapRequest& request, OnvifServiceKind service,
                               const OnvifRequestContext& context)
{
    const std::string& action = request.actionName;
    const bool change = action.rfind("Set", 0) == 0 || action.rfind("Create", 0) == 0 ||
                        action.rfind("Delete", 0) == 0 || action == "SystemReboot" ||
                        action == "StartFirmwareUpgrade" || action == "UpgradeSystemFirmware";
    if (change && camera.sim.Has(kFaultRefuseModify)) {
        return Fault(400, {true, "ter:OperationProhibited", {}, "the camera refuses changes"});
    }
    std::optional<OnvifAnswer> answer;
    switch (service) {
    case OnvifServiceKind::Device:
        answer = AnswerSystemRequest(camera, request, context);
        if (!answer) {
            answer = AnswerNetworkRequest(camera, request, context);
        }
        break;
    case OnvifServiceKind::Media:
        answer = AnswerMediaRequest(camera, request, context);
        break;
    case OnvifServiceKind::Media2:
        answer = camera.sim.media2 ? AnswerMedia2Request(camera, request, context) : std::nullopt;
        if (!answer && camera.sim.media2) {
            answer = AnswerOsdRequest(camera, request, context);
        }
        break;
    case OnvifServiceKind::Imaging:
        answer = AnswerImagingRequest(camera, request, context);
        break;
    }
    if (!answer) {
        return Fault(500, {false, "ter:ActionNotSupported", {}, "the action " + request.actionName + " is not supported"});
    }
    return *answer;
}

} // namespace camsim
