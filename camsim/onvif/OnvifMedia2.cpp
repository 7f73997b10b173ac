// The Media2 service (ver20): the profiles, encoders and addresses of the
// Media service in Media2's shapes, for clients of Profile T.
#include "OnvifMediaXml.h"
#include "OnvifService.h"

namespace camsim {
namespace {

constexpr const char* kPrefix = "tr2";

// Whether GetProfiles asked for the configurations of a profile (Type All,
// VideoSource or VideoEncoder); without a Type only names and tokens.
bool WantsConfigurations(const SoapRequest& request)
{
    for (pugi::xml_node type = Child(request.action, "Type"); type; type = type.next_sibling()) {
        const std::string text = type.text().get();
        if (LocalName(type) == "Type" && (text == "All" || text == "VideoSource" || text == "VideoEncoder")) {
            return true;
        }
    }
    return false;
}

std::string ProfileXml(const OnvifMediaState& state, std::size_t encoder, bool configurations)
{
    std::string content = TextElement("tr2:Name", state.encoders[encoder].name);
    if (configurations) {
        content += Element("tr2:Configurations", SourceConfigXml("tr2:VideoSource") +
                                                     Encoder2Xml("tr2:VideoEncoder", state.encoders[encoder]));
    }
    return std::string("<tr2:Profiles token=\"") + kProfileTokens[encoder] + "\" fixed=\"true\">" + content +
           "</tr2:Profiles>";
}

std::string OptionsXml(const EncoderOptions& options)
{
    std::string rates;
    for (int rate = options.frameRate.max; rate >= options.frameRate.min; --rate) {
        rates += (rates.empty() ? "" : " ") + std::to_string(rate);
    }
    std::string resolutions;
    for (const Resolution& resolution : options.resolutions) {
        resolutions += ResolutionXml("tt:ResolutionsAvailable", resolution);
    }
    std::string all;
    for (const std::string& encoding : options.encodings) {
        const std::string codec = encoding == "JPEG" ? std::string()
                                                     : " GovLengthRange=\"" + std::to_string(options.govLength.min) +
                                                           " " + std::to_string(options.govLength.max) +
                                                           "\" ProfilesSupported=\"" +
                                                           (encoding == "H265" ? "Main" : "Baseline Main High") + "\"";
        all += "<tr2:Options" + codec + " FrameRatesSupported=\"" + rates + "\" ConstantBitRateSupported=\"true\">" +
               TextElement("tt:Encoding", encoding) + RangeXml("tt:QualityRange", options.quality) + resolutions +
               RangeXml("tt:BitrateRange", options.bitrate) + "</tr2:Options>";
    }
    return all;
}

std::optional<std::size_t> ProfileOf(const SoapRequest& request)
{
    return EncoderOfProfile(ChildText(request.action, {"ProfileToken"}));
}

OnvifAnswer NoProfile()
{
    return InvalidArgument("ter:NoProfile", "no such profile");
}

} // namespace

std::optional<OnvifAnswer> AnswerMedia2Request(LiveCamera& camera, const SoapRequest& request,
                                               const OnvifRequestContext& context)
{
    const std::string& action = request.actionName;
    const OnvifMediaState& state = camera.onvif.media;
    if (action == "GetProfiles") {
        const std::string token = ChildText(request.action, {"Token"});
        const bool configurations = WantsConfigurations(request);
        if (token.empty()) {
            return RespondAs(kPrefix, action, ProfileXml(state, 0, configurations) + ProfileXml(state, 1, configurations));
        }
        const auto encoder = EncoderOfProfile(token);
        return encoder ? RespondAs(kPrefix, action, ProfileXml(state, *encoder, configurations)) : NoProfile();
    }
    if (action == "GetServiceCapabilities") {
        return RespondAs(kPrefix, action,
                         "<tr2:Capabilities SnapshotUri=\"true\" Rotation=\"false\" VideoSourceMode=\"false\" OSD=\"true\">"
                         "<tr2:ProfileCapabilities MaximumNumberOfProfiles=\"2\" ConfigurationsSupported=\"VideoSource "
                         "VideoEncoder\"/><tr2:StreamingCapabilities RTSPStreaming=\"true\" RTPMulticast=\"false\" "
                         "RTP_RTSP_TCP=\"true\" NonAggregateControl=\"false\" AutoStartMulticast=\"false\"/>"
                         "</tr2:Capabilities>");
    }
    if (action == "GetVideoSourceConfigurations") {
        return RespondAs(kPrefix, action, SourceConfigXml("tr2:Configurations"));
    }
    if (action == "GetVideoEncoderConfigurations") {
        const bool named = !ChildText(request.action, {"ConfigurationToken"}).empty() ||
                           !ChildText(request.action, {"ProfileToken"}).empty();
        const auto encoder = EncoderOfRequest(state, request);
        if (!encoder) {
            return InvalidArgument("ter:NoConfig", "no such profile or configuration");
        }
        if (named) {
            return RespondAs(kPrefix, action, Encoder2Xml("tr2:Configurations", state.encoders[*encoder]));
        }
        return RespondAs(kPrefix, action,
                         Encoder2Xml("tr2:Configurations", state.encoders[0]) +
                             Encoder2Xml("tr2:Configurations", state.encoders[1]));
    }
    if (action == "GetVideoEncoderConfigurationOptions") {
        return EncoderOptionsAnswer(state, request, kPrefix, OptionsXml);
    }
    if (action == "SetVideoEncoderConfiguration") {
        return SetEncoder(camera, request, kPrefix, context.now);
    }
    if (action == "GetStreamUri") {
        const auto encoder = ProfileOf(request);
        if (!encoder) {
            return NoProfile();
        }
        const std::string protocol = ChildText(request.action, {"Protocol"});
        if (protocol != "RtspUnicast" && protocol != "RTSP") {
            return InvalidArgument("ter:InvalidStreamSetup", "the camera streams RTP unicast over RTSP only");
        }
        return RespondAs(kPrefix, action, TextElement("tr2:Uri", StreamUri(camera, *encoder)));
    }
    if (action == "GetSnapshotUri") {
        const auto encoder = ProfileOf(request);
        return encoder ? RespondAs(kPrefix, action, TextElement("tr2:Uri", SnapshotUri(context, *encoder))) : NoProfile();
    }
    return std::nullopt;
}

} // namespace camsim
