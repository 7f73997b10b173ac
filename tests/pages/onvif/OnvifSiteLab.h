#pragma once
// The lab fixture of the mixed-site tests: a vtcamsim site of family and
// ONVIF cameras and the real program offscreen in the workstation namespace.
#include "BatchRunner.h"
#include "BatchSetDlg.h"
#include "BatchUpgradeDlg.h"
#include "DeviceTable.h"
#include "Lab.h"
#include "LangWidgets.h"
#include "MessageBox.h"
#include "OemDlg.h"
#include "OnvifCamera.h"
#include "OperationPanel.h"
#include "PageFactory.h"
#include "ProgramFolder.h"
#include "SortListCtrl.h"
#include "SystemParamDlg.h"
#include "VideoImageDlg.h"
#include "VtIpcSDK.h"
#include "WindowLab.h"
#include "ZendrixApp.h"
#include "ZendrixDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <memory>

namespace {

constexpr const char* kPassword = "qr7319";
constexpr int kIndia = 94; // "5.5 India (Calcutta)"

struct SiteCamera
{
    std::string ip;
    std::string mac;
};

// The camera's status page, as anyone on the site would fetch it (an https
// camera's with its self-signed certificate taken as it is).
std::string StatusPage(const std::string& ip, bool https = false)
{
    std::string page;
    const std::string command = https ? "curl -sk --max-time 3 https://" : "curl -s --max-time 3 http://";
    if (FILE* pipe = ::popen((command + ip + "/").c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            page.append(buffer, n);
        }
        ::pclose(pipe);
    }
    return page;
}

std::string Row(const std::string& label, const std::string& value)
{
    return "<tr><th>" + label + "</th><td>" + value + "</td></tr>";
}

tagVtIpcInfo Entry(const SiteCamera& camera, const char* model)
{
    tagVtIpcInfo info{};
    unsigned bytes[6] = {};
    std::sscanf(camera.mac.c_str(), "%x:%x:%x:%x:%x:%x", &bytes[0], &bytes[1], &bytes[2], &bytes[3], &bytes[4],
                &bytes[5]);
    for (int i = 0; i < 6; ++i) {
        info.mac[i] = static_cast<unsigned char>(bytes[i]);
    }
    std::snprintf(info.ip, sizeof info.ip, "%s", camera.ip.c_str());
    info.port = 80;
    std::snprintf(info.netmask, sizeof info.netmask, "255.255.255.0");
    std::snprintf(info.model, sizeof info.model, "%s", model);
    std::snprintf(info.version, sizeof info.version, "2.1.0");
    info.upTime = 1000;
    return info;
}

class OnvifSiteLab : public ::testing::Test
{
protected:
    void SetUp() override
    {
        LABKIT_REQUIRE_LAB();
        labkit::EnsureWindowApplication();
        ASSERT_TRUE(m_sandbox.Valid());
        ZxSetMessageBoxHook([this](const QString& text, ZxButtons buttons) {
            m_boxes << text;
            return buttons == ZxButtons::YesNo ? m_question : ZxAnswer::Ok;
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
    }

    // Two family cameras at base .10 and .11, two ONVIF cameras at .12 and
    // .13 (the second with a clock 90 minutes ahead); onvifPassword gives the
    // ONVIF cameras a password of their own.
    void StartSite(const std::string& net, const std::string& onvifPassword = kPassword)
    {
        m_onvif = {{net + ".12", "AC:1E:50:00:24:01"}, {net + ".13", "B0:EA:11:26:00:03"}};
        const std::string config =
            R"({"cameras": [{"index": 2, "mac": "AC:1E:50:00:24:01", "protocol": "onvif", "maker": "Acme Optics",
                "model": "AX-200", "version": "2.1.0", "name": "Parking east", "password": ")" +
            onvifPassword + R"("},
               {"index": 3, "mac": "B0:EA:11:26:00:03", "protocol": "onvif", "maker": "Borealis Vision",
                "model": "BV-9", "version": "5.0.1", "name": "Dome hall", "clockOffsetSec": 5400,
                "password": ")" +
            onvifPassword + R"("}]})";
        StartSimulator(net, config, 4);
    }

    // count cameras from base .10 on, as the site JSON config describes
    // them; those it does not name are the family's.
    void StartSimulator(const std::string& net, const std::string& config, int count)
    {
        m_count = count;
        const std::string file = m_sandbox.Path() + "/site.json";
        std::ofstream(file) << config;
        std::string error;
        m_sim = labkit::LabEnvironment::Current()->StartCamSim(
            {"--count", std::to_string(count), "--base-ip", net + ".10", "--password", kPassword, "--seed", "5",
             "--reboot-ms", "300", "--flash-ms", "200", "--config", file},
            error);
        ASSERT_GT(m_sim, 0) << error;
    }

    // The window with the page at tab, with the site's cameras found: the
    // family's by the raw frames, the ONVIF cameras by WS-Discovery and, when
    // they take the window's login, read (their MACs known).
    void StartProgram(std::vector<std::string> arguments, int tab, bool onvifLogin = true)
    {
        m_app = std::make_unique<CZendrixApp>(std::move(arguments));
        m_app->InitInstance();
        m_app->basicMode = 0;
        MainWindowOptions options;
        options.addPages = AddZendrixPages;
        m_dlg = std::make_unique<CZendrixDlg>(*m_app, options);
        m_dlg->show();
        ASSERT_GE(m_dlg->AdapterCount(), 1) << "the lab interface must be opened";
        ById<QLineEdit>(m_dlg.get(), 1039)->setText(QStringLiteral("admin"));
        ById<QLineEdit>(m_dlg.get(), 1029)->setText(QString::fromLatin1(kPassword));
        ASSERT_TRUE(labkit::WaitFor([&] { return SiteListed(onvifLogin); }, 15000))
            << m_dlg->Table().Count() << " cameras listed";
        m_page = m_dlg->Sheet()->widget(tab < 0 ? m_dlg->Sheet()->count() - 1 : tab);
        m_dlg->Sheet()->setCurrentWidget(m_page);
    }

    // The batch set page with all four cameras ticked and the choices
    // they bound loaded.
    void TickEveryCamera(CBatchSetDlg*& page)
    {
        page = qobject_cast<CBatchSetDlg*>(m_page);
        ASSERT_NE(page, nullptr);
        QTreeWidget* list = page->List();
        ASSERT_TRUE(labkit::WaitFor([&] { return list->topLevelItemCount() == 4; }, 10000));
        for (int row = 0; row < 4; ++row) {
            list->topLevelItem(row)->setCheckState(0, Qt::Checked);
        }
        ASSERT_TRUE(labkit::WaitFor([&] { return !page->Loading(); }, 20000));
    }

    // Every camera of the site in the window's table, the ONVIF cameras by
    // their MACs when they take the window's login.
    bool SiteListed(bool onvifLogin = true) const
    {
        if (m_dlg->Table().Count() != static_cast<std::size_t>(m_count)) {
            return false;
        }
        for (const SiteCamera& camera : m_onvif) {
            const tagVtIpcInfo info = Entry(camera, "");
            if (onvifLogin && !m_dlg->Table().Find(info.mac)) {
                return false;
            }
        }
        return true;
    }

    template <class T> T* ById(QWidget* root, unsigned id) const { return labkit::ById<T>(root, id); }
    QStringList Lines() const { return labkit::ListLines(m_dlg->Panel()); }
    std::string Shown() const { return Lines().join(QLatin1Char('\n')).toStdString(); }

    labkit::ProgramSandbox m_sandbox;
    std::unique_ptr<CZendrixApp> m_app;
    std::unique_ptr<CZendrixDlg> m_dlg;
    QWidget* m_page = nullptr;
    QStringList m_boxes;
    ZxAnswer m_question = ZxAnswer::Ok; // the answer to every question box
    pid_t m_sim = -1;
    int m_count = 0;
    std::vector<SiteCamera> m_onvif;
};

} // namespace
