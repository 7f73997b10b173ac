// Random frames against the decoder. The adapter address is taken from the
// frame itself half of the time, so that modify replies get past the address
// check and their text is decoded too.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "FrameCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // An exact-size copy, so that any read past the captured length is caught.
    std::vector<unsigned char> frame(data, data + size);
    unsigned char adapter[6] = {0x00, 0x1b, 0x21, 0xaa, 0xbb, 0xcc};
    if (size >= 26 && (data[size - 1] & 1) != 0) {
        std::memcpy(adapter, data + 20, 6);
    }
    tagMsgInfo msg{};
    const tivox::FrameKind kind = tivox::DecodeFrame(frame.data(), frame.size(), adapter, msg);
    if (kind != tivox::FrameKind::Dropped) {
        // Every text field must stay terminated inside its record field.
        if (msg.info.ip[sizeof(msg.info.ip) - 1] != '\0' || msg.info.devName[sizeof(msg.info.devName) - 1] != '\0' ||
            msg.info.extra9[sizeof(msg.info.extra9) - 1] != '\0' || msg.info.mac[6] != 0 || msg.info.mac[7] != 0) {
            __builtin_trap();
        }
    }
    tivox::FieldSlots slots{};
    tivox::SplitFieldString(frame.data(), frame.size(), slots);
    for (const auto& slot : slots) {
        if (slot[tivox::kFieldSlotSize - 1] != '\0') {
            __builtin_trap();
        }
    }
    return 0;
}
