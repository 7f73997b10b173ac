#pragma once
// One simulated camera as its web server sees it: identity, credentials,
// settings and the faults it shows. Every field is guarded by `mutex`.
#include <array>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>

#include "CameraSettings.h"

namespace camsim {

struct HttpFaults
{
    int slowMs = 0;           // every answer waits this long
    bool unreachable = false; // no web server at all: connections are refused
    bool broken = false;      // answers that are not valid HTTP
};

struct HttpCamera
{
    mutable std::mutex mutex;
    std::string ip;
    int port = 80; // 0 on loopback tests: the server picks one and writes it here
    std::array<uint8_t, 6> mac{};
    std::string model;
    std::string hardware = "H1.0";
    std::string version;
    std::string name; // UTF-8
    std::string user = "admin";
    std::string password = "admin";
    CameraSettings settings;
    HttpFaults faults;
    int rebootMs = 5000;
    bool rebooting = false;
    std::chrono::steady_clock::time_point bootTime = std::chrono::steady_clock::now();

    std::string MacText() const; // "00:30:4F:12:34:56"; caller holds the mutex
};

} // namespace camsim
