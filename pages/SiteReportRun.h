#pragma once
#include "SiteReport.h"
#include "ZxExport.h"

#include <QObject>
#include <QPointer>
#include <memory>
#include <thread>
#include <vector>

class CZendrixDlg;
class QProgressDialog;

// The window's "Site Report..." command: asks where the page goes, reads the
// cameras of the list the operator sees, in its order, on a worker thread
// with a progress box, writes the page there and tells the operation panel.
// One report at a time; closing the window stops it.
class ZX_EXPORT SiteReportRun : public QObject
{
    Q_OBJECT

public:
    explicit SiteReportRun(CZendrixDlg& window);
    // Skips the cameras not yet read and waits for the worker.
    ~SiteReportRun() override;

    // Asks for the file, then starts the report; nothing when one runs or
    // the operator gave no file.
    void Run();
    // Starts the report of the list the operator sees into path (a local
    // file name); false while another one runs.
    bool Start(const QString& path);
    bool Running() const { return m_worker.joinable(); }

signals:
    // On the UI thread once the report ended; written says whether the page
    // is on disk.
    void finished(bool written);

private:
    std::vector<ReportCamera> ShownCameras() const;
    void Progress(int done, int total);
    void Finish(bool written);

    CZendrixDlg& m_window;
    std::unique_ptr<SiteReport> m_report;
    QPointer<QProgressDialog> m_progress;
    std::thread m_worker;
};
