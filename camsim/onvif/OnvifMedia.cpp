// The Media service (ver10): two profiles on the one video source, main and
// sub stream, each with its H.264 (or JPEG) encoder, its options, its RTSP
// stream and its snapshot.
#include "OnvifMediaXml.h"
#include "OnvifService.h"

namespace camsim {
namespace {

constexpr const char* kPrefix = "trt";

std::string ProfileXml(const OnvifMediaState& state, std::size_t encoder, std::string_view element)
{
    return std::string("<") + std::string(element) + " token=\"" + kProfileTokens[encoder] + "\" fixed=\"true\">" +
           TextElement("tt:Name", state.encoders[encoder].name) + SourceConfigXml("tt:VideoSourceConfiguration") +
           EncoderXml("tt:VideoEncoderConfiguration", state.encoders[encoder]) + "</" + std::string(element) + ">";
}

std::string CodecOptionsXml(std::string_view element, const EncoderOptions& options, bool h264, bool bitrate)
{
    std::string content;
    for (const Resolution& resolution : options.resolutions) {
        content += ResolutionXml("tt:ResolutionsAvailable", resolution);
    }
    if (h264) {
        content += RangeXml("tt:GovLengthRange", options.govLength);
    }
    content += RangeXml("tt:FrameRateRange", options.frameRate) + RangeXml("tt:EncodingIntervalRange", {1, 1});
    if (h264) {
        for (const char* profile : {"Baseline", "Main", "High"}) {
            content += TextElement("tt:H264ProfilesSupported", profile);
        }
    }
    if (bitrate) {
        content += RangeXml("tt:BitrateRange", options.bitrate);
    }
    return Element(element, content);
}

std::string OptionsXml(const EncoderOptions& options)
{
    return Element("trt:Options", RangeXml("tt:QualityRange", options.quality) +
                                      CodecOptionsXml("tt:JPEG", options, false, false) +
                                      CodecOptionsXml("tt:H264", options, true, false) +
                                      Element("tt:Extension", CodecOptionsXml("tt:JPEG", options, false, true) +
                                                                  CodecOptionsXml("tt:H264", options, true, true)));
}

OnvifAnswer NoProfile()
{
    return InvalidArgument("ter:NoProfile", "no such profile");
}

OnvifAnswer MediaUri(std::string_view action, const std::string& uri)
{
    return RespondAs(kPrefix, action,
                     Element("trt:MediaUri", TextElement("tt:Uri", uri) + TextElement("tt:InvalidAfterConnect", "false") +
                                                 TextElement("tt:InvalidAfterReboot", "false") +
                                                 TextElement("tt:Timeout", "PT0S")));
}

std::optional<OnvifAnswer> StreamUriAnswer(const LiveCamera& camera, const SoapRequest& request)
{
    const auto encoder = EncoderOfProfile(ChildText(request.action, {"ProfileToken"}));
    if (!encoder) {
        return NoProfile();
    }
    const std::string stream = ChildText(request.action, {"StreamSetup", "Stream"});
    const std::string protocol = ChildText(request.action, {"StreamSetup", "Transport", "Protocol"});
    if ((!stream.empty() && stream != "RTP-Unicast") ||
        (protocol != "RTSP" && protocol != "UDP" && protocol != "TCP" && !protocol.empty())) {
        return InvalidArgument("ter:InvalidStreamSetup", "the camera streams RTP unicast over RTSP only");
    }
    return MediaUri("GetStreamUri", StreamUri(camera, *encoder));
}

} // namespace

std::optional<OnvifAnswer> AnswerMediaRequest(LiveCamera& camera, const SoapRequest& request,
                                              const OnvifRequestContext& context)
{
    const std::string& action = request.actionName;
    const OnvifMediaState& state = camera.onvif.media;
    if (action == "GetProfiles") {
        return RespondAs(kPrefix, action, ProfileXml(state, 0, "trt:Profiles") + ProfileXml(state, 1, "trt:Profiles"));
    }
    if (action == "GetProfile") {
        const auto encoder = EncoderOfProfile(ChildText(request.action, {"ProfileToken"}));
        return encoder ? RespondAs(kPrefix, action, ProfileXml(state, *encoder, "trt:Profile")) : NoProfile();
    }
    if (action == "GetServiceCapabilities") {
        return RespondAs(kPrefix, action,
                         "<trt:Capabilities SnapshotUri=\"true\" Rotation=\"false\" VideoSourceMode=\"false\" OSD=\"false\">"
                         "<trt:ProfileCapabilities MaximumNumberOfProfiles=\"2\"/><trt:StreamingCapabilities "
                         "RTPMulticast=\"false\" RTP_TCP=\"true\" RTP_RTSP_TCP=\"true\" NonAggregateControl=\"false\" "
                         "NoRTSPStreaming=\"false\"/></trt:Capabilities>");
    }
    if (action == "GetVideoSources") {
        return RespondAs(kPrefix, action,
                         "<trt:VideoSources token=\"" + std::string(kVideoSourceToken) + "\">" +
                             TextElement("tt:Framerate", "30") + ResolutionXml("tt:Resolution", kSensorResolution) +
                             "</trt:VideoSources>");
    }
    if (action == "GetVideoSourceConfigurations") {
        return RespondAs(kPrefix, action, SourceConfigXml("trt:Configurations"));
    }
    if (action == "GetVideoEncoderConfigurations") {
        return RespondAs(kPrefix, action,
                         EncoderXml("trt:Configurations", state.encoders[0]) +
                             EncoderXml("trt:Configurations", state.encoders[1]));
    }
    if (action == "GetVideoEncoderConfiguration") {
        const auto encoder = EncoderOfToken(state, ChildText(request.action, {"ConfigurationToken"}));
        if (!encoder) {
            return InvalidArgument("ter:NoConfig", "no such video encoder configuration");
        }
        return RespondAs(kPrefix, action, EncoderXml("trt:Configuration", state.encoders[*encoder]));
    }
    if (action == "GetVideoEncoderConfigurationOptions") {
        return EncoderOptionsAnswer(state, request, kPrefix, OptionsXml);
    }
    if (action == "SetVideoEncoderConfiguration") {
        return SetEncoder(camera, request, kPrefix, context.now);
    }
    if (action == "GetStreamUri") {
        return StreamUriAnswer(camera, request);
    }
    if (action == "GetSnapshotUri") {
        const auto encoder = EncoderOfProfile(ChildText(request.action, {"ProfileToken"}));
        return encoder ? MediaUri(action, SnapshotUri(context, *encoder)) : NoProfile();
    }
    return std::nullopt;
}

} // namespace camsim
