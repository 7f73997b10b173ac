#pragma once
#include "ZxExport.h"

#include <QTreeWidget>
#include <array>
#include <vector>

// The report-view list that every page shows cameras in: tick boxes in
// column 0, full-row selection, grid lines, draggable columns. A header click
// sorts by that column (address columns by their four numbers, others by
// text; column 0 and the number column never), then tells the page with
// sortChanged and listSorted, in that order, before returning.
class ZX_EXPORT CSortListCtrl : public QTreeWidget
{
    Q_OBJECT

public:
    explicit CSortListCtrl(QWidget* parent = nullptr);

    void SetAddressColumns(int first, int second = -1, int third = -1);
    void SetNumberColumn(int column) { m_numberColumn = column; }
    bool IsAddressColumn(int column) const;

    // Sorts now and remembers column and direction.
    void Sort(int column, bool ascending);
    // Adds a row where the remembered order puts it (at the end before the
    // first sort), which equals adding it and sorting again, without
    // touching the other rows.
    void InsertSorted(QTreeWidgetItem* row);
    int SortColumn() const { return m_sortColumn; }
    bool SortAscending() const { return m_ascending; }

    // Logical column per visual position, for copying between lists.
    std::vector<int> ColumnOrder() const;
    void SetColumnOrder(const std::vector<int>& order);

signals:
    void sortChanged(int column, bool ascending);
    void listSorted();

private:
    void OnHeaderClicked(int column);

    std::array<int, 3> m_addressColumns{-1, -1, -1};
    int m_numberColumn = -1;
    int m_sortColumn = -1;
    bool m_ascending = true;
};
