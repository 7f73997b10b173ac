#include "SiteReportRun.h"

#include "LangWidgets.h"
#include "MessageBox.h"
#include "OperationPanel.h"
#include "ReportHtml.h"
#include "SearchDlg.h"
#include "ZendrixDlg.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QProgressDialog>
#include <ctime>

namespace {
constexpr unsigned kFileFilter = 88312;
constexpr unsigned kReading = 88313;
constexpr unsigned kReplace = 88315;
constexpr unsigned kWritten = 88310;
constexpr unsigned kNotWritten = 88311;
constexpr unsigned kStop = 88316;
} // namespace

SiteReportRun::SiteReportRun(CZendrixDlg& window) : QObject(&window), m_window(window)
{
}

SiteReportRun::~SiteReportRun()
{
    if (m_report) {
        m_report->Cancel();
    }
    if (m_worker.joinable()) {
        m_worker.join();
    }
}

void SiteReportRun::Run()
{
    if (Running()) {
        return;
    }
    // The replace question goes through the program's one message box.
    QFileDialog dialog(&m_window);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilter(LangQText(kFileFilter));
    dialog.setDefaultSuffix(QStringLiteral("html"));
    dialog.selectFile(QStringLiteral("site-report.html"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return;
    }
    const QString path = dialog.selectedFiles().front();
    if (QFileInfo::exists(path) && ZxMessageBox(kReplace, ZxButtons::YesNo, &m_window) != ZxAnswer::Yes) {
        return;
    }
    Start(path);
}

std::vector<ReportCamera> SiteReportRun::ShownCameras() const
{
    CSearchDlg* page = m_window.IsBasicMode() ? m_window.BasicWindow() : m_window.NetworkPage();
    std::vector<ReportCamera> cameras;
    for (QTreeWidgetItem* row : page->Binding().Rows()) {
        ReportCamera camera;
        const DeviceRef entry = page->Binding().EntryOf(row);
        if (entry && page->Binding().InfoOf(row, camera.info)) {
            camera.protocol = entry->Mark();
            cameras.push_back(camera);
        }
    }
    return cameras;
}

bool SiteReportRun::Start(const QString& path)
{
    if (Running()) {
        return false;
    }
    const std::vector<ReportCamera> cameras = ShownCameras();
    m_progress = new QProgressDialog(LangQText(kReading), LangQText(kStop), 0, static_cast<int>(cameras.size()),
                                     &m_window);
    m_progress->setObjectName(QStringLiteral("siteReportProgress"));
    m_progress->setAttribute(Qt::WA_DeleteOnClose);
    m_progress->setMinimumDuration(0);
    m_progress->setValue(0);
    m_report = std::make_unique<SiteReport>();
    SiteReport* report = m_report.get();
    connect(m_progress, &QProgressDialog::canceled, this, [report] { report->Cancel(); });
    const std::string file = QFile::encodeName(path).toStdString();
    // The end's line, made here: the worker touches no language table.
    const std::wstring writtenLine = LangQText(kWritten).toStdWString() + L" " + path.toStdWString();
    const std::wstring failedLine = LangQText(kNotWritten).toStdWString() + L" " + path.toStdWString();
    m_worker = std::thread([this, report, cameras, file, writtenLine, failedLine, login = m_window.Login(),
                            post = m_window.Panel()->Poster()] {
        const std::vector<CameraCard> cards =
            report->Gather(cameras, login,
                           [this, &post](std::size_t done, std::size_t total, const std::vector<PanelLine>& lines) {
                               for (const PanelLine& line : lines) {
                                   post(line);
                               }
                               QMetaObject::invokeMethod(
                                   this, [this, done, total] { Progress(static_cast<int>(done), static_cast<int>(total)); },
                                   Qt::QueuedConnection);
                           });
        const bool written =
            !report->Cancelled() && WriteReportFile(file, ReportHtml(cards, ReportDate(std::time(nullptr))));
        post({written ? writtenLine : failedLine, true});
        QMetaObject::invokeMethod(this, [this, written] { Finish(written); }, Qt::QueuedConnection);
    });
    return true;
}

void SiteReportRun::Progress(int done, int total)
{
    if (m_progress) {
        m_progress->setMaximum(total);
        m_progress->setValue(done);
    }
}

void SiteReportRun::Finish(bool written)
{
    m_worker.join();
    m_report.reset();
    if (m_progress) {
        m_progress->close();
    }
    emit finished(written);
}
