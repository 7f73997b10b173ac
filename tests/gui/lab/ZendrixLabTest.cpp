// The real program logic in the lab's workstation namespace (offscreen)
// against vtcamsim in the camera namespace, over real raw frames.
#include "Lab.h"
#include "LangTable.h"
#include "LangWidgets.h"
#include "MessageBox.h"
#include "OperationPanel.h"
#include "ProgramFolder.h"
#include "SearchDlg.h"
#include "SortListCtrl.h"
#include "WindowLab.h"
#include "ZendrixApp.h"
#include "ZendrixDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>

namespace {
using labkit::ById;
using labkit::WaitFor;

class ZendrixLab : public ::testing::Test
{
protected:
    void SetUp() override
    {
        LABKIT_REQUIRE_LAB();
        labkit::EnsureWindowApplication();
        ASSERT_TRUE(m_folder.isValid());
        ::setenv("XDG_CONFIG_HOME", m_folder.path().toLocal8Bit().constData(), 1);
        PlatformSetProgramFolder(m_folder.path().toStdString());
        ZxSetMessageBoxHook([this](const QString& text, ZxButtons buttons) {
            m_boxes << text;
            return buttons == ZxButtons::YesNo ? ZxAnswer::Yes : ZxAnswer::Ok;
        });
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

    void StartCameras(std::vector<std::string> args)
    {
        args.insert(args.end(), {"--seed", "11", "--password", "qr7319"});
        std::string error;
        m_sim = labkit::LabEnvironment::Current()->StartCamSim(args, error);
        ASSERT_GT(m_sim, 0) << error;
    }

    void StartProgram(int cameras)
    {
        m_app = std::make_unique<CZendrixApp>(std::vector<std::string>{});
        m_app->InitInstance();
        m_app->basicMode = 0;
        m_dlg = std::make_unique<CZendrixDlg>(*m_app);
        m_dlg->show();
        // The workstation namespace has the lab's link and a loopback device;
        // only the link has a hardware address, so only it is opened.
        ASSERT_EQ(m_dlg->AdapterCount(), 1) << "the lab interface alone must be opened";
        ASSERT_TRUE(WaitFor([&] { return List()->topLevelItemCount() == cameras; }, 10000))
            << "cameras listed: " << List()->topLevelItemCount();
    }

    QTreeWidget* List() const { return m_dlg->NetworkPage()->List(); }
    QStringList Lines() const { return labkit::ListLines(m_dlg->Panel()); }
    int LinesContaining(const QString& text) const { return static_cast<int>(Lines().filter(text).size()); }
    QStringList Column(int column) const
    {
        QStringList texts;
        for (int i = 0; i < List()->topLevelItemCount(); ++i) {
            texts << List()->topLevelItem(i)->text(column);
        }
        return texts;
    }
    void ClickRow(int row)
    {
        const QRect cell = List()->visualRect(List()->model()->index(row, 4));
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, cell.center());
    }
    void PressModify() { QTest::mouseClick(ById<QPushButton>(m_dlg->NetworkPage(), 1015), Qt::LeftButton); }

    QTemporaryDir m_folder;
    std::unique_ptr<CZendrixApp> m_app;
    std::unique_ptr<CZendrixDlg> m_dlg;
    QStringList m_boxes;
    pid_t m_sim = -1;
};

TEST_F(ZendrixLab, SingleAndSequentialModifiesChangeTheCameras)
{
    StartCameras({"--count", "4", "--base-ip", "10.20.0.10"});
    StartProgram(4);
    EXPECT_EQ(Column(4), QStringList({"10.20.0.10", "10.20.0.11", "10.20.0.12", "10.20.0.13"}));

    ClickRow(0);
    auto* name = ById<QLineEdit>(m_dlg->NetworkPage(), 1018);
    name->setText(QStringLiteral("Lobby"));
    PressModify();
    ASSERT_TRUE(WaitFor([&] { return LinesContaining(QStringLiteral("successfully.")) == 1; }, 5000));
    const QString single = Lines().filter(QStringLiteral("successfully.")).front();
    EXPECT_TRUE(single.contains(QStringLiteral("Modify Device Name:")));
    EXPECT_TRUE(single.endsWith(QStringLiteral("->Lobby successfully.")));
    EXPECT_TRUE(WaitFor([&] { return List()->topLevelItem(0)->text(2) == QStringLiteral("Lobby"); }, 2000));

    for (int row = 1; row < 4; ++row) {
        List()->topLevelItem(row)->setCheckState(0, Qt::Checked);
    }
    ASSERT_TRUE(m_dlg->NetworkPage()->IsMultiMode());
    auto* ip = ById<QLineEdit>(m_dlg->NetworkPage(), 1010);
    ip->setText(QStringLiteral("10.20.0.253"));
    PressModify();
    EXPECT_EQ(m_boxes, QStringList({QStringLiteral("Are you sure to modify the selected devices?")}));
    ASSERT_TRUE(WaitFor([&] { return LinesContaining(QStringLiteral("successfully.")) == 4; }, 5000))
        << Lines().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(LinesContaining(QStringLiteral("IP:10.20.0.11->10.20.0.253")), 1);
    EXPECT_EQ(LinesContaining(QStringLiteral("IP:10.20.0.12->10.20.0.254")), 1);
    EXPECT_EQ(LinesContaining(QStringLiteral("IP:10.20.0.13->10.20.0.1")), 1);

    // The simulator itself now answers with the new identities.
    QTest::mouseClick(ById<QWidget>(m_dlg.get(), 1162), Qt::LeftButton);
    ASSERT_TRUE(WaitFor(
        [&] {
            QStringList ips = Column(4);
            ips.sort();
            return ips == QStringList({"10.20.0.1", "10.20.0.10", "10.20.0.253", "10.20.0.254"});
        },
        5000))
        << Column(4).join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(List()->topLevelItemCount(), 4);
}

TEST_F(ZendrixLab, RefusedAndUnansweredModifiesWriteTheFailureLine)
{
    const QString failure = QStringLiteral("failed. Username or password is incorrect.");
    StartCameras({"--count", "1", "--base-ip", "10.20.1.10"});
    StartProgram(1);
    ById<QLineEdit>(m_dlg.get(), 1029)->setText(QStringLiteral("wrong"));
    ClickRow(0);
    ById<QLineEdit>(m_dlg->NetworkPage(), 1010)->setText(QStringLiteral("10.20.1.77"));
    PressModify();
    ASSERT_TRUE(WaitFor([&] { return LinesContaining(failure) == 1; }, 5000));
    EXPECT_EQ(List()->topLevelItem(0)->text(4), QStringLiteral("10.20.1.10")) << "the camera refused";

    // A camera that never answers the change: the line comes from the 15 s sweep.
    m_dlg.reset();
    m_app.reset();
    labkit::LabEnvironment::Current()->Stop(m_sim);
    m_sim = -1;
    StartCameras({"--count", "1", "--base-ip", "10.20.1.20", "--fault", "lost-modify"});
    StartProgram(1);
    ClickRow(0);
    ById<QLineEdit>(m_dlg->NetworkPage(), 1010)->setText(QStringLiteral("10.20.1.78"));
    QElapsedTimer sent;
    PressModify();
    sent.start();
    ASSERT_TRUE(WaitFor([&] { return LinesContaining(failure) >= 1; }, 20000));
    EXPECT_GE(sent.elapsed(), 14500);
    EXPECT_LE(sent.elapsed(), 17500);
    EXPECT_TRUE(Lines().filter(failure).front().contains(QStringLiteral("[")));
}

TEST_F(ZendrixLab, SilentCameraLeavesTheListsAsTheTableTimesIt)
{
    StartCameras({"--count", "2", "--base-ip", "10.20.2.10"});
    StartProgram(2);
    QElapsedTimer silence;
    silence.start();
    labkit::LabEnvironment::Current()->Stop(m_sim);
    m_sim = -1;
    // Gone once silent for 64 s, at the next thirty-second check: 64 to 94 s.
    ASSERT_TRUE(WaitFor([&] { return List()->topLevelItemCount() == 0; }, 100000));
    EXPECT_GE(silence.elapsed(), 63000);
    EXPECT_EQ(m_dlg->BasicWindow()->List()->topLevelItemCount(), 0);
    EXPECT_EQ(m_dlg->Table().Count(), 0u);
}
} // namespace

int main(int argc, char** argv)
{
    return labkit::RunWindowLabTests(argc, argv);
}
