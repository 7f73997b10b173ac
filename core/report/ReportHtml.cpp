#include "ReportHtml.h"

#include "IniFile.h"
#include "LangKeys.h"
#include "LangTable.h"
#include "SoapEnvelope.h"
#include "Utf8Text.h"

#include <span>

namespace {
// Text keys of the page.
constexpr unsigned kTitle = 88300;
constexpr unsigned kCameras = 88301;
constexpr unsigned kDate = 88302;
constexpr unsigned kFirmware = 88303;
constexpr unsigned kTimeZone = 88304;
constexpr unsigned kNtpServer = 88305;
constexpr unsigned kMainStream = 88306;
constexpr unsigned kNoPicture = 88307;
constexpr unsigned kNotRead = 88308;
constexpr unsigned kNotUsed = 88314;
constexpr unsigned kName = 20000;
constexpr unsigned kMac = 20001;
constexpr unsigned kIp = 20002;
constexpr unsigned kModel = 20006;
constexpr unsigned kProtocol = 20040;

// Screen: cards in a grid; paper: two cards a row, never split by a page end.
// Nothing is fetched from anywhere: the page stands alone.
constexpr const char* kStyle = R"(
body { font-family: "DejaVu Sans", Arial, sans-serif; margin: 24px; color: #1d2733; background: #f3f5f8; }
header { border-bottom: 2px solid #2c5d8f; margin-bottom: 16px; }
h1 { margin: 0 0 4px; font-size: 24px; color: #2c5d8f; }
header p { margin: 0 0 10px; color: #4a5868; }
.cards { display: grid; grid-template-columns: repeat(auto-fill, minmax(320px, 1fr)); gap: 16px; }
.card { background: #fff; border: 1px solid #c9d3de; border-radius: 6px; padding: 12px; break-inside: avoid; }
.card h2 { font-size: 16px; margin: 0 0 8px; overflow-wrap: anywhere; }
.picture { width: 100%; aspect-ratio: 4 / 3; object-fit: contain; background: #20262d; display: block; }
.none { display: flex; align-items: center; justify-content: center; color: #c9d3de; }
.reason { background: #fbe9e7; border: 1px solid #e0a49a; color: #8a2a1a; padding: 6px; margin: 8px 0 0; }
table { border-collapse: collapse; width: 100%; margin-top: 8px; font-size: 13px; }
th { text-align: left; font-weight: normal; color: #4a5868; width: 38%; padding: 2px 6px 2px 0; vertical-align: top; }
td { padding: 2px 0; overflow-wrap: anywhere; }
@media print {
  body { background: #fff; margin: 0; }
  .cards { grid-template-columns: 1fr 1fr; gap: 8mm; }
  .card { border-color: #999; }
}
)";

std::string Label(unsigned key)
{
    const wchar_t* english = LangDefaultText(key);
    return onvif::XmlEscape(PlatformToUtf8(LangText(key, english != nullptr ? english : L"")));
}

void AddRow(std::string& html, unsigned key, const std::string& value)
{
    html += "<tr><th>" + Label(key) + "</th><td>";
    html += value.empty() ? "<span class=\"unread\">" + Label(kNotRead) + "</span>" : onvif::XmlEscape(value);
    html += "</td></tr>\n";
}

std::string VideoText(const CameraCard& card)
{
    if (!card.videoRead) {
        return {};
    }
    return card.codec + ", " + card.frameSize + ", " + std::to_string(card.frameRate) + " fps, " +
           std::to_string(card.bitRate) + " kbit/s";
}

void AddCard(std::string& html, const CameraCard& card)
{
    html += "<section class=\"card\">\n<h2>" + onvif::XmlEscape(card.name.empty() ? card.ip : card.name) + "</h2>\n";
    if (!card.picture.empty()) {
        html += "<img class=\"picture\" alt=\"\" src=\"data:image/jpeg;base64," +
                onvif::Base64(std::span<const std::uint8_t>(card.picture)) + "\">\n";
    } else {
        html += "<div class=\"picture none\">" + Label(kNoPicture) + "</div>\n";
    }
    if (!card.reason.empty()) {
        html += "<p class=\"reason\">" + onvif::XmlEscape(card.reason) + "</p>\n";
    }
    html += "<table>\n";
    AddRow(html, kName, card.name);
    AddRow(html, kMac, card.mac);
    AddRow(html, kIp, card.ip);
    AddRow(html, kModel, card.model);
    AddRow(html, kFirmware, card.firmware);
    AddRow(html, kProtocol, card.protocol);
    AddRow(html, kTimeZone, card.timeZone);
    if (card.clockRead && !card.followsNtp) {
        html += "<tr><th>" + Label(kNtpServer) + "</th><td>" + Label(kNotUsed) + "</td></tr>\n";
    } else {
        AddRow(html, kNtpServer, card.ntpServer);
    }
    AddRow(html, kMainStream, VideoText(card));
    html += "</table>\n</section>\n";
}
} // namespace

std::string ReportHtml(const std::vector<CameraCard>& cards, const std::string& date)
{
    std::string html = "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n"
                       // Camera texts are escaped; this is the second lock: no script of
                       // any kind runs and nothing is loaded from elsewhere.
                       "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
                       "img-src data:; style-src 'unsafe-inline'\">\n<title>" +
                       Label(kTitle) + "</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n<header>\n<h1>" +
                       Label(kTitle) + "</h1>\n<p>" + Label(kCameras) + ": " + std::to_string(cards.size()) +
                       " &middot; " + Label(kDate) + ": " + onvif::XmlEscape(date) +
                       "</p>\n</header>\n<main class=\"cards\">\n";
    for (const CameraCard& card : cards) {
        AddCard(html, card);
    }
    html += "</main>\n</body>\n</html>\n";
    return html;
}

std::string ReportDate(std::time_t when)
{
    std::tm local{};
    localtime_r(&when, &local);
    char text[32] = {};
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
    return text;
}

bool WriteReportFile(const std::string& path, const std::string& html)
{
    return !path.empty() && WriteWholeFile(path, html);
}
