#include "FamilyList.h"

#include "PageHost.h"
#include "RecordText.h"
#include "SearchDlg.h"
#include "SearchFilter.h"
#include "UpgradeRules.h"

#include <algorithm>

namespace {
// A refill of the list through the device table that lets only the cameras
// of the chosen firmware family have a row (and the page's holder bit).
class FamilyGate : public DeviceFilterTarget
{
public:
    FamilyGate(DeviceListBinding& list, int filterIndex) : m_list(list), m_filterIndex(filterIndex) {}

    std::uint32_t HolderBit() const override { return m_list.HolderBit(); }
    void ClearRows() override { m_list.ClearRows(); }
    bool Matches(const tagVtIpcInfo& info, ProtocolMark protocol, const std::wstring& filter) const override
    {
        return m_list.Matches(info, protocol, filter);
    }
    void AddFilteredRow(const DeviceRef& entry, const tagVtIpcInfo& info) override
    {
        if (InFamilyFilter(info, m_filterIndex)) {
            m_list.AddFilteredRow(entry, info);
        } else {
            entry->holders.fetch_and(~HolderBit());
        }
    }
    void ScrollToTop() override { m_list.ScrollToTop(); }

private:
    DeviceListBinding& m_list;
    int m_filterIndex;
};
} // namespace

DeviceListSpec FamilyList::Columns(std::uint32_t holderBit)
{
    DeviceListSpec listSpec = CSearchDlg::NetworkListSpec(holderBit);
    constexpr unsigned kRunUpTimeKey = 20031;
    std::erase_if(listSpec.columns, [](const DeviceColumn& column) { return column.headerKey == kRunUpTimeKey; });
    listSpec.matchFields = [](const tagVtIpcInfo& info, std::time_t now) {
        std::vector<std::wstring> fields = NetworkMatchFields(info, now);
        std::erase(fields, RunUpTimeText(now, info.upTime));
        return fields;
    };
    return listSpec;
}

bool FamilyList::ChooseFamily(int filterIndex)
{
    if (filterIndex == m_filterIndex || filterIndex < 0) {
        return false;
    }
    m_filterIndex = filterIndex;
    return true;
}

void FamilyList::Refill(PageHost& host)
{
    FamilyGate gate(m_binding, m_filterIndex);
    const std::wstring filter = host.IsShownList(&m_binding) ? host.SearchText() : std::wstring();
    host.Table().ApplySearchFilter(gate, filter);
}

void FamilyList::Prune()
{
    m_pruning = true;
    for (QTreeWidgetItem* row : m_binding.Rows()) {
        tagVtIpcInfo info{};
        if (m_binding.InfoOf(row, info) && !InFamilyFilter(info, m_filterIndex)) {
            m_binding.RemoveRow(m_binding.EntryOf(row));
        }
    }
    m_pruning = false;
}
