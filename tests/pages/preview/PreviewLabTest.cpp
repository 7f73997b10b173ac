// The preview page against vtcamsim in the lab: live video painted in the
// video area, picture and imaging writes, Save, Cancel and Default, a drag
// against a slow camera, and closing while the video plays.
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

TEST_F(PreviewLab, PlayingPaintsTheCamerasPicturesThroughResizeAndFullScreen)
{
    ASSERT_TRUE(previewlab::SetStream(kACamera, 5, 25)); // 1280 x 720 at 25 per second
    ImagingSettingsRecord picture = Picture(kACamera);
    picture.brightness = 204;
    picture.sharpness = 37;
    ASSERT_EQ(Vt_Ipc_SetImagingSettings(TestLogin(kACamera), &picture), 0);

    EXPECT_FALSE(Page().PlayButton()->isEnabled()) << "nothing selected yet";
    ASSERT_TRUE(m_session->Select(QString::fromLatin1(kACamera)));
    EXPECT_TRUE(Page().HeldCamera());
    EXPECT_EQ(Page().Slider(PictureValue::Brightness)->value(), 80);
    EXPECT_EQ(Page().Slider(PictureValue::Sharpness)->value(), 14) << "an A model converts sharpness too";
    EXPECT_EQ(Page().Slider(PictureValue::Brightness)->toolTip(), QStringLiteral("80"));
    EXPECT_EQ(Page().List(ImageList::MaxExposure)->currentText(), QStringLiteral("1/25"));
    EXPECT_EQ(Page().List(ImageList::Frequency)->currentText(), QStringLiteral("50HZ"));
    EXPECT_FALSE(Page().CancelButton()->isEnabled());

    Press(Page().PlayButton());
    ASSERT_TRUE(Page().IsPlaying());
    EXPECT_EQ(Page().PlayButton()->text(), QStringLiteral("Stop"));
    EXPECT_EQ(m_session->LinesWith(QStringLiteral("Play video successfully.")), 1);
    ASSERT_TRUE(Painted(50)) << "pictures painted: " << Video().FramesPainted();
    EXPECT_NEAR(Video().PaintedRate(), 25.0, 5.0);
    // Scaled into the 16:9 area, with the camera's own moving picture.
    const QRect area = Video().geometry();
    EXPECT_NEAR(area.width() * 9.0 / 16.0, area.height(), 1.0);
    EXPECT_EQ(Video().ShownPicture().size(), area.size());
    const QImage first = Video().ShownPicture();
    ASSERT_TRUE(Painted(3));
    EXPECT_NE(Video().ShownPicture(), first) << "the picture does not move";

    // Resizing keeps it playing, at the new size.
    m_session->Window().resize(1200, 780);
    ASSERT_TRUE(WaitFor([&] { return Video().ShownPicture().size() == Video().size(); }, 3000));
    EXPECT_NE(Video().size(), area.size());
    ASSERT_TRUE(Painted(10));

    // A double-click shows it over the whole screen, Esc brings it back.
    QTest::mouseDClick(&Video(), Qt::LeftButton, {}, Video().rect().center());
    ASSERT_TRUE(Page().IsFullScreen());
    EXPECT_TRUE(Video().isWindow());
    EXPECT_EQ(Video().geometry(), Page().screen()->geometry());
    ASSERT_TRUE(WaitFor([&] { return Video().ShownPicture().size() == Video().size(); }, 3000));
    ASSERT_TRUE(Painted(10));
    QTest::keyClick(&Video(), Qt::Key_Escape);
    EXPECT_FALSE(Page().IsFullScreen());
    EXPECT_FALSE(Video().isWindow());
    const PreviewRect expected = VideoAreaRect(Page().width(), Page().height());
    EXPECT_EQ(Video().geometry(), QRect(expected.x, expected.y, expected.width, expected.height));
    ASSERT_TRUE(Painted(10)) << "the video stopped with the full screen";
    QTest::mouseDClick(&Video(), Qt::LeftButton, {}, Video().rect().center());
    ASSERT_TRUE(Page().IsFullScreen());
    QTest::mouseDClick(&Video(), Qt::LeftButton, {}, Video().rect().center());
    EXPECT_FALSE(Page().IsFullScreen());

    // Stop paints black and says so.
    Press(Page().PlayButton());
    EXPECT_FALSE(Page().IsPlaying());
    EXPECT_TRUE(Video().ShownPicture().isNull());
    EXPECT_EQ(Page().PlayButton()->text(), QStringLiteral("Play"));
    EXPECT_EQ(m_session->LinesWith(QStringLiteral("Stop video successfully.")), 1);
    const uint64_t painted = Video().FramesPainted();
    QTest::qWait(300);
    EXPECT_EQ(Video().FramesPainted(), painted);
    // Without video a double-click does not leave the page.
    QTest::mouseDClick(&Video(), Qt::LeftButton, {}, Video().rect().center());
    EXPECT_FALSE(Page().IsFullScreen());
}

TEST_F(PreviewLab, TheBrightnessSliderChangesTheCameraAndThePicturesThatFollow)
{
    ASSERT_TRUE(previewlab::SetStream(kACamera, 6, 25));
    ImagingSettingsRecord picture = Picture(kACamera);
    picture.brightness = 128;
    ASSERT_EQ(Vt_Ipc_SetImagingSettings(TestLogin(kACamera), &picture), 0);
    ASSERT_TRUE(m_session->Select(QString::fromLatin1(kACamera)));
    Press(Page().PlayButton());
    ASSERT_TRUE(Painted(10));
    const double before = MeanLuma(Video().ShownPicture());

    QElapsedTimer moved;
    moved.start();
    QTest::keyClick(Page().Slider(PictureValue::Brightness), Qt::Key_PageUp); // 50 -> 60
    QTest::keyClick(Page().Slider(PictureValue::Brightness), Qt::Key_PageUp); // 70
    QTest::keyClick(Page().Slider(PictureValue::Brightness), Qt::Key_PageUp); // 80
    EXPECT_EQ(Page().Slider(PictureValue::Brightness)->value(), 80);
    EXPECT_EQ(Page().Slider(PictureValue::Brightness)->toolTip(), QStringLiteral("80"));
    ASSERT_TRUE(WaitFor([&] { return MeanLuma(Video().ShownPicture()) > before + 40; }, 1000))
        << "luma " << before << " -> " << MeanLuma(Video().ShownPicture()) << " after " << moved.elapsed()
        << " ms";
    const ImagingSettingsRecord after = Picture(kACamera);
    EXPECT_EQ(after.brightness, 204);
    EXPECT_EQ(after.contrast, picture.contrast) << "only the moved value changes";
    EXPECT_EQ(after.saturation, picture.saturation);
}

TEST_F(PreviewLab, AFastDragOnASlowCameraNeverBlocksAndEndsAtTheLastPosition)
{
    ASSERT_TRUE(m_session->Select(QString::fromLatin1(kSlowCamera)));
    ASSERT_TRUE(Page().HeldCamera());
    QSlider* slider = Page().Slider(PictureValue::Contrast);
    ASSERT_TRUE(slider->isEnabled());

    // The longest wait between two turns of the event loop.
    QElapsedTimer clock;
    clock.start();
    qint64 last = clock.elapsed();
    qint64 longest = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    ticker.start(2);

    // A drag of the handle from the left end to the right in 100 steps.
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = Qt::Horizontal;
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = slider->value();
    option.sliderValue = slider->value();
    const QRect handle =
        slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider);
    QPoint at = handle.center();
    const auto send = [&](QEvent::Type type, Qt::MouseButtons buttons) {
        QMouseEvent event(type, at, slider->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(slider, &event);
    };
    QTest::qWait(50);
    last = clock.elapsed();
    longest = 0;
    send(QEvent::MouseButtonPress, Qt::LeftButton);
    const int startValue = slider->value();
    int direction = startValue > 50 ? -1 : 1;
    int steps = 0;
    QSet<int> visited;
    for (; steps < 100; ++steps) {
        at.rx() += direction * 2;
        if (at.x() <= 0 || at.x() >= slider->width()) {
            direction = -direction;
        }
        send(QEvent::MouseMove, Qt::LeftButton);
        visited.insert(slider->value());
        QTest::qWait(8);
    }
    send(QEvent::MouseButtonRelease, Qt::NoButton);
    const int final = slider->value();
    EXPECT_GT(visited.size(), 30) << "the drag moved the slider";
    EXPECT_NE(final, startValue);
    // The test's own reads wait for the slow camera, so they run beside the
    // UI thread, which keeps being measured until the camera got there.
    const int expected = final * 255 / 100;
    std::atomic<bool> arrived{false};
    std::atomic<bool> giveUp{false};
    std::thread watcher([&] {
        while (!arrived && !giveUp) {
            ImagingSettingsRecord now{};
            arrived = Vt_Ipc_GetImagingSettings(TestLogin(kSlowCamera), &now) == 0 && now.contrast == expected;
        }
    });
    const bool ended = WaitFor([&] { return arrived.load(); }, 8000);
    giveUp = true;
    watcher.join();
    ticker.stop();
    EXPECT_TRUE(ended) << "the camera did not end at " << expected;
    EXPECT_LT(longest, 100) << "the UI thread was blocked for " << longest << " ms";
    EXPECT_EQ(Picture(kSlowCamera).contrast, expected);
}

TEST_F(PreviewLab, SaveCancelAndDefaultWriteWhatTheySay)
{
    ASSERT_TRUE(m_session->Select(QString::fromLatin1(kACamera)));
    const int handle = TestLogin(kACamera);
    // Save right after the selection writes nothing: a change made behind the
    // page's back stays.
    ImagingConfigRecord behind = Imaging(kACamera);
    behind.exposureLevel = 9;
    ASSERT_EQ(Vt_Ipc_SetImagingConfig(handle, &behind), 0);
    Press(Page().SaveButton());
    EXPECT_EQ(m_session->LinesWith(QStringLiteral("Save image parameters successfully.")), 1);
    EXPECT_EQ(Imaging(kACamera).exposureLevel, 9);
    behind.exposureLevel = 5;
    ASSERT_EQ(Vt_Ipc_SetImagingConfig(handle, &behind), 0);

    // Each list writes its own field at once and allows Cancel.
    Choose(Page().List(ImageList::IrCut), 1);
    EXPECT_EQ(Imaging(kACamera).irCut, 1);
    EXPECT_TRUE(Page().CancelButton()->isEnabled());
    Choose(Page().List(ImageList::Frequency), 0);
    EXPECT_EQ(Imaging(kACamera).frequency, 60);
    EXPECT_EQ(Page().List(ImageList::MaxExposure)->currentText(), QStringLiteral("1/30"));
    Choose(Page().List(ImageList::LocalDisplay), 2);
    EXPECT_EQ(Imaging(kACamera).localDisplay, 2);
    EXPECT_EQ(Imaging(kACamera).mirror, behind.mirror) << "the bytes the page does not show pass back";

    // Cancel writes the reference back and shows it.
    Press(Page().CancelButton());
    ImagingConfigRecord cancelled = Imaging(kACamera);
    EXPECT_EQ(cancelled.irCut, 2);
    EXPECT_EQ(cancelled.frequency, 50);
    EXPECT_EQ(cancelled.localDisplay, 0);
    EXPECT_EQ(Page().List(ImageList::Frequency)->currentText(), QStringLiteral("50HZ"));
    EXPECT_EQ(Page().List(ImageList::MaxExposure)->currentText(), QStringLiteral("1/25"));
    EXPECT_EQ(Page().List(ImageList::IrCut)->currentIndex(), 2);
    EXPECT_FALSE(Page().CancelButton()->isEnabled());
    EXPECT_EQ(m_session->LinesWith(QStringLiteral("Cancel out of the changes successfully.")), 1);

    // Save makes the lists the new reference.
    Choose(Page().List(ImageList::ExposureLevel), 8);
    Choose(Page().List(ImageList::Outdoor), 1);
    Press(Page().SaveButton());
    EXPECT_EQ(m_session->LinesWith(QStringLiteral("Save image parameters successfully.")), 2);
    EXPECT_FALSE(Page().CancelButton()->isEnabled());
    Choose(Page().List(ImageList::ExposureLevel), 2);
    EXPECT_EQ(Imaging(kACamera).exposureLevel, 2);
    Press(Page().CancelButton());
    EXPECT_EQ(Imaging(kACamera).exposureLevel, 8);
    EXPECT_EQ(Imaging(kACamera).outdoor, 1);

    // Default: the middle of each range, on an A model and on another camera.
    QTest::keyClick(Page().Slider(PictureValue::Saturation), Qt::Key_End);
    ASSERT_TRUE(WaitFor([&] { return Picture(kACamera).saturation == 255; }, 3000));
    Press(Page().DefaultButton());
    ImagingSettingsRecord middle = Picture(kACamera);
    EXPECT_EQ(middle.brightness, 128);
    EXPECT_EQ(middle.contrast, 128);
    EXPECT_EQ(middle.saturation, 128);
    EXPECT_EQ(middle.sharpness, 128);
    EXPECT_EQ(middle.noiseReduction, 128);
    for (int i = 0; i < kPictureValueCount; ++i) {
        EXPECT_EQ(Page().Slider(static_cast<PictureValue>(i))->value(), 50) << i;
    }
    ASSERT_TRUE(m_session->Select(QString::fromLatin1(kPlainCamera)));
    QTest::keyClick(Page().Slider(PictureValue::Sharpness), Qt::Key_Home);
    ASSERT_TRUE(WaitFor([&] { return Picture(kPlainCamera).sharpness == 0; }, 3000));
    Press(Page().DefaultButton());
    middle = Picture(kPlainCamera);
    EXPECT_EQ(middle.brightness, 128);
    EXPECT_EQ(middle.sharpness, 50);
    EXPECT_EQ(middle.noiseReduction, 50);
    EXPECT_EQ(Page().Slider(PictureValue::Sharpness)->value(), 50);
    EXPECT_TRUE(m_boxes.isEmpty()) << m_boxes.join(QLatin1Char('\n')).toStdString();
}

TEST_F(PreviewLab, ValuesNoControlStandsForShowAtTheNearerEndAndSaveLeavesThemAlone)
{
    ASSERT_TRUE(m_session->Select(QString::fromLatin1(kOddCamera)));
    EXPECT_EQ(Page().Slider(PictureValue::Brightness)->value(), 100);
    EXPECT_EQ(Page().List(ImageList::ExposureLevel)->currentText(), QStringLiteral("10"));
    EXPECT_EQ(Page().List(ImageList::LocalDisplay)->currentText(), QStringLiteral("PAL"));
    // Nothing was chosen: Save writes nothing, and the camera keeps its own values.
    Press(Page().SaveButton());
    EXPECT_EQ(m_session->LinesWith(QStringLiteral("Save image parameters successfully.")), 1);
    const ImagingConfigRecord kept = Imaging(kOddCamera);
    EXPECT_EQ(kept.exposureLevel, 200);
    EXPECT_EQ(kept.localDisplay, 9);
    EXPECT_EQ(Picture(kOddCamera).brightness, 30000000);
    EXPECT_TRUE(m_boxes.isEmpty()) << m_boxes.join(QLatin1Char('\n')).toStdString();
}

TEST_F(PreviewLab, WithoutALoginTheButtonsSayWhatFailedAndDefaultFirstOnlyLogsIn)
{
    m_session->Edit(1029)->setText(QStringLiteral("wrong"));
    ASSERT_TRUE(m_session->Select(QString::fromLatin1(kPlainCamera)));
    EXPECT_FALSE(Page().HeldCamera());
    EXPECT_EQ(m_session->LinesWith(QStringLiteral("Login failed. Please check your username and password.")), 1);
    EXPECT_TRUE(Page().PlayButton()->isEnabled()) << "the controls follow the selection, not the login";
    Press(Page().PlayButton());
    Press(Page().SaveButton());
    Press(Page().CancelButton()); // disabled: nothing
    Page().OnCancel();
    ASSERT_TRUE(m_session->Settled());
    Press(Page().DefaultButton());
    EXPECT_EQ(m_boxes, QStringList({QStringLiteral("Play video failed."), QStringLiteral("Save settings failed."),
                                    QStringLiteral("Cancel out of the changes failed."),
                                    QStringLiteral("Set default value failed.")}));
    EXPECT_FALSE(Page().IsPlaying());

    ImagingSettingsRecord moved = Picture(kPlainCamera);
    moved.brightness = 20;
    ASSERT_EQ(Vt_Ipc_SetImagingSettings(TestLogin(kPlainCamera), &moved), 0);
    m_session->Edit(1029)->setText(QString::fromLatin1(previewlab::kPassword));
    Press(Page().DefaultButton());
    EXPECT_TRUE(Page().HeldCamera());
    EXPECT_EQ(Picture(kPlainCamera).brightness, 20) << "the first press only logs in";
    Press(Page().DefaultButton());
    EXPECT_EQ(Picture(kPlainCamera).brightness, 128);
}

TEST_F(PreviewLab, AnotherCameraOrARowDoubleClickStopsTheVideoThatPlays)
{
    ASSERT_TRUE(m_session->Select(QString::fromLatin1(kACamera)));
    const std::shared_ptr<Camera> first = Page().HeldCamera();
    ASSERT_TRUE(first);
    Press(Page().PlayButton());
    ASSERT_TRUE(Painted(5));
    ASSERT_TRUE(m_session->Select(QString::fromLatin1(kPlainCamera)));
    EXPECT_FALSE(Page().IsPlaying());
    EXPECT_EQ(Page().PlayButton()->text(), QStringLiteral("Play"));
    EXPECT_TRUE(Video().ShownPicture().isNull());
    // The first camera's play is gone from the SDK: there is nothing left to stop.
    const CameraResult stopped = first->StopLivePlay();
    EXPECT_EQ(stopped.status, CameraStatus::Failed);
    EXPECT_EQ(stopped.code, VT_ERR_INVALID_HANDLE);
    const uint64_t painted = Video().FramesPainted();
    QTest::qWait(300);
    EXPECT_EQ(Video().FramesPainted(), painted);

    // A double-click on a row plays, another stops.
    QTreeWidget* list = Page().List();
    QTreeWidgetItem* row = list->selectedItems().front();
    const QPoint cell = list->visualItemRect(row).center();
    const auto doubleClick = [&] {
        // The view takes a double-click only on the row the button went down on.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell);
    };
    doubleClick();
    ASSERT_TRUE(WaitFor([&] { return Page().IsPlaying(); }, 20000));
    ASSERT_TRUE(Painted(5));
    doubleClick();
    EXPECT_FALSE(Page().IsPlaying());
}

TEST_F(PreviewLab, ClosingTheWindowWhilePlayingFullScreenNeitherCrashesNorHangs)
{
    ASSERT_TRUE(previewlab::SetStream(kACamera, 2, 25)); // 1920 x 1080
    ASSERT_TRUE(m_session->Select(QString::fromLatin1(kACamera)));
    Press(Page().PlayButton());
    ASSERT_TRUE(Painted(5));
    Page().ToggleFullScreen();
    ASSERT_TRUE(Page().IsFullScreen());
    // A drag still on its way when the window goes.
    QTest::keyClick(Page().Slider(PictureValue::Contrast), Qt::Key_PageUp);
    QElapsedTimer closing;
    closing.start();
    m_session->Close();
    // A hang would stop the test here; a bound only makes its report clearer.
    EXPECT_LT(closing.elapsed(), 10000);
    EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty() ||
                std::none_of(QApplication::topLevelWidgets().begin(), QApplication::topLevelWidgets().end(),
                             [](QWidget* w) { return qobject_cast<CVideoWnd*>(w) != nullptr; }))
        << "the full-screen video area outlived its page";
}
} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::testing::AddGlobalTestEnvironment(new labkit::LabEnvironment);
    const int result = RUN_ALL_TESTS();
    previewlab::DestroyApplication();
    return result;
}
