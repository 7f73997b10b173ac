#include "LiveCamera.h"

#include <cstdio>

namespace camsim {

std::string LiveCamera::MacText() const
{
    const MacAddress& mac = sim.mac;
    char text[18];
    std::snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", mac[0], mac[1], mac[2], mac[3], mac[4],
                  mac[5]);
    return text;
}

} // namespace camsim
