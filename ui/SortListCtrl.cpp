#include "SortListCtrl.h"

#include "SortOrder.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QtGlobal>
#include <algorithm>
#include <unordered_set>

namespace {
// Rows are handled one by one while they are this few, or at most one in
// kBatchShare of the list.
constexpr std::size_t kAlwaysFew = 16;
constexpr std::size_t kBatchShare = 16;
} // namespace

// Holds the current row, the selected rows and the scroll position while the
// rows change, and puts them back afterwards, with the list's own signals
// blocked throughout: a change of the rows is never taken for the user's
// choice of a row. A row that is about to go is forgotten first, so that Qt
// finds no current row to move to its neighbour.
class CSortListCtrl::QuietRows
{
public:
    explicit QuietRows(CSortListCtrl& list)
        : m_list(list), m_blocker(&list), m_current(list.currentItem()), m_selected(list.selectedItems()),
          m_scroll(list.verticalScrollBar()->value())
    {
    }

    ~QuietRows()
    {
        QItemSelectionModel* selection = m_list.selectionModel();
        if (m_current != nullptr && m_current->treeWidget() == &m_list) {
            selection->setCurrentIndex(m_list.indexFromItem(m_current), QItemSelectionModel::NoUpdate);
        } else {
            selection->clearCurrentIndex();
        }
        for (QTreeWidgetItem* row : m_selected) {
            if (row->treeWidget() == &m_list && !row->isSelected()) {
                row->setSelected(true);
            }
        }
        m_list.verticalScrollBar()->setValue(m_scroll);
    }

    QuietRows(const QuietRows&) = delete;
    QuietRows& operator=(const QuietRows&) = delete;

    // The row will be deleted: it is neither current nor selected any more.
    void Forget(QTreeWidgetItem* row)
    {
        if (row == m_current) {
            m_current = nullptr;
            m_list.selectionModel()->clearCurrentIndex();
        }
        if (m_selected.removeAll(row) > 0) {
            row->setSelected(false);
        }
    }

private:
    CSortListCtrl& m_list;
    const QSignalBlocker m_blocker;
    QTreeWidgetItem* m_current;
    QList<QTreeWidgetItem*> m_selected;
    int m_scroll;
};

CSortListCtrl::CSortListCtrl(QWidget* parent) : QTreeWidget(parent)
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setAlternatingRowColors(true);
    header()->setSectionsMovable(true);
    header()->setSectionsClickable(true);
    header()->setStretchLastSection(false);
    header()->setHighlightSections(false);
    // A style sheet that styles the items replaces the style's drawing of
    // the selection too, so the selected row's colours are set here in full:
    // dark text on a light blue, the same with and without the focus.
    setStyleSheet(QStringLiteral(
        "QTreeView::item { border-right: 1px solid #d9dde2; border-bottom: 1px solid #e6e9ed; padding: 1px 3px;"
        " color: #1b1f24; }"
        "QTreeView::item:selected, QTreeView::item:selected:active, QTreeView::item:selected:!active {"
        " background: #cfe3f8; color: #0b2440; }"));
    connect(header(), &QHeaderView::sectionClicked, this, &CSortListCtrl::OnHeaderClicked);
}

void CSortListCtrl::SetAddressColumns(int first, int second, int third)
{
    m_addressColumns = {first, second, third};
}

bool CSortListCtrl::IsAddressColumn(int column) const
{
    return column >= 0 &&
           std::find(m_addressColumns.begin(), m_addressColumns.end(), column) != m_addressColumns.end();
}

bool CSortListCtrl::FewRows(std::size_t rows) const
{
    return rows <= kAlwaysFew || rows * kBatchShare <= static_cast<std::size_t>(topLevelItemCount());
}

void CSortListCtrl::keyPressEvent(QKeyEvent* event)
{
    QTreeWidgetItem* before = currentItem();
    QTreeWidget::keyPressEvent(event);
    QTreeWidgetItem* after = currentItem();
    if (after != nullptr && after != before) {
        emit currentRowChosen(after);
    }
}

void CSortListCtrl::OnHeaderClicked(int column)
{
    if (column == 0 || column == m_numberColumn) {
        // Keep the indicator where the last real sort put it.
        if (m_sortColumn >= 0) {
            header()->setSortIndicator(m_sortColumn, m_ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
        }
        return;
    }
    const bool ascending = column == m_sortColumn ? !m_ascending : true;
    Sort(column, ascending);
    emit sortChanged(column, ascending);
    emit listSorted();
}

void CSortListCtrl::Sort(int column, bool ascending)
{
    if (column < 0 || column >= columnCount()) {
        return;
    }
    m_sortColumn = column;
    m_ascending = ascending;
    header()->setSortIndicatorShown(true);
    header()->setSortIndicator(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);

    const QuietRows quiet(*this);
    QList<QTreeWidgetItem*> rows = invisibleRootItem()->takeChildren();
    SortRows(rows);
    invisibleRootItem()->addChildren(rows);
}

void CSortListCtrl::SortRows(QList<QTreeWidgetItem*>& rows) const
{
    if (m_sortColumn < 0) {
        return;
    }
    const bool byAddress = IsAddressColumn(m_sortColumn);
    // Keys are computed once per row; a stable sort keeps equal rows in the
    // order they had, so repeated sorts do not shuffle them.
    struct Keyed
    {
        QTreeWidgetItem* row;
        quint32 address;
        QString text;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(static_cast<std::size_t>(rows.size()));
    for (QTreeWidgetItem* row : rows) {
        const QString text = row->text(m_sortColumn);
        keyed.push_back(
            {row, byAddress ? AddressSortKey(text) : 0, byAddress ? QString() : TextSortKey(text)});
    }
    const auto less = [byAddress](const Keyed& a, const Keyed& b) {
        if (byAddress) {
            return a.address < b.address;
        }
        return QString::localeAwareCompare(a.text, b.text) < 0;
    };
    if (m_ascending) {
        std::stable_sort(keyed.begin(), keyed.end(), less);
    } else {
        std::stable_sort(keyed.begin(), keyed.end(),
                         [&less](const Keyed& a, const Keyed& b) { return less(b, a); });
    }
    rows.clear();
    for (const Keyed& k : keyed) {
        rows.append(k.row);
    }
}

void CSortListCtrl::AddRows(const QList<QTreeWidgetItem*>& rows)
{
    if (rows.isEmpty()) {
        return;
    }
    const QuietRows quiet(*this);
    QList<QTreeWidgetItem*> added = rows;
    SortRows(added);
    if (m_sortColumn < 0 || topLevelItemCount() == 0) {
        insertTopLevelItems(topLevelItemCount(), added);
        return;
    }
    // The rows already listed are in order: each new row goes after every
    // row it does not go before, where a stable sort of the old rows followed
    // by the new ones would put it. Rows bound for one place go in together,
    // from the last place back, so the places found beforehand stay right.
    std::vector<int> places;
    places.reserve(static_cast<std::size_t>(added.size()));
    for (QTreeWidgetItem* row : added) {
        places.push_back(SortedPosition(row->text(m_sortColumn)));
    }
    for (qsizetype end = added.size(); end > 0;) {
        const int place = places[static_cast<std::size_t>(end - 1)];
        qsizetype begin = end - 1;
        while (begin > 0 && places[static_cast<std::size_t>(begin - 1)] == place) {
            --begin;
        }
        insertTopLevelItems(place, added.mid(begin, end - begin));
        end = begin;
    }
}

void CSortListCtrl::Resort()
{
    if (m_sortColumn >= 0) {
        Sort(m_sortColumn, m_ascending);
    }
}

int CSortListCtrl::SortedPosition(const QString& text) const
{
    const bool byAddress = IsAddressColumn(m_sortColumn);
    const quint32 address = byAddress ? AddressSortKey(text) : 0;
    const QString key = byAddress ? QString() : TextSortKey(text);
    // Compares the new row with the row at index: negative when it goes before.
    const auto compare = [&](int index) {
        const QString other = topLevelItem(index)->text(m_sortColumn);
        int result = 0;
        if (byAddress) {
            const quint32 otherAddress = AddressSortKey(other);
            result = address < otherAddress ? -1 : (address > otherAddress ? 1 : 0);
        } else {
            result = QString::localeAwareCompare(key, TextSortKey(other));
        }
        return m_ascending ? result : -result;
    };
    int low = 0;
    int high = topLevelItemCount();
    while (low < high) {
        const int middle = (low + high) / 2;
        if (compare(middle) < 0) {
            high = middle;
        } else {
            low = middle + 1;
        }
    }
    return low;
}

void CSortListCtrl::InsertSorted(QTreeWidgetItem* row)
{
    const QuietRows quiet(*this);
    if (m_sortColumn < 0) {
        addTopLevelItem(row);
        return;
    }
    insertTopLevelItem(SortedPosition(row->text(m_sortColumn)), row);
}

void CSortListCtrl::PlaceSorted(QTreeWidgetItem* row)
{
    const int index = indexOfTopLevelItem(row);
    if (m_sortColumn < 0 || index < 0) {
        return;
    }
    const QuietRows quiet(*this);
    takeTopLevelItem(index);
    insertTopLevelItem(SortedPosition(row->text(m_sortColumn)), row);
}

void CSortListCtrl::DeleteRows(const std::vector<QTreeWidgetItem*>& rows)
{
    if (rows.empty()) {
        return;
    }
    QuietRows quiet(*this);
    for (QTreeWidgetItem* row : rows) {
        quiet.Forget(row);
    }
    if (FewRows(rows.size())) {
        for (QTreeWidgetItem* row : rows) {
            delete row;
        }
        return;
    }
    const std::unordered_set<const QTreeWidgetItem*> doomed(rows.begin(), rows.end());
    QList<QTreeWidgetItem*> kept = invisibleRootItem()->takeChildren();
    kept.removeIf([&doomed](QTreeWidgetItem* row) { return doomed.count(row) != 0; });
    for (QTreeWidgetItem* row : rows) {
        delete row;
    }
    invisibleRootItem()->addChildren(kept);
}

std::vector<int> CSortListCtrl::ColumnOrder() const
{
    std::vector<int> order;
    for (int visual = 0; visual < header()->count(); ++visual) {
        order.push_back(header()->logicalIndex(visual));
    }
    return order;
}

void CSortListCtrl::SetColumnOrder(const std::vector<int>& order)
{
    for (int visual = 0; visual < static_cast<int>(order.size()) && visual < header()->count(); ++visual) {
        const int from = header()->visualIndex(order[static_cast<std::size_t>(visual)]);
        if (from >= 0 && from != visual) {
            header()->moveSection(from, visual);
        }
    }
}
