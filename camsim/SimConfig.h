#pragma once
// How vtcamsim's cameras are made: counts and defaults from the command line,
// per-camera overrides from a JSON file.

#include "CameraTable.h"

#include <cstdint>
#include <string>
#include <vector>

namespace camsim {

struct SimOptions
{
    std::string interfaceName;
    int count = 1;
    std::string baseIp = "192.168.1.100";
    std::string model = "VT-C6121";
    std::string version = "31.4.0.83";
    std::string user = "admin";
    std::string password = "admin";
    std::string configFile;
    unsigned faults = kFaultNone;
    uint32_t seed = 1;
    int rebootMs = 5000;  // how long a rebooting camera stays silent
    int slowMs = 3000;    // the delay of the slow-http fault
    int flashMs = 3000;   // how long writing an image takes
    int httpWorkers = 16; // threads that serve all cameras' web requests
    int linkMbps = 0;     // each camera's upload speed, as over its own link; 0: unlimited
    int rebootEverySec = 0; // every camera reboots by itself about this often; 0: never
    int churnMs = 0;      // a random reboot, drop, move or vanish every this many ms; 0: none
};

// Parses the command line; false with a message for bad or missing options.
// "--help" gives false with the usage text as the message.
bool ParseSimOptions(const std::vector<std::string>& args, SimOptions& options, std::string& message);

// The cameras the options describe: consecutive addresses from the base,
// addresses 02:5a:xx:... derived from the seed and the index.
bool BuildCameras(const SimOptions& options, std::vector<SimCamera>& cameras, std::string& error);

// Applies {"cameras": [{"index": 0, "mac": "...", "ip": "...", "port": 80,
// "netmask", "gateway", "dns", "model", "version", "name", "user",
// "password", "hardware", "uptime": seconds, "rebootMs", "slowMs", "flashMs",
// "rebootEverySec",
// "protocol": "family"|"onvif", "maker", "onvifAuth": "digest"|"http-digest",
// "clockOffsetSec", "rebootNeeded", "acceptReusedNonce", "https",
// "rtspPort", "media2", "h265", "imagingRange": [min, max],
// "faults": ["refuse-modify", "slow-http", ...]}]}.
bool ApplyConfigText(const std::string& json, std::vector<SimCamera>& cameras, std::string& error);

} // namespace camsim
