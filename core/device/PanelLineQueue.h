#pragma once
#include "PanelLine.h"
#include "ZxExport.h"

#include <cstddef>
#include <deque>
#include <vector>

// Lines made on other threads for the operation panel, waiting for the UI
// thread, which takes them all at once. Whoever owns the queue locks it.
//
// A flood of lines (replies to changes of identity are anyone's to forge)
// cannot make it grow without bound, and what the panel shows once it takes
// them is exactly what it would show had every line waited: the panel empties itself
// whenever it holds more than kPanelLineLimit lines, so the oldest
// kPanelLineLimit + 1 of twice as many waiting lines would be wiped before
// the rest arrive; they are dropped here instead.
class ZX_EXPORT PanelLineQueue
{
public:
    // True when the queue was empty before: the UI thread must be asked to
    // take the lines.
    bool Push(PanelLine line);
    // Every waiting line, oldest first; the queue is empty afterwards.
    std::vector<PanelLine> TakeAll();
    std::size_t Size() const { return m_lines.size(); }

    // The most lines that ever wait.
    static std::size_t MostWaiting();

private:
    std::deque<PanelLine> m_lines;
};
