#pragma once
// One HTTP(S) POST per call through libcurl. Bounded in time (connect and
// total timeouts), in size (an answer past the cap ends the transfer) and
// stoppable (the abort flag is checked every 50 ms and by the progress
// callback). Only http and https, never a redirect, HTTP Digest only when the
// caller gives credentials for it (never Basic).
//
// https: a camera's certificate is its own, self-signed; it is pinned on first
// use. The SHA-256 fingerprint of the leaf certificate is reported in every
// result; when the caller passes a pinned fingerprint and the camera shows
// another, the handshake is refused, nothing of the request is sent and the
// call ends with CertificateChanged.
//
// Blocking; any thread; calls on different threads are independent.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace onvif {

inline constexpr std::size_t kMaxAnswerBytes = 16u * 1024u * 1024u;

struct TransportOptions {
    std::chrono::milliseconds connectTimeout{3000};
    std::chrono::milliseconds totalTimeout{10000};
    std::size_t maxAnswerBytes = kMaxAnswerBytes;
    const std::atomic<bool>* abort = nullptr; // true stops the call soon
    // HTTP Digest (never Basic). libcurl first sends the request without a
    // body to learn the challenge, so set these only for a camera known to
    // want Digest (TransportResult::digestOffered).
    std::string digestUser;
    std::string digestPassword;
    // Lower-case hex SHA-256 of the certificate accepted before; empty: any
    // certificate (first use), whose fingerprint the result then carries.
    std::string pinnedSha256;
};

enum class TransportStatus {
    Answered,           // an HTTP answer arrived (any status code)
    BadUrl,             // not http:// or https://
    Unreachable,        // no connection, reset, TLS failure
    TimedOut,
    Aborted,            // the abort flag was set
    TooLarge,           // the answer passed the size cap
    CertificateChanged, // the pinned fingerprint did not match
};

const char* TransportStatusText(TransportStatus status);

struct TransportResult {
    TransportStatus status = TransportStatus::Unreachable;
    long httpStatus = 0;
    std::string body;
    std::string certificateSha256; // https only: the leaf certificate's fingerprint
    std::string error;             // libcurl's words when not Answered
    bool digestOffered = false;    // a 401 whose WWW-Authenticate offers Digest
};

inline constexpr const char* kSoapContentType = "application/soap+xml; charset=utf-8";

// POST `body` to `url` with this Content-Type (kSoapContentType for SOAP).
TransportResult PostBody(const std::string& url, std::string_view body, const std::string& contentType,
                         const TransportOptions& options);

// Upload progress: bytes sent so far of `total`.
using UploadProgress = std::function<void(std::uint64_t sent, std::uint64_t total)>;

// POST the file at `path` as application/octet-stream to `url` (a firmware
// image to the address StartFirmwareUpgrade gave). `totalTimeout` bounds the
// whole upload; the progress callback runs on the calling thread.
TransportResult PostFile(const std::string& url, const std::string& path, const TransportOptions& options,
                         const UploadProgress& progress);

// GET `url`: a file the camera serves, such as a snapshot.
TransportResult GetUrl(const std::string& url, const TransportOptions& options);

// The host part of an address as libcurl reads it (lower case), of any
// scheme (http, https, rtsp); empty when the address cannot be read.
std::string UrlHost(const std::string& url);

// Lower-case hex SHA-256 of a DER-encoded certificate.
std::string CertificateFingerprint(const unsigned char* der, std::size_t length);

} // namespace onvif
