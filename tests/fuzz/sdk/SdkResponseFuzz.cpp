// One input is one camera answer. The first byte picks where the bytes are
// split into two reads, so answers arriving in pieces are covered too.
#include "DigestAuth.h"
#include "HttpResponseParser.h"
#include "RecordJson.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

constexpr size_t kMaxBody = 4096;

template <class Record> void Decode(const nlohmann::json& object)
{
    Record record{};
    if (vtwire::FromJson(object, record, true) && !vtwire::ToJson(record)) {
        std::abort(); // a record the decoder accepted must encode again
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) {
        return 0;
    }
    const std::string_view answer(reinterpret_cast<const char*>(data + 1), size - 1);
    const size_t split = std::min<size_t>(data[0] * 4u, answer.size());
    vtclient::HttpResponseParser parser(kMaxBody);
    auto state = parser.Feed(answer.substr(0, split));
    if (state == vtclient::HttpResponseParser::State::Incomplete) {
        state = parser.Feed(answer.substr(split));
    }
    if (state == vtclient::HttpResponseParser::State::Incomplete) {
        state = parser.Finish();
    }
    if (state != vtclient::HttpResponseParser::State::Complete) {
        return 0;
    }
    // The same answer as a download: a successful body goes to a sink, whose
    // total must stay within the bound too.
    size_t sunk = 0;
    vtclient::HttpResponseParser download(kMaxBody, [&sunk](std::string_view bytes) {
        sunk += bytes.size();
        return true;
    });
    if (download.Feed(answer) == vtclient::HttpResponseParser::State::Incomplete) {
        download.Finish();
    }
    if (sunk > kMaxBody) {
        std::abort();
    }
    const auto& response = parser.Response();
    if (response.body.size() > kMaxBody ||
        response.headers.size() > vtclient::HttpResponseParser::kMaxHeaderLines) {
        std::abort(); // a bound did not hold
    }
    if (const std::string* challenge = response.Header("www-authenticate")) {
        vtwire::ParseDigestChallenge(*challenge);
    }
    if (const auto object = vtwire::ParseObject(response.body)) {
        Decode<SystemDateRecord>(*object);
        Decode<PortInfoRecord>(*object);
        Decode<DdnsRecord>(*object);
        Decode<SystemInfoRecord>(*object);
        Decode<VideoConfigRecord>(*object);
        Decode<OsdRecord>(*object);
        Decode<ImagingSettingsRecord>(*object);
        Decode<ImagingConfigRecord>(*object);
    }
    return 0;
}
