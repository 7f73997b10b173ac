#pragma once
#include "DeviceListBinding.h"
#include "ZxExport.h"

#include <QWidget>
#include <deque>
#include <memory>

class PageHost;
class CSortListCtrl;
class CFilteredEdit;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QTreeWidgetItem;
class TickedList;

// The network settings page: the cameras with their network identity, and
// the row that changes the name, IP address, port, netmask, gateway and DNS
// server of one camera, or the network settings of every ticked camera with
// one address or sequential addresses. The main window holds two: the
// "Network Settings" tab and the basic-mode window.
class ZX_EXPORT CSearchDlg : public QWidget
{
    Q_OBJECT

public:
    CSearchDlg(PageHost& host, std::uint32_t holderBit, QWidget* parent = nullptr);
    ~CSearchDlg() override;

    DeviceListBinding& Binding() { return *m_binding; }
    CSortListCtrl* List() const { return m_list; }
    bool IsMultiMode() const { return m_multi; }

    void Relabel();
    // The Count button: rows per model, as panel lines and one message box.
    void CountByModel();
    // The columns of a device list showing network identities, shared with
    // the pages that show the same view.
    static DeviceListSpec NetworkListSpec(std::uint32_t holderBit);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildControls();
    void Relayout();
    void OnRowClicked(QTreeWidgetItem* row, int column);
    void OnRowChosenByKey(QTreeWidgetItem* row);
    void OnSelectAll(bool checked);
    void OnRowsChanged();
    void OnModify();
    void OnPageTimer();
    void SendNextQueued();

    void UpdateMode();
    void SetMultiMode(bool multi);
    void SelectRow(QTreeWidgetItem* row);
    // The row of the camera the user chose; null while it has none.
    QTreeWidgetItem* SelectedRow() const;
    void FillFromCamera(const tagVtIpcInfo& info, bool withName);
    void FillMultiBoxes();
    void UpdateIpLabel();
    void UpdateModifyEnabled();
    void Focus(int field);

    PageHost& m_host;
    CSortListCtrl* m_list = nullptr;
    std::unique_ptr<DeviceListBinding> m_binding;
    std::unique_ptr<TickedList> m_tickedList;
    QCheckBox* m_selectAll = nullptr;
    QCheckBox* m_sameIp = nullptr;
    QLabel* m_nameLabel = nullptr;
    CFilteredEdit* m_name = nullptr;
    QLabel* m_ipLabel = nullptr;
    QLineEdit* m_ip = nullptr;
    QLabel* m_portLabel = nullptr;
    QLineEdit* m_port = nullptr;
    QLabel* m_netmaskLabel = nullptr;
    QLineEdit* m_netmask = nullptr;
    QLabel* m_gatewayLabel = nullptr;
    QLineEdit* m_gateway = nullptr;
    QLabel* m_dnsLabel = nullptr;
    QLineEdit* m_dns = nullptr;
    QPushButton* m_modify = nullptr;
    QTimer* m_pageTimer = nullptr;
    QTimer* m_sendTimer = nullptr;

    DeviceRef m_selected;
    bool m_multi = false;
    unsigned m_ticks = 0;
    // Change requests of a batch, sent one every 20 ms so that the window
    // stays responsive for long batches.
    std::deque<tagVtIpcInfo> m_queue;
};
