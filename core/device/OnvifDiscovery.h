#pragma once
#include "DeviceTable.h"
#include "OnvifWorkerPool.h"
#include "Tivox.h"
#include "ZxExport.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

class TemporaryAddress;
namespace onvif {
class WsDiscoverySocket;
struct DiscoveryMessage;
} // namespace onvif

// The ONVIF side of discovery: WS-Discovery on each capture interface feeds
// the device table (probe matches and Hello as sightings, Bye at once); for
// a camera newly seen or seen at new service addresses, a worker logs in with
// the window's login and hands the table what the camera tells of itself;
// and a change of identity of an ONVIF camera goes to it over SOAP, its
// outcome reported through the capture callback as a raw-frame change's is.
// A camera whose address lies outside the interface's subnets is reached
// through a temporary address in its subnet, held while the work needs it.
//
// Threads: the sockets' threads call the table; the workers call the table
// and the outcome callback. Every public call may come from any thread but
// Open and Close, which the owner makes; Close joins every thread.
class ZX_EXPORT OnvifDiscovery
{
public:
    // Workers that log in at once, and reads that may wait for one.
    static constexpr std::size_t kWorkers = 8;
    static constexpr std::size_t kQueuedReads = 256;

    OnvifDiscovery();
    ~OnvifDiscovery();
    OnvifDiscovery(const OnvifDiscovery&) = delete;
    OnvifDiscovery& operator=(const OnvifDiscovery&) = delete;

    // Where sightings and details go; without a table nothing is opened.
    void SetTable(DeviceTable* table) { m_table = table; }
    // Where the outcome of a change goes (the capture callback and its user).
    void SetOutcome(TivoxCallback callback, void* user);
    // The login the workers use; a new one reads every camera again.
    void SetLogin(const std::string& user, const std::string& password);

    // Starts WS-Discovery on the interface and sends the first probe.
    bool Open(const std::string& interfaceName, std::string& error);
    void Probe();
    // Queues the change when the table lists the camera (by MAC) as an ONVIF
    // camera; false otherwise (the caller sends it as a raw frame).
    bool Modify(const tagVtIpcInfo& request);
    // Waits until no login or change is queued or running; true when so.
    bool WaitIdle(std::chrono::milliseconds limit);
    void Close();

    // Datagrams the sockets dropped and reads turned away by the full queue.
    std::uint64_t Dropped() const;

private:
    struct Known
    {
        std::string xaddrs;
        std::string interfaceName;
    };
    struct Login
    {
        std::string user;
        std::string password;
    };

    void OnMessage(const std::string& interfaceName, const onvif::DiscoveryMessage& message);
    // True when the endpoint is new or at new addresses (and records it).
    bool NeedsRead(const std::string& endpoint, const std::string& xaddrs, const std::string& interfaceName);
    void Forget(const std::string& endpoint);
    void ReadDetails(const std::string& endpoint, const std::string& xaddrs, const std::string& scopeName,
                     const std::string& interfaceName, const std::atomic<bool>& stop);
    void ApplyChange(const tagVtIpcInfo& before, const std::string& xaddrs, tagVtIpcInfo request,
                     const std::string& interfaceName, const std::atomic<bool>& stop);
    // A temporary address in host's subnet when the interface has none there;
    // null when it needs none or none could be added.
    std::shared_ptr<TemporaryAddress> Reach(const std::string& interfaceName, const std::string& host, int prefix);
    Login CurrentLogin() const;
    // The pin key of the https camera at host before a login tells its MAC:
    // the MAC of the camera last read there, else the address itself.
    std::string PinKeyAt(const std::string& host) const;
    // After an https camera at host was read: pins what it showed on first
    // use; false (and tells it) when its MAC's pin is another certificate.
    bool KeepCertificate(const std::string& host, const tagVtIpcInfo& camera, const std::string& pinned,
                         const std::string& seen);
    // Notes the certificate seen as refused and puts the line on the panel.
    void RefuseCertificate(const tagVtIpcInfo& camera, const std::string& key, const std::string& pinned,
                           const std::string& seen);

    DeviceTable* m_table = nullptr;
    TivoxCallback m_outcome = nullptr;
    void* m_outcomeUser = nullptr;
    mutable std::mutex m_lock; // guards m_login, m_known and m_pinKeys
    Login m_login;
    std::unordered_map<std::string, Known> m_known;
    // Host address to the pin key (MAC) of the camera read there; kept past
    // a Bye, so a stranger at a known camera's address meets its pin.
    std::unordered_map<std::string, std::string> m_pinKeys;
    std::mutex m_reachLock;
    std::map<std::string, std::weak_ptr<TemporaryAddress>> m_reached;
    std::vector<std::unique_ptr<onvif::WsDiscoverySocket>> m_sockets;
    std::vector<std::string> m_names;
    std::unique_ptr<OnvifWorkerPool> m_pool;
};
