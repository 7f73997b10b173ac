#pragma once
// One HTTP request and its answer over a fresh TCP connection, with a time
// bound on the connect, on every read and write, and on the whole exchange.
#include "HttpResponseParser.h"

#include <string>
#include <string_view>

namespace vtclient {

struct ExchangeLimits
{
    int connectMs = 3000;
    int ioMs = 5000;     // longest wait for any progress
    int totalMs = 10000; // the whole exchange
};

enum class ExchangeResult
{
    Ok,
    InvalidAddress,
    Unreachable, // refused, no route, timed out, reset before an answer
    Protocol,    // a malformed or over-long answer
};

std::string BuildRequest(std::string_view method, std::string_view target, std::string_view host, int port,
                         std::string_view authorization, std::string_view contentType, std::string_view body);

ExchangeResult HttpExchange(const std::string& address, int port, std::string_view request,
                            HttpResponseParser& parser, const ExchangeLimits& limits);

} // namespace vtclient
