#include "VideoOptions.h"

#include "LangKeys.h"
#include "LangTable.h"
#include "VideoParams.h"

#include <algorithm>

namespace {
bool Holds(const std::vector<int>& values, int value)
{
    return std::find(values.begin(), values.end(), value) != values.end();
}

VideoOptionProblem OutOfRange(unsigned key, int low, int high, int value)
{
    return {key, {std::to_string(low), std::to_string(high), std::to_string(value)}};
}
} // namespace

VideoStreamOptions CommonVideoOptions(const std::vector<VideoStreamOptions>& options)
{
    if (options.empty()) {
        return {};
    }
    VideoStreamOptions common = options.front();
    for (const VideoStreamOptions& other : options) {
        common.codecs = OfferedOnly(common.codecs, other.codecs);
        common.frameSizes = OfferedOnly(common.frameSizes, other.frameSizes);
        common.minFrameRate = std::max(common.minFrameRate, other.minFrameRate);
        common.maxFrameRate = std::min(common.maxFrameRate, other.maxFrameRate);
        common.minBitRate = std::max(common.minBitRate, other.minBitRate);
        common.maxBitRate = std::min(common.maxBitRate, other.maxBitRate);
        common.minIFrameInterval = std::max(common.minIFrameInterval, other.minIFrameInterval);
        common.maxIFrameInterval = std::min(common.maxIFrameInterval, other.maxIFrameInterval);
        common.rateControlChoice = common.rateControlChoice && other.rateControlChoice;
    }
    return common;
}

std::vector<int> WithinRange(const std::vector<int>& values, int low, int high)
{
    std::vector<int> within;
    std::copy_if(values.begin(), values.end(), std::back_inserter(within),
                 [&](int value) { return value >= low && value <= high; });
    return within;
}

std::vector<int> OfferedOnly(const std::vector<int>& values, const std::vector<int>& offered)
{
    std::vector<int> kept;
    std::copy_if(values.begin(), values.end(), std::back_inserter(kept),
                 [&](int value) { return Holds(offered, value); });
    return kept;
}

VideoOptionProblem StreamOutsideOptions(const VideoConfigRecord& record, const VideoStreamOptions& options)
{
    if (!Holds(options.codecs, record.codec)) {
        const char* caption = CodecCaption(record.codec);
        return {88200, {*caption != '\0' ? caption : std::to_string(record.codec)}};
    }
    if (!Holds(options.frameSizes, record.frameSize)) {
        const char* caption =
            record.stream == 1 ? PrimarySizeCaption(record.frameSize) : SecondarySizeCaption(record.frameSize);
        return {88201, {*caption != '\0' ? caption : std::to_string(record.frameSize)}};
    }
    if (record.frameRate < options.minFrameRate || record.frameRate > options.maxFrameRate) {
        return OutOfRange(88202, options.minFrameRate, options.maxFrameRate, record.frameRate);
    }
    if (record.bitRate < options.minBitRate || record.bitRate > options.maxBitRate) {
        return OutOfRange(88203, options.minBitRate, options.maxBitRate, record.bitRate);
    }
    if (record.iFrameInterval < options.minIFrameInterval || record.iFrameInterval > options.maxIFrameInterval) {
        return OutOfRange(88204, options.minIFrameInterval, options.maxIFrameInterval, record.iFrameInterval);
    }
    return {};
}

std::wstring VideoOptionProblemText(const VideoOptionProblem& problem)
{
    const wchar_t* english = LangDefaultText(problem.key);
    return LangFilledText(problem.key, english != nullptr ? english : L"", problem.values);
}
