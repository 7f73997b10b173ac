#include "SignalCloser.h"

#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
std::atomic<int> g_writeEnd{-1};

void OnSignal(int number)
{
    const int saved = errno;
    // A second signal while the program closes ends it the ordinary way.
    std::signal(number, SIG_DFL);
    const char byte = static_cast<char>(number);
    if (const int fd = g_writeEnd.load(); fd >= 0) {
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }
    errno = saved;
}

} // namespace

SignalCloser::SignalCloser(std::function<void()> onSignal, QObject* parent)
    : QObject(parent), m_onSignal(std::move(onSignal))
{
    if (::pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        m_pipe[0] = m_pipe[1] = -1;
        return;
    }
    g_writeEnd = m_pipe[1];
    m_notifier = new QSocketNotifier(m_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SignalCloser::Drain);
    struct sigaction action
    {
    };
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : kSignals) {
        ::sigaction(number, &action, nullptr);
    }
}

SignalCloser::~SignalCloser()
{
    for (const int number : kSignals) {
        std::signal(number, SIG_DFL);
    }
    g_writeEnd = -1;
    for (const int fd : m_pipe) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

void SignalCloser::Drain()
{
    char bytes[16];
    bool signalled = false;
    while (::read(m_pipe[0], bytes, sizeof bytes) > 0) {
        signalled = true;
    }
    if (signalled && m_onSignal) {
        m_onSignal();
    }
}
