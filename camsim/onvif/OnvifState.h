#pragma once
// What an ONVIF camera keeps beyond its identity: its clock, time zone and
// NTP, hostname, DNS, gateway, protocols, users, the nonces it has seen and
// its system log. Guarded by the owning LiveCamera's mutex.
#include "OnvifMediaState.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace camsim {

struct OnvifUser
{
    std::string name;
    std::string password;
    std::string level; // "Administrator", "Operator", "User"
};

struct OnvifAddress
{
    std::string ip;
    int prefix = 24;
};

struct OnvifState
{
    std::string uuid; // the endpoint reference, "urn:uuid:..."
    bool ntpTime = false;                  // DateTimeType NTP rather than Manual
    std::string timeZone = "UTC0";         // POSIX TZ
    bool daylightSavings = false;
    long long clockOffsetSec = 0;          // the camera's clock minus the simulator's, in seconds
    bool ntpFromDhcp = false;
    std::vector<std::string> ntpServers;   // manual NTP servers, names or addresses
    std::string hostname;
    bool dnsFromDhcp = false;
    std::vector<std::string> dnsServers;
    bool rtspEnabled = true;
    int rtspPort = 554;
    std::vector<OnvifUser> users;
    std::map<std::string, int64_t> seenNonces; // nonce text -> simulator time first seen
    bool acceptReusedNonce = false;            // a nonce seen before is taken again
    std::deque<std::string> systemLog;         // newest last
    std::optional<OnvifAddress> pendingAddress; // applied at the next reboot
    std::string uploadToken;                    // the path part StartFirmwareUpgrade handed out
    std::string certificateFingerprint;         // SHA-256 of an https camera's certificate
    OnvifMediaState media;                      // encoders, on-screen texts, imaging

    // Appends a line stamped with the camera's clock; keeps the newest few hundred.
    void Log(int64_t cameraTime, const std::string& line);
    // The camera's clock in seconds since 1970 UTC.
    int64_t CameraTime(int64_t simulatorTime) const { return simulatorTime + clockOffsetSec; }
};

// The state a camera starts with (and a factory default returns to): one
// administrator with the camera's login, its DNS and name from the identity.
struct SimCamera;
OnvifState InitialOnvifState(const SimCamera& camera);

// "2026-12-07T23:57:45Z" for seconds since 1970 UTC.
std::string FormatUtc(int64_t seconds);
// The opposite; nullopt for anything but that form (fractions and a "Z" or
// "+00:00" ending are accepted) or a date that does not exist.
std::optional<int64_t> ParseUtc(const std::string& text);
// The standard offset west of UTC in seconds that a POSIX TZ string names
// ("CST-8" -> -28800, "EST5EDT,M3.2.0,M11.1.0" -> 18000); nullopt when the
// text is no POSIX TZ string.
std::optional<int> PosixTzOffset(const std::string& tz);

} // namespace camsim
