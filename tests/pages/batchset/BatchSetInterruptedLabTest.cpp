// A batch of the batch set page disturbed while it runs: Save pressed again,
// the language and the tab switched, the cameras gone, the window closed.
#include "BatchSetLabFixture.h"

#include <QComboBox>
#include <QDir>
#include <QFile>

namespace {

// A hurried user on slow cameras: Save pressed again, the language and the
// tab switched while the batch runs. One line per camera, no second batch,
// and the window is usable afterwards.
TEST_F(BatchSetLab, SaveAgainLanguageAndTabSwitchesDuringABatchAddNothingToIt)
{
    StartCameras({"--count", "3", "--base-ip", "192.168.25.10", "--fault", "slow-http", "--slow-ms", "400"});
    const QDir shipped(QString::fromStdString(PlatformExecutableFolder()) + QStringLiteral("/Lang"));
    ASSERT_TRUE(QDir(m_folder.path()).mkpath(QStringLiteral("Lang")));
    for (const QString& name : shipped.entryList({QStringLiteral("*.lng")}, QDir::Files)) {
        QFile::copy(shipped.filePath(name), m_folder.filePath(QStringLiteral("Lang/") + name));
    }
    StartProgram(3);
    TickRows(3);
    ById<QComboBox>(System(), 1048)->setCurrentIndex(107);
    ById<QLineEdit>(System(), 1018)->setText(QString());
    PressSave();
    PressSave();
    ASSERT_TRUE(m_page->Runner().Running());
    ASSERT_NE(LangSelectByName(L"\u7B80\u4F53\u4E2D\u6587"), 0);
    m_dlg->Relabel();
    m_dlg->Sheet()->setCurrentIndex(2);
    QTest::qWait(100);
    m_dlg->Sheet()->setCurrentWidget(m_page);
    PressSave();
    ASSERT_NE(LangSelectByName(L"English"), 0);
    m_dlg->Relabel();
    ASSERT_TRUE(WaitFor([&] { return BatchDone(); }, 30000));
    EXPECT_EQ(LinesWith(QStringLiteral(" 192.168.25.1")).size(), 3) << Lines().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(m_boxes.isEmpty()) << m_boxes.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(ById<QPushButton>(m_page, 1043)->text(), QStringLiteral("Save Parameters"));
}

// The cameras go away in the middle of a batch: each camera still gets its
// line, the batch ends and Save can be pressed again.
TEST_F(BatchSetLab, CamerasVanishingMidBatchEachGetALineAndTheBatchEnds)
{
    StartCameras({"--count", "4", "--base-ip", "192.168.26.10", "--fault", "slow-http", "--slow-ms", "300"});
    StartProgram(4);
    TickRows(4);
    ById<QComboBox>(System(), 1048)->setCurrentIndex(107);
    PressSave();
    ASSERT_TRUE(WaitFor([&] { return !Lines().isEmpty(); }, 15000));
    labkit::LabEnvironment::Current()->Stop(m_sim);
    m_sim = -1;
    ASSERT_TRUE(WaitFor([&] { return BatchDone(); }, 120000)) << Lines().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(LinesWith(QStringLiteral(" 192.168.26.1")).size(), 4) << Lines().join(QLatin1Char('\n')).toStdString();
}

// Closing the window while a batch waits on slow cameras neither crashes
// nor hangs; the workers are joined before the page goes.
TEST_F(BatchSetLab, ClosingTheWindowDuringABatchEndsIt)
{
    StartCameras({"--count", "3", "--base-ip", "192.168.27.10", "--fault", "slow-http", "--slow-ms", "800"});
    StartProgram(3);
    TickRows(3);
    PressSave();
    ASSERT_TRUE(m_page->Runner().Running());
    m_dlg->close();
    m_dlg.reset();
    m_page = nullptr;
    EXPECT_TRUE(ReadDate("192.168.27.10", *std::make_unique<SystemDateRecord>()))
        << "the cameras answer after the window went";
}

} // namespace
