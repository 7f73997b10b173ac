// The rules of the "System" sub-page without a window: the name as the camera
// stores it, the time-zone rows, the form checks and the record sent.
#include "AddressRules.h"
#include "FamilyCamera.h"
#include "SystemParams.h"

#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <set>
#include <string>

TEST(DeviceNameEncoding, EveryByteIsEscapedExceptTheSixteenThatStandForThemselves)
{
    EXPECT_EQ(EncodeDeviceName("Cam.1"), "%43%61%6D.%31");
    EXPECT_EQ(EncodeDeviceName("!#$&*()=:/;?+',@."), "!#$&*()=:/;?+',@.");
    EXPECT_EQ(EncodeDeviceName("a b-_~"), "%61%20%62%2D%5F%7E");
    // UTF-8 bytes above 127 come out as two upper-case digits each, not as
    // sign-extended numbers.
    EXPECT_EQ(EncodeDeviceName("\xE9\x97\xA8"), "%E9%97%A8");
    // A byte below 0x10 keeps its leading zero.
    EXPECT_EQ(EncodeDeviceName("\x0A\x01"), "%0A%01");
    EXPECT_EQ(EncodeDeviceName(""), "");
}

TEST(TimeZones, PosixStringsInvertTheSignAndCarryHalfAndQuarterHours)
{
    EXPECT_EQ(TimeZoneToPosix(kDefaultTimeZone), "UTC-8");
    EXPECT_EQ(TimeZoneToPosix(0), "UTC11");        // -11 Samoa
    EXPECT_EQ(TimeZoneToPosix(20), "UTC4:30");     // -4.5 Venezuela
    EXPECT_EQ(TimeZoneToPosix(27), "UTC3:30");     // -3.5 Newfoundland
    EXPECT_EQ(TimeZoneToPosix(38), "UTC0");        // London
    EXPECT_EQ(TimeZoneToPosix(94), "UTC-5:30");    // India
    EXPECT_EQ(TimeZoneToPosix(115), "UTC-12:45");  // Chatham Islands
    EXPECT_EQ(TimeZoneToPosix(117), "");

    // Every row comes back as the first row of its offset.
    for (int row = 0; row < static_cast<int>(kTimeZoneCount); ++row) {
        const int back = PosixToTimeZone(TimeZoneToPosix(row));
        ASSERT_GE(back, 0) << row;
        EXPECT_EQ(TimeZoneOffsetMinutes(back), TimeZoneOffsetMinutes(row)) << row;
        EXPECT_TRUE(back <= row || back == kDefaultTimeZone) << row;
    }
    EXPECT_EQ(PosixToTimeZone("CST-8"), kDefaultTimeZone);
    EXPECT_EQ(PosixToTimeZone("<+0530>-5:30"), 94);
    EXPECT_EQ(PosixToTimeZone("EST5EDT,M3.2.0,M11.1.0"), 16); // first -5 row: Bahamas
    EXPECT_EQ(PosixToTimeZone("IST-5:30:00"), 94);
    EXPECT_EQ(PosixToTimeZone("XYZ-7:15"), -1); // no row at +7:15
    EXPECT_EQ(PosixToTimeZone("8"), -1);        // no name
    EXPECT_EQ(PosixToTimeZone("UTC+x"), -1);
}

TEST(TimeZones, OneHundredSeventeenRowsInTheCamerasOrder)
{
    EXPECT_EQ(kTimeZoneCount, 117u);
    EXPECT_STREQ(TimeZoneCaption(0), "-11 Samoa");
    EXPECT_STREQ(TimeZoneCaption(1), "-10 Cook Islands(Rarotonga)");
    EXPECT_STREQ(TimeZoneCaption(20), "-4.5 Venezuela (Caracas)");
    EXPECT_STREQ(TimeZoneCaption(26), "-4 Trinidad&amp;Tobago");
    EXPECT_STREQ(TimeZoneCaption(27), "-3.5 Canada - New Foundland (St. Johns)");
    EXPECT_STREQ(TimeZoneCaption(38), "0 United Kingdom (London)");
    EXPECT_STREQ(TimeZoneCaption(50), "1 Makedonia (Skopje)");
    EXPECT_STREQ(TimeZoneCaption(58), "1 Swiss ( Bern, Zurich)");
    EXPECT_STREQ(TimeZoneCaption(94), "5.5 India (Calcutta)");
    EXPECT_STREQ(TimeZoneCaption(kDefaultTimeZone), "8 China (Beijing)");
    EXPECT_STREQ(TimeZoneCaption(111), "10.5_Australia (Lord Howe Islands)");
    EXPECT_STREQ(TimeZoneCaption(115), "12.75 New Zealand (Chatham Islands)");
    EXPECT_STREQ(TimeZoneCaption(116), "13 Tonga (Nukualofa)");
    EXPECT_EQ(TimeZoneCaption(-1), nullptr);
    EXPECT_EQ(TimeZoneCaption(117), nullptr);

    // Each caption starts with its offset, and the offsets never go down.
    std::set<std::string> captions;
    double previous = -12;
    for (int row = 0; row < 117; ++row) {
        const char* caption = TimeZoneCaption(row);
        ASSERT_NE(caption, nullptr);
        captions.insert(caption);
        char* end = nullptr;
        const double offset = std::strtod(caption, &end);
        EXPECT_TRUE(*end == ' ' || *end == '_') << caption;
        EXPECT_GE(offset, previous) << caption;
        previous = offset;
    }
    EXPECT_EQ(captions.size(), 117u) << "every row is its own zone";
}

TEST(SystemForm, ChecksInTheOrderTheOperatorIsTold)
{
    SystemForm form;
    form.name = L"  Lobby  ";
    form.password = L"qr7319";
    form.confirmation = L" qr7319 ";
    form.changePassword = true;
    EXPECT_EQ(CheckSystemForm(form).key, 0u);

    SystemForm empty = form;
    empty.name = L"   ";
    empty.password = L"ab"; // the name is told about first
    EXPECT_EQ(CheckSystemForm(empty).key, 90005u);
    EXPECT_EQ(CheckSystemForm(empty).field, SystemField::Name);
    empty.singleCamera = false; // ticked cameras keep their names
    EXPECT_EQ(CheckSystemForm(empty).key, 90031u);

    for (const wchar_t* bad : {L"a&b", L"a/b", L"a\\b", L"a:b", L"a*b", L"a?b", L"a'b", L"a\"b", L"a<b",
                               L"a>b", L"a|b", L"50%"}) {
        SystemForm named = form;
        named.name = bad;
        EXPECT_EQ(CheckSystemForm(named).key, 83010u) << std::string(bad, bad + std::wcslen(bad));
        EXPECT_EQ(CheckSystemForm(named).field, SystemField::Name);
        named.singleCamera = false;
        EXPECT_EQ(CheckSystemForm(named).key, 0u) << "no name is written to ticked cameras";
    }

    SystemForm shortPassword = form;
    shortPassword.password = L" abc ";
    shortPassword.confirmation = L"different";
    EXPECT_EQ(CheckSystemForm(shortPassword).key, 90031u) << "length before the comparison";
    EXPECT_EQ(CheckSystemForm(shortPassword).field, SystemField::Password);
    shortPassword.password = L"";
    EXPECT_EQ(CheckSystemForm(shortPassword).key, 90031u);
    shortPassword.changePassword = false;
    EXPECT_EQ(CheckSystemForm(shortPassword).key, 0u) << "boxes nobody typed into send no password";

    SystemForm mismatch = form;
    mismatch.confirmation = L"qr7318";
    EXPECT_EQ(CheckSystemForm(mismatch).key, 90015u);
    EXPECT_EQ(CheckSystemForm(mismatch).field, SystemField::Confirmation);

    SystemForm sntp = form;
    sntp.mode = DateTimeMode::Sntp;
    sntp.sntpServer = L"  ";
    EXPECT_EQ(CheckSystemForm(sntp).key, 90029u);
    EXPECT_EQ(CheckSystemForm(sntp).field, SystemField::None);
    sntp.mode = DateTimeMode::Manual;
    EXPECT_EQ(CheckSystemForm(sntp).key, 0u) << "the server box counts only in SNTP mode";
}

TEST(SystemDateRecordLayout, FieldsAtTheirOffsetsForEachMode)
{
    SystemSettings settings;
    settings.timeZone = 38;
    settings.daylight = 1;
    settings.dateTime = DateTimeValue{2026, 3, 7, 9, 5, 2};

    settings.mode = DateTimeMode::Keep;
    SystemDateRecord keep = BuildSystemDateRecord(settings);
    const auto* bytes = reinterpret_cast<const unsigned char*>(&keep);
    EXPECT_EQ(bytes[0], 3);
    EXPECT_EQ(bytes[1], 0) << "keep sends no date";
    EXPECT_EQ(bytes[17], 0) << "keep sends no time";
    EXPECT_EQ(bytes[33], 1) << "daylight saving in every mode";
    std::int32_t zone = 0;
    std::memcpy(&zone, bytes + 100, sizeof zone);
    EXPECT_EQ(zone, 38) << "time zone in every mode";
    EXPECT_EQ(bytes[98], 0);
    EXPECT_EQ(bytes[99], 0);

    settings.mode = DateTimeMode::Manual;
    SystemDateRecord manual = BuildSystemDateRecord(settings);
    EXPECT_EQ(manual.mode, 0);
    EXPECT_STREQ(reinterpret_cast<const char*>(&manual) + 1, "2026/03/07");
    EXPECT_STREQ(reinterpret_cast<const char*>(&manual) + 17, "09:05:02");
    EXPECT_EQ(manual.ntpServer[0], '\0');

    settings.mode = DateTimeMode::ComputerTime;
    EXPECT_EQ(BuildSystemDateRecord(settings).mode, 2);
    EXPECT_STREQ(BuildSystemDateRecord(settings).date, "2026/03/07");

    settings.mode = DateTimeMode::Sntp;
    SystemDateRecord sntp = BuildSystemDateRecord(settings);
    EXPECT_EQ(sntp.mode, 1);
    EXPECT_STREQ(sntp.ntpServer, kDefaultSntpServer) << "the default server when none was given";
    EXPECT_EQ(sntp.date[0], '\0');
    settings.sntpServer = std::string(80, 'n');
    sntp = BuildSystemDateRecord(settings);
    EXPECT_EQ(std::strlen(sntp.ntpServer), 63u) << "the field keeps its terminator";
    EXPECT_STREQ(reinterpret_cast<const char*>(&sntp) + 34, sntp.ntpServer);
}

TEST(SystemSettingsOfAForm, NamePasswordAndServerInTheCamerasEncoding)
{
    SystemForm form;
    form.name = L" \x95E8\x53E3 Cam ";
    form.password = L" secret1 ";
    form.confirmation = L"secret1";
    form.changePassword = true;
    form.mode = DateTimeMode::Sntp;
    form.sntpServer = L" ntp.lab ";
    SystemSettings settings = SystemSettingsFromForm(form, 12, 1, DateTimeValue{});
    EXPECT_EQ(settings.deviceName, "\xE9\x97\xA8\xE5\x8F\xA3 Cam");
    EXPECT_EQ(settings.newPassword, "secret1");
    EXPECT_EQ(settings.sntpServer, "ntp.lab");
    EXPECT_EQ(settings.timeZone, 12);
    EXPECT_EQ(settings.daylight, 1);

    form.singleCamera = false;
    form.mode = DateTimeMode::Keep;
    settings = SystemSettingsFromForm(form, 0, 0, DateTimeValue{});
    EXPECT_EQ(settings.deviceName, "") << "ticked cameras keep their names";
    EXPECT_EQ(settings.sntpServer, "") << "the server only goes with the SNTP mode";

    form.changePassword = false;
    EXPECT_EQ(SystemSettingsFromForm(form, 0, 0, DateTimeValue{}).newPassword, "")
        << "the login password in untouched boxes is not a new one";
}

TEST(CameraWebAddress, OnlyAPlainDottedAddressIsOpened)
{
    tagVtIpcInfo camera{};
    std::strcpy(camera.ip, "10.20.0.7");
    camera.port = 80;
    EXPECT_EQ(WebAddress(camera), "http://10.20.0.7");
    camera.port = 8080;
    EXPECT_EQ(WebAddress(camera), "http://10.20.0.7:8080");
    std::strcpy(camera.ip, "10.255.1.255");
    EXPECT_EQ(WebAddress(camera), "http://10.255.1.255:8080");
    // A camera's reply may carry anything in its IP field.
    for (const char* hostile : {"evil.example", "1.2.3.4/x", "1.2.3.4@h", "1.2.3.04", "1.2.3.256", " 1.2.3.4",
                                "javascript:x", ""}) {
        std::strcpy(camera.ip, hostile);
        EXPECT_EQ(WebAddress(camera), "") << hostile;
    }
}

TEST(CameraClock, OnlyWhatMakesSenseIsShown)
{
    const auto record = [](const char* date, const char* time, int zone, int daylight) {
        SystemDateRecord r{};
        std::snprintf(r.date, sizeof r.date, "%s", date);
        std::snprintf(r.time, sizeof r.time, "%s", time);
        std::strcpy(r.ntpServer, "time.example");
        r.timeZone = zone;
        r.daylight = static_cast<uint8_t>(daylight);
        return r;
    };
    CameraClock clock = ReadCameraClock(record("2024/02/29", "23:59:59", 116, 1));
    ASSERT_TRUE(clock.dateTime.has_value());
    EXPECT_EQ(clock.dateTime->year, 2024);
    EXPECT_EQ(clock.dateTime->month, 2);
    EXPECT_EQ(clock.dateTime->day, 29);
    EXPECT_EQ(clock.dateTime->second, 59);
    EXPECT_EQ(clock.timeZone, std::optional<int>(116));
    EXPECT_EQ(clock.daylight, std::optional<int>(1));
    EXPECT_EQ(clock.ntpServer, "time.example");

    for (const char* date : {"2023/02/29", "1900/02/29", "2024/04/31", "2024/13/01", "2024/00/10", "1969/12/31",
                             "2024-01-01", ""}) {
        EXPECT_FALSE(ReadCameraClock(record(date, "12:00:00", 100, 0)).dateTime.has_value()) << date;
    }
    EXPECT_TRUE(ReadCameraClock(record("2000/02/29", "00:00:00", 100, 0)).dateTime.has_value());
    for (const char* time : {"24:00:00", "12:60:00", "12:00:60", "-1:00:00", "12:00"}) {
        EXPECT_FALSE(ReadCameraClock(record("2024/01/01", time, 100, 0)).dateTime.has_value()) << time;
    }
    clock = ReadCameraClock(record("2024/01/01", "12:00:00", 117, 2));
    EXPECT_EQ(clock.timeZone, std::nullopt);
    EXPECT_EQ(clock.daylight, std::nullopt);
    EXPECT_EQ(ReadCameraClock(record("2024/01/01", "12:00:00", -1, 0)).timeZone, std::nullopt);

    // Fields that fill their width to the last byte are read no further.
    SystemDateRecord full = record("", "", 0, 0);
    std::memset(full.date, '9', sizeof full.date);
    std::memset(full.ntpServer, 'n', sizeof full.ntpServer);
    clock = ReadCameraClock(full);
    EXPECT_FALSE(clock.dateTime.has_value());
    EXPECT_EQ(clock.ntpServer, std::string(sizeof full.ntpServer, 'n'));
}
