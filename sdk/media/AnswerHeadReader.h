#pragma once
// Reads the status line and headers of a camera's answer, within the same
// bounds as every other answer, and keeps the body bytes that came with them
// for whoever streams the body (a file download, live video).
#include "HttpResponseParser.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace vtmedia {

class AnswerHeadReader
{
public:
    enum class State
    {
        NeedMore,
        Done,
        Failed
    };

    State Feed(std::string_view data);
    State Current() const { return state_; }
    // Valid once Done: status and headers (the body is not kept here).
    const vtclient::HttpResponse& Head() const { return parser_.Response(); }
    // Body bytes that arrived together with the head; the caller takes them.
    std::string& Rest() { return rest_; }
    // The Content-Length of the answer, or -1 when it has none or a bad one.
    long long ContentLength() const;

private:
    State state_ = State::NeedMore;
    std::string head_;
    std::string rest_;
    vtclient::HttpResponseParser parser_{static_cast<size_t>(-1) / 2};
};

} // namespace vtmedia
