// The plan comparisons configuration tools rely on: a field is planned only
// when the camera's value really differs, and never when it is the same in
// another spelling; the image version decides which cameras an upgrade takes.
#include "CliPassword.h"
#include "CliPlan.h"
#include "CliUpgradePlan.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace {
std::vector<DesiredValue> Desired(SettingsSection section, const std::vector<std::string>& arguments)
{
    CliCommandLine line;
    std::string error;
    EXPECT_TRUE(line.Parse(arguments, {{"time-zone", true}, {"ntp", true}, {"daylight", true}, {"new-password", true},
                                       {"codec", true}, {"rate", true}, {"frequency", true}},
                           false, error))
        << error;
    std::vector<DesiredValue> desired;
    EXPECT_TRUE(DesiredValues(section, line, desired, error)) << error;
    return desired;
}

std::vector<std::string> Fields(const std::vector<PlanChange>& changes)
{
    std::vector<std::string> fields;
    for (const PlanChange& change : changes) {
        fields.push_back(change.field + ":" + change.current + "->" + change.desired);
    }
    return fields;
}
} // namespace

TEST(CliPlan, SameValueInAnotherSpellingIsNoChange)
{
    const std::map<std::string, std::string> current = {
        {"time_zone_row", "100"}, {"clock", "ntp"}, {"ntp", "pool.ntp.org"}, {"daylight", "off"}};
    // The time zone by caption, the switch as "no": both what the camera has.
    EXPECT_TRUE(PlanChanges(current, Desired(SettingsSection::System,
                                             {"--time-zone", "8 China (Beijing)", "--ntp", "pool.ntp.org",
                                              "--daylight", "no"}))
                    .empty());
    EXPECT_TRUE(PlanChanges({{"codec", "H.264"}, {"rate", "25"}},
                            Desired(SettingsSection::Video, {"--codec", "h264", "--rate", "025"}))
                    .empty());
}

TEST(CliPlan, DifferingAndWriteOnlyFieldsArePlannedWithBothValues)
{
    const std::map<std::string, std::string> current = {
        {"time_zone_row", "100"}, {"clock", "keep"}, {"ntp", "pool.ntp.org"}, {"daylight", "off"}};
    EXPECT_EQ(Fields(PlanChanges(current, Desired(SettingsSection::System, {"--time-zone", "57", "--ntp",
                                                                           "pool.ntp.org", "--new-password", "x1"}))),
              (std::vector<std::string>{"time_zone_row:100->57", "clock:keep->ntp", "password:->(secret)"}));
    // 50 Hz is entry 1 of the list that "get imaging" prints.
    EXPECT_EQ(Fields(PlanChanges({{"frequency", "0"}}, Desired(SettingsSection::Imaging, {"--frequency", "50"}))),
              (std::vector<std::string>{"frequency:0->1"}));
}

TEST(CliPlan, UnreadableDesiredValuesAreRefused)
{
    CliCommandLine line;
    std::string error;
    std::vector<DesiredValue> desired;
    ASSERT_TRUE(line.Parse({"--time-zone", "Atlantis"}, {{"time-zone", true}}, false, error));
    EXPECT_FALSE(DesiredValues(SettingsSection::System, line, desired, error));
    ASSERT_TRUE(line.Parse({"--rate", "fast"}, {{"rate", true}}, false, error));
    EXPECT_FALSE(DesiredValues(SettingsSection::Video, line, desired, error));
}

TEST(CliUpgradePlan, ImageVersionAndOrder)
{
    EXPECT_EQ(ImageVersion("VT_VTFImage_50_31.4.1.2.bin"), "31.4.1.2");
    EXPECT_EQ(ImageVersion("VTFImage_15_12.2.0.7"), "12.2.0.7");
    EXPECT_EQ(ImageVersion("VT_VTFImage_A0.bin"), "");
    EXPECT_EQ(ImageVersion("KImage_5_31.4.1.2.bin"), "");
    EXPECT_EQ(ImageVersion(""), "");
    EXPECT_TRUE(VersionBelow("31.4.0.83", "31.4.1.2"));
    EXPECT_TRUE(VersionBelow("9.9.9.9", "31.0.0.0")); // numbers, not text
    EXPECT_FALSE(VersionBelow("31.4.1.2", "31.4.1.2"));
    EXPECT_FALSE(VersionBelow("31.10.0.0", "31.4.1.2"));
}

TEST(CliPassword, OneLineFromADescriptorAndNoMore)
{
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    const std::string text = "s3cret\r\nnext line\n";
    ASSERT_EQ(write(pipeEnds[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
    close(pipeEnds[1]);
    std::string password;
    ASSERT_TRUE(ReadPasswordLine(pipeEnds[0], password));
    EXPECT_EQ(password, "s3cret");
    ASSERT_TRUE(ReadPasswordLine(pipeEnds[0], password));
    EXPECT_EQ(password, "next line");
    EXPECT_FALSE(ReadPasswordLine(pipeEnds[0], password)); // nothing left: no empty password
    close(pipeEnds[0]);

    CliCommandLine line;
    std::string error;
    ASSERT_TRUE(line.Parse({"--password", "a", "--password-stdin"}, {{"password", true}, {"password-stdin", false}},
                           false, error));
    EXPECT_FALSE(ReadPasswordOption(line, password, error));
}
