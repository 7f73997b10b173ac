// The Imaging service (ver20) of the one video source: brightness, colour
// saturation, contrast and sharpness in the camera's own range (the site may
// give it another than 0 to 100, so clients must scale), the IR cut filter,
// and the exposure and white balance modes.
#include "OnvifMediaXml.h"
#include "OnvifService.h"

#include <array>

namespace camsim {
namespace {

constexpr const char* kPrefix = "timg";
constexpr std::array kIrCutModes = {"ON", "OFF", "AUTO"};
constexpr std::array kAutoManual = {"AUTO", "MANUAL"};

std::string SettingsXml(const ImagingValues& values)
{
    return Element("timg:ImagingSettings",
                   TextElement("tt:Brightness", FormatNumber(values.brightness)) +
                       TextElement("tt:ColorSaturation", FormatNumber(values.colorSaturation)) +
                       TextElement("tt:Contrast", FormatNumber(values.contrast)) +
                       Element("tt:Exposure", TextElement("tt:Mode", values.exposureMode)) +
                       TextElement("tt:IrCutFilter", values.irCutFilter) +
                       TextElement("tt:Sharpness", FormatNumber(values.sharpness)) +
                       Element("tt:WhiteBalance", TextElement("tt:Mode", values.whiteBalanceMode)));
}

std::string OptionsXml(const IntRange& range)
{
    std::string irModes;
    for (const char* mode : kIrCutModes) {
        irModes += TextElement("tt:IrCutFilterModes", mode);
    }
    std::string modes;
    for (const char* mode : kAutoManual) {
        modes += TextElement("tt:Mode", mode);
    }
    return Element("timg:ImagingOptions", RangeXml("tt:Brightness", range) + RangeXml("tt:ColorSaturation", range) +
                                              RangeXml("tt:Contrast", range) + Element("tt:Exposure", modes) + irModes +
                                              RangeXml("tt:Sharpness", range) + Element("tt:WhiteBalance", modes));
}

template <std::size_t N>
bool OneOf(const std::string& text, const std::array<const char*, N>& choices)
{
    for (const char* choice : choices) {
        if (text == choice) {
            return true;
        }
    }
    return false;
}

// The settings of a SetImagingSettings read over the current ones; a reason
// when a value is outside what the camera offers.
std::optional<std::string> ReadSettings(const pugi::xml_node& node, const IntRange& range, ImagingValues& values)
{
    for (auto [name, field] : {std::pair{"Brightness", &values.brightness},
                               {"ColorSaturation", &values.colorSaturation},
                               {"Contrast", &values.contrast},
                               {"Sharpness", &values.sharpness}}) {
        if (Child(node, name) && (!ReadReal(ChildText(node, {name}), *field) || !range.Holds(*field))) {
            return std::string(name) + " must be " + std::to_string(range.min) + " to " + std::to_string(range.max);
        }
    }
    if (Child(node, "IrCutFilter")) {
        values.irCutFilter = ChildText(node, {"IrCutFilter"});
        if (!OneOf(values.irCutFilter, kIrCutModes)) {
            return "IrCutFilter must be ON, OFF or AUTO";
        }
    }
    for (auto [name, field] : {std::pair{"Exposure", &values.exposureMode},
                               {"WhiteBalance", &values.whiteBalanceMode}}) {
        if (Child(Child(node, name), "Mode")) {
            *field = ChildText(node, {name, "Mode"});
            if (!OneOf(*field, kAutoManual)) {
                return std::string(name) + " mode must be AUTO or MANUAL";
            }
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<OnvifAnswer> AnswerImagingRequest(LiveCamera& camera, const SoapRequest& request,
                                                const OnvifRequestContext& context)
{
    const std::string& action = request.actionName;
    OnvifMediaState& state = camera.onvif.media;
    const bool known = action == "GetImagingSettings" || action == "GetOptions" || action == "SetImagingSettings";
    if (known && ChildText(request.action, {"VideoSourceToken"}) != kVideoSourceToken) {
        return InvalidArgument("ter:NoSource", "no such video source");
    }
    if (action == "GetServiceCapabilities") {
        return RespondAs(kPrefix, action, "<timg:Capabilities ImageStabilization=\"false\" Presets=\"false\"/>");
    }
    if (action == "GetImagingSettings") {
        return RespondAs(kPrefix, action, SettingsXml(state.imaging));
    }
    if (action == "GetOptions") {
        return RespondAs(kPrefix, action, OptionsXml(state.imagingRange));
    }
    if (action == "SetImagingSettings") {
        ImagingValues values = state.imaging;
        if (const auto outside = ReadSettings(Child(request.action, "ImagingSettings"), state.imagingRange, values)) {
            return InvalidArgument("ter:SettingsInvalid", *outside);
        }
        state.imaging = values;
        camera.onvif.Log(camera.onvif.CameraTime(context.now), "imaging settings set");
        OnvifAnswer answer = RespondAs(kPrefix, action, "");
        answer.after = OnvifAfter::Restream;
        return answer;
    }
    return std::nullopt;
}

} // namespace camsim
