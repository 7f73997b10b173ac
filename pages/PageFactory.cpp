#include "PageFactory.h"

#include "LogDlg.h"
#include "ZendrixApp.h"
#include "ZendrixDlg.h"

void AddZendrixPages(CZendrixDlg& window)
{
    const CZendrixApp& app = window.App();
    if (app.vtlog != 0) {
        auto* page = new CLogDlg(window);
        window.AddDevicePage(page, 10005, {}, &page->Binding());
    }
}
