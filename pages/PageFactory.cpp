#include "PageFactory.h"

#include "VideoViewDlg.h"
#include "ZendrixApp.h"
#include "ZendrixDlg.h"

void AddZendrixPages(CZendrixDlg& window)
{
    const CZendrixApp& app = window.App();
    static_cast<void>(app);
    auto* preview = new CVideoViewDlg(window);
    window.AddDevicePage(preview, 10004, {}, &preview->Binding());
}
