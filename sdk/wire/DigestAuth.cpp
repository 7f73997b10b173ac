#include "DigestAuth.h"

#include "AsciiCase.h"
#include "PercentEncoding.h"

#include <cstdio>
#include <cstdlib>
#include <openssl/evp.h>

namespace vtwire {
namespace {

void SkipBlanks(std::string_view text, size_t& at)
{
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == ',')) {
        ++at;
    }
}

bool ConstantTimeEqual(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    unsigned char diff = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    }
    return diff == 0;
}

// A quoted-string: a quote or backslash in the value (a user name may hold
// either) goes with a backslash before it, as the reading side expects.
std::string Quoted(std::string_view value)
{
    std::string out = "\"";
    for (const char c : value) {
        if (c == '"' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out + '"';
}

} // namespace

std::string Md5Hex(std::string_view data)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(data.data(), data.size(), digest, &length, EVP_md5(), nullptr);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (unsigned int i = 0; i < length; ++i) {
        out += kHex[digest[i] >> 4];
        out += kHex[digest[i] & 15];
    }
    return out;
}

std::optional<std::map<std::string, std::string>> ParseDigestParams(std::string_view header)
{
    size_t at = 0;
    SkipBlanks(header, at);
    if (header.size() - at < 7 || AsciiLower(header.substr(at, 6)) != "digest" || header[at + 6] != ' ') {
        return std::nullopt;
    }
    at += 7;
    std::map<std::string, std::string> params;
    for (SkipBlanks(header, at); at < header.size(); SkipBlanks(header, at)) {
        const size_t equals = header.find('=', at);
        if (equals == std::string_view::npos || equals == at) {
            return std::nullopt;
        }
        std::string name = AsciiLower(header.substr(at, equals - at));
        while (!name.empty() && name.back() == ' ') {
            name.pop_back();
        }
        at = equals + 1;
        std::string value;
        if (at < header.size() && header[at] == '"') {
            for (++at; at < header.size() && header[at] != '"'; ++at) {
                if (header[at] == '\\' && at + 1 < header.size()) {
                    ++at;
                }
                value += header[at];
            }
            if (at >= header.size()) {
                return std::nullopt;
            }
            ++at;
        } else {
            while (at < header.size() && header[at] != ',' && header[at] != ' ') {
                value += header[at++];
            }
        }
        params[name] = value;
    }
    return params;
}

std::optional<DigestChallenge> ParseDigestChallenge(std::string_view header)
{
    const auto params = ParseDigestParams(header);
    if (!params || !params->contains("nonce") || !params->contains("realm")) {
        return std::nullopt;
    }
    if (params->contains("algorithm") && AsciiLower(params->at("algorithm")) != "md5") {
        return std::nullopt;
    }
    if (!params->contains("qop") || params->at("qop").find("auth") == std::string::npos) {
        return std::nullopt;
    }
    DigestChallenge challenge;
    challenge.realm = params->at("realm");
    challenge.nonce = params->at("nonce");
    if (params->contains("opaque")) {
        challenge.opaque = params->at("opaque");
    }
    challenge.stale = params->contains("stale") && AsciiLower(params->at("stale")) == "true";
    return challenge;
}

std::string DigestResponse(std::string_view user, std::string_view realm, std::string_view password,
                           std::string_view method, std::string_view uri, std::string_view nonce,
                           std::string_view nc, std::string_view cnonce)
{
    const std::string ha1 =
        Md5Hex(std::string(user) + ":" + std::string(realm) + ":" + std::string(password));
    const std::string ha2 = Md5Hex(std::string(method) + ":" + std::string(uri));
    return Md5Hex(ha1 + ":" + std::string(nonce) + ":" + std::string(nc) + ":" + std::string(cnonce) +
                  ":auth:" + ha2);
}

std::string BuildDigestAuthorization(const DigestChallenge& challenge, std::string_view user,
                                     std::string_view password, std::string_view method, std::string_view uri,
                                     uint32_t nonceCount, std::string_view cnonce)
{
    char nc[9];
    std::snprintf(nc, sizeof nc, "%08x", nonceCount);
    std::string value = "Digest username=" + Quoted(user) + ", realm=" + Quoted(challenge.realm) +
                        ", nonce=" + Quoted(challenge.nonce) + ", uri=" + Quoted(uri) +
                        ", algorithm=MD5, qop=auth, nc=" + nc + ", cnonce=" + Quoted(cnonce) + ", response=\"" +
                        DigestResponse(user, challenge.realm, password, method, uri, challenge.nonce, nc, cnonce) +
                        "\"";
    if (!challenge.opaque.empty()) {
        value += ", opaque=" + Quoted(challenge.opaque);
    }
    return value;
}

DigestNonceIssuer::DigestNonceIssuer(std::string secret) : secret_(std::move(secret)) {}

std::string DigestNonceIssuer::Issue(int64_t nowSeconds) const
{
    char stamp[24];
    std::snprintf(stamp, sizeof stamp, "%llx", static_cast<unsigned long long>(nowSeconds));
    return std::string(stamp) + "-" + Md5Hex(std::string(stamp) + ":" + secret_);
}

bool DigestNonceIssuer::Check(std::string_view nonce, int64_t nowSeconds, bool& expired) const
{
    const size_t dash = nonce.find('-');
    if (dash == std::string_view::npos || dash == 0 || dash > 16) {
        return false;
    }
    const std::string stamp(nonce.substr(0, dash));
    if (!ConstantTimeEqual(nonce.substr(dash + 1), Md5Hex(stamp + ":" + secret_))) {
        return false;
    }
    const long long issued = std::strtoll(stamp.c_str(), nullptr, 16);
    expired = nowSeconds - issued > kLifetimeSeconds || issued > nowSeconds + 5;
    return true;
}

DigestVerdict VerifyDigest(std::string_view authorization, std::string_view method,
                           std::string_view requestUri, std::string_view user, std::string_view password,
                           const DigestNonceIssuer& issuer, int64_t nowSeconds)
{
    if (authorization.empty()) {
        return DigestVerdict::Missing;
    }
    const auto params = ParseDigestParams(authorization);
    if (!params) {
        return DigestVerdict::Refused;
    }
    for (const char* name : {"username", "realm", "nonce", "uri", "response", "nc", "cnonce", "qop"}) {
        if (!params->contains(name)) {
            return DigestVerdict::Refused;
        }
    }
    // Some servers hand over header values with their %XX escapes decoded; the
    // uri then differs from the request target by exactly that decoding.
    const std::string& uri = params->at("uri");
    if (params->at("qop") != "auth" || params->at("realm") != kDigestRealm ||
        (uri != requestUri && PercentDecode(requestUri) != std::optional<std::string>(uri))) {
        return DigestVerdict::Refused;
    }
    bool expired = false;
    if (!issuer.Check(params->at("nonce"), nowSeconds, expired)) {
        return DigestVerdict::Refused;
    }
    const std::string expected = DigestResponse(user, kDigestRealm, password, method, requestUri,
                                                params->at("nonce"), params->at("nc"), params->at("cnonce"));
    if (params->at("username") != user || !ConstantTimeEqual(params->at("response"), expected)) {
        return DigestVerdict::Refused;
    }
    return expired ? DigestVerdict::Stale : DigestVerdict::Accepted;
}

std::string BuildDigestChallenge(const DigestNonceIssuer& issuer, int64_t nowSeconds, bool stale)
{
    std::string value = std::string("Digest realm=\"") + kDigestRealm +
                        "\", qop=\"auth\", algorithm=MD5, nonce=\"" + issuer.Issue(nowSeconds) +
                        "\", opaque=\"" + Md5Hex(kDigestRealm) + "\"";
    if (stale) {
        value += ", stale=true";
    }
    return value;
}

} // namespace vtwire
