#pragma once
// SOAP 1.2 envelopes: the request we send (optionally with a WS-Security
// UsernameToken) and the answer's body element or its fault. Every value put
// into a request goes through XmlEscape. Pure functions: any thread.
#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "OnvifXml.h"

namespace onvif {

// Namespace prefixes the envelope declares, for the bodies built on it.
inline constexpr const char* kEnvelopeNamespaces =
    " xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\""
    " xmlns:tds=\"http://www.onvif.org/ver10/device/wsdl\""
    " xmlns:tt=\"http://www.onvif.org/ver10/schema\"";

std::string XmlEscape(std::string_view text);

std::string Base64(std::span<const std::uint8_t> bytes);

// Lower-case hex, two digits a byte.
std::string Hex(std::span<const std::uint8_t> bytes);

// UTC "YYYY-MM-DDThh:mm:ssZ".
std::string FormatUtc(std::chrono::system_clock::time_point when);

// Base64(SHA-1(nonce + created + password)).
std::string PasswordDigest(std::span<const std::uint8_t> nonce, std::string_view created, std::string_view password);

enum class PasswordForm { Digest, Text };

struct UsernameToken {
    std::string user;
    std::string password;
    PasswordForm form = PasswordForm::Digest;
    // The camera's clock minus ours (GetSystemDateAndTime): Created is made
    // on the camera's clock, since a camera refuses an old or future one.
    std::chrono::seconds clockOffset{0};
};

// The Security header for `token` with a fresh 16-byte nonce, made at `now`.
std::string SecurityHeader(const UsernameToken& token, std::chrono::system_clock::time_point now);

// A whole request around `bodyXml` (already built with escaped values, using
// the prefixes of kEnvelopeNamespaces); with a Security header when `token`
// is given and its user is not empty.
std::string BuildRequest(std::string_view bodyXml, const UsernameToken* token);

struct SoapFault {
    std::string code;    // local name of the Code Value: "Sender", "Receiver"
    std::string subcode; // local name of the first Subcode Value: "NotAuthorized"
    std::string reason;  // first Reason Text, cut to 512 bytes
};

enum class SoapStatus { Body, Fault, BadAnswer };

// The parsed answer owns its document; `body` is the first element inside
// s:Body and stays valid as long as the answer lives.
struct SoapAnswer {
    SoapStatus status = SoapStatus::BadAnswer;
    std::unique_ptr<pugi::xml_document> document;
    pugi::xml_node body;
    SoapFault fault;
    std::string problem; // why an answer is bad
};

SoapAnswer ParseAnswer(std::string_view bytes, const XmlLimits& limits = {});

} // namespace onvif
