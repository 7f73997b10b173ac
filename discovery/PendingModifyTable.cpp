#include "PendingModifyTable.h"

#include <cstring>

namespace tivox {

bool PendingModifyTable::Insert(const tagVtIpcInfo& request, Clock::time_point now)
{
    std::lock_guard lock(m_lock);
    for (Slot& slot : m_slots) {
        if (!slot.busy) {
            slot.request = request;
            slot.recorded = now;
            slot.busy = true;
            return true;
        }
    }
    return false;
}

std::size_t PendingModifyTable::ClearCamera(const unsigned char* mac)
{
    std::lock_guard lock(m_lock);
    std::size_t cleared = 0;
    for (Slot& slot : m_slots) {
        if (slot.busy && std::memcmp(slot.request.mac, mac, 6) == 0) {
            slot = Slot{};
            ++cleared;
        }
    }
    return cleared;
}

std::vector<tagMsgInfo> PendingModifyTable::TakeExpired(Clock::time_point now)
{
    std::vector<tagMsgInfo> expired;
    std::lock_guard lock(m_lock);
    for (Slot& slot : m_slots) {
        if (slot.busy && now - slot.recorded >= kTimeout) {
            tagMsgInfo msg{};
            msg.info = slot.request;
            msg.result = 1;
            expired.push_back(msg);
            slot = Slot{};
        }
    }
    return expired;
}

void PendingModifyTable::Clear()
{
    std::lock_guard lock(m_lock);
    m_slots.fill(Slot{});
}

PendingModifyTable& GlobalModifyTable()
{
    static PendingModifyTable table;
    return table;
}

} // namespace tivox
