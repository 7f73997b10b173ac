#pragma once
// Decodes one H.264 or H.265 stream and converts each picture to packed RGB.
// Broken packets are skipped: the decoder refuses them and goes on with the
// next, so a stream with bogus NAL units shows what it can.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

struct AVCodecContext;
struct AVCodecParameters;
struct AVFrame;
struct AVPacket;
struct SwsContext;

class VideoDecoder
{
public:
    // rgb: height rows of width * 3 bytes, stride apart, valid during the call.
    using PictureFn = std::function<void(const uint8_t* rgb, int width, int height, int stride)>;

    VideoDecoder() = default;
    ~VideoDecoder();
    VideoDecoder(const VideoDecoder&) = delete;
    VideoDecoder& operator=(const VideoDecoder&) = delete;

    // False for anything but H.264 or H.265, or a decoder FFmpeg cannot open.
    bool Open(const AVCodecParameters& parameters);
    // Hands each picture the packet completes to picture; false when the
    // decoder refused the packet or a picture in it.
    bool Decode(const AVPacket& packet, const PictureFn& picture);

private:
    bool Convert(const AVFrame& frame, const PictureFn& picture);
    // FFmpeg's own picture buffers, counted against a budget while held.
    static int GetBuffer(AVCodecContext* codec, AVFrame* frame, int flags);

    AVCodecContext* m_codec = nullptr;
    AVFrame* m_frame = nullptr;
    SwsContext* m_scaler = nullptr;
    std::vector<uint8_t> m_rgb;
    // Bytes of picture buffers held; shared with buffers that outlive the decoder.
    std::shared_ptr<std::atomic<int64_t>> m_held = std::make_shared<std::atomic<int64_t>>(0);
};
