// The device table's side for ONVIF cameras: what WS-Discovery and a login
// report of them, and how they merge with the cameras the raw frames list.
#include "DeviceTable.h"
#include "OnvifDeviceWork.h"
#include "RecordText.h"

#include <algorithm>
#include <cstring>

namespace {
// The IPv4 address and port of the first service address; the record keeps
// what it had when that address names no IPv4 host.
void AddressFromXAddrs(const std::string& xaddrs, tagVtIpcInfo& info)
{
    std::string host;
    int port = 0;
    if (ServiceHostAndPort(xaddrs, host, port)) {
        CopyRecordField(info.ip, host);
        info.port = port;
    }
}

bool MacKnown(const unsigned char mac[8])
{
    return std::any_of(mac, mac + 6, [](unsigned char byte) { return byte != 0; });
}

} // namespace

DeviceRef DeviceTable::FindEndpointLocked(const std::string& endpoint) const
{
    const auto it = m_byEndpoint.find(endpoint);
    return it != m_byEndpoint.end() ? it->second : nullptr;
}

void DeviceTable::OnOnvifSighting(const OnvifSighting& sighting)
{
    if (sighting.endpoint.empty() || sighting.endpoint.size() > kOnvifEndpointLimit ||
        sighting.xaddrs.size() > kOnvifXAddrsLimit) {
        return;
    }
    std::vector<std::pair<DeviceEvent, DeviceRef>> events;
    bool becameFull = false;
    {
        std::lock_guard scope(m_lock);
        DeviceRef entry = FindEndpointLocked(sighting.endpoint);
        if (!entry) {
            entry = AppendLocked(CameraProtocol::Onvif, becameFull);
            if (entry) {
                entry->onvif.endpoint = sighting.endpoint;
                entry->info.upTime = -1; // ONVIF does not tell when a camera started
                m_byEndpoint.emplace(sighting.endpoint, entry);
                events.emplace_back(DeviceEvent::Added, entry);
            }
        } else {
            events.emplace_back(DeviceEvent::Updated, entry);
        }
        if (entry) {
            entry->lastSeen = Now();
            entry->onvif.xaddrs = sighting.xaddrs;
            // Until a login reads the camera's own answers, the list shows
            // what its announcement says.
            if (entry->protocol == CameraProtocol::Onvif && !MacKnown(entry->info.mac)) {
                CopyRecordField(entry->info.devName, sighting.name);
                CopyRecordField(entry->info.model, sighting.hardware);
                AddressFromXAddrs(sighting.xaddrs, entry->info);
            }
        }
    }
    Announce(events, becameFull);
}

bool DeviceTable::OnOnvifDetails(const OnvifDetails& details)
{
    std::vector<std::pair<DeviceEvent, DeviceRef>> events;
    {
        std::lock_guard scope(m_lock);
        const DeviceRef entry = FindEndpointLocked(details.endpoint);
        if (!entry) {
            return false;
        }
        entry->lastSeen = Now();
        entry->onvif.maker = details.maker.substr(0, kOnvifMakerLimit);
        const DeviceRef sameMac = MacKnown(details.info.mac) ? FindLocked(details.info.mac) : nullptr;
        if (entry->protocol == CameraProtocol::Family) {
            // Listed by the raw frames already: their record stands.
        } else if (sameMac && sameMac != entry && sameMac->protocol == CameraProtocol::Family) {
            // Both ways found the same camera: the family entry stays and
            // takes the ONVIF identity (in place of one it had under an
            // older endpoint reference); the ONVIF entry leaves.
            UnkeyEndpointLocked(sameMac);
            sameMac->onvif = entry->onvif;
            sameMac->alsoOnvif = true;
            sameMac->lastSeen = entry->lastSeen;
            RemoveLocked(entry);
            m_byEndpoint[sameMac->onvif.endpoint] = sameMac;
            events.emplace_back(DeviceEvent::Gone, entry);
            events.emplace_back(DeviceEvent::Updated, sameMac);
        } else {
            if (sameMac && sameMac != entry) {
                // The camera announced itself under a new endpoint reference.
                RemoveLocked(sameMac);
                events.emplace_back(DeviceEvent::Gone, sameMac);
            }
            UnkeyMacLocked(entry);
            entry->info = details.info;
            if (MacKnown(details.info.mac)) {
                KeyMacLocked(entry);
            }
            events.emplace_back(DeviceEvent::Updated, entry);
        }
    }
    Announce(events, false);
    return true;
}

void DeviceTable::OnOnvifBye(const std::string& endpoint)
{
    std::vector<std::pair<DeviceEvent, DeviceRef>> events;
    {
        std::lock_guard scope(m_lock);
        const DeviceRef entry = FindEndpointLocked(endpoint);
        if (!entry) {
            return;
        }
        if (entry->protocol == CameraProtocol::Onvif) {
            RemoveLocked(entry);
            events.emplace_back(DeviceEvent::Gone, entry);
        } else {
            // The camera still answers the raw frames; only its ONVIF service left.
            m_byEndpoint.erase(endpoint);
            entry->onvif = {};
            entry->alsoOnvif = false;
            events.emplace_back(DeviceEvent::Updated, entry);
        }
    }
    Announce(events, false);
}

bool DeviceTable::OnvifSnapshot(const DeviceEntry& entry, OnvifIdentity& out) const
{
    std::lock_guard scope(m_lock);
    out = entry.onvif;
    return entry.linked;
}

DeviceRef DeviceTable::Find(const unsigned char mac[8]) const
{
    std::lock_guard scope(m_lock);
    return FindLocked(mac);
}

void DeviceTable::AddPanelLine(const PanelLine& line)
{
    if (DeviceTableListener* listener = m_listener.load()) {
        listener->AddPanelLine(line);
    }
}
