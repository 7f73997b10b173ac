#include "RecordJson.h"

#include "PercentEncoding.h"

#include <cstring>
#include <gtest/gtest.h>
#include <random>

namespace {

using nlohmann::json;

template <class Record> Record RandomRecord(std::mt19937& rng)
{
    Record record{};
    auto* bytes = reinterpret_cast<unsigned char*>(&record);
    for (const auto& field : vtwire::RecordFields<Record>()) {
        for (size_t i = 0; i < field.width; ++i) {
            bytes[field.offset + i] = static_cast<unsigned char>(rng());
        }
        if (field.kind == vtwire::FieldKind::Text) {
            bytes[field.offset + rng() % field.width] = 0;
        }
    }
    return record;
}

// Every byte of every field survives the trip, whatever the texts hold.
template <class Record> void ExpectRoundTrips()
{
    std::mt19937 rng(7);
    for (int i = 0; i < 200; ++i) {
        const Record original = RandomRecord<Record>(rng);
        const auto object = vtwire::ToJson(original);
        ASSERT_TRUE(object.has_value());
        Record decoded{};
        ASSERT_TRUE(vtwire::FromJson(json::parse(object->dump()), decoded, true));
        for (const auto& field : vtwire::RecordFields<Record>()) {
            const auto* a = reinterpret_cast<const unsigned char*>(&original) + field.offset;
            const auto* b = reinterpret_cast<const unsigned char*>(&decoded) + field.offset;
            const size_t length = field.kind == vtwire::FieldKind::Text
                                      ? strnlen(reinterpret_cast<const char*>(a), field.width) + 1
                                      : field.width;
            EXPECT_EQ(std::memcmp(a, b, length), 0) << field.name;
        }
    }
}

TEST(RecordJson, EveryRecordRoundTrips)
{
    ExpectRoundTrips<SystemDateRecord>();
    ExpectRoundTrips<PortInfoRecord>();
    ExpectRoundTrips<DdnsRecord>();
    ExpectRoundTrips<SystemInfoRecord>();
    ExpectRoundTrips<VideoConfigRecord>();
    ExpectRoundTrips<OsdRecord>();
    ExpectRoundTrips<ImagingSettingsRecord>();
    ExpectRoundTrips<ImagingConfigRecord>();
}

TEST(RecordJson, FieldNamesAreThoseOfTheProtocol)
{
    OsdRecord osd{};
    osd.showTitle = 1;
    std::strcpy(osd.title, "Gate");
    osd.datePosition = 3;
    EXPECT_EQ(vtwire::ToJson(osd)->dump(), R"({"dateFormat":0,"datePosition":3,"showTime":0,"showTitle":1,)"
                                           R"("title":"Gate","titlePosition":0})");
    PortInfoRecord ports{80, 80, 554, 554, 0};
    EXPECT_EQ(vtwire::ToJson(ports)->dump(), R"({"http":80,"http2":80,"reserved":0,"rtsp":554,"rtsp2":554})");
}

TEST(RecordJson, TextsThatAreNotUtf8TravelAsBase64AndNamesAsEscapes)
{
    EXPECT_EQ(vtwire::TextToJson("caf\xC3\xA9"), json("caf\xC3\xA9"));
    const json legacy = vtwire::TextToJson("\xB1\xB1");
    EXPECT_EQ(legacy, json({{"base64", "sbE="}}));
    EXPECT_EQ(vtwire::TextFromJson(legacy), std::optional<std::string>("\xB1\xB1"));
    EXPECT_FALSE(vtwire::TextFromJson(json{{"base64", "s==="}}).has_value());
    EXPECT_FALSE(vtwire::TextFromJson(json(5)).has_value());
    for (const char* bad : {"\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82", "\x80"}) {
        EXPECT_FALSE(vtwire::IsValidUtf8(bad)) << bad;
    }
    EXPECT_EQ(vtwire::Base64Encode("foobar"), "Zm9vYmFy");
    EXPECT_EQ(vtwire::PercentEncode("a b/\xE5%.~"), "a%20b%2F%E5%25.~");
    EXPECT_EQ(vtwire::PercentDecode(vtwire::PercentEncode("any \x01\xFF bytes")),
              std::optional<std::string>("any \x01\xFF bytes"));
    EXPECT_EQ(vtwire::Base64Decode("Zm9vYg=="), std::optional<std::string>("foob"));
}

TEST(RecordJson, BadObjectsLeaveTheRecordUnchanged)
{
    OsdRecord osd{};
    osd.dateFormat = 2;
    const OsdRecord before = osd;
    json object = *vtwire::ToJson(osd);
    object.erase("showTime");
    EXPECT_FALSE(vtwire::FromJson(object, osd, true));
    object = *vtwire::ToJson(before);
    object["datePosition"] = 256;
    EXPECT_FALSE(vtwire::FromJson(object, osd, true));
    object = *vtwire::ToJson(before);
    object["title"] = std::string(96, 't'); // no room for the terminator
    EXPECT_FALSE(vtwire::FromJson(object, osd, true));
    object["title"] = std::string("a\0b", 3);
    EXPECT_FALSE(vtwire::FromJson(object, osd, true));
    object["title"] = 1.5;
    EXPECT_FALSE(vtwire::FromJson(object, osd, true));
    EXPECT_EQ(std::memcmp(&osd, &before, sizeof osd), 0);

    std::memset(osd.title, 'x', sizeof osd.title);
    EXPECT_FALSE(vtwire::ToJson(osd).has_value());

    PortInfoRecord ports{};
    json tooWide = *vtwire::ToJson(ports);
    tooWide["http"] = 4294967296LL;
    EXPECT_FALSE(vtwire::FromJson(tooWide, ports, true));
    EXPECT_FALSE(vtwire::ParseObject("[1]").has_value());
    EXPECT_FALSE(vtwire::ParseObject("{\"a\":").has_value());
}

TEST(RecordJson, ReadOnlyFieldsAreIgnoredByTheReceivingCamera)
{
    DdnsRecord ddns{};
    std::strcpy(ddns.mac, "00:30:4F:00:00:01");
    json object = *vtwire::ToJson(DdnsRecord{});
    object["mac"] = "FF:FF:FF:FF:FF:FF";
    ASSERT_TRUE(vtwire::FromJson(object, ddns, false));
    EXPECT_STREQ(ddns.mac, "00:30:4F:00:00:01");
    object.erase("mac");
    EXPECT_TRUE(vtwire::FromJson(object, ddns, false));
    EXPECT_FALSE(vtwire::FromJson(object, ddns, true));
}

} // namespace
