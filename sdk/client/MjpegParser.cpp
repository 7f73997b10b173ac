#include "MjpegParser.h"

#include "AsciiCase.h"
#include "LineReader.h"

#include <charconv>

namespace vtclient {

MjpegParser::MjpegParser(PictureFn onPicture, std::string boundary)
    : onPicture_(std::move(onPicture)), delimiter_("--" + std::move(boundary))
{
}

bool MjpegParser::Fail()
{
    failed_ = true;
    pending_.clear();
    return false;
}

bool MjpegParser::Feed(std::string_view bytes)
{
    if (failed_) {
        return false;
    }
    pending_.append(bytes);
    std::string line;
    for (;;) {
        switch (phase_) {
        case Phase::Boundary:
            if (!TakeLine(pending_, line)) {
                return pending_.size() <= kMaxPartHead || Fail();
            }
            if (line.empty()) {
                break; // the CRLF that ends the previous picture
            }
            if (line != delimiter_) {
                return Fail(); // garbage, or the closing delimiter
            }
            phase_ = Phase::Head;
            headBytes_ = 0;
            sawLength_ = false;
            break;
        case Phase::Head: {
            if (!TakeLine(pending_, line)) {
                return headBytes_ + pending_.size() <= kMaxPartHead || Fail();
            }
            headBytes_ += line.size() + 2;
            if (headBytes_ > kMaxPartHead) {
                return Fail();
            }
            if (line.empty()) {
                if (!sawLength_) {
                    return Fail();
                }
                phase_ = Phase::Body;
                break;
            }
            const size_t colon = line.find(':');
            if (colon != std::string::npos && vtwire::AsciiLower(line.substr(0, colon)) == "content-length") {
                std::string_view value = std::string_view(line).substr(colon + 1);
                while (!value.empty() && value.front() == ' ') {
                    value.remove_prefix(1);
                }
                const auto result = std::from_chars(value.data(), value.data() + value.size(), length_);
                if (result.ec != std::errc() || result.ptr != value.data() + value.size() || length_ == 0 ||
                    length_ > kMaxPart) {
                    return Fail();
                }
                sawLength_ = true;
            }
            break;
        }
        case Phase::Body:
            if (pending_.size() < length_) {
                return true;
            }
            if (!onPicture_(std::string_view(pending_).substr(0, length_))) {
                return Fail();
            }
            pending_.erase(0, length_);
            phase_ = Phase::Boundary;
            break;
        }
    }
}

} // namespace vtclient
