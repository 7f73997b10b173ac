#include "Threads.h"

#include <mutex>
#include <new>
#include <system_error>
#include <thread>

struct ThreadBlock
{
    std::thread thread;
};

struct MutexBlock
{
    std::mutex mutex;
};

ThreadBlock* ThreadCreate(ThreadRoutine routine, void* argument)
{
    if (routine == nullptr) {
        return nullptr;
    }
    auto* block = new (std::nothrow) ThreadBlock;
    if (block == nullptr) {
        return nullptr;
    }
    try {
        block->thread = std::thread([routine, argument] { routine(argument); });
    } catch (const std::system_error&) {
        delete block;
        return nullptr;
    }
    return block;
}

int ThreadJoin(ThreadBlock* block)
{
    if (block == nullptr || !block->thread.joinable()) {
        return -1;
    }
    try {
        block->thread.join();
    } catch (const std::system_error&) {
        return -1;
    }
    return 0;
}

void ThreadFree(ThreadBlock* block)
{
    if (block == nullptr) {
        return;
    }
    ThreadJoin(block);
    delete block;
}

MutexBlock* MutexCreate()
{
    return new (std::nothrow) MutexBlock;
}

void MutexDestroy(MutexBlock* block)
{
    delete block;
}

int MutexLock(MutexBlock* block)
{
    if (block == nullptr) {
        return -1;
    }
    try {
        block->mutex.lock();
    } catch (const std::system_error&) {
        return -1;
    }
    return 0;
}

int MutexUnlock(MutexBlock* block)
{
    if (block == nullptr) {
        return -1;
    }
    block->mutex.unlock();
    return 0;
}
