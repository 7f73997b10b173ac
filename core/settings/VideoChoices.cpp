#include "VideoChoices.h"

#include "VideoOptions.h"

#include <algorithm>

void VideoChoices::Set(std::string model, bool family, std::optional<VideoStreamOptions> primaryBounds,
                       std::optional<VideoStreamOptions> secondaryBounds)
{
    m_model = std::move(model);
    m_family = family;
    m_primaryBounds = std::move(primaryBounds);
    m_secondaryBounds = std::move(secondaryBounds);
}

const std::optional<VideoStreamOptions>& VideoChoices::Bounds(int stream) const
{
    return stream == 1 ? m_primaryBounds : m_secondaryBounds;
}

bool VideoChoices::AModel() const
{
    return m_family && IsAModel(m_model);
}

CapabilityClass VideoChoices::Capability() const
{
    // Another maker's camera: every size, for its options to narrow.
    return m_family ? CapabilityClassOfModel(m_model) : CapabilityClass::Mp5;
}

std::vector<int> VideoChoices::Codecs(int stream) const
{
    const std::vector<int> codecs =
        m_family ? CodecChoices(AModel()) : std::vector<int>{kCodecH264, kCodecMpeg4, kCodecMjpeg, kCodecH265};
    return Bounds(stream) ? OfferedOnly(codecs, Bounds(stream)->codecs) : codecs;
}

std::vector<int> VideoChoices::SecondaryCodecs(const std::vector<int>& ruled) const
{
    // Another maker's camera may send the same codec on both streams.
    if (!m_family) {
        return Codecs(0);
    }
    return m_secondaryBounds ? OfferedOnly(ruled, m_secondaryBounds->codecs) : ruled;
}

std::vector<int> VideoChoices::PrimarySizes(int codec) const
{
    const std::vector<int> sizes = ::PrimarySizes(Capability(), codec);
    return m_primaryBounds ? OfferedOnly(sizes, m_primaryBounds->frameSizes) : sizes;
}

std::vector<int> VideoChoices::SecondarySizes() const
{
    // 352*288 is an A model's size, and any other maker's that offers it.
    const std::vector<int> sizes = ::SecondarySizes(AModel() || !m_family);
    return m_secondaryBounds ? OfferedOnly(sizes, m_secondaryBounds->frameSizes) : sizes;
}

std::vector<int> VideoChoices::BitRates(int stream, const std::vector<int>& familyList) const
{
    const std::vector<int> rates = m_family ? familyList : PrimaryBitRates(false);
    const std::optional<VideoStreamOptions>& bounds = Bounds(stream);
    return bounds ? WithinRange(rates, bounds->minBitRate, bounds->maxBitRate) : rates;
}

std::vector<int> VideoChoices::FrameRates(int stream, int maximum) const
{
    const std::optional<VideoStreamOptions>& bounds = Bounds(stream);
    std::vector<int> rates;
    for (int rate = bounds ? std::max(1, bounds->minFrameRate) : 1;
         rate <= (bounds ? std::min(maximum, bounds->maxFrameRate) : maximum); ++rate) {
        rates.push_back(rate);
    }
    return rates;
}

int VideoChoices::IFrame(int stream, int value) const
{
    const int clamped = ClampIFrame(value);
    const std::optional<VideoStreamOptions>& bounds = Bounds(stream);
    if (!bounds) {
        return clamped;
    }
    const int low = ClampIFrame(bounds->minIFrameInterval);
    const int high = ClampIFrame(bounds->maxIFrameInterval);
    return low <= high ? std::clamp(clamped, low, high) : clamped;
}

int VideoChoices::ShownCodec(int wireCodec) const
{
    if (!m_family) {
        return wireCodec;
    }
    const bool aModel = AModel();
    return CodecOfEntry(EntryOfWireCodec(wireCodec, static_cast<int>(CodecChoices(aModel).size())), aModel);
}

int VideoChoices::ShownSecondarySize(int code) const
{
    if (!m_family) {
        return code;
    }
    return ::SecondarySizes(AModel())[static_cast<std::size_t>(SecondarySizeEntry(code, AModel()))];
}
