#include "AdapterRules.h"

#include "DebugOutput.h"

#include <cstdio>
#include <cstring>

namespace tivox {
namespace {

bool IsPci(const PlatformAdapter& adapter)
{
    return adapter.description.find("PCI") != std::string::npos;
}

} // namespace

int FindAdapterForDevice(const std::string& deviceName, const std::vector<PlatformAdapter>& adapters)
{
    for (std::size_t i = 0; i < adapters.size(); ++i) {
        if (adapters[i].name == deviceName) {
            return static_cast<int>(i);
        }
    }
    for (std::size_t i = 0; i < adapters.size(); ++i) {
        const std::string line = adapters[i].description + "==========\n";
        PlatformDebugOutput(line.c_str());
        if (!adapters[i].name.empty() && deviceName.find(adapters[i].name) != std::string::npos) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::string DefaultFilter(const unsigned char* mac)
{
    char filter[128];
    std::snprintf(filter, sizeof(filter),
                  "ether proto 0x0809 and len ==260 and ether src not %.2x:%.2x:%.2x:%.2x:%.2x:%.2x", mac[0],
                  mac[1], mac[2], mac[3], mac[4], mac[5]);
    return filter;
}

void DefaultFilterMac(const std::vector<PlatformAdapter>& adapters, unsigned char* mac)
{
    std::memset(mac, 0, 8);
    for (const PlatformAdapter& adapter : adapters) {
        if (IsPci(adapter)) {
            std::memcpy(mac, adapter.mac, 8);
        }
    }
}

std::string DefaultDeviceName(const std::vector<CaptureDevice>& devices,
                              const std::vector<PlatformAdapter>& adapters)
{
    std::string identifier;
    for (const PlatformAdapter& adapter : adapters) {
        if (IsPci(adapter)) {
            identifier = adapter.name;
            break;
        }
    }
    PlatformDebugOutput((identifier + "\n").c_str());
    std::string chosen;
    for (const CaptureDevice& device : devices) {
        if (device.hasAddress && device.name.find(identifier) != std::string::npos) {
            chosen = device.name;
        }
    }
    return chosen;
}

} // namespace tivox
