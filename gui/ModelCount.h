#pragma once
#include "ZxExport.h"

class DeviceListBinding;
class PageHost;
class QWidget;

// The main window's Count button on a page with a device list: the rows per
// model in order of first appearance (at most 48 models), one stamped panel
// line "model:count" each, then all of them in one message box.
ZX_EXPORT void ReportModelCount(PageHost& host, const DeviceListBinding& list, QWidget* parent);
