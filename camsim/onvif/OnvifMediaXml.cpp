#include "OnvifMediaXml.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace camsim {
namespace {

constexpr const char* kProfilesSupported[] = {"Baseline", "Main", "High"};

bool ReadWhole(const std::string& text, int& value)
{
    if (text.empty()) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    const double number = std::strtod(text.c_str(), &end);
    if (*end != '\0' || errno != 0 || !std::isfinite(number) || number != std::floor(number) ||
        std::fabs(number) > 1e9) {
        return false;
    }
    value = static_cast<int>(number);
    return true;
}

// Reads what the Configuration element says into config, in the Media shape
// (H264/GovLength, H264/H264Profile) or the Media2 shape (GovLength and
// Profile attributes, RateControl's ConstantBitRate).
bool ReadEncoder(const pugi::xml_node& node, EncoderConfig& config, std::string& why)
{
    if (Child(node, "Name")) {
        config.name = ChildText(node, {"Name"});
        if (config.name.empty() || config.name.size() > 64) {
            why = "the name must have 1 to 64 characters";
            return false;
        }
    }
    if (Child(node, "Encoding")) {
        config.encoding = ChildText(node, {"Encoding"});
    }
    if (Child(node, "Resolution") && (!ReadWhole(ChildText(node, {"Resolution", "Width"}), config.resolution.width) ||
                                      !ReadWhole(ChildText(node, {"Resolution", "Height"}), config.resolution.height))) {
        why = "the resolution needs a whole width and height";
        return false;
    }
    if (Child(node, "Quality") && !ReadReal(ChildText(node, {"Quality"}), config.quality)) {
        why = "the quality must be a number";
        return false;
    }
    if (const pugi::xml_node rate = Child(node, "RateControl")) {
        if (Child(rate, "FrameRateLimit") && !ReadWhole(ChildText(rate, {"FrameRateLimit"}), config.frameRate)) {
            why = "the frame rate must be a whole number";
            return false;
        }
        if (Child(rate, "BitrateLimit") && !ReadWhole(ChildText(rate, {"BitrateLimit"}), config.bitrate)) {
            why = "the bit rate must be a whole number";
            return false;
        }
        const std::string constant = rate.attribute("ConstantBitRate").value();
        if (!constant.empty()) {
            config.constantBitRate = constant == "true" || constant == "1";
        }
    }
    std::string gov = node.attribute("GovLength").value();
    std::string profile = node.attribute("Profile").value();
    for (const char* codec : {"H264", "H265"}) {
        if (const pugi::xml_node options = Child(node, codec)) {
            gov = Child(options, "GovLength") ? ChildText(options, {"GovLength"}) : gov;
            profile = Child(options, "H264Profile") ? ChildText(options, {"H264Profile"}) : profile;
        }
    }
    if (!gov.empty() && !ReadWhole(gov, config.govLength)) {
        why = "the GOV length must be a whole number";
        return false;
    }
    if (!profile.empty()) {
        bool known = false;
        for (const char* supported : kProfilesSupported) {
            known = known || profile == supported;
        }
        if (!known) {
            why = "the encoder offers the profiles Baseline, Main and High";
            return false;
        }
        config.profile = profile;
    }
    return true;
}

std::string RateXml(const EncoderConfig& config, bool media2)
{
    const std::string rates = TextElement("tt:FrameRateLimit", std::to_string(config.frameRate)) +
                              (media2 ? "" : TextElement("tt:EncodingInterval", "1")) +
                              TextElement("tt:BitrateLimit", std::to_string(config.bitrate));
    if (!media2) {
        return Element("tt:RateControl", rates);
    }
    return std::string("<tt:RateControl ConstantBitRate=\"") + (config.constantBitRate ? "true" : "false") + "\">" +
           rates + "</tt:RateControl>";
}

std::string MulticastXml()
{
    return Element("tt:Multicast",
                   Element("tt:Address", TextElement("tt:Type", "IPv4") + TextElement("tt:IPv4Address", "0.0.0.0")) +
                       TextElement("tt:Port", "0") + TextElement("tt:TTL", "0") + TextElement("tt:AutoStart", "false"));
}

} // namespace

bool ReadReal(const std::string& text, double& value)
{
    char* end = nullptr;
    errno = 0;
    const double number = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || errno != 0 || !std::isfinite(number)) {
        return false;
    }
    value = number;
    return true;
}

std::string ResolutionXml(std::string_view element, const Resolution& resolution)
{
    return Element(element, TextElement("tt:Width", std::to_string(resolution.width)) +
                                TextElement("tt:Height", std::to_string(resolution.height)));
}

std::string RangeXml(std::string_view element, const IntRange& range)
{
    return Element(element, TextElement("tt:Min", std::to_string(range.min)) +
                                TextElement("tt:Max", std::to_string(range.max)));
}

std::string SourceConfigXml(std::string_view element)
{
    return std::string("<") + std::string(element) + " token=\"" + kVideoSourceConfigToken + "\">" +
           TextElement("tt:Name", "VideoSource") + TextElement("tt:UseCount", "2") +
           TextElement("tt:SourceToken", kVideoSourceToken) + "<tt:Bounds x=\"0\" y=\"0\" width=\"" +
           std::to_string(kSensorResolution.width) + "\" height=\"" + std::to_string(kSensorResolution.height) +
           "\"/></" + std::string(element) + ">";
}

std::string EncoderXml(std::string_view element, const EncoderConfig& config)
{
    std::string codec;
    if (config.encoding == "H264") {
        codec = Element("tt:H264", TextElement("tt:GovLength", std::to_string(config.govLength)) +
                                       TextElement("tt:H264Profile", config.profile));
    }
    return std::string("<") + std::string(element) + " token=\"" + XmlEscape(config.token) + "\">" +
           TextElement("tt:Name", config.name) + TextElement("tt:UseCount", "1") +
           TextElement("tt:Encoding", config.encoding) + ResolutionXml("tt:Resolution", config.resolution) +
           TextElement("tt:Quality", FormatNumber(config.quality)) + RateXml(config, false) + codec + MulticastXml() +
           TextElement("tt:SessionTimeout", "PT60S") + "</" + std::string(element) + ">";
}

std::string Encoder2Xml(std::string_view element, const EncoderConfig& config)
{
    const std::string codecAttributes = config.encoding == "JPEG" ? std::string()
                                                                  : " GovLength=\"" + std::to_string(config.govLength) +
                                                                        "\" Profile=\"" + XmlEscape(config.profile) + "\"";
    return std::string("<") + std::string(element) + " token=\"" + XmlEscape(config.token) + "\"" + codecAttributes +
           ">" + TextElement("tt:Name", config.name) + TextElement("tt:UseCount", "1") +
           TextElement("tt:Encoding", config.encoding) + ResolutionXml("tt:Resolution", config.resolution) +
           RateXml(config, true) + MulticastXml() + TextElement("tt:Quality", FormatNumber(config.quality)) + "</" +
           std::string(element) + ">";
}

OnvifAnswer SetEncoder(LiveCamera& camera, const SoapRequest& request, std::string_view prefix, int64_t now)
{
    const pugi::xml_node node = Child(request.action, "Configuration");
    OnvifMediaState& media = camera.onvif.media;
    const auto index = node ? EncoderOfToken(media, node.attribute("token").value()) : std::nullopt;
    if (!index) {
        return InvalidArgument("ter:NoConfig", "no such video encoder configuration");
    }
    EncoderConfig config = media.encoders[*index];
    std::string why;
    if (!ReadEncoder(node, config, why)) {
        return InvalidArgument("ter:ConfigModify", why);
    }
    if (const auto outside = OutsideOptions(config, OptionsOf(media, *index))) {
        return InvalidArgument("ter:ConfigModify", *outside);
    }
    media.encoders[*index] = config;
    camera.onvif.Log(camera.onvif.CameraTime(now), "video encoder " + config.token + " set: " + DescribeEncoder(config));
    OnvifAnswer answer = RespondAs(prefix, "SetVideoEncoderConfiguration", "");
    answer.after = OnvifAfter::Restream;
    return answer;
}

std::optional<std::size_t> EncoderOfRequest(const OnvifMediaState& state, const SoapRequest& request)
{
    const std::string configuration = ChildText(request.action, {"ConfigurationToken"});
    if (!configuration.empty()) {
        return EncoderOfToken(state, configuration);
    }
    const std::string profile = ChildText(request.action, {"ProfileToken"});
    if (!profile.empty()) {
        return EncoderOfProfile(profile);
    }
    return 0;
}

OnvifAnswer EncoderOptionsAnswer(const OnvifMediaState& state, const SoapRequest& request, std::string_view prefix,
                                 const std::function<std::string(const EncoderOptions&)>& optionsXml)
{
    const auto encoder = EncoderOfRequest(state, request);
    if (!encoder) {
        return InvalidArgument("ter:NoConfig", "no such profile or configuration");
    }
    return RespondAs(prefix, "GetVideoEncoderConfigurationOptions", optionsXml(OptionsOf(state, *encoder)));
}

std::string StreamUri(const LiveCamera& camera, std::size_t encoder)
{
    return "rtsp://" + camera.sim.ip + ":" + std::to_string(camera.onvif.rtspPort) + "/" + kProfileTokens[encoder];
}

std::string SnapshotUri(const OnvifRequestContext& context, std::size_t encoder)
{
    return context.serviceRoot + kSnapshotPath + "?profile=" + kProfileTokens[encoder];
}

} // namespace camsim
