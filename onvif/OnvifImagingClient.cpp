#include "OnvifImagingClient.h"

#include "OnvifMediaAnswers.h"
#include "SoapBody.h"

namespace onvif {

namespace {

constexpr const char* kOpen = "xmlns:timg=\"http://www.onvif.org/ver20/imaging/wsdl\"";
constexpr float kMaxValue = 1e9f;

bool Value(pugi::xml_node node, std::optional<float>& out)
{
    if (!node) {
        return true;
    }
    return FieldFloat(node, out.emplace(), -kMaxValue, kMaxValue);
}

bool ModeAndLevel(pugi::xml_node node, std::optional<ModeLevel>& out)
{
    if (!node) {
        return true;
    }
    ModeLevel& value = out.emplace();
    return FieldText(Child(node, "Mode"), value.mode) && Value(Child(node, "Level"), value.level);
}

bool Exposure(pugi::xml_node node, std::optional<ExposureSettings>& out)
{
    if (!node) {
        return true;
    }
    ExposureSettings& e = out.emplace();
    return FieldText(Child(node, "Mode"), e.mode) && FieldText(Child(node, "Priority"), e.priority) &&
           Value(Child(node, "MinExposureTime"), e.minExposureTime) &&
           Value(Child(node, "MaxExposureTime"), e.maxExposureTime) &&
           Value(Child(node, "MinGain"), e.minGain) && Value(Child(node, "MaxGain"), e.maxGain) &&
           Value(Child(node, "MinIris"), e.minIris) && Value(Child(node, "MaxIris"), e.maxIris) &&
           Value(Child(node, "ExposureTime"), e.exposureTime) && Value(Child(node, "Gain"), e.gain) &&
           Value(Child(node, "Iris"), e.iris);
}

bool WhiteBalance(pugi::xml_node node, std::optional<WhiteBalanceSettings>& out)
{
    if (!node) {
        return true;
    }
    WhiteBalanceSettings& w = out.emplace();
    return FieldText(Child(node, "Mode"), w.mode) && Value(Child(node, "CrGain"), w.crGain) &&
           Value(Child(node, "CbGain"), w.cbGain);
}

void Optional(std::string& xml, std::string_view name, const std::optional<float>& value)
{
    if (value) {
        xml += Decimal(name, *value);
    }
}

void ModeLevelXml(std::string& xml, std::string_view name, const std::optional<ModeLevel>& value)
{
    if (!value) {
        return;
    }
    xml += "<tt:" + std::string(name) + ">" + Element("tt:Mode", value->mode);
    Optional(xml, "tt:Level", value->level);
    xml += "</tt:" + std::string(name) + ">";
}

} // namespace

OnvifImagingClient::OnvifImagingClient(OnvifDeviceClient& device, std::string address)
    : device_(device), address_(std::move(address))
{
}

OnvifResult OnvifImagingClient::Send(const std::string& bodyXml,
                                     const std::function<bool(pugi::xml_node)>& read)
{
    if (address_.empty()) {
        return Failure(OnvifStatus::BadAnswer, "the camera offers no imaging service");
    }
    return device_.CallService(address_, bodyXml, read);
}

OnvifResult OnvifImagingClient::GetImagingSettings(const std::string& videoSourceToken, ImagingSettings& out)
{
    return Send(std::string("<timg:GetImagingSettings ") + kOpen + ">" +
                    Element("timg:VideoSourceToken", videoSourceToken) + "</timg:GetImagingSettings>",
                [&](pugi::xml_node answer) { return ReadImagingSettings(answer, out); });
}

OnvifResult OnvifImagingClient::GetOptions(const std::string& videoSourceToken, ImagingOptions& out)
{
    return Send(std::string("<timg:GetOptions ") + kOpen + ">" +
                    Element("timg:VideoSourceToken", videoSourceToken) + "</timg:GetOptions>",
                [&](pugi::xml_node answer) { return ReadImagingOptions(answer, out); });
}

OnvifResult OnvifImagingClient::SetImagingSettings(const std::string& videoSourceToken,
                                                   const ImagingSettings& settings)
{
    return Send(std::string("<timg:SetImagingSettings ") + kOpen + ">" +
                    Element("timg:VideoSourceToken", videoSourceToken) + ImagingSettingsXml(settings) +
                    Flag("timg:ForcePersistence", true) + "</timg:SetImagingSettings>",
                [](pugi::xml_node answer) { return IsResponse(answer, "SetImagingSettingsResponse"); });
}

std::string ImagingSettingsXml(const ImagingSettings& s)
{
    std::string xml = "<timg:ImagingSettings>";
    ModeLevelXml(xml, "BacklightCompensation", s.backlightCompensation);
    Optional(xml, "tt:Brightness", s.brightness);
    Optional(xml, "tt:ColorSaturation", s.colorSaturation);
    Optional(xml, "tt:Contrast", s.contrast);
    if (const std::optional<ExposureSettings>& e = s.exposure) {
        xml += "<tt:Exposure>" + Element("tt:Mode", e->mode);
        if (!e->priority.empty()) {
            xml += Element("tt:Priority", e->priority);
        }
        Optional(xml, "tt:MinExposureTime", e->minExposureTime);
        Optional(xml, "tt:MaxExposureTime", e->maxExposureTime);
        Optional(xml, "tt:MinGain", e->minGain);
        Optional(xml, "tt:MaxGain", e->maxGain);
        Optional(xml, "tt:MinIris", e->minIris);
        Optional(xml, "tt:MaxIris", e->maxIris);
        Optional(xml, "tt:ExposureTime", e->exposureTime);
        Optional(xml, "tt:Gain", e->gain);
        Optional(xml, "tt:Iris", e->iris);
        xml += "</tt:Exposure>";
    }
    if (!s.irCutFilter.empty()) {
        xml += Element("tt:IrCutFilter", s.irCutFilter);
    }
    Optional(xml, "tt:Sharpness", s.sharpness);
    ModeLevelXml(xml, "WideDynamicRange", s.wideDynamicRange);
    if (const std::optional<WhiteBalanceSettings>& w = s.whiteBalance) {
        xml += "<tt:WhiteBalance>" + Element("tt:Mode", w->mode);
        Optional(xml, "tt:CrGain", w->crGain);
        Optional(xml, "tt:CbGain", w->cbGain);
        xml += "</tt:WhiteBalance>";
    }
    return xml + "</timg:ImagingSettings>";
}

bool ReadImagingSettings(pugi::xml_node body, ImagingSettings& out)
{
    const pugi::xml_node s = Child(body, "ImagingSettings");
    if (!IsResponse(body, "GetImagingSettingsResponse") || !s) {
        return false;
    }
    out = ImagingSettings{};
    return ModeAndLevel(Child(s, "BacklightCompensation"), out.backlightCompensation) &&
           Value(Child(s, "Brightness"), out.brightness) &&
           Value(Child(s, "ColorSaturation"), out.colorSaturation) &&
           Value(Child(s, "Contrast"), out.contrast) && Exposure(Child(s, "Exposure"), out.exposure) &&
           FieldText(Child(s, "IrCutFilter"), out.irCutFilter) &&
           Value(Child(s, "Sharpness"), out.sharpness) &&
           ModeAndLevel(Child(s, "WideDynamicRange"), out.wideDynamicRange) &&
           WhiteBalance(Child(s, "WhiteBalance"), out.whiteBalance);
}

bool ReadImagingOptions(pugi::xml_node body, ImagingOptions& out)
{
    const pugi::xml_node o = Child(body, "ImagingOptions");
    if (!IsResponse(body, "GetOptionsResponse") || !o) {
        return false;
    }
    out = ImagingOptions{};
    const pugi::xml_node exposure = Child(o, "Exposure");
    return ReadTexts(Child(o, "BacklightCompensation"), "Mode", out.backlightCompensationModes) &&
           ReadRange(Child(o, "Brightness"), out.brightness) &&
           ReadRange(Child(o, "ColorSaturation"), out.colorSaturation) &&
           ReadRange(Child(o, "Contrast"), out.contrast) && ReadTexts(exposure, "Mode", out.exposureModes) &&
           ReadRange(Child(exposure, "MaxExposureTime"), out.maxExposureTime) &&
           ReadTexts(o, "IrCutFilterModes", out.irCutFilterModes) &&
           ReadRange(Child(o, "Sharpness"), out.sharpness) &&
           ReadTexts(Child(o, "WideDynamicRange"), "Mode", out.wideDynamicRangeModes) &&
           ReadTexts(Child(o, "WhiteBalance"), "Mode", out.whiteBalanceModes);
}

} // namespace onvif
