#pragma once
#include "Camera.h"
#include "CapabilityClass.h"
#include "VideoParams.h"
#include "ZxExport.h"

#include <optional>
#include <string>
#include <vector>

// The lists the "Video" sub-page offers for the camera it shows: a family
// camera's come from its capability class and kind (VideoParams.h); another
// maker's camera starts from every value the page knows; either is narrowed
// to bounds, the options of that camera or, in a batch with cameras of other
// makers, what every ticked camera can take. Without bounds a family
// camera's lists are exactly the class rules'.
class ZX_EXPORT VideoChoices
{
public:
    // Streams are numbered as on the wire: 1 primary, 0 secondary.
    void Set(std::string model, bool family, std::optional<VideoStreamOptions> primaryBounds,
             std::optional<VideoStreamOptions> secondaryBounds);
    void SetModel(std::string model) { m_model = std::move(model); }

    bool Family() const { return m_family; }
    bool Bounded(int stream) const { return Bounds(stream).has_value(); }
    // A family camera whose model ends in A (never another maker's).
    bool AModel() const;
    CapabilityClass Capability() const;

    std::vector<int> Codecs(int stream) const;
    // The secondary codecs the rate rules leave (ruled), narrowed.
    std::vector<int> SecondaryCodecs(const std::vector<int>& ruled) const;
    std::vector<int> PrimarySizes(int codec) const;
    std::vector<int> SecondarySizes() const;
    // The bit rates of the family's list for the stream within the bounds.
    std::vector<int> BitRates(int stream, const std::vector<int>& familyList) const;
    // The frame rates from the lowest to the highest the stream may take
    // when the rules allow up to maximum.
    std::vector<int> FrameRates(int stream, int maximum) const;
    // An I-frame interval brought into 1 to 60 and the bounds.
    int IFrame(int stream, int value) const;

    // A codec or secondary size as the camera reports it, as the lists hold
    // it: a family camera's through its kind's numbering and nearest size.
    int ShownCodec(int wireCodec) const;
    int ShownSecondarySize(int code) const;

private:
    const std::optional<VideoStreamOptions>& Bounds(int stream) const;

    std::string m_model;
    bool m_family = true;
    std::optional<VideoStreamOptions> m_primaryBounds;
    std::optional<VideoStreamOptions> m_secondaryBounds;
};
