// The preview page against a slow simulated camera: its reads and its play
// start wait on a worker while the window serves events, a later click
// supersedes them, and switching tabs or closing during them ends cleanly.
#include "PreviewLabFixture.h"

#include "Camera.h"
#include "CameraLoader.h"
#include "LangTable.h"
#include "MessageBox.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTimer>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace {

using previewlab::MeanLuma;
using previewlab::Session;
using previewlab::TestLogin;
using previewlab::WaitFor;

// Sets a camera's brightness, which its slider shows as value * 100 / 255.
void SetBrightness(const char* ip, int brightness)
{
    ImagingSettingsRecord picture = Picture(ip);
    picture.brightness = brightness;
    ASSERT_EQ(Vt_Ipc_SetImagingSettings(TestLogin(ip), &picture), 0) << ip;
}

// A slow camera is read on a worker: right after the click the page shows it
// is loading, its buttons wait, and timers and typing are served while the
// reads go on; the values arrive afterwards. Play on it starts the same way.
TEST_F(PreviewLab, ASlowCameraLoadsAndPlaysWhileTheWindowServesEvents)
{
    SetBrightness(kSlowCamera, 204); // slider 80
    QSlider* brightness = Page().Slider(PictureValue::Brightness);
    auto* search = m_session->Edit(1160);
    ASSERT_NE(search, nullptr);
    QStringList events;
    QObject::connect(&Page().Loader(), &CameraLoader::loadingChanged, &Page(), [&](bool loading) {
        if (!loading) {
            events << QStringLiteral("loaded %1 %2").arg(brightness->value()).arg(Page().IsPlaying());
        }
    });
    QObject::connect(search, &QLineEdit::textEdited, &Page(),
                     [&](const QString& text) { events << QStringLiteral("typed %1").arg(text); });

    ASSERT_TRUE(m_session->Click(QString::fromLatin1(kSlowCamera)));
    ASSERT_TRUE(Page().Loading()) << "the click returned before the camera answered";
    EXPECT_FALSE(Page().PlayButton()->isEnabled()) << "nothing plays a camera half loaded";
    EXPECT_FALSE(Page().SaveButton()->isEnabled());
    EXPECT_FALSE(Page().DefaultButton()->isEnabled());
    EXPECT_FALSE(brightness->isEnabled());
    EXPECT_EQ(Page().cursor().shape(), Qt::BusyCursor);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the rest of the window keeps its cursor";
    QTimer::singleShot(0, &Page(), [&] { events << QStringLiteral("timer 0"); });
    QTimer::singleShot(50, &Page(), [&] {
        events << QStringLiteral("timer 50");
        search->setFocus();
        QCoreApplication::postEvent(search, new QKeyEvent(QEvent::KeyPress, Qt::Key_1, Qt::NoModifier, "1"));
    });
    QTest::mouseClick(Page().PlayButton(), Qt::LeftButton); // disabled: nothing
    ASSERT_TRUE(m_session->Settled());
    EXPECT_EQ(events, QStringList({QStringLiteral("timer 0"), QStringLiteral("timer 50"), QStringLiteral("typed 1"),
                                   QStringLiteral("loaded 80 0")}));
    EXPECT_TRUE(Page().HeldCamera());
    EXPECT_TRUE(Page().PlayButton()->isEnabled());
    EXPECT_TRUE(brightness->isEnabled());
    EXPECT_FALSE(Page().testAttribute(Qt::WA_SetCursor));
    EXPECT_EQ(m_session->LinesWith(QStringLiteral("Play video successfully.")), 0);
    EXPECT_TRUE(m_boxes.isEmpty());

    search->clear();
    events.clear();
    QTest::mouseClick(Page().PlayButton(), Qt::LeftButton);
    ASSERT_TRUE(Page().Loading()) << "Play returned before the camera answered";
    EXPECT_FALSE(Page().IsPlaying());
    EXPECT_FALSE(Page().PlayButton()->isEnabled()) << "a second press cannot start a second play";
    QTimer::singleShot(0, &Page(), [&] { events << QStringLiteral("timer 0"); });
    ASSERT_TRUE(m_session->Settled());
    EXPECT_EQ(events, QStringList({QStringLiteral("timer 0"), QStringLiteral("loaded 80 1")}));
    EXPECT_EQ(Page().PlayButton()->text(), QStringLiteral("Stop"));
    EXPECT_EQ(m_session->LinesWith(QStringLiteral("Play video successfully.")), 1);
    EXPECT_TRUE(Painted(3));
}

// Clicking a slow camera and then a quick one shows the quick one's values,
// and the slow one's never reach the sliders, not even once its worker is
// done. A play start overtaken by a click is stopped and never shown.
TEST_F(PreviewLab, ALaterClickOnAQuickCameraSupersedesASlowLoadAndPlay)
{
    SetBrightness(kSlowCamera, 204); // slider 80
    SetBrightness(kACamera, 51);     // slider 20
    QSlider* brightness = Page().Slider(PictureValue::Brightness);
    QList<int> shown;
    QObject::connect(brightness, &QSlider::valueChanged, &Page(), [&](int value) { shown << value; });

    ASSERT_TRUE(m_session->Click(QString::fromLatin1(kSlowCamera)));
    ASSERT_TRUE(Page().Loading());
    QTest::qWait(100); // the slow camera's worker is in the middle of its calls
    ASSERT_TRUE(m_session->Click(QString::fromLatin1(kACamera)));
    ASSERT_TRUE(m_session->Settled());
    EXPECT_EQ(brightness->value(), 20);
    ASSERT_TRUE(WaitFor([&] { return Page().Loader().Workers() == 0; }, 20000));
    QTest::qWait(100); // whatever the slow worker might still post is delivered by now
    EXPECT_EQ(brightness->value(), 20);
    EXPECT_FALSE(shown.contains(80)) << "the slow camera's value was shown";

    // Play on the slow camera, overtaken by a click on the quick one.
    ASSERT_TRUE(m_session->Select(QString::fromLatin1(kSlowCamera)));
    EXPECT_EQ(brightness->value(), 80);
    QTest::mouseClick(Page().PlayButton(), Qt::LeftButton);
    ASSERT_TRUE(Page().Loading());
    ASSERT_TRUE(m_session->Click(QString::fromLatin1(kACamera)));
    ASSERT_TRUE(m_session->Settled());
    ASSERT_TRUE(WaitFor([&] { return Page().Loader().Workers() == 0; }, 20000));
    QTest::qWait(300);
    EXPECT_FALSE(Page().IsPlaying());
    EXPECT_EQ(Page().PlayButton()->text(), QStringLiteral("Play"));
    EXPECT_EQ(m_session->LinesWith(QStringLiteral("Play video successfully.")), 0);
    const uint64_t painted = Video().FramesPainted();
    QTest::qWait(300);
    EXPECT_EQ(Video().FramesPainted(), painted) << "the overtaken play still paints";
    EXPECT_EQ(brightness->value(), 20);
    Press(Page().PlayButton());
    EXPECT_TRUE(Page().IsPlaying()) << "the quick camera plays";
    EXPECT_TRUE(Painted(3));
}

// A double-click on the row of a slow camera: its first press starts the
// load, and the play it asks for starts once the camera is loaded.
TEST_F(PreviewLab, ADoubleClickOnASlowCamerasRowPlaysOnceItIsLoaded)
{
    QTreeWidget* list = Page().List();
    QTreeWidgetItem* row = nullptr;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        if (list->topLevelItem(i)->text(3) == QString::fromLatin1(kSlowCamera)) {
            row = list->topLevelItem(i);
        }
    }
    ASSERT_NE(row, nullptr);
    const QPoint cell = list->visualItemRect(row).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell);
    ASSERT_TRUE(Page().Loading());
    EXPECT_FALSE(Page().IsPlaying());
    ASSERT_TRUE(WaitFor([&] { return Page().IsPlaying(); }, 20000));
    ASSERT_TRUE(m_session->Settled());
    EXPECT_EQ(m_session->LinesWith(QStringLiteral("Play video successfully.")), 1);
    EXPECT_TRUE(Painted(3));
}

// Switching tabs and closing the window while a slow camera is read or its
// play starts: nothing crashes or hangs, and the workers are joined.
TEST_F(PreviewLab, SwitchingTabsAndClosingDuringALoadEndCleanly)
{
    ASSERT_TRUE(m_session->Click(QString::fromLatin1(kSlowCamera)));
    ASSERT_TRUE(Page().Loading());
    m_session->Window().Sheet()->setCurrentIndex(0);
    QTest::qWait(50);
    m_session->Window().Sheet()->setCurrentWidget(&Page());
    ASSERT_TRUE(m_session->Settled());
    EXPECT_TRUE(Page().HeldCamera());

    QTest::mouseClick(Page().PlayButton(), Qt::LeftButton);
    ASSERT_TRUE(Page().Loading());
    QElapsedTimer closing;
    closing.start();
    m_session->Close();
    // A hang would stop the test here; a bound only makes its report clearer.
    EXPECT_LT(closing.elapsed(), 10000);
    EXPECT_TRUE(m_boxes.isEmpty());

    // Closing in the middle of a row click's reads.
    m_session.reset();
    std::string error;
    m_session =
        std::make_unique<Session>(*labkit::LabEnvironment::Current(), "192.168.31.10", 4, kCameras, error);
    ASSERT_TRUE(error.empty()) << error;
    ASSERT_TRUE(m_session->Click(QString::fromLatin1(kSlowCamera)));
    ASSERT_TRUE(Page().Loading());
    closing.restart();
    m_session->Close();
    EXPECT_LT(closing.elapsed(), 10000);
}

} // namespace
