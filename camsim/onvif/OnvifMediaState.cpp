#include "OnvifMediaState.h"

#include "SimCamera.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace camsim {
namespace {

const std::vector<Resolution> kMainResolutions = {{1920, 1080}, {1280, 720}, {704, 576}};
const std::vector<Resolution> kSubResolutions = {{640, 480}, {352, 288}, {320, 240}};

} // namespace

std::string FormatNumber(double value)
{
    std::ostringstream text;
    text << value;
    return text.str();
}

OnvifMediaState InitialMediaState(const SimCamera& camera)
{
    OnvifMediaState state;
    state.h265 = camera.h265;
    state.imagingRange = {camera.imagingMin, camera.imagingMax};
    EncoderConfig& main = state.encoders[0];
    main.token = "vec_1";
    main.name = "MainStream";
    main.resolution = kMainResolutions.front();
    EncoderConfig& sub = state.encoders[1];
    sub.token = "vec_2";
    sub.name = "SubStream";
    sub.resolution = kSubResolutions.front();
    sub.frameRate = 15;
    sub.bitrate = 512;
    sub.govLength = 30;
    state.osds.push_back({"osd_1", false, camera.name.empty() ? camera.model : camera.name, "UpperLeft"});
    state.osds.push_back({"osd_2", true, {}, "UpperRight"});
    state.nextOsd = 3;
    const double middle = (state.imagingRange.min + state.imagingRange.max) / 2.0;
    state.imaging.brightness = middle;
    state.imaging.colorSaturation = middle;
    state.imaging.contrast = middle;
    state.imaging.sharpness = middle;
    return state;
}

EncoderOptions OptionsOf(const OnvifMediaState& state, std::size_t encoder)
{
    EncoderOptions options;
    options.encodings = {"H264", "JPEG"};
    if (state.h265) {
        options.encodings.push_back("H265");
    }
    options.resolutions = encoder == 0 ? kMainResolutions : kSubResolutions;
    return options;
}

std::optional<std::string> OutsideOptions(const EncoderConfig& config, const EncoderOptions& options)
{
    if (std::find(options.encodings.begin(), options.encodings.end(), config.encoding) == options.encodings.end()) {
        return "the encoder does not offer " + config.encoding;
    }
    if (std::find(options.resolutions.begin(), options.resolutions.end(), config.resolution) ==
        options.resolutions.end()) {
        return "the encoder does not offer " + std::to_string(config.resolution.width) + "x" +
               std::to_string(config.resolution.height);
    }
    if (!options.frameRate.Holds(config.frameRate)) {
        return "the frame rate must be " + std::to_string(options.frameRate.min) + " to " +
               std::to_string(options.frameRate.max);
    }
    if (!options.bitrate.Holds(config.bitrate)) {
        return "the bit rate must be " + std::to_string(options.bitrate.min) + " to " +
               std::to_string(options.bitrate.max) + " kbit/s";
    }
    if (!options.govLength.Holds(config.govLength)) {
        return "the GOV length must be " + std::to_string(options.govLength.min) + " to " +
               std::to_string(options.govLength.max);
    }
    if (!std::isfinite(config.quality) || !options.quality.Holds(config.quality)) {
        return "the quality must be " + std::to_string(options.quality.min) + " to " +
               std::to_string(options.quality.max);
    }
    return std::nullopt;
}

std::optional<std::size_t> EncoderOfProfile(const std::string& profileToken)
{
    for (std::size_t i = 0; i < kProfileTokens.size(); ++i) {
        if (profileToken == kProfileTokens[i]) {
            return i;
        }
    }
    return std::nullopt;
}

std::optional<std::size_t> EncoderOfToken(const OnvifMediaState& state, const std::string& token)
{
    for (std::size_t i = 0; i < state.encoders.size(); ++i) {
        if (token == state.encoders[i].token) {
            return i;
        }
    }
    return std::nullopt;
}

std::string DescribeEncoder(const EncoderConfig& config)
{
    return config.encoding + " " + std::to_string(config.resolution.width) + "x" +
           std::to_string(config.resolution.height) + " " + std::to_string(config.frameRate) + " fps " +
           std::to_string(config.bitrate) + " kbit/s " + (config.constantBitRate ? "CBR" : "VBR") + " GOV " +
           std::to_string(config.govLength) + " quality " + FormatNumber(config.quality);
}

} // namespace camsim
