// The "Network" and "Video" sub-pages offscreen: every message of their save
// routines with the box that takes the focus, and the choices they offer.
#include "LangTable.h"
#include "LangWidgets.h"
#include "MessageBox.h"
#include "NetworkParamDlg.h"
#include "NetworkParams.h"
#include "ProgramFolder.h"
#include "SubPageControls.h"
#include "SubPageHost.h"
#include "Utf8Text.h"
#include "VideoImageDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>
#include <cstring>
#include <functional>
#include <memory>

namespace {
// What the operator's choice in a list delivers.
void Choose(QComboBox* list, int entry)
{
    list->setCurrentIndex(entry);
    emit list->activated(entry);
}

void Type(QLineEdit* edit, const QString& text)
{
    edit->setText(text);
}

DdnsRecord Ddns(const char* provider, const char* mac, bool enabled, bool easyChosen = false)
{
    DdnsRecord r{};
    r.enabled = enabled ? 1 : 0;
    std::strcpy(r.provider, provider);
    std::strcpy(r.user, "installer");
    std::strcpy(r.password, "s3cret");
    std::strcpy(r.host, "cam-01.example.com");
    std::strcpy(r.mac, mac);
    r.easyChosen = easyChosen ? 1 : 0;
    return r;
}

} // namespace

class SubPagesGuiTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void networkSaveTellsEveryProblemAndFocusesItsBox();
    void partnerEntryAndEasyDdnsName();
    void videoSaveTellsEveryProblemAndFocusesItsBox();
    void videoChoicesFollowClassCodecAndSize();
    void aModelChoicesAndTheIFrameClock();
    void osdTitleReadsBackAsItWasWritten();
    void bothLanguagesLabelEverything();

private:
    // The sub-page inside a plain window of the size the batch page gives it.
    template <class Page> Page* Show()
    {
        m_window = std::make_unique<QWidget>();
        m_window->resize(590, 520);
        auto* layout = new QVBoxLayout(m_window.get());
        layout->setContentsMargins(0, 0, 0, 0);
        auto* page = new Page(m_host, m_window.get());
        layout->addWidget(page);
        m_window->show();
        m_window->activateWindow();
        [&] { QVERIFY(QTest::qWaitForWindowActive(m_window.get())); }();
        return page;
    }

    // Runs the save and returns the texts of the boxes it showed.
    template <class Page> QStringList Save(Page* page)
    {
        m_boxes.clear();
        page->Save();
        return m_boxes;
    }

    void SelectLanguage(const wchar_t* name)
    {
        if (name == nullptr) {
            LangClearSelection();
        } else {
            QVERIFY(LangSelectByName(name) != 0);
        }
    }

    QTemporaryDir m_folder;
    SubPageHost m_host;
    std::unique_ptr<QWidget> m_window;
    QStringList m_boxes;
};

void SubPagesGuiTest::init()
{
    QVERIFY(m_folder.isValid());
    ::setenv("XDG_CONFIG_HOME", m_folder.filePath(QStringLiteral("config")).toLocal8Bit().constData(), 1);
    const QString lang = m_folder.filePath(QStringLiteral("Lang"));
    QDir().mkpath(lang);
    const QDir shipped(QString::fromStdString(PlatformExecutableFolder()) + QStringLiteral("/Lang"));
    for (const QString& name : shipped.entryList({QStringLiteral("*.lng")}, QDir::Files)) {
        QFile::copy(shipped.filePath(name), lang + QLatin1Char('/') + name);
    }
    PlatformSetProgramFolder(m_folder.path().toStdString());
    LangClearSelection();
    ZxSetMessageBoxHook([this](const QString& text, ZxButtons) {
        m_boxes << text;
        return ZxAnswer::Ok;
    });
    m_host.targets.clear();
}

void SubPagesGuiTest::cleanup()
{
    m_window.reset();
    ZxSetMessageBoxHook({});
    LangClearSelection();
    PlatformSetProgramFolder("");
}

void SubPagesGuiTest::networkSaveTellsEveryProblemAndFocusesItsBox()
{
    auto* page = Show<CNetworkParamDlg>();
    auto* http = ById<QLineEdit>(page, 1014);
    auto* rtsp = ById<QLineEdit>(page, 1052);
    auto* enable = ById<QCheckBox>(page, 1058);
    auto* provider = ById<QComboBox>(page, 1060);
    auto* user = ById<QLineEdit>(page, 1062);
    auto* password = ById<QLineEdit>(page, 1065);
    auto* host = ById<QLineEdit>(page, 1070);
    auto* hash = ById<QLineEdit>(page, 1067);
    QVERIFY(http && rtsp && enable && provider && user && password && host && hash);
    QCOMPARE(http->text(), QStringLiteral("80"));
    QCOMPARE(rtsp->text(), QStringLiteral("554"));
    QVERIFY(!provider->isEnabled() && !user->isEnabled() && !host->isEnabled());

    struct Case
    {
        std::function<void()> change;
        QString text;
        QWidget* focus; // nullptr: the focus stays where it was
    };
    const auto reset = [&] {
        Type(http, QStringLiteral("80"));
        Type(rtsp, QStringLiteral("554"));
        Type(user, QStringLiteral("installer"));
        Type(password, QStringLiteral("s3cret"));
        Type(host, QStringLiteral("cam-01.example.com"));
        Type(hash, QString());
        Choose(provider, 0);
    };
    QTest::mouseClick(enable, Qt::LeftButton, {}, QPoint(8, enable->height() / 2));
    QVERIFY(enable->isChecked());
    QVERIFY(provider->isEnabled() && user->isEnabled() && host->isEnabled());
    const Case cases[] = {
        {[&] { Type(http, QString()); }, "HTTP Port field can't be empty.", nullptr},
        {[&] { Type(http, QStringLiteral("0")); }, "Please input the port between 1 and 65535.", http},
        {[&] { Type(http, QStringLiteral("65536")); }, "Please input the port between 1 and 65535.", http},
        {[&] { Type(rtsp, QStringLiteral(" ")); }, "RTSP Port field can't be empty.", nullptr},
        {[&] { Type(rtsp, QStringLiteral("99999")); }, "Please input the port between 1 and 65535.", rtsp},
        {[&] { Type(rtsp, QStringLiteral("80")); }, "Can't use the same port.", nullptr},
        {[&] { Type(user, QString()); }, "User field can't be empty.", nullptr},
        {[&] { Type(password, QStringLiteral("  ")); }, "Password field can't be empty.", nullptr},
        {[&] { Type(host, QString()); }, "Host field can't be empty.", host},
        {[&] { Type(host, QStringLiteral("-cam.example.com")); }, "Host Name is invalid.", host},
        {[&] { Type(host, QStringLiteral("camera")); }, "Host Name is invalid.", host},
        {[&] { Choose(provider, kFreeDnsEntry); }, "Hash field can't be empty.", nullptr},
    };
    for (const Case& c : cases) {
        reset();
        c.change();
        user->setFocus(); // a box no message points at
        QCOMPARE(Save(page), QStringList{c.text});
        QWidget* expected = c.focus != nullptr ? c.focus : user;
        QVERIFY2(expected->hasFocus(), qPrintable(c.text));
    }
    // Hash shown only for FreeDNS; a valid form reaches the target rule.
    reset();
    Choose(provider, kFreeDnsEntry);
    QVERIFY(hash->isVisible());
    Type(hash, QStringLiteral("abc"));
    QCOMPARE(Save(page), QStringList{"Please select one device."});
    Choose(provider, 2);
    QVERIFY(!hash->isVisible());
    // With DDNS off nothing but the ports is checked.
    QTest::mouseClick(enable, Qt::LeftButton, {}, QPoint(8, enable->height() / 2));
    Type(user, QString());
    Type(host, QString());
    QCOMPARE(Save(page), QStringList{"Please select one device."});
    QCOMPARE(m_host.batches, 0);
}

void SubPagesGuiTest::partnerEntryAndEasyDdnsName()
{
    auto* page = Show<CNetworkParamDlg>();
    auto* provider = ById<QComboBox>(page, 1060);
    auto* easy = ById<QCheckBox>(page, 1069);
    auto* host = ById<QLineEdit>(page, 1070);
    auto* hostLabel = ById<QLabel>(page, 1064);
    QCOMPARE(provider->count(), 4);

    std::string version = "31.4.0.72";
    page->FillDdns(Ddns("dyndns.org", "00:30:4f:0a:b1:c2", true), &version);
    QCOMPARE(provider->count(), 4);
    version = "31.4.0.73";
    page->FillDdns(Ddns("dyndns.org", "00:30:4f:0a:b1:c2", true), &version);
    QCOMPARE(provider->count(), 5);
    QCOMPARE(provider->currentIndex(), 0);
    QVERIFY(!easy->isVisible());

    Choose(provider, kPartnerEntry);
    QVERIFY(easy->isVisible());
    QCOMPARE(hostLabel->text(), QStringLiteral("Host Name:"));
    Type(host, QStringLiteral("typed.example.com"));
    QTest::mouseClick(easy, Qt::LeftButton, {}, QPoint(8, easy->height() / 2));
    QCOMPARE(host->text(), QString::fromStdString("pl0ab1c2." + PartnerDomain()));
    QVERIFY(!host->isEnabled());
    QCOMPARE(hostLabel->text(), QStringLiteral("Easy Domain Name:"));
    // Another provider gives back what was typed, not the easy name.
    Choose(provider, 3);
    QCOMPARE(host->text(), QStringLiteral("typed.example.com"));
    QVERIFY(host->isEnabled());
    QCOMPARE(hostLabel->text(), QStringLiteral("Host Name:"));
    Choose(provider, kPartnerEntry);
    QVERIFY(!host->isEnabled());
    QTest::mouseClick(easy, Qt::LeftButton, {}, QPoint(8, easy->height() / 2));
    QCOMPARE(host->text(), QStringLiteral("typed.example.com"));
    QVERIFY(host->isEnabled());

    // A camera with easy DDNS chosen loads with the box checked, so saving
    // what was loaded keeps its choice.
    page->FillDdns(Ddns("veltrocam", "00:30:4F:12:34:56", true, true), nullptr);
    QCOMPARE(provider->currentIndex(), kPartnerEntry);
    QVERIFY(easy->isChecked());
    QCOMPARE(host->text(), QString::fromStdString("pl123456." + PartnerDomain()));
    QCOMPARE(page->CameraVersion(), std::string("31.4.0.73"));

    // A camera without the partner loses the entry and shows entry 0.
    version = "31.5.0.1";
    page->FillDdns(Ddns("veltrocam", "02:5a:00:00:00:01", true), &version);
    QCOMPARE(provider->count(), 4);
    QCOMPARE(provider->currentIndex(), 0);
    QCOMPARE(Save(page), QStringList{"Please select one device."});
}

void SubPagesGuiTest::videoSaveTellsEveryProblemAndFocusesItsBox()
{
    auto* page = Show<CVideoImageDlg>();
    auto* title = ById<QLineEdit>(page, 1099);
    auto* showTitle = ById<QCheckBox>(page, 1212);
    auto* primaryIFrame = ById<QLineEdit>(page, 1096);
    auto* secondaryIFrame = ById<QLineEdit>(page, 1097);
    auto* position = ById<QComboBox>(page, 1101);
    QVERIFY(title && showTitle && primaryIFrame && secondaryIFrame && position);
    QVERIFY(!title->isEnabled());
    QTest::mouseClick(showTitle, Qt::LeftButton, {}, QPoint(8, showTitle->height() / 2));
    QVERIFY(title->isEnabled() && position->isEnabled());
    const QString forbidden = QStringLiteral("Video title can't contain these characters &/\\:*?'\"<>|%");
    struct Case
    {
        QString title;
        QString primary;
        QString secondary;
        QString text;
        QWidget* focus;
    };
    // The secondary interval is checked while it can be typed into.
    auto* secondaryOn = ById<QCheckBox>(page, 1085);
    QVERIFY(!secondaryIFrame->isEnabled());
    Type(title, QStringLiteral("Gate 1"));
    Type(secondaryIFrame, QString());
    QCOMPARE(Save(page), QStringList{"Please select one device."});
    QTest::mouseClick(secondaryOn, Qt::LeftButton, {}, QPoint(8, secondaryOn->height() / 2));
    QVERIFY(secondaryIFrame->isEnabled());
    const Case cases[] = {
        {"", "20", "30", "Video title can't be empty.", title},
        {"   ", "20", "30", "Video title can't be empty.", title},
        {"Gate/1", "20", "30", forbidden, title},
        {"50%", "", "", forbidden, title},
        {"Gate 1", "", "30", "I-frame field can't be empty.", primaryIFrame},
        {"Gate 1", "20", "", "I-frame field can't be empty.", secondaryIFrame},
        {"Gate 1", "20", "30", "Please select one device.", nullptr},
    };
    for (const Case& c : cases) {
        Type(title, c.title);
        Type(primaryIFrame, c.primary);
        Type(secondaryIFrame, c.secondary);
        position->setFocus();
        QCOMPARE(Save(page), QStringList{c.text});
        QWidget* expected = c.focus != nullptr ? c.focus : position;
        QVERIFY2(expected->hasFocus(), qPrintable(c.text));
    }
    QCOMPARE(m_host.batches, 0);
}

void SubPagesGuiTest::videoChoicesFollowClassCodecAndSize()
{
    auto* page = Show<CVideoImageDlg>();
    auto* codec = ById<QComboBox>(page, 1086);
    auto* size = ById<QComboBox>(page, 1088);
    auto* rate = ById<QComboBox>(page, 1090);
    auto* bitRate = ById<QComboBox>(page, 1092);
    auto* control = ById<QComboBox>(page, 1094);
    auto* secondaryOn = ById<QCheckBox>(page, 1085);
    auto* secondaryCodec = ById<QComboBox>(page, 1087);
    auto* secondaryRate = ById<QComboBox>(page, 1091);
    // Set-up: all seven sizes, 720P, 25 fps, 4096, the secondary off.
    QCOMPARE(size->count(), 7);
    QCOMPARE(size->currentText(), QStringLiteral("720P(1280*720)"));
    QCOMPARE(rate->currentText(), QStringLiteral("25"));
    QCOMPARE(bitRate->currentText(), QStringLiteral("4096"));
    QVERIFY(!secondaryOn->isChecked() && !secondaryCodec->isEnabled());

    // A 5M-class camera without a model number, H.264 at 5M.
    page->FillSecondary(Stream(0, 0, 0, 25, 512), "IPCAM");
    page->FillPrimary(Stream(1, 0, 0, 25, 8192), "IPCAM", 50);
    QCOMPARE(Items(size).size(), 7);
    QCOMPARE(size->currentText(), QStringLiteral("5M(2560*1920)"));
    QCOMPARE(rate->count(), 8);
    QCOMPARE(rate->currentText(), QStringLiteral("8"));
    QCOMPARE(Items(bitRate).last(), QStringLiteral("6144"));
    QCOMPARE(bitRate->currentIndex(), -1);
    QVERIFY(!secondaryOn->isChecked() && !secondaryOn->isEnabled());
    QVERIFY(!secondaryCodec->isEnabled());

    // MPEG4 offers neither 5M nor 3M.
    Choose(codec, 1);
    QCOMPARE(size->itemText(0), QStringLiteral("1080P(1920*1080)"));
    QVERIFY(secondaryOn->isEnabled());
    // MJPEG at 3M: 20 fps at most, 2048, no bit-rate controls, no MJPEG secondary.
    Choose(codec, 2);
    QCOMPARE(size->itemText(0), QStringLiteral("3M(2048*1536)"));
    Choose(size, 0);
    QCOMPARE(Items(rate).last(), QStringLiteral("20"));
    QCOMPARE(bitRate->currentText(), QStringLiteral("2048"));
    QVERIFY(!bitRate->isEnabled() && !control->isEnabled());
    QCOMPARE(Items(secondaryCodec), QStringList({"H.264", "MPEG4"}));
    Choose(codec, 0);
    QCOMPARE(Items(secondaryCodec), QStringList({"H.264", "MPEG4", "MJPEG"}));
    QVERIFY(bitRate->isEnabled());

    // Power line frequency 60 (or an unread one) allows 30 fps.
    page->FillPrimary(Stream(1, 0, 5, 30, 4096), "VT-C6121", 60);
    QCOMPARE(Items(size).first(), QStringLiteral("1080P(1920*1080)"));
    QCOMPARE(rate->currentText(), QStringLiteral("30"));
    QCOMPARE(secondaryRate->count(), 30);
    page->FillPrimary(Stream(1, 0, 5, 30, 4096), "VT-C6121", 50);
    QCOMPARE(rate->currentText(), QStringLiteral("25"));
    QCOMPARE(secondaryRate->count(), 25);
}

void SubPagesGuiTest::aModelChoicesAndTheIFrameClock()
{
    auto* page = Show<CVideoImageDlg>();
    auto* codec = ById<QComboBox>(page, 1086);
    auto* secondaryCodec = ById<QComboBox>(page, 1087);
    auto* secondarySize = ById<QComboBox>(page, 1089);
    auto* secondaryBitRate = ById<QComboBox>(page, 1093);
    auto* secondaryControl = ById<QComboBox>(page, 1095);
    auto* secondaryOn = ById<QCheckBox>(page, 1085);
    auto* primaryIFrame = ById<QLineEdit>(page, 1096);
    auto* secondaryIFrame = ById<QLineEdit>(page, 1097);
    page->FillSecondary(Stream(0, 1, 2, 15, 2048), "VT-C6121A");
    page->FillPrimary(Stream(1, 1, 5, 25, 4096), "VT-C6121A", 50);
    QCOMPARE(Items(codec), QStringList({"H.264", "MJPEG"}));
    QCOMPARE(codec->currentText(), QStringLiteral("MJPEG"));
    QCOMPARE(Items(secondaryCodec), QStringList({"H.264", "MJPEG"}));
    QCOMPARE(secondarySize->count(), 5);
    QCOMPARE(secondarySize->currentText(), QStringLiteral("352*288"));
    QCOMPARE(Items(secondaryBitRate).last(), QStringLiteral("2048"));
    // An MJPEG secondary runs at CBR with its rate controls locked; the bit
    // rate is the camera's.
    QCOMPARE(secondaryBitRate->currentText(), QStringLiteral("2048"));
    QCOMPARE(secondaryControl->currentText(), QStringLiteral("CBR"));
    QVERIFY(secondaryOn->isChecked() && !secondaryBitRate->isEnabled());
    Choose(secondaryCodec, 0);
    QVERIFY(secondaryBitRate->isEnabled());
    Choose(secondaryCodec, 1);
    QCOMPARE(secondaryBitRate->currentText(), QStringLiteral("512"));
    QVERIFY(!secondaryBitRate->isEnabled());

    // The clock puts the I-frame intervals back into range.
    Type(primaryIFrame, QStringLiteral("0"));
    Type(secondaryIFrame, QStringLiteral("75"));
    QTRY_COMPARE_WITH_TIMEOUT(primaryIFrame->text(), QStringLiteral("1"), 2500);
    QTRY_COMPARE_WITH_TIMEOUT(secondaryIFrame->text(), QStringLiteral("60"), 2500);
    QCOMPARE(secondaryIFrame->cursorPosition(), 2);
}

// The title goes to the camera in the workstation's character set (GBK in
// this test's locale); loaded again, the page shows it as typed, so a second
// save writes the same bytes.
void SubPagesGuiTest::osdTitleReadsBackAsItWasWritten()
{
    OsdForm form;
    form.showTitle = true;
    form.title = L"\x5927\x95E8 Gate";
    const OsdRecord written = BuildOsdRecord(form);
    QVERIFY2(std::string(written.title) != PlatformToUtf8(form.title),
             "the test runs in a locale that is not UTF-8");
    auto* page = Show<CVideoImageDlg>();
    BatchSetReading reading;
    reading.video.osd = written;
    page->ShowReading(reading, tagVtIpcInfo{});
    QCOMPARE(ById<QLineEdit>(page, 1099)->text(), QString::fromStdWString(form.title));
}

void SubPagesGuiTest::bothLanguagesLabelEverything()
{
    for (const wchar_t* language : {static_cast<const wchar_t*>(nullptr), L"\u7b80\u4f53\u4e2d\u6587"}) {
        SelectLanguage(language);
        for (int which = 0; which < 2; ++which) {
            QWidget* page = which == 0 ? static_cast<QWidget*>(Show<CNetworkParamDlg>())
                                       : static_cast<QWidget*>(Show<CVideoImageDlg>());
            for (QLabel* label : page->findChildren<QLabel*>()) {
                QVERIFY2(!label->text().isEmpty() || !label->isVisible(), qPrintable(QString::number(which)));
            }
            for (QCheckBox* box : page->findChildren<QCheckBox*>()) {
                if (CtrlId(box) == 1058 || CtrlId(box) == 1069 || CtrlId(box) == 1085) {
                    QVERIFY(!box->text().isEmpty());
                }
            }
        }
        auto* video = Show<CVideoImageDlg>();
        auto* datePosition = ById<QComboBox>(video, 1103);
        datePosition->setCurrentIndex(3);
        const QString english = datePosition->currentText();
        SelectLanguage(language == nullptr ? L"\u7b80\u4f53\u4e2d\u6587" : nullptr);
        video->Relabel();
        QCOMPARE(datePosition->currentIndex(), 3);
        QVERIFY(datePosition->currentText() != english);
        SelectLanguage(language);
    }
}

QTEST_MAIN(SubPagesGuiTest)
#include "SubPagesGuiTest.moc"
