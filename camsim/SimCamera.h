#pragma once
// One simulated camera: its identity, its network settings as it reports
// them, its login, and the faults it is told to show.

#include <array>
#include <chrono>
#include <cstdint>
#include <string>

namespace camsim {

enum SimFault : unsigned
{
    kFaultNone = 0,
    kFaultLostModify = 1u << 0,     // never answers a modify request
    kFaultRefuseModify = 1u << 1,   // answers every modify request with a refusal
    kFaultLostDiscovery = 1u << 2,  // never answers a discovery request
    kFaultSlowHttp = 1u << 3,       // every web answer waits slowMs first
    kFaultUnreachable = 1u << 4,    // no web server: connections are refused
    kFaultBrokenHttp = 1u << 5,     // web answers that break off mid-way
    kFaultBrokenDownload = 1u << 6, // file downloads that break off half-way
    kFaultKeepPassword = 1u << 7,   // answers a password change as done but keeps the old one
    kFaultOddImaging = 1u << 8,     // picture and imaging values no slider or list stands for
};

// "lost-modify", "refuse-modify", "lost-discovery", "slow-http",
// "unreachable", "broken-http", "broken-download", "keep-password",
// "odd-imaging" -> the fault bit; 0 for an unknown name.
unsigned FaultFromName(const std::string& name);

using MacAddress = std::array<unsigned char, 6>;

// What a camera speaks: the family's raw frames and web protocol, or ONVIF on
// its web port (no raw frames at all).
enum class CameraProtocol
{
    Family,
    Onvif
};

// How an ONVIF camera wants its login: a WS-Security UsernameToken digest in
// the SOAP header, or HTTP Digest on the request.
enum class OnvifAuth
{
    WsDigest,
    HttpDigest
};

struct SimCamera
{
    MacAddress mac{};
    std::string ip;
    int port = 80;
    std::string netmask = "255.255.0.0";
    std::string gateway;
    std::string dns;
    std::string model = "VT-C6121";
    std::string version = "31.4.0.83";
    std::string name;
    std::string user = "admin";
    std::string password = "admin";
    std::string extra7 = "0";
    std::string extra9 = "0";
    std::chrono::steady_clock::time_point upSince = std::chrono::steady_clock::now();
    unsigned faults = kFaultNone;
    std::string hardware = "H1.0";
    int slowMs = 3000;   // with kFaultSlowHttp
    int rebootMs = 5000; // silent this long after a reboot
    int flashMs = 3000;  // silent this long while an image is written, before the reboot
    int linkMbps = 0;    // uploads arrive no faster than this many megabits a second; 0: unlimited
    int rebootEverySec = 0; // reboots by itself about this often (randomly, half to one and a half times); 0: never
    bool silent = false; // rebooting: answers no frame at all
    CameraProtocol protocol = CameraProtocol::Family;
    std::string maker;        // ONVIF: the manufacturer it reports
    OnvifAuth onvifAuth = OnvifAuth::WsDigest;
    long long clockOffsetSec = 0; // ONVIF: its clock runs this far ahead of the simulator's (negative: behind)
    bool rebootNeeded = false;    // ONVIF: a new address takes effect only after a reboot
    bool acceptReusedNonce = false; // ONVIF: takes a login nonce again, as many cameras in the field do
    bool https = false;           // ONVIF: serves over TLS with a self-signed certificate of its own
    int rtspPort = 554;           // ONVIF: where its streams are served
    bool media2 = true;           // ONVIF: offers the Media2 service beside Media
    bool h265 = false;            // ONVIF: its encoders offer H.265 too
    int imagingMin = 0;           // ONVIF: the range its imaging values are measured in
    int imagingMax = 100;

    bool IsOnvif() const { return protocol == CameraProtocol::Onvif; }
    // "http://192.168.5.100:80" or "https://...": where its ONVIF services are.
    std::string OnvifRoot() const
    {
        return (https ? "https://" : "http://") + ip + ":" + std::to_string(port);
    }
    bool Has(SimFault fault) const { return (faults & fault) != 0; }
    int UpTimeSeconds(std::chrono::steady_clock::time_point now) const
    {
        return static_cast<int>(std::chrono::duration_cast<std::chrono::seconds>(now - upSince).count());
    }
};

// "02:5a:00:00:00:01" -> bytes; false when the text is not six hex pairs.
bool ParseMac(const std::string& text, MacAddress& mac);
std::string FormatMac(const MacAddress& mac);

} // namespace camsim
