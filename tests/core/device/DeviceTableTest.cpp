#include "DeviceTable.h"

#include "SearchFilter.h"
#include "TestInfo.h"

#include <atomic>
#include <cstdio>
#include <new>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace {
// Records what the table tells the program, and plays one page that holds
// entries with the given bits and gives them up when told they are gone.
class RecordingListener : public DeviceTableListener
{
public:
    void PostDeviceMessage(DeviceEvent event, const DeviceRef& entry) override
    {
        std::lock_guard lock(m_mutex);
        posted.emplace_back(event, entry);
    }
    void SendDeviceGone(const DeviceRef& entry, std::uint32_t holders) override
    {
        gone.emplace_back(entry, holders);
        entry->holders.fetch_and(~(holders & releasing));
    }
    void AddPanelLine(const PanelLine& line) override
    {
        std::lock_guard lock(m_mutex);
        lines.emplace_back(line.text, line.stamped);
    }

    std::mutex m_mutex;
    std::vector<std::pair<DeviceEvent, DeviceRef>> posted;
    std::vector<std::pair<DeviceRef, std::uint32_t>> gone;
    std::vector<std::pair<std::wstring, bool>> lines;
    std::uint32_t releasing = kHolderAll;
};

class FilterPage : public DeviceFilterTarget
{
public:
    std::uint32_t HolderBit() const override { return kHolderNetworkTab; }
    void ClearRows() override
    {
        for (const DeviceRef& row : rows) {
            row->holders.fetch_and(~kHolderNetworkTab);
        }
        rows.clear();
    }
    bool Matches(const tagVtIpcInfo& info, ProtocolMark, const std::wstring& filter) const override
    {
        return MatchesFilter(NetworkMatchFields(info, 0), filter);
    }
    void AddFilteredRow(const DeviceRef& entry, const tagVtIpcInfo&) override
    {
        entry->holders.fetch_or(kHolderNetworkTab);
        rows.push_back(entry);
    }
    void ScrollToTop() override { ++scrolled; }

    std::vector<DeviceRef> rows;
    int scrolled = 0;
};

OnvifSighting Sighting(const std::string& uuid, const std::string& xaddrs = "http://192.168.5.40:8080/onvif/device_service")
{
    return {"urn:uuid:" + uuid, xaddrs, "Lobby", "DS-2CD2143"};
}

OnvifDetails Details(const std::string& uuid, unsigned char macLast, const char* ip = "192.168.5.40")
{
    return {"urn:uuid:" + uuid, "Hikvision", MakeCamera(macLast, ip, 80, "Lobby door", "DS-2CD2143G2")};
}

tagVtIpcInfo Info(const DeviceTable& table, const DeviceRef& entry)
{
    tagVtIpcInfo info{};
    table.Snapshot(*entry, info);
    return info;
}

class DeviceTableTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        table.SetListener(&listener);
        table.SetClock([this] { return now; });
    }
    void Reply(const tagVtIpcInfo& info, int code = 1, int result = 0)
    {
        tagMsgInfo msg{};
        msg.info = info;
        msg.result = result;
        DeviceTable::CaptureCallback(code, &msg, &table);
    }

    RecordingListener listener;
    DeviceTable table;
    std::int64_t now = 1000000;
};
} // namespace

TEST_F(DeviceTableTest, TwoRepliesFromOneCameraGiveOneEntryAddedThenUpdated)
{
    Reply(MakeCamera(1, "192.168.5.10"));
    now += 5;
    Reply(MakeCamera(1, "192.168.5.99"));
    Reply(MakeCamera(2, "192.168.5.11"));
    ASSERT_EQ(table.Count(), 2u);
    ASSERT_EQ(listener.posted.size(), 3u);
    EXPECT_EQ(listener.posted[0].first, DeviceEvent::Added);
    EXPECT_EQ(listener.posted[1].first, DeviceEvent::Updated);
    EXPECT_EQ(listener.posted[1].second, listener.posted[0].second) << "the event names the same entry";
    EXPECT_EQ(listener.posted[2].first, DeviceEvent::Added);
    tagVtIpcInfo info{};
    EXPECT_TRUE(table.Snapshot(*table.Entries().front(), info));
    EXPECT_STREQ(info.ip, "192.168.5.99");
}

TEST_F(DeviceTableTest, ModifyRepliesWriteLinesAfterTheTableAndFailuresLeaveItAlone)
{
    const tagVtIpcInfo camera = MakeCamera(0x5E, "192.168.5.10", 80);
    Reply(camera);
    tagVtIpcInfo changed = camera;
    changed.port = 8080;
    Reply(changed, 3, 0);
    Reply(changed, 3, 0); // the same answer through a second adapter
    ASSERT_EQ(listener.lines.size(), 1u);
    EXPECT_EQ(listener.lines[0].first, L"[00:1A:2B:3C:4D:5E] Modify  Port:80->8080 successfully.");
    EXPECT_EQ(listener.posted.back().first, DeviceEvent::Modified);

    tagVtIpcInfo refused = changed;
    refused.port = 9999;
    Reply(refused, 3, -1);
    Reply(refused, 3, 1);
    ASSERT_EQ(listener.lines.size(), 3u);
    EXPECT_NE(listener.lines[1].first.find(L"failed. Username or password is incorrect."),
              std::wstring::npos);
    EXPECT_EQ(listener.lines[1].first, listener.lines[2].first) << "refusal and silence read alike";
    tagVtIpcInfo info{};
    table.Snapshot(*table.Entries().front(), info);
    EXPECT_EQ(info.port, 8080) << "a failure does not touch the entry";

    Reply(MakeCamera(0x77, "192.168.5.77"), 3, 0);
    EXPECT_EQ(table.Count(), 1u) << "a reply for an unknown camera is dropped";
    EXPECT_EQ(listener.lines.size(), 3u);
}

TEST_F(DeviceTableTest, SilentCameraIsReportedAtSixtyFourSecondsAndFreedWhenReleased)
{
    Reply(MakeCamera(1, "192.168.5.10"));
    const DeviceRef entry = table.Entries().front();
    entry->holders = kHolderNetworkTab | kHolderBatchSet;

    now += 63;
    table.CheckExpired(true);
    EXPECT_TRUE(listener.gone.empty()) << "63 seconds of silence is not yet gone";

    now += 1;
    table.CheckExpired(false);
    ASSERT_EQ(listener.gone.size(), 1u);
    EXPECT_EQ(listener.gone[0].second, kHolderBatchSet) << "the 5 s check leaves the network lists alone";
    EXPECT_EQ(table.Count(), 1u);

    table.CheckExpired(true);
    ASSERT_EQ(listener.gone.size(), 2u);
    EXPECT_EQ(listener.gone[1].second, kHolderNetworkTab);
    EXPECT_EQ(table.Count(), 0u);
    tagVtIpcInfo info{};
    EXPECT_FALSE(table.Snapshot(*entry, info)) << "a page holding a late reference sees the entry unlinked";
}

TEST_F(DeviceTableTest, EntryWhosePageKeepsItIsOfferedAgainAndTimerPicksTheChecks)
{
    listener.releasing = 0;
    Reply(MakeCamera(1, "192.168.5.10"));
    table.Entries().front()->holders = kHolderPreview | kHolderNetworkBasic;
    now += 100;
    for (int tick = 0; tick < 299; ++tick) {
        table.OnTimerTick();
    }
    // Ticks 50..250 run five 5 s checks; each offers the preview bit only.
    ASSERT_EQ(listener.gone.size(), 5u);
    EXPECT_EQ(listener.gone[4].second, kHolderPreview);
    table.OnTimerTick();
    ASSERT_EQ(listener.gone.size(), 6u);
    EXPECT_EQ(listener.gone[5].second, kHolderPreview | kHolderNetworkBasic);
    EXPECT_EQ(table.Count(), 1u) << "still held, so still listed";
}

TEST_F(DeviceTableTest, SearchFilterRefillsTheTargetAndClearsBitsOfRejectedEntries)
{
    Reply(MakeCamera(1, "192.168.5.10", 80, "Front"));
    Reply(MakeCamera(2, "192.168.5.11", 80, "Back"));
    Reply(MakeCamera(3, "192.168.5.12", 80, "Frontier"));
    FilterPage page;
    EXPECT_EQ(table.ApplySearchFilter(page, L""), 3);
    EXPECT_EQ(table.ApplySearchFilter(page, L"front"), 2);
    ASSERT_EQ(page.rows.size(), 2u);
    EXPECT_EQ(table.Entries()[1]->holders.load() & kHolderNetworkTab, 0u);
    EXPECT_EQ(table.Entries()[2]->holders.load() & kHolderNetworkTab, kHolderNetworkTab);
    EXPECT_EQ(table.ApplySearchFilter(page, L"nothing matches"), 0);
    EXPECT_TRUE(page.rows.empty());
    EXPECT_EQ(page.scrolled, 3);
}

TEST_F(DeviceTableTest, CaptureThreadsAndExpiryRunConcurrentlyWithoutLosingEntries)
{
    table.SetClock([] { return static_cast<std::int64_t>(std::time(nullptr)); });
    std::atomic<bool> stop{false};
    std::vector<std::thread> capture;
    for (int t = 0; t < 3; ++t) {
        capture.emplace_back([this, t] {
            for (int i = 0; i < 2000; ++i) {
                Reply(MakeCamera(static_cast<unsigned char>((i + t) % 200), "10.0.0.1"));
            }
        });
    }
    std::thread ui([&] {
        FilterPage page;
        while (!stop) {
            table.CheckExpired(true);
            table.ApplySearchFilter(page, L"10.0");
        }
    });
    for (auto& thread : capture) {
        thread.join();
    }
    stop = true;
    ui.join();
    EXPECT_EQ(table.Count(), 200u);
}

namespace {
tagVtIpcInfo NumberedCamera(unsigned n)
{
    tagVtIpcInfo info = MakeCamera(0, "10.0.0.1");
    info.mac[3] = static_cast<unsigned char>(n >> 16);
    info.mac[4] = static_cast<unsigned char>(n >> 8);
    info.mac[5] = static_cast<unsigned char>(n);
    std::snprintf(info.ip, sizeof info.ip, "10.%u.%u.%u", (n >> 16) & 0xFF, (n >> 8) & 0xFF, n & 0xFF);
    return info;
}

std::size_t FullLines(const RecordingListener& listener)
{
    std::size_t n = 0;
    for (const auto& [text, stamped] : listener.lines) {
        n += text.find(L"cameras are listed, the most the list holds") != std::wstring::npos ? 1 : 0;
    }
    return n;
}
} // namespace

TEST_F(DeviceTableTest, TableHoldsAtMostItsLimitSaysSoOnceAndTakesCamerasAgainWhenRoomIsMade)
{
    for (unsigned n = 0; n < kDeviceTableLimit + 500; ++n) {
        Reply(NumberedCamera(n));
    }
    EXPECT_EQ(table.Count(), kDeviceTableLimit);
    ASSERT_EQ(FullLines(listener), 1u) << "one line, not one per camera turned away";
    EXPECT_EQ(listener.lines.back().first.rfind(std::to_wstring(kDeviceTableLimit) + L" ", 0), 0u);
    EXPECT_TRUE(listener.lines.back().second);
    EXPECT_EQ(listener.posted.size(), kDeviceTableLimit) << "cameras turned away reach no page";

    // A listed camera is still refreshed while the table is full.
    tagVtIpcInfo known = NumberedCamera(7);
    std::snprintf(known.devName, sizeof known.devName, "still here");
    Reply(known);
    EXPECT_EQ(listener.posted.back().first, DeviceEvent::Updated);

    // Once the silent ones are gone there is room again, and a second
    // flood is reported again.
    now += kDeviceSilenceLimit;
    Reply(known);
    table.CheckExpired(true);
    EXPECT_EQ(table.Count(), 1u);
    for (unsigned n = 20000; n < 20000 + kDeviceTableLimit; ++n) {
        Reply(NumberedCamera(n));
    }
    EXPECT_EQ(table.Count(), kDeviceTableLimit);
    EXPECT_EQ(FullLines(listener), 2u);
}

TEST_F(DeviceTableTest, AllCamerasOneCheckFindsSilentAreReportedAtOnce)
{
    struct BatchListener : RecordingListener
    {
        void SendDevicesGone(const std::vector<Gone>& batch) override
        {
            batches.push_back(batch.size());
            RecordingListener::SendDevicesGone(batch);
        }
        std::vector<std::size_t> batches;
    } batching;
    table.SetListener(&batching);
    for (unsigned n = 0; n < 300; ++n) {
        Reply(NumberedCamera(n));
        table.Entries().back()->holders = kHolderNetworkTab;
    }
    now += kDeviceSilenceLimit;
    for (unsigned n = 0; n < 100; ++n) {
        Reply(NumberedCamera(n)); // these answered in time
    }
    table.CheckExpired(true);
    EXPECT_EQ(batching.batches, std::vector<std::size_t>{200});
    ASSERT_EQ(table.Count(), 100u);
    const std::vector<DeviceRef> left = table.Entries();
    for (unsigned n = 0; n < 100; ++n) {
        EXPECT_EQ(left[n]->info.mac[5], static_cast<unsigned char>(n)) << "the table keeps its order";
    }
    Reply(NumberedCamera(250));
    EXPECT_EQ(batching.posted.back().first, DeviceEvent::Added)
        << "a freed camera is new when it answers again";
}

TEST_F(DeviceTableTest, AFailingCallbackDropsTheReplyInsteadOfEndingTheCaptureThread)
{
    struct ThrowingListener : RecordingListener
    {
        void PostDeviceMessage(DeviceEvent, const DeviceRef&) override { throw std::bad_alloc(); }
    } throwing;
    table.SetListener(&throwing);
    EXPECT_NO_THROW(Reply(MakeCamera(1, "192.168.5.10")));
    EXPECT_NO_THROW(Reply(MakeCamera(1, "192.168.5.10"), 3, 0));
    table.SetListener(&listener);
    Reply(MakeCamera(2, "192.168.5.11"));
    EXPECT_EQ(table.Count(), 2u);
    EXPECT_EQ(listener.posted.size(), 1u);
}

TEST_F(DeviceTableTest, SightingListsByEndpointUntilDetailsKeyItByMac)
{
    table.OnOnvifSighting(Sighting("a1"));
    table.OnOnvifSighting(Sighting("a1", "http://192.168.5.41/onvif/device_service http://[fe80::1]/onvif"));
    ASSERT_EQ(table.Count(), 1u);
    const DeviceRef entry = table.Entries().front();
    EXPECT_EQ(entry->protocol, CameraProtocol::Onvif);
    EXPECT_EQ(listener.posted[0].first, DeviceEvent::Added);
    EXPECT_EQ(listener.posted[1].first, DeviceEvent::Updated);
    tagVtIpcInfo shown = Info(table, entry);
    EXPECT_STREQ(shown.ip, "192.168.5.41") << "the address the latest announcement names";
    EXPECT_EQ(shown.port, 80);
    EXPECT_STREQ(shown.devName, "Lobby");
    EXPECT_STREQ(shown.model, "DS-2CD2143");
    EXPECT_EQ(shown.upTime, -1) << "ONVIF does not tell when the camera started";

    EXPECT_FALSE(table.OnOnvifDetails(Details("unknown", 0x40)));
    ASSERT_TRUE(table.OnOnvifDetails(Details("a1", 0x40)));
    shown = Info(table, entry);
    EXPECT_STREQ(shown.devName, "Lobby door");
    EXPECT_STREQ(shown.version, "V2.1.0");
    OnvifIdentity identity;
    ASSERT_TRUE(table.OnvifSnapshot(*entry, identity));
    EXPECT_EQ(identity.endpoint, "urn:uuid:a1");
    EXPECT_EQ(identity.maker, "Hikvision");

    // Once the camera's own answers are in, an announcement only keeps it alive.
    table.OnOnvifSighting(Sighting("a1", "http://192.168.5.99/onvif/device_service"));
    EXPECT_STREQ(Info(table, entry).ip, "192.168.5.40");
    EXPECT_EQ(table.Count(), 1u);

    // A camera announcing itself under a new endpoint is the same camera by its MAC.
    table.OnOnvifSighting(Sighting("a2"));
    ASSERT_TRUE(table.OnOnvifDetails(Details("a2", 0x40)));
    ASSERT_EQ(table.Count(), 1u);
    EXPECT_FALSE(entry->linked) << "the older entry left the table";
    EXPECT_EQ(listener.posted.back().first, DeviceEvent::Updated);
}

TEST_F(DeviceTableTest, CameraFoundBothWaysIsListedOnceAsTheFamilyEntry)
{
    // The raw frames first, then WS-Discovery and a login.
    Reply(MakeCamera(0x10, "192.168.5.10"));
    const DeviceRef family = table.Entries().front();
    table.OnOnvifSighting(Sighting("b1", "http://192.168.5.10/onvif/device_service"));
    ASSERT_EQ(table.Count(), 2u) << "not known to be the same camera before the login";
    const DeviceRef onvif = table.Entries().back();
    ASSERT_TRUE(table.OnOnvifDetails(Details("b1", 0x10, "192.168.5.10")));
    ASSERT_EQ(table.Count(), 1u);
    EXPECT_EQ(table.Entries().front(), family);
    EXPECT_FALSE(onvif->linked);
    EXPECT_EQ(family->Mark(), (ProtocolMark{CameraProtocol::Family, true}));
    EXPECT_STREQ(Info(table, family).devName, "Cam") << "the family record stands";
    bool onvifRowGone = false;
    for (const auto& [event, entry] : listener.posted) {
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
    Reply(MakeCamera(0x20, "192.168.5.20"));
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

    // The merged camera announces itself under a new endpoint reference; once
    // it falls silent, the old reference lists a camera afresh.
    table.OnOnvifSighting(Sighting("c2", "http://192.168.5.20/onvif/device_service"));
    ASSERT_TRUE(table.OnOnvifDetails(Details("c2", 0x20, "192.168.5.20")));
    ASSERT_EQ(table.Count(), 2u);
    now += kDeviceSilenceLimit;
    table.CheckExpired(true);
    ASSERT_EQ(table.Count(), 0u);
    table.OnOnvifSighting(Sighting("c1"));
    EXPECT_EQ(table.Count(), 1u);
}

TEST_F(DeviceTableTest, ByeRemovesAtOnceAndSilenceExpires)
{
    table.OnOnvifSighting(Sighting("d1"));
    table.OnOnvifSighting(Sighting("d2"));
    const DeviceRef leaving = table.Entries().front();
    leaving->holders = kHolderNetworkTab;
    table.OnOnvifBye("urn:uuid:d1");
    EXPECT_EQ(table.Count(), 1u);
    EXPECT_FALSE(leaving->linked);
    EXPECT_EQ(listener.posted.back(), std::make_pair(DeviceEvent::Gone, leaving));
    table.OnOnvifBye("urn:uuid:d1"); // a repeated Bye finds nothing
    EXPECT_EQ(table.Count(), 1u);

    now += kDeviceSilenceLimit;
    table.CheckExpired(true);
    EXPECT_EQ(table.Count(), 0u);
    table.OnOnvifSighting(Sighting("d2"));
    EXPECT_EQ(table.Count(), 1u) << "an expired endpoint is listed afresh";
    EXPECT_EQ(listener.posted.back().first, DeviceEvent::Added);
}

TEST_F(DeviceTableTest, FloodOfMadeUpEndpointsStaysWithinTheLimitWithOnePanelLine)
{
    for (int i = 0; i < 20000; ++i) {
        table.OnOnvifSighting(Sighting("flood-" + std::to_string(i)));
    }
    EXPECT_EQ(table.Count(), kDeviceTableLimit);
    EXPECT_EQ(listener.lines.size(), 1u);
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
