#pragma once
#include "DeviceListBinding.h"

#include <cstdint>

class PageHost;

// The firmware page's device list, which lists the cameras of one firmware
// family only: a refill through the device table gives the others no row
// (nor the page's holder bit), and a camera whose version moved it to
// another family loses its row.
class FamilyList
{
public:
    // The columns of the network settings lists without the run-up time.
    static DeviceListSpec Columns(std::uint32_t holderBit);

    explicit FamilyList(DeviceListBinding& binding) : m_binding(binding) {}

    // An entry of the family filter; false when it is the shown one already.
    bool ChooseFamily(int filterIndex);
    int Family() const { return m_filterIndex; }

    // Refills the list with the family's cameras that match the search text
    // (when the list is the one shown).
    void Refill(PageHost& host);
    // Removes the rows of cameras of another family. Removing rows sends
    // the list's own messages, which the page ignores while this runs.
    void Prune();
    bool Pruning() const { return m_pruning; }

private:
    DeviceListBinding& m_binding;
    int m_filterIndex = 0;
    bool m_pruning = false;
};
