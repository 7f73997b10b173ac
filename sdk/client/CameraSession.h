#pragma once
// A camera and the credentials used with it, with the Digest state that lets
// later requests authenticate in one round trip. One session stands behind
// each login handle; sessions are shared by every thread using that handle.
#include "DigestAuth.h"
#include "HttpExchange.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vtclient {

inline constexpr size_t kMaxJsonBody = 64 * 1024;
inline constexpr size_t kMaxDownload = 256 * 1024 * 1024;

struct CallResult
{
    int error = 0; // a VtSdkError
    std::string body;
};

// The last-error code for an HTTP status other than 2xx and 401.
int ErrorForStatus(int status);

class CameraSession
{
public:
    CameraSession(std::string address, int port, std::string user, std::string password,
                  ExchangeLimits limits = {});

    // One request, authenticated; answers the body of a 2xx answer.
    CallResult Call(std::string_view method, std::string_view target, std::string_view body,
                    size_t maxBody = kMaxJsonBody);

    // Sends the first `length` bytes of the open file `fd` as a POST body,
    // with its name; the time bound grows with the size.
    CallResult Upload(std::string_view target, std::string_view fileName, int fd, uint64_t length);

    // Fetches the body of a GET into `localPath` through a temporary file in
    // the same folder, renamed only when every byte arrived; a failed
    // download leaves nothing under `localPath`.
    CallResult Download(std::string_view target, const std::string& localPath);

    // A GET whose successful body goes to `sink` as it arrives, for as long as
    // the camera sends and the sink returns true; each read must still make
    // progress within the read bound.
    CallResult Stream(std::string_view target, const HttpResponseParser::BodySink& sink);

    bool Matches(std::string_view address, int port, std::string_view user, std::string_view password) const;
    // After the camera accepted a new password for `user`: when that is this
    // session's user, the session goes on with the new password.
    void ChangePassword(std::string_view user, std::string password);

private:
    std::string Authorization(std::string_view method, std::string_view target);
    CallResult Exchange(std::string_view method, std::string_view target, std::string_view contentType,
                        const RequestBody& body, const std::string& extraHeaders, size_t maxBody,
                        const ExchangeLimits& limits, const HttpResponseParser::BodySink& sink = {});

    const std::string address_;
    const int port_;
    const std::string user_;
    const ExchangeLimits limits_;
    mutable std::mutex mutex_;
    std::string password_;
    std::optional<vtwire::DigestChallenge> challenge_;
    uint32_t nonceCount_ = 0;
    uint64_t cnonceSeed_;
};

// Login handles: small indexes into this table. Entries live until Clear.
class SessionTable
{
public:
    static constexpr size_t kMaxSessions = 4096;

    // The handle of an existing session for exactly these, or -1.
    int Find(std::string_view address, int port, std::string_view user, std::string_view password) const;
    // -1 when the table is full.
    int Add(std::shared_ptr<CameraSession> session);
    std::shared_ptr<CameraSession> Get(int handle) const;
    void Clear();

private:
    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<CameraSession>> sessions_;
};

} // namespace vtclient
