#include "SimCamera.h"

#include <cstdio>

namespace camsim {

unsigned FaultFromName(const std::string& name)
{
    if (name == "lost-modify") {
        return kFaultLostModify;
    }
    if (name == "refuse-modify") {
        return kFaultRefuseModify;
    }
    if (name == "lost-discovery") {
        return kFaultLostDiscovery;
    }
    if (name == "slow-http") {
        return kFaultSlowHttp;
    }
    if (name == "unreachable") {
        return kFaultUnreachable;
    }
    if (name == "broken-http") {
        return kFaultBrokenHttp;
    }
    if (name == "broken-download") {
        return kFaultBrokenDownload;
    }
    if (name == "keep-password") {
        return kFaultKeepPassword;
    }
    if (name == "odd-imaging") {
        return kFaultOddImaging;
    }
    return kFaultNone;
}

bool ParseMac(const std::string& text, MacAddress& mac)
{
    unsigned bytes[6];
    char tail = 0;
    if (std::sscanf(text.c_str(), "%2x:%2x:%2x:%2x:%2x:%2x%c", &bytes[0], &bytes[1], &bytes[2], &bytes[3],
                    &bytes[4], &bytes[5], &tail) != 6) {
        return false;
    }
    for (std::size_t i = 0; i < 6; ++i) {
        mac[i] = static_cast<unsigned char>(bytes[i]);
    }
    return true;
}

std::string FormatMac(const MacAddress& mac)
{
    char text[18];
    std::snprintf(text, sizeof(text), "%02x:%02x:%02x:%02x:%02x:%02x", mac[0], mac[1], mac[2], mac[3], mac[4],
                  mac[5]);
    return text;
}

} // namespace camsim
