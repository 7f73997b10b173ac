#include "PageFactory.h"

#include "ZendrixApp.h"
#include "ZendrixDlg.h"

void AddZendrixPages(CZendrixDlg& window)
{
    const CZendrixApp& app = window.App();
    static_cast<void>(app);
}
