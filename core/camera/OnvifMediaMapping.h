#pragma once
#include "Camera.h"
#include "OnvifMediaRecords.h"
#include "ZxExport.h"

#include <optional>
#include <string>
#include <vector>

// How an ONVIF camera's media and imaging values map onto the records the
// pages keep of a camera: encoder configurations onto VideoConfigRecord and
// VideoStreamOptions, on-screen texts onto OsdRecord, imaging values onto the
// 0-255 picture values and the imaging configuration. Pure functions.

// The code of a resolution in the primary (stream 1) or secondary (stream 0)
// frame-size table, or -1 when the table lacks it.
ZX_EXPORT int FrameSizeCode(const onvif::VideoResolution& resolution, bool primary);
// The resolution of a code; nullopt for a code the table lacks.
ZX_EXPORT std::optional<onvif::VideoResolution> FrameSizeOfCode(int code, bool primary);

// kWireCodec number of an encoding name ("H264", "H265", "JPEG", "MPEG4" or
// Media2's "MPV4-ES"), -1 for another.
ZX_EXPORT int WireCodecOfEncoding(const std::string& encoding);

// The record of a stream's encoder configuration. A resolution the table
// lacks reads as frame size -1, which a write keeps as it is.
ZX_EXPORT VideoConfigRecord VideoRecordOf(const onvif::VideoEncoderConfig& encoder, uint8_t stream);

// What the stream can take: every codec offered, and the sizes, rates, bit
// rates and GOV lengths offered for the encoding the stream runs now. A
// range the camera does not name is 0 to 0.
ZX_EXPORT VideoStreamOptions StreamOptionsOf(const std::vector<onvif::VideoEncoderOptions>& options,
                                             const std::string& encoding, bool primary);

// Puts the record's values into the configuration; false, with the
// configuration unchanged, when a value is not among the options offered for
// its codec.
ZX_EXPORT bool ApplyVideoRecord(const VideoConfigRecord& record,
                                const std::vector<onvif::VideoEncoderOptions>& options,
                                onvif::VideoEncoderConfig& encoder);

// A camera value within its range as 0-255 (rounded, clamped).
ZX_EXPORT int ScaledToRecord(float value, const onvif::FloatRange& range);
// A 0-255 value within the camera's range. The camera's current value is
// kept when it already reads as that value, so that a value read and written
// back unchanged never drifts; a range of whole numbers gets a whole number.
ZX_EXPORT float ScaledToCamera(int value, const onvif::FloatRange& range, std::optional<float> current);

// The picture values of the settings (0 for a value the camera has not).
ZX_EXPORT ImagingSettingsRecord PictureRecordOf(const onvif::ImagingSettings& settings,
                                                const onvif::ImagingOptions& options);
// Puts the record's picture values into the settings, where the camera has
// the value and names its range. Noise reduction has no equivalent.
ZX_EXPORT void ApplyPictureRecord(const ImagingSettingsRecord& record, const onvif::ImagingOptions& options,
                                  onvif::ImagingSettings& settings);

// The imaging configuration of the settings: IR cut, wide dynamic range,
// backlight compensation and the maximum exposure time; every other field is
// a fixed value (ImagingConfigDefaults) that the camera has no equivalent for.
ZX_EXPORT ImagingConfigRecord ImagingConfigOf(const onvif::ImagingSettings& settings);
ZX_EXPORT ImagingConfigRecord ImagingConfigDefaults();
// Puts the record into the settings; false, with the settings unchanged,
// when it asks for a mode the camera does not offer or changes a field that
// has no equivalent.
ZX_EXPORT bool ApplyImagingConfig(const ImagingConfigRecord& record, const onvif::ImagingOptions& options,
                                  onvif::ImagingSettings& settings);

// The text OSDs the record's title and date map onto.
struct OsdPair
{
    std::optional<onvif::OsdConfig> title; // plain text
    std::optional<onvif::OsdConfig> date;  // date, or date and time
};
ZX_EXPORT OsdPair FindOsdPair(const std::vector<onvif::OsdConfig>& osds);
ZX_EXPORT OsdRecord OsdRecordOf(const OsdPair& pair);
// The OSDs as the record wants them (nullopt: none), built on the existing
// ones so that what the record does not say stays; false when the record
// asks for a position or date format the options do not offer.
ZX_EXPORT bool OsdPairFor(const OsdRecord& record, const onvif::OsdOptions& options,
                          const std::string& videoSourceConfigToken, const OsdPair& existing,
                          OsdPair& wanted);
