#pragma once
// The preview page in the camera lab, shared by its lab tests and its
// benchmark: vtcamsim in the camera namespace, the real main window with just
// this page offscreen in the workstation namespace, finding the cameras by
// raw frames and playing them through the device SDK.
#include "Lab.h"
#include "LangWidgets.h"
#include "OperationPanel.h"
#include "ProgramFolder.h"
#include "SortListCtrl.h"
#include "VideoViewDlg.h"
#include "VideoWnd.h"
#include "VtIpcSDK.h"
#include "ZendrixApp.h"
#include "ZendrixDlg.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace previewlab {

// Made once the process is in the workstation namespace (no thread may exist
// before that). A test main destroys it at its end; a benchmark main, which
// is not ours, leaves it to the end of the process.
inline QApplication* g_application = nullptr;
inline QApplication& Application()
{
    static int argc = 1;
    static char name[] = "zendrix_preview_lab";
    static char* argv[] = {name, nullptr};
    if (g_application == nullptr) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
        g_application = new QApplication(argc, argv);
    }
    return *g_application;
}
inline void DestroyApplication()
{
    delete g_application;
    g_application = nullptr;
}

// Keeps the event loop running until the condition holds or time runs out.
inline bool WaitFor(const std::function<bool()>& condition, int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > milliseconds) {
            return false;
        }
        QTest::qWait(10);
    }
    return true;
}

// The mean luma of a picture, every fourth pixel of every fourth row.
inline double MeanLuma(const QImage& picture)
{
    if (picture.isNull()) {
        return -1;
    }
    double sum = 0;
    int count = 0;
    for (int y = 0; y < picture.height(); y += 4) {
        const auto* row = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        for (int x = 0; x < picture.width(); x += 4) {
            sum += qGray(row[x]);
            ++count;
        }
    }
    return count > 0 ? sum / count : -1;
}

inline constexpr const char* kPassword = "pv7713";

// One lab run of the program: the simulator with the given cameras and the
// main window holding the preview page, shown and selected.
class Session
{
public:
    // `configJson`: vtcamsim's per-camera settings; `cameras`: how many to wait for.
    Session(labkit::Lab& lab, const std::string& baseIp, int cameras, const std::string& configJson,
            std::string& error)
        : m_lab(lab)
    {
        Application();
        if (!m_folder.isValid()) {
            error = "no temporary folder";
            return;
        }
        ::setenv("XDG_CONFIG_HOME", m_folder.path().toLocal8Bit().constData(), 1);
        PlatformSetProgramFolder(m_folder.path().toStdString());
        // The shipped language files, so that a test can switch languages.
        const QString lang = m_folder.filePath(QStringLiteral("Lang"));
        QDir().mkpath(lang);
        const QDir shipped(QString::fromStdString(PlatformExecutableFolder()) + QStringLiteral("/Lang"));
        for (const QString& name : shipped.entryList({QStringLiteral("*.lng")}, QDir::Files)) {
            QFile::copy(shipped.filePath(name), lang + QLatin1Char('/') + name);
        }
        const std::string config = "/tmp/zx-preview-lab-" + std::to_string(getpid()) + ".json";
        std::ofstream(config) << configJson;
        m_sim = lab.StartCamSim({"--count", std::to_string(cameras), "--base-ip", baseIp, "--password", kPassword,
                                 "--seed", "23", "--config", config},
                                error);
        std::remove(config.c_str());
        if (m_sim <= 0) {
            return;
        }
        m_app = std::make_unique<CZendrixApp>(std::vector<std::string>{});
        m_app->InitInstance();
        m_app->basicMode = 0;
        MainWindowOptions options;
        options.addPages = [this](CZendrixDlg& window) {
            m_page = new CVideoViewDlg(window);
            window.AddDevicePage(m_page, 10004, {}, &m_page->Binding());
        };
        m_dlg = std::make_unique<CZendrixDlg>(*m_app, options);
        m_dlg->resize(1400, 860);
        m_dlg->show();
        m_dlg->Sheet()->setCurrentWidget(m_page);
        Edit(1039)->setText(QStringLiteral("admin"));
        Edit(1029)->setText(QString::fromLatin1(kPassword));
        if (!WaitFor([&] { return m_page->List()->topLevelItemCount() == cameras; }, 15000)) {
            error = "cameras listed: " + std::to_string(m_page->List()->topLevelItemCount());
        }
    }

    ~Session()
    {
        Close();
        if (m_sim > 0) {
            m_lab.Stop(m_sim);
        }
        PlatformSetProgramFolder("");
        ::unsetenv("XDG_CONFIG_HOME");
    }

    // Closes and destroys the main window with its page, as the program does at exit.
    void Close()
    {
        if (m_dlg) {
            m_dlg->close();
            m_dlg.reset();
            m_page = nullptr;
        }
        m_app.reset();
    }

    CZendrixDlg& Window() { return *m_dlg; }
    CVideoViewDlg& Page() { return *m_page; }
    CVideoWnd& Video() { return *m_page->Video(); }
    QLineEdit* Edit(unsigned id)
    {
        for (QLineEdit* edit : m_dlg->findChildren<QLineEdit*>()) {
            if (CtrlId(edit) == id) {
                return edit;
            }
        }
        return nullptr;
    }

    // Clicks the row showing this IP address; the camera loads on afterwards.
    bool Click(const QString& ip)
    {
        QTreeWidget* list = m_page->List();
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            if (list->topLevelItem(i)->text(3) == ip) {
                const QRect cell = list->visualRect(list->model()->index(i, 3));
                QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
                return list->topLevelItem(i)->isSelected();
            }
        }
        return false;
    }

    // Clicks the row and waits until its camera is loaded.
    bool Select(const QString& ip) { return Click(ip) && Settled(); }

    // Waits until the page no longer waits on a camera.
    bool Settled()
    {
        return WaitFor([&] { return !m_page->Loading(); }, 20000);
    }

    QStringList Lines() const
    {
        QStringList lines;
        for (int i = 0; i < m_dlg->Panel()->count(); ++i) {
            lines << m_dlg->Panel()->item(i)->text();
        }
        return lines;
    }
    int LinesWith(const QString& text) const { return static_cast<int>(Lines().filter(text).size()); }

private:
    labkit::Lab& m_lab;
    QTemporaryDir m_folder;
    pid_t m_sim = -1;
    std::unique_ptr<CZendrixApp> m_app;
    std::unique_ptr<CZendrixDlg> m_dlg;
    CVideoViewDlg* m_page = nullptr;
};

// A login of the test's own to a camera, to read and set what the page does not.
inline int TestLogin(const char* ip)
{
    return Vt_Ipc_Login(ip, ip, 80, "admin", kPassword, 0);
}

// Sets the primary stream's frame size code and rate.
inline bool SetStream(const char* ip, int frameSize, int frameRate)
{
    const int handle = TestLogin(ip);
    VideoConfigRecord video{};
    video.stream = 1;
    if (handle < 0 || Vt_Ipc_GetVideoConfig(handle, &video) != 0) {
        return false;
    }
    video.frameSize = frameSize;
    video.frameRate = frameRate;
    return Vt_Ipc_SetVideoConfig(handle, &video) == 0;
}

} // namespace previewlab
