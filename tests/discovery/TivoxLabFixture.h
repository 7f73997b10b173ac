#pragma once
// The tivox lab tests share one setting: CTivox opened on the lab's
// workstation interface with real libpcap, vtcamsim answering from the camera
// namespace, and helpers that collect callbacks and watch outgoing frames.
#include "DebugOutput.h"
#include "Lab.h"
#include "Tivox.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>
#include <net/if.h>
#include <pcap/pcap.h>
#include <set>
#include <string>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace tivoxlab {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

struct Event
{
    int code;
    tagMsgInfo msg;
    Clock::time_point when;
    std::thread::id thread;
};

// Collects callbacks from any thread.
class Collector
{
public:
    static void Callback(int code, tagMsgInfo* msg, void* user)
    {
        auto* self = static_cast<Collector*>(user);
        std::lock_guard lock(self->m_lock);
        self->m_events.push_back({code, *msg, Clock::now(), std::this_thread::get_id()});
        self->m_changed.notify_all();
    }

    // Waits until the predicate over all events holds; false on time-out.
    bool WaitFor(const std::function<bool(const std::vector<Event>&)>& done, Clock::duration limit)
    {
        std::unique_lock lock(m_lock);
        return m_changed.wait_for(lock, limit, [&] { return done(m_events); });
    }

    std::vector<Event> Events()
    {
        std::lock_guard lock(m_lock);
        return m_events;
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<Event> m_events;
};

inline std::size_t Count(const std::vector<Event>& events, int code, int result)
{
    std::size_t n = 0;
    for (const Event& event : events) {
        n += event.code == code && event.msg.result == result ? 1 : 0;
    }
    return n;
}

inline std::set<std::string> DiscoveredIps(const std::vector<Event>& events)
{
    std::set<std::string> ips;
    for (const Event& event : events) {
        if (event.code == 1) {
            ips.insert(event.msg.info.ip);
        }
    }
    return ips;
}

// The hardware address as the kernel reports it, independent of the listing.
inline std::vector<unsigned char> KernelMac(const std::string& interfaceName)
{
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    ifreq request{};
    std::strncpy(request.ifr_name, interfaceName.c_str(), IFNAMSIZ - 1);
    const bool ok = fd >= 0 && ioctl(fd, SIOCGIFHWADDR, &request) == 0;
    if (fd >= 0) {
        close(fd);
    }
    if (!ok) {
        return {};
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(request.ifr_hwaddr.sa_data);
    return {bytes, bytes + 6};
}

inline VtAdapter FindAdapter(const std::string& name)
{
    VtAdapter* list = nullptr;
    int count = 0;
    CTivox::SearchAdapter(&list, &count);
    VtAdapter found{};
    for (int i = 0; i < count; ++i) {
        if (name == list[i].name) {
            found = list[i];
        }
    }
    CTivox::FreeSearchAdapter(list);
    return found;
}

inline std::string FilterFor(const unsigned char* mac)
{
    char filter[160];
    std::snprintf(filter, sizeof(filter),
                  "(ether proto 0x0809 and len ==260) and ether src not %.2x:%.2x:%.2x:%.2x:%.2x:%.2x",
                  mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
    return filter;
}

// Configures a CTivox the way the program does and opens it.
inline int OpenOnLab(CTivox& tivox, const char* filter = nullptr)
{
    const std::string name = labkit::LabEnvironment::Current()->WsInterface();
    const VtAdapter adapter = FindAdapter(name);
    tivox.SetAdapter(name.c_str());
    tivox.SetAdapterMac(adapter.mac);
    tivox.SetFilter(filter != nullptr ? filter : FilterFor(adapter.mac).c_str());
    return tivox.InitTivox();
}

// Camera i of a vtcamsim started with defaults and --seed 7.
inline std::string CameraIp(int index)
{
    return "192.168.1." + std::to_string(100 + index);
}

class DebugCapture
{
public:
    DebugCapture()
    {
        PlatformSetDebugSink([this](std::string_view text) {
            std::lock_guard lock(m_lock);
            m_text += text;
        });
    }
    ~DebugCapture() { PlatformSetDebugSink({}); }
    std::string Text()
    {
        std::lock_guard lock(m_lock);
        return m_text;
    }

private:
    std::mutex m_lock;
    std::string m_text;
};

// Watches frames that leave the workstation interface.
class OutgoingWatch
{
public:
    explicit OutgoingWatch(const std::string& interfaceName)
    {
        char error[PCAP_ERRBUF_SIZE] = {};
        m_handle = pcap_create(interfaceName.c_str(), error);
        if (m_handle == nullptr) {
            return;
        }
        pcap_set_timeout(m_handle, 100);
        pcap_set_immediate_mode(m_handle, 1);
        if (pcap_activate(m_handle) < 0 || pcap_setdirection(m_handle, PCAP_D_OUT) != 0 ||
            pcap_setnonblock(m_handle, 1, error) != 0) {
            pcap_close(m_handle);
            m_handle = nullptr;
        }
    }
    ~OutgoingWatch()
    {
        if (m_handle != nullptr) {
            pcap_close(m_handle);
        }
    }
    bool Ready() const { return m_handle != nullptr; }

    // The 0x0809 frames seen within the given time.
    std::vector<std::vector<unsigned char>> Frames(Clock::duration within)
    {
        std::vector<std::vector<unsigned char>> frames;
        const auto end = Clock::now() + within;
        while (Clock::now() < end) {
            pcap_pkthdr* header = nullptr;
            const u_char* data = nullptr;
            if (pcap_next_ex(m_handle, &header, &data) == 1) {
                if (header->caplen >= 14 && data[12] == 0x08 && data[13] == 0x09) {
                    frames.emplace_back(data, data + header->caplen);
                }
            } else {
                std::this_thread::sleep_for(5ms);
            }
        }
        return frames;
    }

private:
    pcap_t* m_handle = nullptr;
};

class TivoxLab : public ::testing::Test
{
protected:
    void SetUp() override
    {
        LABKIT_REQUIRE_LAB();
        InitGlobalModifyInfo();
    }
    void TearDown() override
    {
        if (m_sim > 0) {
            labkit::LabEnvironment::Current()->Stop(m_sim);
        }
        DestroyGlobalModifyInfo();
    }

    void StartCameras(std::vector<std::string> args)
    {
        args.insert(args.end(), {"--seed", "7"});
        std::string error;
        m_sim = labkit::LabEnvironment::Current()->StartCamSim(args, error);
        ASSERT_GT(m_sim, 0) << error;
    }

    pid_t m_sim = -1;
};

} // namespace tivoxlab
