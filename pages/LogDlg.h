#pragma once
#include "DeviceListBinding.h"
#include "DevicePage.h"
#include "LogDatabase.h"
#include "LogFilterRow.h"
#include "LogGrid.h"
#include "LogOperations.h"
#include "LogPageState.h"
#include "ZxExport.h"

#include <QWidget>
#include <functional>
#include <memory>
#include <string>

class BatchRunner;
class CameraLoader;
class PageHost;
class CSortListCtrl;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimeEdit;
class QToolButton;

// The "Log" page: a camera's own event log, filtered by type and time and
// paged 40 rows at a time, and the files that can be fetched from it (a copy
// of the log, its configuration, any named file). A camera of another maker
// keeps no such log: its system log is shown as plain lines instead. Works on
// the selected camera; everything that asks the camera or reads its log runs
// off the window's thread while the page shows itself busy.
class ZX_EXPORT CLogDlg : public QWidget, public DevicePage
{
    Q_OBJECT

public:
    static constexpr std::uint32_t kHolderBit = 0x40;

    explicit CLogDlg(PageHost& host, QWidget* parent = nullptr);
    ~CLogDlg() override;

    DeviceListBinding& Binding() { return *m_binding; }
    void Relabel() override;

    // The controls, for tests.
    CSortListCtrl* List() const { return m_list; }
    LogGrid* Grid() const { return m_grid; }
    // The system log of a camera without a log database, in the grid's place.
    QPlainTextEdit* SystemLogText() const { return m_systemLog; }
    QComboBox* MainTypeBox() const { return m_filterRow->MainType(); }
    QComboBox* SubTypeBox() const { return m_filterRow->SubType(); }
    QDateEdit* StartDate() const { return m_filterRow->StartDate(); }
    QTimeEdit* StartTime() const { return m_filterRow->StartTime(); }
    QDateEdit* EndDate() const { return m_filterRow->EndDate(); }
    QTimeEdit* EndTime() const { return m_filterRow->EndTime(); }
    QLineEdit* PageBox() const { return m_pageBox; }
    QLabel* PageLabel() const { return m_pageLabel; }
    QLabel* TipsLabel() const { return m_tips; }
    QPushButton* QueryButton() const { return m_filterRow->QueryButton(); }
    QToolButton* PreviousButton() const { return m_previous; }
    QToolButton* NextButton() const { return m_next; }
    QPushButton* GoButton() const { return m_go; }
    QPushButton* ShowButton() const { return m_show; }
    QPushButton* DownloadButton() const { return m_download; }
    QPushButton* ExportButton() const { return m_export; }
    QPushButton* CustomButton() const { return m_custom; }
    // Camera work or a page of the log still on its way.
    bool Busy() const;
    int CurrentPage() const { return m_grid->CurrentPage(); }
    int TotalPages() const { return m_grid->TotalPages(); }

    // Hook for tests: the custom download dialog, answered in advance. It
    // receives the dialog after it was filled and returns whether OK was pressed.
    using CustomDialogHook = std::function<bool(class CCustomDownloadDlg& dialog)>;
    void SetCustomDialogHook(CustomDialogHook hook) { m_customHook = std::move(hook); }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildControls();
    void Relayout();

    void OnSelectionChanged();
    void OnRowDoubleClicked(QTreeWidgetItem* row, int column);
    void OnRowsChanged();
    void OnQuery();
    void OnShowLog();
    void OnFile(CameraFileKind kind);
    void OnPrevious();
    void OnNext();
    void OnGo();

    // The selected camera as the table holds it now; false with 90010 shown
    // (when asked) if there is none.
    bool SelectedCamera(tagVtIpcInfo& camera, bool tell);
    // Reads page `page` of the selected camera's log on a worker; the grid
    // shows it once it is read.
    void ShowPage(int page);
    void ClearGrid();
    void ShowSystemLog(const SystemLogView& log);
    void ShowConflict(bool conflict);

    // Runs work for the camera off the window's thread; the outcome comes
    // back to Finish on this thread while the page lives.
    void Run(const tagVtIpcInfo& camera, std::function<LogOutcome(const tagVtIpcInfo&)> work);
    void Finish();
    void OnQueryRunning(bool running);
    void UpdateControls();
    void RevealFile(const std::string& path);

    PageHost& m_host;
    CSortListCtrl* m_list = nullptr;
    std::unique_ptr<DeviceListBinding> m_binding;
    LogGrid* m_grid = nullptr;
    QPlainTextEdit* m_systemLog = nullptr;
    std::unique_ptr<LogFilterRow> m_filterRow;
    QLabel* m_tips = nullptr;
    QPushButton* m_show = nullptr;
    QPushButton* m_download = nullptr;
    QPushButton* m_export = nullptr;
    QPushButton* m_custom = nullptr;
    QToolButton* m_previous = nullptr;
    QLabel* m_pageLabel = nullptr;
    QLabel* m_pageWord = nullptr;
    QToolButton* m_next = nullptr;
    QPushButton* m_go = nullptr;
    QLineEdit* m_pageBox = nullptr;
    BatchRunner* m_runner = nullptr;
    CameraLoader* m_pages = nullptr; // reads the pages of the log

    DeviceRef m_selected; // the camera worked on; null when none
    std::shared_ptr<Camera> m_loggedIn; // its login
    bool m_filterActive = false;
    tagLogFilter m_savedFilter{}; // main type, sub type code and range of the last query
    int m_customKind = 0;
    std::string m_customName;
    LogPageState m_state;
    DeviceRef m_jobCamera; // the camera the running work is for
    std::shared_ptr<LogOutcome> m_jobOutcome;
    CustomDialogHook m_customHook;
};
