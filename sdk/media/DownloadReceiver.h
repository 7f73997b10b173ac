#pragma once
// A camera's answer to a file download, written to disk as it arrives: the
// body goes into a temporary file beside the target, which takes the target's
// name only when every promised byte arrived. An answer that breaks off, lies
// about its length or breaks a bound leaves nothing under the target name.
#include "AnswerHeadReader.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace vtmedia {

inline constexpr long long kMaxDownloadBytes = 256LL * 1024 * 1024;

class DownloadReceiver
{
public:
    enum class State
    {
        NeedMore,
        Complete,
        Failed
    };

    DownloadReceiver(std::filesystem::path target, long long maxBytes = kMaxDownloadBytes);
    ~DownloadReceiver(); // removes the temporary file of an unfinished download
    DownloadReceiver(const DownloadReceiver&) = delete;
    DownloadReceiver& operator=(const DownloadReceiver&) = delete;

    State Feed(std::string_view data);
    // The camera closed the connection.
    State Finish();
    // Gives up: the temporary file goes, the target is untouched.
    void Abort();

    State Current() const { return state_; }
    // Once the head is in: its status (0 before).
    int Status() const { return status_; }
    // The last-error code of a failure (a VtSdkError); 0 while none.
    int Error() const { return error_; }
    // The Digest challenge of a 401 answer, when that was the answer.
    const std::string& Challenge() const { return challenge_; }

private:
    State Fail(int error);
    State StartBody();
    State WriteBody(std::string_view data);

    std::filesystem::path target_;
    std::filesystem::path temporary_;
    long long maxBytes_;
    AnswerHeadReader head_;
    State state_ = State::NeedMore;
    int status_ = 0;
    int error_ = 0;
    std::string challenge_;
    int fd_ = -1;
    long long remaining_ = 0;
};

} // namespace vtmedia
