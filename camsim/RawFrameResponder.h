#pragma once
// Answers discovery and modify requests for every camera of a table on one
// network interface, with raw frames through libpcap.

#include "CameraTable.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

struct pcap;

namespace camsim {

struct ResponderCounters
{
    std::atomic<std::size_t> discoveryRequests{0};
    std::atomic<std::size_t> modifyRequests{0};
    std::atomic<std::size_t> repliesSent{0};
    std::atomic<std::size_t> sendFailures{0};
};

class RawFrameResponder
{
public:
    explicit RawFrameResponder(CameraTable& cameras);
    ~RawFrameResponder();
    RawFrameResponder(const RawFrameResponder&) = delete;
    RawFrameResponder& operator=(const RawFrameResponder&) = delete;

    // Opens the interface for capture and sending; false with a reason.
    bool Open(const std::string& interfaceName, std::string& error);
    // Answers requests until Stop (from any thread or a signal handler).
    void Run();
    void Stop();

    // The replies one received frame calls for (the table changes when a
    // modify is accepted); empty for frames that need no answer.
    std::vector<std::vector<unsigned char>> Answer(const unsigned char* data, std::size_t length);

    const ResponderCounters& Counters() const { return m_counters; }

    // Called (on the responder's thread) after a modify changed a camera's identity.
    void SetModifiedCallback(std::function<void(const MacAddress&)> callback);
    // An unrequested discovery reply to everyone, as a camera sends after a reboot.
    void Announce(const SimCamera& camera);

private:
    void Send(const std::vector<unsigned char>& frame);

    std::function<void(const MacAddress&)> m_modified;
    std::mutex m_sendLock;

    CameraTable& m_cameras;
    pcap* m_handle = nullptr;
    std::atomic<bool> m_stop{false};
    ResponderCounters m_counters;
};

} // namespace camsim
