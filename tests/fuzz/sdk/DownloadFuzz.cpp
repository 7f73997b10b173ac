// One input is a camera's answer to a file download, arriving in pieces whose
// size the first byte picks, read as the SDK reads downloads: the body of a
// successful answer goes to a sink (the temporary file) instead of memory.
// Whatever the answer, the sink never gets more than the bound, never gets
// the body of a refusal, and a complete answer with a length (and a body)
// gave it exactly that many bytes.
#include "HttpResponseParser.h"

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

constexpr size_t kMaxBody = 4096;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) {
        return 0;
    }
    size_t sunk = 0;
    vtclient::HttpResponseParser parser(kMaxBody, [&](std::string_view bytes) {
        sunk += bytes.size();
        return true;
    });
    const std::string_view answer(reinterpret_cast<const char*>(data + 1), size - 1);
    const size_t step = 1 + data[0] % 61;
    auto state = vtclient::HttpResponseParser::State::Incomplete;
    for (size_t at = 0; at < answer.size() && state == vtclient::HttpResponseParser::State::Incomplete;
         at += step) {
        state = parser.Feed(answer.substr(at, step));
    }
    if (state == vtclient::HttpResponseParser::State::Incomplete) {
        state = parser.Finish();
    }
    const auto& response = parser.Response();
    const bool success = response.status >= 200 && response.status < 300;
    if (sunk > kMaxBody || (!success && sunk > 0) || (success && !response.body.empty())) {
        std::abort(); // the body went past its bound or to the wrong place
    }
    const std::string* length = response.Header("content-length");
    size_t announced = 0;
    // 204 and 304 carry no body whatever their headers say.
    const bool bodyless = response.status == 204 || response.status == 304;
    if (state == vtclient::HttpResponseParser::State::Complete && success && !bodyless && length != nullptr &&
        response.Header("transfer-encoding") == nullptr &&
        std::from_chars(length->data(), length->data() + length->size(), announced).ptr ==
            length->data() + length->size() &&
        announced != sunk) {
        std::abort(); // a complete download of another length than announced
    }
    return 0;
}
