#include "AnswerHeadReader.h"

#include <charconv>

namespace vtmedia {
namespace {

// The end of the empty line that closes a head (bare LF tolerated), or npos.
size_t HeadEnd(std::string_view text)
{
    for (size_t newline = text.find('\n'); newline != std::string_view::npos;
         newline = text.find('\n', newline + 1)) {
        const size_t next = newline + 1;
        if (next < text.size() && text[next] == '\n') {
            return next + 1;
        }
        if (next + 1 < text.size() && text[next] == '\r' && text[next + 1] == '\n') {
            return next + 2;
        }
    }
    return std::string_view::npos;
}

} // namespace

AnswerHeadReader::State AnswerHeadReader::Feed(std::string_view data)
{
    if (state_ != State::NeedMore) {
        if (state_ == State::Done) {
            rest_.append(data);
        }
        return state_;
    }
    // Only look at what could still hold the end of the head.
    const size_t searchFrom = head_.size() < 3 ? 0 : head_.size() - 3;
    head_.append(data);
    const size_t end = HeadEnd(std::string_view(head_).substr(searchFrom));
    if (end == std::string_view::npos) {
        if (head_.size() > vtclient::HttpResponseParser::kMaxHeadBytes) {
            state_ = State::Failed;
            head_.clear();
        }
        return state_;
    }
    const size_t headBytes = searchFrom + end;
    if (headBytes > vtclient::HttpResponseParser::kMaxHeadBytes) {
        state_ = State::Failed;
        return state_;
    }
    rest_.assign(head_, headBytes, std::string::npos);
    head_.resize(headBytes);
    const auto parsed = parser_.Feed(head_);
    head_.clear();
    head_.shrink_to_fit();
    state_ = parsed == vtclient::HttpResponseParser::State::Failed ? State::Failed : State::Done;
    return state_;
}

long long AnswerHeadReader::ContentLength() const
{
    const std::string* text = Head().Header("content-length");
    long long value = -1;
    if (text == nullptr || text->empty() || text->size() > 15 ||
        std::from_chars(text->data(), text->data() + text->size(), value).ptr !=
            text->data() + text->size()) {
        return -1;
    }
    return value;
}

} // namespace vtmedia
