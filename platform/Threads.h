#pragma once
#include "ZxExport.h"

// Thread and mutex wrappers with the int results the callers test
// (0 success, -1 failure). Each handle is a small heap block.

struct ThreadBlock;
struct MutexBlock;

using ThreadRoutine = unsigned (*)(void* argument);

// Starts routine(argument) on a new thread; null when it cannot be started.
ZX_EXPORT ThreadBlock* ThreadCreate(ThreadRoutine routine, void* argument);
// Waits for the thread to end; 0, or -1 for a null block or a thread that was
// already joined.
ZX_EXPORT int ThreadJoin(ThreadBlock* block);
// Frees a block; a thread still running is waited for first, so a thread can
// never outlive the block that owns it.
ZX_EXPORT void ThreadFree(ThreadBlock* block);

ZX_EXPORT MutexBlock* MutexCreate();
ZX_EXPORT void MutexDestroy(MutexBlock* block);
ZX_EXPORT int MutexLock(MutexBlock* block);
ZX_EXPORT int MutexUnlock(MutexBlock* block);

// Holds a mutex for one scope.
class MutexScope
{
public:
    explicit MutexScope(MutexBlock* block) : m_block(block) { MutexLock(m_block); }
    ~MutexScope() { MutexUnlock(m_block); }
    MutexScope(const MutexScope&) = delete;
    MutexScope& operator=(const MutexScope&) = delete;

private:
    MutexBlock* m_block;
};
