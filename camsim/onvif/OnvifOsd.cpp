// The on-screen texts of Media2: at most one title (plain text) and one date
// and time, each in a corner of the picture; the stream and the snapshot
// draw them.
#include "OnvifService.h"

#include <algorithm>

namespace camsim {
namespace {

constexpr const char* kPrefix = "tr2";
constexpr std::size_t kMaxTitleBytes = 128;
constexpr const char* kDateFormat = "yyyy-MM-dd";
constexpr const char* kTimeFormat = "HH:mm:ss";

std::string OsdXml(const OsdConfig& osd)
{
    const std::string text =
        osd.dateTime ? TextElement("tt:Type", "DateAndTime") + TextElement("tt:DateFormat", kDateFormat) +
                           TextElement("tt:TimeFormat", kTimeFormat)
                     : TextElement("tt:Type", "Plain") + TextElement("tt:PlainText", osd.text);
    return "<tr2:OSDs token=\"" + XmlEscape(osd.token) + "\">" +
           TextElement("tt:VideoSourceConfigurationToken", kVideoSourceConfigToken) + TextElement("tt:Type", "Text") +
           Element("tt:Position", TextElement("tt:Type", osd.position)) + Element("tt:TextString", text) +
           "</tr2:OSDs>";
}

std::string OptionsXml()
{
    std::string positions;
    for (const char* position : kOsdPositions) {
        positions += TextElement("tt:PositionOption", position);
    }
    return Element("tr2:OSDOptions",
                   "<tt:MaximumNumberOfOSDs Total=\"2\" PlainText=\"1\" DateAndTime=\"1\"/>" +
                       TextElement("tt:Type", "Text") + positions +
                       Element("tt:TextOption", TextElement("tt:Type", "Plain") + TextElement("tt:Type", "DateAndTime") +
                                                    TextElement("tt:DateFormat", kDateFormat) +
                                                    TextElement("tt:TimeFormat", kTimeFormat)));
}

bool PrintableTitle(const std::string& text)
{
    return text.size() <= kMaxTitleBytes &&
           std::none_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

// The OSD element of CreateOSD or SetOSD read into osd; a fault for a value
// the camera does not offer.
std::optional<OnvifAnswer> ReadOsd(const pugi::xml_node& node, OsdConfig& osd)
{
    if (!node) {
        return InvalidArgument("ter:InvalidArgVal", "no OSD given");
    }
    if (ChildText(node, {"VideoSourceConfigurationToken"}) != kVideoSourceConfigToken) {
        return InvalidArgument("ter:NoConfig", "no such video source configuration");
    }
    if (ChildText(node, {"Type"}) != "Text") {
        return InvalidArgument("ter:ConfigModify", "the camera draws text OSDs only");
    }
    const std::string position = ChildText(node, {"Position", "Type"});
    if (std::find(std::begin(kOsdPositions), std::end(kOsdPositions), position) == std::end(kOsdPositions)) {
        return InvalidArgument("ter:ConfigModify", "the OSD position must be a corner");
    }
    const std::string type = ChildText(node, {"TextString", "Type"});
    if (type != "Plain" && type != "DateAndTime") {
        return InvalidArgument("ter:ConfigModify", "the camera draws plain text or the date and time");
    }
    osd.dateTime = type == "DateAndTime";
    osd.position = position;
    osd.text = osd.dateTime ? std::string() : ChildText(node, {"TextString", "PlainText"});
    if (!PrintableTitle(osd.text)) {
        return InvalidArgument("ter:ConfigModify", "the title must have at most 128 bytes and no control characters");
    }
    return std::nullopt;
}

OnvifAnswer Changed(std::string_view action, const std::string& content)
{
    OnvifAnswer answer = RespondAs(kPrefix, action, content);
    answer.after = OnvifAfter::Restream;
    return answer;
}

} // namespace

std::optional<OnvifAnswer> AnswerOsdRequest(LiveCamera& camera, const SoapRequest& request,
                                            const OnvifRequestContext& context)
{
    const std::string& action = request.actionName;
    OnvifMediaState& state = camera.onvif.media;
    const auto log = [&](const std::string& line) { camera.onvif.Log(camera.onvif.CameraTime(context.now), line); };
    const auto find = [&state](const std::string& token) {
        return std::find_if(state.osds.begin(), state.osds.end(), [&](const OsdConfig& osd) { return osd.token == token; });
    };
    if (action == "GetOSDs") {
        const std::string configuration = ChildText(request.action, {"ConfigurationToken"});
        if (!configuration.empty() && configuration != kVideoSourceConfigToken) {
            return InvalidArgument("ter:NoConfig", "no such video source configuration");
        }
        const std::string token = ChildText(request.action, {"OSDToken"});
        std::string osds;
        for (const OsdConfig& osd : state.osds) {
            osds += token.empty() || token == osd.token ? OsdXml(osd) : "";
        }
        if (!token.empty() && osds.empty()) {
            return InvalidArgument("ter:NoConfig", "no such OSD");
        }
        return RespondAs(kPrefix, action, osds);
    }
    if (action == "GetOSDOptions") {
        return RespondAs(kPrefix, action, OptionsXml());
    }
    if (action == "CreateOSD") {
        OsdConfig osd;
        if (auto fault = ReadOsd(Child(request.action, "OSD"), osd)) {
            return fault;
        }
        if (std::any_of(state.osds.begin(), state.osds.end(), [&](const OsdConfig& o) { return o.dateTime == osd.dateTime; })) {
            return Fault(500, {false, "ter:Action", "ter:MaxOSDs", "the camera draws one title and one date"});
        }
        osd.token = "osd_" + std::to_string(state.nextOsd++);
        state.osds.push_back(osd);
        log("OSD " + osd.token + " created");
        return Changed(action, TextElement("tr2:OSDToken", osd.token));
    }
    if (action == "SetOSD") {
        const pugi::xml_node node = Child(request.action, "OSD");
        const auto found = find(node.attribute("token").value());
        if (found == state.osds.end()) {
            return InvalidArgument("ter:NoConfig", "no such OSD");
        }
        OsdConfig osd = *found;
        if (auto fault = ReadOsd(node, osd)) {
            return fault;
        }
        if (osd.dateTime != found->dateTime) {
            return InvalidArgument("ter:ConfigModify", "an OSD keeps its kind: delete it and create another");
        }
        *found = osd;
        log("OSD " + osd.token + " set");
        return Changed(action, "");
    }
    if (action == "DeleteOSD") {
        const auto found = find(ChildText(request.action, {"OSDToken"}));
        if (found == state.osds.end()) {
            return InvalidArgument("ter:NoConfig", "no such OSD");
        }
        log("OSD " + found->token + " deleted");
        state.osds.erase(found);
        return Changed(action, "");
    }
    return std::nullopt;
}

} // namespace camsim
