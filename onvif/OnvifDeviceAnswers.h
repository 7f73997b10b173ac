#pragma once
// Reading the device service's answer bodies into plain records. Each
// function takes the body element of a SOAP answer (SoapAnswer::body), checks
// that it is the expected response and returns false when it is not or when a
// value is malformed or longer than its bound (texts 512 bytes, lists
// kMaxListItems, the system log kMaxSystemLogBytes). Pure: any thread.
#include "OnvifAnswerFields.h"
#include "OnvifDeviceRecords.h"

#include <string>
#include <vector>

namespace onvif {

inline constexpr std::size_t kMaxSystemLogBytes = 4u * 1024u * 1024u;

bool ReadSystemDateAndTime(pugi::xml_node body, SystemDateAndTime& out);
bool ReadNtp(pugi::xml_node body, NtpSettings& out);
bool ReadDeviceInformation(pugi::xml_node body, DeviceInformation& out);
bool ReadNetworkInterfaces(pugi::xml_node body, std::vector<NetworkInterface>& out);
bool ReadRebootNeeded(pugi::xml_node body, bool& rebootNeeded);
bool ReadDefaultGateway(pugi::xml_node body, std::vector<std::string>& out);
bool ReadDns(pugi::xml_node body, DnsSettings& out);
bool ReadHostname(pugi::xml_node body, HostnameSettings& out);
bool ReadNetworkProtocols(pugi::xml_node body, std::vector<NetworkProtocol>& out);
bool ReadUsers(pugi::xml_node body, std::vector<OnvifUser>& out);
bool ReadFirmwareUploadTicket(pugi::xml_node body, FirmwareUploadTicket& out);
bool ReadSystemLog(pugi::xml_node body, std::string& out);
bool ReadServices(pugi::xml_node body, std::vector<OnvifService>& out);
bool ReadCapabilities(pugi::xml_node body, DeviceCapabilities& out);
bool ReadScopes(pugi::xml_node body, std::vector<std::string>& out);

// Seconds of an xs:duration such as "PT1M30S" (days, hours, minutes,
// seconds); -1 when malformed.
int DurationSeconds(std::string_view duration);

} // namespace onvif
