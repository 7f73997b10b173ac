#pragma once
// HTTP Digest authentication (MD5, qop=auth) as both ends of the camera
// protocol use it: the client answers challenges, the camera issues and checks.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace vtwire {

inline constexpr const char* kDigestRealm = "VtIpc";

std::string Md5Hex(std::string_view data);

// The parameters of a "Digest a=b, c="d"" header value, names lower-cased;
// nullopt when the value is not a Digest header or is malformed.
std::optional<std::map<std::string, std::string>> ParseDigestParams(std::string_view header);

struct DigestChallenge
{
    std::string realm;
    std::string nonce;
    std::string opaque;
    bool stale = false;
};

// A WWW-Authenticate value offering Digest with MD5 and qop "auth"; nullopt otherwise.
std::optional<DigestChallenge> ParseDigestChallenge(std::string_view header);

std::string DigestResponse(std::string_view user, std::string_view realm, std::string_view password,
                           std::string_view method, std::string_view uri, std::string_view nonce,
                           std::string_view nc, std::string_view cnonce);

// The Authorization value for one request; nonceCount starts at 1 for a new nonce.
std::string BuildDigestAuthorization(const DigestChallenge& challenge, std::string_view user,
                                     std::string_view password, std::string_view method, std::string_view uri,
                                     uint32_t nonceCount, std::string_view cnonce);

// The camera side: nonces carry their issue time and a keyed hash, so the
// camera keeps no table of them.
class DigestNonceIssuer
{
public:
    explicit DigestNonceIssuer(std::string secret);
    std::string Issue(int64_t nowSeconds) const;
    // True when the nonce is one of ours; `expired` tells whether it is too old.
    bool Check(std::string_view nonce, int64_t nowSeconds, bool& expired) const;
    static constexpr int64_t kLifetimeSeconds = 300;

private:
    std::string secret_;
};

enum class DigestVerdict
{
    Missing,
    Refused,
    Stale,
    Accepted
};

// Checks an Authorization header against the expected credentials.
DigestVerdict VerifyDigest(std::string_view authorization, std::string_view method,
                           std::string_view requestUri, std::string_view user, std::string_view password,
                           const DigestNonceIssuer& issuer, int64_t nowSeconds);

std::string BuildDigestChallenge(const DigestNonceIssuer& issuer, int64_t nowSeconds, bool stale);

} // namespace vtwire
