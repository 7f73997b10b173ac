#pragma once
#include "BatchSetState.h"
#include "BatchSubPage.h"
#include "DeviceListBinding.h"
#include "DevicePage.h"
#include "ZxExport.h"

#include <QWidget>
#include <memory>
#include <vector>

class BatchRunner;
class CameraLoader;
class CSortListCtrl;
class CSystemParamDlg;
class PageHost;
class QCheckBox;
class QLabel;
class QPushButton;
class QTabWidget;
class QTreeWidgetItem;
class RebootQueue;
class TickedList;

// The "Batch Set" page: the cameras with a tick box each on the left, the
// "System", "Network" and "Video" sub-pages on the right. Clicking a camera
// loads its settings into the sub-pages; ticking cameras makes "Save
// Parameters" write the shown sub-page's values to every ticked camera, on
// the batch engine, while the window stays usable.
class ZX_EXPORT CBatchSetDlg : public QWidget, public DevicePage, public BatchSetHost
{
    Q_OBJECT

public:
    CBatchSetDlg(PageHost& host, std::shared_ptr<RebootQueue> rebootQueue, QWidget* parent = nullptr);
    ~CBatchSetDlg() override;

    // The columns and search fields of this page's device list.
    static DeviceListSpec BatchListSpec();

    DeviceListBinding& Binding() { return *m_binding; }
    CSortListCtrl* List() const { return m_list; }
    CSystemParamDlg* SystemPage() const { return m_system; }
    QTabWidget* SubSheet() const { return m_subSheet; }
    BatchRunner& Runner() const { return *m_runner; }
    RebootQueue& Reboots() const { return *m_rebootQueue; }
    // A camera's settings are being read for the sub-pages; "Save
    // Parameters" waits for the load so that it never writes half-loaded values.
    bool Loading() const;
    CameraLoader& Loader() const { return *m_loader; }

    // DevicePage
    void Relabel() override;

    // BatchSetHost
    std::vector<tagVtIpcInfo> ApplyTargets() override;
    LoginCredentials Login() const override;
    std::wstring LoginPasswordText() const override;
    void WatchLoginPassword(QObject* receiver, std::function<void()> changed) override;
    bool RunApply(std::vector<tagVtIpcInfo> targets, BatchEngine::Operation operation) override;
    void QueueReboot(std::shared_ptr<Camera> camera) override;
    bool TickedMode() const override { return m_tickedMode; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void BuildControls();
    void AddSubPage(BatchSubPage* page, unsigned titleKey);
    void Relayout();

    void OnRowClicked(QTreeWidgetItem* row, int column);
    void OnTickChanged(QTreeWidgetItem* row);
    void OnSelectAll(bool checked);
    void OnRowsChanged();
    void OnSave();
    void OnBatchProgress(int done, int total);

    // Both loads read on a worker; the newest one wins and the sub-pages are
    // filled when it ends.
    void LoadCamera(QTreeWidgetItem* row);
    void ShowLoadedCamera(const tagVtIpcInfo& camera, const BatchSetReading& reading);
    void LoadReferenceCamera();
    void OnLoadingChanged(bool loading);
    // After the ticks changed: a shared address blocks saving, otherwise the
    // reference camera's choices are loaded.
    void CheckTickedCameras();
    void SetTickedMode(bool ticked);
    // The first ticked row whose IP another row shares; null when none.
    QTreeWidgetItem* TickedConflictRow() const;
    bool SharesIp(QTreeWidgetItem* row) const;
    // Shows the conflict on row: selected, scrolled to, warning shown.
    void ShowConflict(QTreeWidgetItem* row);
    // Warning and "Save Parameters" from the state the page is in now.
    void UpdateSaveState();
    QTreeWidgetItem* SelectedRow() const;

    PageHost& m_host;
    std::shared_ptr<RebootQueue> m_rebootQueue;
    CSortListCtrl* m_list = nullptr;
    std::unique_ptr<DeviceListBinding> m_binding;
    std::unique_ptr<TickedList> m_tickedList;
    QCheckBox* m_selectAll = nullptr;
    QLabel* m_warning = nullptr;
    QPushButton* m_save = nullptr;
    QLabel* m_progress = nullptr;
    QTabWidget* m_subSheet = nullptr;
    struct SubPage
    {
        BatchSubPage* page;
        unsigned titleKey;
    };
    std::vector<SubPage> m_subPages;
    CSystemParamDlg* m_system = nullptr;
    BatchRunner* m_runner = nullptr;
    CameraLoader* m_loader = nullptr;

    DeviceRef m_selected;
    BatchSetState m_state;
    bool m_tickedMode = false;
};
