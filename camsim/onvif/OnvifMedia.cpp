// The media service as far as a client needs it to log in and name the
// stream: one profile, one video source, its RTSP address.
#include "OnvifService.h"

namespace camsim {
namespace {

constexpr const char* kProfileToken = "profile_1";
constexpr const char* kSourceToken = "video_source_1";

std::string Resolution()
{
    return Element("tt:Resolution", TextElement("tt:Width", "1920") + TextElement("tt:Height", "1080"));
}

// The profile as a Profiles (GetProfiles) or Profile (GetProfile) element.
std::string ProfileXml(const std::string& element)
{
    const std::string source = std::string("<tt:VideoSourceConfiguration token=\"vsc_1\">") +
                               TextElement("tt:Name", "VideoSource") + TextElement("tt:UseCount", "1") +
                               TextElement("tt:SourceToken", kSourceToken) +
                               "<tt:Bounds x=\"0\" y=\"0\" width=\"1920\" height=\"1080\"/>" +
                               "</tt:VideoSourceConfiguration>";
    const std::string multicast =
        Element("tt:Multicast", Element("tt:Address", TextElement("tt:Type", "IPv4") +
                                                          TextElement("tt:IPv4Address", "0.0.0.0")) +
                                    TextElement("tt:Port", "0") + TextElement("tt:TTL", "0") +
                                    TextElement("tt:AutoStart", "false"));
    const std::string encoder =
        std::string("<tt:VideoEncoderConfiguration token=\"vec_1\">") + TextElement("tt:Name", "MainStream") +
        TextElement("tt:UseCount", "1") + TextElement("tt:Encoding", "H264") + Resolution() +
        TextElement("tt:Quality", "5") +
        Element("tt:RateControl", TextElement("tt:FrameRateLimit", "25") + TextElement("tt:EncodingInterval", "1") +
                                      TextElement("tt:BitrateLimit", "4096")) +
        Element("tt:H264", TextElement("tt:GovLength", "50") + TextElement("tt:H264Profile", "Main")) + multicast +
        TextElement("tt:SessionTimeout", "PT60S") + "</tt:VideoEncoderConfiguration>";
    return "<" + element + " token=\"" + kProfileToken + "\" fixed=\"true\">" + TextElement("tt:Name", "MainStream") +
           source + encoder + "</" + element + ">";
}

} // namespace

std::optional<OnvifAnswer> AnswerMediaRequest(LiveCamera& camera, const SoapRequest& request)
{
    const std::string& action = request.actionName;
    if (action == "GetProfiles") {
        return Respond(action, ProfileXml("trt:Profiles"));
    }
    if (action == "GetProfile") {
        if (ChildText(request.action, {"ProfileToken"}) != kProfileToken) {
            return InvalidArgument("ter:NoProfile", "no such profile");
        }
        return Respond(action, ProfileXml("trt:Profile"));
    }
    if (action == "GetVideoSources") {
        return Respond(action, "<trt:VideoSources token=\"" + std::string(kSourceToken) + "\">" +
                                   TextElement("tt:Framerate", "25") + Resolution() + "</trt:VideoSources>");
    }
    if (action == "GetStreamUri") {
        if (ChildText(request.action, {"ProfileToken"}) != kProfileToken) {
            return InvalidArgument("ter:NoProfile", "no such profile");
        }
        const std::string uri =
            "rtsp://" + camera.sim.ip + ":" + std::to_string(camera.onvif.rtspPort) + "/" + kProfileToken;
        return Respond(action, Element("trt:MediaUri", TextElement("tt:Uri", uri) +
                                                           TextElement("tt:InvalidAfterConnect", "false") +
                                                           TextElement("tt:InvalidAfterReboot", "false") +
                                                           TextElement("tt:Timeout", "PT0S")));
    }
    return std::nullopt;
}

} // namespace camsim
