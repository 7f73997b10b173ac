#pragma once
#include "Camera.h"
#include "ZxExport.h"

#include <string>
#include <vector>

// What cameras of any maker can all take on one stream, and whether a
// stream's record is one a camera offers. The family's lists come from its
// class tables (FamilyVideoOptions), another maker's from the camera itself.

// What every one of options offers: the codecs and frame sizes all of them
// list, in the first one's order; the narrowest frame rate, bit rate and
// I-frame interval ranges (a minimum above its maximum when they share no
// value); a choice of rate control only when each offers one. No options at
// all give the defaults of VideoStreamOptions.
ZX_EXPORT VideoStreamOptions CommonVideoOptions(const std::vector<VideoStreamOptions>& options);

// The values from low to high, in their order.
ZX_EXPORT std::vector<int> WithinRange(const std::vector<int>& values, int low, int high);
// The values that offered holds as well, in their order.
ZX_EXPORT std::vector<int> OfferedOnly(const std::vector<int>& values, const std::vector<int>& offered);

// Why a camera would not take a stream's record: the key of a text and the
// values filling it; key 0 when the camera offers every value of it.
struct VideoOptionProblem
{
    unsigned key = 0;
    std::vector<std::string> values;
};
// Codec (in the wire numbering of a camera that is no A model), frame size
// (a code of the stream's table), frame rate, bit rate and I-frame interval;
// the first value outside options is the problem.
ZX_EXPORT VideoOptionProblem StreamOutsideOptions(const VideoConfigRecord& record,
                                                  const VideoStreamOptions& options);
// The problem as a sentence in the current language.
ZX_EXPORT std::wstring VideoOptionProblemText(const VideoOptionProblem& problem);
