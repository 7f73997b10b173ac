#include "DeviceListBinding.h"

#include "LangWidgets.h"
#include "LogText.h"
#include "SearchFilter.h"
#include "SortListCtrl.h"

#include <QSignalBlocker>
#include <QHeaderView>
#include <algorithm>
#include <cstring>

namespace {
// The protocol column every list ends with; on screen it follows the model,
// where it is seen at the default width.
constexpr unsigned kProtocolHeaderKey = 20040;
constexpr unsigned kModelHeaderKey = 20006;
constexpr int kProtocolColumnWidth = 100;

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

// A cell shows what the camera says on one line: a line end in a name would
// make every row of the list as tall as that row.
QString CellText(const QString& text)
{
    const bool control =
        std::any_of(text.begin(), text.end(), [](QChar c) { return IsLogControl(c.unicode()); });
    return control ? QString::fromStdWString(EscapeLogText(text.toStdWString())) : text;
}

// A row of a device list: it keeps its camera alive for as long as it shows
// it, and keeps the record it shows; its cells are made from that record
// when they are asked for (in practice the few rows on screen), so a row
// costs one record however many columns its list has, and a camera that
// answers with the same record again costs nothing. Its number cell shows
// its place in the list as it is now, so no row is renumbered when others
// come or go.
class DeviceRowItem : public QTreeWidgetItem
{
public:
    DeviceRowItem(DeviceRef entry, const DeviceListSpec& listSpec, const tagVtIpcInfo& info)
        : QTreeWidgetItem(UserType), m_entry(std::move(entry)), m_spec(listSpec), m_info(info),
          m_protocol(m_entry->Mark())
    {
    }
    const DeviceRef& Entry() const { return m_entry; }

    // Shows this record and the camera's protocols as they are now; false
    // when it already did.
    bool Show(const tagVtIpcInfo& info)
    {
        const ProtocolMark protocol = m_entry->Mark();
        if (std::memcmp(&info, &m_info, sizeof info) == 0 && protocol == m_protocol) {
            return false;
        }
        m_info = info;
        m_protocol = protocol;
        m_sortTextColumn = -1;
        emitDataChanged();
        return true;
    }

    QVariant data(int column, int role) const override
    {
        if ((role != Qt::DisplayRole && role != Qt::EditRole) || column < 0 ||
            column >= static_cast<int>(m_spec.columns.size())) {
            return QTreeWidgetItem::data(column, role);
        }
        if (column == m_spec.numberColumn) {
            QTreeWidget* list = treeWidget();
            const int place = list != nullptr ? list->indexOfTopLevelItem(const_cast<DeviceRowItem*>(this)) : -1;
            return place >= 0 ? QString::number(place + 1) : QString();
        }
        const DeviceColumn& cell = m_spec.columns[static_cast<std::size_t>(column)];
        if (column + 1 == static_cast<int>(m_spec.columns.size())) {
            return QString::fromStdWString(ProtocolText(m_protocol));
        }
        if (!cell.text) {
            return QTreeWidgetItem::data(column, role);
        }
        const std::time_t now = std::time(nullptr);
        if (column == m_sortTextColumn && now == m_sortTextTime) {
            return m_sortText;
        }
        const QString text = CellText(cell.text(m_info, now));
        // Sorting and placing rows ask for the sort column's text many times
        // within a moment; a text that depends on the time is made afresh
        // the next second.
        if (const auto* list = static_cast<const CSortListCtrl*>(treeWidget());
            list != nullptr && list->SortColumn() == column) {
            m_sortText = text;
            m_sortTextColumn = column;
            m_sortTextTime = now;
        }
        return text;
    }

private:
    DeviceRef m_entry;
    const DeviceListSpec& m_spec;
    tagVtIpcInfo m_info;
    ProtocolMark m_protocol;
    // The text of the column the list was sorted by when it was last asked
    // for, and the second it was made in.
    mutable QString m_sortText;
    mutable int m_sortTextColumn = -1;
    mutable std::time_t m_sortTextTime = 0;
};

} // namespace

DeviceListBinding::DeviceListBinding(CSortListCtrl* list, DeviceListSpec listSpec, DeviceListHost& host,
                                     QObject* parent)
    : QObject(parent), m_list(list), m_spec(std::move(listSpec)), m_host(host)
{
    m_spec.columns.push_back(DeviceColumn{kProtocolHeaderKey, kProtocolColumnWidth, {}});
    // Tools and tests tell the camera lists from a page's other grids by it.
    m_list->setObjectName(QStringLiteral("deviceList"));
    m_list->setColumnCount(static_cast<int>(m_spec.columns.size()));
    for (int c = 0; c < static_cast<int>(m_spec.columns.size()); ++c) {
        m_list->setColumnWidth(c, m_spec.columns[static_cast<std::size_t>(c)].width);
    }
    m_list->SetAddressColumns(m_spec.addressColumns[0], m_spec.addressColumns[1], m_spec.addressColumns[2]);
    m_list->SetNumberColumn(m_spec.numberColumn);
    ShowProtocolAfterModel();
    RelabelHeaders();
    m_list->Sort(m_spec.initialSortColumn, true);
}

void DeviceListBinding::ShowProtocolAfterModel()
{
    // Only the visual order changes: the pages and the column order copied
    // between the lists keep naming the protocol by its last logical index.
    const auto model = std::find_if(m_spec.columns.begin(), m_spec.columns.end(),
                                    [](const DeviceColumn& column) { return column.headerKey == kModelHeaderKey; });
    if (model == m_spec.columns.end()) {
        return;
    }
    QHeaderView* header = m_list->header();
    const int protocol = static_cast<int>(m_spec.columns.size()) - 1;
    const int after = header->visualIndex(static_cast<int>(model - m_spec.columns.begin())) + 1;
    header->moveSection(header->visualIndex(protocol), after);
}

DeviceListBinding::~DeviceListBinding()
{
    for (const auto& [entry, row] : m_rows) {
        static_cast<DeviceRowItem*>(row)->Entry()->holders.fetch_and(~m_spec.holderBit);
    }
    for (QTreeWidgetItem* row : m_refillRows) {
        delete row;
    }
    const QSignalBlocker quiet(m_list);
    m_list->clear();
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

bool DeviceListBinding::Matches(const tagVtIpcInfo& info, ProtocolMark protocol, const std::wstring& filter) const
{
    std::vector<std::wstring> fields = m_spec.matchFields(info, std::time(nullptr));
    fields.push_back(ProtocolText(protocol));
    const std::string word = ProtocolWord(protocol);
    fields.emplace_back(word.begin(), word.end());
    return MatchesFilter(fields, filter);
}

void DeviceListBinding::HandleDeviceMessage(DeviceEvent event, const DeviceRef& entry)
{
    HandleDeviceMessages({{event, entry}});
}

void DeviceListBinding::HandleDeviceMessages(const std::vector<DeviceMessage>& messages)
{
    BusyScope busy(m_busy);
    if (busy.Nested()) {
        return;
    }
    FinishRefill();
    const bool filtered = FilterApplies();
    const std::wstring filter = filtered ? m_host.SearchText() : std::wstring();
    std::vector<QTreeWidgetItem*> added;
    std::vector<QTreeWidgetItem*> moved;
    std::vector<DeviceRef> removed;
    for (const auto& [event, entry] : messages) {
        tagVtIpcInfo info{};
        QTreeWidgetItem* row = FindRow(entry.get());
        if (!m_host.Table().Snapshot(*entry, info)) {
            // The table let the camera go after this event was queued.
            if (row != nullptr) {
                removed.push_back(entry);
            }
            continue;
        }
        if (event == DeviceEvent::Modified) {
            if (row != nullptr && FillRow(row, info)) {
                moved.push_back(row);
            }
            continue;
        }
        if (event != DeviceEvent::Added && event != DeviceEvent::Updated) {
            continue;
        }
        if (filtered && !Matches(info, entry->Mark(), filter)) {
            if (row != nullptr) {
                removed.push_back(entry);
            } else {
                entry->holders.fetch_and(~m_spec.holderBit);
            }
        } else if (row != nullptr) {
            if (FillRow(row, info)) {
                moved.push_back(row);
            }
        } else {
            added.push_back(NewRow(entry, info));
        }
    }
    DeleteRowsOf(removed);
    if (!m_list->FewRows(moved.size())) {
        m_list->Resort();
    } else {
        for (QTreeWidgetItem* row : moved) {
            m_list->PlaceSorted(row);
        }
    }
    InsertRows(added);
    if (!added.empty() || !removed.empty()) {
        emit rowsChanged();
    }
}

void DeviceListBinding::DeviceGone(const DeviceRef& entry)
{
    DevicesGone({entry});
}

void DeviceListBinding::DevicesGone(const std::vector<DeviceRef>& entries)
{
    {
        BusyScope busy(m_busy);
        if (!busy.Nested()) {
            FinishRefill();
            DeleteRowsOf(entries);
        }
    }
    // The bit is cleared before returning in any case, or the table would
    // keep the camera for ever.
    for (const DeviceRef& entry : entries) {
        entry->holders.fetch_and(~m_spec.holderBit);
    }
    emit rowsChanged();
}

void DeviceListBinding::ClearRows()
{
    BusyScope busy(m_busy);
    if (busy.Nested()) {
        return;
    }
    // The rows stay in the list until the refill ends: a camera that is
    // listed again keeps its row (and the user's place in the list), and
    // only the rows of cameras that are not are deleted, in one pass.
    // A refill begun before and never ended: its new rows were never shown.
    for (QTreeWidgetItem* row : m_refillRows) {
        const DeviceRef& entry = static_cast<DeviceRowItem*>(row)->Entry();
        entry->holders.fetch_and(~m_spec.holderBit);
        m_rows.erase(entry.get());
        delete row;
    }
    m_refillRows.clear();
    for (const auto& [entry, row] : m_rows) {
        static_cast<DeviceRowItem*>(row)->Entry()->holders.fetch_and(~m_spec.holderBit);
        m_refillLeft.emplace(entry, row);
    }
    m_rows.clear();
    m_refilling = true;
}

bool DeviceListBinding::FillRow(QTreeWidgetItem* row, const tagVtIpcInfo& info)
{
    const int sortColumn = m_list->SortColumn();
    const QString before = sortColumn >= 0 ? row->text(sortColumn) : QString();
    if (!static_cast<DeviceRowItem*>(row)->Show(info)) {
        return false;
    }
    return sortColumn >= 0 && row->text(sortColumn) != before;
}

QTreeWidgetItem* DeviceListBinding::NewRow(const DeviceRef& entry, const tagVtIpcInfo& info)
{
    auto* row = new DeviceRowItem(entry, m_spec, info);
    if (m_spec.tickBoxes) {
        row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
        row->setCheckState(0, Qt::Unchecked);
    }
    row->setTextAlignment(0, Qt::AlignCenter);
    entry->holders.fetch_or(m_spec.holderBit);
    m_rows[entry.get()] = row;
    return row;
}

void DeviceListBinding::InsertRows(const std::vector<QTreeWidgetItem*>& rows)
{
    if (!m_list->FewRows(rows.size())) {
        m_list->AddRows(QList<QTreeWidgetItem*>(rows.begin(), rows.end()));
    } else {
        for (QTreeWidgetItem* row : rows) {
            m_list->InsertSorted(row);
        }
    }
}

void DeviceListBinding::AddRow(const DeviceRef& entry, const tagVtIpcInfo& info, bool /*resort*/)
{
    BusyScope busy(m_busy);
    if (busy.Nested() || FindRow(entry.get()) != nullptr) {
        return;
    }
    FinishRefill();
    InsertRows({NewRow(entry, info)});
    emit rowsChanged();
}

void DeviceListBinding::AddFilteredRow(const DeviceRef& entry, const tagVtIpcInfo& info)
{
    BusyScope busy(m_busy);
    if (busy.Nested() || FindRow(entry.get()) != nullptr) {
        return;
    }
    const auto kept = m_refillLeft.find(entry.get());
    if (kept == m_refillLeft.end()) {
        m_refillRows.push_back(NewRow(entry, info));
        return;
    }
    QTreeWidgetItem* row = kept->second;
    m_refillLeft.erase(kept);
    m_rows[entry.get()] = row;
    entry->holders.fetch_or(m_spec.holderBit);
    m_refillMoved = FillRow(row, info) || m_refillMoved;
}

void DeviceListBinding::RefreshRow(QTreeWidgetItem* row, const tagVtIpcInfo& info)
{
    BusyScope busy(m_busy);
    if (busy.Nested() || row == nullptr) {
        return;
    }
    if (FillRow(row, info)) {
        m_list->PlaceSorted(row);
    }
}

void DeviceListBinding::RemoveRow(const DeviceRef& entry)
{
    BusyScope busy(m_busy);
    if (busy.Nested() || FindRow(entry.get()) == nullptr) {
        return;
    }
    FinishRefill();
    DeleteRowsOf({entry});
    emit rowsChanged();
}

void DeviceListBinding::DeleteRowsOf(const std::vector<DeviceRef>& entries)
{
    std::vector<QTreeWidgetItem*> rows;
    rows.reserve(entries.size());
    for (const DeviceRef& entry : entries) {
        const auto it = m_rows.find(entry.get());
        if (it == m_rows.end()) {
            continue;
        }
        rows.push_back(it->second);
        m_rows.erase(it);
        entry->holders.fetch_and(~m_spec.holderBit);
    }
    m_list->DeleteRows(rows);
}

QTreeWidgetItem* DeviceListBinding::FindRow(const DeviceEntry* entry) const
{
    const auto it = m_rows.find(entry);
    return it != m_rows.end() ? it->second : nullptr;
}

void DeviceListBinding::FinishRefill()
{
    if (!m_refilling) {
        return;
    }
    m_refilling = false;
    std::vector<QTreeWidgetItem*> gone;
    gone.reserve(m_refillLeft.size());
    for (const auto& [entry, row] : m_refillLeft) {
        gone.push_back(row);
    }
    m_refillLeft.clear();
    m_list->DeleteRows(gone);
    if (m_refillMoved) {
        m_refillMoved = false;
        m_list->Resort();
    }
    std::vector<QTreeWidgetItem*> added;
    added.swap(m_refillRows);
    InsertRows(added);
}

void DeviceListBinding::ScrollToTop()
{
    {
        BusyScope busy(m_busy);
        if (busy.Nested()) {
            return;
        }
        FinishRefill();
    }
    emit rowsChanged();
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
