#pragma once
// How capture devices meet network adapters: which adapter's hardware address
// belongs to a device, and which device and filter a new CTivox starts with.

#include "NetworkAdapters.h"

#include <string>
#include <vector>

namespace tivox {

struct CaptureDevice
{
    std::string name;
    std::string description;
    bool hasAddress = false;
};

// The adapter of a capture device: the one named exactly like it, else the
// first whose identifier is contained in the device name (eth1 must not take
// eth10's address). -1 when none matches.
int FindAdapterForDevice(const std::string& deviceName, const std::vector<PlatformAdapter>& adapters);

// The capture filter that hears discovery frames but not this adapter's own.
std::string DefaultFilter(const unsigned char* mac);

// The address of the last adapter on a PCI bus; all zero when there is none.
void DefaultFilterMac(const std::vector<PlatformAdapter>& adapters, unsigned char* mac);

// The device a CTivox opens when nobody names one: the last device with an
// address whose name contains the first PCI adapter's identifier.
std::string DefaultDeviceName(const std::vector<CaptureDevice>& devices,
                              const std::vector<PlatformAdapter>& adapters);

} // namespace tivox
