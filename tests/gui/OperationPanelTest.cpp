// The main window's operation panel: its hundred-line rule, the question
// before it is cleared, and lines from other threads posted in order.
#include "GuiFixture.h"
#include "OperationPanel.h"

#include <atomic>
#include <chrono>
#include <functional>

namespace {
// Runs work on a thread of its own while this thread serves no event; true
// when it finished so, within seconds. Should it wait for this thread after
// all, events are served until it ends, so the test reports it and goes on.
bool FinishesWithoutTheUiThread(const std::function<void()>& work)
{
    std::atomic<bool> done{false};
    std::thread worker([&] {
        work();
        done = true;
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const bool alone = done;
    while (!done) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    worker.join();
    return alone;
}

QStringList PanelTexts(const COperationPanel& panel)
{
    QStringList texts;
    for (int i = 0; i < panel.count(); ++i) {
        texts << panel.item(i)->text();
    }
    return texts;
}
} // namespace

class OperationPanelTest : public QObject
{
    Q_OBJECT

private slots:
    void panelHundredLineRuleAndClearQuestion();
    void linesFromOtherThreadsArePostedInOrderAndNeverWait();
};

void OperationPanelTest::panelHundredLineRuleAndClearQuestion()
{
    GuiFixture f;
    COperationPanel* panel = f.dlg->Panel();
    for (int i = 0; i < 100; ++i) {
        panel->AddLine({L"line", i % 2 == 0});
    }
    QCOMPARE(panel->count(), 100);
    panel->AddLine({L"one more", true});
    QCOMPARE(panel->count(), 101);
    panel->AddLine({L"survivor", false});
    QCOMPARE(panel->count(), 1);
    QCOMPARE(panel->item(0)->text(), QString(38, QLatin1Char(' ')) + QStringLiteral("survivor"));
    QCOMPARE(panel->currentRow(), 0);
    panel->AddLine({L"stamped", true});
    QVERIFY(QRegularExpression(QStringLiteral("^\\[\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}\\] stamped$"))
                .match(panel->item(1)->text())
                .hasMatch());

    f.answer = ZxAnswer::No;
    QTest::mouseClick(f.ById<QWidget>(f.dlg.get(), 1177), Qt::LeftButton);
    QCOMPARE(f.boxes, QStringList({QStringLiteral("Are you sure to clear operation log?")}));
    QCOMPARE(panel->count(), 2);
    f.answer = ZxAnswer::Yes;
    QTest::mouseClick(f.ById<QWidget>(f.dlg.get(), 1177), Qt::LeftButton);
    QCOMPARE(panel->count(), 0);
}

void OperationPanelTest::linesFromOtherThreadsArePostedInOrderAndNeverWait()
{
    GuiFixture f({}, "0");
    COperationPanel* panel = f.dlg->Panel();
    // What the panel shows once it has every line: the reference is given
    // them one by one on the UI thread.
    COperationPanel reference;
    const auto line = [](int i) { return PanelLine{L"line " + std::to_wstring(i), false}; };
    for (int i = 0; i < 30; ++i) {
        panel->AddLine(line(i));
        reference.AddLine(line(i));
    }
    // A flood of lines from a worker while the UI thread is busy: the worker
    // never waits, the list is not touched until the UI thread takes them,
    // and then it shows what the reference shows, in the order they were made.
    constexpr int kFlood = 450;
    QVERIFY(FinishesWithoutTheUiThread([post = panel->Poster(), &line] {
        for (int i = 30; i < 30 + kFlood; ++i) {
            post(line(i));
        }
    }));
    QCOMPARE(panel->count(), 30);
    for (int i = 30; i < 30 + kFlood; ++i) {
        reference.AddLine(line(i));
    }
    QCoreApplication::processEvents();
    QCOMPARE(PanelTexts(*panel), PanelTexts(reference));
    QCOMPARE(panel->currentRow(), panel->count() - 1);

    // The direct entry called from a worker by mistake posts too.
    panel->clear();
    QVERIFY(FinishesWithoutTheUiThread([panel] { panel->AddLine({L"misplaced", false}); }));
    QCOMPARE(panel->count(), 0);
    QCoreApplication::processEvents();
    QCOMPARE(PanelTexts(*panel), QStringList({QString(38, QLatin1Char(' ')) + QStringLiteral("misplaced")}));

    // The capture callback's lines: a refused change of identity.
    panel->clear();
    QVERIFY(FinishesWithoutTheUiThread([&f] {
        tagMsgInfo msg{};
        msg.info = MakeCamera(0x5E, "192.168.5.10");
        msg.result = -1;
        DeviceTable::CaptureCallback(3, &msg, &f.app->Table());
    }));
    QCOMPARE(panel->count(), 0);
    QCoreApplication::processEvents();
    QCOMPARE(panel->count(), 1);
    QVERIFY(panel->item(0)->text().contains(QStringLiteral("[00:1A:2B:3C:4D:5E] Modify IP, Port")));

    // A poster that outlives its panel drops its lines.
    auto gone = std::make_unique<COperationPanel>();
    const PanelLinePoster late = gone->Poster();
    gone.reset();
    QVERIFY(FinishesWithoutTheUiThread([&late] { late({L"after the panel", true}); }));
    QCoreApplication::processEvents();
}

QTEST_MAIN(OperationPanelTest)
#include "OperationPanelTest.moc"
