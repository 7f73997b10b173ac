#include "CameraSession.h"

#include "VtIpcSDK.h"

#include <chrono>
#include <cstdio>
#include <random>

namespace vtclient {

int ErrorForStatus(int status)
{
    switch (status) {
    case 400:
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
                             ExchangeLimits limits)
    : address_(std::move(address)), port_(port), user_(std::move(user)), limits_(limits),
      password_(std::move(password)), cnonceSeed_(std::random_device{}())
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
    // At most: one try with the kept nonce, one after a stale or first
    // challenge, one more if that nonce went stale in between.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const std::string authorization = Authorization(method, target);
        const std::string request = BuildRequest(method, target, address_, port_, authorization,
                                                 body.empty() ? "" : "application/json", body);
        HttpResponseParser parser(maxBody);
        switch (HttpExchange(address_, port_, request, parser, limits_)) {
        case ExchangeResult::InvalidAddress:
            return {VT_ERR_INVALID_ARGUMENT, {}};
        case ExchangeResult::Unreachable:
            return {VT_ERR_UNREACHABLE, {}};
        case ExchangeResult::Protocol:
            return {VT_ERR_PROTOCOL, {}};
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
        if (!authorization.empty() && !challenge->stale) {
            std::lock_guard lock(mutex_);
            challenge_.reset();
            return {VT_ERR_AUTH_REFUSED, {}};
        }
        std::lock_guard lock(mutex_);
        challenge_ = challenge;
        nonceCount_ = 0;
    }
    return {VT_ERR_AUTH_REFUSED, {}};
}

int CameraSession::StreamAuthorization(std::string_view method, std::string_view target,
                                       std::string& authorization)
{
    bool haveChallenge = false;
    {
        std::lock_guard lock(mutex_);
        haveChallenge = challenge_.has_value();
    }
    if (!haveChallenge) {
        const int error = Call("GET", "/vtipc/v1/login", {}).error;
        if (error != 0) {
            return error;
        }
    }
    authorization = Authorization(method, target);
    return authorization.empty() ? static_cast<int>(VT_ERR_PROTOCOL) : static_cast<int>(VT_ERR_NONE);
}

bool CameraSession::RenewChallenge(std::string_view wwwAuthenticate)
{
    const auto challenge = vtwire::ParseDigestChallenge(wwwAuthenticate);
    std::lock_guard lock(mutex_);
    if (!challenge || !challenge->stale) {
        challenge_.reset();
        return false;
    }
    challenge_ = challenge;
    nonceCount_ = 0;
    return true;
}

int SessionTable::Find(std::string_view address, int port, std::string_view user,
                       std::string_view password) const
{
    std::lock_guard lock(mutex_);
    for (size_t i = 0; i < sessions_.size(); ++i) {
        if (sessions_[i]->Matches(address, port, user, password)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int SessionTable::Add(std::shared_ptr<CameraSession> session)
{
    std::lock_guard lock(mutex_);
    if (sessions_.size() >= kMaxSessions) {
        return -1;
    }
    sessions_.push_back(std::move(session));
    return static_cast<int>(sessions_.size() - 1);
}

std::shared_ptr<CameraSession> SessionTable::Get(int handle) const
{
    std::lock_guard lock(mutex_);
    if (handle < 0 || static_cast<size_t>(handle) >= sessions_.size()) {
        return nullptr;
    }
    return sessions_[static_cast<size_t>(handle)];
}

void SessionTable::Clear()
{
    std::lock_guard lock(mutex_);
    sessions_.clear();
}

} // namespace vtclient
