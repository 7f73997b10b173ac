#pragma once
#include "ZxExport.h"

#include <QObject>

class DeviceListBinding;
class PageHost;
class QCheckBox;
class QTreeWidgetItem;

// The tick boxes of a device list and its "Select All" box, handled alike on
// every page that lists cameras with ticks:
// - a change of one row's tick (its box clicked, a double click, a page
//   unticking a row) is reported by tickChanged; when no row is ticked any
//   more, Select All is cleared first;
// - Select All ticks or unticks every row at once; the rows' changes are not
//   reported one by one, allTicked reports them together;
// - a double click inverts the row's tick and asks for the camera's web page,
//   unless the camera has no web address, which asks for nothing.
class ZX_EXPORT TickedList : public QObject
{
    Q_OBJECT

public:
    // The web pages are opened through host.
    TickedList(PageHost& host, DeviceListBinding& binding, QCheckBox* selectAll, QObject* parent = nullptr);

    // Ticks or unticks every row with no report of its own.
    void SetAllTicks(bool ticked);

signals:
    void tickChanged(QTreeWidgetItem* row);
    void allTicked(bool ticked);

private:
    void OnItemChanged(QTreeWidgetItem* row, int column);
    void OnDoubleClicked(QTreeWidgetItem* row);
    void OnSelectAll(bool checked);

    PageHost& m_host;
    DeviceListBinding& m_binding;
    QCheckBox* m_selectAll;
    bool m_silent = false;
};
