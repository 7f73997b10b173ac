#include "CliSettings.h"

#include "CapabilityClass.h"
#include "FamilyCamera.h"
#include "ImagingApply.h"
#include "NetworkParams.h"
#include "PreviewRules.h"
#include "TimeZoneTable.h"
#include "VideoParams.h"

#include <cstring>
#include <map>

namespace {
const char* OnOff(int value)
{
    return value != 0 ? "on" : "off";
}

const char* ClockSource(int mode)
{
    static const char* const sources[] = {"manual", "ntp", "computer", "keep"};
    return mode >= 0 && mode < 4 ? sources[mode] : "unknown";
}

std::string CodecText(int wireCodec, bool aModel, bool family)
{
    if (!family) {
        const char* caption = CodecCaption(wireCodec);
        return *caption != '\0' ? caption : std::to_string(wireCodec);
    }
    const std::vector<int> codecs = CodecChoices(aModel);
    const int codec = CodecOfEntry(EntryOfWireCodec(wireCodec, static_cast<int>(codecs.size())), aModel);
    const char* caption = codec >= 0 ? CodecCaption(codec) : nullptr;
    return caption != nullptr ? caption : std::to_string(wireCodec);
}

std::string Caption(const char* caption, int code)
{
    return caption != nullptr ? caption : std::to_string(code);
}

std::vector<std::string> StreamCells(const VideoConfigRecord& r, bool aModel, bool family, bool primary)
{
    return {CodecText(r.codec, aModel, family),
            primary ? Caption(PrimarySizeCaption(r.frameSize), r.frameSize)
                    : Caption(SecondarySizeCaption(r.frameSize), r.frameSize),
            std::to_string(r.frameRate), std::to_string(r.bitRate), r.rateControl == 0 ? "cbr" : "vbr",
            std::to_string(r.iFrameInterval)};
}
} // namespace

bool ParseSettingsSection(const std::string& name, SettingsSection& section)
{
    static const std::map<std::string, SettingsSection> sections = {{"system", SettingsSection::System},
                                                                     {"network", SettingsSection::Network},
                                                                     {"video", SettingsSection::Video},
                                                                     {"osd", SettingsSection::Osd},
                                                                     {"imaging", SettingsSection::Imaging}};
    const auto found = sections.find(name);
    if (found == sections.end()) {
        return false;
    }
    section = found->second;
    return true;
}

std::string FieldString(const char* field, std::size_t size)
{
    return std::string(field, strnlen(field, size));
}

bool ReadSection(Camera& camera, SettingsSection section, SectionValues& v)
{
    v.family = IsFamilyCamera(camera);
    switch (section) {
    case SettingsSection::System:
        return camera.GetSystemDate(v.date).Done();
    case SettingsSection::Network:
        return camera.GetPorts(v.ports).Done() && camera.GetDdns(v.ddns).Done() &&
               camera.GetSystemInfo(v.info).Done();
    case SettingsSection::Video:
        v.primary.stream = 1;
        v.secondary.stream = 0;
        if (!camera.GetVideoConfig(v.primary).Done() || !camera.GetVideoConfig(v.secondary).Done()) {
            return false;
        }
        if (v.family) {
            return camera.GetImagingConfig(v.imaging).Done();
        }
        v.primaryOptions.emplace();
        v.secondaryOptions.emplace();
        return camera.GetVideoOptions(1, *v.primaryOptions).Done() &&
               camera.GetVideoOptions(0, *v.secondaryOptions).Done();
    case SettingsSection::Osd:
        return camera.GetOsd(v.osd).Done();
    case SettingsSection::Imaging:
        return camera.GetImagingSettings(v.picture).Done() && camera.GetImagingConfig(v.imaging).Done();
    }
    return false;
}

std::vector<OutputColumn> SectionColumns(SettingsSection section)
{
    switch (section) {
    case SettingsSection::System:
        return {{"time_zone", "Time Zone"}, {"time_zone_row", "Row", true}, {"daylight", "Daylight Saving"},
                {"clock", "Clock"},         {"ntp", "NTP Server"},          {"date", "Date"},
                {"time", "Time"}};
    case SettingsSection::Network:
        return {{"http_port", "HTTP Port", true},
                {"rtsp_port", "RTSP Port", true},
                {"ddns", "DDNS"},
                {"provider", "Provider"},
                {"ddns_user", "DDNS User"},
                {"ddns_host", "DDNS Host"},
                {"easy_ddns", "Easy DDNS"}};
    case SettingsSection::Video:
        return {{"codec", "Codec"},
                {"size", "Size"},
                {"rate", "FPS", true},
                {"bitrate", "Bit Rate", true},
                {"rate_control", "Control"},
                {"iframe", "I-Frame", true},
                {"secondary", "Secondary"},
                {"secondary_codec", "2nd Codec"},
                {"secondary_size", "2nd Size"},
                {"secondary_rate", "2nd FPS", true},
                {"secondary_bitrate", "2nd Bit Rate", true},
                {"secondary_rate_control", "2nd Control"},
                {"secondary_iframe", "2nd I-Frame", true}};
    case SettingsSection::Osd:
        return {{"show_title", "Show Title"},     {"title", "Title"},
                {"title_position", "Title Pos", true}, {"show_time", "Show Time"},
                {"date_position", "Date Pos", true},   {"date_format", "Date Format", true}};
    case SettingsSection::Imaging:
        return {{"brightness", "Brightness", true},
                {"contrast", "Contrast", true},
                {"saturation", "Saturation", true},
                {"sharpness", "Sharpness", true},
                {"noise_reduction", "Noise Reduction", true},
                {"exposure_level", "Exposure Level", true},
                {"max_exposure", "Max Exposure", true},
                {"ir_cut", "IR-Cut", true},
                {"frequency", "Frequency", true},
                {"outdoor", "Outdoor", true},
                {"local_display", "Local Display", true}};
    }
    return {};
}

std::vector<std::string> SectionCells(SettingsSection section, const SectionValues& v, const std::string& model)
{
    const bool aModel = v.family && IsAModel(model);
    // Cameras of other makers give every picture value over 0-255, as A models do.
    const bool fullPictureRange = !v.family || aModel;
    switch (section) {
    case SettingsSection::System: {
        const char* zone = TimeZoneCaption(v.date.timeZone);
        return {zone != nullptr ? zone : "",
                std::to_string(v.date.timeZone),
                OnOff(v.date.daylight),
                ClockSource(v.date.mode),
                FieldString(v.date.ntpServer, sizeof v.date.ntpServer),
                FieldString(v.date.date, sizeof v.date.date),
                FieldString(v.date.time, sizeof v.date.time)};
    }
    case SettingsSection::Network:
        return {std::to_string(v.ports.httpPort),
                std::to_string(v.ports.rtspPort),
                OnOff(v.ddns.enabled),
                FieldString(v.ddns.provider, sizeof v.ddns.provider),
                FieldString(v.ddns.user, sizeof v.ddns.user),
                FieldString(v.ddns.host, sizeof v.ddns.host),
                OnOff(v.ddns.easyChosen)};
    case SettingsSection::Video: {
        std::vector<std::string> cells = StreamCells(v.primary, aModel, v.family, true);
        cells.push_back(OnOff(v.primary.secondaryEnabled));
        for (std::string& cell : StreamCells(v.secondary, aModel, v.family, false)) {
            cells.push_back(std::move(cell));
        }
        return cells;
    }
    case SettingsSection::Osd:
        return {OnOff(v.osd.showTitle),
                FieldString(v.osd.title, sizeof v.osd.title),
                std::to_string(v.osd.titlePosition),
                OnOff(v.osd.showTime),
                std::to_string(v.osd.datePosition),
                std::to_string(v.osd.dateFormat)};
    case SettingsSection::Imaging: {
        std::vector<std::string> cells;
        for (int i = 0; i < kPictureValueCount; ++i) {
            const auto which = static_cast<PictureValue>(i);
            cells.push_back(std::to_string(SliderFromCamera(PictureField(v.picture, which), which, fullPictureRange)));
        }
        const ImageChoices choices = ChoicesOf(v.imaging);
        for (const int value : {int(choices.exposureLevel), int(choices.maxExposure), int(choices.irCut),
                                int(choices.frequency), int(choices.outdoor), int(choices.localDisplay)}) {
            cells.push_back(std::to_string(value));
        }
        return cells;
    }
    }
    return {};
}
