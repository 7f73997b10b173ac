#include "SortListCtrl.h"

#include "SortOrder.h"

#include <QHeaderView>
#include <algorithm>

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
    setStyleSheet(
        QStringLiteral("QTreeView::item { border-right: 1px solid #d9dde2; border-bottom: 1px solid "
                       "#e6e9ed; padding: 1px 3px; }"));
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

    QTreeWidgetItem* current = currentItem();
    QList<QTreeWidgetItem*> rows = invisibleRootItem()->takeChildren();
    const bool byAddress = IsAddressColumn(column);
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
        const QString text = row->text(column);
        keyed.push_back(
            {row, byAddress ? AddressSortKey(text) : 0, byAddress ? QString() : TextSortKey(text)});
    }
    const auto less = [byAddress](const Keyed& a, const Keyed& b) {
        if (byAddress) {
            return a.address < b.address;
        }
        return QString::localeAwareCompare(a.text, b.text) < 0;
    };
    if (ascending) {
        std::stable_sort(keyed.begin(), keyed.end(), less);
    } else {
        std::stable_sort(keyed.begin(), keyed.end(),
                         [&less](const Keyed& a, const Keyed& b) { return less(b, a); });
    }
    rows.clear();
    for (const Keyed& k : keyed) {
        rows.append(k.row);
    }
    invisibleRootItem()->addChildren(rows);
    if (current != nullptr) {
        setCurrentItem(current);
    }
}

void CSortListCtrl::InsertSorted(QTreeWidgetItem* row)
{
    if (m_sortColumn < 0) {
        addTopLevelItem(row);
        return;
    }
    const QString text = row->text(m_sortColumn);
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
    // Upper bound: after every row it does not go before, as a stable sort
    // of the appended row would place it.
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
    insertTopLevelItem(low, row);
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
