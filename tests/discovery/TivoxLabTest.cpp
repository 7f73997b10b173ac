// CTivox against simulated cameras: the test runs in the lab's workstation
// namespace with real libpcap on the veth link, vtcamsim answers from the
// camera namespace.
#include "DebugOutput.h"
#include "Lab.h"
#include "NetworkAdapters.h"
#include "Tivox.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <fstream>
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

namespace {

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

std::size_t Count(const std::vector<Event>& events, int code, int result)
{
    std::size_t n = 0;
    for (const Event& event : events) {
        n += event.code == code && event.msg.result == result ? 1 : 0;
    }
    return n;
}

std::set<std::string> DiscoveredIps(const std::vector<Event>& events)
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
std::vector<unsigned char> KernelMac(const std::string& interfaceName)
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

VtAdapter FindAdapter(const std::string& name)
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

std::string FilterFor(const unsigned char* mac)
{
    char filter[160];
    std::snprintf(filter, sizeof(filter),
                  "(ether proto 0x0809 and len ==260) and ether src not %.2x:%.2x:%.2x:%.2x:%.2x:%.2x",
                  mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
    return filter;
}

// Configures a CTivox the way the program does and opens it.
int OpenOnLab(CTivox& tivox, const char* filter = nullptr)
{
    const std::string name = labkit::LabEnvironment::Current()->WsInterface();
    const VtAdapter adapter = FindAdapter(name);
    tivox.SetAdapter(name.c_str());
    tivox.SetAdapterMac(adapter.mac);
    tivox.SetFilter(filter != nullptr ? filter : FilterFor(adapter.mac).c_str());
    return tivox.InitTivox();
}

// Camera i of a vtcamsim started with defaults and --seed 7.
std::string CameraIp(int index)
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

TEST_F(TivoxLab, ListingMatchesDevicesToTheirAdapters)
{
    const std::string wsInterface = labkit::LabEnvironment::Current()->WsInterface();
    VtAdapter* list = nullptr;
    int count = -1;
    CTivox::SearchAdapter(&list, &count);
    ASSERT_NE(list, nullptr);
    bool sawLab = false;
    bool sawAny = false;
    const std::vector<unsigned char> kernelMac = KernelMac(wsInterface);
    ASSERT_EQ(kernelMac.size(), 6u);
    for (int i = 0; i < count; ++i) {
        if (wsInterface == list[i].name) {
            sawLab = true;
            EXPECT_EQ(0, std::memcmp(list[i].mac, kernelMac.data(), 6));
            EXPECT_EQ(list[i].mac[6], 0);
        }
        if (std::string("any") == list[i].name) {
            sawAny = true;
            const unsigned char zero[8] = {};
            EXPECT_EQ(0, std::memcmp(list[i].mac, zero, 8)) << "no adapter is called 'any'";
        }
    }
    CTivox::FreeSearchAdapter(list);
    CTivox::FreeSearchAdapter(nullptr);
    EXPECT_TRUE(sawLab) << wsInterface << " not listed";
    EXPECT_TRUE(sawAny);

    // The adapter list says what kind of link each interface is.
    std::vector<PlatformAdapter> adapters;
    ASSERT_TRUE(PlatformListAdapters(adapters));
    bool described = false;
    for (const PlatformAdapter& adapter : adapters) {
        if (adapter.name == wsInterface) {
            described = true;
            EXPECT_EQ(adapter.description, "VIRTUAL veth");
        }
    }
    EXPECT_TRUE(described);
}

TEST_F(TivoxLab, OpeningRefusesMissingNonEthernetAndUnknownDevices)
{
    DebugCapture debug;
    CTivox unnamed("");
    EXPECT_EQ(unnamed.StartDiscovery(), -1);
    EXPECT_EQ(unnamed.StartCapture(&Collector::Callback, nullptr), -1);
    EXPECT_EQ(unnamed.InitTivox(), -1);
    EXPECT_NE(debug.Text().find("Init Pcap Fail.NO Adapter.\n"), std::string::npos);

    // "any" captures with cooked headers that are not Ethernet frames.
    CTivox cooked("any");
    EXPECT_EQ(cooked.InitTivox(), -2);
    EXPECT_NE(debug.Text().find("Init Pcap Fail.Adapter is not an Ethernet device.\n"), std::string::npos);
    EXPECT_EQ(cooked.StartDiscovery(), -1);

    CTivox missing("zxnosuchif0");
    EXPECT_EQ(missing.InitTivox(), -2);
    EXPECT_NE(debug.Text().find("Init Pcap Fail.nUnable to Open Adapter.\n"), std::string::npos);
    // A failed open can be retried once the name is right.
    missing.SetAdapter(labkit::LabEnvironment::Current()->WsInterface().c_str());
    EXPECT_EQ(missing.InitTivox(), 0);
    EXPECT_EQ(missing.InitTivox(), 0);
}

TEST_F(TivoxLab, DiscoveryRequestLeavesAndRepliesReachTheCallback)
{
    StartCameras({"--count", "3", "--model", "VT-IPC5130A"});
    CTivox tivox;
    ASSERT_EQ(OpenOnLab(tivox), 0);
    const VtAdapter adapter = FindAdapter(labkit::LabEnvironment::Current()->WsInterface());
    OutgoingWatch watch(labkit::LabEnvironment::Current()->WsInterface());
    ASSERT_TRUE(watch.Ready());
    Collector first;
    Collector second;
    ASSERT_EQ(tivox.StartCapture(&Collector::Callback, &first), 0);
    // A second call only swaps the receiver; replies must not double.
    ASSERT_EQ(tivox.StartCapture(&Collector::Callback, &second), 0);
    ASSERT_EQ(tivox.StartDiscovery(), 0);

    const auto sent = watch.Frames(300ms);
    ASSERT_EQ(sent.size(), 1u);
    ASSERT_EQ(sent[0].size(), 260u);
    const unsigned char broadcast[6] = {0xff, 0xff, 0xff, 0xff, 0xff, 0xff};
    EXPECT_EQ(0, std::memcmp(sent[0].data(), broadcast, 6));
    EXPECT_EQ(0, std::memcmp(sent[0].data() + 6, adapter.mac, 6));
    EXPECT_EQ(sent[0][19], 0);

    ASSERT_TRUE(second.WaitFor([](const auto& events) { return DiscoveredIps(events).size() == 3; }, 5s));
    std::this_thread::sleep_for(200ms);
    const auto events = second.Events();
    EXPECT_EQ(events.size(), 3u);
    EXPECT_TRUE(first.Events().empty());
    EXPECT_EQ(DiscoveredIps(events), (std::set<std::string>{CameraIp(0), CameraIp(1), CameraIp(2)}));
    for (const Event& event : events) {
        EXPECT_EQ(event.code, 1);
        EXPECT_EQ(event.msg.result, 0);
        EXPECT_STREQ(event.msg.info.model, "VT-IPC5130A");
        EXPECT_EQ(event.msg.info.port, 80);
        EXPECT_EQ(event.msg.info.mac[0], 0x02);
        EXPECT_NE(event.thread, std::this_thread::get_id());
    }

    // The UDP variants put nothing on the wire.
    EXPECT_EQ(tivox.UdppDiscovery(), 0);
    tagVtIpcInfo info = events[0].msg.info;
    std::strcpy(info.user, "admin");
    std::strcpy(info.password, "admin");
    info.viaUdp = 1;
    EXPECT_EQ(tivox.ModifyUdppInfo(&info), 0);
    EXPECT_TRUE(watch.Frames(300ms).empty());
}

tagVtIpcInfo ChangeFor(const tagVtIpcInfo& camera, const char* ip, const char* name, const char* password)
{
    tagVtIpcInfo change = camera;
    std::strcpy(change.ip, ip);
    std::strcpy(change.devName, name);
    std::strcpy(change.user, "admin");
    std::strcpy(change.password, password);
    change.port = 8080;
    return change;
}

// Every modify outcome in one run, so that the fifteen-second time-outs are
// waited for once: an accepted change, a wrong password, a refusing camera,
// a silent camera and a full table of unanswered requests.
TEST_F(TivoxLab, ModifyOutcomesAndTimeOuts)
{
    const std::string config = ::testing::TempDir() + "tivox-lab-cameras.json";
    std::ofstream(config) << R"({"cameras": [{"index": 1, "faults": ["refuse-modify"]},
                                             {"index": 2, "faults": ["lost-modify"]}]})";
    StartCameras({"--count", "3", "--config", config});
    CTivox tivox;
    ASSERT_EQ(OpenOnLab(tivox), 0);
    Collector collector;
    ASSERT_EQ(tivox.StartCapture(&Collector::Callback, &collector), 0);
    ASSERT_EQ(tivox.StartDiscovery(), 0);
    ASSERT_TRUE(collector.WaitFor([](const auto& events) { return DiscoveredIps(events).size() == 3; }, 5s));
    tagVtIpcInfo cameras[3];
    for (const Event& event : collector.Events()) {
        for (int i = 0; i < 3; ++i) {
            if (CameraIp(i) == event.msg.info.ip) {
                cameras[i] = event.msg.info;
            }
        }
    }

    tagVtIpcInfo noPassword = ChangeFor(cameras[0], "192.168.7.7", "x", "");
    EXPECT_EQ(tivox.ModifyIpcInfo(&noPassword), -1);

    tagVtIpcInfo wrongPassword = ChangeFor(cameras[0], "192.168.7.7", "Wrong", "nope");
    ASSERT_EQ(tivox.ModifyIpcInfo(&wrongPassword), 0);
    ASSERT_TRUE(collector.WaitFor([](const auto& events) { return Count(events, 3, -1) == 1; }, 5s));

    tagVtIpcInfo accepted = ChangeFor(cameras[0], "192.168.7.7", "Gate North", "admin");
    ASSERT_EQ(tivox.ModifyIpcInfo(&accepted), 0);
    ASSERT_TRUE(collector.WaitFor([](const auto& events) { return Count(events, 3, 0) == 1; }, 5s));

    tagVtIpcInfo refused = ChangeFor(cameras[1], "192.168.7.8", "Refused", "admin");
    ASSERT_EQ(tivox.ModifyIpcInfo(&refused), 0);
    ASSERT_TRUE(collector.WaitFor([](const auto& events) { return Count(events, 3, -1) == 2; }, 5s));

    // The silent camera's change goes out through two adapter objects, as the
    // program sends it on every adapter; with 126 cameras that do not exist
    // they fill the table, and the 129th request goes out without a slot.
    CTivox secondAdapter;
    ASSERT_EQ(OpenOnLab(secondAdapter), 0);
    Collector secondCollector;
    ASSERT_EQ(secondAdapter.StartCapture(&Collector::Callback, &secondCollector), 0);
    const auto unansweredSent = Clock::now();
    tagVtIpcInfo silent = ChangeFor(cameras[2], "192.168.7.9", "Silent", "admin");
    ASSERT_EQ(tivox.ModifyIpcInfo(&silent), 0);
    ASSERT_EQ(secondAdapter.ModifyIpcInfo(&silent), 0);
    constexpr int kGhosts = 127;
    for (int i = 0; i < kGhosts; ++i) {
        tagVtIpcInfo ghost = ChangeFor(cameras[2], "192.168.8.1", "Ghost", "admin");
        ghost.mac[0] = 0x0a;
        ghost.mac[5] = static_cast<unsigned char>(i);
        ASSERT_EQ(tivox.ModifyIpcInfo(&ghost), 0);
    }

    // The accepted change is real: the camera now reports it.
    const std::size_t before = collector.Events().size();
    ASSERT_EQ(tivox.StartDiscovery(), 0);
    ASSERT_TRUE(collector.WaitFor([&](const auto& events) { return events.size() >= before + 3; }, 5s));
    bool sawChanged = false;
    for (const Event& event : collector.Events()) {
        if (event.code == 1 && std::memcmp(event.msg.info.mac, cameras[0].mac, 6) == 0 &&
            std::strcmp(event.msg.info.ip, "192.168.7.7") == 0) {
            sawChanged = true;
            EXPECT_STREQ(event.msg.info.devName, "Gate North");
            EXPECT_EQ(event.msg.info.port, 8080);
        }
    }
    EXPECT_TRUE(sawChanged);

    // Either adapter object's sweeper may report an expired request, once.
    auto timeOuts = [&] {
        std::vector<Event> all;
        for (Collector* source : {&collector, &secondCollector}) {
            for (const Event& event : source->Events()) {
                if (event.msg.result == 1) {
                    all.push_back(event);
                }
            }
        }
        return all;
    };
    const auto deadline = Clock::now() + 20s;
    while (timeOuts().size() < 128 && Clock::now() < deadline) {
        std::this_thread::sleep_for(100ms);
    }
    std::this_thread::sleep_for(1200ms); // room for a wrong 129th report
    const auto events = collector.Events();
    EXPECT_EQ(Count(events, 3, 0), 1u);
    EXPECT_EQ(Count(events, 3, -1), 2u);
    const auto expired = timeOuts();
    EXPECT_EQ(expired.size(), 128u);
    int silentReports = 0;
    for (const Event& event : expired) {
        EXPECT_EQ(event.code, 3);
        EXPECT_FALSE(event.msg.info.mac[0] == 0x0a && event.msg.info.mac[5] == kGhosts - 1)
            << "the 129th request had no slot and must not be reported";
        EXPECT_NE(std::memcmp(event.msg.info.mac, cameras[0].mac, 6), 0) << "an answered change timed out";
        EXPECT_NE(std::memcmp(event.msg.info.mac, cameras[1].mac, 6), 0) << "a refused change timed out";
        const double seconds = std::chrono::duration<double>(event.when - unansweredSent).count();
        EXPECT_GE(seconds, 15.0);
        EXPECT_LE(seconds, 16.0);
        if (std::memcmp(event.msg.info.mac, cameras[2].mac, 6) == 0) {
            ++silentReports;
            EXPECT_STREQ(event.msg.info.ip, "192.168.7.9") << "the report carries the request as sent";
            EXPECT_STREQ(event.msg.info.password, "admin");
        }
    }
    EXPECT_EQ(silentReports, 2) << "one report per adapter that sent the change";
}

TEST_F(TivoxLab, CloseIsPromptAndTheObjectOpensAgain)
{
    StartCameras({"--count", "2"});
    CTivox tivox;
    Collector collector;
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(OpenOnLab(tivox), 0);
        ASSERT_EQ(tivox.StartCapture(&Collector::Callback, &collector), 0);
        ASSERT_EQ(tivox.StartDiscovery(), 0);
        ASSERT_TRUE(collector.WaitFor(
            [round](const auto& events) { return events.size() == 2u * static_cast<std::size_t>(round + 1); },
            5s));
        const auto start = Clock::now();
        tivox.UnInitTivox();
        EXPECT_LT(Clock::now() - start, 1500ms);
        EXPECT_EQ(tivox.StartDiscovery(), -1);
        tagVtIpcInfo info{};
        std::strcpy(info.user, "admin");
        std::strcpy(info.password, "admin");
        EXPECT_EQ(tivox.ModifyIpcInfo(&info), -1);
    }
}

TEST_F(TivoxLab, InvalidFilterLeavesTheObjectOpenButSilent)
{
    StartCameras({"--count", "2"});
    DebugCapture debug;
    CTivox broken;
    ASSERT_EQ(OpenOnLab(broken, "ether proto and and"), 0);
    Collector silent;
    ASSERT_EQ(broken.StartCapture(&Collector::Callback, &silent), 0);
    // A sound object on the same adapter hears the answers to the broken one.
    CTivox listener;
    ASSERT_EQ(OpenOnLab(listener), 0);
    Collector heard;
    ASSERT_EQ(listener.StartCapture(&Collector::Callback, &heard), 0);
    std::this_thread::sleep_for(100ms);
    ASSERT_EQ(broken.StartDiscovery(), 0);
    ASSERT_TRUE(heard.WaitFor([](const auto& events) { return events.size() == 2; }, 5s));
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(silent.Events().empty());
    EXPECT_NE(debug.Text().find("Error compiling filter: wrong syntax.\n"), std::string::npos);
}

} // namespace
