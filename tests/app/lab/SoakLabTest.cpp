// The program with every page (offscreen, in the lab's workstation namespace)
// for ZENDRIX_SOAK_SECONDS (60 by default) against 500 simulated cameras that
// reboot, drop replies, change address and vanish at random, while a user
// types searches, sorts, switches tabs and languages, selects and ticks rows
// and runs a batch apply. At the end the simulator settles and names the
// cameras present; the program's table and lists must name exactly those,
// once each, at their addresses. Resident memory must stay flat after the
// warm-up, and every panel line must be stamped or a continuation.
#include "../../gui/GuiFixture.h"
#include "BatchRunner.h"
#include "BatchSetDlg.h"
#include "SystemParamDlg.h"
#include "Lab.h"
#include "PageFactory.h"
#include "SearchDlg.h"
#include "SortListCtrl.h"
#include "WindowLab.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <malloc.h>
#include <set>

#if defined(__SANITIZE_ADDRESS__)
#define ZX_SOAK_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZX_SOAK_ASAN 1
#endif
#endif
#ifdef ZX_SOAK_ASAN
// From the sanitizer runtime (GCC ships no header for it): bytes allocated
// and not yet freed; blocks in the quarantine count as freed.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {
using labkit::ById;
using labkit::WaitFor;
using Clock = std::chrono::steady_clock;

constexpr int kCameras = 500;
constexpr const char* kBaseIp = "192.168.60.10";

int SoakSeconds()
{
    const char* text = std::getenv("ZENDRIX_SOAK_SECONDS");
    const int seconds = text != nullptr ? std::atoi(text) : 0;
    return seconds > 0 ? seconds : 60;
}

double ResidentMegabytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::atof(line.c_str() + 6) / 1024.0;
        }
    }
    return 0;
}

// The heap the program holds: allocated and not yet freed.
double HeapMegabytes()
{
#ifdef ZX_SOAK_ASAN
    return static_cast<double>(__sanitizer_get_current_allocated_bytes()) / (1024.0 * 1024.0);
#else
    const struct mallinfo2 info = mallinfo2();
    return static_cast<double>(info.uordblks + info.hblkhd) / (1024.0 * 1024.0);
#endif
}

// What "flat" is judged on. Resident memory is what a user sees, and in the
// plain build nothing else inflates it. Under AddressSanitizer it is not a
// leak signal: freed blocks wait in a quarantine of up to 256 MB (with their
// shadow) before reuse, so resident memory climbs for minutes of churn while
// nothing leaks; the heap held is the same figure without the quarantine.
double TrackedMegabytes()
{
#ifdef ZX_SOAK_ASAN
    return HeapMegabytes();
#else
    return ResidentMegabytes();
#endif
}

// Flat: after the warm-up the figure grows by less than the slope (MB a
// minute), or grows by less than the growth (MB) in all, whichever is looser:
// a short run's slope is noisy, so it fails only when the growth it stands
// for is more than noise too. Resident memory moves by megabytes as the
// allocator takes and keeps pages; the heap held moves only by the work in
// flight (a batch apply, a page of replies), a fraction of a megabyte, so it
// is held to a quarter of those bounds.
#ifdef ZX_SOAK_ASAN
constexpr const char* kTrackedName = "heap held";
constexpr double kFlatSlope = 1.0;
constexpr double kFlatGrowth = 2.0;
#else
constexpr const char* kTrackedName = "resident";
constexpr double kFlatSlope = 4.0;
constexpr double kFlatGrowth = 8.0;
#endif

// Megabytes a minute, by least squares over (seconds, megabytes).
double Slope(const std::vector<std::pair<double, double>>& samples)
{
    double st = 0, sm = 0, stt = 0, stm = 0;
    for (const auto& [t, m] : samples) {
        st += t;
        sm += m;
        stt += t * t;
        stm += t * m;
    }
    const double n = static_cast<double>(samples.size());
    const double spread = n * stt - st * st;
    return spread > 0 ? (n * stm - st * sm) / spread * 60.0 : 0;
}

// Empty when the line is in the panel's format, else what is wrong with it.
std::string FormatFault(const QString& line)
{
    static const QRegularExpression stamped(QStringLiteral(R"(^\[\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\] )"));
    if (!stamped.match(line).hasMatch() && !line.startsWith(QString(38, QLatin1Char(' ')))) {
        return "neither stamped nor a continuation";
    }
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0x9F)) {
            return "a control character";
        }
        if (c.isHighSurrogate() && (i + 1 == line.size() || !line[i + 1].isLowSurrogate())) {
            return "not UTF-8: a lone surrogate";
        }
        if (c.isLowSurrogate() && (i == 0 || !line[i - 1].isHighSurrogate())) {
            return "not UTF-8: a lone surrogate";
        }
    }
    return {};
}

std::string MacText(const unsigned char* mac)
{
    char text[18];
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", mac[0], mac[1], mac[2], mac[3], mac[4],
                  mac[5]);
    return text;
}

// What the program lists wrongly: cameras it lost, keeps after they left, or
// shows at an old address; a few of each.
std::string Differences(const std::map<std::string, std::string>& listed,
                        const std::map<std::string, std::string>& present)
{
    std::string text;
    int shown = 0;
    for (const auto& [mac, ip] : present) {
        const auto found = listed.find(mac);
        if (found == listed.end()) {
            text += " lost " + mac + " " + ip + ";";
        } else if (found->second != ip) {
            text += " " + mac + " listed at " + found->second + " but is at " + ip + ";";
        } else {
            continue;
        }
        if (++shown == 8) {
            return text + " ...";
        }
    }
    for (const auto& [mac, ip] : listed) {
        if (present.count(mac) == 0) {
            text += " kept " + mac + " " + ip + " after it left;";
            if (++shown == 8) {
                return text + " ...";
            }
        }
    }
    return text;
}

class SoakLab : public ::testing::Test, public PrivateProgramFolder
{
protected:
    void SetUp() override
    {
        ZxSetMessageBoxHook([this](const QString& text, ZxButtons buttons) {
            m_boxes << text;
            return buttons == ZxButtons::YesNo ? ZxAnswer::Yes : ZxAnswer::Ok;
        });
    }

    void TearDown() override
    {
        m_dlg.reset();
        m_app.reset();
        ZxSetMessageBoxHook({});
    }

    QTreeWidget* ShownList() const
    {
        QWidget* page = m_dlg->Sheet()->currentWidget();
        return page != nullptr ? page->findChild<CSortListCtrl*>() : nullptr;
    }

    void ChooseLanguage(const QString& language)
    {
        QMenu* menu = m_dlg->ShowHelpMenu();
        auto* languages = menu->findChild<QMenu*>(QStringLiteral("languageMenu"));
        ASSERT_NE(languages, nullptr);
        for (QAction* action : languages->actions()) {
            if (action->text() == language) {
                action->trigger();
            }
        }
        menu->close();
    }

    // One thing a user does, picked at random.
    void UserAction(std::mt19937& random)
    {
        const auto pick = [&random](int count) { return std::uniform_int_distribution<int>(0, count - 1)(random); };
        QTreeWidget* list = ShownList();
        const int rows = list != nullptr ? list->topLevelItemCount() : 0;
        switch (pick(8)) {
        case 0: {
            static const QStringList searches = {QStringLiteral("192.168.6"), QStringLiteral("02:5a"),
                                                 QStringLiteral("VT-C"), QStringLiteral("zz"), QString()};
            user_actions::Type(ById<QLineEdit>(m_dlg.get(), 1160), searches[pick(searches.size())]);
            break;
        }
        case 1:
            if (list != nullptr) {
                user_actions::ClickHeader(list, pick(list->columnCount()));
            }
            break;
        case 2:
            m_dlg->Sheet()->setCurrentIndex(pick(m_dlg->Sheet()->count()));
            break;
        case 3:
            if (rows > 0) {
                user_actions::ClickRow(list, pick(rows), 4);
            }
            break;
        case 4:
            if (rows > 0) {
                QTreeWidgetItem* item = list->topLevelItem(pick(rows));
                item->setCheckState(0, item->checkState(0) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
            }
            break;
        case 5:
            BatchApply(random);
            break;
        case 6:
            ++m_languageSwitches;
            ChooseLanguage(m_languageSwitches % 2 == 1 ? QStringLiteral("简体中文") : QStringLiteral("English"));
            break;
        default:
            QTest::mouseClick(ById<QAbstractButton>(m_dlg.get(), 1162), Qt::LeftButton);
            break;
        }
    }

    // A new time zone for a few ticked cameras of the batch set page.
    void BatchApply(std::mt19937& random)
    {
        auto* page = qobject_cast<CBatchSetDlg*>(m_dlg->Sheet()->widget(1));
        ASSERT_NE(page, nullptr);
        auto* save = ById<QPushButton>(page, 1043);
        if (page->Runner().Running() || !save->isEnabled() || page->List()->topLevelItemCount() == 0) {
            return;
        }
        m_dlg->Sheet()->setCurrentWidget(page);
        QTreeWidget* list = page->List();
        // A click loads the camera's settings into the page, as a user starts.
        const int first = std::uniform_int_distribution<int>(0, list->topLevelItemCount() - 1)(random);
        user_actions::ClickRow(list, first, 4);
        QTest::qWait(500);
        for (int i = 0; i < 4 && list->topLevelItemCount() > 0; ++i) {
            const int row = std::uniform_int_distribution<int>(0, list->topLevelItemCount() - 1)(random);
            list->topLevelItem(row)->setCheckState(0, Qt::Checked);
        }
        auto* zone = ById<QComboBox>(page->SystemPage(), 1048);
        zone->setCurrentIndex(std::uniform_int_distribution<int>(0, zone->count() - 1)(random));
        // Save waits for the reference camera's load; a camera that vanished
        // meanwhile may hold it until its calls give up.
        for (int wait = 0; wait < 100 && page->Loading(); ++wait) {
            QTest::qWait(100);
        }
        if (!save->isEnabled()) {
            return;
        }
        QTest::mouseClick(save, Qt::LeftButton);
        ++m_batches;
    }

    void CheckNewPanelLines()
    {
        for (int i = m_checkedLines; i < m_dlg->Panel()->count(); ++i) {
            const QString line = m_dlg->Panel()->item(i)->text();
            const std::string fault = FormatFault(line);
            EXPECT_TRUE(fault.empty()) << fault << ": " << line.toStdString();
        }
        m_checkedLines = m_dlg->Panel()->count();
    }

    std::unique_ptr<CZendrixApp> m_app;
    std::unique_ptr<CZendrixDlg> m_dlg;
    QStringList m_boxes;
    int m_languageSwitches = 0;
    int m_batches = 0;
    int m_checkedLines = 0;
};

TEST_F(SoakLab, ChurningCamerasAndABusyUserLeaveTheListExactAndTheProgramSteady)
{
    LABKIT_REQUIRE_LAB();
    labkit::Lab& lab = *labkit::LabEnvironment::Current();
    labkit::EnsureWindowApplication();
    const int seconds = SoakSeconds();
    std::string error;
    const pid_t sim = lab.StartCamSim({"--count", std::to_string(kCameras), "--base-ip", kBaseIp, "--seed", "29",
                                       "--password", "qr7319", "--reboot-ms", "3000", "--churn", "0.1"},
                                      error);
    ASSERT_GT(sim, 0) << error;

    m_app = std::make_unique<CZendrixApp>(std::vector<std::string>{"vtlog", "vtoem"});
    m_app->InitInstance();
    m_app->basicMode = 0;
    std::atomic<std::int64_t> shift{0};
    m_app->Table().SetClock([&shift] { return static_cast<std::int64_t>(std::time(nullptr)) + shift.load(); });
    MainWindowOptions options;
    options.addPages = AddZendrixPages;
    m_dlg = std::make_unique<CZendrixDlg>(*m_app, options);
    m_dlg->show();
    ASSERT_GE(m_dlg->AdapterCount(), 1) << "the lab interface must be opened";
    ASSERT_TRUE(WaitFor([&] { return m_app->Table().Count() >= kCameras * 9 / 10; }, 30000))
        << "listed: " << m_app->Table().Count();

    // The user at work while the cameras churn; memory sampled every two seconds.
    std::mt19937 random(29);
    const auto start = Clock::now();
    const auto end = start + std::chrono::seconds(seconds);
    const double warmUp = std::max(20.0, seconds / 3.0);
    std::vector<std::pair<double, double>> samples;
    auto nextSample = start;
    const double firstRss = ResidentMegabytes();
    const double firstHeap = HeapMegabytes();
    int actions = 0;
    while (Clock::now() < end) {
        UserAction(random);
        ++actions;
        QTest::qWait(std::uniform_int_distribution<int>(50, 400)(random));
        CheckNewPanelLines();
        const auto now = Clock::now();
        if (now >= nextSample) {
            const double t = std::chrono::duration<double>(now - start).count();
            if (t >= warmUp) {
                samples.emplace_back(t, TrackedMegabytes());
            }
            nextSample += std::chrono::seconds(2);
        }
    }
    user_actions::Type(ById<QLineEdit>(m_dlg.get(), 1160), QString());
    ChooseLanguage(QStringLiteral("English"));
    m_dlg->Sheet()->setCurrentIndex(0);

    // The simulator settles (reboots over, dropped replies answered, the
    // vanished gone for good) and names the cameras present.
    ASSERT_EQ(::kill(sim, SIGUSR1), 0);
    std::string report;
    ASSERT_TRUE(WaitFor(
        [&] {
            report += lab.ReadOutput(sim, 0);
            return report.find("churn end") != std::string::npos;
        },
        90000))
        << report;
    std::map<std::string, std::string> present; // MAC -> IP
    std::string events;
    {
        std::istringstream lines(report);
        std::string line;
        while (std::getline(lines, line)) {
            char mac[32] = {};
            char ip[32] = {};
            if (std::sscanf(line.c_str(), "present %31s %31s", mac, ip) == 2) {
                present[mac] = ip;
            } else if (line.rfind("churn events", 0) == 0) {
                events = line;
            }
        }
    }
    ASSERT_GT(present.size(), 0u) << report;

    // Past the silence limit, a few probes: whoever answers them stays, the
    // rest leave at the next check.
    shift += kDeviceSilenceLimit + 1;
    for (int probe = 0; probe < 3; ++probe) {
        QTest::mouseClick(ById<QAbstractButton>(m_dlg.get(), 1162), Qt::LeftButton);
        QTest::qWait(1000);
    }
    m_app->Table().CheckExpired(true);
    QTest::qWait(500);

    std::map<std::string, std::string> listed;
    for (const DeviceRef& entry : m_app->Table().Entries()) {
        tagVtIpcInfo info{};
        ASSERT_TRUE(m_app->Table().Snapshot(*entry, info));
        EXPECT_TRUE(listed.emplace(MacText(info.mac), info.ip).second) << "listed twice: " << MacText(info.mac);
    }
    EXPECT_EQ(listed.size(), present.size());
    EXPECT_TRUE(listed == present) << "the table against the simulator: " << Differences(listed, present);
    for (QTreeWidget* list : {static_cast<QTreeWidget*>(m_dlg->NetworkPage()->List()),
                              static_cast<QTreeWidget*>(m_dlg->BasicWindow()->List())}) {
        std::multiset<std::string> addresses;
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            addresses.insert(list->topLevelItem(i)->text(4).toStdString());
        }
        std::multiset<std::string> expected;
        for (const auto& [mac, ip] : present) {
            expected.insert(ip);
        }
        EXPECT_TRUE(addresses == expected) << "a list shows " << addresses.size() << " rows for "
                                           << expected.size() << " cameras";
    }
    CheckNewPanelLines();

    const double lastRss = ResidentMegabytes();
    const double lastHeap = HeapMegabytes();
    const double slope = Slope(samples);
    for (const QString& box : m_boxes) {
        std::printf("soak: message box: %s\n", box.toUtf8().constData());
    }
    for (int i = 0; i < m_dlg->Panel()->count(); ++i) {
        std::printf("soak: panel: %s\n", m_dlg->Panel()->item(i)->text().toUtf8().constData());
    }
    std::printf("soak: %d s, %zu cameras present of %d, %s; %d user actions, %d batch applies, %d language "
                "switches, %d panel lines; resident %.1f MB after start, %.1f MB at the end; heap held %.1f MB after "
                "start, %.1f MB at the end; %s %.1f MB when the warm-up ended (%.0f s), %.2f MB/min after it "
                "over %zu samples\n",
                seconds, present.size(), kCameras, events.c_str(), actions, m_batches, m_languageSwitches,
                m_dlg->Panel()->count(), firstRss, lastRss, firstHeap, lastHeap, kTrackedName,
                samples.empty() ? 0.0 : samples.front().second, warmUp, slope, samples.size());
    ASSERT_GE(samples.size(), 5u);
    const double grown = slope * (samples.back().first - samples.front().first) / 60.0;
    EXPECT_TRUE(slope < kFlatSlope || grown < kFlatGrowth)
        << kTrackedName << " memory grows by " << slope << " MB a minute, " << grown << " MB after the warm-up";

    // The simulator ends cleanly too: in a sanitized build a finding or a leak
    // in it ends it with a non-zero status (its report is on standard error).
    ASSERT_EQ(::kill(sim, SIGTERM), 0);
    int simStatus = -1;
    ASSERT_TRUE(lab.WaitExit(sim, 60000, simStatus)) << "the simulator did not end";
    EXPECT_EQ(simStatus, 0) << "the simulator ended with status " << simStatus;
}
} // namespace

int main(int argc, char** argv)
{
    return labkit::RunWindowLabTests(argc, argv);
}
