// The window's site report: the menu command of the real program, offscreen
// in the lab's workstation namespace against vtcamsim, with the real file
// dialog answered as the operator would; the page's content is checked in
// depth by the terminal tool's lab test, which shares its core.
#include "Lab.h"
#include "MessageBox.h"
#include "OperationPanel.h"
#include "PageFactory.h"
#include "SearchDlg.h"
#include "SiteReportRun.h"
#include "SortListCtrl.h"
#include "WindowLab.h"
#include "ZendrixApp.h"
#include "ZendrixDlg.h"

#include <QLineEdit>
#include <QTreeWidget>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace {
const char* const kPassword = "rp5530";

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::size_t Count(const std::string& text, const std::string& what)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++count;
    }
    return count;
}

class SiteReportLab : public ::testing::Test
{
protected:
    void SetUp() override
    {
        LABKIT_REQUIRE_LAB();
        labkit::EnsureWindowApplication();
        const std::string config = ::testing::TempDir() + "report-window-" + std::to_string(getpid()) + ".json";
        std::ofstream(config) << R"({"cameras": [{"index": 1, "faults": ["unreachable"]}]})";
        std::string error;
        m_sim = labkit::LabEnvironment::Current()->StartCamSim(
            {"--count", "3", "--base-ip", "192.168.32.1", "--password", kPassword, "--config", config}, error);
        ASSERT_GT(m_sim, 0) << error;
        m_sandbox = std::make_unique<labkit::ProgramSandbox>();
        ASSERT_TRUE(m_sandbox->Valid());
        ZxSetMessageBoxHook([this](const QString& text, ZxButtons) {
            m_boxes << text;
            return ZxAnswer::No;
        });
        m_app = std::make_unique<CZendrixApp>(std::vector<std::string>{});
        m_app->InitInstance();
        m_app->basicMode = 0;
        MainWindowOptions options;
        options.addPages = AddZendrixPages;
        m_dlg = std::make_unique<CZendrixDlg>(*m_app, options);
        m_dlg->show();
        ASSERT_GE(m_dlg->AdapterCount(), 1);
        for (QLineEdit* box : m_dlg->findChildren<QLineEdit*>()) {
            if (CtrlId(box) == 1039) {
                box->setText(QStringLiteral("admin"));
            } else if (CtrlId(box) == 1029) {
                box->setText(QString::fromLatin1(kPassword));
            }
        }
        ASSERT_TRUE(labkit::WaitFor([this] { return m_dlg->NetworkPage()->List()->topLevelItemCount() == 3; }, 10000));
    }
    void TearDown() override
    {
        m_dlg.reset();
        m_app.reset();
        ZxSetMessageBoxHook({});
        m_sandbox.reset();
        if (m_sim > 0) {
            labkit::LabEnvironment::Current()->Stop(m_sim);
        }
    }

    // Picks the menu's report command and names path in the file dialog.
    void ReportInto(const QString& path)
    {
        labkit::AnswerNextFileDialog(path);
        ASSERT_TRUE(labkit::PickMenuItem(m_dlg->ShowHelpMenu(), LangQText(88309))) << "the menu offers the report";
    }

    pid_t m_sim = -1;
    std::unique_ptr<labkit::ProgramSandbox> m_sandbox;
    std::unique_ptr<CZendrixApp> m_app;
    std::unique_ptr<CZendrixDlg> m_dlg;
    QStringList m_boxes;
};

TEST_F(SiteReportLab, TheMenuCommandWritesTheListedCamerasIntoTheChosenFileAndTellsThePanel)
{
    const QString path = QString::fromStdString(::testing::TempDir()) + QStringLiteral("window-site-") +
                         QString::number(getpid()) + QStringLiteral(".html");
    QFile::remove(path);
    auto* run = m_dlg->findChild<SiteReportRun*>(QStringLiteral("siteReport"));
    ASSERT_NE(run, nullptr);
    ReportInto(path);
    ASSERT_TRUE(labkit::WaitFor([&] { return QFile::exists(path) && !run->Running(); }, 20000));
    const std::string page = ReadAll(path.toStdString());
    EXPECT_EQ(Count(page, "<section class=\"card\">"), 3U);
    EXPECT_EQ(Count(page, "data:image/jpeg;base64,"), 2U) << "the camera that does not answer has no picture";
    EXPECT_NE(page.find("Can not access device."), std::string::npos);
    EXPECT_EQ(page.find(kPassword), std::string::npos);
    EXPECT_LT(page.find("192.168.32.1<"), page.find("192.168.32.3<")) << "the list's order";
    const QStringList lines = labkit::ListLines(m_dlg->Panel());
    EXPECT_TRUE(lines.filter(QStringLiteral("Site report written: ") + path).size() == 1) << lines.join('\n').toStdString();
    EXPECT_TRUE(lines.filter(QStringLiteral("192.168.32.2 Can not access device.")).size() == 1);

    // An existing file is replaced only when the operator says so.
    std::ofstream(path.toStdString()) << "kept";
    ReportInto(path);
    ASSERT_TRUE(labkit::WaitFor([&] { return m_boxes.size() == 1; }, 5000));
    EXPECT_EQ(m_boxes.front(), LangQText(88315));
    QTest::qWait(500);
    EXPECT_FALSE(run->Running());
    EXPECT_EQ(ReadAll(path.toStdString()), "kept");
    QFile::remove(path);
}
} // namespace

int main(int argc, char** argv)
{
    return labkit::RunWindowLabTests(argc, argv);
}
