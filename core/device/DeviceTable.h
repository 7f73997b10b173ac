#pragma once
#include "CameraProtocol.h"
#include "PanelLine.h"
#include "Tivox.h"
#include "ZxExport.h"

#include <atomic>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

// The process-wide table of the cameras that discovery has reported, in the
// order they were first heard, and the messages it gives the pages.
//
// Threads: the capture callback runs on the discovery library's threads; the
// expiry checks, the search filter and every page run on the UI thread. The
// table lock guards the list and every entry's info; no call to the listener
// is made while it is held.

// What the table tells the pages about a camera. The numbers are the
// window messages the pages have always been told by.
enum class DeviceEvent : int
{
    Added = 1177,    // first heard
    Modified = 1280, // its change of identity was answered
    ListSorted = 1281,
    Updated = 1282, // heard again
    Gone = 1283,    // silent too long
};

// What the discovery library's capture callback reports: its code argument.
enum class CaptureCode : int
{
    DeviceReply = 1,   // a camera answered a discovery request
    ModifyOutcome = 3, // a change of identity was answered, refused or given up
};

// One bit per window that can show cameras.
inline constexpr std::uint32_t kHolderNetworkTab = 0x01;
inline constexpr std::uint32_t kHolderBatchSet = 0x02;
inline constexpr std::uint32_t kHolderBatchUpgrade = 0x04;
inline constexpr std::uint32_t kHolderPreview = 0x08;
inline constexpr std::uint32_t kHolderOem = 0x10;
inline constexpr std::uint32_t kHolderNetworkBasic = 0x20;
inline constexpr std::uint32_t kHolderLog = 0x40;
inline constexpr std::uint32_t kHolderAll = 0x7F;
// The five-second check leaves the two network settings lists alone.
inline constexpr std::uint32_t kHolderFastExpiry =
    kHolderBatchSet | kHolderBatchUpgrade | kHolderPreview | kHolderLog | kHolderOem;

// Seconds of silence after which a camera is reported gone.
inline constexpr std::int64_t kDeviceSilenceLimit = 64;

// The most cameras the table lists. Anyone on the camera segment can send
// replies from made-up addresses; beyond this many, replies from cameras not
// yet listed are dropped (one panel line says so) until some fall silent.
inline constexpr std::size_t kDeviceTableLimit = 10000;

// The longest endpoint reference and service address list an ONVIF camera is
// listed with; a sighting with longer ones is dropped, so that made-up
// announcements cannot grow an entry without bound.
inline constexpr std::size_t kOnvifEndpointLimit = 256;
inline constexpr std::size_t kOnvifXAddrsLimit = 1024;
inline constexpr std::size_t kOnvifMakerLimit = 64;

// What WS-Discovery tells of an ONVIF camera (a probe match or a Hello).
struct OnvifSighting
{
    std::string endpoint; // endpoint reference address, "urn:uuid:..."
    std::string xaddrs;   // service addresses, space-separated
    std::string name;     // the name scope's value, empty when absent
    std::string hardware; // the hardware scope's value, empty when absent
};

// What a login to an ONVIF camera tells of it. info carries the MAC, name,
// IP, netmask, gateway, DNS, port, model and firmware version; its upTime is
// -1 (unknown) unless the camera tells it.
struct OnvifDetails
{
    std::string endpoint;
    std::string maker;
    tagVtIpcInfo info{};
};

// How the table knows an ONVIF camera (or a family camera that also answered
// WS-Discovery); all empty for a camera only the raw frames found.
struct OnvifIdentity
{
    std::string endpoint;
    std::string xaddrs;
    std::string maker;
};

// One camera. Pages keep shared references, so an entry a page still points
// to is never freed under it; whether the table still lists it is `linked`.
struct DeviceEntry
{
    tagVtIpcInfo info{};                   // guarded by the table lock: read it through Snapshot
    OnvifIdentity onvif;                   // guarded by the table lock: read it through OnvifSnapshot
    std::int64_t lastSeen = 0;             // guarded by the table lock
    bool linked = true;                    // guarded by the table lock
    std::atomic<std::uint32_t> holders{0}; // changed only on the UI thread
    // Set before the entry is listed and never changed: any thread reads it.
    CameraProtocol protocol = CameraProtocol::Family;
    // A family camera that answered WS-Discovery too; any thread reads it.
    std::atomic<bool> alsoOnvif{false};

    ProtocolMark Mark() const { return {protocol, alsoOnvif.load()}; }
};
using DeviceRef = std::shared_ptr<DeviceEntry>;

// What the table needs from the program around it.
class DeviceTableListener
{
public:
    virtual ~DeviceTableListener() = default;
    // Any thread: queue the event for every page (recipient order). Must not block.
    virtual void PostDeviceMessage(DeviceEvent event, const DeviceRef& entry) = 0;
    // UI thread: tell each window whose bit is in holders that the camera is
    // gone; returns when they have handled it.
    virtual void SendDeviceGone(const DeviceRef& entry, std::uint32_t holders) = 0;
    // UI thread: the same for all cameras one check found silent, each with
    // its holders, in table order from the tail. A listener that can remove
    // many rows at once overrides it; this one tells them one by one.
    struct Gone
    {
        DeviceRef entry;
        std::uint32_t holders;
    };
    virtual void SendDevicesGone(const std::vector<Gone>& gone)
    {
        for (const Gone& item : gone) {
            SendDeviceGone(item.entry, item.holders);
        }
    }
    // Any thread: one line for the operation panel. Must not block: it hands
    // the line on, it never waits for the UI thread to show it.
    virtual void AddPanelLine(const PanelLine& line) = 0;
};

// The page contract as the search filter uses it.
class DeviceFilterTarget
{
public:
    virtual ~DeviceFilterTarget() = default;
    virtual std::uint32_t HolderBit() const = 0;
    virtual void ClearRows() = 0;
    virtual bool Matches(const tagVtIpcInfo& info, ProtocolMark protocol, const std::wstring& filter) const = 0;
    // Adds a row for an entry that the filter accepted; sets the holder bit.
    virtual void AddFilteredRow(const DeviceRef& entry, const tagVtIpcInfo& info) = 0;
    virtual void ScrollToTop() = 0;
};

class ZX_EXPORT DeviceTable
{
public:
    using Clock = std::function<std::int64_t()>;

    DeviceTable();
    ~DeviceTable();
    DeviceTable(const DeviceTable&) = delete;
    DeviceTable& operator=(const DeviceTable&) = delete;

    // The listener must outlive every capture callback; clear it (null)
    // only after the discovery threads have been joined.
    void SetListener(DeviceTableListener* listener);
    void SetClock(Clock clock);

    // The capture callback of the discovery library; user is the table. It
    // never lets an exception out into the capture thread: a reply that
    // cannot be taken in is traced and dropped.
    static void CaptureCallback(int code, tagMsgInfo* msg, void* user);
    void OnCapture(CaptureCode code, const tagMsgInfo& msg);

    // What WS-Discovery reports, on its thread. A sighting adds an ONVIF
    // camera by its endpoint reference, or refreshes the camera that has it;
    // the details a login reads fill the entry and key it by its MAC from
    // then on. A camera the raw frames list too (the same MAC) is listed once,
    // as the family camera that also speaks ONVIF. A Bye takes an ONVIF
    // camera out of the table at once (the pages get Gone); of a family
    // camera it only takes the ONVIF mark. Sightings count against the same
    // limit as the raw frames' replies.
    void OnOnvifSighting(const OnvifSighting& sighting);
    // False when no listed camera has that endpoint reference.
    bool OnOnvifDetails(const OnvifDetails& details);
    void OnOnvifBye(const std::string& endpoint);

    // Timer 2001, every 100 ms: the 5 s check every 50th tick, the 30 s check
    // every 300th.
    void OnTimerTick();
    // The checks themselves; thirtySecond picks the holders considered.
    void CheckExpired(bool thirtySecond);

    // Clears the target, then adds every entry the filter accepts (every
    // entry for an empty filter), clearing the target's bit on the others.
    // Returns the number of rows added.
    int ApplySearchFilter(DeviceFilterTarget& target, const std::wstring& filter);

    // The entry's info as it is now; false when the table no longer lists it.
    bool Snapshot(const DeviceEntry& entry, tagVtIpcInfo& out) const;
    // The entry's ONVIF identity as it is now; false when the table no longer lists it.
    bool OnvifSnapshot(const DeviceEntry& entry, OnvifIdentity& out) const;
    // The entry listed under that MAC, or null.
    DeviceRef Find(const unsigned char mac[8]) const;
    // Any thread: one line for the operation panel, through the listener.
    void AddPanelLine(const PanelLine& line);
    // Entries in table order.
    std::vector<DeviceRef> Entries() const;
    std::size_t Count() const;

private:
    void AddOrUpdate(const tagVtIpcInfo& info);
    void ReportModified(const tagVtIpcInfo& info);
    DeviceRef FindLocked(const unsigned char mac[8]) const;
    DeviceRef FindEndpointLocked(const std::string& endpoint) const;
    // A new entry at the end of the table, or null (and true in becameFull
    // the first time) when the table is full.
    DeviceRef AppendLocked(CameraProtocol protocol, bool& becameFull);
    // Takes the entry out of both indexes and marks it unlisted; the caller
    // takes it out of m_entries.
    void UnlinkLocked(const DeviceRef& entry);
    // Lists the entry under its MAC; takes it off that index (when it is the
    // one listed there).
    void KeyMacLocked(const DeviceRef& entry);
    void UnkeyMacLocked(const DeviceRef& entry);
    // Takes the entry off the endpoint index (when it is the one listed there).
    void UnkeyEndpointLocked(const DeviceRef& entry);
    void RemoveLocked(const DeviceRef& entry);
    // Puts replacement in the place of entry, which leaves the table.
    void ReplaceLocked(const DeviceRef& entry, const DeviceRef& replacement);
    // Tells the listener, after the lock is released.
    void Announce(const std::vector<std::pair<DeviceEvent, DeviceRef>>& events, bool becameFull);
    std::int64_t Now() const;

    // The device table lock; a plain mutex, so creating it cannot fail.
    mutable std::mutex m_lock;
    std::vector<DeviceRef> m_entries;
    // The same entries by their eight address bytes, so that a reply finds
    // its camera at once however many are listed.
    std::unordered_map<std::uint64_t, DeviceRef> m_byMac;
    // The entries WS-Discovery announced, by endpoint reference.
    std::unordered_map<std::string, DeviceRef> m_byEndpoint;
    // Set once the limit turned a camera away, until the table has room again.
    bool m_full = false;
    std::atomic<DeviceTableListener*> m_listener{nullptr};
    Clock m_clock;
    unsigned m_ticks = 0;
};
