#include "CapabilityClass.h"
#include "CliContext.h"
#include "CliSetWrite.h"
#include "VideoApply.h"
#include "VideoParams.h"

#include <algorithm>
#include <cctype>

namespace {
int CodecByName(const std::string& name, const std::vector<int>& choices)
{
    for (const int codec : choices) {
        std::string caption = CodecCaption(codec);
        caption.erase(std::remove(caption.begin(), caption.end(), '.'), caption.end());
        std::string wanted = name;
        wanted.erase(std::remove(wanted.begin(), wanted.end(), '.'), wanted.end());
        if (caption.size() == wanted.size() &&
            std::equal(caption.begin(), caption.end(), wanted.begin(),
                       [](char a, char b) { return std::tolower(a) == std::tolower(b); })) {
            return codec;
        }
    }
    return -1;
}

std::string Choices(const std::vector<int>& values, const char* (*caption)(int))
{
    std::string text;
    for (const int value : values) {
        text += (text.empty() ? "" : ", ") +
                (caption != nullptr ? std::string(caption(value)) : std::to_string(value));
    }
    return text;
}

// One stream's values: the page's lists, from the camera's values and the options.
struct StreamChoice
{
    int codec = kCodecH264;
    int size = 0;
    int rate = 0;
    int bitRate = 0;
    int rateControl = 1;
    int iFrame = 1;
};

bool PickCodec(const CliCommandLine& line, const char* option, const std::vector<int>& choices, int& codec,
               std::string& error)
{
    if (!line.Has(option)) {
        return true;
    }
    codec = CodecByName(line.Value(option), choices);
    if (codec < 0) {
        error = std::string("--") + option + " takes one of " + Choices(choices, CodecCaption);
    }
    return codec >= 0;
}

bool PickFromList(const CliCommandLine& line, const std::string& option, const std::vector<int>& list,
                  int& value, std::string& error)
{
    if (!line.Has(option)) {
        return true;
    }
    int picked = 0;
    if (!ParseNumber(line, option, 0, 1 << 30, picked, error) ||
        std::find(list.begin(), list.end(), picked) == list.end()) {
        error = "--" + option + " takes one of " + Choices(list, nullptr) + ", not " + line.Value(option);
        return false;
    }
    value = picked;
    return true;
}

bool PickCommon(const CliCommandLine& line, const std::string& prefix, StreamChoice& stream,
                std::string& error)
{
    if (line.Has(prefix + "rate-control")) {
        const std::string control = line.Value(prefix + "rate-control");
        if (control != "cbr" && control != "vbr") {
            error = "--" + prefix + "rate-control takes cbr or vbr";
            return false;
        }
        stream.rateControl = control == "cbr" ? 0 : 1;
    }
    return !line.Has(prefix + "iframe") || ParseNumber(line, prefix + "iframe", 1, 60, stream.iFrame, error);
}

std::vector<int> Range(int first, int last)
{
    std::vector<int> values;
    for (int v = first; v <= last; ++v) {
        values.push_back(v);
    }
    return values;
}

// A codec as a camera of that kind reports it, in the page's numbering.
int CodecOfWire(int wireCodec, bool aModel)
{
    return CodecOfEntry(EntryOfWireCodec(wireCodec, static_cast<int>(CodecChoices(aModel).size())), aModel);
}

// The two streams as the Video sub-page sends them when it has loaded a
// camera holding current and the options of line are chosen, with the lists
// of model; false with a message for a value those lists do not hold.
bool PageStreams(const CliCommandLine& line, const SectionValues& current, const std::string& model,
                 VideoStreams& streams, std::string& error)
{
    const bool aModel = IsAModel(model);
    const std::vector<int> codecs = CodecChoices(aModel);
    const int listCount = static_cast<int>(codecs.size());
    StreamChoice primary;
    primary.codec = CodecOfEntry(EntryOfWireCodec(current.primary.codec, listCount), aModel);
    if (!PickCodec(line, "codec", codecs, primary.codec, error)) {
        return false;
    }
    const std::vector<int> sizes = PrimarySizes(CapabilityClassOfModel(model), primary.codec);
    primary.size = current.primary.frameSize;
    if (line.Has("size")) {
        primary.size = PrimarySizeCodeOfCaption(line.Value("size"));
        if (std::find(sizes.begin(), sizes.end(), primary.size) == sizes.end() ||
            line.Value("size") != PrimarySizeCaption(primary.size)) {
            error = "--size takes one of " + Choices(sizes, PrimarySizeCaption) + " for " + model;
            return false;
        }
    } else if (std::find(sizes.begin(), sizes.end(), primary.size) == sizes.end()) {
        primary.size = sizes.empty() ? kPrimarySize720P : sizes.front();
    }
    RateRuleInput in;
    in.aModel = aModel;
    in.primaryCodec = primary.codec;
    in.primarySize = primary.size;
    in.powerFrequency = current.imaging.frequency;
    in.storedPrimaryRate = current.primary.frameRate;
    in.storedPrimaryBitRate = current.primary.bitRate;
    in.storedSecondaryRate = current.secondary.frameRate;
    in.storedSecondaryCodec = current.secondary.codec;
    in.secondaryCodecCount = listCount;
    in.secondaryCodecEntry = EntryOfWireCodec(current.secondary.codec, listCount);
    in.secondaryRateCount = SecondaryMaxFrameRate(current.imaging.frequency);
    const RateRuleOutcome rules = ApplyRateRules(in);
    primary.rate = rules.primaryRate;
    primary.bitRate = rules.primaryBitRate != 0 ? rules.primaryBitRate : kMjpegPrimaryBitRate;
    primary.rateControl = current.primary.rateControl;
    primary.iFrame = ClampIFrame(current.primary.iFrameInterval);
    StreamChoice secondary;
    secondary.codec = CodecOfEntry(rules.secondaryCodecEntry, aModel);
    if (std::find(rules.secondaryCodecs.begin(), rules.secondaryCodecs.end(), secondary.codec) ==
        rules.secondaryCodecs.end()) {
        secondary.codec = rules.secondaryCodecs.front();
    }
    const std::vector<int> secondarySizes = SecondarySizes(aModel);
    secondary.size = secondarySizes.at(std::clamp<std::size_t>(
        SecondarySizeEntry(current.secondary.frameSize, aModel), 0, secondarySizes.size() - 1));
    secondary.rate = rules.secondaryRate;
    secondary.bitRate = current.secondary.bitRate;
    const std::vector<int> secondaryBitRates = SecondaryBitRates(aModel);
    if (std::find(secondaryBitRates.begin(), secondaryBitRates.end(), secondary.bitRate) ==
        secondaryBitRates.end()) {
        secondary.bitRate = kDefaultSecondaryBitRate;
    }
    secondary.rateControl = current.secondary.rateControl;
    secondary.iFrame = ClampIFrame(current.secondary.iFrameInterval);
    bool secondaryOn = current.primary.secondaryEnabled != 0 && !rules.secondaryForcedOff;
    if (line.Has("secondary") && !ParseSwitch(line, "secondary", secondaryOn, error)) {
        return false;
    }
    if (secondaryOn && rules.secondaryForcedOff) {
        error = "the secondary stream is off at " + std::string(PrimarySizeCaption(primary.size));
        return false;
    }
    if (!rules.primaryRatesEnabled &&
        (line.Has("bitrate") || line.Has("rate-control") || line.Has("iframe"))) {
        error = "MJPEG takes no --bitrate, --rate-control or --iframe";
        return false;
    }
    const bool fixedRate = primary.size == kPrimarySize5M;
    if (!PickFromList(line, "rate", fixedRate ? std::vector<int>{8} : Range(1, rules.primaryMaxRate),
                      primary.rate, error) ||
        !PickFromList(line, "bitrate", rules.primaryBitRates, primary.bitRate, error) ||
        !PickCommon(line, "", primary, error) ||
        !PickCodec(line, "secondary-codec", rules.secondaryCodecs, secondary.codec, error) ||
        !PickFromList(line, "secondary-rate", Range(1, rules.secondaryRateCount), secondary.rate, error) ||
        !PickFromList(line, "secondary-bitrate", secondaryBitRates, secondary.bitRate, error) ||
        !PickCommon(line, "secondary-", secondary, error)) {
        return false;
    }
    if (const SecondaryRates rates = SecondaryRatesOf(secondary.codec, secondaryOn); rates.bitRate) {
        if (line.Has("secondary-bitrate") || line.Has("secondary-rate-control") ||
            line.Has("secondary-iframe")) {
            error = "an MJPEG secondary stream takes no --secondary-bitrate, --secondary-rate-control or "
                    "--secondary-iframe";
            return false;
        }
        secondary.bitRate = *rates.bitRate;
        secondary.rateControl = rates.rateControl.value_or(0);
    }
    if (line.Has("secondary-size")) {
        const auto found = std::find_if(secondarySizes.begin(), secondarySizes.end(), [&](int code) {
            return line.Value("secondary-size") == SecondarySizeCaption(code);
        });
        if (found == secondarySizes.end()) {
            error = "--secondary-size takes one of " + Choices(secondarySizes, SecondarySizeCaption);
            return false;
        }
        secondary.size = *found;
    }
    StreamForm forms[2];
    for (int s = 0; s < 2; ++s) {
        const StreamChoice& choice = s == 0 ? primary : secondary;
        StreamForm& f = forms[s];
        f.secondaryEnabled = secondaryOn;
        f.codec = choice.codec;
        f.size = choice.size;
        f.rateText = std::to_string(choice.rate);
        f.bitRateText = std::to_string(choice.bitRate);
        f.rateControl = choice.rateControl;
        f.iFrame = choice.iFrame;
    }
    streams = {BuildPrimaryRecord(forms[0]), BuildSecondaryRecord(forms[1])};
    return true;
}

// The stream the camera is sent: a field takes the page's value where an
// option was given for it, or where the options moved it away from what the
// page would send with none (a new codec's bit rate, the rate of a new size);
// every other field stays as the camera has it.
VideoConfigRecord Merged(const VideoConfigRecord& own, const VideoConfigRecord& untouched,
                         const VideoConfigRecord& chosen, const CliCommandLine& line,
                         const std::string& prefix, bool aModel)
{
    VideoConfigRecord record = chosen;
    const auto keep = [&](auto field, const std::string& option) {
        if (!line.Has(option) && chosen.*field == untouched.*field) {
            record.*field = own.*field;
        }
    };
    keep(&VideoConfigRecord::secondaryEnabled, "secondary");
    keep(&VideoConfigRecord::frameSize, prefix + "size");
    keep(&VideoConfigRecord::frameRate, prefix + "rate");
    keep(&VideoConfigRecord::bitRate, prefix + "bitrate");
    keep(&VideoConfigRecord::rateControl, prefix + "rate-control");
    keep(&VideoConfigRecord::iFrameInterval, prefix + "iframe");
    if (!line.Has(prefix + "codec") && chosen.codec == untouched.codec) {
        record.codec = static_cast<uint8_t>(CodecOfWire(own.codec, aModel));
    }
    return record;
}

// One stream of a camera of another maker: the options given, each one its
// options hold, over the stream as the camera has it.
bool OtherStream(const CliCommandLine& line, const std::string& prefix, const VideoStreamOptions& options,
                 VideoConfigRecord& record, std::string& error)
{
    int codec = record.codec;
    if (!PickCodec(line, (prefix + "codec").c_str(), options.codecs, codec, error)) {
        return false;
    }
    record.codec = static_cast<uint8_t>(codec);
    if (line.Has(prefix + "size")) {
        const auto caption = record.stream == 1 ? PrimarySizeCaption : SecondarySizeCaption;
        const auto found = std::find_if(options.frameSizes.begin(), options.frameSizes.end(),
                                        [&](int code) { return line.Value(prefix + "size") == caption(code); });
        if (found == options.frameSizes.end()) {
            error = "--" + prefix + "size takes one of " + Choices(options.frameSizes, caption);
            return false;
        }
        record.frameSize = *found;
    }
    const auto number = [&](const std::string& option, int low, int high, int32_t& field) {
        int value = field;
        if (line.Has(option) && !ParseNumber(line, option, low, high, value, error)) {
            return false;
        }
        field = value;
        return true;
    };
    if (!number(prefix + "rate", options.minFrameRate, options.maxFrameRate, record.frameRate) ||
        !number(prefix + "bitrate", options.minBitRate, options.maxBitRate, record.bitRate) ||
        !number(prefix + "iframe", options.minIFrameInterval, options.maxIFrameInterval, record.iFrameInterval)) {
        return false;
    }
    if (line.Has(prefix + "rate-control")) {
        const std::string control = line.Value(prefix + "rate-control");
        if (!options.rateControlChoice || (control != "cbr" && control != "vbr")) {
            error = options.rateControlChoice ? "--" + prefix + "rate-control takes cbr or vbr"
                                              : "the camera offers no choice of --" + prefix + "rate-control";
            return false;
        }
        record.rateControl = control == "cbr" ? 0 : 1;
    }
    return true;
}

bool BuildOtherVideoWrite(const CliCommandLine& line, const SetContext& context, const SectionValues& current,
                          CameraWrite& write, std::string& error)
{
    bool secondaryOn = true;
    if (line.Has("secondary") && (!ParseSwitch(line, "secondary", secondaryOn, error) || !secondaryOn)) {
        error = error.empty() ? "the camera's secondary stream cannot be switched off" : error;
        return false;
    }
    VideoStreams sent{current.primary, current.secondary};
    if (!current.primaryOptions || !current.secondaryOptions ||
        !OtherStream(line, "", *current.primaryOptions, sent.primary, error) ||
        !OtherStream(line, "secondary-", *current.secondaryOptions, sent.secondary, error)) {
        error = error.empty() ? "the camera gave no video options" : error;
        return false;
    }
    write.after = current;
    write.after.primary = sent.primary;
    write.after.secondary = sent.secondary;
    write.operation = VideoPartsOperation(context.login, sent, std::nullopt);
    return true;
}
} // namespace

bool BuildVideoWrite(const CliCommandLine& line, const SetContext& context, const tagVtIpcInfo& camera,
                     const SectionValues& current, CameraWrite& write, std::string& error)
{
    if (!current.family) {
        return BuildOtherVideoWrite(line, context, current, write, error);
    }
    const std::string model = ModelOf(camera);
    const bool aModel = IsAModel(model);
    // Every value given must also be one the reference model's lists offer,
    // its codecs numbered as that model numbers them.
    const bool referenceAModel = IsAModel(context.referenceModel);
    SectionValues asReference = current;
    for (VideoConfigRecord* stream : {&asReference.primary, &asReference.secondary}) {
        stream->codec = static_cast<uint8_t>(WireCodec(CodecOfWire(stream->codec, aModel), referenceAModel));
    }
    VideoStreams checked;
    VideoStreams chosen;
    VideoStreams untouched;
    if (!PageStreams(line, asReference, context.referenceModel.empty() ? model : context.referenceModel, checked,
                     error) ||
        !PageStreams(line, current, model, chosen, error) ||
        !PageStreams(CliCommandLine{}, current, model, untouched, error)) {
        return false;
    }
    const VideoStreams sent{
        Merged(current.primary, untouched.primary, chosen.primary, line, "", aModel),
        Merged(current.secondary, untouched.secondary, chosen.secondary, line, "secondary-", aModel)};
    write.after = current;
    write.after.primary = PrimaryForCamera(sent.primary, current.primary, aModel);
    write.after.secondary = SecondaryForCamera(sent.secondary, current.secondary, sent.primary.codec, aModel);
    write.operation = VideoPartsOperation(context.login, sent, std::nullopt);
    return true;
}
