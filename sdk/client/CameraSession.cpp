#include "CameraSession.h"

#include "PercentEncoding.h"
#include "VtIpcRecords.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <limits>
#include <random>
#include <unistd.h>

namespace vtclient {

int ErrorForStatus(int status)
{
    switch (status) {
    case 400:
    case 413:
    case 422:
        return VT_ERR_REJECTED;
    case 401:
    case 403:
        return VT_ERR_AUTH_REFUSED;
    case 404:
    case 405:
    case 501:
        return VT_ERR_UNSUPPORTED;
    case 503:
        return VT_ERR_BUSY;
    default:
        return (status >= 200 && status < 300) ? VT_ERR_NONE : VT_ERR_CAMERA;
    }
}

CameraSession::CameraSession(std::string address, int port, std::string user, std::string password,
                             ExchangeLimits limits, std::shared_ptr<const CancelSignal> lifetime)
    : address_(std::move(address)), port_(port), user_(std::move(user)), limits_(limits),
      lifetime_(std::move(lifetime)), password_(std::move(password)), cnonceSeed_(std::random_device{}())
{
    cnonceSeed_ = (cnonceSeed_ << 32) ^
                  static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
}

bool CameraSession::Matches(std::string_view address, int port, std::string_view user,
                            std::string_view password) const
{
    std::lock_guard lock(mutex_);
    return address_ == address && port_ == port && user_ == user && password_ == password;
}

void CameraSession::ChangePassword(std::string_view user, std::string password)
{
    std::lock_guard lock(mutex_);
    if (user != user_) {
        return;
    }
    password_ = std::move(password);
}

std::string CameraSession::Authorization(std::string_view method, std::string_view target)
{
    std::lock_guard lock(mutex_);
    if (!challenge_) {
        return {};
    }
    char cnonce[17];
    std::snprintf(cnonce, sizeof cnonce, "%016llx",
                  static_cast<unsigned long long>(cnonceSeed_ ^ (0x9E3779B97F4A7C15ULL * (nonceCount_ + 1))));
    return vtwire::BuildDigestAuthorization(*challenge_, user_, password_, method, target, ++nonceCount_,
                                            cnonce);
}

CallResult CameraSession::Call(std::string_view method, std::string_view target, std::string_view body,
                               size_t maxBody)
{
    RequestBody content;
    content.bytes = body;
    return Exchange(method, target, body.empty() ? "" : "application/json", content, {}, maxBody, limits_);
}

CallResult CameraSession::Upload(std::string_view target, std::string_view fileName, int fd, uint64_t length)
{
    // A challenge on the first try would cost a whole upload, so a fresh
    // session fetches its nonce with a small request first.
    bool haveNonce = false;
    {
        std::lock_guard lock(mutex_);
        haveNonce = challenge_.has_value();
    }
    if (!haveNonce) {
        const CallResult login = Call("GET", "/vtipc/v1/login", {});
        if (login.error != VT_ERR_NONE) {
            return login;
        }
    }
    RequestBody content;
    content.fd = fd;
    content.fileLength = length;
    ExchangeLimits limits = limits_;
    limits.totalMs += static_cast<int>(std::min<uint64_t>(length / (1024 * 1024) * 1000, 600000));
    return Exchange("POST", target, "application/octet-stream", content,
                    "X-Vt-File-Name: " + vtwire::PercentEncode(fileName) + "\r\n", kMaxJsonBody, limits);
}

CallResult CameraSession::Download(std::string_view target, const std::string& localPath)
{
    std::string temporary = localPath + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        return {VT_ERR_FILE, {}};
    }
    bool writeFailed = false;
    const HttpResponseParser::BodySink sink = [&](std::string_view bytes) {
        while (!bytes.empty() && !writeFailed) {
            const ssize_t written = ::write(fd, bytes.data(), bytes.size());
            if (written <= 0) {
                writeFailed = true;
            } else {
                bytes.remove_prefix(static_cast<size_t>(written));
            }
        }
        return !writeFailed;
    };
    ExchangeLimits limits = limits_;
    limits.totalMs = std::max(limits.totalMs, 600000); // each read still has to make progress
    CallResult result = Exchange("GET", target, {}, RequestBody{}, {}, kMaxDownload, limits, sink);
    if (writeFailed) {
        result.error = VT_ERR_FILE;
    }
    const bool closed = ::close(fd) == 0;
    if (result.error == VT_ERR_NONE && (!closed || ::rename(temporary.c_str(), localPath.c_str()) != 0)) {
        result.error = VT_ERR_FILE;
    }
    if (result.error != VT_ERR_NONE) {
        ::unlink(temporary.c_str());
    }
    result.body.clear();
    return result;
}

CallResult CameraSession::Stream(std::string_view target, const HttpResponseParser::BodySink& sink,
                                 const CancelSignal& stop, int totalMs)
{
    ExchangeLimits limits = limits_;
    limits.totalMs = totalMs;
    return Exchange("GET", target, {}, RequestBody{}, {}, std::numeric_limits<size_t>::max(), limits, sink,
                    &stop);
}

CallResult CameraSession::Exchange(std::string_view method, std::string_view target,
                                   std::string_view contentType, const RequestBody& body,
                                   const std::string& extraHeaders, size_t maxBody,
                                   const ExchangeLimits& limits, const HttpResponseParser::BodySink& sink,
                                   const CancelSignal* stop)
{
    const CancelList cancel{lifetime_.get(), stop};
    // A refusal counts only when it answers a nonce this exchange was just
    // given. A camera whose web server started again since the nonce was
    // kept does not know it and cannot call it stale, so a kept nonce earns
    // one more try with the fresh challenge. At most: one try with the kept
    // nonce, one with the fresh challenge, one more if that went stale.
    bool answeredFresh = false;
    for (int attempt = 0; attempt < 3; ++attempt) {
        const std::string authorization = Authorization(method, target);
        const std::string head = BuildRequestHead(method, target, address_, port_, authorization, contentType,
                                                  body.Length(), extraHeaders);
        HttpResponseParser parser(maxBody, sink);
        switch (HttpExchange(address_, port_, head, body, parser, limits, cancel)) {
        case ExchangeResult::InvalidAddress:
            return {VT_ERR_INVALID_ARGUMENT, {}};
        case ExchangeResult::Unreachable:
            return {VT_ERR_UNREACHABLE, {}};
        case ExchangeResult::Protocol:
            return {VT_ERR_PROTOCOL, {}};
        case ExchangeResult::LocalFile:
            return {VT_ERR_FILE, {}};
        case ExchangeResult::Cancelled:
            return {VT_ERR_NOT_INITIALISED, {}}; // the SDK is being torn down, or the play stopped
        case ExchangeResult::Ok:
            break;
        }
        const HttpResponse& response = parser.Response();
        if (response.status != 401) {
            const int error = ErrorForStatus(response.status);
            return {error, error == VT_ERR_NONE ? response.body : std::string()};
        }
        const std::string* header = response.Header("www-authenticate");
        const auto challenge = header != nullptr ? vtwire::ParseDigestChallenge(*header) : std::nullopt;
        if (!challenge) {
            return {VT_ERR_PROTOCOL, {}};
        }
        if (!authorization.empty() && !challenge->stale && answeredFresh) {
            std::lock_guard lock(mutex_);
            challenge_.reset();
            return {VT_ERR_AUTH_REFUSED, {}};
        }
        std::lock_guard lock(mutex_);
        challenge_ = challenge;
        nonceCount_ = 0;
        answeredFresh = true;
    }
    return {VT_ERR_AUTH_REFUSED, {}};
}

SessionTable::Found SessionTable::Find(std::string_view address, int port, std::string_view user,
                                       std::string_view password)
{
    std::lock_guard lock(mutex_);
    for (auto& [handle, entry] : sessions_) {
        if (entry.session->Matches(address, port, user, password)) {
            entry.lastUse = ++useClock_;
            return {handle, entry.session};
        }
    }
    return {};
}

bool SessionTable::EvictOne()
{
    // In use: a call or a play holds a reference besides the table's. Holders
    // only come through Get and Find, under this lock, so a session seen
    // idle here stays idle until it is gone.
    auto oldest = sessions_.end();
    for (auto it = sessions_.begin(); it != sessions_.end(); ++it) {
        if (it->second.session.use_count() == 1 &&
            (oldest == sessions_.end() || it->second.lastUse < oldest->second.lastUse)) {
            oldest = it;
        }
    }
    if (oldest == sessions_.end()) {
        return false;
    }
    sessions_.erase(oldest);
    return true;
}

int SessionTable::Add(std::shared_ptr<CameraSession> session)
{
    std::lock_guard lock(mutex_);
    if (sessions_.size() >= kMaxSessions && !EvictOne()) {
        return -1;
    }
    while (sessions_.count(nextHandle_) != 0) {
        nextHandle_ = nextHandle_ == std::numeric_limits<int>::max() ? 0 : nextHandle_ + 1;
    }
    const int handle = nextHandle_;
    nextHandle_ = nextHandle_ == std::numeric_limits<int>::max() ? 0 : nextHandle_ + 1;
    sessions_[handle] = Entry{std::move(session), ++useClock_};
    return handle;
}

std::shared_ptr<CameraSession> SessionTable::Get(int handle)
{
    std::lock_guard lock(mutex_);
    const auto found = sessions_.find(handle);
    if (found == sessions_.end()) {
        return nullptr;
    }
    found->second.lastUse = ++useClock_;
    return found->second.session;
}

void SessionTable::Clear()
{
    std::lock_guard lock(mutex_);
    sessions_.clear();
}

size_t SessionTable::Size() const
{
    std::lock_guard lock(mutex_);
    return sessions_.size();
}

} // namespace vtclient
