#include "RecordJson.h"

#include <cstring>
#include <limits>
#include <vector>

namespace vtwire {
namespace {

#define VT_U8(R, m, name)                                                                                    \
    FieldSpec                                                                                                \
    {                                                                                                        \
        name, offsetof(R, m), FieldKind::U8, 1, false                                                        \
    }
#define VT_I32(R, m, name)                                                                                   \
    FieldSpec                                                                                                \
    {                                                                                                        \
        name, offsetof(R, m), FieldKind::I32, 4, false                                                       \
    }
#define VT_TEXT(R, m, name)                                                                                  \
    FieldSpec                                                                                                \
    {                                                                                                        \
        name, offsetof(R, m), FieldKind::Text, sizeof(R::m), false                                           \
    }

const FieldSpec kSystemDate[] = {
    VT_U8(SystemDateRecord, mode, "mode"),
    VT_TEXT(SystemDateRecord, date, "date"),
    VT_TEXT(SystemDateRecord, time, "time"),
    VT_U8(SystemDateRecord, daylight, "daylight"),
    VT_TEXT(SystemDateRecord, ntpServer, "ntpServer"),
    VT_I32(SystemDateRecord, timeZone, "timeZone"),
};
const FieldSpec kPortInfo[] = {
    VT_I32(PortInfoRecord, httpPort, "http"),     VT_I32(PortInfoRecord, httpPort2, "http2"),
    VT_I32(PortInfoRecord, rtspPort, "rtsp"),     VT_I32(PortInfoRecord, rtspPort2, "rtsp2"),
    VT_I32(PortInfoRecord, reserved, "reserved"),
};
const FieldSpec kDdns[] = {
    VT_U8(DdnsRecord, enabled, "enabled"),
    VT_TEXT(DdnsRecord, provider, "provider"),
    VT_TEXT(DdnsRecord, user, "user"),
    VT_TEXT(DdnsRecord, password, "password"),
    VT_TEXT(DdnsRecord, hash, "hash"),
    VT_TEXT(DdnsRecord, host, "host"),
    VT_U8(DdnsRecord, easyEnabled, "easyEnabled"),
    VT_U8(DdnsRecord, easyChosen, "easyChosen"),
    FieldSpec{"mac", offsetof(DdnsRecord, mac), FieldKind::Text, sizeof(DdnsRecord::mac), true},
};
const FieldSpec kSystemInfo[] = {
    VT_TEXT(SystemInfoRecord, model, "model"),
    VT_TEXT(SystemInfoRecord, hardware, "hardware"),
    VT_TEXT(SystemInfoRecord, version, "version"),
};
const FieldSpec kVideoConfig[] = {
    VT_U8(VideoConfigRecord, stream, "stream"),
    VT_U8(VideoConfigRecord, secondaryEnabled, "secondaryEnabled"),
    VT_U8(VideoConfigRecord, codec, "codec"),
    VT_I32(VideoConfigRecord, frameSize, "frameSize"),
    VT_I32(VideoConfigRecord, frameRate, "frameRate"),
    VT_I32(VideoConfigRecord, bitRate, "bitRate"),
    VT_U8(VideoConfigRecord, rateControl, "rateControl"),
    VT_I32(VideoConfigRecord, iFrameInterval, "iFrameInterval"),
    VT_I32(VideoConfigRecord, profile, "profile"),
};
const FieldSpec kOsd[] = {
    VT_U8(OsdRecord, showTitle, "showTitle"),
    VT_U8(OsdRecord, showTime, "showTime"),
    VT_TEXT(OsdRecord, title, "title"),
    VT_U8(OsdRecord, titlePosition, "titlePosition"),
    VT_U8(OsdRecord, datePosition, "datePosition"),
    VT_U8(OsdRecord, dateFormat, "dateFormat"),
};
const FieldSpec kImagingSettings[] = {
    VT_I32(ImagingSettingsRecord, brightness, "brightness"),
    VT_I32(ImagingSettingsRecord, contrast, "contrast"),
    VT_I32(ImagingSettingsRecord, saturation, "saturation"),
    VT_I32(ImagingSettingsRecord, sharpness, "sharpness"),
    VT_I32(ImagingSettingsRecord, noiseReduction, "noiseReduction"),
};
const FieldSpec kImagingConfig[] = {
    VT_U8(ImagingConfigRecord, mirror, "mirror"),
    VT_U8(ImagingConfigRecord, flip, "flip"),
    VT_I32(ImagingConfigRecord, frequency, "frequency"),
    VT_U8(ImagingConfigRecord, irCut, "irCut"),
    VT_U8(ImagingConfigRecord, wdr, "wdr"),
    VT_U8(ImagingConfigRecord, backlight, "backlight"),
    VT_U8(ImagingConfigRecord, localDisplay, "localDisplay"),
    VT_U8(ImagingConfigRecord, outdoor, "outdoor"),
    VT_U8(ImagingConfigRecord, exposureLevel, "exposureLevel"),
    VT_U8(ImagingConfigRecord, maxExposure, "maxExposure"),
};

#undef VT_U8
#undef VT_I32
#undef VT_TEXT

constexpr char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Base64Value(char c)
{
    const char* hit = std::strchr(kBase64Alphabet, c);
    return (c != '\0' && hit != nullptr) ? static_cast<int>(hit - kBase64Alphabet) : -1;
}

} // namespace

template <> std::span<const FieldSpec> RecordFields<SystemDateRecord>()
{
    return kSystemDate;
}
template <> std::span<const FieldSpec> RecordFields<PortInfoRecord>()
{
    return kPortInfo;
}
template <> std::span<const FieldSpec> RecordFields<DdnsRecord>()
{
    return kDdns;
}
template <> std::span<const FieldSpec> RecordFields<SystemInfoRecord>()
{
    return kSystemInfo;
}
template <> std::span<const FieldSpec> RecordFields<VideoConfigRecord>()
{
    return kVideoConfig;
}
template <> std::span<const FieldSpec> RecordFields<OsdRecord>()
{
    return kOsd;
}
template <> std::span<const FieldSpec> RecordFields<ImagingSettingsRecord>()
{
    return kImagingSettings;
}
template <> std::span<const FieldSpec> RecordFields<ImagingConfigRecord>()
{
    return kImagingConfig;
}

bool IsValidUtf8(std::string_view bytes)
{
    size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        size_t extra = 0;
        uint32_t code = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            extra = 1;
            code = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2;
            code = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3;
            code = lead & 0x07;
        } else {
            return false;
        }
        if (i + extra >= bytes.size()) {
            return false;
        }
        for (size_t k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            code = (code << 6) | (next & 0x3F);
        }
        static constexpr uint32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
        if (code < kMinimum[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        i += extra + 1;
    }
    return true;
}

std::string Base64Encode(std::string_view bytes)
{
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        uint32_t chunk = static_cast<unsigned char>(bytes[i]) << 16;
        const size_t left = bytes.size() - i;
        if (left > 1) {
            chunk |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        }
        if (left > 2) {
            chunk |= static_cast<unsigned char>(bytes[i + 2]);
        }
        out += kBase64Alphabet[(chunk >> 18) & 63];
        out += kBase64Alphabet[(chunk >> 12) & 63];
        out += left > 1 ? kBase64Alphabet[(chunk >> 6) & 63] : '=';
        out += left > 2 ? kBase64Alphabet[chunk & 63] : '=';
    }
    return out;
}

std::optional<std::string> Base64Decode(std::string_view text)
{
    if (text.size() % 4 != 0) {
        return std::nullopt;
    }
    std::string out;
    for (size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        int values[4];
        int padding = 0;
        for (int k = 0; k < 4; ++k) {
            const char c = text[i + k];
            if (c == '=' && last && k >= 2) {
                values[k] = 0;
                ++padding;
                continue;
            }
            values[k] = padding > 0 ? -1 : Base64Value(c);
            if (values[k] < 0) {
                return std::nullopt;
            }
        }
        const uint32_t chunk = (values[0] << 18) | (values[1] << 12) | (values[2] << 6) | values[3];
        out += static_cast<char>((chunk >> 16) & 0xFF);
        if (padding < 2) {
            out += static_cast<char>((chunk >> 8) & 0xFF);
        }
        if (padding < 1) {
            out += static_cast<char>(chunk & 0xFF);
        }
    }
    return out;
}

nlohmann::json TextToJson(std::string_view bytes)
{
    if (IsValidUtf8(bytes)) {
        return std::string(bytes);
    }
    return nlohmann::json{{"base64", Base64Encode(bytes)}};
}

std::optional<std::string> TextFromJson(const nlohmann::json& value)
{
    if (value.is_string()) {
        return value.get<std::string>();
    }
    if (value.is_object() && value.size() == 1 && value.contains("base64") && value["base64"].is_string()) {
        return Base64Decode(value["base64"].get_ref<const std::string&>());
    }
    return std::nullopt;
}

std::optional<nlohmann::json> FieldsToJson(const void* record, std::span<const FieldSpec> fields)
{
    const auto* bytes = static_cast<const unsigned char*>(record);
    nlohmann::json object = nlohmann::json::object();
    for (const FieldSpec& field : fields) {
        const unsigned char* at = bytes + field.offset;
        switch (field.kind) {
        case FieldKind::U8:
            object[field.name] = static_cast<int>(*at);
            break;
        case FieldKind::I32: {
            int32_t value = 0;
            std::memcpy(&value, at, sizeof value);
            object[field.name] = value;
            break;
        }
        case FieldKind::Text: {
            const auto* text = reinterpret_cast<const char*>(at);
            const size_t length = strnlen(text, field.width);
            if (length == field.width) {
                return std::nullopt;
            }
            object[field.name] = TextToJson(std::string_view(text, length));
            break;
        }
        }
    }
    return object;
}

bool FieldsFromJson(const nlohmann::json& object, void* record, size_t recordSize,
                    std::span<const FieldSpec> fields, bool includeReadOnly)
{
    if (!object.is_object()) {
        return false;
    }
    std::vector<unsigned char> result(static_cast<unsigned char*>(record),
                                      static_cast<unsigned char*>(record) + recordSize);
    for (const FieldSpec& field : fields) {
        if (field.readOnly && !includeReadOnly) {
            continue;
        }
        const auto found = object.find(field.name);
        if (found == object.end()) {
            return false;
        }
        unsigned char* at = result.data() + field.offset;
        if (field.kind == FieldKind::Text) {
            const auto text = TextFromJson(*found);
            if (!text || text->size() >= field.width || text->find('\0') != std::string::npos) {
                return false;
            }
            std::memset(at, 0, field.width);
            std::memcpy(at, text->data(), text->size());
            continue;
        }
        if (!found->is_number_integer()) {
            return false;
        }
        const auto wide = found->get<int64_t>();
        if (found->is_number_unsigned() && found->get<uint64_t>() > static_cast<uint64_t>(INT64_MAX)) {
            return false;
        }
        if (field.kind == FieldKind::U8) {
            if (wide < 0 || wide > 255) {
                return false;
            }
            *at = static_cast<unsigned char>(wide);
        } else {
            if (wide < std::numeric_limits<int32_t>::min() || wide > std::numeric_limits<int32_t>::max()) {
                return false;
            }
            const auto value = static_cast<int32_t>(wide);
            std::memcpy(at, &value, sizeof value);
        }
    }
    std::memcpy(record, result.data(), recordSize);
    return true;
}

std::optional<nlohmann::json> ParseObject(std::string_view body)
{
    nlohmann::json value = nlohmann::json::parse(body, nullptr, false);
    if (value.is_discarded() || !value.is_object()) {
        return std::nullopt;
    }
    return value;
}

} // namespace vtwire
