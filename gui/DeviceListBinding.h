#pragma once
#include "DeviceTable.h"
#include "ZxExport.h"

#include <QEvent>
#include <QObject>
#include <QString>
#include <array>
#include <ctime>
#include <deque>
#include <functional>
#include <mutex>
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
// none of this itself.
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
    bool Matches(const tagVtIpcInfo& info, const std::wstring& filter) const override;
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

// Registered lists in the order they receive the table's messages. Events
// posted from discovery threads are delivered on the UI thread.
//
// Messages are coalesced: a camera has at most one message waiting, however
// often it answers before the UI thread gets to it, so a flood of replies
// cannot queue without bound. The waiting messages are handed to the lists
// in slices of a few milliseconds, each slice its own event, so that input
// is served between them.
class ZX_EXPORT DeviceRouter : public QObject, public DeviceTableListener
{
    Q_OBJECT

public:
    // Takes the table's panel lines on the capture threads; it must not block.
    using LineSink = std::function<void(const PanelLine& line)>;

    explicit DeviceRouter(LineSink lines, QObject* parent = nullptr);
    ~DeviceRouter() override;

    // Appends list, or puts it just before `before` when that is registered.
    void AddRecipient(DeviceListBinding* list, const DeviceListBinding* before = nullptr);
    void RemoveRecipient(DeviceListBinding* list);
    // After this no event is posted and no line passed on; the events already
    // queued are dropped with the router.
    void Detach();

    void PostDeviceMessage(DeviceEvent event, const DeviceRef& entry) override;
    void SendDeviceGone(const DeviceRef& entry, std::uint32_t holders) override;
    void SendDevicesGone(const std::vector<Gone>& gone) override;
    void AddPanelLine(const PanelLine& line) override;

    // Messages waiting for the UI thread.
    std::size_t PendingCount() const;

protected:
    void customEvent(QEvent* event) override;

private:
    void Deliver(const std::vector<DeviceListBinding::DeviceMessage>& messages);

    std::vector<DeviceListBinding*> m_recipients;
    LineSink m_lines;
    mutable std::mutex m_postLock;
    bool m_attached = true;
    // Guarded by m_postLock: the waiting messages in order of arrival, the
    // place of each camera's message, and whether a drain event is on its way.
    std::deque<DeviceListBinding::DeviceMessage> m_pending;
    std::unordered_map<const DeviceEntry*, DeviceEvent*> m_pendingMessage;
    bool m_drainPosted = false;
};
