#include "AdapterRules.h"

#include "DebugOutput.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

PlatformAdapter Adapter(const char* name, const char* description, unsigned char last)
{
    PlatformAdapter adapter;
    adapter.name = name;
    adapter.description = description;
    const unsigned char mac[8] = {0x00, 0x16, 0x3e, 0, 0, last, 0, 0};
    std::memcpy(adapter.mac, mac, 8);
    return adapter;
}

TEST(AdapterRules, ExactNameWinsOverAPrefix)
{
    const std::vector<PlatformAdapter> adapters = {Adapter("eth1", "PCI e1000e", 1),
                                                   Adapter("eth10", "PCI igb", 10)};
    EXPECT_EQ(tivox::FindAdapterForDevice("eth10", adapters), 1);
    EXPECT_EQ(tivox::FindAdapterForDevice("eth1", adapters), 0);
    // A device whose name only contains an identifier still finds it.
    EXPECT_EQ(tivox::FindAdapterForDevice("eth1.100", adapters), 0);
    EXPECT_EQ(tivox::FindAdapterForDevice("wlan0", adapters), -1);
    EXPECT_EQ(tivox::FindAdapterForDevice("any", {}), -1);
}

TEST(AdapterRules, SubstringWalkWritesEachDescriptionToTheDebugOutput)
{
    std::string said;
    PlatformSetDebugSink([&said](std::string_view text) { said += text; });
    const std::vector<PlatformAdapter> adapters = {Adapter("eth0", "PCI e1000e", 1),
                                                   Adapter("wlan0", "PCI iwlwifi", 2)};
    EXPECT_EQ(tivox::FindAdapterForDevice("wlan0mon", adapters), 1);
    PlatformSetDebugSink({});
    EXPECT_EQ(said, "PCI e1000e==========\nPCI iwlwifi==========\n");
}

TEST(AdapterRules, DefaultFilterNamesTheLastPciAdapter)
{
    const std::vector<PlatformAdapter> adapters = {
        Adapter("lo", "VIRTUAL", 0), Adapter("eth0", "PCI e1000e", 0xab), Adapter("usb0", "USB r8152", 3),
        Adapter("eth1", "PCI igb", 0xcd)};
    unsigned char mac[8];
    tivox::DefaultFilterMac(adapters, mac);
    EXPECT_EQ(tivox::DefaultFilter(mac),
              "ether proto 0x0809 and len ==260 and ether src not 00:16:3e:00:00:cd");
    tivox::DefaultFilterMac({Adapter("usb0", "USB r8152", 3)}, mac);
    EXPECT_EQ(tivox::DefaultFilter(mac),
              "ether proto 0x0809 and len ==260 and ether src not 00:00:00:00:00:00");
}

TEST(AdapterRules, DefaultDeviceIsTheLastWithAnAddressNamingTheFirstPciAdapter)
{
    const std::vector<PlatformAdapter> adapters = {
        Adapter("usb0", "USB r8152", 3), Adapter("eth0", "PCI e1000e", 1), Adapter("eth1", "PCI igb", 2)};
    const std::vector<tivox::CaptureDevice> devices = {
        {"eth0", "", true}, {"eth0.5", "", true}, {"eth0.6", "", false}, {"eth1", "", true}};
    EXPECT_EQ(tivox::DefaultDeviceName(devices, adapters), "eth0.5");
    // Without a PCI adapter every device with an address qualifies.
    EXPECT_EQ(tivox::DefaultDeviceName(devices, {Adapter("usb0", "USB r8152", 3)}), "eth1");
    EXPECT_EQ(tivox::DefaultDeviceName({}, adapters), "");
}

} // namespace
