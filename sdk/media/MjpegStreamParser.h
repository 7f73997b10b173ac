#pragma once
// The body of a live video answer, multipart/x-mixed-replace: parts of one
// JPEG picture each. Bytes arrive in any split; every whole picture goes to
// the callback. A part header, a part or the junk between parts that breaks
// its bound fails the stream for good, so an endless or oversized stream
// never grows memory beyond the bounds.
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vtmedia {

struct MjpegLimits
{
    size_t maxPartBytes = 4 * 1024 * 1024;
    size_t maxPartHeaderBytes = 4 * 1024;
    size_t maxPreambleBytes = 4 * 1024; // bytes tolerated before a boundary line
};

// The boundary of a "multipart/x-mixed-replace; boundary=..." content type
// (quoted or not, 1-70 characters); nullopt for any other type.
std::optional<std::string> MultipartBoundary(std::string_view contentType);

class MjpegStreamParser
{
public:
    using PictureCallback = std::function<void(std::string_view jpeg)>;

    MjpegStreamParser(std::string boundary, PictureCallback onPicture, MjpegLimits limits = {});

    // False once the stream broke a rule or a bound; nothing more is taken then.
    bool Feed(std::string_view data);
    bool Failed() const { return phase_ == Phase::Failed; }
    size_t Pictures() const { return pictures_; }

private:
    enum class Phase
    {
        Boundary,
        Headers,
        Body,
        Failed
    };

    bool Fail();
    bool TakeLine(std::string& line);
    bool HandleHeader(const std::string& line);

    std::string delimiter_; // "--" + boundary
    PictureCallback onPicture_;
    MjpegLimits limits_;
    Phase phase_ = Phase::Boundary;
    std::string pending_;
    size_t skipped_ = 0;     // bytes dropped while looking for a boundary
    size_t headerBytes_ = 0; // of the current part
    long long partLength_ = -1;
    size_t pictures_ = 0;
};

} // namespace vtmedia
