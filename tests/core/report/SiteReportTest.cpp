// The site report: cards read over the real SDK from cameras of the
// simulator served on 127.0.0.1, one of them gone, and the page written
// from them.
#include "ReportHtml.h"
#include "SiteReport.h"

#include "CameraHttpService.h"
#include "CameraSettings.h"
#include "LiveCamera.h"
#include "VtIpcSDK.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace {

constexpr const char* kPassword = "Pw-4817q";

std::shared_ptr<camsim::LiveCamera> MakeCamera(uint8_t last, const std::string& name)
{
    auto camera = std::make_shared<camsim::LiveCamera>();
    camera->sim.ip = "127.0.0.1";
    camera->sim.port = 0;
    camera->sim.mac = {0x00, 0x30, 0x4F, 0x12, 0x34, last};
    camera->sim.model = "VT-C3190";
    camera->sim.name = name;
    camera->sim.password = kPassword;
    camera->settings = camsim::FactorySettings(camera->sim.model, 0, camera->MacText());
    camera->settings.primary.frameSize = 6; // D1 keeps the pictures small
    return camera;
}

ReportCamera Entry(const camsim::LiveCamera& camera)
{
    ReportCamera entry;
    std::lock_guard lock(camera.mutex);
    std::memcpy(entry.info.mac, camera.sim.mac.data(), camera.sim.mac.size());
    std::snprintf(entry.info.ip, sizeof entry.info.ip, "%s", camera.sim.ip.c_str());
    entry.info.port = camera.sim.port;
    std::snprintf(entry.info.model, sizeof entry.info.model, "%s", camera.sim.model.c_str());
    std::snprintf(entry.info.devName, sizeof entry.info.devName, "%s", camera.sim.name.c_str());
    return entry;
}

std::string ReadAll(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

class SiteReportTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_EQ(Vt_Sdk_Init(), 0); }
    void TearDown() override
    {
        m_service.StopAll();
        Vt_Sdk_Destroy();
    }
    camsim::CameraHttpService m_service{4};
};

TEST_F(SiteReportTest, EveryCameraGetsItsCardInOrderAndTheGoneOneItsReasonButNeverThePassword)
{
    const auto hostile = MakeCamera(1, "<script>alert(1)</script>");
    const auto gone = MakeCamera(2, "Gate");
    const auto plain = MakeCamera(3, "Hall & Stairs");
    for (const auto& camera : {hostile, gone, plain}) {
        ASSERT_TRUE(m_service.Start(camera));
    }
    const std::vector<ReportCamera> cameras = {Entry(*hostile), Entry(*gone), Entry(*plain)};
    m_service.Stop(gone);

    SiteReport report(2);
    std::vector<std::size_t> progress;
    const std::vector<CameraCard> cards =
        report.Gather(cameras, {"admin", kPassword},
                      [&](std::size_t done, std::size_t total, const std::vector<PanelLine>&) {
                          EXPECT_EQ(total, 3u);
                          progress.push_back(done);
                      });
    EXPECT_EQ(progress, (std::vector<std::size_t>{1, 2, 3}));
    ASSERT_EQ(cards.size(), 3u);
    EXPECT_EQ(cards[0].name, "<script>alert(1)</script>");
    EXPECT_EQ(cards[2].name, "Hall & Stairs");
    for (const std::size_t read : {0u, 2u}) {
        EXPECT_TRUE(cards[read].reason.empty()) << cards[read].reason;
        EXPECT_EQ(cards[read].model, "VT-C3190");
        EXPECT_TRUE(cards[read].videoRead);
        EXPECT_EQ(cards[read].frameSize, "D1(704*576)");
        ASSERT_GT(cards[read].picture.size(), 2u);
        EXPECT_EQ(cards[read].picture[0], 0xFF); // a JPEG file's start of image
        EXPECT_EQ(cards[read].picture[1], 0xD8);
    }
    EXPECT_EQ(cards[1].mac, "00:30:4F:12:34:02");
    EXPECT_EQ(cards[1].reason, "Can not access device. Please check it's network settings.");
    EXPECT_TRUE(cards[1].picture.empty());

    const std::string html = ReportHtml(cards, "2026-12-08 04:00");
    EXPECT_EQ(html.find("<script"), std::string::npos) << "a camera's text became markup";
    EXPECT_NE(html.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
    EXPECT_NE(html.find("Hall &amp; Stairs"), std::string::npos);
    EXPECT_NE(html.find("Can not access device."), std::string::npos);
    EXPECT_NE(html.find("2026-12-08 04:00"), std::string::npos);
    EXPECT_EQ(html.find(kPassword), std::string::npos);
    EXPECT_LT(html.find("00:30:4F:12:34:01"), html.find("00:30:4F:12:34:02"));
    EXPECT_LT(html.find("00:30:4F:12:34:02"), html.find("00:30:4F:12:34:03"));
    std::size_t pictures = 0;
    for (std::size_t at = html.find("data:image/jpeg;base64,"); at != std::string::npos;
         at = html.find("data:image/jpeg;base64,", at + 1)) {
        ++pictures;
    }
    EXPECT_EQ(pictures, 2u);
}

TEST(ReportFile, WrittenWholeWhereAskedAndNowhereElse)
{
    const std::filesystem::path folder =
        std::filesystem::path(::testing::TempDir()) / ("site-report-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "site.html").string();
    {
        std::ofstream old(path);
        old << "old";
    }
    const std::string html = ReportHtml({}, "2026-12-08 04:00");
    ASSERT_TRUE(WriteReportFile(path, html));
    EXPECT_EQ(ReadAll(path), html);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1) << "no scratch file is left";

    EXPECT_FALSE(WriteReportFile((folder / "missing" / "site.html").string(), html));
    EXPECT_FALSE(WriteReportFile("", html));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);
    std::filesystem::remove_all(folder);
}

} // namespace
