// The log page of the real program, offscreen in the lab's workstation
// namespace, against vtcamsim in the camera namespace: what the grid shows is
// compared row by row with SQL on the downloaded log, and every file the page
// fetches with what the camera serves to the device SDK directly.
#include "CustomDownloadDlg.h"
#include "Lab.h"
#include "LangTable.h"
#include "LangWidgets.h"
#include "LogDbFiles.h"
#include "LogDlg.h"
#include "LogRules.h"
#include "MessageBox.h"
#include "PageFactory.h"
#include "ProgramFolder.h"
#include "SortListCtrl.h"
#include "VtIpcSDK.h"
#include "WindowLab.h"
#include "ZendrixApp.h"
#include "ZendrixDlg.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeEdit>
#include <QToolButton>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <sqlite3.h>

namespace fs = std::filesystem;

namespace {
const char* const kACamera = "192.168.31.1";      // VT-C3190A
const char* const kPlainCamera = "192.168.31.2";  // VT-C2150: no files
const char* const kBrokenCamera = "192.168.31.3"; // VT-C3190A whose downloads break off
const char* const kPassword = "lg8812";

const char* const kConfig = R"({"cameras": [
  {"index": 0, "mac": "02:5a:31:00:00:01", "model": "VT-C3190A", "version": "31.2.0.10"},
  {"index": 1, "mac": "02:5a:31:00:00:02", "model": "VT-C2150"},
  {"index": 2, "mac": "02:5a:31:00:00:03", "model": "VT-C3190A", "faults": ["broken-download"]}
]})";

std::unique_ptr<QApplication> g_application;

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<fs::path> FilesIn(const fs::path& folder)
{
    std::vector<fs::path> files;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        files.push_back(entry.path());
    }
    return files;
}

// The grid's texts, one list per row.
std::vector<QStringList> GridRows(const CLogDlg* page)
{
    std::vector<QStringList> rows;
    for (int r = 0; r < page->Grid()->topLevelItemCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < 8; ++c) {
            cells << page->Grid()->topLevelItem(r)->text(c);
        }
        rows.push_back(cells);
    }
    return rows;
}

// The rows the page should show, straight from the file with SQL of our own.
std::vector<QStringList> ExpectedRows(const fs::path& file, const std::string& where, int page)
{
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    const std::string sql = "select time,main_type,sub_type,sub_param,user,ip,detail from log " + where +
                            " order by time desc, rowid desc limit 40 offset " +
                            std::to_string((page - 1) * 40);
    sqlite3_stmt* stmt = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr), SQLITE_OK) << sql;
    std::vector<QStringList> rows;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        const auto text = [stmt](int c) {
            return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, c)));
        };
        rows.push_back({QString::number((page - 1) * 40 + static_cast<int>(rows.size()) + 1),
                        QString::fromStdString(FormatLogTime(sqlite3_column_int(stmt, 0))),
                        QString::fromStdWString(TypeText(sqlite3_column_int(stmt, 1))),
                        QString::fromStdWString(TypeText(sqlite3_column_int(stmt, 2))),
                        QString::fromStdWString(TypeText(sqlite3_column_int(stmt, 3))), text(4), text(5),
                        text(6)});
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return rows;
}

int CountRows(const fs::path& file, const std::string& where)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, ("select count(*) from log " + where).c_str(), -1, &stmt, nullptr);
    const int count = sqlite3_step(stmt) == SQLITE_ROW ? sqlite3_column_int(stmt, 0) : -1;
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return count;
}

class LogDlgLab : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        if (labkit::LabEnvironment::Current() == nullptr) {
            return;
        }
        static int argc = 1;
        static char name[] = "log_page_lab_tests";
        static char* argv[] = {name, nullptr};
        g_application = std::make_unique<QApplication>(argc, argv);
        const std::string config = "/tmp/vtlog-lab-" + std::to_string(getpid()) + ".json";
        std::ofstream(config) << kConfig;
        std::string error;
        sim_ = labkit::LabEnvironment::Current()->StartCamSim(
            {"--count", "3", "--base-ip", kACamera, "--password", kPassword, "--config", config}, error);
        std::remove(config.c_str());
        simError_ = error;
    }
    static void TearDownTestSuite()
    {
        if (sim_ > 0) {
            labkit::LabEnvironment::Current()->Stop(sim_);
        }
    }

    void SetUp() override
    {
        LABKIT_REQUIRE_LAB();
        ASSERT_GT(sim_, 0) << simError_;
        m_sandbox = std::make_unique<labkit::ProgramSandbox>();
        ASSERT_TRUE(m_sandbox->Valid());
        m_root = m_sandbox->Path();
        ZxSetMessageBoxHook([this](const QString& text, ZxButtons) {
            m_boxes << text;
            // The success questions are answered No: nothing opens a folder.
            return ZxAnswer::No;
        });
        m_app = std::make_unique<CZendrixApp>(std::vector<std::string>{"vtlog"});
        m_app->InitInstance();
        m_app->basicMode = 0;
        ASSERT_GT(LangSelectByName(L"English"), 0) << "the type texts come from the language file";
        MainWindowOptions options;
        options.addPages = AddZendrixPages;
        m_dlg = std::make_unique<CZendrixDlg>(*m_app, options);
        m_dlg->show();
        ASSERT_GE(m_dlg->AdapterCount(), 1) << "the lab interface must be opened";
        for (QLineEdit* box : m_dlg->findChildren<QLineEdit*>()) {
            if (CtrlId(box) == 1039) {
                box->setText(QStringLiteral("admin"));
            } else if (CtrlId(box) == 1029) {
                box->setText(QString::fromLatin1(kPassword));
            }
        }
        m_page = m_dlg->findChild<CLogDlg*>();
        ASSERT_NE(m_page, nullptr);
        m_dlg->Sheet()->setCurrentWidget(m_page);
        ASSERT_TRUE(QTest::qWaitFor([this] { return m_page->List()->topLevelItemCount() == 3; }, 10000))
            << "cameras listed: " << m_page->List()->topLevelItemCount();
    }

    void TearDown() override
    {
        m_dlg.reset();
        m_app.reset();
        ZxSetMessageBoxHook({});
        m_sandbox.reset();
    }

    void SelectCamera(const char* ip)
    {
        for (int r = 0; r < m_page->List()->topLevelItemCount(); ++r) {
            QTreeWidgetItem* row = m_page->List()->topLevelItem(r);
            if (row->text(1) == QLatin1String(ip)) {
                m_page->List()->setCurrentItem(row);
                WaitIdle();
                return;
            }
        }
        ADD_FAILURE() << "no row for " << ip;
    }
    void WaitIdle()
    {
        ASSERT_TRUE(QTest::qWaitFor([this] { return !m_page->Busy(); }, 20000)) << "the page stayed busy";
    }
    void Press(QAbstractButton* button)
    {
        QTest::mouseClick(button, Qt::LeftButton);
        WaitIdle();
    }
    // What the camera serves, fetched with the SDK directly.
    std::string Served(const char* ip, const std::function<int(int handle, const char* path)>& download)
    {
        const int handle = Vt_Ipc_Login(ip, ip, 80, "admin", kPassword, 0);
        EXPECT_GE(handle, 0);
        const fs::path path = fs::path(m_root) / "served.bin";
        EXPECT_EQ(download(handle, path.c_str()), 0) << Vt_Sdk_GetLastError();
        std::string bytes = ReadAll(path);
        fs::remove(path);
        return bytes;
    }
    void ExpectGrid(const fs::path& file, const std::string& where, int page)
    {
        const int count = CountRows(file, where);
        ASSERT_GT(count, 0) << where;
        EXPECT_EQ(m_page->PageLabel()->text(), QStringLiteral("%1/%2").arg(page).arg(PageCount(count, 40)));
        const std::vector<QStringList> shown = GridRows(m_page);
        const std::vector<QStringList> expected = ExpectedRows(file, where, page);
        ASSERT_EQ(shown.size(), expected.size()) << where << " page " << page;
        for (std::size_t r = 0; r < shown.size(); ++r) {
            EXPECT_EQ(shown[r], expected[r]) << where << " page " << page << " row " << r << ": "
                                             << shown[r].join(QLatin1Char('|')).toStdString() << " vs "
                                             << expected[r].join(QLatin1Char('|')).toStdString();
        }
    }
    static pid_t sim_;
    static std::string simError_;
    std::unique_ptr<labkit::ProgramSandbox> m_sandbox;
    std::string m_root;
    std::unique_ptr<CZendrixApp> m_app;
    std::unique_ptr<CZendrixDlg> m_dlg;
    CLogDlg* m_page = nullptr;
    QStringList m_boxes;
};
pid_t LogDlgLab::sim_ = -1;
std::string LogDlgLab::simError_;

TEST_F(LogDlgLab, TheGridShowsTheCamerasLogPageByPageAndFilteredAsSqlReadsIt)
{
    SelectCamera(kACamera);
    EXPECT_TRUE(m_boxes.isEmpty()) << m_boxes.join(QLatin1Char('\n')).toStdString();
    const fs::path cache = fs::path(m_root) / "TempFiles" / "025A31000001_Log.db";
    ASSERT_TRUE(fs::is_regular_file(cache));
    EXPECT_EQ(m_page->Grid()->topLevelItemCount(), 40);

    // The saved copy is the camera's file byte for byte; the grid is compared with it.
    Press(m_page->DownloadButton());
    ASSERT_EQ(m_boxes, QStringList({"Download log file successfully. Open path?"}));
    const std::vector<fs::path> saved = FilesIn(fs::path(m_root) / "LogFiles");
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_TRUE(saved[0].filename().string().starts_with(std::string(kACamera) + "_"));
    EXPECT_TRUE(saved[0].filename().string().ends_with("_Log.db"));
    EXPECT_TRUE(ReadAll(saved[0]) == Served(kACamera, Vt_Ipc_DownloadLog)) << "the saved log differs";
    const fs::path log = saved[0];

    ExpectGrid(log, "", 1);
    // The camera's long details, in other scripts too, show whole.
    const std::vector<QStringList> firstPage = GridRows(m_page);
    EXPECT_TRUE(std::any_of(firstPage.begin(), firstPage.end(), [](const QStringList& row) {
        return row.at(7).size() > 64 && row.at(7).toUtf8().size() > row.at(7).size() + 64;
    })) << "no long detail of many-byte characters on the first page";
    Press(m_page->NextButton());
    ExpectGrid(log, "", 2);
    const int last = m_page->TotalPages();
    ASSERT_GT(last, 3);
    m_page->PageBox()->setText(QStringLiteral(" %1 ").arg(last));
    Press(m_page->GoButton());
    ExpectGrid(log, "", last);
    Press(m_page->PreviousButton());
    ExpectGrid(log, "", last - 1);
    for (const QString& ignored :
         {QStringLiteral("0"), QStringLiteral("-2"), QStringLiteral("x"), QString::number(last + 1)}) {
        m_page->PageBox()->setText(ignored);
        Press(m_page->GoButton());
        EXPECT_EQ(m_page->CurrentPage(), last - 1) << ignored.toStdString();
    }

    // By main type: all its sub types.
    m_page->StartDate()->setDate(QDate(2000, 1, 1));
    m_page->MainTypeBox()->setCurrentIndex(1);
    Press(m_page->QueryButton());
    const QDateTime end(m_page->EndDate()->date(), m_page->EndTime()->time());
    const std::string range =
        " and time>=" + std::to_string(QDateTime(QDate(2000, 1, 1), QTime(0, 0)).toSecsSinceEpoch()) +
        " and time<" + std::to_string(end.toSecsSinceEpoch());
    ExpectGrid(log, "where main_type=1" + range, 1);
    Press(m_page->NextButton());
    ExpectGrid(log, "where main_type=1" + range, 2);
    // By main and sub type: operation, third entry (code 102).
    m_page->MainTypeBox()->setCurrentIndex(2);
    m_page->SubTypeBox()->setCurrentIndex(3);
    Press(m_page->QueryButton());
    ExpectGrid(log, "where main_type=2 and sub_type=102" + range, 1);
    // By time alone: the middle of the log's thirty days, to the second.
    const QDateTime from = QDateTime::currentDateTime().addDays(-20);
    const QDateTime to = QDateTime::currentDateTime().addDays(-9).addSecs(-3601);
    m_page->MainTypeBox()->setCurrentIndex(0);
    m_page->StartDate()->setDate(from.date());
    m_page->StartTime()->setTime(from.time());
    m_page->EndDate()->setDate(to.date());
    m_page->EndTime()->setTime(to.time());
    Press(m_page->QueryButton());
    const std::string window =
        "where time>=" +
        std::to_string(
            QDateTime(from.date(), QTime(from.time().hour(), from.time().minute(), from.time().second()))
                .toSecsSinceEpoch()) +
        " and time<" +
        std::to_string(QDateTime(to.date(), QTime(to.time().hour(), to.time().minute(), to.time().second()))
                           .toSecsSinceEpoch());
    ExpectGrid(log, window, 1);
    Press(m_page->NextButton());
    ExpectGrid(log, window, 2);
    // Show Log fetches the log again and shows it whole, unfiltered; the
    // window goes on while the camera is asked.
    QTest::mouseClick(m_page->ShowButton(), Qt::LeftButton);
    EXPECT_TRUE(m_page->Busy());
    EXPECT_FALSE(m_page->ShowButton()->isEnabled());
    EXPECT_FALSE(m_page->List()->isEnabled());
    WaitIdle();
    EXPECT_TRUE(m_page->ShowButton()->isEnabled());
    ExpectGrid(log, "", 1);
    EXPECT_EQ(m_boxes.size(), 1);
}

TEST_F(LogDlgLab, ACacheThatIsNoPlainLogShowsNothingAndTheWindowGoesOn)
{
    SelectCamera(kACamera);
    ASSERT_EQ(m_page->Grid()->topLevelItemCount(), 40);
    // Something put a log in the cache whose every page read would make
    // forty texts of 20 MB.
    const fs::path cache = fs::path(m_root) / "TempFiles" / "025A31000001_Log.db";
    fs::remove(cache);
    CreateGeneratedDetailLog(cache.string(), 60, 20000000);
    QTest::mouseClick(m_page->NextButton(), Qt::LeftButton);
    EXPECT_TRUE(m_page->Busy()) << "the page is read off the window's thread";
    WaitIdle();
    EXPECT_EQ(m_page->Grid()->topLevelItemCount(), 0);
    EXPECT_EQ(m_page->PageLabel()->text(), QStringLiteral("0/0"));
    // Show Log puts the camera's own log in its place.
    Press(m_page->ShowButton());
    EXPECT_EQ(m_page->Grid()->topLevelItemCount(), 40);
    EXPECT_TRUE(m_boxes.isEmpty()) << m_boxes.join(QLatin1Char('\n')).toStdString();
}

TEST_F(LogDlgLab, ConfigurationAndCustomFilesArriveWholeUnderTheirNames)
{
    SelectCamera(kACamera);
    Press(m_page->ExportButton());
    ASSERT_EQ(m_boxes, QStringList({"Export configuration file successfully. Open path?"}));
    const std::vector<fs::path> configs = FilesIn(fs::path(m_root) / "ConfigFiles");
    ASSERT_EQ(configs.size(), 1u);
    EXPECT_TRUE(configs[0].filename().string().ends_with("_Config.txt"));
    const std::string config = ReadAll(configs[0]);
    EXPECT_EQ(config, Served(kACamera, Vt_Ipc_DownloadCfg));
    EXPECT_NE(config.find("model=VT-C3190A\r\n"), std::string::npos);

    // The dialog remembers the last choice; names are cut after their last separator.
    struct Fetch
    {
        int kind;
        std::string name;
        std::string localEnd;
    };
    Fetch fetch{};
    Fetch previous{0, "", ""};
    m_page->SetCustomDialogHook([&](CCustomDownloadDlg& dialog) {
        // The dialog opens with the choice made last time.
        EXPECT_EQ(dialog.NameBox()->text().toStdString(), previous.name);
        EXPECT_EQ(dialog.KindBox()->currentIndex(), previous.kind);
        previous = fetch;
        dialog.KindBox()->setCurrentIndex(fetch.kind);
        dialog.NameBox()->setText(QString::fromStdString(fetch.name));
        dialog.accept();
        return dialog.result() == QDialog::Accepted;
    });
    const fs::path custom = fs::path(m_root) / "CustomDownloadFiles";
    for (const Fetch& f :
         {Fetch{1, "version.txt", "_version.txt"}, Fetch{0, "record/clip_0001.avi", "_clip_0001.avi"},
          Fetch{0, "snapshot/snap_0001.jpg", "_snap_0001.jpg"}}) {
        fetch = f;
        m_boxes.clear();
        for (const fs::path& old : FilesIn(custom)) {
            fs::remove(old);
        }
        Press(m_page->CustomButton());
        EXPECT_EQ(m_boxes, QStringList({"Custom download successfully. Open path?"})) << f.name;
        const std::vector<fs::path> files = FilesIn(custom);
        ASSERT_EQ(files.size(), 1u) << f.name;
        EXPECT_TRUE(files[0].filename().string().ends_with(f.localEnd)) << files[0];
        EXPECT_TRUE(ReadAll(files[0]) == Served(kACamera,
                                                [&](int handle, const char* path) {
                                                    return Vt_Ipc_DownloadCustom(handle, path, f.kind,
                                                                                 f.name.c_str());
                                                }))
            << f.name;
    }
    // Names that would leave the folder are no files of the camera: nothing
    // is written anywhere.
    for (const char* hostile : {"../../version.txt", "/etc/passwd"}) {
        fetch = {1, hostile, ""};
        m_boxes.clear();
        Press(m_page->CustomButton());
        EXPECT_EQ(m_boxes, QStringList({"Custom download failed!"})) << hostile;
    }
    EXPECT_EQ(FilesIn(custom).size(), 1u);
    EXPECT_FALSE(fs::exists(fs::path(m_root) / "version.txt"));
}

TEST_F(LogDlgLab, CamerasWithoutFilesAndBrokenDownloadsGetTheirMessagesAndNoFile)
{
    SelectCamera(kPlainCamera);
    EXPECT_TRUE(m_boxes.isEmpty()) << "a camera without a log shows nothing";
    EXPECT_EQ(m_page->Grid()->topLevelItemCount(), 0);
    EXPECT_EQ(m_page->PageLabel()->text(), QStringLiteral("0/0"));
    Press(m_page->DownloadButton());
    Press(m_page->ExportButton());
    Press(m_page->CustomButton());
    EXPECT_EQ(m_boxes, QStringList(3, QStringLiteral("TI camera don't support this operation yet!")));

    // A whole log of another camera sits in the broken camera's cache: the
    // failed refresh leaves it as it was and writes nothing beside it.
    SelectCamera(kACamera);
    const fs::path temp = fs::path(m_root) / "TempFiles";
    const fs::path brokenCache = temp / "025A31000003_Log.db";
    fs::copy_file(temp / "025A31000001_Log.db", brokenCache);
    const std::string before = ReadAll(brokenCache);
    m_boxes.clear();
    SelectCamera(kBrokenCamera);
    EXPECT_TRUE(m_boxes.isEmpty());
    EXPECT_EQ(m_page->Grid()->topLevelItemCount(), 40) << "the cache is shown";
    Press(m_page->ShowButton());
    EXPECT_EQ(m_boxes, QStringList({"Refresh log failed."}));
    EXPECT_TRUE(ReadAll(brokenCache) == before) << "the cache was touched";
    fs::remove(brokenCache);

    // Without a cache the selection tries the download, which breaks off.
    m_boxes.clear();
    SelectCamera(kACamera);
    SelectCamera(kBrokenCamera);
    EXPECT_EQ(m_boxes, QStringList({"Refresh log failed."}));
    EXPECT_EQ(m_page->PageLabel()->text(), QStringLiteral("0/0"));
    Press(m_page->DownloadButton());
    Press(m_page->ExportButton());
    m_page->SetCustomDialogHook([](CCustomDownloadDlg& dialog) {
        dialog.NameBox()->setText(QStringLiteral("version.txt"));
        dialog.KindBox()->setCurrentIndex(1);
        dialog.accept();
        return true;
    });
    Press(m_page->CustomButton());
    EXPECT_EQ(m_boxes, QStringList({"Refresh log failed.", "Download log file failed!",
                                    "Export configuration file failed!", "Custom download failed!"}));
    // Nothing of the broken camera anywhere: no cache, no staging copy, no partial file.
    for (const char* folder : {"TempFiles", "LogFiles", "ConfigFiles", "CustomDownloadFiles"}) {
        for (const fs::path& file : FilesIn(fs::path(m_root) / folder)) {
            EXPECT_EQ(file.filename().string().find("025A31000003"), std::string::npos) << file;
            EXPECT_EQ(file.filename().string().find(kBrokenCamera), std::string::npos) << file;
        }
    }
}
} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::testing::AddGlobalTestEnvironment(new labkit::LabEnvironment);
    const int result = RUN_ALL_TESTS();
    g_application.reset();
    return result;
}
