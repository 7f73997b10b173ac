#pragma once
// Plain records of the ONVIF device service, as the client reads and writes
// them. No behaviour; values are as the camera sent them, bounded in length
// and count by the parser (OnvifDeviceAnswers.h).
#include <cstdint>
#include <string>
#include <vector>

namespace onvif {

struct UtcDateTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

struct SystemDateAndTime {
    bool ntp = false; // DateTimeType NTP, else Manual
    bool daylightSavings = false;
    std::string timeZone; // POSIX TZ string, e.g. "CST-8"
    bool hasUtc = false;
    UtcDateTime utc;
};

// What SetSystemDateAndTime writes: Manual with a UTC time, or NTP.
struct DateTimeChange {
    bool ntp = false;
    bool daylightSavings = false;
    std::string timeZone; // POSIX TZ; empty leaves the camera's
    UtcDateTime utc;      // Manual only
};

// An NTP or DNS server: an IPv4 address or a host name.
struct NetworkHost {
    bool isName = false;
    std::string value;
};

struct NtpSettings {
    bool fromDhcp = false;
    std::vector<NetworkHost> servers; // the manual ones
};

struct DeviceInformation {
    std::string manufacturer;
    std::string model;
    std::string firmwareVersion;
    std::string serialNumber;
    std::string hardwareId;
};

struct NetworkInterface {
    std::string token;
    bool enabled = false;
    std::string name;
    std::string mac; // as the camera writes it, e.g. "00:11:22:33:44:55"
    bool ipv4Enabled = false;
    bool dhcp = false;
    std::string address; // the manual IPv4 address (or the DHCP one when no manual)
    int prefixLength = 0;
};

// What SetNetworkInterfaces writes on the interface `token`.
struct InterfaceChange {
    std::string token;
    bool dhcp = false;
    std::string address; // manual only
    int prefixLength = 0;
};

struct DnsSettings {
    bool fromDhcp = false;
    std::vector<std::string> searchDomains;
    std::vector<NetworkHost> servers; // manual
};

struct HostnameSettings {
    bool fromDhcp = false;
    std::string name;
};

struct NetworkProtocol {
    std::string name; // HTTP, HTTPS, RTSP
    bool enabled = false;
    std::vector<int> ports;
};

struct OnvifUser {
    std::string name;
    std::string level; // Administrator, Operator, User
    std::string password; // written only
};

enum class FactoryDefault { Soft, Hard };

struct FirmwareUploadTicket {
    std::string uploadUri;
    int uploadDelaySeconds = 0;
    int expectedDownTimeSeconds = 0;
};

struct OnvifService {
    std::string namespaceUri;
    std::string address;
    int major = 0;
    int minor = 0;
};

struct DeviceCapabilities {
    std::string deviceAddress;
    std::string mediaAddress;
    std::string imagingAddress;
    std::string eventsAddress;
    bool firmwareUpgrade = false;
    bool systemLogging = false;
};

} // namespace onvif
