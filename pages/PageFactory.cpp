#include "PageFactory.h"

#include "OemDlg.h"
#include "ZendrixApp.h"
#include "ZendrixDlg.h"

void AddZendrixPages(CZendrixDlg& window)
{
    const CZendrixApp& app = window.App();
    if (app.vtoem != 0) {
        auto* page = new COemDlg(window);
        window.AddDevicePage(page, 0, QStringLiteral("OEM"), &page->Binding());
    }
}
