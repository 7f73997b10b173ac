#pragma once
#include "RebootQueue.h"
#include "ZxExport.h"

#include <chrono>
#include <memory>

class CZendrixDlg;

// The one reboot queue of the pages that reboot cameras later. Its worker
// also opens the web addresses the pages ask for, so the pause after a
// factory restore holds those back too; the browser is started and the
// reboot lines are added to the operation panel on the UI thread.
ZX_EXPORT std::shared_ptr<RebootQueue> MakeRebootQueue(CZendrixDlg& window,
                                                       std::chrono::milliseconds tick = RebootQueue::kTick);

// Adds the pages that work on cameras to the main window, in the order of its
// sheet: batch set, batch upgrade, video preview, then the log page and the
// OEM page when the program was started with their switches; and the site
// report's command in the window's menu.
ZX_EXPORT void AddZendrixPages(CZendrixDlg& window);
