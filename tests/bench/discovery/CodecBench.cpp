// Decoded frames per second of the frame codec on one core.
#include "FrameCodec.h"

#include <benchmark/benchmark.h>
#include <cstring>
#include <string>

namespace {

const unsigned char kAdapter[6] = {0x00, 0x1b, 0x21, 0xaa, 0xbb, 0xcc};

tivox::Frame ReplyFrame(unsigned char kind, const std::string& text)
{
    tivox::Frame frame{};
    std::memcpy(frame.data(), kAdapter, 6);
    const unsigned char camera[6] = {0x02, 0x5a, 0x01, 0x00, 0x00, 0x01};
    std::memcpy(frame.data() + 6, camera, 6);
    frame[12] = 0x08;
    frame[13] = 0x09;
    std::memcpy(frame.data() + 14, tivox::kSignature, 4);
    frame[19] = kind;
    std::size_t offset = 20;
    if (kind == 3) {
        std::memcpy(frame.data() + 20, kAdapter, 6);
        frame[26] = 1;
        offset = 27;
    }
    std::memcpy(frame.data() + offset, text.data(), std::min(text.size(), frame.size() - offset - 1));
    return frame;
}

const std::string kTypicalReply = "192.168.1.100;80;255.255.0.0;192.168.0.1;192.168.0.1;VT-IPC2130;V3.2.0;0;"
                                  "Camera 1;0;86400";

void DecodeRepeatedly(benchmark::State& state, const tivox::Frame& frame)
{
    for (auto _ : state) {
        tagMsgInfo msg;
        benchmark::DoNotOptimize(tivox::DecodeFrame(frame.data(), frame.size(), kAdapter, msg));
        benchmark::DoNotOptimize(msg);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_DecodeDiscoveryReply(benchmark::State& state)
{
    DecodeRepeatedly(state, ReplyFrame(1, kTypicalReply));
}
BENCHMARK(BM_DecodeDiscoveryReply);

void BM_DecodeModifyReply(benchmark::State& state)
{
    DecodeRepeatedly(state, ReplyFrame(3, kTypicalReply));
}
BENCHMARK(BM_DecodeModifyReply);

// Many short fields: the splitting rule at its busiest.
void BM_DecodeFullFrameOfText(benchmark::State& state)
{
    std::string text;
    while (text.size() < 240) {
        text += "abcdefghijklmnopqrstuvw;";
    }
    DecodeRepeatedly(state, ReplyFrame(1, text));
}
BENCHMARK(BM_DecodeFullFrameOfText);

} // namespace

BENCHMARK_MAIN();
