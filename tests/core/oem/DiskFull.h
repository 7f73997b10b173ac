#pragma once
#include <csignal>
#include <sys/resource.h>

// For one scope every write of this process past `bytes` into a file fails,
// as on a full disk (the signal such a write raises is ignored meanwhile).
class DiskFull
{
public:
    explicit DiskFull(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldSignal = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit tiny = m_old;
        tiny.rlim_cur = bytes;
        m_active = ::setrlimit(RLIMIT_FSIZE, &tiny) == 0;
    }
    ~DiskFull()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldSignal);
    }
    DiskFull(const DiskFull&) = delete;
    DiskFull& operator=(const DiskFull&) = delete;

    bool Active() const { return m_active; }

private:
    struct rlimit m_old
    {
    };
    void (*m_oldSignal)(int) = SIG_DFL;
    bool m_active = false;
};
