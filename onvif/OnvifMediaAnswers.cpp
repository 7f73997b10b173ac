#include "OnvifMediaAnswers.h"

#include <sstream>

namespace onvif {

namespace {

constexpr int kMaxPixels = 65535;
constexpr float kMaxNumber = 1e9f;

bool Resolution(pugi::xml_node node, VideoResolution& out)
{
    return FieldInt(Child(node, "Width"), out.width, 1, kMaxPixels) &&
           FieldInt(Child(node, "Height"), out.height, 1, kMaxPixels);
}

// An attribute holding a list of words, at most kMaxListItems of them.
bool Words(pugi::xml_attribute attribute, std::vector<std::string>& out)
{
    const std::string_view text = attribute.value();
    if (text.size() > kMaxFieldBytes) {
        return false;
    }
    std::istringstream stream{std::string(text)};
    for (std::string word; stream >> word;) {
        if (out.size() >= kMaxListItems) {
            return false;
        }
        out.push_back(word);
    }
    return true;
}

// Media2 lists ranges and rates as attributes of numbers: "1 120".
bool NumberWords(pugi::xml_attribute attribute, std::optional<FloatRange>& out)
{
    std::vector<std::string> words;
    if (!attribute) {
        return true;
    }
    if (!Words(attribute, words)) {
        return false;
    }
    for (const std::string& word : words) {
        float value = 0;
        if (!FieldFloat(word, value, -kMaxNumber, kMaxNumber)) {
            return false;
        }
        out =
            out ? FloatRange{std::min(out->min, value), std::max(out->max, value)} : FloatRange{value, value};
    }
    return true;
}

bool FlagAttribute(pugi::xml_attribute attribute, std::optional<bool>& out)
{
    const std::string_view value = attribute.value();
    if (!attribute) {
        return true;
    }
    if (value == "true" || value == "1" || value == "false" || value == "0") {
        out = value == "true" || value == "1";
        return true;
    }
    return false;
}

bool Multicast(pugi::xml_node node, std::optional<MulticastConfig>& out)
{
    if (!node) {
        return true;
    }
    MulticastConfig multicast;
    const pugi::xml_node address = Child(node, "Address");
    const pugi::xml_node ipv6 = Child(address, "IPv6Address");
    if (!FieldText(Child(address, "Type"), multicast.addressType) ||
        !FieldText(ipv6 ? ipv6 : Child(address, "IPv4Address"), multicast.address) ||
        !FieldInt(Child(node, "Port"), multicast.port, 0, 65535) ||
        !FieldInt(Child(node, "TTL"), multicast.ttl, 0, 255) ||
        !FieldBool(Child(node, "AutoStart"), multicast.autoStart)) {
        return false;
    }
    out = multicast;
    return true;
}

// Media ver10 keeps the GOV length and profile under the codec's element.
bool CodecBlock(pugi::xml_node node, VideoEncoderConfig& out)
{
    const bool h264 = out.encoding == "H264";
    const pugi::xml_node block = Child(node, h264 ? "H264" : "MPEG4");
    if (!block || (!h264 && out.encoding != "MPEG4")) {
        return true;
    }
    return FieldInt(Child(block, "GovLength"), out.govLength, 0, 100000) &&
           FieldText(Child(block, h264 ? "H264Profile" : "Mpeg4Profile"), out.profile);
}

bool OptionsOfCodec(pugi::xml_node options, const char* codec, std::vector<VideoEncoderOptions>& out)
{
    const pugi::xml_node block = Child(options, codec);
    if (!block) {
        return true;
    }
    VideoEncoderOptions& item = out.emplace_back();
    item.encoding = codec;
    const char* profiles =
        std::string_view(codec) == "H264" ? "H264ProfilesSupported" : "Mpeg4ProfilesSupported";
    return ReadRange(Child(options, "QualityRange"), item.quality) &&
           EachChild(
               block, "ResolutionsAvailable",
               [&](pugi::xml_node node) { return Resolution(node, item.resolutions.emplace_back()); }) &&
           ReadRange(Child(block, "FrameRateRange"), item.frameRate) &&
           ReadRange(Child(block, "GovLengthRange"), item.govLength) &&
           ReadTexts(block, profiles, item.profiles) &&
           ReadRange(Path(options, {"Extension", codec, "BitrateRange"}), item.bitrate);
}

bool Osd(pugi::xml_node node, OsdConfig& out)
{
    out.token = std::string(Attribute(node, "token").value()).substr(0, kMaxFieldBytes);
    const pugi::xml_node position = Child(node, "Position");
    const pugi::xml_node text = Child(node, "TextString");
    const pugi::xml_node pos = Child(position, "Pos");
    if (!FieldText(Child(node, "VideoSourceConfigurationToken"), out.videoSourceConfigToken) ||
        !FieldText(Child(node, "Type"), out.type) || !FieldText(Child(position, "Type"), out.position)) {
        return false;
    }
    if (pos && (!FieldFloat(Attribute(pos, "x").value(), out.x, -1, 1) ||
                !FieldFloat(Attribute(pos, "y").value(), out.y, -1, 1))) {
        return false;
    }
    if (!text) {
        return true;
    }
    if (const pugi::xml_node size = Child(text, "FontSize")) {
        if (!FieldInt(size, out.fontSize.emplace(), 1, 1000)) {
            return false;
        }
    }
    return FieldText(Child(text, "Type"), out.textType) &&
           FieldText(Child(text, "DateFormat"), out.dateFormat) &&
           FieldText(Child(text, "TimeFormat"), out.timeFormat) &&
           FieldText(Child(text, "PlainText"), out.plainText);
}

bool OptionalCount(pugi::xml_attribute attribute, std::optional<int>& out)
{
    if (!attribute) {
        return true;
    }
    float value = 0;
    if (!FieldFloat(attribute.value(), value, 0, 1000)) {
        return false;
    }
    out = static_cast<int>(value);
    return true;
}

} // namespace

bool ReadRange(pugi::xml_node node, std::optional<FloatRange>& out)
{
    if (!node) {
        return true;
    }
    FloatRange range;
    if (!FieldFloat(Child(node, "Min"), range.min, -kMaxNumber, kMaxNumber) ||
        !FieldFloat(Child(node, "Max"), range.max, -kMaxNumber, kMaxNumber) || range.min > range.max) {
        return false;
    }
    out = range;
    return true;
}

bool ReadTexts(pugi::xml_node parent, std::string_view localName, std::vector<std::string>& out)
{
    return EachChild(parent, localName,
                     [&](pugi::xml_node node) { return FieldText(node, out.emplace_back()); });
}

bool ReadVideoEncoderConfig(pugi::xml_node node, bool media2, VideoEncoderConfig& out)
{
    out = VideoEncoderConfig{};
    out.token = std::string(Attribute(node, "token").value()).substr(0, kMaxFieldBytes);
    const pugi::xml_node rate = Child(node, "RateControl");
    if (out.token.empty() || !FieldText(Child(node, "Name"), out.name) ||
        !FieldInt(Child(node, "UseCount"), out.useCount, 0, 100000) ||
        !FieldText(Child(node, "Encoding"), out.encoding) ||
        !Resolution(Child(node, "Resolution"), out.resolution) ||
        !FieldFloat(Child(node, "Quality"), out.quality, -kMaxNumber, kMaxNumber) ||
        !Multicast(Child(node, "Multicast"), out.multicast)) {
        return false;
    }
    if (rate && (!FieldFloat(Child(rate, "FrameRateLimit"), out.frameRateLimit, 0, 1000) ||
                 !FieldInt(Child(rate, "BitrateLimit"), out.bitrateLimit, 0, 100000000))) {
        return false;
    }
    if (!media2) {
        if (rate && !FieldInt(Child(rate, "EncodingInterval"), out.encodingInterval, 1, 1000)) {
            return false;
        }
        return FieldText(Child(node, "SessionTimeout"), out.sessionTimeout) && CodecBlock(node, out);
    }
    if (!FlagAttribute(Attribute(rate, "ConstantBitRate"), out.constantBitRate)) {
        return false;
    }
    out.profile = std::string(Attribute(node, "Profile").value()).substr(0, kMaxFieldBytes);
    const pugi::xml_attribute gov = Attribute(node, "GovLength");
    float govLength = 0;
    if (gov && !FieldFloat(gov.value(), govLength, 0, 100000)) {
        return false;
    }
    out.govLength = static_cast<int>(govLength);
    return true;
}

bool ReadProfiles(pugi::xml_node body, bool media2, std::vector<MediaProfile>& out)
{
    if (!IsResponse(body, "GetProfilesResponse")) {
        return false;
    }
    out.clear();
    return EachChild(body, "Profiles", [&](pugi::xml_node node) {
        MediaProfile& profile = out.emplace_back();
        profile.token = std::string(Attribute(node, "token").value()).substr(0, kMaxFieldBytes);
        const pugi::xml_node holder = media2 ? Child(node, "Configurations") : node;
        const pugi::xml_node source = Child(holder, media2 ? "VideoSource" : "VideoSourceConfiguration");
        const pugi::xml_node encoder = Child(holder, media2 ? "VideoEncoder" : "VideoEncoderConfiguration");
        profile.videoSourceConfigToken =
            std::string(Attribute(source, "token").value()).substr(0, kMaxFieldBytes);
        if (profile.token.empty() || !FieldText(Child(node, "Name"), profile.name) ||
            !FieldText(Child(source, "SourceToken"), profile.videoSourceToken)) {
            return false;
        }
        return !encoder || ReadVideoEncoderConfig(encoder, media2, profile.encoder.emplace());
    });
}

bool ReadVideoEncoderConfigurations(pugi::xml_node body, bool media2, std::vector<VideoEncoderConfig>& out)
{
    if (!IsResponse(body, "GetVideoEncoderConfigurationsResponse")) {
        return false;
    }
    out.clear();
    return EachChild(body, "Configurations", [&](pugi::xml_node node) {
        return ReadVideoEncoderConfig(node, media2, out.emplace_back());
    });
}

bool ReadVideoEncoderConfiguration(pugi::xml_node body, VideoEncoderConfig& out)
{
    const pugi::xml_node node = Child(body, "Configuration");
    return IsResponse(body, "GetVideoEncoderConfigurationResponse") && node &&
           ReadVideoEncoderConfig(node, false, out);
}

bool ReadVideoEncoderOptions(pugi::xml_node body, bool media2, std::vector<VideoEncoderOptions>& out)
{
    if (!IsResponse(body, "GetVideoEncoderConfigurationOptionsResponse")) {
        return false;
    }
    out.clear();
    if (!media2) {
        const pugi::xml_node options = Child(body, "Options");
        return options && OptionsOfCodec(options, "JPEG", out) && OptionsOfCodec(options, "MPEG4", out) &&
               OptionsOfCodec(options, "H264", out);
    }
    return EachChild(body, "Options", [&](pugi::xml_node node) {
        VideoEncoderOptions& item = out.emplace_back();
        std::optional<bool> constant;
        if (!FlagAttribute(Attribute(node, "ConstantBitRateSupported"), constant)) {
            return false;
        }
        item.constantBitRateSupported = constant.value_or(false);
        return FieldText(Child(node, "Encoding"), item.encoding) &&
               ReadRange(Child(node, "QualityRange"), item.quality) &&
               EachChild(
                   node, "ResolutionsAvailable",
                   [&](pugi::xml_node size) { return Resolution(size, item.resolutions.emplace_back()); }) &&
               ReadRange(Child(node, "BitrateRange"), item.bitrate) &&
               NumberWords(Attribute(node, "GovLengthRange"), item.govLength) &&
               NumberWords(Attribute(node, "FrameRatesSupported"), item.frameRate) &&
               Words(Attribute(node, "ProfilesSupported"), item.profiles);
    });
}

bool ReadMediaUri(pugi::xml_node body, bool media2, std::string_view responseName, std::string& uri)
{
    const pugi::xml_node node = media2 ? Child(body, "Uri") : Path(body, {"MediaUri", "Uri"});
    return IsResponse(body, responseName) && node && FieldText(node, uri) && !uri.empty();
}

bool ReadOsds(pugi::xml_node body, std::vector<OsdConfig>& out)
{
    if (!IsResponse(body, "GetOSDsResponse")) {
        return false;
    }
    out.clear();
    return EachChild(body, "OSDs", [&](pugi::xml_node node) { return Osd(node, out.emplace_back()); });
}

bool ReadOsdOptions(pugi::xml_node body, OsdOptions& out)
{
    const pugi::xml_node options = Child(body, "OSDOptions");
    const pugi::xml_node maximum = Child(options, "MaximumNumberOfOSDs");
    const pugi::xml_node text = Child(options, "TextOption");
    if (!IsResponse(body, "GetOSDOptionsResponse") || !options) {
        return false;
    }
    out = OsdOptions{};
    std::optional<int> total;
    if (!OptionalCount(Attribute(maximum, "Total"), total) ||
        !OptionalCount(Attribute(maximum, "PlainText"), out.maximumPlainText) ||
        !OptionalCount(Attribute(maximum, "DateAndTime"), out.maximumDateAndTime)) {
        return false;
    }
    out.maximumTotal = total.value_or(0);
    return ReadTexts(options, "PositionOption", out.positions) && ReadTexts(text, "Type", out.textTypes) &&
           ReadTexts(text, "DateFormat", out.dateFormats) && ReadTexts(text, "TimeFormat", out.timeFormats);
}

bool ReadCreatedOsd(pugi::xml_node body, std::string& token)
{
    return IsResponse(body, "CreateOSDResponse") && FieldText(Child(body, "OSDToken"), token) &&
           !token.empty();
}

} // namespace onvif
