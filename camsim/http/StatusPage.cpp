#include "StatusPage.h"

#include <chrono>
#include <cstdio>

namespace camsim {
namespace {

const char* const kPrimarySizes[] = {"2560*1920", "2048*1536", "1920*1080", "1600*1200",
                                     "1280*960",  "1280*720",  "704*576"};
const char* const kSecondarySizes[] = {"640*480", "640*360", "352*288", "320*240", "320*192"};
const char* const kCodecs[] = {"H.264", "MPEG4", "MJPEG"};

std::string UpTimeText(long long seconds)
{
    char text[48];
    std::snprintf(text, sizeof text, "%lld d %02lld:%02lld:%02lld", seconds / 86400, seconds / 3600 % 24,
                  seconds / 60 % 60, seconds % 60);
    return text;
}

std::string Row(std::string_view label, std::string_view value)
{
    return "<tr><th>" + HtmlEscape(label) + "</th><td>" + HtmlEscape(value) + "</td></tr>\n";
}

std::string StreamText(const VideoConfigRecord& r, bool primary)
{
    const auto sizeCount = primary ? std::size(kPrimarySizes) : std::size(kSecondarySizes);
    const char* size = (r.frameSize >= 0 && static_cast<size_t>(r.frameSize) < sizeCount)
                           ? (primary ? kPrimarySizes : kSecondarySizes)[r.frameSize]
                           : "?";
    const char* codec = r.codec < std::size(kCodecs) ? kCodecs[r.codec] : "?";
    return std::string(codec) + " " + size + " " + std::to_string(r.frameRate) + " fps " +
           std::to_string(r.bitRate) + " kbit/s";
}

} // namespace

std::string HtmlEscape(std::string_view text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
            break;
        }
    }
    return out;
}

std::string StatusPageHtml(const LiveCamera& camera)
{
    const auto upSeconds = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() -
                                                                            camera.sim.upSince)
                               .count();
    const CameraSettings& s = camera.settings;
    std::string page = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" +
                       HtmlEscape(camera.sim.name) +
                       "</title>\n<style>body{font-family:sans-serif;margin:2em;background:#f5f6f5}"
                       "table{border-collapse:collapse;background:#fff}th,td{border:1px solid #ccc;"
                       "padding:4px 12px;text-align:left}th{background:#eef}</style></head>\n<body>\n<h1>" +
                       HtmlEscape(camera.sim.name) + "</h1>\n<table>\n";
    page += Row("Model", camera.sim.model);
    page += Row("Firmware version", camera.sim.version);
    page += Row("MAC address", camera.MacText());
    page += Row("IP address", camera.sim.ip);
    page += Row("HTTP port", std::to_string(camera.sim.port));
    page += Row("RTSP port", std::to_string(s.ports.rtspPort));
    page += Row("Running for", UpTimeText(upSeconds));
    page += Row("Primary stream", StreamText(s.primary, true));
    page += Row("Secondary stream", s.primary.secondaryEnabled ? StreamText(s.secondary, false) : "off");
    page += Row("Video title", s.osd.showTitle ? std::string(s.osd.title) : "hidden");
    page += Row("DDNS", s.ddns.enabled ? std::string(s.ddns.host) : "off");
    page += "</table>\n</body></html>\n";
    return page;
}

} // namespace camsim
