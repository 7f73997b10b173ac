#include "FrameCodec.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <limits>

namespace tivox {
namespace {

constexpr std::size_t kSignatureOffset = 14;
constexpr std::size_t kKindA = 18;
constexpr std::size_t kKindB = 19;
constexpr std::size_t kBodyOffset = 20;
constexpr std::size_t kResultOffset = 26;
constexpr std::size_t kModifyReplyText = 27;
constexpr std::size_t kMacLength = 6;

Frame RequestHeader(const unsigned char* adapterMac, unsigned char operation)
{
    Frame frame{};
    std::fill_n(frame.begin(), kMacLength, 0xFF);
    std::memcpy(frame.data() + kMacLength, adapterMac, kMacLength);
    frame[12] = 0x08;
    frame[13] = 0x09;
    std::memcpy(frame.data() + kSignatureOffset, kSignature, sizeof(kSignature));
    frame[kKindA] = 0;
    frame[kKindB] = operation;
    return frame;
}

// Copies a slot into a record field, cut so that the terminator always fits.
template <std::size_t N> void CopyText(char (&field)[N], const std::array<char, kFieldSlotSize>& slot)
{
    const std::size_t length = strnlen(slot.data(), std::min(N - 1, slot.size()));
    std::memcpy(field, slot.data(), length);
    field[length] = '\0';
}

template <std::size_t N> int Bounded(const char (&field)[N])
{
    return static_cast<int>(strnlen(field, N));
}

} // namespace

Frame BuildDiscoveryRequest(const unsigned char* adapterMac)
{
    return RequestHeader(adapterMac, 0);
}

std::size_t FormatModifyText(const tagVtIpcInfo& info, char* out, std::size_t outSize)
{
    const int written =
        std::snprintf(out, outSize, "%.*s;%d;%.*s;%.*s;%.*s;%.*s;%.*s;%.*s", Bounded(info.ip), info.ip,
                      static_cast<int>(info.port), Bounded(info.netmask), info.netmask, Bounded(info.gateway),
                      info.gateway, Bounded(info.dns), info.dns, Bounded(info.devName), info.devName,
                      Bounded(info.user), info.user, Bounded(info.password), info.password);
    if (written < 0 || outSize == 0) {
        return 0;
    }
    return std::min(static_cast<std::size_t>(written), outSize - 1);
}

Frame BuildModifyRequest(const unsigned char* adapterMac, const tagVtIpcInfo& info)
{
    Frame frame = RequestHeader(adapterMac, 2);
    std::memcpy(frame.data() + kBodyOffset, info.mac, kMacLength);
    // Every field at full width with separators fits comfortably in 512.
    char text[512];
    const std::size_t length = std::min(FormatModifyText(info, text, sizeof(text)), kModifyTextMax);
    std::memcpy(frame.data() + kModifyTextOffset, text, length);
    return frame;
}

void SplitFieldString(const unsigned char* text, std::size_t length, FieldSlots& slots)
{
    const std::size_t end = std::find(text, text + length, 0) - text;
    std::size_t slot = 0;
    std::size_t used = 0;
    for (std::size_t i = 0; i < end; ++i) {
        if (text[i] != ';') {
            if (slot < kFieldSlots && used < kFieldSlotSize - 1) {
                slots[slot][used] = static_cast<char>(text[i]);
            }
            ++used;
            continue;
        }
        if (used > 0) {
            ++slot;
            used = 0;
        }
        if (i + 1 < end && text[i + 1] == ';') {
            ++slot;
        }
    }
}

int32_t ParseDecimal(const char* text)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    while (std::isspace(*p) != 0) {
        ++p;
    }
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    int64_t value = 0;
    constexpr int64_t limit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = std::min(value * 10 + (*p - '0'), limit);
    }
    value = negative ? -value : std::min(value, limit - 1);
    return static_cast<int32_t>(value);
}

FrameKind DecodeFrame(const unsigned char* data, std::size_t captured, const unsigned char* adapterMac,
                      tagMsgInfo& msg)
{
    if (data == nullptr || captured <= kBodyOffset) {
        return FrameKind::Dropped;
    }
    if (std::memcmp(data + kSignatureOffset, kSignature, sizeof(kSignature)) != 0) {
        return FrameKind::Dropped;
    }
    const unsigned kindSum = unsigned{data[kKindA]} + unsigned{data[kKindB]};
    std::size_t textOffset = 0;
    int32_t result = 0;
    FrameKind kind = FrameKind::Dropped;
    if (kindSum == 1) {
        kind = FrameKind::DiscoveryReply;
        textOffset = kBodyOffset;
    } else if (kindSum == 3) {
        if (captured <= kResultOffset || std::memcmp(data + kBodyOffset, adapterMac, kMacLength) != 0) {
            return FrameKind::Dropped;
        }
        kind = FrameKind::ModifyReply;
        result = data[kResultOffset] != 0 ? 0 : -1;
        textOffset = kModifyReplyText;
    } else {
        return FrameKind::Dropped;
    }

    msg = tagMsgInfo{};
    std::memcpy(msg.info.mac, data + kMacLength, kMacLength);
    msg.result = result;

    FieldSlots slots{};
    if (captured > textOffset) {
        SplitFieldString(data + textOffset, captured - textOffset, slots);
    }
    tagVtIpcInfo& info = msg.info;
    CopyText(info.ip, slots[0]);
    info.port = ParseDecimal(slots[1].data());
    CopyText(info.netmask, slots[2]);
    CopyText(info.gateway, slots[3]);
    CopyText(info.dns, slots[4]);
    CopyText(info.model, slots[5]);
    CopyText(info.version, slots[6]);
    CopyText(info.extra7, slots[7]);
    CopyText(info.devName, slots[8]);
    CopyText(info.extra9, slots[9]);
    info.upTime = ParseDecimal(slots[10].data());
    return kind;
}

} // namespace tivox
