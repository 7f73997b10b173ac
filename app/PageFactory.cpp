#include "PageFactory.h"

#include "AppSettings.h"
#include "BatchSetDlg.h"
#include "BatchUpgradeDlg.h"
#include "LogDlg.h"
#include "OemDlg.h"
#include "OperationPanel.h"
#include "RebootQueue.h"
#include "SiteReportRun.h"
#include "VideoViewDlg.h"
#include "ZendrixApp.h"
#include "ZendrixDlg.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QMetaObject>
#include <QUrl>
#include <memory>

std::shared_ptr<RebootQueue> MakeRebootQueue(CZendrixDlg& window, std::chrono::milliseconds tick)
{
    window.HandOverWebAddresses();
    // Lines of reboots that end after the window closed are dropped.
    auto addLine = [post = window.Panel()->Poster()](const PanelLine& line, bool) { post(line); };
    auto openWeb = [] {
        const std::string address = TakePendingWebAddress();
        if (address.empty()) {
            return;
        }
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [address] { QDesktopServices::openUrl(QUrl(QString::fromStdString(address))); },
            Qt::QueuedConnection);
    };
    return std::make_shared<RebootQueue>(RebootQueue::Reboot{}, openWeb, addLine, tick);
}

void AddZendrixPages(CZendrixDlg& window)
{
    const CZendrixApp& app = window.App();
    const std::shared_ptr<RebootQueue> rebootQueue = MakeRebootQueue(window);
    auto* batchSet = new CBatchSetDlg(window, rebootQueue);
    window.AddDevicePage(batchSet, 10002, {}, &batchSet->Binding());
    auto* upgradePage = new CBatchUpgradeDlg(window, rebootQueue);
    window.AddDevicePage(upgradePage, 10003, {}, &upgradePage->Binding());
    auto* preview = new CVideoViewDlg(window);
    window.AddDevicePage(preview, 10004, {}, &preview->Binding());
    if (app.vtlog != 0) {
        auto* page = new CLogDlg(window);
        window.AddDevicePage(page, 10005, {}, &page->Binding());
    }
    if (app.vtoem != 0) {
        auto* page = new COemDlg(window);
        window.AddDevicePage(page, 0, QStringLiteral("OEM"), &page->Binding());
    }
    auto* report = new SiteReportRun(window);
    report->setObjectName(QStringLiteral("siteReport"));
    window.AddMenuCommand(88309, [report] { report->Run(); });
}
