#pragma once
#include "ZxExport.h"

class CZendrixDlg;

// Adds the pages that work on cameras to the main window, in the order of its
// sheet: batch set, batch upgrade, video preview, then the log page and the
// OEM page when the program was started with their switches.
ZX_EXPORT void AddZendrixPages(CZendrixDlg& window);
