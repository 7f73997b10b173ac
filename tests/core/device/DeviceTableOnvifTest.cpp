#include "DeviceTable.h"

#include "TestInfo.h"

#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <vector>

namespace {
class EventLog : public DeviceTableListener
{
public:
    void PostDeviceMessage(DeviceEvent event, const DeviceRef& entry) override
    {
        std::lock_guard lock(m_mutex);
        posted.emplace_back(event, entry);
    }
    void SendDeviceGone(const DeviceRef&, std::uint32_t) override {}
    void AddPanelLine(const PanelLine& line) override
    {
        std::lock_guard lock(m_mutex);
        lines.push_back(line.text);
    }

    std::mutex m_mutex;
    std::vector<std::pair<DeviceEvent, DeviceRef>> posted;
    std::vector<std::wstring> lines;
};

OnvifSighting Sighting(const std::string& uuid, const std::string& xaddrs = "http://192.168.5.40:8080/onvif/device_service")
{
    return {"urn:uuid:" + uuid, xaddrs, "Lobby", "DS-2CD2143"};
}

OnvifDetails Details(const std::string& uuid, unsigned char macLast, const char* ip = "192.168.5.40")
{
    return {"urn:uuid:" + uuid, "Hikvision", MakeCamera(macLast, ip, 80, "Lobby door", "DS-2CD2143G2")};
}

class DeviceTableOnvifTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        table.SetListener(&log);
        table.SetClock([this] { return now; });
    }
    void FamilyReply(const tagVtIpcInfo& info)
    {
        tagMsgInfo msg{};
        msg.info = info;
        DeviceTable::CaptureCallback(static_cast<int>(CaptureCode::DeviceReply), &msg, &table);
    }
    tagVtIpcInfo Info(const DeviceRef& entry) const
    {
        tagVtIpcInfo info{};
        table.Snapshot(*entry, info);
        return info;
    }

    EventLog log;
    DeviceTable table;
    std::int64_t now = 1000000;
};
} // namespace

TEST_F(DeviceTableOnvifTest, SightingListsByEndpointUntilDetailsKeyItByMac)
{
    table.OnOnvifSighting(Sighting("a1"));
    table.OnOnvifSighting(Sighting("a1", "http://192.168.5.41/onvif/device_service http://[fe80::1]/onvif"));
    ASSERT_EQ(table.Count(), 1u);
    const DeviceRef entry = table.Entries().front();
    EXPECT_EQ(entry->protocol, CameraProtocol::Onvif);
    EXPECT_EQ(log.posted[0].first, DeviceEvent::Added);
    EXPECT_EQ(log.posted[1].first, DeviceEvent::Updated);
    tagVtIpcInfo shown = Info(entry);
    EXPECT_STREQ(shown.ip, "192.168.5.41") << "the address the latest announcement names";
    EXPECT_EQ(shown.port, 80);
    EXPECT_STREQ(shown.devName, "Lobby");
    EXPECT_STREQ(shown.model, "DS-2CD2143");
    EXPECT_EQ(shown.upTime, -1) << "ONVIF does not tell when the camera started";

    EXPECT_FALSE(table.OnOnvifDetails(Details("unknown", 0x40)));
    ASSERT_TRUE(table.OnOnvifDetails(Details("a1", 0x40)));
    shown = Info(entry);
    EXPECT_STREQ(shown.devName, "Lobby door");
    EXPECT_STREQ(shown.version, "V2.1.0");
    OnvifIdentity identity;
    ASSERT_TRUE(table.OnvifSnapshot(*entry, identity));
    EXPECT_EQ(identity.endpoint, "urn:uuid:a1");
    EXPECT_EQ(identity.maker, "Hikvision");

    // Once the camera's own answers are in, an announcement only keeps it alive.
    table.OnOnvifSighting(Sighting("a1", "http://192.168.5.99/onvif/device_service"));
    EXPECT_STREQ(Info(entry).ip, "192.168.5.40");
    EXPECT_EQ(table.Count(), 1u);

    // A camera announcing itself under a new endpoint is the same camera by its MAC.
    table.OnOnvifSighting(Sighting("a2"));
    ASSERT_TRUE(table.OnOnvifDetails(Details("a2", 0x40)));
    ASSERT_EQ(table.Count(), 1u);
    EXPECT_FALSE(entry->linked) << "the older entry left the table";
    EXPECT_EQ(log.posted.back().first, DeviceEvent::Updated);
}

TEST_F(DeviceTableOnvifTest, CameraFoundBothWaysIsListedOnceAsTheFamilyEntry)
{
    // The raw frames first, then WS-Discovery and a login.
    FamilyReply(MakeCamera(0x10, "192.168.5.10"));
    const DeviceRef family = table.Entries().front();
    table.OnOnvifSighting(Sighting("b1", "http://192.168.5.10/onvif/device_service"));
    ASSERT_EQ(table.Count(), 2u) << "not known to be the same camera before the login";
    const DeviceRef onvif = table.Entries().back();
    ASSERT_TRUE(table.OnOnvifDetails(Details("b1", 0x10, "192.168.5.10")));
    ASSERT_EQ(table.Count(), 1u);
    EXPECT_EQ(table.Entries().front(), family);
    EXPECT_FALSE(onvif->linked);
    EXPECT_EQ(family->Mark(), (ProtocolMark{CameraProtocol::Family, true}));
    EXPECT_STREQ(Info(family).devName, "Cam") << "the family record stands";
    bool onvifRowGone = false;
    for (const auto& [event, entry] : log.posted) {
        onvifRowGone = onvifRowGone || (event == DeviceEvent::Gone && entry == onvif);
    }
    EXPECT_TRUE(onvifRowGone);
    table.OnOnvifSighting(Sighting("b1"));
    EXPECT_EQ(table.Count(), 1u) << "later announcements find the family entry";
    table.OnOnvifBye("urn:uuid:b1");
    EXPECT_EQ(table.Count(), 1u) << "a Bye does not take a camera the raw frames still hear";
    EXPECT_FALSE(family->alsoOnvif);

    // WS-Discovery and a login first, then the raw frames.
    table.OnOnvifSighting(Sighting("c1", "http://192.168.5.20/onvif/device_service"));
    ASSERT_TRUE(table.OnOnvifDetails(Details("c1", 0x20, "192.168.5.20")));
    const DeviceRef first = table.Entries().back();
    FamilyReply(MakeCamera(0x20, "192.168.5.20"));
    ASSERT_EQ(table.Count(), 2u);
    const DeviceRef replaced = table.Entries().back();
    EXPECT_NE(replaced, first);
    EXPECT_FALSE(first->linked);
    EXPECT_EQ(replaced->Mark(), (ProtocolMark{CameraProtocol::Family, true}));
    OnvifIdentity identity;
    table.OnvifSnapshot(*replaced, identity);
    EXPECT_EQ(identity.maker, "Hikvision") << "the family entry keeps the ONVIF identity";
    table.OnOnvifSighting(Sighting("c1"));
    EXPECT_EQ(table.Count(), 2u);
}

TEST_F(DeviceTableOnvifTest, ByeRemovesAtOnceAndSilenceExpires)
{
    table.OnOnvifSighting(Sighting("d1"));
    table.OnOnvifSighting(Sighting("d2"));
    const DeviceRef leaving = table.Entries().front();
    leaving->holders = kHolderNetworkTab;
    table.OnOnvifBye("urn:uuid:d1");
    EXPECT_EQ(table.Count(), 1u);
    EXPECT_FALSE(leaving->linked);
    EXPECT_EQ(log.posted.back(), std::make_pair(DeviceEvent::Gone, leaving));
    table.OnOnvifBye("urn:uuid:d1"); // a repeated Bye finds nothing
    EXPECT_EQ(table.Count(), 1u);

    now += kDeviceSilenceLimit;
    table.CheckExpired(true);
    EXPECT_EQ(table.Count(), 0u);
    table.OnOnvifSighting(Sighting("d2"));
    EXPECT_EQ(table.Count(), 1u) << "an expired endpoint is listed afresh";
    EXPECT_EQ(log.posted.back().first, DeviceEvent::Added);
}

TEST_F(DeviceTableOnvifTest, FloodOfMadeUpEndpointsStaysWithinTheLimitWithOnePanelLine)
{
    for (int i = 0; i < 20000; ++i) {
        table.OnOnvifSighting(Sighting("flood-" + std::to_string(i)));
    }
    EXPECT_EQ(table.Count(), kDeviceTableLimit);
    EXPECT_EQ(log.lines.size(), 1u);
    table.OnOnvifSighting({std::string(kOnvifEndpointLimit + 1, 'u'), "http://192.168.5.1/", "", ""});
    table.OnOnvifSighting({"urn:uuid:long", std::string(kOnvifXAddrsLimit + 1, 'x'), "", ""});
    table.OnOnvifBye("urn:uuid:flood-0");
    table.OnOnvifSighting({std::string(kOnvifEndpointLimit + 1, 'u'), "http://192.168.5.1/", "", ""});
    EXPECT_EQ(table.Count(), kDeviceTableLimit - 1) << "over-long announcements are dropped";
    table.OnOnvifSighting(Sighting("fresh"));
    EXPECT_EQ(table.Count(), kDeviceTableLimit) << "a Bye makes room";
}

TEST(ProtocolChoice, ParsesTheThreeWordsAndTakesCamerasSpeakingTheChosenProtocol)
{
    ProtocolChoice choice{};
    EXPECT_FALSE(ParseProtocolChoice("ONVIF", choice));
    ASSERT_TRUE(ParseProtocolChoice("onvif", choice));
    const ProtocolMark family{CameraProtocol::Family, false};
    const ProtocolMark both{CameraProtocol::Family, true};
    const ProtocolMark onvif{CameraProtocol::Onvif, false};
    EXPECT_FALSE(ChoiceTakes(choice, family));
    EXPECT_TRUE(ChoiceTakes(choice, both));
    EXPECT_TRUE(ChoiceTakes(choice, onvif));
    ASSERT_TRUE(ParseProtocolChoice("family", choice));
    EXPECT_TRUE(ChoiceTakes(choice, both));
    EXPECT_FALSE(ChoiceTakes(choice, onvif));
    ASSERT_TRUE(ParseProtocolChoice("all", choice));
    EXPECT_TRUE(ChoiceTakes(choice, onvif));
    EXPECT_EQ(ProtocolWord(both), "family+onvif");
}
