#pragma once
#include "ZxExport.h"

#include <vector>

class DeviceListBinding;
class QTreeWidgetItem;

// The first of rows, in list order, whose IP address (the text of ipColumn)
// another row of the list shows; null when there is none. Two cameras at one
// address cannot be told apart, so neither may be worked on (the rule is
// FirstTickedConflict's, for the ticked rows or the selected one).
ZX_EXPORT QTreeWidgetItem* AddressConflictRow(const DeviceListBinding& list, const std::vector<QTreeWidgetItem*>& rows,
                                              int ipColumn);
