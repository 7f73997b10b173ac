#include "OnvifMediaClient.h"

#include "OnvifMediaAnswers.h"
#include "SoapBody.h"

namespace onvif {

namespace {

constexpr const char* kMediaNamespace = "http://www.onvif.org/ver10/media/wsdl";
constexpr const char* kMedia2Namespace = "http://www.onvif.org/ver20/media/wsdl";
constexpr const char* kImagingNamespace = "http://www.onvif.org/ver20/imaging/wsdl";

std::string Attribute(std::string_view name, std::string_view value)
{
    return " " + std::string(name) + "=\"" + XmlEscape(value) + "\"";
}

std::string ResolutionXml(const VideoResolution& resolution)
{
    return "<tt:Resolution>" + Number("tt:Width", resolution.width) + Number("tt:Height", resolution.height) +
           "</tt:Resolution>";
}

std::string MulticastXml(const MulticastConfig& multicast)
{
    const bool ipv6 = multicast.addressType == "IPv6";
    return "<tt:Multicast><tt:Address>" + Element("tt:Type", ipv6 ? "IPv6" : "IPv4") +
           Element(ipv6 ? "tt:IPv6Address" : "tt:IPv4Address", multicast.address) + "</tt:Address>" +
           Number("tt:Port", multicast.port) + Number("tt:TTL", multicast.ttl) +
           Flag("tt:AutoStart", multicast.autoStart) + "</tt:Multicast>";
}

} // namespace

bool LooksLikeJpeg(std::string_view bytes)
{
    return bytes.size() >= 4 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
           static_cast<unsigned char>(bytes[1]) == 0xD8 && static_cast<unsigned char>(bytes[2]) == 0xFF;
}

OnvifResult FindMediaServices(OnvifDeviceClient& device, MediaServices& out)
{
    out = MediaServices{};
    std::vector<OnvifService> services;
    OnvifResult result = device.GetServices(services);
    if (result.ok()) {
        for (const OnvifService& service : services) {
            if (service.namespaceUri == kMediaNamespace) {
                out.media = service.address;
            } else if (service.namespaceUri == kMedia2Namespace) {
                out.media2 = service.address;
            } else if (service.namespaceUri == kImagingNamespace) {
                out.imaging = service.address;
            }
        }
        return result;
    }
    if (result.status != OnvifStatus::Fault && result.status != OnvifStatus::BadAnswer) {
        return result;
    }
    // An older camera: GetCapabilities names Media ver10 and Imaging.
    DeviceCapabilities capabilities;
    result = device.GetCapabilities(capabilities);
    out.media = capabilities.mediaAddress;
    out.imaging = capabilities.imagingAddress;
    return result;
}

OnvifMediaClient::OnvifMediaClient(OnvifDeviceClient& device, const MediaServices& services)
    : device_(device), address_(services.media2.empty() ? services.media : services.media2),
      media2_(!services.media2.empty())
{
}

OnvifResult OnvifMediaClient::Send(const std::string& bodyXml,
                                   const std::function<bool(pugi::xml_node)>& read)
{
    if (address_.empty()) {
        return Failure(OnvifStatus::BadAnswer, "the camera offers no media service");
    }
    return device_.CallService(address_, bodyXml, read);
}

std::string OnvifMediaClient::Open(std::string_view name) const
{
    return std::string(media2_ ? "<tr2:" : "<trt:") + std::string(name) +
           (media2_ ? " xmlns:tr2=\"" : " xmlns:trt=\"") + (media2_ ? kMedia2Namespace : kMediaNamespace) +
           "\">";
}

std::string OnvifMediaClient::Close(std::string_view name) const
{
    return std::string(media2_ ? "</tr2:" : "</trt:") + std::string(name) + ">";
}

std::string OnvifMediaClient::Parameter(std::string_view name, std::string_view value) const
{
    return Element(std::string(media2_ ? "tr2:" : "trt:") + std::string(name), value);
}

OnvifResult OnvifMediaClient::GetProfiles(std::vector<MediaProfile>& out)
{
    const std::string body =
        Open("GetProfiles") + (media2_ ? Parameter("Type", "All") : std::string()) + Close("GetProfiles");
    return Send(body, [&](pugi::xml_node answer) { return ReadProfiles(answer, media2_, out); });
}

OnvifResult OnvifMediaClient::GetVideoEncoderConfigurations(std::vector<VideoEncoderConfig>& out)
{
    return Send(Open("GetVideoEncoderConfigurations") + Close("GetVideoEncoderConfigurations"),
                [&](pugi::xml_node answer) { return ReadVideoEncoderConfigurations(answer, media2_, out); });
}

OnvifResult OnvifMediaClient::GetVideoEncoderConfiguration(const std::string& token, VideoEncoderConfig& out)
{
    if (!media2_) {
        return Send(Open("GetVideoEncoderConfiguration") + Parameter("ConfigurationToken", token) +
                        Close("GetVideoEncoderConfiguration"),
                    [&](pugi::xml_node answer) { return ReadVideoEncoderConfiguration(answer, out); });
    }
    // Media2 has only the plural, narrowed by the token.
    std::vector<VideoEncoderConfig> configurations;
    const OnvifResult result = Send(
        Open("GetVideoEncoderConfigurations") + Parameter("ConfigurationToken", token) +
            Close("GetVideoEncoderConfigurations"),
        [&](pugi::xml_node answer) { return ReadVideoEncoderConfigurations(answer, true, configurations); });
    if (!result.ok()) {
        return result;
    }
    for (VideoEncoderConfig& configuration : configurations) {
        if (configuration.token == token) {
            out = std::move(configuration);
            return result;
        }
    }
    return Failure(OnvifStatus::BadAnswer, "no encoder configuration " + token.substr(0, 64));
}

OnvifResult OnvifMediaClient::GetVideoEncoderConfigurationOptions(const std::string& configurationToken,
                                                                  const std::string& profileToken,
                                                                  std::vector<VideoEncoderOptions>& out)
{
    std::string body = Open("GetVideoEncoderConfigurationOptions");
    if (!configurationToken.empty()) {
        body += Parameter("ConfigurationToken", configurationToken);
    }
    if (!profileToken.empty()) {
        body += Parameter("ProfileToken", profileToken);
    }
    body += Close("GetVideoEncoderConfigurationOptions");
    return Send(body, [&](pugi::xml_node answer) { return ReadVideoEncoderOptions(answer, media2_, out); });
}

OnvifResult OnvifMediaClient::SetVideoEncoderConfiguration(const VideoEncoderConfig& configuration)
{
    std::string body = Open("SetVideoEncoderConfiguration") + VideoEncoderConfigXml(configuration, media2_);
    if (!media2_) {
        body += Flag("trt:ForcePersistence", true);
    }
    body += Close("SetVideoEncoderConfiguration");
    return Send(body, [](pugi::xml_node answer) {
        return IsResponse(answer, "SetVideoEncoderConfigurationResponse");
    });
}

OnvifResult OnvifMediaClient::GetStreamUri(const std::string& profileToken, std::string& uri)
{
    const std::string setup = media2_ ? Parameter("Protocol", "RTSP")
                                      : "<trt:StreamSetup>" + Element("tt:Stream", "RTP-Unicast") +
                                            "<tt:Transport>" + Element("tt:Protocol", "RTSP") +
                                            "</tt:Transport></trt:StreamSetup>";
    return Send(
        Open("GetStreamUri") + setup + Parameter("ProfileToken", profileToken) + Close("GetStreamUri"),
        [&](pugi::xml_node answer) { return ReadMediaUri(answer, media2_, "GetStreamUriResponse", uri); });
}

OnvifResult OnvifMediaClient::GetSnapshotUri(const std::string& profileToken, std::string& uri)
{
    return Send(
        Open("GetSnapshotUri") + Parameter("ProfileToken", profileToken) + Close("GetSnapshotUri"),
        [&](pugi::xml_node answer) { return ReadMediaUri(answer, media2_, "GetSnapshotUriResponse", uri); });
}

OnvifResult OnvifMediaClient::GetSnapshot(const std::string& profileToken, std::string& jpeg)
{
    std::string uri;
    if (OnvifResult result = GetSnapshotUri(profileToken, uri); !result.ok()) {
        return result;
    }
    if (OnvifResult result = device_.Fetch(uri, kMaxSnapshotBytes, jpeg); !result.ok()) {
        return result;
    }
    return LooksLikeJpeg(jpeg) ? OnvifResult{}
                               : Failure(OnvifStatus::BadAnswer, "the snapshot is no JPEG picture");
}

OnvifResult OnvifMediaClient::GetOsds(const std::string& videoSourceConfigToken, std::vector<OsdConfig>& out)
{
    if (!media2_) {
        return Failure(OnvifStatus::BadAnswer, "on-screen texts are offered through Media2 only");
    }
    return Send(Open("GetOSDs") + Parameter("ConfigurationToken", videoSourceConfigToken) + Close("GetOSDs"),
                [&](pugi::xml_node answer) { return ReadOsds(answer, out); });
}

OnvifResult OnvifMediaClient::GetOsdOptions(const std::string& videoSourceConfigToken, OsdOptions& out)
{
    if (!media2_) {
        return Failure(OnvifStatus::BadAnswer, "on-screen texts are offered through Media2 only");
    }
    return Send(Open("GetOSDOptions") + Parameter("ConfigurationToken", videoSourceConfigToken) +
                    Close("GetOSDOptions"),
                [&](pugi::xml_node answer) { return ReadOsdOptions(answer, out); });
}

OnvifResult OnvifMediaClient::CreateOsd(const OsdConfig& osd, std::string& token)
{
    return Send(Open("CreateOSD") + OsdXml(osd) + Close("CreateOSD"),
                [&](pugi::xml_node answer) { return ReadCreatedOsd(answer, token); });
}

OnvifResult OnvifMediaClient::SetOsd(const OsdConfig& osd)
{
    return Send(Open("SetOSD") + OsdXml(osd) + Close("SetOSD"),
                [](pugi::xml_node answer) { return IsResponse(answer, "SetOSDResponse"); });
}

OnvifResult OnvifMediaClient::DeleteOsd(const std::string& token)
{
    return Send(Open("DeleteOSD") + Parameter("OSDToken", token) + Close("DeleteOSD"),
                [](pugi::xml_node answer) { return IsResponse(answer, "DeleteOSDResponse"); });
}

std::string VideoEncoderConfigXml(const VideoEncoderConfig& c, bool media2)
{
    const std::string head = Element("tt:Name", c.name) + Number("tt:UseCount", c.useCount) +
                             Element("tt:Encoding", c.encoding) + ResolutionXml(c.resolution);
    if (!media2) {
        std::string xml = "<trt:Configuration" + Attribute("token", c.token) + ">" + head +
                          Decimal("tt:Quality", c.quality) + "<tt:RateControl>" +
                          Number("tt:FrameRateLimit", static_cast<int>(c.frameRateLimit + 0.5f)) +
                          Number("tt:EncodingInterval", c.encodingInterval) +
                          Number("tt:BitrateLimit", c.bitrateLimit) + "</tt:RateControl>";
        if (c.encoding == "H264" || c.encoding == "MPEG4") {
            const bool h264 = c.encoding == "H264";
            xml += std::string(h264 ? "<tt:H264>" : "<tt:MPEG4>") + Number("tt:GovLength", c.govLength) +
                   Element(h264 ? "tt:H264Profile" : "tt:Mpeg4Profile", c.profile) +
                   (h264 ? "</tt:H264>" : "</tt:MPEG4>");
        }
        return xml + MulticastXml(c.multicast.value_or(MulticastConfig{})) +
               Element("tt:SessionTimeout", c.sessionTimeout) + "</trt:Configuration>";
    }
    std::string xml = "<tr2:Configuration" + Attribute("token", c.token);
    if (c.govLength > 0) {
        xml += Attribute("GovLength", std::to_string(c.govLength));
    }
    if (!c.profile.empty()) {
        xml += Attribute("Profile", c.profile);
    }
    xml += ">" + head + "<tt:RateControl";
    if (c.constantBitRate) {
        xml += Attribute("ConstantBitRate", *c.constantBitRate ? "true" : "false");
    }
    xml += ">" + Decimal("tt:FrameRateLimit", c.frameRateLimit) + Number("tt:BitrateLimit", c.bitrateLimit) +
           "</tt:RateControl>";
    if (c.multicast) {
        xml += MulticastXml(*c.multicast);
    }
    return xml + Decimal("tt:Quality", c.quality) + "</tr2:Configuration>";
}

std::string OsdXml(const OsdConfig& osd)
{
    std::string xml = "<tr2:OSD" + Attribute("token", osd.token) + ">" +
                      Element("tt:VideoSourceConfigurationToken", osd.videoSourceConfigToken) +
                      Element("tt:Type", osd.type) + "<tt:Position>" + Element("tt:Type", osd.position);
    if (osd.position == "Custom") {
        xml += "<tt:Pos" + Attribute("x", DecimalText(osd.x)) + Attribute("y", DecimalText(osd.y)) + "/>";
    }
    xml += "</tt:Position>";
    if (osd.type == "Text") {
        xml += "<tt:TextString>" + Element("tt:Type", osd.textType);
        if (!osd.dateFormat.empty()) {
            xml += Element("tt:DateFormat", osd.dateFormat);
        }
        if (!osd.timeFormat.empty()) {
            xml += Element("tt:TimeFormat", osd.timeFormat);
        }
        if (osd.fontSize) {
            xml += Number("tt:FontSize", *osd.fontSize);
        }
        if (osd.textType == "Plain") {
            xml += Element("tt:PlainText", osd.plainText);
        }
        xml += "</tt:TextString>";
    }
    return xml + "</tr2:OSD>";
}

} // namespace onvif
