#pragma once
// WS-Discovery (2005/04) messages of ONVIF devices: the Probe we send and the
// ProbeMatches, Hello and Bye we read. Reading is bounded: a datagram of at
// most 64 KiB, at most 16 matches, 8 types, 8 XAddrs and 32 scopes per
// endpoint, every field at most 512 bytes. A message outside these bounds or
// malformed is dropped whole (kind Dropped) so that the caller counts it.
// Pure functions: any thread.
#include <string>
#include <string_view>
#include <vector>

namespace onvif {

inline constexpr const char* kDiscoveryGroup = "239.255.255.250";
inline constexpr int kDiscoveryPort = 3702;
inline constexpr std::size_t kMaxDatagramBytes = 64u * 1024u;
inline constexpr std::size_t kMaxMatches = 16;
inline constexpr std::size_t kMaxTypes = 8;
inline constexpr std::size_t kMaxXAddrs = 8;
inline constexpr std::size_t kMaxScopes = 32;
inline constexpr std::size_t kMaxDiscoveryField = 512;

struct DiscoveredEndpoint {
    std::string address;            // endpoint reference, "urn:uuid:..."
    std::vector<std::string> types; // as written, e.g. "dn:NetworkVideoTransmitter"
    std::vector<std::string> xaddrs;
    std::vector<std::string> scopes;
    unsigned metadataVersion = 0;
    std::string name;     // from onvif://www.onvif.org/name/..., percent-decoded
    std::string hardware; // from onvif://www.onvif.org/hardware/...
    std::string location; // from onvif://www.onvif.org/location/...
};

enum class DiscoveryKind {
    ProbeMatches,
    Hello,
    Bye,
    Ignored, // a well-formed message of another kind (a Probe, ours looped back)
    Dropped, // malformed or out of bounds
};

struct DiscoveryMessage {
    DiscoveryKind kind = DiscoveryKind::Dropped;
    std::string relatesTo; // ProbeMatches: the MessageID of the Probe answered
    std::vector<DiscoveredEndpoint> endpoints;
    std::string problem; // why it was dropped
};

// "urn:uuid:" and a random (version 4) UUID.
std::string NewMessageId();

// A Probe for dn:NetworkVideoTransmitter with this MessageID.
std::string BuildProbe(const std::string& messageId);

DiscoveryMessage ParseDiscoveryMessage(std::string_view datagram);

// Whether one of the types is NetworkVideoTransmitter, whatever its prefix.
bool IsVideoTransmitter(const DiscoveredEndpoint& endpoint);

} // namespace onvif
