#pragma once
#include "DeviceTable.h"
#include "ZxExport.h"

#include <QObject>
#include <QString>
#include <array>
#include <ctime>
#include <functional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

class CSortListCtrl;
class QTreeWidgetItem;
class DeviceListBinding;

// What a device list needs from the main window.
class DeviceListHost
{
public:
    virtual ~DeviceListHost() = default;
    virtual DeviceTable& Table() = 0;
    // The search text, trimmed and lower-cased; empty when there is none.
    virtual std::wstring SearchText() const = 0;
    // True when this list is the one the operator sees now (the shown tab, or
    // the basic-mode window in basic mode): only it answers the search filter.
    virtual bool IsShownList(const DeviceListBinding* list) const = 0;
};

// One column of a device list: header text by key (0: none), width, and the
// cell text of a camera (null for the tick and number columns).
struct DeviceColumn
{
    unsigned headerKey = 0;
    int width = 100;
    std::function<QString(const tagVtIpcInfo& info, std::time_t now)> text;
};

// What distinguishes one page's device list from another's.
struct DeviceListSpec
{
    std::uint32_t holderBit = 0;
    std::vector<DeviceColumn> columns;
    int numberColumn = 1;
    std::array<int, 3> addressColumns{-1, -1, -1};
    int initialSortColumn = 0;
    bool tickBoxes = true;
    // The texts the search filter looks in.
    std::function<std::vector<std::wstring>(const tagVtIpcInfo& info, std::time_t now)> matchFields;
};

// Binds a sortable list to the device table by the page contract: rows are
// added, refreshed, removed and renumbered here, and the page's holder bit
// follows its rows. Every page with a device list configures one and writes
// none of this itself. Every list shows the protocol each camera speaks: its
// column follows the model's on screen, else the page's last column.
//
// The list stays in the order its header shows after every change: added
// rows go where the order puts them, a refreshed row whose sort text changed
// moves, a refill keeps the rows of the cameras it lists again and puts its
// new rows in order once it is complete. Rows are found by their camera at
// once; many rows are added or removed in one pass over the list. A row's
// number is its place in the list, always current.
// None of this moves the current row to another camera or emits a signal
// that a page could take for the user's choice (see CSortListCtrl).
class ZX_EXPORT DeviceListBinding : public QObject, public DeviceFilterTarget
{
    Q_OBJECT

public:
    DeviceListBinding(CSortListCtrl* list, DeviceListSpec listSpec, DeviceListHost& host,
                      QObject* parent = nullptr);
    ~DeviceListBinding() override;

    CSortListCtrl* List() const { return m_list; }

    // Table messages, on the UI thread.
    using DeviceMessage = std::pair<DeviceEvent, DeviceRef>;
    void HandleDeviceMessage(DeviceEvent event, const DeviceRef& entry);
    // Many messages at once, at most one per camera: rows added, moved or
    // removed together.
    void HandleDeviceMessages(const std::vector<DeviceMessage>& messages);
    void DeviceGone(const DeviceRef& entry);
    void DevicesGone(const std::vector<DeviceRef>& entries);

    // The contract's operations. AddRow puts the row where the list's order
    // puts it whatever resort says: a list is never left out of its order.
    // ClearRows begins a refill: the list keeps showing its rows until
    // ScrollToTop ends the refill (or another change arrives), and then shows
    // exactly the rows added since.
    void ClearRows() override;
    void AddRow(const DeviceRef& entry, const tagVtIpcInfo& info, bool resort);
    void RefreshRow(QTreeWidgetItem* row, const tagVtIpcInfo& info);
    void RemoveRow(const DeviceRef& entry);
    QTreeWidgetItem* FindRow(const DeviceEntry* entry) const;
    void RelabelHeaders();

    std::uint32_t HolderBit() const override { return m_spec.holderBit; }
    // The page's fields, and the protocol in the shown language and as the
    // plain word ("onvif"), so that one filter finds them in either language.
    bool Matches(const tagVtIpcInfo& info, ProtocolMark protocol, const std::wstring& filter) const override;
    // A refill: rows are made as they come (or kept, for cameras listed
    // before) and put in the list, in order, all at once by ScrollToTop,
    // which ends every refill.
    void AddFilteredRow(const DeviceRef& entry, const tagVtIpcInfo& info) override;
    void ScrollToTop() override;

    // Rows and what they show.
    DeviceRef EntryOf(const QTreeWidgetItem* row) const;
    // The camera of a row as the table holds it now; false when it is gone.
    bool InfoOf(const QTreeWidgetItem* row, tagVtIpcInfo& info) const;
    std::vector<QTreeWidgetItem*> Rows() const;
    std::vector<QTreeWidgetItem*> TickedRows() const;

signals:
    // Rows were added, removed or cleared; pages recheck their state.
    void rowsChanged();

private:
    void ShowProtocolAfterModel();
    bool FilterApplies() const;
    // Shows the record in the row; true when the text of the sort column changed.
    bool FillRow(QTreeWidgetItem* row, const tagVtIpcInfo& info);
    QTreeWidgetItem* NewRow(const DeviceRef& entry, const tagVtIpcInfo& info);
    // Puts the rows in the list: one by one where they go, or, when they are
    // many, appended and sorted once.
    void InsertRows(const std::vector<QTreeWidgetItem*>& rows);
    // Deletes the rows of these cameras and clears the holder bit.
    void DeleteRowsOf(const std::vector<DeviceRef>& entries);
    // Ends an open refill: deletes the rows no camera claimed again and puts
    // the new rows in order.
    void FinishRefill();

    CSortListCtrl* m_list;
    // The page's columns and the protocol column after them.
    DeviceListSpec m_spec;
    DeviceListHost& m_host;
    std::unordered_map<const DeviceEntry*, QTreeWidgetItem*> m_rows;
    // A list operation never starts inside another one on the same list.
    int m_busy = 0;
    // An open refill: the rows listed before it that no camera has claimed
    // yet, the new rows not yet in the list, and whether a kept row's sort
    // text changed.
    bool m_refilling = false;
    std::unordered_map<const DeviceEntry*, QTreeWidgetItem*> m_refillLeft;
    std::vector<QTreeWidgetItem*> m_refillRows;
    bool m_refillMoved = false;
};
