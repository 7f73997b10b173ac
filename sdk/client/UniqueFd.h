#pragma once
// A file descriptor closed when its owner goes, whichever way it leaves.
#include <unistd.h>

namespace vtclient {

class UniqueFd
{
public:
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd()
    {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

} // namespace vtclient
