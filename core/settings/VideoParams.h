#pragma once
#include "Camera.h"
#include "CapabilityClass.h"
#include "VtIpcSDK.h"
#include "ZxExport.h"

#include <atomic>
#include <optional>
#include <string>
#include <vector>

// The rules of the "Video" sub-page of the batch set page: which frame sizes,
// frame rates and bit rates a camera's two streams may take, by capability
// class and codec, and the records the apply writes.
//
// Codecs are counted the way the page lists them for ordinary models: 0 H.264,
// 1 MPEG4, 2 MJPEG, and 3 H.265, which only cameras of other makers offer.
// A models have no MPEG4 and call MJPEG 1 on the wire.

inline constexpr int kCodecH264 = kWireCodecH264;
inline constexpr int kCodecMpeg4 = kWireCodecMpeg4;
inline constexpr int kCodecMjpeg = kWireCodecMjpeg;
inline constexpr int kCodecH265 = kWireCodecH265;

// The codecs of a codec list, in list order.
ZX_EXPORT std::vector<int> CodecChoices(bool aModel);
ZX_EXPORT const char* CodecCaption(int codec);
// The codec of list entry entry (-1 for none).
ZX_EXPORT int CodecOfEntry(int entry, bool aModel);
// The list entry of a codec as a camera reports it, 0 when the list lacks it.
ZX_EXPORT int EntryOfWireCodec(int wireCodec, int listCount);
// What a camera of that kind is sent for codec.
ZX_EXPORT int WireCodec(int codec, bool aModel);

// Frame sizes: primary codes 0 5M ... 6 D1; secondary codes 0 640*480 ...
// 4 320*192, of which 2 (352*288) only for A models.
inline constexpr int kPrimarySize5M = 0;
inline constexpr int kPrimarySize3M = 1;
inline constexpr int kPrimarySize720P = 5;
ZX_EXPORT const char* PrimarySizeCaption(int code);
ZX_EXPORT const char* SecondarySizeCaption(int code);
// The caption's code, 5 (720P) when no caption matches.
ZX_EXPORT int PrimarySizeCodeOfCaption(const std::string& caption);
// The primary sizes a camera of a class offers with a codec, in table order.
ZX_EXPORT std::vector<int> PrimarySizes(CapabilityClass capability, int codec);
ZX_EXPORT std::vector<int> SecondarySizes(bool aModel);
// The secondary list entry that shows a stored code.
ZX_EXPORT int SecondarySizeEntry(int code, bool aModel);

// Highest primary frame rate for a size at a power line frequency (Hz).
ZX_EXPORT int PrimaryMaxFrameRate(int sizeCode, int powerFrequency);
// Highest secondary frame rate at a power line frequency.
ZX_EXPORT int SecondaryMaxFrameRate(int powerFrequency);
// The 5M and 3M sizes cap the primary bit rate at 6144.
ZX_EXPORT bool PrimaryBitRateCapped(int sizeCode);
ZX_EXPORT std::vector<int> PrimaryBitRates(bool capped);
ZX_EXPORT std::vector<int> SecondaryBitRates(bool aModel);
inline constexpr int kDefaultPrimaryBitRate = 4096;
inline constexpr int kDefaultSecondaryBitRate = 512;
inline constexpr int kMjpegPrimaryBitRate = 2048;

// What the page shows after a primary frame-size change.
struct RateRuleInput
{
    bool aModel = false;
    int primaryCodec = kCodecH264;
    int primarySize = kPrimarySize720P; // code; -1 none
    int powerFrequency = 50;
    int storedPrimaryRate = 0;
    int storedPrimaryBitRate = 0;
    int storedSecondaryRate = 0;
    int storedSecondaryCodec = 0; // as the camera reported it
    int secondaryCodecCount = 3;  // entries in the secondary codec list now
    int secondaryCodecEntry = 0;  // its selection now
    int secondaryRateCount = 30;  // entries in the secondary rate list now
};

struct RateRuleOutcome
{
    int primaryMaxRate = 25;
    int primaryRate = 25;
    bool primaryRatesEnabled = true; // bit rate, its control and the I-frame interval
    bool secondaryForcedOff = false; // the secondary stream is switched off and locked
    int secondaryRateCount = 30;     // the secondary rate list "1" up to this
    std::vector<int> primaryBitRates;
    int primaryBitRate = 0; // 0: no entry selected
    int secondaryRate = 25;
    std::vector<int> secondaryCodecs; // the secondary codec list
    int secondaryCodecEntry = 0;
    bool rebuildSecondarySizes = false;
};

ZX_EXPORT RateRuleOutcome ApplyRateRules(const RateRuleInput& in);

// What a family camera of model can take on a stream (1 primary, 0
// secondary) at a power line frequency (Hz), from the class tables above:
// every codec and frame size its lists hold, the rates its lists hold.
ZX_EXPORT VideoStreamOptions FamilyVideoOptions(const std::string& model, uint8_t stream, int powerFrequency);

// The I-frame interval a camera accepts: 1 to 60.
ZX_EXPORT int ClampIFrame(int value);

// An I-frame box as the save reads it: empty is refused (90025) while the box
// can be typed into; a locked empty box sends the interval last read; a
// number is brought into 1 to 60.
struct IFrameEntry
{
    unsigned problem = 0;
    int value = 0;
};
ZX_EXPORT IFrameEntry ReadIFrameBox(const std::string& text, bool editable, int lastRead);

// The secondary stream's rate settings under its codec: MJPEG goes out at
// 512 kbit/s with a constant bit rate and takes no bit rate, control or
// I-frame interval of its own; another codec takes them while the stream is on.
struct SecondaryRates
{
    bool editable = true;           // bit rate, its control and the I-frame interval
    std::optional<int> bitRate;     // the bit rate the codec imposes
    std::optional<int> rateControl; // the control it imposes: 0 constant
};
ZX_EXPORT SecondaryRates SecondaryRatesOf(int codec, bool streamOn);

// Title check of the save: 0, 90037 (empty) or 90038 (a forbidden character).
ZX_EXPORT unsigned VideoTitleProblem(const std::wstring& title);

// One stream as the sub-page shows it when "Save Parameters" is pressed.
struct StreamForm
{
    bool secondaryEnabled = false;
    int codec = -1;        // the codec shown; -1 none (H.264 is sent)
    int size = -1;         // the frame-size code shown; -1 none (720P, or 640*480 for the secondary)
    std::string rateText;  // frames per second as shown
    std::string bitRateText;
    int rateControl = 1;
    int iFrame = 0;
};

ZX_EXPORT VideoConfigRecord BuildPrimaryRecord(const StreamForm& form);
ZX_EXPORT VideoConfigRecord BuildSecondaryRecord(const StreamForm& form);

struct OsdForm
{
    bool showTitle = false;
    bool showTime = false;
    std::wstring title;
    int titlePosition = 0;
    int datePosition = 0;
    int dateFormat = 0;
};
// The title travels in the workstation's character set, as the camera keeps
// it; the record's title is read back the same way.
ZX_EXPORT OsdRecord BuildOsdRecord(const OsdForm& form);
ZX_EXPORT std::wstring OsdTitleText(const OsdRecord& record);

// The records as one camera is sent them: the camera's own value at offset 24
// kept, the codec in the camera's numbering; an ordinary camera whose streams
// are both MJPEG gets an H.264 secondary (352*288 becoming 320*240).
ZX_EXPORT VideoConfigRecord PrimaryForCamera(VideoConfigRecord page, const VideoConfigRecord& current,
                                             bool aModel);
ZX_EXPORT VideoConfigRecord SecondaryForCamera(VideoConfigRecord page, const VideoConfigRecord& current,
                                               int primaryCodec, bool aModel);

// What a load reads for the "Video" sub-page; each record absent when the
// camera did not give it. powerFrequency is the camera's power line frequency
// in Hz, 0 when unknown; a reference camera's streams are read with 50.
struct VideoReading
{
    std::optional<OsdRecord> osd;
    int powerFrequency = 0;
    std::optional<VideoConfigRecord> secondary;
    std::optional<VideoConfigRecord> primary;
    // What each stream can take, as a camera of another maker offers it; a
    // family camera's lists come from its class and these stay empty.
    std::optional<VideoStreamOptions> primaryOptions;
    std::optional<VideoStreamOptions> secondaryOptions;
};

// The reads of a load from a logged-in camera, off the UI thread: the OSD,
// the imaging configuration for the power frequency, then both streams (and
// their options, for a camera of another maker).
// Nothing more is read once stop is set.
ZX_EXPORT VideoReading ReadVideoSettings(Camera& camera, const std::atomic<bool>& stop);
// Only the two streams, secondary first, and their options, into reading.
ZX_EXPORT void ReadVideoStreams(Camera& camera, const std::atomic<bool>& stop, VideoReading& reading);
