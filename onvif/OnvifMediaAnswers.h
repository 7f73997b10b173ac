#pragma once
// Reading the media services' answer bodies (Media ver10 and Media2 ver20)
// into plain records. Each function checks that the body is the expected
// response and returns false when it is not, or when a value is malformed or
// past its bound (texts kMaxFieldBytes, lists kMaxListItems). `media2` picks
// the ver20 shape of an answer where the two differ. Pure: any thread.
#include "OnvifAnswerFields.h"
#include "OnvifMediaRecords.h"

#include <string>
#include <vector>

namespace onvif {

bool ReadProfiles(pugi::xml_node body, bool media2, std::vector<MediaProfile>& out);
bool ReadVideoEncoderConfigurations(pugi::xml_node body, bool media2, std::vector<VideoEncoderConfig>& out);
// Media ver10's GetVideoEncoderConfiguration (Media2 has only the plural).
bool ReadVideoEncoderConfiguration(pugi::xml_node body, VideoEncoderConfig& out);
// One entry per encoding the configuration can take.
bool ReadVideoEncoderOptions(pugi::xml_node body, bool media2, std::vector<VideoEncoderOptions>& out);
// GetStreamUri or GetSnapshotUri, as `responseName` says.
bool ReadMediaUri(pugi::xml_node body, bool media2, std::string_view responseName, std::string& uri);
bool ReadOsds(pugi::xml_node body, std::vector<OsdConfig>& out);
bool ReadOsdOptions(pugi::xml_node body, OsdOptions& out);
bool ReadCreatedOsd(pugi::xml_node body, std::string& token);

// A range element (Min, Max): absent leaves `out`, an upside-down one is bad.
bool ReadRange(pugi::xml_node node, std::optional<FloatRange>& out);
// The texts of every child named `localName`.
bool ReadTexts(pugi::xml_node parent, std::string_view localName, std::vector<std::string>& out);

// The configuration element (tt:VideoEncoderConfiguration or
// tt:VideoEncoder2Configuration) itself.
bool ReadVideoEncoderConfig(pugi::xml_node node, bool media2, VideoEncoderConfig& out);

} // namespace onvif
