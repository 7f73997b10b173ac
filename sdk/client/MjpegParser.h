#pragma once
// Splits a multipart/x-mixed-replace body into its JPEG pictures, within
// bounds on every part's headers and size. Bytes arrive in any split.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace vtclient {

class MjpegParser
{
public:
    static constexpr size_t kMaxPart = 4 * 1024 * 1024;
    static constexpr size_t kMaxPartHead = 4 * 1024;

    // Called with each complete picture; false stops the parser.
    using PictureFn = std::function<bool(std::string_view jpeg)>;

    explicit MjpegParser(PictureFn onPicture, std::string boundary = "vtframe");

    // False once the stream is malformed, breaks a bound, ended, or the
    // callback asked to stop; later calls stay false.
    bool Feed(std::string_view bytes);

private:
    enum class Phase
    {
        Boundary,
        Head,
        Body
    };

    bool Fail();

    PictureFn onPicture_;
    std::string delimiter_;
    Phase phase_ = Phase::Boundary;
    bool failed_ = false;
    size_t headBytes_ = 0;
    size_t length_ = 0;
    bool sawLength_ = false;
    std::string pending_;
};

} // namespace vtclient
