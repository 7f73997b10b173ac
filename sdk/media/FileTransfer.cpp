#include "FileTransfer.h"

#include "AnswerHeadReader.h"
#include "CameraRequest.h"
#include "DownloadReceiver.h"
#include "TcpConnection.h"
#include "VtIpcSDK.h"

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vtmedia {
namespace {

using Clock = std::chrono::steady_clock;

class Deadline
{
public:
    explicit Deadline(int totalMs) : end_(Clock::now() + std::chrono::milliseconds(totalMs)) {}
    // The wait allowed now: at most `capMs`, never past the deadline.
    int Wait(int capMs) const
    {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end_ - Clock::now()).count();
        return static_cast<int>(std::clamp<long long>(left, 0, capMs));
    }

private:
    Clock::time_point end_;
};

class FileHandle
{
public:
    explicit FileHandle(const char* path) : fd_(::open(path, O_RDONLY | O_CLOEXEC)) {}
    ~FileHandle()
    {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

// Sends the file; false only when the file itself could not be read whole.
// A connection that fails on the way is left to the answer that follows.
bool SendBody(TcpConnection& connection, int fd, long long size, const Deadline& deadline, int ioMs)
{
    std::vector<char> piece(kUploadPieceBytes);
    long long sent = 0;
    while (sent < size) {
        const ssize_t n = ::pread(fd, piece.data(), piece.size(), sent);
        if (n <= 0) {
            return false;
        }
        if (connection.SendAll(std::string_view(piece.data(), static_cast<size_t>(n)), deadline.Wait(ioMs)) !=
            IoResult::Ok) {
            return true;
        }
        sent += n;
    }
    return true;
}

enum class Attempt
{
    Done,
    Retry
};

// One try of an upload; `error` is its outcome.
Attempt TryUpload(vtclient::CameraSession& session, const std::string& target, int fd, long long size,
                  const std::string& name, const TransferLimits& limits, int& error)
{
    const Deadline deadline(limits.totalMs);
    TcpConnection connection;
    error =
        SendRequestHead(session, "POST", target,
                        "Content-Type: application/octet-stream\r\nContent-Length: " + std::to_string(size) +
                            "\r\nX-Vt-File-Name: " + PercentEncode(name) + "\r\nExpect: 100-continue\r\n",
                        limits.connectMs, deadline.Wait(limits.ioMs), connection);
    if (error != VT_ERR_NONE) {
        return Attempt::Done;
    }
    // The camera may refuse before the body (credentials, a wrong image, busy).
    AnswerHeadReader answer;
    const IoResult interim = ReadAnswerHead(connection, answer, deadline.Wait(limits.continueMs));
    if (interim == IoResult::Closed || interim == IoResult::Failed) {
        error = HeadlessError(answer);
        return Attempt::Done;
    }
    if (interim == IoResult::TimedOut || answer.Head().status == 100) {
        std::string early = interim == IoResult::Ok ? std::move(answer.Rest()) : std::string();
        answer = AnswerHeadReader();
        answer.Feed(early);
        // A camera that answers while the body is still going hangs up on
        // the rest; its answer is read all the same.
        if (!SendBody(connection, fd, size, deadline, limits.ioMs)) {
            error = VT_ERR_FILE;
            return Attempt::Done;
        }
        if (ReadAnswerHead(connection, answer, deadline.Wait(limits.ioMs)) != IoResult::Ok) {
            error = HeadlessError(answer);
            return Attempt::Done;
        }
    }
    const int status = answer.Head().status;
    if (status == 401) {
        const std::string* challenge = answer.Head().Header("www-authenticate");
        error = VT_ERR_AUTH_REFUSED;
        return challenge != nullptr && session.RenewChallenge(*challenge) ? Attempt::Retry : Attempt::Done;
    }
    error = vtclient::ErrorForStatus(status);
    return Attempt::Done;
}

Attempt TryDownload(vtclient::CameraSession& session, const std::string& target, const char* localPath,
                    const std::string& fileName, const TransferLimits& limits, int& error)
{
    const Deadline deadline(limits.totalMs);
    const std::string extra =
        "Accept: */*\r\n" +
        (fileName.empty() ? std::string() : "X-Vt-File-Name: " + PercentEncode(fileName) + "\r\n");
    TcpConnection connection;
    error = SendRequestHead(session, "GET", target, extra, limits.connectMs, deadline.Wait(limits.ioMs),
                            connection);
    if (error != VT_ERR_NONE) {
        return Attempt::Done;
    }
    DownloadReceiver receiver(localPath);
    std::vector<char> buffer(64 * 1024);
    while (receiver.Current() == DownloadReceiver::State::NeedMore) {
        size_t received = 0;
        switch (connection.Receive(buffer.data(), buffer.size(), received, deadline.Wait(limits.ioMs))) {
        case IoResult::Ok:
            receiver.Feed(std::string_view(buffer.data(), received));
            break;
        case IoResult::Closed:
            receiver.Finish();
            break;
        case IoResult::TimedOut:
        case IoResult::Failed:
            error = receiver.Status() == 0 ? VT_ERR_UNREACHABLE : VT_ERR_PROTOCOL;
            receiver.Abort();
            return Attempt::Done;
        }
    }
    error = receiver.Current() == DownloadReceiver::State::Complete ? static_cast<int>(VT_ERR_NONE)
                                                                    : receiver.Error();
    if (receiver.Status() == 401 && session.RenewChallenge(receiver.Challenge())) {
        return Attempt::Retry;
    }
    return Attempt::Done;
}

} // namespace

std::string PercentEncode(std::string_view text)
{
    static const char* const kHex = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool letterOrDigit =
            (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z');
        if (letterOrDigit || c == '.' || c == '-' || c == '_') {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        }
    }
    return out;
}

int UploadFile(vtclient::CameraSession& session, const std::string& target, const char* localPath,
               const TransferLimits& limits)
{
    if (localPath == nullptr || *localPath == '\0') {
        return VT_ERR_INVALID_ARGUMENT;
    }
    const FileHandle file(localPath);
    struct stat info
    {
    };
    if (file.fd() < 0 || ::fstat(file.fd(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return VT_ERR_FILE;
    }
    const std::string name = std::filesystem::path(localPath).filename().string();
    int error = VT_ERR_NONE;
    if (TryUpload(session, target, file.fd(), info.st_size, name, limits, error) == Attempt::Retry) {
        TryUpload(session, target, file.fd(), info.st_size, name, limits, error);
    }
    return error;
}

int DownloadFile(vtclient::CameraSession& session, const std::string& target, const char* localPath,
                 const std::string& fileName, const TransferLimits& limits)
{
    if (localPath == nullptr || *localPath == '\0' || std::filesystem::path(localPath).filename().empty()) {
        return VT_ERR_INVALID_ARGUMENT;
    }
    int error = VT_ERR_NONE;
    if (TryDownload(session, target, localPath, fileName, limits, error) == Attempt::Retry) {
        TryDownload(session, target, localPath, fileName, limits, error);
    }
    return error;
}

} // namespace vtmedia
