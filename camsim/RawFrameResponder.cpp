#include "RawFrameResponder.h"

#include "SimFrames.h"

#include <chrono>
#include <pcap/pcap.h>

namespace camsim {
namespace {
constexpr int kReadTimeoutMs = 200;
constexpr int kBufferBytes = 4 * 1024 * 1024;
} // namespace

RawFrameResponder::RawFrameResponder(CameraTable& cameras) : m_cameras(cameras) {}

RawFrameResponder::~RawFrameResponder()
{
    if (m_handle != nullptr) {
        pcap_close(m_handle);
    }
}

bool RawFrameResponder::Open(const std::string& interfaceName, std::string& error)
{
    char buffer[PCAP_ERRBUF_SIZE] = {};
    pcap_t* handle = pcap_create(interfaceName.c_str(), buffer);
    if (handle == nullptr) {
        error = buffer;
        return false;
    }
    pcap_set_snaplen(handle, 2048);
    pcap_set_promisc(handle, 1);
    pcap_set_timeout(handle, kReadTimeoutMs);
    pcap_set_immediate_mode(handle, 1);
    pcap_set_buffer_size(handle, kBufferBytes);
    const int activated = pcap_activate(handle);
    if (activated < 0) {
        error = activated == PCAP_ERROR ? pcap_geterr(handle) : pcap_statustostr(activated);
        pcap_close(handle);
        return false;
    }
    if (pcap_datalink(handle) != DLT_EN10MB) {
        error = interfaceName + " is not an Ethernet interface";
        pcap_close(handle);
        return false;
    }
    // Only what arrives: our own replies leave through the same interface.
    pcap_setdirection(handle, PCAP_D_IN);
    bpf_program program{};
    if (pcap_compile(handle, &program, "ether proto 0x0809", 1, PCAP_NETMASK_UNKNOWN) != 0 ||
        pcap_setfilter(handle, &program) != 0) {
        error = pcap_geterr(handle);
        pcap_freecode(&program);
        pcap_close(handle);
        return false;
    }
    pcap_freecode(&program);
    m_handle = handle;
    return true;
}

void RawFrameResponder::Run()
{
    while (!m_stop && m_handle != nullptr) {
        pcap_pkthdr* header = nullptr;
        const u_char* data = nullptr;
        const int rc = pcap_next_ex(m_handle, &header, &data);
        if (rc < 0) {
            break;
        }
        if (rc > 0) {
            for (const auto& reply : Answer(data, header->caplen)) {
                Send(reply);
            }
        }
    }
}

void RawFrameResponder::Stop()
{
    m_stop = true;
    if (m_handle != nullptr) {
        pcap_breakloop(m_handle);
    }
}

std::vector<std::vector<unsigned char>> RawFrameResponder::Answer(const unsigned char* data,
                                                                  std::size_t length)
{
    std::vector<std::vector<unsigned char>> replies;
    const std::optional<SimRequest> request = ParseSimRequest(data, length);
    if (!request) {
        return replies;
    }
    const auto now = std::chrono::steady_clock::now();
    if (request->kind == SimRequest::Kind::Discovery) {
        ++m_counters.discoveryRequests;
        for (const SimCamera& camera : m_cameras.Snapshot()) {
            if (!camera.IsOnvif() && !camera.Has(kFaultLostDiscovery) && !camera.silent) {
                replies.push_back(BuildSimDiscoveryReply(camera, request->requester, now));
            }
        }
        return replies;
    }
    ++m_counters.modifyRequests;
    SimCamera current;
    const ModifyOutcome outcome = m_cameras.ApplyModify(request->target, request->modify, current);
    if (outcome != ModifyOutcome::Silent) {
        replies.push_back(
            BuildSimModifyReply(current, request->requester, outcome == ModifyOutcome::Accepted, now));
    }
    if (outcome == ModifyOutcome::Accepted && m_modified) {
        m_modified(request->target);
    }
    return replies;
}

void RawFrameResponder::SetModifiedCallback(std::function<void(const MacAddress&)> callback)
{
    m_modified = std::move(callback);
}

void RawFrameResponder::Announce(const SimCamera& camera)
{
    if (camera.IsOnvif()) {
        return;
    }
    const MacAddress everyone{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    Send(BuildSimDiscoveryReply(camera, everyone, std::chrono::steady_clock::now()));
}

void RawFrameResponder::Send(const std::vector<unsigned char>& frame)
{
    std::lock_guard lock(m_sendLock);
    if (m_handle == nullptr) {
        return;
    }
    if (pcap_sendpacket(m_handle, frame.data(), static_cast<int>(frame.size())) == 0) {
        ++m_counters.repliesSent;
    } else {
        ++m_counters.sendFailures;
    }
}

} // namespace camsim
