#include "Tivox.h"

#include "AdapterRules.h"
#include "DebugOutput.h"
#include "FrameCodec.h"
#include "NetworkAdapters.h"
#include "PendingModifyTable.h"

#include <chrono>
#include <cstring>
#include <new>
#include <pcap/pcap.h>
#include <string>
#include <vector>

namespace {

// Discovery frames are 260 bytes; a small snapshot keeps each slot of the
// kernel ring small, so that a burst of thousands of replies fits in it: a
// slot holds the snapshot and its headers, and a 4 KiB block of the ring
// holds as many whole slots as fit (one of 2 KiB and more, six of 512).
constexpr int kSnapshotLength = 512;
constexpr int kReadTimeoutMs = 1000;
// Room for a burst of about 7000 replies between two reads. The whole ring
// is resident from the moment the device is opened.
constexpr int kCaptureBufferBytes = 4 * 1024 * 1024;
constexpr auto kSweepSleep = std::chrono::milliseconds(50);
constexpr unsigned kPassesPerSkippedSweep = 20;

template <std::size_t N> void CopyBounded(char (&target)[N], const char* source)
{
    const std::size_t length = strnlen(source, N - 1);
    std::memcpy(target, source, length);
    std::memset(target + length, 0, N - length);
}

bool ListCaptureDevices(std::vector<tivox::CaptureDevice>& devices)
{
    char error[PCAP_ERRBUF_SIZE] = {};
    pcap_if_t* list = nullptr;
    if (pcap_findalldevs(&list, error) != 0) {
        PlatformDebugOutput(error);
        PlatformDebugOutput("\n");
        return false;
    }
    for (const pcap_if_t* device = list; device != nullptr; device = device->next) {
        tivox::CaptureDevice entry;
        entry.name = device->name != nullptr ? device->name : "";
        entry.description = device->description != nullptr ? device->description : "";
        entry.hasAddress = device->addresses != nullptr;
        devices.push_back(std::move(entry));
    }
    pcap_freealldevs(list);
    return true;
}

void ReportOpenFailure(const char* reason)
{
    PlatformDebugOutput("Init Pcap Fail.nUnable to Open Adapter.\n");
    PlatformDebugOutput(reason);
    PlatformDebugOutput("\n");
}

} // namespace

void InitGlobalModifyInfo()
{
    // The table and its lock live for the whole process, so a modify issued
    // outside the Init/Destroy bracket is still safe; nothing to create here.
}

void DestroyGlobalModifyInfo()
{
    tivox::GlobalModifyTable().Clear();
}

CTivox::CTivox()
{
    try {
        std::vector<PlatformAdapter> adapters;
        const bool haveAdapters = PlatformListAdapters(adapters);
        unsigned char filterMac[8] = {};
        tivox::DefaultFilterMac(adapters, filterMac);
        SetFilter(tivox::DefaultFilter(filterMac).c_str());
        std::vector<tivox::CaptureDevice> devices;
        if (haveAdapters && ListCaptureDevices(devices)) {
            SetAdapter(tivox::DefaultDeviceName(devices, adapters).c_str());
        }
    } catch (const std::exception&) {
        PlatformDebugOutput("Adapter listing failed.\n");
    }
}

CTivox::CTivox(const char* adapterName)
{
    try {
        std::vector<PlatformAdapter> adapters;
        PlatformListAdapters(adapters);
        unsigned char filterMac[8] = {};
        tivox::DefaultFilterMac(adapters, filterMac);
        SetFilter(tivox::DefaultFilter(filterMac).c_str());
    } catch (const std::exception&) {
        PlatformDebugOutput("Adapter listing failed.\n");
    }
    SetAdapter(adapterName);
}

CTivox::~CTivox()
{
    UnInitTivox();
}

void CTivox::SearchAdapter(VtAdapter** adapters, int* count)
{
    if (adapters == nullptr || count == nullptr) {
        return;
    }
    try {
        std::vector<tivox::CaptureDevice> devices;
        if (!ListCaptureDevices(devices)) {
            return;
        }
        std::vector<PlatformAdapter> systemAdapters;
        if (!PlatformListAdapters(systemAdapters)) {
            return;
        }
        auto* list = new (std::nothrow) VtAdapter[devices.size() + 1]();
        if (list == nullptr) {
            return;
        }
        for (std::size_t i = 0; i < devices.size(); ++i) {
            CopyBounded(list[i].name, devices[i].name.c_str());
            CopyBounded(list[i].description, devices[i].description.c_str());
            const int match = tivox::FindAdapterForDevice(devices[i].name, systemAdapters);
            if (match >= 0) {
                std::memcpy(list[i].mac, systemAdapters[static_cast<std::size_t>(match)].mac, 8);
            }
        }
        *adapters = list;
        *count = static_cast<int>(devices.size());
    } catch (const std::exception&) {
        PlatformDebugOutput("Adapter listing failed.\n");
    }
}

void CTivox::FreeSearchAdapter(VtAdapter* adapters)
{
    delete[] adapters;
}

void CTivox::SetAdapter(const char* adapterName)
{
    if (adapterName != nullptr) {
        CopyBounded(m_adapterName, adapterName);
    }
}

void CTivox::SetAdapterMac(const unsigned char* mac)
{
    if (mac != nullptr) {
        std::memcpy(m_adapterMac, mac, sizeof(m_adapterMac));
    }
}

void CTivox::SetFilter(const char* filter)
{
    if (filter != nullptr) {
        CopyBounded(m_filter, filter);
    }
}

int CTivox::InitTivox()
{
    if (m_handle != nullptr) {
        return 0;
    }
    if (m_adapterName[0] == '\0') {
        PlatformDebugOutput("Init Pcap Fail.NO Adapter.\n");
        return -1;
    }
    char error[PCAP_ERRBUF_SIZE] = {};
    pcap_t* handle = pcap_create(m_adapterName, error);
    if (handle == nullptr) {
        ReportOpenFailure(error);
        return -2;
    }
    pcap_set_snaplen(handle, kSnapshotLength);
    pcap_set_promisc(handle, 1);
    pcap_set_timeout(handle, kReadTimeoutMs);
    // Replies are handed on as they arrive rather than when a kernel block
    // fills; the read time-out still bounds how long a read waits.
    pcap_set_immediate_mode(handle, 1);
    pcap_set_buffer_size(handle, kCaptureBufferBytes);
    const int activated = pcap_activate(handle);
    if (activated < 0) {
        const std::string reason =
            activated == PCAP_ERROR ? pcap_geterr(handle) : pcap_statustostr(activated);
        pcap_close(handle);
        ReportOpenFailure(reason.c_str());
        return -2;
    }
    // Only Ethernet devices carry these frames; any other link type ("any",
    // nflog, usbmon, ...) would have its headers misread as Ethernet.
    if (pcap_datalink(handle) != DLT_EN10MB) {
        pcap_close(handle);
        PlatformDebugOutput("Init Pcap Fail.Adapter is not an Ethernet device.\n");
        return -2;
    }
    m_handle = handle;
    m_running = true;
    m_opened = true;
    try {
        m_sweeper = std::thread(&CTivox::SweepLoop, this);
    } catch (const std::exception&) {
        PlatformDebugOutput("Init Pcap Fail.Cannot start the sweeper.\n");
        UnInitTivox();
        return -2;
    }
    return 0;
}

int CTivox::StartCapture(TivoxCallback callback, void* user)
{
    if (!m_opened || m_handle == nullptr) {
        return -1;
    }
    {
        std::lock_guard lock(m_callbackLock);
        m_callback = callback;
        m_user = user;
    }
    if (m_captureTried) {
        return 0;
    }
    m_captureTried = true;
    // The filter is in place before this returns: installing it drops what
    // was captured so far, which would otherwise swallow the first replies
    // to a discovery sent right after this call. An unusable filter leaves
    // the object open but deaf.
    if (!InstallFilter()) {
        return 0;
    }
    try {
        m_capture = std::thread(&CTivox::CaptureLoop, this);
    } catch (const std::exception&) {
        PlatformDebugOutput("Cannot start the capture thread.\n");
    }
    return 0;
}

bool CTivox::SendFrame(const unsigned char* frame)
{
    std::lock_guard lock(m_sendLock);
    if (pcap_sendpacket(m_handle, frame, static_cast<int>(tivox::kFrameSize)) != 0) {
        PlatformDebugOutput("Send Packet Failed.\n");
        return false;
    }
    return true;
}

int CTivox::StartDiscovery()
{
    if (!m_opened || m_handle == nullptr) {
        return -1;
    }
    const tivox::Frame frame = tivox::BuildDiscoveryRequest(m_adapterMac);
    SendFrame(frame.data());
    return 0;
}

int CTivox::UdppDiscovery()
{
    return 0;
}

int CTivox::ModifyIpcInfo(tagVtIpcInfo* info)
{
    if (!m_opened || m_handle == nullptr || info == nullptr || info->user[0] == '\0' ||
        info->password[0] == '\0') {
        return -1;
    }
    // Recorded before it is sent: a camera can answer before the send call
    // returns, and its reply must find the request to clear. A failed send
    // stays recorded, so that the user sees it time out.
    tivox::GlobalModifyTable().Insert(*info, tivox::PendingModifyTable::Clock::now());
    const tivox::Frame frame = tivox::BuildModifyRequest(m_adapterMac, *info);
    SendFrame(frame.data());
    return 0;
}

int CTivox::ModifyUdppInfo(tagVtIpcInfo* /*info*/)
{
    return 0;
}

void CTivox::UnInitTivox()
{
    m_running = false;
    if (m_handle != nullptr) {
        // Wakes a read that waits for packets, so closing does not wait for
        // the read time-out.
        pcap_breakloop(m_handle);
    }
    if (m_sweeper.joinable()) {
        m_sweeper.join();
    }
    if (m_capture.joinable()) {
        m_capture.join();
    }
    if (m_handle != nullptr) {
        pcap_close(m_handle);
        m_handle = nullptr;
    }
    m_captureTried = false;
    m_opened = false;
}

void CTivox::Report(int code, tagMsgInfo* msg)
{
    TivoxCallback callback = nullptr;
    void* user = nullptr;
    {
        std::lock_guard lock(m_callbackLock);
        callback = m_callback;
        user = m_user;
    }
    if (callback != nullptr) {
        callback(code, msg, user);
    }
}

bool CTivox::InstallFilter()
{
    if (m_filter[0] == '\0') {
        PlatformDebugOutput("Not Set the Filter.");
        return false;
    }
    bpf_program program{};
    if (pcap_compile(m_handle, &program, m_filter, 1, 0xFFFFFF) != 0) {
        PlatformDebugOutput("Error compiling filter: wrong syntax.\n");
        return false;
    }
    const bool installed = pcap_setfilter(m_handle, &program) == 0;
    if (!installed) {
        PlatformDebugOutput("Error setting the filter\n");
    }
    pcap_freecode(&program);
    return installed;
}

void CTivox::CaptureLoop()
{
    pcap_t* handle = m_handle;
    for (;;) {
        pcap_pkthdr* header = nullptr;
        const u_char* data = nullptr;
        const int rc = pcap_next_ex(handle, &header, &data);
        if (rc < 0 || !m_running) {
            break;
        }
        if (rc == 0 || header->caplen == 0) {
            continue;
        }
        tagMsgInfo msg{};
        const tivox::FrameKind kind = tivox::DecodeFrame(data, header->caplen, m_adapterMac, msg);
        if (kind == tivox::FrameKind::DiscoveryReply) {
            Report(1, &msg);
        } else if (kind == tivox::FrameKind::ModifyReply) {
            tivox::GlobalModifyTable().ClearCamera(msg.info.mac);
            Report(3, &msg);
        }
    }
}

void CTivox::SweepLoop()
{
    unsigned pass = 0;
    while (m_running) {
        ++pass;
        bool haveCallback = false;
        {
            std::lock_guard lock(m_callbackLock);
            haveCallback = m_callback != nullptr;
        }
        if (pass % kPassesPerSkippedSweep != 0 && haveCallback) {
            // Taken out under the table lock, reported after it is released.
            auto expired = tivox::GlobalModifyTable().TakeExpired(tivox::PendingModifyTable::Clock::now());
            for (tagMsgInfo& msg : expired) {
                Report(3, &msg);
            }
        }
        std::this_thread::sleep_for(kSweepSleep);
    }
}
