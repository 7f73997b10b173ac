#pragma once
#include "BatchRunner.h"
#include "CameraUpgrade.h"
#include "DeviceListBinding.h"
#include "DevicePage.h"
#include "FamilyList.h"
#include "UpgradeRules.h"
#include "UpgradeRun.h"
#include "ZxExport.h"

#include <QWidget>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class PageHost;
class CSortListCtrl;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTreeWidgetItem;
class TickedList;

// The firmware page: the cameras of one firmware family, an image file, and
// the upgrade of every ticked camera at once with one shared progress bar;
// also the reboot and factory restore of the chosen cameras, which the reboot
// queue shared with the batch set page completes later. Logins, uploads,
// reboots and restores run off the UI thread; their lines reach the
// operation panel while this page lives.
class ZX_EXPORT CBatchUpgradeDlg : public QWidget, public DevicePage
{
    Q_OBJECT

public:
    static constexpr std::uint32_t kHolderBit = 0x04;

    CBatchUpgradeDlg(PageHost& host, std::shared_ptr<RebootQueue> rebootQueue, QWidget* parent = nullptr);
    ~CBatchUpgradeDlg() override;

    DeviceListBinding& Binding() { return *m_binding; }
    CSortListCtrl* List() const { return m_list; }
    void Relabel() override;

    // A file chosen with Browse: refused when it is no readable regular file
    // or above 100 MiB, else shown and matched against the ticked cameras (or
    // the selected one).
    void ChooseImage(const QString& path);
    // From the start of the logins until the last upload's result.
    bool Upgrading() const;
    // Reboots or restores being sent (logins and calls, not the queued reboots).
    bool ActionsRunning() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void BuildControls();
    void Relayout();

    // The operator's choices.
    void OnRowClicked(QTreeWidgetItem* row, int column);
    void OnCurrentRowChanged(QTreeWidgetItem* current);
    void OnFamilyChanged(int index);
    void OnBrowse();
    void OnPathEdited();
    void OnUpgrade();
    void OnReboot();
    void OnRestore();

    // The list.
    void ScheduleListCheck();
    void CheckList();
    void Refill();
    void SelectRow(QTreeWidgetItem* row);
    QTreeWidgetItem* SelectedRow() const;
    std::vector<tagVtIpcInfo> Cameras(const std::vector<QTreeWidgetItem*>& rows) const;
    // The ticked rows in list order, else the selected row; empty after 90010.
    std::vector<QTreeWidgetItem*> TargetRows();

    // The checks and the warning label.
    bool CheckRows(const std::vector<QTreeWidgetItem*>& rows);
    void CheckCurrentChoice();
    void ShowWarning(unsigned key);
    void HideWarning();
    void UpdateButtons();
    std::optional<ImageName> ChosenImage() const;

    void ShowProgress();
    void RunActions(unsigned question, BatchEngine::Operation operation, std::vector<tagVtIpcInfo> targets);

    PageHost& m_host;
    std::shared_ptr<RebootQueue> m_rebootQueue;
    CSortListCtrl* m_list = nullptr;
    std::unique_ptr<DeviceListBinding> m_binding;
    std::unique_ptr<TickedList> m_tickedList;
    QCheckBox* m_selectAll = nullptr;
    QComboBox* m_family = nullptr;
    QLabel* m_warning = nullptr;
    QLabel* m_fileLabel = nullptr;
    QLineEdit* m_path = nullptr;
    QPushButton* m_browse = nullptr;
    QPushButton* m_upgrade = nullptr;
    QProgressBar* m_progressBar = nullptr;
    QPushButton* m_reboot = nullptr;
    QPushButton* m_restore = nullptr;

    DeviceRef m_selected;
    std::unique_ptr<FamilyList> m_familyList;
    bool m_listCheckPending = false;
    bool m_checkPassed = false;
    unsigned m_warningKey = 0;

    // An upgrade, and reboots and restores: each on its own runner, so a
    // reboot need not wait for an upload.
    std::unique_ptr<UpgradeRun> m_upgradeRun;
    std::unique_ptr<BatchRunner> m_actions;
};
