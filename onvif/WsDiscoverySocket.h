#pragma once
// WS-Discovery on one named network interface: sends Probe to the group
// 239.255.255.250:3702 out of that interface only and hears the answers
// (ProbeMatches, sent to the probe's source port) and the devices' Hello and
// Bye (sent to the group) arriving on it. It sends nothing else and nothing to
// any other address.
//
// Threading: Start() starts one receive thread; the callback runs on that
// thread, one message at a time, and must not call Stop(). SendProbe() may be
// called from any thread while started. Stop() (and the destructor) wakes and
// joins the thread; no callback runs after it returns.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

#include "WsDiscoveryMessages.h"

namespace onvif {

class WsDiscoverySocket
{
public:
    // `from` is the sender's IPv4 address in dotted form.
    using Callback = std::function<void(const DiscoveryMessage& message, const std::string& from)>;

    WsDiscoverySocket(std::string interfaceName, Callback callback);
    ~WsDiscoverySocket();
    WsDiscoverySocket(const WsDiscoverySocket&) = delete;
    WsDiscoverySocket& operator=(const WsDiscoverySocket&) = delete;

    // Opens the sockets on the interface and starts the receive thread;
    // false with `error` set when the interface or a socket cannot be used.
    bool Start(std::string& error);
    // Sends one Probe with a fresh MessageID; false when not started or the
    // send failed.
    bool SendProbe();
    void Stop();

    // Datagrams dropped as malformed, oversized or out of bounds.
    std::uint64_t Dropped() const { return dropped_.load(); }
    // Messages handed to the callback.
    std::uint64_t Delivered() const { return delivered_.load(); }

private:
    void Run();
    void Receive(int socket);
    void CloseAll();

    std::string interfaceName_;
    Callback callback_;
    int probeSocket_ = -1;  // ephemeral port: sends Probe, receives ProbeMatches
    int listenSocket_ = -1; // the group's port: receives Hello and Bye
    int wakeup_ = -1;       // eventfd that Stop() signals
    std::thread thread_;
    std::atomic<std::uint64_t> dropped_{0};
    std::atomic<std::uint64_t> delivered_{0};
};

} // namespace onvif
