#include "VideoDecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libswscale/swscale.h>
}

namespace {
// Larger than any camera's picture (4K); a stream claiming more is refused
// before its pictures are allocated, so a bogus parameter set cannot make
// the decoder keep a dozen reference pictures of a huge size.
constexpr int kLargestSide = 8192;
constexpr int64_t kLargestPixels = 4096LL * 2304LL;
// Rows of the RGB picture start on this boundary, as the converter's vector
// code likes them.
constexpr int kRowAlignment = 64;

// What the decoder's pictures may hold at once: nine 4K pictures, more than
// a camera's stream keeps for reference. Beyond it a picture is refused, so
// a stream of bogus parameter sets and slices, which can make the decoder
// keep dozens of pictures, cannot take more.
constexpr int64_t kPictureBudget = 128LL << 20;

// Cameras send 8-bit 4:2:0; a parameter set asking for more bits or chroma
// is refused before the decoder allocates pictures of that format.
AVPixelFormat CameraFormat(AVCodecContext*, const AVPixelFormat* offered)
{
    for (const AVPixelFormat* format = offered; *format != AV_PIX_FMT_NONE; ++format) {
        if (*format == AV_PIX_FMT_YUV420P || *format == AV_PIX_FMT_YUVJ420P) {
            return *format;
        }
    }
    return AV_PIX_FMT_NONE;
}

// One picture buffer that the budget counts until FFmpeg lets it go.
struct CountedBuffer
{
    AVBufferRef* inner;
    std::shared_ptr<std::atomic<int64_t>> held;
    int64_t bytes;
};

void ReleaseCounted(void* opaque, uint8_t*)
{
    auto* counted = static_cast<CountedBuffer*>(opaque);
    *counted->held -= counted->bytes;
    av_buffer_unref(&counted->inner);
    delete counted;
}

} // namespace

int VideoDecoder::GetBuffer(AVCodecContext* codec, AVFrame* frame, int flags)
{
    auto* self = static_cast<VideoDecoder*>(codec->opaque);
    const int result = avcodec_default_get_buffer2(codec, frame, flags);
    if (result < 0) {
        return result;
    }
    int64_t bytes = 0;
    for (AVBufferRef* buffer : frame->buf) {
        bytes += buffer != nullptr ? static_cast<int64_t>(buffer->size) : 0;
    }
    if (*self->m_held + bytes > kPictureBudget) {
        av_frame_unref(frame);
        return AVERROR(ENOMEM);
    }
    for (AVBufferRef*& buffer : frame->buf) {
        if (buffer == nullptr) {
            continue;
        }
        auto* counted = new CountedBuffer{buffer, self->m_held, static_cast<int64_t>(buffer->size)};
        AVBufferRef* wrapper = av_buffer_create(buffer->data, buffer->size, &ReleaseCounted, counted, 0);
        if (wrapper == nullptr) {
            delete counted;
            av_frame_unref(frame);
            return AVERROR(ENOMEM);
        }
        *self->m_held += counted->bytes;
        buffer = wrapper;
    }
    return 0;
}

VideoDecoder::~VideoDecoder()
{
    sws_freeContext(m_scaler);
    av_frame_free(&m_frame);
    avcodec_free_context(&m_codec);
}

bool VideoDecoder::Open(const AVCodecParameters& parameters)
{
    if (parameters.codec_id != AV_CODEC_ID_H264 && parameters.codec_id != AV_CODEC_ID_HEVC) {
        return false;
    }
    const AVCodec* codec = avcodec_find_decoder(parameters.codec_id);
    m_codec = codec != nullptr ? avcodec_alloc_context3(codec) : nullptr;
    m_frame = av_frame_alloc();
    if (m_codec == nullptr || m_frame == nullptr || avcodec_parameters_to_context(m_codec, &parameters) < 0) {
        return false;
    }
    // One thread: live video wants each picture as soon as its packet is in,
    // and a camera's stream decodes far faster than it plays on one core.
    m_codec->thread_count = 1;
    m_codec->max_pixels = kLargestPixels;
    m_codec->flags |= AV_CODEC_FLAG_LOW_DELAY;
    m_codec->get_format = &CameraFormat;
    m_codec->get_buffer2 = &VideoDecoder::GetBuffer;
    m_codec->opaque = this;
    return avcodec_open2(m_codec, codec, nullptr) == 0;
}

bool VideoDecoder::Decode(const AVPacket& packet, const PictureFn& picture)
{
    bool clean = avcodec_send_packet(m_codec, &packet) == 0;
    for (;;) {
        const int received = avcodec_receive_frame(m_codec, m_frame);
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) {
            break;
        }
        if (received < 0) {
            clean = false;
            break;
        }
        clean = Convert(*m_frame, picture) && clean;
        av_frame_unref(m_frame);
    }
    return clean;
}

bool VideoDecoder::Convert(const AVFrame& frame, const PictureFn& picture)
{
    const int width = frame.width;
    const int height = frame.height;
    if (width <= 0 || height <= 0 || width > kLargestSide || height > kLargestSide) {
        return false;
    }
    m_scaler = sws_getCachedContext(m_scaler, width, height, static_cast<AVPixelFormat>(frame.format), width,
                                    height, AV_PIX_FMT_RGB24, SWS_POINT, nullptr, nullptr, nullptr);
    if (m_scaler == nullptr) {
        return false;
    }
    const int stride = (width * 3 + kRowAlignment - 1) / kRowAlignment * kRowAlignment;
    m_rgb.resize(static_cast<size_t>(stride) * static_cast<size_t>(height) + kRowAlignment);
    uint8_t* const rows[4] = {m_rgb.data(), nullptr, nullptr, nullptr};
    const int strides[4] = {stride, 0, 0, 0};
    if (sws_scale(m_scaler, frame.data, frame.linesize, 0, height, rows, strides) != height) {
        return false;
    }
    picture(m_rgb.data(), width, height, stride);
    return true;
}
