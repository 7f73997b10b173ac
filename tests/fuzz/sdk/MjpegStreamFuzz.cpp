// One input is the body of a live stream, fed in two pieces (the first byte
// picks the split); every picture the parser hands over must be within the
// bound and is decoded as live play would.
#include "MjpegParser.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <turbojpeg.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) {
        return 0;
    }
    const std::string_view body(reinterpret_cast<const char*>(data + 1), size - 1);
    const size_t split = std::min<size_t>(data[0] * 8u, body.size());
    tjhandle decoder = tjInitDecompress();
    vtclient::MjpegParser parser([decoder](std::string_view jpeg) {
        if (jpeg.empty() || jpeg.size() > vtclient::MjpegParser::kMaxPart) {
            std::abort();
        }
        int width = 0;
        int height = 0;
        int subsampling = 0;
        int colorspace = 0;
        tjDecompressHeader3(decoder, reinterpret_cast<const unsigned char*>(jpeg.data()),
                            static_cast<unsigned long>(jpeg.size()), &width, &height, &subsampling,
                            &colorspace);
        return true;
    });
    if (parser.Feed(body.substr(0, split))) {
        parser.Feed(body.substr(split));
    }
    tjDestroy(decoder);
    return 0;
}
