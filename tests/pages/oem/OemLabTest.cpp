// The OEM page of the real program (offscreen, in the lab's workstation
// namespace) uploading to vtcamsim cameras in the camera namespace, over the
// device SDK; what the cameras received is read back and compared byte for
// byte with the files on this side.
#include "BatchRunner.h"
#include "DiskFull.h"
#include "Lab.h"
#include "LangWidgets.h"
#include "MessageBox.h"
#include "OemDlg.h"
#include "OemFile.h"
#include "OperationPanel.h"
#include "PageFactory.h"
#include "ProgramFolder.h"
#include "SortListCtrl.h"
#include "VtIpcSDK.h"
#include "WindowLab.h"
#include "ZendrixApp.h"
#include "ZendrixDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <numeric>
#include <sstream>
namespace {
using labkit::ById;
using labkit::WaitFor;

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

const char* kPassword = "qr7319";

class OemLab : public ::testing::Test
{
protected:
    void SetUp() override
    {
        LABKIT_REQUIRE_LAB();
        labkit::EnsureWindowApplication();
        ASSERT_TRUE(m_folder.isValid());
        m_path = m_folder.path().toStdString();
        ::setenv("XDG_CONFIG_HOME", m_path.c_str(), 1);
        PlatformSetProgramFolder(m_path);
        ZxSetMessageBoxHook([this](const QString& text, ZxButtons) {
            m_boxes << text;
            return ZxAnswer::Ok;
        });
        // Images as an installer would pick them: binary bytes with line ends
        // and zeros, a name with a blank, a name in Chinese.
        std::string logo;
        for (int i = 0; i < 70000; ++i) {
            logo += static_cast<char>((i * 131) & 0xFF);
        }
        logo += "\r\n\0end";
        m_images = {m_path + "/logo.bmp", m_path + "/my banner.jpg",
                    m_path + "/\xe6\xa0\x87\xe5\xbf\x97.png"};
        std::ofstream(m_images[0], std::ios::binary) << logo;
        std::ofstream(m_images[1], std::ios::binary) << std::string(4096, '\xff') << "jpeg";
        std::ofstream(m_images[2], std::ios::binary) << "\x89PNG\r\n\x1a\n" << std::string(300, '\0');
    }

    void TearDown() override
    {
        m_dlg.reset();
        m_app.reset();
        if (m_sim > 0) {
            labkit::LabEnvironment::Current()->Stop(m_sim);
        }
        ZxSetMessageBoxHook({});
        PlatformSetProgramFolder("");
        ::unsetenv("XDG_CONFIG_HOME");
    }

    // count cameras from base; the config gives single cameras their own
    // password or faults.
    void StartCameras(int count, const std::string& base, const std::string& config = {})
    {
        std::vector<std::string> args{"--count", std::to_string(count), "--base-ip", base, "--seed",
                                      "7",       "--password",          kPassword};
        if (!config.empty()) {
            const std::string file = m_path + "/cameras.json";
            std::ofstream(file) << config;
            args.insert(args.end(), {"--config", file});
        }
        std::string error;
        m_sim = labkit::LabEnvironment::Current()->StartCamSim(args, error);
        ASSERT_GT(m_sim, 0) << error;
    }

    void StartProgram(int cameras)
    {
        m_app = std::make_unique<CZendrixApp>(std::vector<std::string>{"vtoem"});
        m_app->InitInstance();
        m_app->basicMode = 0;
        MainWindowOptions options;
        options.addPages = AddZendrixPages;
        m_dlg = std::make_unique<CZendrixDlg>(*m_app, options);
        m_dlg->show();
        ASSERT_GE(m_dlg->AdapterCount(), 1) << "the lab interface must be opened";
        m_page = qobject_cast<COemDlg*>(m_dlg->Sheet()->widget(m_dlg->Sheet()->count() - 1));
        ASSERT_NE(m_page, nullptr);
        m_dlg->Sheet()->setCurrentWidget(m_page);
        ASSERT_TRUE(WaitFor([&] { return List()->topLevelItemCount() == cameras; }, 10000))
            << "cameras listed: " << List()->topLevelItemCount();
        ById<QLineEdit>(m_dlg.get(), 1039)->setText(QStringLiteral("admin"));
        ById<QLineEdit>(m_dlg.get(), 1029)->setText(QString::fromLatin1(kPassword));
    }

    QTreeWidget* List() const { return m_page->List(); }
    QStringList Lines() const
    {
        QStringList lines;
        for (int i = 0; i < m_dlg->Panel()->count(); ++i) {
            lines << m_dlg->Panel()->item(i)->text();
        }
        return lines;
    }
    QPushButton* UploadButton() const { return ById<QPushButton>(m_page, 1145); }

    void FillBoxes(const QString& company)
    {
        ById<QLineEdit>(m_page, 1146)->setText(company);
        ById<QLineEdit>(m_page, 1147)->setText(QStringLiteral("www.acme.example"));
        ById<QLineEdit>(m_page, 1149)->setText(QStringLiteral("AC-200"));
        QStringList list;
        for (const std::string& image : m_images) {
            list << QString::fromStdString(image);
        }
        ById<QLineEdit>(m_page, 1156)->setText(list.join(QLatin1Char('*')));
    }

    // What the camera at ip holds under name ("" when it holds nothing).
    std::string Held(const std::string& ip, const std::string& name, const char* password = kPassword)
    {
        const int handle = Vt_Ipc_Login(ip.c_str(), ip.c_str(), 80, "admin", password, 0);
        EXPECT_GE(handle, 0) << ip << " error " << Vt_Sdk_GetLastError();
        const std::string local = m_path + "/held";
        std::remove(local.c_str());
        if (Vt_Ipc_DownloadCustom(handle, local.c_str(), 1, ("oem/" + name).c_str()) != 0) {
            return {};
        }
        return ReadAll(local);
    }

    void ExpectCameraHoldsTheUpload(const std::string& ip)
    {
        EXPECT_EQ(Held(ip, "vtoem.cfg"), ReadAll(OemFilePath())) << ip;
        for (const std::string& image : m_images) {
            const std::string name = image.substr(image.rfind('/') + 1);
            const std::string held = Held(ip, name);
            EXPECT_EQ(held.size(), ReadAll(image).size()) << ip << " " << name;
            EXPECT_TRUE(held == ReadAll(image)) << ip << " " << name;
        }
    }

    QTemporaryDir m_folder;
    std::string m_path;
    std::vector<std::string> m_images;
    std::unique_ptr<CZendrixApp> m_app;
    std::unique_ptr<CZendrixDlg> m_dlg;
    COemDlg* m_page = nullptr;
    QStringList m_boxes;
    pid_t m_sim = -1;
};

TEST_F(OemLab, EachCameraGetsTheFilesOrOneLineSayingWhyNot)
{
    // The second camera has its own password, the third no web server.
    StartCameras(3, "192.168.150.10",
                 R"({"cameras":[{"index":1,"password":"other1"},{"index":2,"faults":["unreachable"]}]})");
    StartProgram(3);
    FillBoxes(QStringLiteral("Acme"));
    ById<QCheckBox>(m_page, 1020)->click();
    ASSERT_TRUE(UploadButton()->isEnabled());
    QTest::mouseClick(UploadButton(), Qt::LeftButton);
    EXPECT_TRUE(m_boxes.isEmpty()) << m_boxes.join(QLatin1Char('|')).toStdString();
    ASSERT_TRUE(WaitFor([&] { return !m_page->Runner().Running(); }, 30000));
    QTest::qWait(50);
    const QStringList lines = Lines();
    ASSERT_EQ(lines.size(), 3) << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral(" 192.168.150.10 Upload OEM files successfully.")))
        << lines[0].toStdString();
    EXPECT_TRUE(lines[1].endsWith(
        QStringLiteral(" 192.168.150.11 Upload OEM files failed. Username or password is incorrect.")))
        << lines[1].toStdString();
    EXPECT_TRUE(
        lines[2].endsWith(QStringLiteral(" 192.168.150.12 Upload OEM files failed. Can not access device.")))
        << lines[2].toStdString();
    for (const QString& line : lines) {
        EXPECT_TRUE(line.contains(
            QRegularExpression(QStringLiteral("\\] \\[02:5A(:[0-9A-F]{2}){4}\\] 192\\.168\\.150\\."))))
            << line.toStdString();
    }

    EXPECT_EQ(ReadAll(OemFilePath()),
              "[oemsec]\r\ncompany=Acme\r\nmanufacture=Acme\r\nwebsite=www.acme.example\r\n"
              "model=AC-200\r\nsoftversion=1\r\n");
    ExpectCameraHoldsTheUpload("192.168.150.10");
    EXPECT_EQ(Held("192.168.150.11", "vtoem.cfg", "other1"), "") << "the refused camera received nothing";
}

TEST_F(OemLab, AFileThatCannotBeWrittenSendsNothing)
{
    StartCameras(1, "192.168.151.10");
    StartProgram(1);
    FillBoxes(QStringLiteral("Acme"));
    List()->topLevelItem(0)->setCheckState(0, Qt::Checked);
    QTest::mouseClick(UploadButton(), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return !m_page->Runner().Running() && Lines().size() == 1; }, 20000));
    const std::string first = ReadAll(OemFilePath());
    ASSERT_EQ(Held("192.168.151.10", "vtoem.cfg"), first);

    // The disk is full now: the new branding cannot be written, and the file
    // of the upload before must not go out in its place.
    FillBoxes(QStringLiteral("Other Company"));
    {
        const DiskFull full(20);
        ASSERT_TRUE(full.Active());
        QTest::mouseClick(UploadButton(), Qt::LeftButton);
    }
    EXPECT_EQ(m_boxes,
              QStringList{QStringLiteral("Can not write the OEM file. Nothing has been uploaded.\n") +
                          QString::fromStdString(OemFilePath())});
    QTest::qWait(300);
    EXPECT_FALSE(m_page->Runner().Running());
    EXPECT_EQ(Lines().size(), 1);
    EXPECT_EQ(ReadAll(OemFilePath()), first);
    EXPECT_EQ(Held("192.168.151.10", "vtoem.cfg"), first);
}

TEST_F(OemLab, TwentyCamerasAtOnceWhileTheWindowKeepsAnswering)
{
    StartCameras(20, "192.168.152.10");
    StartProgram(20);
    FillBoxes(QStringLiteral("O Neil Optics"));
    ById<QCheckBox>(m_page, 1020)->click();
    auto* progress = m_page->findChild<QProgressBar*>();
    ASSERT_NE(progress, nullptr);
    std::vector<int> seen;
    QObject::connect(&m_page->Runner(), &BatchRunner::progress, [&](int done, int) { seen.push_back(done); });

    QTest::mouseClick(UploadButton(), Qt::LeftButton);
    // The click returned with the batch under way: the work is off this thread.
    EXPECT_TRUE(m_page->Runner().Running());
    EXPECT_FALSE(UploadButton()->isEnabled());
    EXPECT_TRUE(progress->isVisible());
    ASSERT_TRUE(WaitFor([&] { return !m_page->Runner().Running(); }, 60000));
    std::vector<int> expected(20);
    std::iota(expected.begin(), expected.end(), 1);
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(progress->text(), QStringLiteral("20/20"));
    EXPECT_TRUE(UploadButton()->isEnabled());
    const QStringList lines = Lines();
    ASSERT_EQ(lines.size(), 20) << lines.join(QLatin1Char('\n')).toStdString();
    for (int i = 0; i < 20; ++i) {
        EXPECT_TRUE(
            lines[i].endsWith(QStringLiteral(" 192.168.152.%1 Upload OEM files successfully.").arg(10 + i)))
            << lines[i].toStdString();
    }
    for (int i = 0; i < 20; ++i) {
        ExpectCameraHoldsTheUpload("192.168.152." + std::to_string(10 + i));
    }
}
} // namespace

int main(int argc, char** argv)
{
    return labkit::RunWindowLabTests(argc, argv);
}
