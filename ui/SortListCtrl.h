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
//
// Only the user moves the current row. Sorting, placing, adding and removing
// rows keep the current and selected row where they are (a removed current
// row leaves none, never its neighbour) and emit neither currentItemChanged
// nor itemSelectionChanged; a page loads a camera on itemClicked or on
// currentRowChosen, the current row the user picked with the keyboard.
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
    // Sorts again by the remembered column and direction (nothing before the first sort).
    void Resort();
    // Adds a row where the remembered order puts it (at the end before the
    // first sort), which equals adding it and sorting again, without
    // touching the other rows.
    void InsertSorted(QTreeWidgetItem* row);
    // Adds many rows at once and puts the whole list in order, in one pass
    // over the list: for a refill, or for a batch that is large beside the list.
    void AddRows(const QList<QTreeWidgetItem*>& rows);
    // Moves a row of this list whose text in the sort column changed to
    // where the order puts it now.
    void PlaceSorted(QTreeWidgetItem* row);
    // Deletes the given rows of this list: each on its own while they are
    // few beside the list, else all in one pass over the list.
    void DeleteRows(const std::vector<QTreeWidgetItem*>& rows);
    // True when this many rows are best added, placed or deleted one at a
    // time (a look-up and the list's bookkeeping each); more take one pass
    // over the whole list.
    bool FewRows(std::size_t rows) const;
    int SortColumn() const { return m_sortColumn; }
    bool SortAscending() const { return m_ascending; }

    // Logical column per visual position, for copying between lists.
    std::vector<int> ColumnOrder() const;
    void SetColumnOrder(const std::vector<int>& order);

signals:
    void sortChanged(int column, bool ascending);
    void listSorted();
    // The user made row the current row with the keyboard.
    void currentRowChosen(QTreeWidgetItem* row);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    class QuietRows;

    void OnHeaderClicked(int column);
    // Puts rows in the remembered order (a stable sort of their keys).
    void SortRows(QList<QTreeWidgetItem*>& rows) const;
    // Where the remembered order puts a row with this text: after every row
    // it does not go before, as a stable sort would place it.
    int SortedPosition(const QString& text) const;

    std::array<int, 3> m_addressColumns{-1, -1, -1};
    int m_numberColumn = -1;
    int m_sortColumn = -1;
    bool m_ascending = true;
};
