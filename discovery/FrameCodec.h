#pragma once
// Byte layout of the discovery frames: building requests and decoding
// replies. Pure functions; the decoder never reads past the captured length
// and never writes past its 32 field slots.

#include "TivoxRecords.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace tivox {

inline constexpr std::size_t kFrameSize = 260;
inline constexpr std::size_t kModifyTextOffset = 26;
inline constexpr std::size_t kModifyTextMax = 233;
inline constexpr std::size_t kFieldSlots = 32;
inline constexpr std::size_t kFieldSlotSize = 256;
inline constexpr unsigned char kSignature[4] = {0x20, 0x12, 0x06, 0x10};

using Frame = std::array<unsigned char, kFrameSize>;
using FieldSlots = std::array<std::array<char, kFieldSlotSize>, kFieldSlots>;

enum class FrameKind
{
    Dropped = 0,
    DiscoveryReply = 1,
    ModifyReply = 3
};

// A broadcast discovery request sent from the six-byte adapterMac.
Frame BuildDiscoveryRequest(const unsigned char* adapterMac);

// A broadcast modify request for the camera info.mac, carrying
// "ip;port;netmask;gateway;dns;devName;user;password" cut to 233 bytes.
Frame BuildModifyRequest(const unsigned char* adapterMac, const tagVtIpcInfo& info);

// The modify text alone, before the cut; fields are read up to their width
// even when the caller left one without a terminator.
std::size_t FormatModifyText(const tagVtIpcInfo& info, char* out, std::size_t outSize);

// Decodes a received frame into a zeroed msg. Modify replies must carry the
// receiving adapter's six-byte address. Returns Dropped for anything else.
FrameKind DecodeFrame(const unsigned char* data, std::size_t captured, const unsigned char* adapterMac,
                      tagMsgInfo& msg);

// Splits text (ending at its first NUL or after length bytes) at ";" into the
// slots, which must be zeroed. Characters beyond 255 per slot or beyond the
// last slot are dropped.
void SplitFieldString(const unsigned char* text, std::size_t length, FieldSlots& slots);

// Leading blanks, an optional sign, then digits up to the first non-digit;
// no digits gives 0; values beyond the 32-bit range are clamped.
int32_t ParseDecimal(const char* text);

} // namespace tivox
