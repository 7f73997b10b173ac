#include "NetworkParams.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {
NetworkParamsForm GoodForm()
{
    NetworkParamsForm form;
    form.http = L"80";
    form.rtsp = L"554";
    form.ddnsEnabled = true;
    form.providerEntry = 0;
    form.user = L"installer";
    form.password = L"s3cret";
    form.host = L"cam-01.example.com";
    form.version = "31.4.0.83";
    return form;
}

NetworkProblem Check(const NetworkParamsForm& form)
{
    NetworkBlock block;
    return BuildNetworkBlock(form, block);
}

std::string Field(const unsigned char* bytes, std::size_t offset)
{
    return reinterpret_cast<const char*>(bytes + offset);
}
} // namespace

TEST(NetworkParams, PartnerEntryNeedsItsHardwarePrefixAndRecentFirmware)
{
    EXPECT_FALSE(OffersPartnerEntry("00:30:4f:12:34:56", "31.4.0.72"));
    EXPECT_TRUE(OffersPartnerEntry("00:30:4f:12:34:56", "31.4.0.73"));
    EXPECT_TRUE(OffersPartnerEntry("00:30:4F:12:34:56", "0.1.0.1")) << "development builds know it";
    EXPECT_TRUE(OffersPartnerEntry("00:30:4F:12:34:56", "31.5.0.1"));
    EXPECT_FALSE(OffersPartnerEntry("00:30:4F:12:34:56", "31.3.9.99"));
    EXPECT_FALSE(OffersPartnerEntry("02:5a:00:00:00:01", "31.5.0.1")) << "other hardware";
    EXPECT_FALSE(OffersPartnerEntry("00:30:4", "31.5.0.1"));
    EXPECT_FALSE(OffersPartnerEntry("", "0.0.0.0"));
}

TEST(NetworkParams, CameraProviderTextPicksTheEntryThatContainsIt)
{
    EXPECT_EQ(ProviderEntryFor("freedns.afraid.org", true), 1);
    EXPECT_EQ(ProviderEntryFor("afraid.org", true), 1);
    EXPECT_EQ(ProviderEntryFor("no-ip.com", true), 2);
    EXPECT_EQ(ProviderEntryFor("www.no-ip.com", false), 2);
    EXPECT_EQ(ProviderEntryFor("zoneedit.com", true), 3);
    EXPECT_EQ(ProviderEntryFor(PartnerShortName(), true), kPartnerEntry);
    EXPECT_EQ(ProviderEntryFor(ProviderEntryText(kPartnerEntry), true), kPartnerEntry);
    EXPECT_EQ(ProviderEntryFor(PartnerShortName(), false), 0) << "not offered to this camera";
    EXPECT_EQ(ProviderEntryFor("dyndns.org", true), 0);
    EXPECT_EQ(ProviderEntryFor("unknown-ddns.net", true), 0);
    EXPECT_EQ(ProviderEntryFor("", true), 0) << "an empty text is no provider at all";
}

TEST(NetworkParams, OlderFirmwareIsSentTheShortProviderForms)
{
    for (const char* older : {"31.4.0.82", "31.3.0.99", "2.1.0.0"}) {
        EXPECT_EQ(ProviderTextToSend(0, older), ProviderEntryText(0)) << older;
        EXPECT_EQ(ProviderTextToSend(1, older), ProviderEntryText(1)) << older;
        EXPECT_EQ(ProviderTextToSend(2, older), "no-ip.com") << older;
        EXPECT_EQ(ProviderTextToSend(3, older), "zoneedit.com") << older;
        EXPECT_EQ(ProviderTextToSend(kPartnerEntry, older), PartnerShortName()) << older;
    }
    for (const char* current : {"31.4.0.83", "31.5.0.1", "0.3.0.1", ""}) {
        for (int entry = 0; entry < kProviderEntryCount; ++entry) {
            EXPECT_EQ(ProviderTextToSend(entry, current), ProviderEntryText(entry)) << current;
        }
    }
    EXPECT_EQ(ProviderEntryText(2).rfind("www.", 0), 0U);
    // A camera that reports a short form is shown the entry it came from.
    EXPECT_EQ(ProviderEntryFor(ProviderTextToSend(3, "31.4.0.1"), true), 3);
    EXPECT_EQ(ProviderEntryFor(ProviderTextToSend(kPartnerEntry, "31.4.0.1"), true), kPartnerEntry);
}

TEST(NetworkParams, EasyDdnsNameTakesTheLastThreeBytesAsTheCameraWroteThem)
{
    EXPECT_EQ(EasyDdnsHostName("00:30:4f:0a:b1:C2"), "pl0ab1C2." + PartnerDomain());
    EXPECT_EQ(EasyDdnsHostName("00:30:4F:12:34:56"), "pl123456." + PartnerDomain());
    EXPECT_TRUE(IsValidDdnsHostName(EasyDdnsHostName("00:30:4F:12:34:56"))) << "it passes the save's check";
    // A hostile camera's text yields no name rather than bytes past its end.
    EXPECT_EQ(EasyDdnsHostName("00:30:4F"), "");
    EXPECT_EQ(EasyDdnsHostName("00:30:4F:12:34:5"), "");
    EXPECT_EQ(EasyDdnsHostName("00-30-4F-12-34-56"), "");
    EXPECT_EQ(EasyDdnsHostName("00:30:4F:12:34:56:78"), "");
}

TEST(NetworkParams, HostNameMustMatchAsAWhole)
{
    EXPECT_TRUE(IsValidDdnsHostName("cam-01.example.com"));
    EXPECT_TRUE(IsValidDdnsHostName("cam-01.home.example.co.uk"));
    EXPECT_TRUE(IsValidDdnsHostName("cam_01.dyndns.org"));
    EXPECT_FALSE(IsValidDdnsHostName("-cam.example.com")) << "leading hyphen";
    EXPECT_FALSE(IsValidDdnsHostName("camera")) << "single label";
    EXPECT_FALSE(IsValidDdnsHostName("cam.example.museum")) << "last label of more than four letters";
    EXPECT_FALSE(IsValidDdnsHostName("cam.example.c0m"));
    EXPECT_FALSE(IsValidDdnsHostName("cam.example.com "));
    EXPECT_FALSE(IsValidDdnsHostName(""));
}

TEST(NetworkParams, SaveChecksRunInOrderWithTheirFocus)
{
    struct Case
    {
        void (*change)(NetworkParamsForm&);
        unsigned key;
        NetworkField field;
    };
    const Case cases[] = {
        {[](NetworkParamsForm& f) { f.http = L"  "; }, 90016, NetworkField::None},
        {[](NetworkParamsForm& f) { f.http = L"0"; }, 90009, NetworkField::Http},
        {[](NetworkParamsForm& f) { f.http = L"65536"; }, 90009, NetworkField::Http},
        {[](NetworkParamsForm& f) { f.rtsp = L""; }, 90017, NetworkField::None},
        {[](NetworkParamsForm& f) { f.rtsp = L"99999"; }, 90009, NetworkField::Rtsp},
        {[](NetworkParamsForm& f) { f.rtsp = L"80"; }, 90020, NetworkField::None},
        {[](NetworkParamsForm& f) { f.user = L" "; }, 90021, NetworkField::None},
        {[](NetworkParamsForm& f) { f.password = L""; }, 90022, NetworkField::None},
        {[](NetworkParamsForm& f) { f.host = L""; }, 90023, NetworkField::Host},
        {[](NetworkParamsForm& f) { f.host = L"camera"; }, 90035, NetworkField::Host},
        {[](NetworkParamsForm& f) { f.providerEntry = kFreeDnsEntry; }, 90024, NetworkField::None},
        // The first failure wins: a bad HTTP port hides a missing user.
        {[](NetworkParamsForm& f) {
             f.http = L"70000";
             f.user = L"";
         },
         90009, NetworkField::Http},
    };
    for (const Case& c : cases) {
        NetworkParamsForm form = GoodForm();
        c.change(form);
        const NetworkProblem problem = Check(form);
        EXPECT_EQ(problem.key, c.key);
        EXPECT_EQ(problem.field, c.field) << c.key;
    }
    EXPECT_EQ(Check(GoodForm()).key, 0U);
    NetworkParamsForm withHash = GoodForm();
    withHash.providerEntry = kFreeDnsEntry;
    withHash.hash = L"abc123";
    EXPECT_EQ(Check(withHash).key, 0U);
}

TEST(NetworkParams, DisabledDdnsSendsOnlyTheProviderAndPorts)
{
    NetworkParamsForm form;
    form.http = L" 8080 ";
    form.rtsp = L"8554";
    form.providerEntry = 2;
    form.version = "31.4.0.82";
    form.user = L"ignored";
    NetworkBlock block;
    ASSERT_EQ(BuildNetworkBlock(form, block).key, 0U);
    const PortInfoRecord expected{8080, 8080, 8554, 8554, 0};
    EXPECT_EQ(std::memcmp(&block.ports, &expected, sizeof expected), 0);
    EXPECT_EQ(block.ddns.enabled, 0);
    EXPECT_STREQ(block.ddns.provider, "no-ip.com");
    EXPECT_STREQ(block.ddns.user, "") << "nothing typed is sent while DDNS is off";
    EXPECT_EQ(block.ddns.easyEnabled, 0);
    EXPECT_EQ(block.ddns.easyChosen, 0);
}

TEST(NetworkParams, DdnsRecordCarriesEveryFieldAtItsOffset)
{
    NetworkParamsForm form = GoodForm();
    form.providerEntry = kPartnerEntry;
    form.easyChosen = true;
    form.host = L"pl123456.veltrocam.test";
    form.hash = L"h4sh";
    form.password = L"it's\\mine";
    NetworkBlock block;
    ASSERT_EQ(BuildNetworkBlock(form, block).key, 0U);
    unsigned char bytes[419];
    static_assert(sizeof bytes == sizeof block.ddns);
    std::memcpy(bytes, &block.ddns, sizeof bytes);
    EXPECT_EQ(bytes[0], 1);
    EXPECT_EQ(Field(bytes, 1), ProviderEntryText(kPartnerEntry));
    EXPECT_EQ(Field(bytes, 65), "installer");
    EXPECT_EQ(Field(bytes, 97), "it's\\mine") << "credentials arrive as typed, without escapes";
    EXPECT_EQ(Field(bytes, 129), "h4sh");
    EXPECT_EQ(Field(bytes, 257), "pl123456.veltrocam.test");
    EXPECT_EQ(bytes[385], 1) << "easy-DDNS service follows the enable box";
    EXPECT_EQ(bytes[386], 1) << "easy DDNS chosen";
    unsigned char ports[20];
    std::memcpy(ports, &block.ports, sizeof ports);
    int32_t fifth = -1;
    std::memcpy(&fifth, ports + 16, 4);
    EXPECT_EQ(fifth, 0);

    form.ddnsEnabled = false;
    ASSERT_EQ(BuildNetworkBlock(form, block).key, 0U);
    EXPECT_EQ(block.ddns.easyEnabled, 0);
    EXPECT_EQ(block.ddns.easyChosen, 1) << "the box's state, even with DDNS off";
}

TEST(NetworkParams, LongTextsAreCutBeforeACharacterThatWouldNotFit)
{
    // Eleven three-byte characters do not fit the 32-byte user field.
    const std::wstring user(11, L'\u7528');
    const std::string cut = NarrowField(user, 32);
    EXPECT_EQ(cut.size(), 30U);
    EXPECT_EQ(NarrowField(std::wstring(40, L'a'), 32), std::string(31, 'a'));
    EXPECT_EQ(NarrowField(L"a'b\\c", 32), "a'b\\c");
    EXPECT_EQ(NarrowField(std::wstring(40, L'\''), 32), std::string(31, '\''));
    EXPECT_EQ(NarrowField(L"x", 0), "");
}
