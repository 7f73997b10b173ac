#pragma once
#include "ZxExport.h"

// What the log page is doing, in one value. Camera work (opening the selected
// camera's log, showing it again, fetching a file) asks the camera on the
// page's runner; a query reads one page of the log's local copy on a worker.
enum class LogPageActivity
{
    Idle,
    CameraWork, // the camera is asked; the page takes no other command
    Querying,   // a page of the log is read; a newer query replaces it
    Closed,     // the page is going: nothing starts, late results are dropped
};

// What the page shows of the selected camera: pages of its log database, or
// the plain lines of its system log (a camera of another maker), to which
// the filters, the page commands and the downloads do not apply.
enum class LogPageView
{
    Database,
    SystemLines,
};

// The transitions of the log page. The page asks before it starts anything
// and reports each end; a refused start means the page does nothing.
class ZX_EXPORT LogPageState
{
public:
    LogPageActivity Activity() const { return m_activity; }
    // The list and every command are disabled while busy.
    bool Busy() const { return m_activity == LogPageActivity::CameraWork || m_activity == LogPageActivity::Querying; }

    // Camera work starts when idle, or during a query, which the page drops
    // (another camera's log, or a new copy of it, makes that page moot).
    bool CanStartCameraWork() const;
    void CameraWorkStarted();
    // False when no camera work was running (the page closed meanwhile):
    // its outcome is not shown.
    bool CameraWorkEnded();

    LogPageView View() const { return m_view; }
    void Show(LogPageView view) { m_view = view; }
    // The filters, the page commands and the downloads: idle, with the log
    // database shown.
    bool DatabaseCommands() const { return !Busy() && m_view == LogPageView::Database; }

    // A query starts when idle and replaces a query still running; refused
    // while the camera is asked (its log may be rewritten), while a system
    // log is shown and once closed.
    bool CanQuery() const;
    void QueryStarted();
    // The newest query was shown or dropped.
    void QueryEnded();

    void Close() { m_activity = LogPageActivity::Closed; }

private:
    LogPageActivity m_activity = LogPageActivity::Idle;
    LogPageView m_view = LogPageView::Database;
};
