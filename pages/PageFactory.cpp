#include "PageFactory.h"

#include "BatchUpgradeDlg.h"
#include "RebootQueue.h"
#include "VideoViewDlg.h"
#include "ZendrixApp.h"
#include "ZendrixDlg.h"

#include <memory>

void AddZendrixPages(CZendrixDlg& window)
{
    const CZendrixApp& app = window.App();
    static_cast<void>(app);
    // One reboot queue and restore pause for the batch set and batch upgrade pages.
    const auto rebootQueue = std::make_shared<RebootQueue>();
    auto* upgradePage = new CBatchUpgradeDlg(window, rebootQueue);
    window.AddDevicePage(upgradePage, 10003, {}, &upgradePage->Binding());
    auto* preview = new CVideoViewDlg(window);
    window.AddDevicePage(preview, 10004, {}, &preview->Binding());
}
