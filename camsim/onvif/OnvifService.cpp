// What the device and media services share: which actions need no login,
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
    const std::string prefix = action == "GetProfiles" || action == "GetStreamUri" || action == "GetVideoSources" ||
                                       action == "GetProfile"
                                   ? "trt:"
                                   : "tds:";
    OnvifAnswer answer;
    answer.envelope = SoapEnvelope(Element(prefix + std::string(action) + "Response", content));
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

OnvifAnswer AnswerOnvifRequest(LiveCamera& camera, const SoapRequest& request, bool media,
                               const OnvifRequestContext& context)
{
    std::optional<OnvifAnswer> answer;
    if (media) {
        answer = AnswerMediaRequest(camera, request);
    } else {
        answer = AnswerSystemRequest(camera, request, context);
        if (!answer) {
            answer = AnswerNetworkRequest(camera, request, context);
        }
    }
    if (!answer) {
        return Fault(500, {false, "ter:ActionNotSupported", {}, "the action " + request.actionName + " is not supported"});
    }
    return *answer;
}

} // namespace camsim
