#include "WsSecurity.h"

#include <cstdlib>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/sha.h>

namespace camsim {
namespace {

constexpr int64_t kNonceMemorySec = 2 * kMaxCreatedSkewSec;
constexpr std::size_t kMaxNonces = 8192;
constexpr std::size_t kMaxNonceBytes = 256;

void ForgetOldNonces(OnvifState& state, int64_t now)
{
    for (auto it = state.seenNonces.begin(); it != state.seenNonces.end();) {
        it = now - it->second > kNonceMemorySec ? state.seenNonces.erase(it) : std::next(it);
    }
}

bool SameText(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

} // namespace

std::string Base64Encode(std::string_view bytes)
{
    std::string text(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int written = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()),
                                        reinterpret_cast<const unsigned char*>(bytes.data()),
                                        static_cast<int>(bytes.size()));
    text.resize(static_cast<std::size_t>(written));
    return text;
}

std::optional<std::string> Base64Decode(std::string_view text)
{
    if (text.size() % 4 != 0 || text.size() > 1024 * 1024) {
        return std::nullopt;
    }
    std::string bytes(3 * text.size() / 4 + 1, '\0');
    const int written = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(bytes.data()),
                                        reinterpret_cast<const unsigned char*>(text.data()),
                                        static_cast<int>(text.size()));
    if (written < 0) {
        return std::nullopt;
    }
    std::size_t length = static_cast<std::size_t>(written);
    // EVP_DecodeBlock counts the padding as zero bytes.
    for (std::size_t i = text.size(); i > 0 && text[i - 1] == '=' && length > 0; --i) {
        --length;
    }
    bytes.resize(length);
    return bytes;
}

std::string PasswordDigest(std::string_view nonceBytes, std::string_view created, std::string_view password)
{
    std::string input;
    input.append(nonceBytes).append(created).append(password);
    unsigned char digest[SHA_DIGEST_LENGTH];
    SHA1(reinterpret_cast<const unsigned char*>(input.data()), input.size(), digest);
    return Base64Encode(std::string_view(reinterpret_cast<const char*>(digest), sizeof digest));
}

bool VerifyUsernameToken(const UsernameToken& token, OnvifState& state, int64_t simulatorNow, std::string& why)
{
    if (!token.digest) {
        why = "only a password digest is accepted";
        return false;
    }
    const std::optional<int64_t> created = ParseUtc(token.created);
    if (!created) {
        why = "the token has no valid Created time";
        return false;
    }
    if (std::llabs(*created - state.CameraTime(simulatorNow)) > kMaxCreatedSkewSec) {
        why = "the token was created too far from the camera's time";
        return false;
    }
    const std::optional<std::string> nonce = Base64Decode(token.nonce);
    if (!nonce || nonce->empty() || nonce->size() > kMaxNonceBytes) {
        why = "the token has no valid nonce";
        return false;
    }
    const OnvifUser* user = nullptr;
    for (const OnvifUser& candidate : state.users) {
        if (candidate.name == token.username) {
            user = &candidate;
        }
    }
    if (user == nullptr || !SameText(PasswordDigest(*nonce, token.created, user->password), token.password)) {
        why = "wrong user name or password";
        return false;
    }
    ForgetOldNonces(state, simulatorNow);
    if (state.seenNonces.count(token.nonce) != 0 && !state.acceptReusedNonce) {
        why = "the nonce was used before";
        return false;
    }
    if (state.seenNonces.size() >= kMaxNonces) {
        why = "too many logins at once";
        return false;
    }
    state.seenNonces.emplace(token.nonce, simulatorNow);
    return true;
}

} // namespace camsim
