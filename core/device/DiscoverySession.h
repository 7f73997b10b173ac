#pragma once
#include "CameraProvider.h"
#include "OnvifDiscovery.h"
#include "Tivox.h"
#include "ZxExport.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class DeviceTable;

// Whether the adapter has an Ethernet address of its own. One without (the
// loopback device, "any", tunnels) carries no camera frames, so it is not
// opened: its kernel ring would only cost memory.
ZX_EXPORT bool HasHardwareAddress(const VtAdapter& adapter);

// One discovery object per capture device, all feeding one device table: the
// window and the terminal tool open the adapters, probe and send changes of
// identity the same way. With a table, WS-Discovery runs on every device
// opened too (OnvifDiscovery): ONVIF cameras join the same table, and a
// change of an ONVIF camera goes to it over SOAP on a worker, its outcome
// reported through the capture callback like a raw frame's.
class ZX_EXPORT DiscoverySession
{
public:
    DiscoverySession();
    // Closes every device (each waits for its threads).
    ~DiscoverySession();
    DiscoverySession(const DiscoverySession&) = delete;
    DiscoverySession& operator=(const DiscoverySession&) = delete;

    // Opens every capture device with a hardware address, or only those
    // named in only (when not empty), with the filter that hears camera frames but not the adapter's
    // own, and starts capturing into table. Returns how many devices opened;
    // the names of those that did not open go to failed (when given).
    int Open(DeviceTable& table, const std::vector<std::string>& only = {},
             std::vector<std::string>* failed = nullptr);
    // The same with a capture callback of the caller's, for callers that
    // watch the replies themselves before handing them to a table; ONVIF
    // cameras go to the table given to SetOnvifTable before (none without).
    int Open(TivoxCallback callback, void* user, const std::vector<std::string>& only = {},
             std::vector<std::string>* failed = nullptr);
    // The table ONVIF cameras are listed in; from then on, for as long as
    // this session lives, OpenCamera opens them as ONVIF cameras.
    void SetOnvifTable(DeviceTable* table);
    // The login that ONVIF cameras are read with (the window's user and
    // password); a new one reads every camera again.
    void SetOnvifLogin(const std::string& user, const std::string& password) { m_onvif.SetLogin(user, password); }
    // Waits until no ONVIF login or change is queued or running.
    bool WaitOnvifIdle(std::chrono::milliseconds limit) { return m_onvif.WaitIdle(limit); }
    // WS-Discovery datagrams dropped as malformed or out of bounds, and
    // logins turned away by the full queue.
    std::uint64_t OnvifDropped() const { return m_onvif.Dropped(); }
    // Broadcasts a discovery request on every open device.
    void Probe();
    // Sends one change of identity through every open device; 0 when at least
    // one sent it, -1 for a missing record or when none could. A change of a
    // camera listed as ONVIF is queued for a worker instead (0).
    int Modify(tagVtIpcInfo* info);
    void Close();

    std::size_t DeviceCount() const { return m_devices.size(); }
    const std::vector<std::string>& DeviceNames() const { return m_names; }

private:
    std::vector<std::unique_ptr<CTivox>> m_devices;
    // WS-Discovery and the ONVIF workers; Close stops them before the devices.
    OnvifDiscovery m_onvif;
    // While a table is fed: OpenCamera gives an ONVIF camera for the table's
    // ONVIF entries.
    std::unique_ptr<CameraMakerRegistration> m_onvifCameras;
    std::vector<std::string> m_names;
};
