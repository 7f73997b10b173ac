#include "HttpResponseParser.h"

#include "AsciiCase.h"
#include "LineReader.h"

#include <algorithm>
#include <charconv>

namespace vtclient {
namespace {

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

bool ParseNumber(std::string_view text, int base, size_t& value)
{
    if (text.empty() || text.size() > 15) {
        return false;
    }
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

} // namespace

const std::string* HttpResponse::Header(std::string_view name) const
{
    for (const auto& [key, value] : headers) {
        if (key == name) {
            return &value;
        }
    }
    return nullptr;
}

HttpResponseParser::State HttpResponseParser::Fail()
{
    state_ = State::Failed;
    pending_.clear();
    return state_;
}

HttpResponseParser::State HttpResponseParser::Feed(std::string_view data)
{
    if (state_ != State::Incomplete) {
        return state_;
    }
    if (!data.empty()) {
        sawBytes_ = true;
    }
    pending_.append(data);
    return Run();
}

HttpResponseParser::State HttpResponseParser::Finish()
{
    if (state_ == State::Incomplete && phase_ == Phase::ToClose) {
        state_ = State::Complete;
    } else if (state_ == State::Incomplete) {
        return Fail();
    }
    return state_;
}

bool HttpResponseParser::TakeBody(std::string_view bytes)
{
    if (!Success()) {
        const size_t room = BodyLimit() - std::min(BodyLimit(), bodyBytes_);
        bodyBytes_ += bytes.size();
        response_.body.append(bytes.substr(0, room));
        if (bodyBytes_ >= BodyLimit()) {
            state_ = State::Complete; // the rest of an error page is not worth reading
        }
        return true;
    }
    bodyBytes_ += bytes.size();
    if (sink_) {
        return sink_(bytes);
    }
    response_.body.append(bytes);
    return true;
}

bool HttpResponseParser::ParseStatusLine(const std::string& line)
{
    // "HTTP/1.x NNN reason", the reason optional
    if (line.size() < 12 || line.compare(0, 7, "HTTP/1.") != 0 || line[8] != ' ' ||
        (line.size() > 12 && line[12] != ' ')) {
        return false;
    }
    size_t status = 0;
    if (!ParseNumber(std::string_view(line).substr(9, 3), 10, status) || status < 100 || status > 599) {
        return false;
    }
    response_.status = static_cast<int>(status);
    return true;
}

bool HttpResponseParser::ParseHeaderLine(const std::string& line)
{
    if (response_.headers.size() >= kMaxHeaderLines) {
        return false;
    }
    const size_t colon = line.find(':');
    if (colon == std::string::npos || colon == 0) {
        return false;
    }
    const std::string name = vtwire::AsciiLower(std::string_view(line).substr(0, colon));
    for (char c : name) {
        if (c <= ' ' || c == 0x7F) {
            return false;
        }
    }
    response_.headers.emplace_back(name, std::string(Trim(std::string_view(line).substr(colon + 1))));
    return true;
}

bool HttpResponseParser::StartBody()
{
    const std::string* encoding = response_.Header("transfer-encoding");
    const std::string* length = response_.Header("content-length");
    if (response_.status == 204 || response_.status == 304 || response_.status < 200) {
        state_ = State::Complete;
        return true;
    }
    if (encoding != nullptr) {
        if (vtwire::AsciiLower(*encoding) != "chunked") {
            return false;
        }
        phase_ = Phase::ChunkSize;
        return true;
    }
    if (length != nullptr) {
        size_t value = 0;
        if (!ParseNumber(*length, 10, value) || (Success() && value > maxBody_)) {
            return false;
        }
        for (const auto& [key, other] : response_.headers) {
            if (key == "content-length" && other != *length) {
                return false;
            }
        }
        remaining_ = value;
        phase_ = Phase::Body;
        if (value == 0) {
            state_ = State::Complete;
        }
        return true;
    }
    phase_ = Phase::ToClose;
    return true;
}

HttpResponseParser::State HttpResponseParser::Run()
{
    std::string line;
    while (state_ == State::Incomplete) {
        switch (phase_) {
        case Phase::Head:
            if (!TakeLine(pending_, line)) {
                if (headBytes_ + pending_.size() > kMaxHeadBytes) {
                    return Fail();
                }
                return state_;
            }
            headBytes_ += line.size() + 2;
            if (headBytes_ > kMaxHeadBytes) {
                return Fail();
            }
            if (!sawStatus_) {
                if (!ParseStatusLine(line)) {
                    return Fail();
                }
                sawStatus_ = true;
            } else if (line.empty()) {
                if (!StartBody()) {
                    return Fail();
                }
            } else if (!ParseHeaderLine(line)) {
                return Fail();
            }
            break;
        case Phase::Body:
        case Phase::ChunkData: {
            const size_t take = std::min(remaining_, pending_.size());
            if (!TakeBody(std::string_view(pending_).substr(0, take))) {
                return Fail();
            }
            pending_.erase(0, take);
            remaining_ -= take;
            if (state_ != State::Incomplete) {
                break;
            }
            if (remaining_ > 0) {
                return state_;
            }
            if (phase_ == Phase::Body) {
                state_ = State::Complete;
            } else {
                phase_ = Phase::ChunkDataEnd;
            }
            break;
        }
        case Phase::ChunkDataEnd:
            if (!TakeLine(pending_, line)) {
                return pending_.size() > 2 ? Fail() : state_;
            }
            if (!line.empty()) {
                return Fail();
            }
            phase_ = Phase::ChunkSize;
            break;
        case Phase::ChunkSize: {
            if (!TakeLine(pending_, line)) {
                return pending_.size() > 64 ? Fail() : state_;
            }
            std::string_view size = line;
            size = Trim(size.substr(0, size.find(';')));
            size_t value = 0;
            if (!ParseNumber(size, 16, value) || (Success() && value > maxBody_ - bodyBytes_)) {
                return Fail();
            }
            remaining_ = value;
            phase_ = value == 0 ? Phase::Trailer : Phase::ChunkData;
            break;
        }
        case Phase::Trailer:
            if (!TakeLine(pending_, line)) {
                if (pending_.size() > kMaxHeadBytes) {
                    return Fail();
                }
                return state_;
            }
            headBytes_ += line.size() + 2;
            if (headBytes_ > 2 * kMaxHeadBytes) {
                return Fail();
            }
            if (line.empty()) {
                state_ = State::Complete;
            }
            break;
        case Phase::ToClose:
            if ((Success() && bodyBytes_ + pending_.size() > maxBody_) || !TakeBody(pending_)) {
                return Fail();
            }
            pending_.clear();
            if (state_ == State::Incomplete) {
                return state_;
            }
            break;
        }
    }
    pending_.clear();
    return state_;
}

} // namespace vtclient
