#pragma once
// The batch set page's lab tests share one fixture: the real program
// offscreen in the lab's workstation namespace with the batch set page,
// against vtcamsim in the camera namespace, every message box answered and
// kept; what the page does is read back from the simulated cameras over the SDK.
#include "BatchRunner.h"
#include "BatchSetDlg.h"
#include "Lab.h"
#include "LangTable.h"
#include "LangWidgets.h"
#include "MessageBox.h"
#include "OperationPanel.h"
#include "PageFactory.h"
#include "ProgramFolder.h"
#include "SortListCtrl.h"
#include "SystemParamDlg.h"
#include "VtIpcSDK.h"
#include "ZendrixApp.h"
#include "ZendrixDlg.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

// Made by the first test in the workstation namespace; the test main
// destroys it at its end.
inline std::unique_ptr<QApplication> g_application;

inline void Application()
{
    static int argc = 1;
    static char name[] = "batchset_lab_tests";
    static char* argv[] = {name, nullptr};
    if (!g_application) {
        g_application = std::make_unique<QApplication>(argc, argv);
    }
}

template <class T> T* ById(QWidget* root, unsigned id)
{
    for (T* widget : root->findChildren<T*>()) {
        if (CtrlId(widget) == id) {
            return widget;
        }
    }
    return nullptr;
}

inline bool WaitFor(const std::function<bool()>& condition, int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > milliseconds) {
            return false;
        }
        QTest::qWait(50);
    }
    return true;
}

// The camera's date settings, read with the test's own login.
inline bool ReadDate(const std::string& ip, SystemDateRecord& record, const char* password = "qr7319")
{
    const int handle = Vt_Ipc_Login(ip.c_str(), ip.c_str(), 80, "admin", password, 0);
    return handle >= 0 && Vt_Ipc_GetSystemDate(handle, &record) == 0;
}

class BatchSetLab : public ::testing::Test
{
protected:
    void SetUp() override
    {
        LABKIT_REQUIRE_LAB();
        Application();
        ASSERT_TRUE(m_folder.isValid());
        ::setenv("XDG_CONFIG_HOME", m_folder.path().toLocal8Bit().constData(), 1);
        PlatformSetProgramFolder(m_folder.path().toStdString());
        ZxSetMessageBoxHook([this](const QString& text, ZxButtons) {
            m_boxes << text;
            return ZxAnswer::Ok;
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
        LangClearSelection();
        PlatformSetProgramFolder("");
        ::unsetenv("XDG_CONFIG_HOME");
    }

    void StartCameras(std::vector<std::string> args, const std::string& config = {})
    {
        args.insert(args.end(), {"--seed", "11", "--password", "qr7319"});
        if (!config.empty()) {
            const std::string path = m_folder.filePath(QStringLiteral("cameras.json")).toStdString();
            std::ofstream(path) << config;
            args.insert(args.end(), {"--config", path});
        }
        std::string error;
        m_sim = labkit::LabEnvironment::Current()->StartCamSim(args, error);
        ASSERT_GT(m_sim, 0) << error;
    }

    void StartProgram(int cameras)
    {
        m_app = std::make_unique<CZendrixApp>(std::vector<std::string>{});
        m_app->InitInstance();
        m_app->basicMode = 0;
        MainWindowOptions options;
        options.addPages = AddZendrixPages;
        m_dlg = std::make_unique<CZendrixDlg>(*m_app, options);
        m_dlg->show();
        ASSERT_GE(m_dlg->AdapterCount(), 1) << "the lab interface must be opened";
        m_page = qobject_cast<CBatchSetDlg*>(m_dlg->Sheet()->widget(1));
        ASSERT_NE(m_page, nullptr);
        m_dlg->Sheet()->setCurrentWidget(m_page);
        ASSERT_TRUE(WaitFor([&] { return List()->topLevelItemCount() == cameras; }, 10000))
            << "cameras listed: " << List()->topLevelItemCount();
    }

    QTreeWidget* List() const { return m_page->List(); }
    QWidget* System() const { return m_page->SystemPage(); }
    QStringList Lines() const
    {
        QStringList lines;
        for (int i = 0; i < m_dlg->Panel()->count(); ++i) {
            lines << m_dlg->Panel()->item(i)->text();
        }
        return lines;
    }
    QStringList LinesWith(const QString& text) const { return Lines().filter(text); }
    void ClickRow(int row)
    {
        const QRect cell = List()->visualRect(List()->model()->index(row, 4));
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, cell.center());
    }
    // A click whose load has ended: the sub-pages show the camera and "Save
    // Parameters" takes what they show.
    void LoadRow(int row)
    {
        ClickRow(row);
        WaitForLoad();
    }
    // Ticks load the reference camera's choices, which Save waits for too.
    void TickRows(int count)
    {
        for (int row = 0; row < count; ++row) {
            List()->topLevelItem(row)->setCheckState(0, Qt::Checked);
        }
        WaitForLoad();
    }
    void WaitForLoad() { ASSERT_TRUE(WaitFor([&] { return !m_page->Loading(); }, 20000)) << "the load ended"; }
    void PressSave() { QTest::mouseClick(ById<QPushButton>(m_page, 1043), Qt::LeftButton); }
    void SetPasswords(const QString& password)
    {
        ById<QLineEdit>(System(), 1029)->setText(password);
        ById<QLineEdit>(System(), 1031)->setText(password);
    }
    bool BatchDone() const { return !m_page->Runner().Running() && ById<QPushButton>(m_page, 1043)->isEnabled(); }

    QTemporaryDir m_folder;
    std::unique_ptr<CZendrixApp> m_app;
    std::unique_ptr<CZendrixDlg> m_dlg;
    CBatchSetDlg* m_page = nullptr;
    QStringList m_boxes;
    pid_t m_sim = -1;
};
