// Random datagrams against the WS-Discovery reader: whatever arrives, a kept
// message stays inside the bounds the device table relies on.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "WsDiscoveryMessages.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const onvif::DiscoveryMessage message =
        onvif::ParseDiscoveryMessage(std::string_view(reinterpret_cast<const char*>(data), size));
    if (message.kind == onvif::DiscoveryKind::Dropped || message.kind == onvif::DiscoveryKind::Ignored) {
        return 0;
    }
    if (message.endpoints.empty() || message.endpoints.size() > onvif::kMaxMatches ||
        message.relatesTo.size() > onvif::kMaxDiscoveryField) {
        __builtin_trap();
    }
    for (const onvif::DiscoveredEndpoint& endpoint : message.endpoints) {
        if (endpoint.address.empty() || endpoint.address.size() > onvif::kMaxDiscoveryField ||
            endpoint.xaddrs.size() > onvif::kMaxXAddrs || endpoint.scopes.size() > onvif::kMaxScopes ||
            endpoint.types.size() > onvif::kMaxTypes || endpoint.name.size() > onvif::kMaxDiscoveryField) {
            __builtin_trap();
        }
        for (const auto* list : {&endpoint.xaddrs, &endpoint.scopes, &endpoint.types}) {
            for (const std::string& item : *list) {
                if (item.empty() || item.size() > onvif::kMaxDiscoveryField) {
                    __builtin_trap();
                }
            }
        }
    }
    return 0;
}
