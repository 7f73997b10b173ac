#include "DeviceTable.h"

#include "LangTable.h"
#include "ModifyReport.h"
#include "OperationLog.h"

#include <algorithm>
#include <cstring>
#include <exception>

namespace {
std::uint64_t MacKey(const unsigned char mac[8])
{
    std::uint64_t key = 0;
    std::memcpy(&key, mac, sizeof key);
    return key;
}

// A failure in the callback is traced, but a stream of them (memory running
// out under a flood) must not flood the log in turn: the first few and then
// every thousandth.
void TraceCallbackFailure(const char* what)
{
    static std::atomic<unsigned long> failures{0};
    const unsigned long count = ++failures;
    if (count <= 10 || count % 1000 == 0) {
        TraceA(1, "Capture callback failed (%lu so far), reply dropped: %s", count, what);
    }
}
} // namespace

DeviceTable::DeviceTable() : m_clock([] { return static_cast<std::int64_t>(std::time(nullptr)); }) {}

DeviceTable::~DeviceTable()
{
    {
        std::lock_guard scope(m_lock);
        for (const DeviceRef& entry : m_entries) {
            entry->linked = false;
        }
        m_entries.clear();
        m_byMac.clear();
        m_byEndpoint.clear();
    }
}

void DeviceTable::SetListener(DeviceTableListener* listener)
{
    m_listener.store(listener);
}

void DeviceTable::SetClock(Clock clock)
{
    m_clock = std::move(clock);
}

std::int64_t DeviceTable::Now() const
{
    return m_clock();
}

void DeviceTable::CaptureCallback(int code, tagMsgInfo* msg, void* user)
{
    if (msg == nullptr || user == nullptr) {
        return;
    }
    // An exception leaving here would end the program from a capture thread.
    try {
        static_cast<DeviceTable*>(user)->OnCapture(static_cast<CaptureCode>(code), *msg);
    } catch (const std::exception& error) {
        TraceCallbackFailure(error.what());
    } catch (...) {
        TraceCallbackFailure("unknown exception");
    }
}

void DeviceTable::OnCapture(CaptureCode code, const tagMsgInfo& msg)
{
    if (code == CaptureCode::DeviceReply && msg.result == 0) {
        AddOrUpdate(msg.info);
    } else if (code == CaptureCode::ModifyOutcome && msg.result == 0) {
        ReportModified(msg.info);
    } else if (code == CaptureCode::ModifyOutcome) {
        if (DeviceTableListener* listener = m_listener.load()) {
            listener->AddPanelLine(BuildModifyFailure(msg.info));
        }
    } else {
        TraceA(1, "Unknown Message.");
    }
}

DeviceRef DeviceTable::FindLocked(const unsigned char mac[8]) const
{
    const auto it = m_byMac.find(MacKey(mac));
    return it != m_byMac.end() ? it->second : nullptr;
}

void DeviceTable::AddOrUpdate(const tagVtIpcInfo& info)
{
    std::vector<std::pair<DeviceEvent, DeviceRef>> events;
    bool becameFull = false;
    {
        std::lock_guard scope(m_lock);
        DeviceRef entry = FindLocked(info.mac);
        if (entry && entry->protocol == CameraProtocol::Onvif) {
            // WS-Discovery listed it first: the family entry takes its place,
            // marked as speaking ONVIF too, and the pages drop the ONVIF row.
            auto family = std::make_shared<DeviceEntry>();
            family->onvif = entry->onvif;
            family->alsoOnvif = true;
            ReplaceLocked(entry, family);
            events.emplace_back(DeviceEvent::Gone, entry);
            entry = family;
            entry->info = info;
            entry->lastSeen = Now();
            events.emplace_back(DeviceEvent::Added, entry);
        } else if (entry) {
            entry->lastSeen = Now();
            entry->info = info;
            events.emplace_back(DeviceEvent::Updated, entry);
        } else if ((entry = AppendLocked(CameraProtocol::Family, becameFull))) {
            entry->info = info;
            m_byMac.emplace(MacKey(info.mac), entry);
            events.emplace_back(DeviceEvent::Added, entry);
        }
    }
    Announce(events, becameFull);
}

DeviceRef DeviceTable::AppendLocked(CameraProtocol protocol, bool& becameFull)
{
    if (m_entries.size() >= kDeviceTableLimit) {
        becameFull = !m_full;
        m_full = true;
        return nullptr;
    }
    auto entry = std::make_shared<DeviceEntry>();
    entry->protocol = protocol;
    entry->lastSeen = Now();
    m_entries.push_back(entry);
    return entry;
}

void DeviceTable::KeyMacLocked(const DeviceRef& entry)
{
    m_byMac[MacKey(entry->info.mac)] = entry;
}

void DeviceTable::UnkeyMacLocked(const DeviceRef& entry)
{
    if (const auto it = m_byMac.find(MacKey(entry->info.mac)); it != m_byMac.end() && it->second == entry) {
        m_byMac.erase(it);
    }
}

void DeviceTable::UnlinkLocked(const DeviceRef& entry)
{
    entry->linked = false;
    UnkeyMacLocked(entry);
    UnkeyEndpointLocked(entry);
}

void DeviceTable::UnkeyEndpointLocked(const DeviceRef& entry)
{
    if (const auto it = m_byEndpoint.find(entry->onvif.endpoint);
        it != m_byEndpoint.end() && it->second == entry) {
        m_byEndpoint.erase(it);
    }
}

void DeviceTable::RemoveLocked(const DeviceRef& entry)
{
    UnlinkLocked(entry);
    m_entries.erase(std::remove(m_entries.begin(), m_entries.end(), entry), m_entries.end());
    if (m_entries.size() < kDeviceTableLimit) {
        m_full = false;
    }
}

void DeviceTable::ReplaceLocked(const DeviceRef& entry, const DeviceRef& replacement)
{
    UnlinkLocked(entry);
    std::replace(m_entries.begin(), m_entries.end(), entry, replacement);
    replacement->linked = true;
    replacement->info = entry->info;
    KeyMacLocked(replacement);
    if (!replacement->onvif.endpoint.empty()) {
        m_byEndpoint[replacement->onvif.endpoint] = replacement;
    }
}

void DeviceTable::Announce(const std::vector<std::pair<DeviceEvent, DeviceRef>>& events, bool becameFull)
{
    DeviceTableListener* listener = m_listener.load();
    if (listener == nullptr) {
        return;
    }
    for (const auto& [event, entry] : events) {
        listener->PostDeviceMessage(event, entry);
    }
    if (becameFull) {
        listener->AddPanelLine({std::to_wstring(kDeviceTableLimit) + L" " +
                                    LangText(83012, L"cameras are listed, the most the list holds; further "
                                                    L"cameras are ignored until some fall silent."),
                                true});
    }
}

void DeviceTable::ReportModified(const tagVtIpcInfo& info)
{
    const ModifyLabels labels = CurrentModifyLabels();
    std::vector<PanelLine> lines;
    DeviceRef entry;
    {
        std::lock_guard scope(m_lock);
        entry = FindLocked(info.mac);
        if (!entry) {
            return;
        }
        lines = BuildModifyReport(entry->info, info, labels);
        entry->lastSeen = Now();
        entry->info = info;
    }
    // Like every call to the listener, made after the lock is released, so
    // that nothing the listener does can hold up the UI thread's checks.
    if (DeviceTableListener* listener = m_listener.load()) {
        listener->PostDeviceMessage(DeviceEvent::Modified, entry);
        for (const PanelLine& line : lines) {
            listener->AddPanelLine(line);
        }
    }
}

void DeviceTable::OnTimerTick()
{
    ++m_ticks;
    if (m_ticks % 300 == 0) {
        m_ticks = 0;
        CheckExpired(true);
    } else if (m_ticks % 50 == 0) {
        CheckExpired(false);
    }
}

void DeviceTable::CheckExpired(bool thirtySecond)
{
    const std::uint32_t considered = thirtySecond ? kHolderAll : kHolderFastExpiry;
    struct Expired
    {
        DeviceRef entry;
        std::string ip;
        std::int64_t age;
    };
    std::vector<Expired> expired;
    {
        std::lock_guard scope(m_lock);
        const std::int64_t now = Now();
        for (auto it = m_entries.rbegin(); it != m_entries.rend(); ++it) {
            const std::int64_t age = now - (*it)->lastSeen;
            if (age >= kDeviceSilenceLimit) {
                expired.push_back({*it, (*it)->info.ip, age});
            }
        }
    }
    // The pages are told without the lock held: a page handling the message
    // may read the table, and the capture threads must not stall meanwhile.
    // They are told of all silent cameras at once, so a page removes many
    // rows in one pass rather than one pass per row.
    DeviceTableListener* listener = m_listener.load();
    std::vector<DeviceTableListener::Gone> gone;
    for (const Expired& item : expired) {
        TraceA(1, thirtySecond ? "Check_30 Disconnect IPC:%s %llds" : "Check_5 Disconnect IPC:%s %llds",
               item.ip.c_str(), static_cast<long long>(item.age));
        const std::uint32_t holders = item.entry->holders.load() & considered;
        if (holders != 0) {
            gone.push_back({item.entry, holders});
        }
    }
    if (listener != nullptr && !gone.empty()) {
        listener->SendDevicesGone(gone);
    }
    std::lock_guard scope(m_lock);
    const std::int64_t now = Now();
    bool removed = false;
    for (const Expired& item : expired) {
        // A camera that answered while the pages were being told stays.
        if (item.entry->holders.load() != 0 || now - item.entry->lastSeen < kDeviceSilenceLimit ||
            !item.entry->linked) {
            continue;
        }
        UnlinkLocked(item.entry);
        removed = true;
        TraceA(0,
               thirtySecond ? "Delete One Timeout Ipc by check per 30s: %s."
                            : "Delete One Timeout Ipc by check per 5s: %s.",
               item.ip.c_str());
    }
    if (removed) {
        // One pass over the table, however many cameras left it.
        m_entries.erase(std::remove_if(m_entries.begin(), m_entries.end(),
                                       [](const DeviceRef& entry) { return !entry->linked; }),
                        m_entries.end());
    }
    if (m_entries.size() < kDeviceTableLimit) {
        m_full = false;
    }
}

int DeviceTable::ApplySearchFilter(DeviceFilterTarget& target, const std::wstring& filter)
{
    target.ClearRows();
    std::vector<std::pair<DeviceRef, tagVtIpcInfo>> accepted;
    {
        std::lock_guard scope(m_lock);
        for (const DeviceRef& entry : m_entries) {
            if (filter.empty() || target.Matches(entry->info, entry->Mark(), filter)) {
                accepted.emplace_back(entry, entry->info);
            } else {
                entry->holders.fetch_and(~target.HolderBit());
            }
        }
    }
    for (const auto& [entry, info] : accepted) {
        target.AddFilteredRow(entry, info);
    }
    target.ScrollToTop();
    return static_cast<int>(accepted.size());
}

bool DeviceTable::Snapshot(const DeviceEntry& entry, tagVtIpcInfo& out) const
{
    std::lock_guard scope(m_lock);
    out = entry.info;
    return entry.linked;
}

std::vector<DeviceRef> DeviceTable::Entries() const
{
    std::lock_guard scope(m_lock);
    return m_entries;
}

std::size_t DeviceTable::Count() const
{
    std::lock_guard scope(m_lock);
    return m_entries.size();
}
