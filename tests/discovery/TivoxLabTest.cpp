// CTivox against simulated cameras: the test runs in the lab's workstation
// namespace with real libpcap on the veth link, vtcamsim answers from the
// camera namespace. Here: the adapter listing, opening, discovery and closing.
#include "NetworkAdapters.h"
#include "TivoxLabFixture.h"

namespace tivoxlab {
namespace {

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
} // namespace tivoxlab
