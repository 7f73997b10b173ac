#include "CliOutput.h"

#include "CliCommandLine.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace {
OutputTable Sample()
{
    OutputTable table;
    table.columns = {{"name", "Device Name"}, {"ip", "IP"}, {"port", "Port", true}};
    table.rows = {{"Lobby, \"east\"", "192.168.1.10", "80"},
                  {"\xE5\xA4\xA7\xE5\x8E\x85", "192.168.1.11", "8080"}};
    return table;
}
} // namespace

TEST(CliOutput, JsonKeepsColumnOrderTypesAndReadsBack)
{
    const auto parsed = nlohmann::ordered_json::parse(RenderTable(Sample(), OutputFormat::Json));
    ASSERT_EQ(parsed.size(), 2U);
    EXPECT_EQ(parsed[0]["name"], "Lobby, \"east\"");
    EXPECT_EQ(parsed[1]["port"], 8080);
    EXPECT_EQ(parsed[0].begin().key(), "name");
    EXPECT_EQ(parsed[1]["name"], "\xE5\xA4\xA7\xE5\x8E\x85");
}

TEST(CliOutput, CsvQuotesAndTableAligns)
{
    EXPECT_EQ(RenderTable(Sample(), OutputFormat::Csv),
              "name,ip,port\n\"Lobby, "
              "\"\"east\"\"\",192.168.1.10,80\n\xE5\xA4\xA7\xE5\x8E\x85,192.168.1.11,8080\n");
    const std::string table = RenderTable(Sample(), OutputFormat::Table);
    // The two-cell-wide Chinese name pads to the same column as the Latin one.
    EXPECT_NE(table.find("Lobby, \"east\"  192.168.1.10  80\n"), std::string::npos) << table;
    EXPECT_NE(table.find("\xE5\xA4\xA7\xE5\x8E\x85           192.168.1.11  8080\n"), std::string::npos)
        << table;
}

TEST(CliOutput, CameraTextCannotForgeLinesOrBreakTheTerminal)
{
    EXPECT_EQ(SafeText("Cam\nFAKE LINE\x1b[2J"), "Cam\\x0AFAKE LINE\\x1B[2J");
    EXPECT_EQ(SafeText("ok\xff\xfe!"), "ok\xEF\xBF\xBD\xEF\xBF\xBD!");
    EXPECT_EQ(SafeText("\xE5\xA4"), "\xEF\xBF\xBD\xEF\xBF\xBD");
    OutputTable table;
    table.columns = {{"name", "Name"}};
    table.rows = {{"a\nb"}, {"\xff"}};
    const std::string csv = RenderTable(table, OutputFormat::Csv);
    EXPECT_EQ(csv, "name\na\\x0Ab\n\xEF\xBF\xBD\n");
    const auto parsed = nlohmann::json::parse(RenderTable(table, OutputFormat::Json));
    EXPECT_EQ(parsed[0]["name"], "a\nb");
    EXPECT_EQ(parsed[1]["name"], "\xEF\xBF\xBD");
}

TEST(CliCommandLine, OptionsFlagsRepeatsAndErrors)
{
    CliCommandLine line;
    std::string error;
    const std::vector<CliOptionSpec> specs = {{"mac", true}, {"all", false}, {"wait", true}};
    ASSERT_TRUE(line.Parse({"--mac", "a", "--mac=b", "--all", "--wait", "2"}, specs, false, error)) << error;
    EXPECT_EQ(line.Values("mac"), (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(line.Has("all"));
    EXPECT_EQ(line.Value("wait"), "2");
    EXPECT_EQ(line.Value("missing", "x"), "x");
    EXPECT_FALSE(line.Parse({"--bogus"}, specs, false, error));
    EXPECT_NE(error.find("--bogus"), std::string::npos);
    EXPECT_FALSE(line.Parse({"--mac"}, specs, false, error));
    EXPECT_FALSE(line.Parse({"--all=1"}, specs, false, error));
    EXPECT_FALSE(line.Parse({"stray"}, specs, false, error));
}
