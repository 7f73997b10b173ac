// One rule for a device name wherever it is typed: the network settings page,
// the "System" sub-page (whose check the terminal tool's "set system --name"
// runs too) and the terminal tool's readdressing plan. A name counts its real
// UTF-8 bytes, at most 31; a longer one is refused with the page's message,
// never cut.
#include "NetworkForm.h"
#include "SetIpPlan.h"
#include "SystemParams.h"
#include "Utf8Text.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {
struct Verdicts
{
    unsigned network = 0;
    unsigned system = 0;
    bool planAccepted = false;
};

Verdicts Check(const std::wstring& name)
{
    Verdicts verdicts;
    NetworkForm network;
    network.user = L"admin";
    network.password = L"qr7319";
    network.name = name;
    network.ip = L"192.168.1.50";
    network.port = L"80";
    network.netmask = L"255.255.255.0";
    network.gateway = L"192.168.1.1";
    network.dns = L"192.168.1.1";
    verdicts.network = CheckNetworkForm(network).key;

    SystemForm system;
    system.name = name;
    system.password = system.confirmation = L"qr7319";
    verdicts.system = CheckSystemForm(system).key;

    tagVtIpcInfo camera{};
    const unsigned char mac[6] = {0x02, 0x5A, 0x25, 0x00, 0x00, 0x01};
    std::memcpy(camera.mac, mac, sizeof mac);
    std::strcpy(camera.ip, "192.168.1.10");
    std::strcpy(camera.netmask, "255.255.255.0");
    std::strcpy(camera.gateway, "192.168.1.1");
    std::strcpy(camera.dns, "192.168.1.1");
    camera.port = 80;
    std::vector<PlanProblem> problems;
    std::vector<SetIpRow> rows =
        ParseSetIpCsv("02:5A:25:00:00:01,192.168.1.50,,,,," + PlatformToUtf8(name) + "\n", problems);
    verdicts.planAccepted = problems.empty() && CheckSetIpPlan(rows, {camera}).empty();
    return verdicts;
}
} // namespace

TEST(DeviceNameRule, RealUtf8BytesAtMostThirtyOneInEveryPageAndTheTerminalTool)
{
    const std::wstring accented = L"\x00E9\x00E8\x00EA"; // two bytes each
    const std::wstring fitting[] = {
        std::wstring(25, L'a') + accented,  // 31 bytes in 28 characters
        std::wstring(15, L'\x0142') + L"x", // Polish l with stroke: two bytes, not three
        std::wstring(10, L'\x95E8') + L"x", // CJK: three bytes each
    };
    for (const std::wstring& name : fitting) {
        const Verdicts v = Check(name);
        EXPECT_EQ(v.network, 0u) << PlatformToUtf8(name);
        EXPECT_EQ(v.system, 0u) << PlatformToUtf8(name);
        EXPECT_TRUE(v.planAccepted) << PlatformToUtf8(name);
        SystemForm form;
        form.name = name;
        EXPECT_EQ(SystemSettingsFromForm(form, 0, 0, DateTimeValue{}).deviceName, PlatformToUtf8(name))
            << "written whole";
    }
    const std::wstring tooLong[] = {
        std::wstring(28, L'a') + accented,  // 31 characters, 34 bytes
        std::wstring(11, L'\x95E8'),        // 33 bytes
        std::wstring(30, L'a') + L"\x00E9", // 32 bytes
    };
    for (const std::wstring& name : tooLong) {
        const Verdicts v = Check(name);
        EXPECT_EQ(v.network, 83013u) << PlatformToUtf8(name);
        EXPECT_EQ(v.system, 83013u) << PlatformToUtf8(name);
        EXPECT_FALSE(v.planAccepted) << PlatformToUtf8(name);
    }
}

TEST(DeviceNameRule, TheSystemSubPageLeavesAnUnchangedNameAlone)
{
    SystemForm form;
    form.name = L" Lobby ";
    form.currentName = L"Lobby";
    EXPECT_EQ(SystemSettingsFromForm(form, 0, 0, DateTimeValue{}).deviceName, "");
    // A name another tool gave the camera may be longer than this program
    // writes; left as it is, it is neither refused nor cut.
    form.name = form.currentName = std::wstring(40, L'a');
    EXPECT_EQ(CheckSystemForm(form).key, 0u);
    EXPECT_EQ(SystemSettingsFromForm(form, 0, 0, DateTimeValue{}).deviceName, "");
    form.name = L"Lobby 2";
    EXPECT_EQ(SystemSettingsFromForm(form, 0, 0, DateTimeValue{}).deviceName, "Lobby 2");
}
