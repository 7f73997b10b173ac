#pragma once
// The camera's check of a WS-Security UsernameToken: PasswordDigest =
// Base64(SHA-1(nonce bytes + Created + password)), Created within five
// minutes of the camera's own clock, and each nonce taken once (unless the
// camera is told to take them again: libonvif, behind onvif-util, seeds its
// nonce from the clock's second, so its requests within one second repeat it).
#include "OnvifState.h"
#include "SoapMessage.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace camsim {

inline constexpr int64_t kMaxCreatedSkewSec = 300;

std::string Base64Encode(std::string_view bytes);
// nullopt for text that is not base64.
std::optional<std::string> Base64Decode(std::string_view text);
std::string PasswordDigest(std::string_view nonceBytes, std::string_view created, std::string_view password);

// True when the token names one of the camera's users with a digest of its
// password, made within kMaxCreatedSkewSec of the camera's clock, with a
// nonce not seen before (which is remembered then). The caller holds the
// camera's mutex. why says what was wrong.
bool VerifyUsernameToken(const UsernameToken& token, OnvifState& state, int64_t simulatorNow, std::string& why);

} // namespace camsim
