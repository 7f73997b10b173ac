#include "SimFrames.h"

#include <algorithm>
#include <cstdlib>
#include <string>

namespace camsim {
namespace {

constexpr unsigned char kEtherType[2] = {0x08, 0x09};
constexpr unsigned char kMagic[4] = {0x20, 0x12, 0x06, 0x10};
constexpr unsigned char kOpDiscoveryRequest = 0;
constexpr unsigned char kOpModifyRequest = 2;
constexpr unsigned char kOpDiscoveryReply = 1;
constexpr unsigned char kOpModifyReply = 3;

std::vector<unsigned char> ReplyHeader(const SimCamera& camera, const MacAddress& requester, unsigned char op)
{
    std::vector<unsigned char> frame(kSimFrameSize, 0);
    auto out = std::copy(requester.begin(), requester.end(), frame.begin());
    out = std::copy(camera.mac.begin(), camera.mac.end(), out);
    out = std::copy(std::begin(kEtherType), std::end(kEtherType), out);
    out = std::copy(std::begin(kMagic), std::end(kMagic), out);
    *out++ = 0;
    *out = op;
    return frame;
}

std::string Settings(const SimCamera& camera, std::chrono::steady_clock::time_point now)
{
    const std::string fields[] = {camera.ip,
                                  std::to_string(camera.port),
                                  camera.netmask,
                                  camera.gateway,
                                  camera.dns,
                                  camera.model,
                                  camera.version,
                                  camera.extra7,
                                  camera.name,
                                  camera.extra9,
                                  std::to_string(camera.UpTimeSeconds(now))};
    std::string text;
    for (const std::string& field : fields) {
        if (!text.empty()) {
            text += ';';
        }
        text += field;
    }
    return text;
}

// Writes text from offset on, always leaving the last byte of the frame zero.
void PutText(std::vector<unsigned char>& frame, std::size_t offset, const std::string& text)
{
    const std::size_t room = frame.size() - 1 - offset;
    std::copy_n(text.begin(), std::min(room, text.size()), frame.begin() + static_cast<long>(offset));
}

// At most `count` fields: the last takes the rest of the text, semicolons
// and all, since the password that closes a modify text may hold any byte.
std::vector<std::string> SplitPlain(const std::string& text, std::size_t count)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = parts.size() + 1 < count ? text.find(';', start) : std::string::npos;
        parts.push_back(text.substr(start, end - start));
        if (end == std::string::npos) {
            return parts;
        }
        start = end + 1;
    }
}

} // namespace

std::optional<SimRequest> ParseSimRequest(const unsigned char* data, std::size_t length)
{
    if (length < kSimFrameSize || !std::equal(std::begin(kEtherType), std::end(kEtherType), data + 12) ||
        !std::equal(std::begin(kMagic), std::end(kMagic), data + 14) || data[18] != 0) {
        return std::nullopt;
    }
    SimRequest request;
    std::copy_n(data + 6, 6, request.requester.begin());
    if (data[19] == kOpDiscoveryRequest) {
        request.kind = SimRequest::Kind::Discovery;
        return request;
    }
    if (data[19] != kOpModifyRequest) {
        return std::nullopt;
    }
    request.kind = SimRequest::Kind::Modify;
    std::copy_n(data + 20, 6, request.target.begin());
    const auto* textBegin = reinterpret_cast<const char*>(data + 26);
    const auto* textEnd = std::find(textBegin, reinterpret_cast<const char*>(data + kSimFrameSize), '\0');
    const std::vector<std::string> fields = SplitPlain(std::string(textBegin, textEnd), 8);
    if (fields.size() != 8) {
        return std::nullopt;
    }
    ModifyRequest& modify = request.modify;
    modify.ip = fields[0];
    modify.port = std::atoi(fields[1].c_str());
    modify.netmask = fields[2];
    modify.gateway = fields[3];
    modify.dns = fields[4];
    modify.name = fields[5];
    modify.user = fields[6];
    modify.password = fields[7];
    return request;
}

std::vector<unsigned char> BuildSimDiscoveryReply(const SimCamera& camera, const MacAddress& requester,
                                                  std::chrono::steady_clock::time_point now)
{
    std::vector<unsigned char> frame = ReplyHeader(camera, requester, kOpDiscoveryReply);
    PutText(frame, 20, Settings(camera, now));
    return frame;
}

std::vector<unsigned char> BuildSimModifyReply(const SimCamera& camera, const MacAddress& requester,
                                               bool accepted, std::chrono::steady_clock::time_point now)
{
    std::vector<unsigned char> frame = ReplyHeader(camera, requester, kOpModifyReply);
    std::copy(requester.begin(), requester.end(), frame.begin() + 20);
    frame[26] = accepted ? 1 : 0;
    PutText(frame, 27, Settings(camera, now));
    return frame;
}

} // namespace camsim
