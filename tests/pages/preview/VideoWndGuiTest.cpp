// The video area offscreen: a player's "no picture" shows as text over black
// and the next picture takes its place; pictures of a stopped area are dropped.
#include "FrameSinks.h"
#include "VideoWnd.h"

#include <QTest>
#include <vector>

class VideoWndGuiTest : public QObject
{
    Q_OBJECT

private slots:
    void NoPictureShowsUntilThePictureComesBack()
    {
        CVideoWnd video;
        video.resize(320, 180);
        video.show();
        video.SetPlaying(true);
        const std::vector<uint8_t> grey(64 * 36 * 3, 0x80);

        QVERIFY(DeliverFrame(video.Handle(), grey.data(), 64, 36, 64 * 3));
        QTRY_COMPARE(video.FramesPainted(), 1u);
        QVERIFY(!video.ShowsNoPicture());

        QVERIFY(DeliverNoPicture(video.Handle()));
        QTRY_VERIFY(video.ShowsNoPicture());
        const QImage shown = video.grab().toImage();
        int lit = 0;
        for (int x = 100; x < 220; ++x) {
            lit += qGray(shown.pixel(x, 90)) > 128 ? 1 : 0;
        }
        QVERIFY2(lit > 0, "the words are drawn in the middle");
        QCOMPARE(qGray(shown.pixel(5, 5)), 0);

        QVERIFY(DeliverFrame(video.Handle(), grey.data(), 64, 36, 64 * 3));
        QTRY_VERIFY(!video.ShowsNoPicture());
        QTRY_COMPARE(video.FramesPainted(), 2u);

        video.SetPlaying(false);
        QVERIFY(DeliverNoPicture(video.Handle()));
        QTest::qWait(50);
        QVERIFY(!video.ShowsNoPicture());
    }
};

QTEST_MAIN(VideoWndGuiTest)
#include "VideoWndGuiTest.moc"
