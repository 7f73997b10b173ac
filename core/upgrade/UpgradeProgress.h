#pragma once
#include "ZxExport.h"

// The shared progress bar of a batch upgrade. A run over ticked cameras sets
// the bar to 1 before the logins; a lone selected camera puts it at 30 once
// logged in. Each finished job moves it by 100 / jobs started; while fewer
// than two jobs are left it stands at 95, and the last job takes it to 100
// and hides it.
class ZX_EXPORT UpgradeProgress
{
public:
    // A new run: both counters at 0, the bar hidden.
    void Begin(bool ticked);
    // A camera was logged in and its job starts.
    void JobStarted();
    // A job's result arrived.
    void JobFinished();

    int Position() const { return m_position; }
    // The bar shows while jobs run.
    bool Visible() const { return m_started > m_finished; }
    bool AllFinished() const { return m_started > 0 && m_finished >= m_started; }
    int Started() const { return m_started; }
    int Finished() const { return m_finished; }

private:
    bool m_ticked = false;
    int m_started = 0;
    int m_finished = 0;
    int m_position = 0;
};
