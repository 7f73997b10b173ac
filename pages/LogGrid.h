#pragma once
#include "LogOperations.h"
#include "SortListCtrl.h"

#include <QString>

// The grid of the log page: one page of a camera's log (40 rows at most),
// each row numbered within the whole log, its type texts in the current
// language and its detail whole under the pointer.
class LogGrid : public CSortListCtrl
{
public:
    explicit LogGrid(QWidget* parent);

    void Show(LogPage page);
    void Clear() { Show({}); }
    // The headers and the rows' type texts in the current language.
    void Relabel();

    int CurrentPage() const { return m_shown.currentPage; }
    int TotalPages() const { return m_shown.totalPages; }
    // "current/total", as the page label shows it.
    QString PageText() const;

private:
    LogPage m_shown;
};
