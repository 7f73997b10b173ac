#pragma once
#include "DeviceListBinding.h"
#include "DevicePage.h"
#include "ZxExport.h"

#include <QWidget>
#include <memory>

class BatchRunner;
class CFilteredEdit;
class CSortListCtrl;
class PageHost;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTreeWidgetItem;
class TickedList;

// The OEM page: brands cameras for a reseller. The company, website, model
// and version typed here become the OEM file vtoem.cfg in the program folder,
// which is uploaded to every ticked camera (or the selected one) followed by
// the chosen image files; each camera's outcome is a panel line. Present only
// when the program runs with the vtoem switch.
class ZX_EXPORT COemDlg : public QWidget, public DevicePage
{
    Q_OBJECT

public:
    static constexpr std::uint32_t kHolderBit = 0x10;

    explicit COemDlg(PageHost& host, QWidget* parent = nullptr);
    ~COemDlg() override;

    DeviceListBinding& Binding() { return *m_binding; }
    CSortListCtrl* List() const { return m_list; }
    BatchRunner& Runner() const { return *m_runner; }
    bool CheckedMode() const { return m_checkedMode; }

    // DevicePage
    void Relabel() override;
    void CountByModel() override;

    // Puts the files a Browse choice picked into the image-file box by the
    // list rules; an empty pick leaves the box as it was.
    void TakeChosenFiles(const QStringList& paths);
    void Upload();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildControls();
    void Relayout();
    void OnCurrentRowChanged(QTreeWidgetItem* current);
    void OnRowClicked(QTreeWidgetItem* row, int column);
    void OnRowTextChanged(QTreeWidgetItem* row, int column);
    void OnRowsChanged();
    void OnBrowse();
    void SelectDevice(QTreeWidgetItem* row);
    // Checked mode from the ticks, then whether Upload may run on the targets.
    void UpdateTargets();
    void ShowConflict(bool conflict);
    std::vector<tagVtIpcInfo> Targets();

    PageHost& m_host;
    CSortListCtrl* m_list = nullptr;
    std::unique_ptr<DeviceListBinding> m_binding;
    std::unique_ptr<TickedList> m_tickedList;
    QCheckBox* m_selectAll = nullptr;
    QLabel* m_tips = nullptr;
    QProgressBar* m_progress = nullptr;
    QGroupBox* m_group = nullptr;
    QLabel* m_companyLabel = nullptr;
    CFilteredEdit* m_company = nullptr;
    QLabel* m_websiteLabel = nullptr;
    CFilteredEdit* m_website = nullptr;
    QLabel* m_modelLabel = nullptr;
    CFilteredEdit* m_model = nullptr;
    QLabel* m_versionLabel = nullptr;
    QComboBox* m_version = nullptr;
    QLabel* m_imagesLabel = nullptr;
    CFilteredEdit* m_images = nullptr;
    QPushButton* m_browse = nullptr;
    QPushButton* m_upload = nullptr;
    std::unique_ptr<BatchRunner> m_runner;

    // Outside checked mode the selected device is the list's current row.
    bool m_checkedMode = false;
    // Upload may run on the targets (no address shared with another row).
    bool m_targetsUsable = false;
};
