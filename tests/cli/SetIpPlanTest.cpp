#include "SetIpPlan.h"

#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>

namespace {
tagVtIpcInfo Camera(int last, const char* ip)
{
    tagVtIpcInfo camera{};
    const unsigned char mac[6] = {0x02, 0x5A, 0x25, 0x00, 0x00, static_cast<unsigned char>(last)};
    std::memcpy(camera.mac, mac, 6);
    std::snprintf(camera.ip, sizeof camera.ip, "%s", ip);
    std::snprintf(camera.netmask, sizeof camera.netmask, "255.255.255.0");
    std::snprintf(camera.gateway, sizeof camera.gateway, "192.168.1.1");
    std::snprintf(camera.dns, sizeof camera.dns, "192.168.1.1");
    camera.port = 80;
    return camera;
}

std::vector<PlanProblem> Check(const std::string& csv, const std::vector<tagVtIpcInfo>& cameras,
                               std::vector<SetIpRow>* out = nullptr)
{
    std::vector<PlanProblem> problems;
    std::vector<SetIpRow> rows = ParseSetIpCsv(csv, problems);
    if (problems.empty()) {
        problems = CheckSetIpPlan(rows, cameras);
    }
    if (out != nullptr) {
        *out = rows;
    }
    return problems;
}
} // namespace

TEST(SetIpPlan, HardwareAddressesInEveryCommonSpelling)
{
    EXPECT_EQ(NormaliseMac("02:5a:25:00:00:0a"), "02:5A:25:00:00:0A");
    EXPECT_EQ(NormaliseMac("02-5A-25-00-00-0A"), "02:5A:25:00:00:0A");
    EXPECT_EQ(NormaliseMac("025a2500000a"), "02:5A:25:00:00:0A");
    EXPECT_EQ(NormaliseMac("02:5A:25:00:00"), "");
    EXPECT_EQ(NormaliseMac("02:5A:25:00:00:0G"), "");
    EXPECT_EQ(NormaliseMac("02:5A:25:00:00:0A:11"), "");
    EXPECT_EQ(NormaliseMac("0:25A:25:00:00:0A"), "");
}

TEST(SetIpPlan, CsvWithHeaderCommentsQuotesAndEmptyFieldsTakenFromTheCamera)
{
    const std::vector<tagVtIpcInfo> cameras = {Camera(1, "192.168.1.10"), Camera(2, "192.168.1.11")};
    std::vector<SetIpRow> rows;
    const auto problems = Check("mac,ip,netmask,gateway,dns,port,name\n"
                                "# the lobby\n"
                                "\n"
                                "02:5A:25:00:00:01,192.168.1.50,,,,8080,\"Lobby, east\"\r\n"
                                "02-5a-25-00-00-02,192.168.1.51\n",
                                cameras, &rows);
    ASSERT_TRUE(problems.empty()) << problems[0].message;
    ASSERT_EQ(rows.size(), 2U);
    EXPECT_EQ(rows[0].line, 4);
    EXPECT_EQ(rows[0].name, "Lobby, east");
    EXPECT_EQ(rows[0].port, "8080");
    EXPECT_EQ(rows[0].netmask, "255.255.255.0");
    EXPECT_EQ(rows[1].mac, "02:5A:25:00:00:02");
    EXPECT_EQ(rows[1].port, "80");
    EXPECT_EQ(rows[1].gateway, "192.168.1.1");
}

TEST(SetIpPlan, MalformedLinesAreNamedByLine)
{
    std::vector<PlanProblem> problems;
    ParseSetIpCsv("02:5A:25:00:00:01,192.168.1.50\n"
                  "02:5A:25:00:00:02\n"
                  "not-a-mac,192.168.1.52\n"
                  "02:5A:25:00:00:03,\"192.168.1.53\n"
                  "02:5A:25:00:00:04,1,2,3,4,5,6,7\n",
                  problems);
    ASSERT_EQ(problems.size(), 4U);
    EXPECT_EQ(problems[0].line, 2);
    EXPECT_EQ(problems[1].line, 3);
    EXPECT_NE(problems[1].message.find("not-a-mac"), std::string::npos);
    EXPECT_EQ(problems[2].line, 4);
    EXPECT_EQ(problems[3].line, 5);
}

TEST(SetIpPlan, RefusesWhatWouldBreakTheSiteBeforeAnythingIsSent)
{
    const std::vector<tagVtIpcInfo> cameras = {Camera(1, "192.168.1.10"), Camera(2, "192.168.1.11"),
                                               Camera(3, "192.168.1.12")};
    struct Case
    {
        const char* csv;
        int line;
        const char* words;
    };
    const Case cases[] = {
        {"02:5A:25:00:00:09,192.168.1.50\n", 1, "no such camera"},
        {"02:5A:25:00:00:01,192.168.1.50\n02:5A:25:00:00:02,192.168.1.50\n", 2, "planned twice"},
        {"02:5A:25:00:00:01,192.168.1.50\n02:5A:25:00:00:01,192.168.1.51\n", 2, "named twice"},
        {"02:5A:25:00:00:01,10.0.0.5\n", 1, "outside the subnet"},
        {"02:5A:25:00:00:01,192.168.1.12\n", 1, "already used by camera 02:5A:25:00:00:03"},
        {"02:5A:25:00:00:01,192.168.1.256\n", 1, "Invalid IP address"},
        {"02:5A:25:00:00:01,192.168.1.50,255.0.255.0x\n", 1, "Invalid Netmask"},
        {"02:5A:25:00:00:01,192.168.1.50,,,,70000\n", 1, "port"},
        {"02:5A:25:00:00:01,192.168.1.50,,,,,bad/name\n", 1, "Device name"},
        {"02:5A:25:00:00:01,192.168.1.50,,,,,semi;colon\n", 1, "device name not allowed"},
    };
    for (const Case& c : cases) {
        const auto problems = Check(c.csv, cameras);
        ASSERT_FALSE(problems.empty()) << c.csv;
        EXPECT_EQ(problems[0].line, c.line) << c.csv;
        EXPECT_NE(problems[0].message.find(c.words), std::string::npos)
            << c.csv << " -> " << problems[0].message;
    }
}

TEST(SetIpPlan, CamerasMayTradeAddressesWithinOnePlan)
{
    const std::vector<tagVtIpcInfo> cameras = {Camera(1, "192.168.1.10"), Camera(2, "192.168.1.11")};
    EXPECT_TRUE(Check("02:5A:25:00:00:01,192.168.1.11\n02:5A:25:00:00:02,192.168.1.10\n", cameras).empty());
    EXPECT_TRUE(SameSubnet("192.168.1.10", "192.168.1.254", "255.255.255.0"));
    EXPECT_FALSE(SameSubnet("192.168.1.10", "192.168.2.1", "255.255.255.0"));
    EXPECT_TRUE(SameSubnet("192.168.1.10", "192.168.2.1", "255.255.0.0"));
}
