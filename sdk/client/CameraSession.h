#pragma once
// A camera and the credentials used with it, with the Digest state that lets
// later requests authenticate in one round trip. One session stands behind
// each login handle; sessions are shared by every thread using that handle.
#include "DigestAuth.h"
#include "HttpExchange.h"

#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

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
    // `lifetime`: the SDK's signal that ends every exchange in flight when
    // it is torn down.
    CameraSession(std::string address, int port, std::string user, std::string password,
                  ExchangeLimits limits = {}, std::shared_ptr<const CancelSignal> lifetime = {});

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
    // the camera sends, the sink returns true and `stop` is not given; each
    // read must still make progress within the read and pace bounds, and the
    // whole exchange ends after totalMs.
    CallResult Stream(std::string_view target, const HttpResponseParser::BodySink& sink,
                      const CancelSignal& stop, int totalMs = std::numeric_limits<int>::max());

    bool Matches(std::string_view address, int port, std::string_view user, std::string_view password) const;
    // After the camera accepted a new password for `user`: when that is this
    // session's user, the session goes on with the new password.
    void ChangePassword(std::string_view user, std::string password);

private:
    std::string Authorization(std::string_view method, std::string_view target);
    CallResult Exchange(std::string_view method, std::string_view target, std::string_view contentType,
                        const RequestBody& body, const std::string& extraHeaders, size_t maxBody,
                        const ExchangeLimits& limits, const HttpResponseParser::BodySink& sink = {},
                        const CancelSignal* stop = nullptr);

    const std::string address_;
    const int port_;
    const std::string user_;
    const ExchangeLimits limits_;
    const std::shared_ptr<const CancelSignal> lifetime_;
    mutable std::mutex mutex_;
    std::string password_;
    std::optional<vtwire::DigestChallenge> challenge_;
    uint32_t nonceCount_ = 0;
    uint64_t cnonceSeed_;
};

// Login handles. A handle is never given to another session, so a handle
// kept too long can only turn invalid, never point at another camera. When
// the table is full, the session used least recently that no call or play
// holds at that moment makes room; handles in use are never evicted.
class SessionTable
{
public:
    static constexpr size_t kMaxSessions = 4096;

    struct Found
    {
        int handle = -1;
        std::shared_ptr<CameraSession> session;
    };

    // The session for exactly these, or handle -1; counts as a use.
    Found Find(std::string_view address, int port, std::string_view user, std::string_view password);
    // -1 only when every session in the table is in use.
    int Add(std::shared_ptr<CameraSession> session);
    // Null for a handle not (or no longer) in the table; counts as a use.
    std::shared_ptr<CameraSession> Get(int handle);
    // Forgets every session; their handles stay retired.
    void Clear();
    size_t Size() const;

private:
    struct Entry
    {
        std::shared_ptr<CameraSession> session;
        uint64_t lastUse = 0;
    };
    bool EvictOne();

    mutable std::mutex mutex_;
    std::unordered_map<int, Entry> sessions_;
    int nextHandle_ = 0;
    uint64_t useClock_ = 0;
};

} // namespace vtclient
