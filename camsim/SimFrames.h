#pragma once
// The camera's side of the discovery frames: reading the workstation's
// requests and building the replies. Written apart from the discovery
// library's codec on purpose, so that each checks the other's reading of the
// byte layout.

#include "CameraTable.h"

#include <chrono>
#include <cstddef>
#include <optional>
#include <vector>

namespace camsim {

inline constexpr std::size_t kSimFrameSize = 260;

struct SimRequest
{
    enum class Kind
    {
        Discovery,
        Modify
    } kind = Kind::Discovery;
    MacAddress requester{}; // the workstation adapter that asked
    MacAddress target{};    // modify only: the camera addressed
    ModifyRequest modify;   // modify only
};

// A discovery or modify request; nullopt for anything else (replies from
// other cameras, foreign frames, modify requests without all eight fields).
std::optional<SimRequest> ParseSimRequest(const unsigned char* data, std::size_t length);

// "ip;port;netmask;gateway;dns;model;version;extra7;name;extra9;uptime"
std::vector<unsigned char> BuildSimDiscoveryReply(const SimCamera& camera, const MacAddress& requester,
                                                  std::chrono::steady_clock::time_point now);
std::vector<unsigned char> BuildSimModifyReply(const SimCamera& camera, const MacAddress& requester,
                                               bool accepted, std::chrono::steady_clock::time_point now);

} // namespace camsim
