#pragma once
#include "ZxExport.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

// An IPv4 address that the program adds to one of the workstation's
// interfaces for a while, so that it can reach a camera whose address lies
// outside every subnet the workstation has (the raw frames find such a camera,
// IP cannot reach it).
//
// The address is one the camera's subnet has free: an ARP probe (sender
// address 0.0.0.0, so that no neighbour learns anything from it) is sent for
// each candidate, and one that anybody answers or probes for at the same time
// is passed over. It is added with a short valid and preferred lifetime, which
// a thread of the holder renews while it lives, so the kernel removes it even
// if the program dies; the holder removes it when it ends. Nothing else is
// touched: the kernel's route for the new subnet comes and goes with the
// address, and no default route is ever added.
//
// It needs CAP_NET_ADMIN (adding an address) and CAP_NET_RAW (the ARP probe),
// which the installed program holds (see CapturePermission.h).
//
// Threads: Acquire blocks for the probes (well under a second); the holder's
// renewal thread is joined by its destructor.
class ZX_EXPORT TemporaryAddress
{
public:
    struct Options
    {
        std::chrono::seconds lifetime{60};      // valid and preferred lifetime the kernel is given
        std::chrono::milliseconds renewal{20000}; // how often the lifetime is renewed
        int probes = 3;
        std::chrono::milliseconds probeInterval{100};
        std::chrono::milliseconds probeWait{300}; // after the last probe, for late answers
        int candidates = 8;                       // addresses tried before giving up
    };

    // Adds an address in cameraIp's subnet (prefixLength bits) on the
    // interface; null with a message when the workstation already has an
    // address in that subnet (it needs none then), when no candidate is free
    // or when the system refuses.
    static std::unique_ptr<TemporaryAddress> Acquire(const std::string& interfaceName, const std::string& cameraIp,
                                                     int prefixLength, std::string& error);
    static std::unique_ptr<TemporaryAddress> Acquire(const std::string& interfaceName, const std::string& cameraIp,
                                                     int prefixLength, const Options& options, std::string& error);
    // Removes the address.
    ~TemporaryAddress();
    TemporaryAddress(const TemporaryAddress&) = delete;
    TemporaryAddress& operator=(const TemporaryAddress&) = delete;

    // The address added, dotted.
    std::string Address() const;
    int PrefixLength() const { return m_prefixLength; }

private:
    TemporaryAddress(int interfaceIndex, std::uint32_t address, int prefixLength, const Options& options);
    void RenewLoop();

    int m_interfaceIndex;
    std::uint32_t m_address; // network byte order
    int m_prefixLength;
    Options m_options;
    std::mutex m_lock;
    std::condition_variable m_wake;
    bool m_ending = false;
    std::thread m_renewer;
};

// The rules the holder follows, plain so they can be checked directly.
// Addresses are in host byte order.

// True when any of the workstation's IPv4 addresses lies in the camera's
// subnet, or the camera's address lies in the subnet of one of them.
ZX_EXPORT bool SubnetAlreadyHeld(std::uint32_t cameraIp, int prefixLength,
                                 const std::uint32_t* addresses, const int* prefixLengths, std::size_t count);
// The n-th address to try in the camera's subnet, from the top down, passing
// over the camera's own address, the network and the broadcast addresses; 0
// when the subnet has no more (or is too small to share: /31, /32).
ZX_EXPORT std::uint32_t CandidateAddress(std::uint32_t cameraIp, int prefixLength, int n);
