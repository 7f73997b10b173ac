#include "PictureSource.h"

#include <algorithm>
#include <cctype>
#include <gst/gst.h>
#include <mutex>

namespace camsim {
namespace {

constexpr auto kSnapshotTimeout = 10 * GST_SECOND;

// -1..1 for brightness, 0..2 for the others: the camera's range mapped so
// that its middle leaves the picture as the pattern draws it.
double Balance(double value, const IntRange& range, double low, double high)
{
    const double share = (value - range.min) / static_cast<double>(range.max - range.min);
    return low + share * (high - low);
}

// Font size in points for a picture of this height: readable on the sub
// stream, not covering the main one.
int FontSize(int height)
{
    return std::max(8, height / 36);
}

// Everything before the encoder: pattern, size and rate, balance, texts.
std::string PictureChain(const PictureSettings& picture, bool live)
{
    const EncoderConfig& e = picture.encoder;
    const std::string font = "\"Sans " + std::to_string(FontSize(e.resolution.height)) + "\"";
    return std::string("videotestsrc pattern=ball background-color=0xff305878 foreground-color=0xfff0d040 ") +
           (live ? "is-live=true" : "num-buffers=1") + " ! video/x-raw,width=" + std::to_string(e.resolution.width) +
           ",height=" + std::to_string(e.resolution.height) + ",framerate=" + std::to_string(e.frameRate) +
           "/1 ! videoconvert ! videobalance name=balance ! textoverlay name=title shaded-background=true font-desc=" +
           font + " ! clockoverlay name=clock shaded-background=true time-format=\"%Y-%m-%d %H:%M:%S\" font-desc=" +
           font + " ! videoconvert";
}

std::string EncoderChain(const EncoderConfig& e)
{
    if (e.encoding == "JPEG") {
        return "jpegenc quality=" + std::to_string(static_cast<int>(e.quality * 10)) + " ! rtpjpegpay name=pay0 pt=26";
    }
    const std::string rate = " bitrate=" + std::to_string(e.bitrate) + " key-int-max=" + std::to_string(e.govLength);
    if (e.encoding == "H265") {
        return "x265enc speed-preset=ultrafast tune=zerolatency" + rate +
               " ! video/x-h265,profile=main ! rtph265pay name=pay0 pt=96 config-interval=1";
    }
    std::string profile = e.profile;
    for (char& c : profile) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    // Constant bit rate keeps x264's rate buffer short; variable lets it
    // average over three seconds.
    return "x264enc speed-preset=ultrafast tune=zerolatency pass=cbr vbv-buf-capacity=" +
           std::string(e.constantBitRate ? "600" : "3000") + rate + " ! video/x-h264,profile=" + profile +
           " ! rtph264pay name=pay0 pt=96 config-interval=1";
}

void Align(GstElement* overlay, const std::string& position)
{
    gst_util_set_object_arg(G_OBJECT(overlay), "halignment", position.find("Left") != std::string::npos ? "left" : "right");
    gst_util_set_object_arg(G_OBJECT(overlay), "valignment", position.rfind("Upper", 0) == 0 ? "top" : "bottom");
}

} // namespace

void EnsureGstreamer()
{
    static std::once_flag once;
    std::call_once(once, [] { gst_init(nullptr, nullptr); });
}

PictureSettings PictureOf(const LiveCamera& camera, std::size_t encoder)
{
    const OnvifMediaState& media = camera.onvif.media;
    PictureSettings picture;
    picture.encoder = media.encoders[encoder];
    for (const OsdConfig& osd : media.osds) {
        if (osd.dateTime) {
            picture.showDate = true;
            picture.datePosition = osd.position;
        } else {
            picture.showTitle = true;
            picture.title = osd.text;
            picture.titlePosition = osd.position;
        }
    }
    picture.brightness = Balance(media.imaging.brightness, media.imagingRange, -0.5, 0.5);
    picture.contrast = Balance(media.imaging.contrast, media.imagingRange, 0, 2);
    picture.saturation = Balance(media.imaging.colorSaturation, media.imagingRange, 0, 2);
    return picture;
}

std::string StreamLaunch(const PictureSettings& picture)
{
    return "( " + PictureChain(picture, true) + " ! " + EncoderChain(picture.encoder) + " )";
}

void ApplyPicture(GstElement* bin, const PictureSettings& picture)
{
    if (GstElement* balance = gst_bin_get_by_name(GST_BIN(bin), "balance")) {
        g_object_set(balance, "brightness", picture.brightness, "contrast", picture.contrast, "saturation",
                     picture.saturation, nullptr);
        gst_object_unref(balance);
    }
    if (GstElement* title = gst_bin_get_by_name(GST_BIN(bin), "title")) {
        // The overlay reads its text as Pango markup: a title is text, whatever it holds.
        gchar* text = g_markup_escape_text(picture.title.c_str(), -1);
        g_object_set(title, "text", text, "silent", !picture.showTitle, nullptr);
        g_free(text);
        Align(title, picture.titlePosition);
        gst_object_unref(title);
    }
    if (GstElement* clock = gst_bin_get_by_name(GST_BIN(bin), "clock")) {
        g_object_set(clock, "silent", !picture.showDate, nullptr);
        Align(clock, picture.datePosition);
        gst_object_unref(clock);
    }
}

std::optional<std::string> SnapshotJpeg(const PictureSettings& picture, std::string& why)
{
    EnsureGstreamer();
    const std::string launch =
        PictureChain(picture, false) + " ! jpegenc quality=85 ! fakesink name=sink sync=false enable-last-sample=true";
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(launch.c_str(), &error);
    if (error != nullptr) {
        why = error->message;
        g_clear_error(&error);
        if (pipeline != nullptr) {
            gst_object_unref(pipeline);
        }
        return std::nullopt;
    }
    ApplyPicture(pipeline, picture);
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* message = gst_bus_timed_pop_filtered(bus, kSnapshotTimeout,
                                                     static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    std::optional<std::string> jpeg;
    if (message != nullptr && GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS) {
        GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
        GstSample* sample = nullptr;
        g_object_get(sink, "last-sample", &sample, nullptr);
        GstMapInfo map;
        if (sample != nullptr && gst_buffer_map(gst_sample_get_buffer(sample), &map, GST_MAP_READ)) {
            jpeg.emplace(reinterpret_cast<const char*>(map.data), map.size);
            gst_buffer_unmap(gst_sample_get_buffer(sample), &map);
        }
        if (sample != nullptr) {
            gst_sample_unref(sample);
        }
        gst_object_unref(sink);
    }
    why = jpeg ? std::string() : "the picture could not be encoded";
    if (message != nullptr) {
        gst_message_unref(message);
    }
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return jpeg;
}

} // namespace camsim
