#pragma once
// The simulator puts its cameras' addresses on its own interface, so their
// web servers can listen on them. It does so only inside a network namespace
// of its own: in the host's namespace it would touch the real network.
#include <string>
#include <vector>

namespace camsim {

// False only inside a named network namespace (one pinned under /run/netns).
bool InHostNetworkNamespace();

// "255.255.0.0" -> 16; 32 for a text that is no contiguous netmask.
int PrefixFromNetmask(const std::string& netmask);

struct InterfaceAddress
{
    std::string ip;
    std::string netmask;
};

// Adds the addresses to the interface (present ones stay) and lets the kernel
// keep secondary addresses when a primary one goes. False with a reason.
bool AddInterfaceAddresses(const std::string& interfaceName, const std::vector<InterfaceAddress>& addresses,
                           std::string& error);

} // namespace camsim
