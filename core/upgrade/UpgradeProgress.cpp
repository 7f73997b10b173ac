#include "UpgradeProgress.h"

#include <algorithm>

void UpgradeProgress::Begin(bool ticked)
{
    m_ticked = ticked;
    m_started = 0;
    m_finished = 0;
    m_position = ticked ? 1 : 0;
}

void UpgradeProgress::JobStarted()
{
    ++m_started;
    if (!m_ticked) {
        m_position = 30;
    }
}

void UpgradeProgress::JobFinished()
{
    if (m_finished >= m_started) {
        return; // no job of this run is left to finish
    }
    ++m_finished;
    if (m_finished == m_started) {
        m_position = 100;
        return;
    }
    m_position = std::min(100, m_position + 100 / m_started);
    if (m_position < 100 && m_started - m_finished < 2) {
        m_position = 95;
    }
}
