#pragma once
// Modify requests that wait for the camera's answer. One table serves every
// CTivox of the process; all access goes through its own lock, and no method
// calls out while holding it.

#include "TivoxRecords.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <mutex>
#include <vector>

namespace tivox {

class PendingModifyTable
{
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::size_t kSlots = 128;
    static constexpr std::chrono::seconds kTimeout{15};

    // Takes the first free slot; false when all are taken (the request is
    // then never reported).
    bool Insert(const tagVtIpcInfo& request, Clock::time_point now);
    // Frees every slot whose request names this camera (first six bytes).
    std::size_t ClearCamera(const unsigned char* mac);
    // Removes and returns, in slot order, every request pending for the
    // time-out or longer, each with result 1.
    std::vector<tagMsgInfo> TakeExpired(Clock::time_point now);
    void Clear();

private:
    struct Slot
    {
        tagVtIpcInfo request{};
        Clock::time_point recorded{};
        bool busy = false;
    };

    std::mutex m_lock;
    std::array<Slot, kSlots> m_slots{};
};

// The table shared by all CTivox objects of the process.
PendingModifyTable& GlobalModifyTable();

} // namespace tivox
