#pragma once
// An HTTP/1.1 response parser that never holds more than its bounds: the
// status line and headers are limited in bytes and lines, the body in bytes.
// The body of an answer other than 2xx is an error page that only explains
// the status: it is kept up to kMaxErrorBody bytes (or the caller's bound
// when that is smaller), and the answer counts as complete there, so the
// caller closes the connection instead of reading on. Bytes arrive in any
// split; the parser says when the answer is complete.
#include <algorithm>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vtclient {

struct HttpResponse
{
    int status = 0;
    std::vector<std::pair<std::string, std::string>> headers; // names lower-cased
    std::string body;

    // The first header of that (lower-case) name, or nullptr.
    const std::string* Header(std::string_view name) const;
};

class HttpResponseParser
{
public:
    static constexpr size_t kMaxHeadBytes = 16 * 1024;
    static constexpr size_t kMaxHeaderLines = 64;
    static constexpr size_t kMaxErrorBody = 4 * 1024;

    enum class State
    {
        Incomplete,
        Complete,
        Failed
    };

    // Takes the body of a successful (2xx) answer instead of keeping it;
    // false from the sink fails the answer.
    using BodySink = std::function<bool(std::string_view bytes)>;

    explicit HttpResponseParser(size_t maxBody, BodySink sink = {})
        : maxBody_(maxBody), sink_(std::move(sink))
    {
    }

    State Feed(std::string_view data);
    // The peer closed the connection: completes an answer that runs to the close.
    State Finish();

    const HttpResponse& Response() const { return response_; }
    // True when nothing at all has arrived yet.
    bool Empty() const { return !sawBytes_; }

private:
    enum class Phase
    {
        Head,
        Body,
        ChunkSize,
        ChunkData,
        ChunkDataEnd,
        Trailer,
        ToClose
    };

    State Fail();
    bool Success() const { return response_.status >= 200 && response_.status < 300; }
    size_t BodyLimit() const { return Success() ? maxBody_ : std::min(maxBody_, kMaxErrorBody); }
    // Takes body bytes; false when the sink refused them. An error page that
    // reached its bound completes the answer.
    bool TakeBody(std::string_view bytes);
    bool ParseStatusLine(const std::string& line);
    bool ParseHeaderLine(const std::string& line);
    bool StartBody();
    State Run();

    size_t maxBody_;
    BodySink sink_;
    size_t bodyBytes_ = 0;
    State state_ = State::Incomplete;
    Phase phase_ = Phase::Head;
    bool sawBytes_ = false;
    bool sawStatus_ = false;
    size_t headBytes_ = 0;
    size_t remaining_ = 0; // body or chunk bytes still expected
    std::string pending_;
    HttpResponse response_;
};

} // namespace vtclient
