#pragma once
#include "Tivox.h"

#include <cstdio>
#include <cstring>

// A camera record as discovery would report it.
inline tagVtIpcInfo MakeCamera(unsigned char last, const char* ip, int port = 80, const char* name = "Cam",
                               const char* model = "VT-1080P")
{
    tagVtIpcInfo info{};
    const unsigned char mac[8] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, last, 0, 0};
    std::memcpy(info.mac, mac, sizeof mac);
    std::snprintf(info.devName, sizeof info.devName, "%s", name);
    std::snprintf(info.ip, sizeof info.ip, "%s", ip);
    info.port = port;
    std::snprintf(info.netmask, sizeof info.netmask, "255.255.255.0");
    std::snprintf(info.gateway, sizeof info.gateway, "192.168.5.1");
    std::snprintf(info.dns, sizeof info.dns, "192.168.5.1");
    std::snprintf(info.model, sizeof info.model, "%s", model);
    std::snprintf(info.version, sizeof info.version, "V2.1.0");
    info.upTime = 3600;
    return info;
}
