#include "DownloadReceiver.h"

#include "CameraSession.h"
#include "VtIpcSDK.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vtmedia {

DownloadReceiver::DownloadReceiver(std::filesystem::path target, long long maxBytes)
    : target_(std::move(target)), maxBytes_(maxBytes)
{
}

DownloadReceiver::~DownloadReceiver()
{
    if (state_ != State::Complete) {
        Abort();
    }
}

DownloadReceiver::State DownloadReceiver::Fail(int error)
{
    Abort();
    state_ = State::Failed;
    error_ = error;
    return state_;
}

void DownloadReceiver::Abort()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
    if (state_ == State::NeedMore) {
        state_ = State::Failed;
        error_ = error_ != 0 ? error_ : VT_ERR_PROTOCOL;
    }
}

DownloadReceiver::State DownloadReceiver::StartBody()
{
    const auto& head = head_.Head();
    status_ = head.status;
    if (status_ == 401) {
        const std::string* challenge = head.Header("www-authenticate");
        challenge_ = challenge != nullptr ? *challenge : std::string();
        return Fail(VT_ERR_AUTH_REFUSED);
    }
    if (status_ != 200) {
        const int error = vtclient::ErrorForStatus(status_);
        return Fail(error == VT_ERR_NONE ? VT_ERR_PROTOCOL : error);
    }
    // Only a promised length tells a whole file from a cut one.
    const long long length = head_.ContentLength();
    if (length < 0 || length > maxBytes_ || head.Header("transfer-encoding") != nullptr) {
        return Fail(VT_ERR_PROTOCOL);
    }
    std::string pattern = target_.string() + ".part-XXXXXX";
    fd_ = ::mkstemp(pattern.data());
    if (fd_ < 0) {
        return Fail(VT_ERR_FILE);
    }
    temporary_ = pattern;
    ::fchmod(fd_, 0644);
    remaining_ = length;
    std::string early;
    early.swap(head_.Rest());
    return WriteBody(early);
}

DownloadReceiver::State DownloadReceiver::WriteBody(std::string_view data)
{
    if (static_cast<long long>(data.size()) > remaining_) {
        data = data.substr(0, static_cast<size_t>(remaining_)); // what follows the file is not ours
    }
    while (!data.empty()) {
        const ssize_t n = ::write(fd_, data.data(), data.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return Fail(VT_ERR_FILE);
        }
        data.remove_prefix(static_cast<size_t>(n));
        remaining_ -= n;
    }
    if (remaining_ > 0) {
        return state_;
    }
    const int fd = std::exchange(fd_, -1);
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        return Fail(VT_ERR_FILE);
    }
    if (std::rename(temporary_.c_str(), target_.c_str()) != 0) {
        return Fail(VT_ERR_FILE);
    }
    temporary_.clear();
    state_ = State::Complete;
    return state_;
}

DownloadReceiver::State DownloadReceiver::Feed(std::string_view data)
{
    if (state_ != State::NeedMore) {
        return state_;
    }
    if (fd_ >= 0) {
        return WriteBody(data);
    }
    switch (head_.Feed(data)) {
    case AnswerHeadReader::State::NeedMore:
        return state_;
    case AnswerHeadReader::State::Failed:
        return Fail(VT_ERR_PROTOCOL);
    case AnswerHeadReader::State::Done:
        break;
    }
    return StartBody();
}

DownloadReceiver::State DownloadReceiver::Finish()
{
    if (state_ == State::NeedMore) {
        return Fail(head_.Current() == AnswerHeadReader::State::NeedMore ? VT_ERR_UNREACHABLE
                                                                         : VT_ERR_PROTOCOL);
    }
    return state_;
}

} // namespace vtmedia
