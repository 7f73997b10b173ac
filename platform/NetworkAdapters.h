#pragma once
#include "ZxExport.h"

#include <string>
#include <vector>

// One network adapter as the system links them: identifier (the interface
// name), a description made of bus and driver ("PCI e1000e", "USB r8152",
// "VIRTUAL veth") and the hardware address, six bytes and two zero bytes.
struct PlatformAdapter
{
    std::string name;
    std::string description;
    unsigned char mac[8] = {};
};

// Every interface that has a link-layer address, in the system's order.
// False (and an untouched list) when the system cannot enumerate them.
ZX_EXPORT bool PlatformListAdapters(std::vector<PlatformAdapter>& adapters);

// The description of one interface from its bus and driver; "VIRTUAL" with
// the driver for interfaces without a device, the driver alone when the bus
// is unknown, empty when neither can be found.
ZX_EXPORT std::string PlatformAdapterDescription(const std::string& interfaceName);
