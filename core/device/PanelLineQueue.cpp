#include "PanelLineQueue.h"

#include "PanelLineText.h"


namespace {
// The panel is emptied before a line is added to more than kPanelLineLimit.
constexpr std::size_t kPanelCycle = kPanelLineLimit + 1;
} // namespace

bool PanelLineQueue::Push(PanelLine line)
{
    const bool wasEmpty = m_lines.empty();
    m_lines.push_back(std::move(line));
    if (m_lines.size() == 2 * kPanelCycle) {
        m_lines.erase(m_lines.begin(), m_lines.begin() + kPanelCycle);
    }
    return wasEmpty;
}

std::vector<PanelLine> PanelLineQueue::TakeAll()
{
    std::vector<PanelLine> lines(std::make_move_iterator(m_lines.begin()),
                                 std::make_move_iterator(m_lines.end()));
    m_lines.clear();
    return lines;
}

std::size_t PanelLineQueue::MostWaiting()
{
    return 2 * kPanelCycle - 1;
}
