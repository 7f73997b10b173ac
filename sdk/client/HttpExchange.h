#pragma once
// One HTTP request and its answer over a fresh TCP connection, with a time
// bound on the connect, on every read and write, on the pace and on the whole
// exchange, and cancel signals that end it at once.
#include "CancelSignal.h"
#include "HttpResponseParser.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vtclient {

struct ExchangeLimits
{
    int connectMs = 3000;
    int ioMs = 5000;     // longest wait for any progress
    int totalMs = 10000; // the whole exchange
    // The slowest pace taken: at least windowBytes sent or received in every
    // windowMs, so a camera that trickles a byte now and then cannot hold a
    // transfer for ever. windowBytes 0: no such bound.
    int windowMs = 10000;
    uint64_t windowBytes = 16 * 1024;
};

enum class ExchangeResult
{
    Ok,
    InvalidAddress,
    Unreachable, // refused, no route, timed out, reset before an answer
    Protocol,    // a malformed or over-long answer
    LocalFile,   // the file to send could not be read
    Cancelled,   // a cancel signal was given
};

// The signals that end an exchange early; null entries are ignored.
using CancelList = std::array<const CancelSignal*, 2>;

// What follows the request head: bytes in memory, or the first `fileLength`
// bytes of an open file (read from its start, so a retry sends it again).
struct RequestBody
{
    std::string_view bytes;
    int fd = -1;
    uint64_t fileLength = 0;

    uint64_t Length() const { return fd >= 0 ? fileLength : bytes.size(); }
};

// `extraHeaders`: complete lines, each ending in CRLF.
std::string BuildRequestHead(std::string_view method, std::string_view target, std::string_view host,
                             int port, std::string_view authorization, std::string_view contentType,
                             uint64_t contentLength, std::string_view extraHeaders);

ExchangeResult HttpExchange(const std::string& address, int port, std::string_view head,
                            const RequestBody& body, HttpResponseParser& parser, const ExchangeLimits& limits,
                            const CancelList& cancel = {});

} // namespace vtclient
