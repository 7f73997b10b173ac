#include "TickedList.h"

#include "DeviceListBinding.h"
#include "PageHost.h"
#include "SortListCtrl.h"

#include <QCheckBox>

TickedList::TickedList(PageHost& host, DeviceListBinding& binding, QCheckBox* selectAll, QObject* parent)
    : QObject(parent), m_host(host), m_binding(binding), m_selectAll(selectAll)
{
    CSortListCtrl* list = binding.List();
    connect(list, &QTreeWidget::itemChanged, this, &TickedList::OnItemChanged);
    connect(list, &QTreeWidget::itemDoubleClicked, this, &TickedList::OnDoubleClicked);
    connect(selectAll, &QCheckBox::clicked, this, &TickedList::OnSelectAll);
}

void TickedList::SetAllTicks(bool ticked)
{
    m_silent = true;
    for (QTreeWidgetItem* row : m_binding.Rows()) {
        row->setCheckState(0, ticked ? Qt::Checked : Qt::Unchecked);
    }
    m_silent = false;
}

void TickedList::OnItemChanged(QTreeWidgetItem* row, int column)
{
    // Other columns change as the camera's texts are refreshed.
    if (column != 0 || row == nullptr || m_silent) {
        return;
    }
    if (row->checkState(0) != Qt::Checked && m_binding.TickedRows().empty()) {
        m_selectAll->setChecked(false);
    }
    emit tickChanged(row);
}

void TickedList::OnDoubleClicked(QTreeWidgetItem* row)
{
    if (row == nullptr) {
        return;
    }
    row->setCheckState(0, row->checkState(0) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    tagVtIpcInfo info{};
    if (m_binding.InfoOf(row, info)) {
        m_host.OpenWebPage(info);
    }
}

void TickedList::OnSelectAll(bool checked)
{
    SetAllTicks(checked);
    emit allTicked(checked);
}
