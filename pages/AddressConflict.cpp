#include "AddressConflict.h"

#include "DeviceListBinding.h"
#include "TargetRules.h"

#include <QTreeWidgetItem>
#include <unordered_set>

QTreeWidgetItem* AddressConflictRow(const DeviceListBinding& list, const std::vector<QTreeWidgetItem*>& rows,
                                    int ipColumn)
{
    // Rows are checked after every change of the list; most of the time
    // none is meant and the addresses need not be read.
    if (rows.empty()) {
        return nullptr;
    }
    const std::unordered_set<const QTreeWidgetItem*> meant(rows.begin(), rows.end());
    const std::vector<QTreeWidgetItem*> all = list.Rows();
    std::vector<std::string> ips;
    std::vector<bool> flags;
    ips.reserve(all.size());
    flags.reserve(all.size());
    for (const QTreeWidgetItem* row : all) {
        ips.push_back(row->text(ipColumn).toStdString());
        flags.push_back(meant.count(row) > 0);
    }
    const std::optional<std::size_t> conflict = FirstTickedConflict(ips, flags);
    return conflict ? all[*conflict] : nullptr;
}
