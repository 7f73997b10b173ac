// What "get" prints of the records cameras return.
#include "CliContext.h"
#include "CliSettings.h"
#include "TimeZoneTable.h"
#include "VideoParams.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {
const SettingsSection kSections[] = {SettingsSection::System, SettingsSection::Network, SettingsSection::Video,
                                     SettingsSection::Osd, SettingsSection::Imaging};

std::string Cell(SettingsSection section, const SectionValues& values, const std::string& model,
                 const std::string& key)
{
    const std::vector<OutputColumn> columns = SectionColumns(section);
    const std::vector<std::string> cells = SectionCells(section, values, model);
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].key == key) {
            return cells.at(i);
        }
    }
    ADD_FAILURE() << "no column " << key;
    return {};
}
} // namespace

TEST(CliSettings, SectionsByNameAndEveryRowFitsItsColumns)
{
    SettingsSection section{};
    for (const char* name : {"system", "network", "video", "osd", "imaging"}) {
        EXPECT_TRUE(ParseSettingsSection(name, section)) << name;
    }
    for (const char* name : {"", "System", "ptz", "video "}) {
        EXPECT_FALSE(ParseSettingsSection(name, section)) << name;
    }
    const SectionValues empty{};
    for (const SettingsSection s : kSections) {
        EXPECT_EQ(SectionCells(s, empty, "VT-C6121").size(), SectionColumns(s).size());
        for (const OutputColumn& column : SectionColumns(s)) {
            EXPECT_EQ(column.key.find("password"), std::string::npos) << "passwords are never printed";
        }
    }
}

TEST(CliSettings, SystemShowsTheZoneCaptionAndStopsAtFullFields)
{
    SectionValues v{};
    v.date.timeZone = 100;
    v.date.mode = 1;
    std::memset(v.date.ntpServer, 'n', sizeof v.date.ntpServer); // no terminator at all
    std::memcpy(v.date.date, "2026/12/07", 10);
    EXPECT_EQ(Cell(SettingsSection::System, v, "VT-C6121", "time_zone"), TimeZoneCaption(100));
    EXPECT_EQ(Cell(SettingsSection::System, v, "VT-C6121", "time_zone_row"), "100");
    EXPECT_EQ(Cell(SettingsSection::System, v, "VT-C6121", "clock"), "ntp");
    EXPECT_EQ(Cell(SettingsSection::System, v, "VT-C6121", "ntp"), std::string(sizeof v.date.ntpServer, 'n'));
    EXPECT_EQ(Cell(SettingsSection::System, v, "VT-C6121", "date"), "2026/12/07");
    // A zone the table does not have is shown by its number only.
    v.date.timeZone = 117;
    EXPECT_EQ(Cell(SettingsSection::System, v, "VT-C6121", "time_zone"), "");
    EXPECT_EQ(Cell(SettingsSection::System, v, "VT-C6121", "time_zone_row"), "117");
    v.date.mode = 9;
    EXPECT_EQ(Cell(SettingsSection::System, v, "VT-C6121", "clock"), "unknown");
}

TEST(CliSettings, VideoAndImagingInTheModelsOwnTerms)
{
    SectionValues v{};
    v.primary.codec = 1;
    v.primary.frameSize = kPrimarySize720P;
    v.secondary.codec = 0;
    v.primary.rateControl = 0;
    // Wire codec 1 is MPEG4 on an ordinary camera, MJPEG on an A model.
    EXPECT_EQ(Cell(SettingsSection::Video, v, "VT-C6121", "codec"), CodecCaption(kCodecMpeg4));
    EXPECT_EQ(Cell(SettingsSection::Video, v, "VT-C3190A", "codec"), CodecCaption(kCodecMjpeg));
    EXPECT_EQ(Cell(SettingsSection::Video, v, "VT-C6121", "size"), PrimarySizeCaption(kPrimarySize720P));
    EXPECT_EQ(Cell(SettingsSection::Video, v, "VT-C6121", "rate_control"), "cbr");

    // Picture values as slider positions: 0-255 scaled, except sharpness on
    // an ordinary camera, which keeps 0-100 as it is.
    v.picture.brightness = 255;
    v.picture.sharpness = 40;
    EXPECT_EQ(Cell(SettingsSection::Imaging, v, "VT-C6121", "brightness"), "100");
    EXPECT_EQ(Cell(SettingsSection::Imaging, v, "VT-C6121", "sharpness"), "40");
    EXPECT_EQ(Cell(SettingsSection::Imaging, v, "VT-C3190A", "sharpness"), "15");
}

TEST(CliSettings, DatesMustExistAndTimesBeTimesOfDay)
{
    LogDateTime when;
    EXPECT_TRUE(ParseCalendarTime("2024-02-29", "23:59:59", when));
    EXPECT_EQ(when.year, 2024);
    EXPECT_EQ(when.day, 29);
    EXPECT_EQ(when.second, 59);
    for (const auto& [date, time] : std::vector<std::pair<std::string, std::string>>{{"2023-02-29", "00:00:00"},
                                                                                    {"2026-04-31", "00:00:00"},
                                                                                    {"2026-13-01", "00:00:00"},
                                                                                    {"1969-12-31", "23:59:59"},
                                                                                    {"2038-01-01", "00:00:00"},
                                                                                    {"2026-01-01", "24:00:00"},
                                                                                    {"2026-01-01", "12:60:00"},
                                                                                    {"2026-01-01", "-1:00:00"},
                                                                                    {"2026-01-01x", "12:00:00"},
                                                                                    {"2026-01-01", "12:00:00 "},
                                                                                    {"", ""}}) {
        EXPECT_FALSE(ParseCalendarTime(date, time, when)) << date << " " << time;
    }
}
