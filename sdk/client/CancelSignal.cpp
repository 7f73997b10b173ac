#include "CancelSignal.h"

#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

namespace vtclient {

CancelSignal::CancelSignal() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

CancelSignal::~CancelSignal()
{
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void CancelSignal::Cancel()
{
    if (cancelled_.exchange(true) || fd_ < 0) {
        return;
    }
    const uint64_t one = 1;
    // Nobody ever reads the counter, so the descriptor stays readable.
    [[maybe_unused]] const ssize_t written = ::write(fd_, &one, sizeof one);
}

} // namespace vtclient
