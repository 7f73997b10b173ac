// The "Video" sub-page offscreen with cameras of other makers: the lists a
// camera's own options allow, the lists a mixed batch allows, and nothing
// left of the camera shown before. The rules are tested in
// tests/core/settings.
#include "LangWidgets.h"
#include "MessageBox.h"
#include "SubPageControls.h"
#include "SubPageHost.h"
#include "VideoImageDlg.h"
#include "VideoOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <cstring>
#include <memory>

namespace {
tagVtIpcInfo Listed(const char* model)
{
    tagVtIpcInfo camera{};
    std::strcpy(camera.model, model);
    return camera;
}

// The streams of an ONVIF camera as the lab's simulator offers them, with
// H.265 on the primary.
VideoStreamOptions Options(int stream)
{
    VideoStreamOptions options;
    options.codecs = stream == 1 ? std::vector<int>{kCodecH264, kCodecMjpeg, kCodecH265} : std::vector<int>{kCodecH264};
    options.frameSizes = stream == 1 ? std::vector<int>{2, 5, 6} : std::vector<int>{0, 2, 3};
    options.maxFrameRate = 30;
    options.minBitRate = 64;
    options.maxBitRate = 16384;
    options.maxIFrameInterval = 120;
    return options;
}
} // namespace

class VideoChoicesGuiTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_boxes.clear();
        ZxSetMessageBoxHook([this](const QString& text, ZxButtons) {
            m_boxes << text;
            return ZxAnswer::Ok;
        });
        m_page = std::make_unique<CVideoImageDlg>(m_host);
        m_page->resize(590, 520);
        m_page->show();
    }
    void cleanup()
    {
        m_page.reset();
        ZxSetMessageBoxHook({});
    }
    void aCameraThatGaveNothingLeavesNothingOfTheOneBefore();
    void anotherMakersCameraOffersItsOwnOptions();
    void aMixedBatchOffersWhatEveryCameraTakes();

private:
    QComboBox* List(unsigned id) const { return ById<QComboBox>(m_page.get(), id); }

    SubPageHost m_host;
    std::unique_ptr<CVideoImageDlg> m_page;
    QStringList m_boxes;
};

// Clicking a camera that answers no OSD and no stream after a family camera
// must not leave the family camera's title and streams to be saved onto it.
void VideoChoicesGuiTest::aCameraThatGaveNothingLeavesNothingOfTheOneBefore()
{
    BatchSetReading family;
    OsdRecord osd{};
    osd.showTitle = 1;
    std::strcpy(osd.title, "Entrance");
    family.video.osd = osd;
    family.video.powerFrequency = 50;
    family.video.primary = Stream(1, kCodecH264, 5, 25, 2048);
    family.video.secondary = Stream(0, kCodecH264, 0, 25, 512);
    m_page->ShowReading(family, Listed("VT-C6121"));
    auto* title = ById<QLineEdit>(m_page.get(), 1099);
    QCOMPARE(title->text(), QStringLiteral("Entrance"));
    QCOMPARE(List(1086)->currentText(), QStringLiteral("H.264"));

    m_page->ShowReading(BatchSetReading{}, Listed("HD-12"));
    QVERIFY(title->text().isEmpty());
    QVERIFY(!ById<QCheckBox>(m_page.get(), 1212)->isEnabled() && !title->isEnabled());
    for (unsigned id : {1086u, 1087u, 1088u, 1089u, 1090u, 1091u, 1092u, 1093u}) {
        QVERIFY2(List(id)->count() == 0 && !List(id)->isEnabled(), qPrintable(QString::number(id)));
    }
    QVERIFY(ById<QLineEdit>(m_page.get(), 1096)->text().isEmpty());
    QVERIFY(!ById<QCheckBox>(m_page.get(), 1085)->isEnabled());
    m_host.targets = {Listed("HD-12")};
    m_page->Save();
    QCOMPARE(m_boxes, QStringList{"The camera does not support this operation."});
    QCOMPARE(m_host.batches, 0);

    // The family camera clicked again gets every box back.
    m_page->ShowReading(family, Listed("VT-C6121"));
    QCOMPARE(title->text(), QStringLiteral("Entrance"));
    QVERIFY(title->isEnabled() && List(1086)->isEnabled() && List(1087)->isEnabled());
    QCOMPARE(List(1088)->currentText(), QStringLiteral("720P(1280*720)"));
}

// Its codecs (H.265 too), sizes and ranges, never the family's A-model
// rules for a model that happens to end in A.
void VideoChoicesGuiTest::anotherMakersCameraOffersItsOwnOptions()
{
    BatchSetReading onvif;
    onvif.video.primary = Stream(1, kCodecH265, 2, 30, 8192);
    onvif.video.secondary = Stream(0, kCodecH264, 2, 30, 512);
    onvif.video.primaryOptions = Options(1);
    onvif.video.secondaryOptions = Options(0);
    m_page->ShowReading(onvif, Listed("XK-200A"));
    QCOMPARE(Items(List(1086)), QStringList({"H.264", "MJPEG", "H.265"}));
    QCOMPARE(List(1086)->currentText(), QStringLiteral("H.265"));
    QCOMPARE(Items(List(1088)), QStringList({"1080P(1920*1080)", "720P(1280*720)", "D1(704*576)"}));
    QCOMPARE(List(1090)->count(), 30);
    QCOMPARE(List(1090)->currentText(), QStringLiteral("30"));
    QCOMPARE(Items(List(1092)).first(), QStringLiteral("64"));
    QCOMPARE(List(1092)->currentText(), QStringLiteral("8192"));
    QCOMPARE(Items(List(1087)), QStringList{"H.264"});
    QCOMPARE(Items(List(1089)), QStringList({"640*480", "352*288", "320*240"}));
    QCOMPARE(List(1089)->currentText(), QStringLiteral("352*288"));
}

// A family camera of the 720P class and an ONVIF camera ticked together:
// the family camera's streams are shown, within what both take.
void VideoChoicesGuiTest::aMixedBatchOffersWhatEveryCameraTakes()
{
    ReferenceReading reference;
    reference.loggedIn = true;
    reference.video.powerFrequency = 50;
    reference.video.primary = Stream(1, kCodecH264, 5, 25, 32);
    reference.video.secondary = Stream(0, kCodecH264, 3, 25, 512);
    reference.primaryBounds = CommonVideoOptions({FamilyVideoOptions("VT-C6904", 1, 50), Options(1)});
    reference.secondaryBounds = CommonVideoOptions({FamilyVideoOptions("VT-C6904", 0, 50), Options(0)});
    m_page->ShowReference(reference, Listed("VT-C6904"));
    QCOMPARE(Items(List(1086)), QStringList({"H.264", "MJPEG"}));
    QCOMPARE(Items(List(1088)), QStringList({"720P(1280*720)", "D1(704*576)"}));
    QCOMPARE(List(1090)->count(), 25);
    QCOMPARE(Items(List(1092)).first(), QStringLiteral("64"));
    // 32 kbit/s is below the ONVIF camera's lowest: nothing is picked.
    QCOMPARE(List(1092)->currentIndex(), -1);
    QCOMPARE(Items(List(1087)), QStringList{"H.264"});
    QCOMPARE(Items(List(1089)), QStringList({"640*480", "320*240"}));
    QCOMPARE(Items(List(1093)).last(), QStringLiteral("1024"));
    ById<QLineEdit>(m_page.get(), 1096)->setText(QStringLiteral("90"));
    m_page->ClampIFrames();
    QCOMPARE(ById<QLineEdit>(m_page.get(), 1096)->text(), QStringLiteral("60"));
}

QTEST_MAIN(VideoChoicesGuiTest)
#include "VideoChoicesGuiTest.moc"
