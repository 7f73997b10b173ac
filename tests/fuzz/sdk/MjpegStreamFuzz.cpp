// One input is the body of a live video answer. The first byte picks the
// size of the pieces it arrives in; small bounds make every limit reachable.
#include "MjpegStreamParser.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) {
        return 0;
    }
    vtmedia::MjpegLimits limits;
    limits.maxPartBytes = 2048;
    limits.maxPartHeaderBytes = 256;
    limits.maxPreambleBytes = 256;
    size_t pictures = 0;
    vtmedia::MjpegStreamParser parser(
        "vtframe",
        [&](std::string_view jpeg) {
            if (jpeg.size() > limits.maxPartBytes) {
                std::abort(); // a part above its bound got through
            }
            ++pictures;
        },
        limits);
    const size_t step = 1 + data[0] % 97;
    const std::string_view stream(reinterpret_cast<const char*>(data + 1), size - 1);
    bool going = true;
    for (size_t at = 0; at < stream.size() && going; at += step) {
        going = parser.Feed(stream.substr(at, step));
    }
    if (going == parser.Failed() || pictures != parser.Pictures() || (parser.Failed() && parser.Feed("x"))) {
        std::abort(); // the parser's state disagrees with what it reported
    }
    return 0;
}
