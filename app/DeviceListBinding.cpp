#include "DeviceListBinding.h"

#include "DeviceRules.h"
#include "LangWidgets.h"
#include "SortListCtrl.h"

#include <QCoreApplication>
#include <QEvent>
#include <QHeaderView>
#include <QTimer>
#include <algorithm>

namespace {
// A row of a device list: it keeps its camera alive for as long as it shows it.
class DeviceRowItem : public QTreeWidgetItem
{
public:
    explicit DeviceRowItem(DeviceRef entry) : QTreeWidgetItem(UserType), m_entry(std::move(entry)) {}
    const DeviceRef& Entry() const { return m_entry; }

private:
    DeviceRef m_entry;
};

class DeviceEvent : public QEvent
{
public:
    DeviceEvent(int message, DeviceRef entry)
        : QEvent(DeviceEventType(message)), m_message(message), m_entry(std::move(entry))
    {
    }
    int Message() const { return m_message; }
    const DeviceRef& Entry() const { return m_entry; }

private:
    int m_message;
    DeviceRef m_entry;
};

// Counts nested list operations; an operation that finds one running is skipped.
class BusyScope
{
public:
    explicit BusyScope(int& counter) : m_counter(counter) { ++m_counter; }
    ~BusyScope() { --m_counter; }
    bool Nested() const { return m_counter > 1; }

private:
    int& m_counter;
};
} // namespace

QEvent::Type DeviceEventType(int message)
{
    return static_cast<QEvent::Type>(QEvent::User + message);
}

DeviceListBinding::DeviceListBinding(CSortListCtrl* list, DeviceListSpec listSpec, DeviceListHost& host,
                                     QObject* parent)
    : QObject(parent), m_list(list), m_spec(std::move(listSpec)), m_host(host)
{
    m_list->setColumnCount(static_cast<int>(m_spec.columns.size()));
    for (int c = 0; c < static_cast<int>(m_spec.columns.size()); ++c) {
        m_list->setColumnWidth(c, m_spec.columns[static_cast<std::size_t>(c)].width);
    }
    m_list->SetAddressColumns(m_spec.addressColumns[0], m_spec.addressColumns[1], m_spec.addressColumns[2]);
    m_list->SetNumberColumn(m_spec.numberColumn);
    RelabelHeaders();
    m_list->Sort(m_spec.initialSortColumn, true);
    connect(m_list, &CSortListCtrl::listSorted, this, &DeviceListBinding::Renumber);
}

DeviceListBinding::~DeviceListBinding()
{
    ClearRows();
}

void DeviceListBinding::RelabelHeaders()
{
    QStringList labels;
    for (const DeviceColumn& column : m_spec.columns) {
        labels << (column.headerKey != 0 ? LangQText(column.headerKey) : QString());
    }
    m_list->setHeaderLabels(labels);
}

bool DeviceListBinding::FilterApplies() const
{
    return m_host.IsShownList(this) && !m_host.SearchText().empty();
}

bool DeviceListBinding::Matches(const tagVtIpcInfo& info, const std::wstring& filter) const
{
    return MatchesFilter(m_spec.matchFields(info, std::time(nullptr)), filter);
}

void DeviceListBinding::HandleDeviceMessage(int message, const DeviceRef& entry)
{
    tagVtIpcInfo info{};
    QTreeWidgetItem* row = FindRow(entry.get());
    if (!m_host.Table().Snapshot(*entry, info)) {
        // The table let the camera go after this message was queued.
        if (row != nullptr) {
            RemoveRow(entry);
        }
        return;
    }
    const bool filtered = FilterApplies();
    switch (message) {
    case WM_DEVICE_ADDED:
    case WM_DEVICE_UPDATED:
        if (filtered && !Matches(info, m_host.SearchText())) {
            if (row != nullptr) {
                RemoveRow(entry);
            } else {
                entry->holders.fetch_and(~m_spec.holderBit);
            }
        } else if (row != nullptr) {
            RefreshRow(row, info);
        } else {
            AddRow(entry, info, !filtered);
        }
        break;
    case WM_DEVICE_MODIFIED:
        if (row != nullptr) {
            RefreshRow(row, info);
        }
        break;
    default:
        break;
    }
}

void DeviceListBinding::DeviceGone(const DeviceRef& entry)
{
    RemoveRow(entry);
    entry->holders.fetch_and(~m_spec.holderBit);
}

void DeviceListBinding::ClearRows()
{
    BusyScope busy(m_busy);
    if (busy.Nested()) {
        return;
    }
    for (QTreeWidgetItem* row : Rows()) {
        if (const DeviceRef entry = EntryOf(row)) {
            entry->holders.fetch_and(~m_spec.holderBit);
        }
    }
    m_list->clear();
    emit rowsChanged();
}

void DeviceListBinding::FillRow(QTreeWidgetItem* row, const tagVtIpcInfo& info, bool allColumns)
{
    const std::time_t now = std::time(nullptr);
    for (int c = 0; c < static_cast<int>(m_spec.columns.size()); ++c) {
        const DeviceColumn& column = m_spec.columns[static_cast<std::size_t>(c)];
        if (!column.text || (!allColumns && c == m_spec.numberColumn)) {
            continue;
        }
        const QString text = column.text(info, now);
        if (row->text(c) != text) {
            row->setText(c, text);
        }
    }
}

void DeviceListBinding::AddRow(const DeviceRef& entry, const tagVtIpcInfo& info, bool resort)
{
    BusyScope busy(m_busy);
    if (busy.Nested()) {
        return;
    }
    auto* row = new DeviceRowItem(entry);
    if (m_spec.tickBoxes) {
        row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
        row->setCheckState(0, Qt::Unchecked);
    }
    row->setTextAlignment(0, Qt::AlignCenter);
    FillRow(row, info, true);
    entry->holders.fetch_or(m_spec.holderBit);
    if (resort) {
        m_list->InsertSorted(row);
    } else {
        m_list->addTopLevelItem(row);
    }
    ScheduleRenumber();
    emit rowsChanged();
}

void DeviceListBinding::AddFilteredRow(const DeviceRef& entry, const tagVtIpcInfo& info)
{
    AddRow(entry, info, false);
}

void DeviceListBinding::RefreshRow(QTreeWidgetItem* row, const tagVtIpcInfo& info)
{
    BusyScope busy(m_busy);
    if (busy.Nested() || row == nullptr) {
        return;
    }
    FillRow(row, info, false);
}

void DeviceListBinding::RemoveRow(const DeviceRef& entry)
{
    BusyScope busy(m_busy);
    if (busy.Nested()) {
        return;
    }
    if (QTreeWidgetItem* row = FindRow(entry.get())) {
        delete row;
        entry->holders.fetch_and(~m_spec.holderBit);
        Renumber();
        emit rowsChanged();
    }
}

QTreeWidgetItem* DeviceListBinding::FindRow(const DeviceEntry* entry) const
{
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = m_list->topLevelItem(i);
        if (EntryOf(row).get() == entry) {
            return row;
        }
    }
    return nullptr;
}

void DeviceListBinding::Renumber()
{
    m_renumberPending = false;
    if (m_spec.numberColumn < 0) {
        return;
    }
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        const QString number = QString::number(i + 1);
        QTreeWidgetItem* row = m_list->topLevelItem(i);
        if (row->text(m_spec.numberColumn) != number) {
            row->setText(m_spec.numberColumn, number);
        }
    }
}

void DeviceListBinding::ScheduleRenumber()
{
    if (!m_renumberPending) {
        m_renumberPending = true;
        QTimer::singleShot(0, this, [this] {
            if (m_renumberPending) {
                Renumber();
            }
        });
    }
}

void DeviceListBinding::ScrollToTop()
{
    Renumber();
    if (m_list->topLevelItemCount() > 0) {
        m_list->scrollToItem(m_list->topLevelItem(0));
    }
}

DeviceRef DeviceListBinding::EntryOf(const QTreeWidgetItem* row) const
{
    if (row == nullptr || row->type() != QTreeWidgetItem::UserType) {
        return nullptr;
    }
    return static_cast<const DeviceRowItem*>(row)->Entry();
}

bool DeviceListBinding::InfoOf(const QTreeWidgetItem* row, tagVtIpcInfo& info) const
{
    const DeviceRef entry = EntryOf(row);
    return entry && m_host.Table().Snapshot(*entry, info);
}

std::vector<QTreeWidgetItem*> DeviceListBinding::Rows() const
{
    std::vector<QTreeWidgetItem*> rows;
    rows.reserve(static_cast<std::size_t>(m_list->topLevelItemCount()));
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        rows.push_back(m_list->topLevelItem(i));
    }
    return rows;
}

std::vector<QTreeWidgetItem*> DeviceListBinding::TickedRows() const
{
    std::vector<QTreeWidgetItem*> rows;
    for (QTreeWidgetItem* row : Rows()) {
        if (row->checkState(0) == Qt::Checked) {
            rows.push_back(row);
        }
    }
    return rows;
}

DeviceRouter::DeviceRouter(LineSink lines, QObject* parent) : QObject(parent), m_lines(std::move(lines)) {}

DeviceRouter::~DeviceRouter()
{
    Detach();
}

void DeviceRouter::AddRecipient(DeviceListBinding* list, const DeviceListBinding* before)
{
    m_recipients.insert(std::find(m_recipients.begin(), m_recipients.end(), before), list);
}

void DeviceRouter::RemoveRecipient(DeviceListBinding* list)
{
    m_recipients.erase(std::remove(m_recipients.begin(), m_recipients.end(), list), m_recipients.end());
}

void DeviceRouter::Detach()
{
    std::lock_guard lock(m_postLock);
    m_attached = false;
}

void DeviceRouter::PostDeviceMessage(int message, const DeviceRef& entry)
{
    std::lock_guard lock(m_postLock);
    if (m_attached) {
        QCoreApplication::postEvent(this, new DeviceEvent(message, entry));
    }
}

void DeviceRouter::customEvent(QEvent* event)
{
    if (event->type() < QEvent::User + WM_DEVICE_ADDED || event->type() > QEvent::User + WM_DEVICE_GONE) {
        QObject::customEvent(event);
        return;
    }
    const auto* device = static_cast<DeviceEvent*>(event);
    for (DeviceListBinding* list : m_recipients) {
        list->HandleDeviceMessage(device->Message(), device->Entry());
    }
}

void DeviceRouter::SendDeviceGone(const DeviceRef& entry, std::uint32_t holders)
{
    for (DeviceListBinding* list : m_recipients) {
        if ((holders & list->HolderBit()) != 0) {
            list->DeviceGone(entry);
        }
    }
}

void DeviceRouter::AddPanelLine(const std::wstring& text, bool stamped)
{
    {
        std::lock_guard lock(m_postLock);
        if (!m_attached) {
            return;
        }
    }
    m_lines(text, stamped);
}
