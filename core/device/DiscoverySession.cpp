#include "DiscoverySession.h"

#include "DeviceTable.h"
#include "OnvifCameraMaker.h"
#include "OnvifDeviceWork.h"
#include "OperationLog.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

bool HasHardwareAddress(const VtAdapter& adapter)
{
    return std::any_of(adapter.mac, adapter.mac + 6, [](unsigned char byte) { return byte != 0; });
}

DiscoverySession::DiscoverySession() = default;

DiscoverySession::~DiscoverySession()
{
    Close();
}

namespace {
// The ONVIF entry a page's record stands for: by its MAC once a login read
// it, else (a camera that refused the login) by its address.
DeviceRef FindOnvifEntry(const DeviceTable& table, const tagVtIpcInfo& info)
{
    const unsigned char none[8] = {};
    if (std::memcmp(info.mac, none, 6) != 0) {
        DeviceRef entry = table.Find(info.mac);
        return entry && entry->protocol == CameraProtocol::Onvif ? entry : nullptr;
    }
    for (const DeviceRef& entry : table.Entries()) {
        tagVtIpcInfo listed{};
        if (entry->protocol == CameraProtocol::Onvif && table.Snapshot(*entry, listed) &&
            std::memcmp(listed.mac, none, 6) == 0 && std::strcmp(listed.ip, info.ip) == 0) {
            return entry;
        }
    }
    return nullptr;
}
} // namespace

int DiscoverySession::Open(DeviceTable& table, const std::vector<std::string>& only,
                           std::vector<std::string>* failed)
{
    SetOnvifTable(&table);
    return Open(&DeviceTable::CaptureCallback, &table, only, failed);
}

void DiscoverySession::SetOnvifTable(DeviceTable* onvifTable)
{
    m_onvif.SetTable(onvifTable);
    if (onvifTable == nullptr) {
        m_onvifCameras.reset();
        return;
    }
    DeviceTable& table = *onvifTable;
    m_onvifCameras = std::make_unique<CameraMakerRegistration>(
        OnvifCameraMaker([&table](const tagVtIpcInfo& info) -> std::optional<OnvifCameraAddress> {
            const DeviceRef entry = FindOnvifEntry(table, info);
            OnvifIdentity identity;
            if (!entry || !table.OnvifSnapshot(*entry, identity)) {
                return std::nullopt;
            }
            std::string service = DeviceServiceAddress(identity.xaddrs);
            if (service.empty()) {
                return std::nullopt;
            }
            return OnvifCameraAddress{std::move(service), {}};
        }));
}

int DiscoverySession::Open(TivoxCallback callback, void* user, const std::vector<std::string>& only,
                           std::vector<std::string>* failed)
{
    VtAdapter* adapters = nullptr;
    int count = 0;
    CTivox::SearchAdapter(&adapters, &count);
    m_onvif.SetOutcome(callback, user);
    int opened = 0;
    for (int i = 0; i < count; ++i) {
        const VtAdapter& adapter = adapters[i];
        TraceA(1, "%d Adapter:%s %s", count, adapter.name, adapter.description);
        if (!only.empty() && std::find(only.begin(), only.end(), adapter.name) == only.end()) {
            continue;
        }
        if (!HasHardwareAddress(adapter)) {
            TraceA(1, "Adapter %s has no hardware address: no camera frames on it", adapter.name);
            continue;
        }
        char filter[256];
        std::snprintf(filter, sizeof filter, "%s and ether src not %.2x:%.2x:%.2x:%.2x:%.2x:%.2x",
                      "(ether proto 0x0809 and len ==260)", adapter.mac[0], adapter.mac[1], adapter.mac[2],
                      adapter.mac[3], adapter.mac[4], adapter.mac[5]);
        auto tivox = std::make_unique<CTivox>();
        tivox->SetAdapter(adapter.name);
        tivox->SetAdapterMac(adapter.mac);
        tivox->SetFilter(filter);
        if (tivox->InitTivox() != 0) {
            if (failed != nullptr) {
                failed->emplace_back(adapter.name);
            }
            continue;
        }
        tivox->StartCapture(callback, user);
        tivox->StartDiscovery();
        tivox->UdppDiscovery();
        m_devices.push_back(std::move(tivox));
        m_names.emplace_back(adapter.name);
        ++opened;
        std::string onvifError;
        if (!m_onvif.Open(adapter.name, onvifError)) {
            TraceA(1, "No WS-Discovery on %s: %s", adapter.name, onvifError.c_str());
        }
    }
    CTivox::FreeSearchAdapter(adapters);
    if (failed != nullptr) {
        for (const std::string& name : only) {
            if (std::find(m_names.begin(), m_names.end(), name) == m_names.end() &&
                std::find(failed->begin(), failed->end(), name) == failed->end()) {
                failed->push_back(name);
            }
        }
    }
    return opened;
}

void DiscoverySession::Probe()
{
    for (const auto& tivox : m_devices) {
        tivox->StartDiscovery();
        tivox->UdppDiscovery();
    }
    m_onvif.Probe();
}

int DiscoverySession::Modify(tagVtIpcInfo* info)
{
    if (info == nullptr) {
        return -1;
    }
    if (m_onvif.Modify(*info)) {
        return 0;
    }
    // A change that no adapter could send would otherwise vanish without a
    // word: the caller reports it as failed.
    bool sent = false;
    for (std::size_t i = 0; i < m_devices.size(); ++i) {
        TraceA(1, "ModifyVtIpcInfo Adapter:%s", m_names[i].c_str());
        const int result =
            info->viaUdp != 0 ? m_devices[i]->ModifyUdppInfo(info) : m_devices[i]->ModifyIpcInfo(info);
        sent = sent || result == 0;
    }
    return sent ? 0 : -1;
}

void DiscoverySession::Close()
{
    m_onvifCameras.reset();
    m_onvif.Close();
    for (const auto& tivox : m_devices) {
        tivox->UnInitTivox();
    }
    m_devices.clear();
    m_names.clear();
}
