#pragma once
// The picture an ONVIF camera shows: a moving test pattern at an encoder's
// resolution and rate, with the camera's brightness, contrast and
// saturation, its title and the date and time drawn in; as a GStreamer
// pipeline for the RTSP stream, and as one JPEG for the snapshot.
#include "LiveCamera.h"

#include <optional>
#include <string>

struct _GstElement;

namespace camsim {

struct PictureSettings
{
    EncoderConfig encoder;
    bool showTitle = false;
    std::string title;
    std::string titlePosition = "UpperLeft";
    bool showDate = false;
    std::string datePosition = "UpperRight";
    double brightness = 0; // videobalance's -1..1, 0 unchanged
    double contrast = 1;   // videobalance's 0..2, 1 unchanged
    double saturation = 1; // videobalance's 0..2, 1 unchanged
    bool operator==(const PictureSettings&) const = default;
};

// What encoder 0 (main) or 1 (sub) of the camera shows now; the caller holds
// the camera's mutex.
PictureSettings PictureOf(const LiveCamera& camera, std::size_t encoder);

// The gst-rtsp-server launch text of a stream with these settings (its
// payloader is pay0). Only numbers and fixed words go into it: the title
// text is set on the element, never parsed.
std::string StreamLaunch(const PictureSettings& picture);

// Sets brightness, contrast, saturation, title and date of a running
// picture (a bin made from StreamLaunch) to these settings.
void ApplyPicture(_GstElement* bin, const PictureSettings& picture);

// One picture as JPEG at the encoder's resolution; nullopt with a reason.
std::optional<std::string> SnapshotJpeg(const PictureSettings& picture, std::string& why);

// Initialises GStreamer once for the process.
void EnsureGstreamer();

} // namespace camsim
