#include "MjpegStreamParser.h"

#include "AsciiCase.h"

#include <charconv>

namespace vtmedia {
namespace {

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

} // namespace

std::optional<std::string> MultipartBoundary(std::string_view contentType)
{
    const std::string lower = vtwire::AsciiLower(contentType);
    const size_t semicolon = lower.find(';');
    if (Trim(std::string_view(lower).substr(0, semicolon)) != "multipart/x-mixed-replace" ||
        semicolon == std::string::npos) {
        return std::nullopt;
    }
    const size_t key = lower.find("boundary=", semicolon);
    if (key == std::string::npos) {
        return std::nullopt;
    }
    std::string_view value = contentType.substr(key + 9);
    value = Trim(value.substr(0, value.find(';')));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value = value.substr(1, value.size() - 2);
    }
    if (value.rfind("--", 0) == 0) {
        value.remove_prefix(2); // some cameras repeat the dashes of the delimiter
    }
    if (value.empty() || value.size() > 70) {
        return std::nullopt;
    }
    for (const char c : value) {
        if (static_cast<unsigned char>(c) <= ' ' || c == 0x7F) {
            return std::nullopt;
        }
    }
    return std::string(value);
}

MjpegStreamParser::MjpegStreamParser(std::string boundary, PictureCallback onPicture, MjpegLimits limits)
    : delimiter_("--" + std::move(boundary)), onPicture_(std::move(onPicture)), limits_(limits)
{
}

bool MjpegStreamParser::Fail()
{
    phase_ = Phase::Failed;
    pending_.clear();
    pending_.shrink_to_fit();
    return false;
}

bool MjpegStreamParser::TakeLine(std::string& line)
{
    const size_t end = pending_.find('\n');
    if (end == std::string::npos) {
        return false;
    }
    line.assign(pending_, 0, end);
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    pending_.erase(0, end + 1);
    return true;
}

bool MjpegStreamParser::HandleHeader(const std::string& line)
{
    const size_t colon = line.find(':');
    if (colon == std::string::npos || colon == 0) {
        return false;
    }
    const std::string name = vtwire::AsciiLower(Trim(std::string_view(line).substr(0, colon)));
    const std::string_view value = Trim(std::string_view(line).substr(colon + 1));
    if (name == "content-length") {
        long long length = -1;
        const auto result = std::from_chars(value.data(), value.data() + value.size(), length);
        if (value.empty() || result.ptr != value.data() + value.size() || length < 0 ||
            static_cast<unsigned long long>(length) > limits_.maxPartBytes) {
            return false;
        }
        partLength_ = length;
    }
    return true;
}

bool MjpegStreamParser::Feed(std::string_view data)
{
    if (phase_ == Phase::Failed) {
        return false;
    }
    pending_.append(data);
    std::string line;
    for (;;) {
        switch (phase_) {
        case Phase::Boundary: {
            // Blank lines and stray bytes before a delimiter line are skipped, within a bound.
            const size_t end = pending_.find('\n');
            if (end == std::string::npos) {
                if (skipped_ + pending_.size() > limits_.maxPreambleBytes + delimiter_.size() + 4) {
                    return Fail();
                }
                return true;
            }
            TakeLine(line);
            const std::string_view trimmed = Trim(line);
            if (trimmed == delimiter_) {
                phase_ = Phase::Headers;
                headerBytes_ = 0;
                partLength_ = -1;
                skipped_ = 0;
            } else if (trimmed == delimiter_ + "--") {
                return Fail(); // the camera ended the stream
            } else {
                skipped_ += line.size() + 1;
                if (skipped_ > limits_.maxPreambleBytes) {
                    return Fail();
                }
            }
            break;
        }
        case Phase::Headers: {
            const size_t end = pending_.find('\n');
            const size_t lineBytes = end == std::string::npos ? pending_.size() : end + 1;
            if (headerBytes_ + lineBytes > limits_.maxPartHeaderBytes) {
                return Fail();
            }
            if (end == std::string::npos) {
                return true;
            }
            headerBytes_ += lineBytes;
            TakeLine(line);
            if (!line.empty()) {
                if (!HandleHeader(line)) {
                    return Fail();
                }
                break;
            }
            if (partLength_ < 0) {
                return Fail(); // without a length a part could run forever
            }
            phase_ = Phase::Body;
            break;
        }
        case Phase::Body: {
            const size_t length = static_cast<size_t>(partLength_);
            if (pending_.size() < length) {
                return true;
            }
            ++pictures_;
            onPicture_(std::string_view(pending_).substr(0, length));
            pending_.erase(0, length);
            phase_ = Phase::Boundary;
            break;
        }
        case Phase::Failed:
            return false;
        }
    }
}

} // namespace vtmedia
