#include "VideoApply.h"

#include "CapabilityClass.h"
#include "FamilyCamera.h"
#include "LangKeys.h"
#include "LangTable.h"
#include "VideoOptions.h"

#include <cstring>

namespace {
// A failure's line, with the reason after the text.
PanelLine FailureLine(const tagVtIpcInfo& camera, unsigned key, const std::wstring& reason)
{
    PanelLine line = CameraLine(camera, key);
    if (!reason.empty()) {
        line.text += L" " + reason;
    }
    return line;
}

// What the camera told of a call that did not go well.
std::wstring FailureReason(const Camera& camera, const CameraResult& result)
{
    if (result.status == CameraStatus::NotSupported) {
        return LangText(85003, LangDefaultText(85003));
    }
    return camera.Note();
}

// The line of a stream: okKey when it was written, else failedKey with why.
PanelLine StreamLine(const tagVtIpcInfo& info, const Camera& camera, const CameraResult& result, unsigned okKey,
                     unsigned failedKey)
{
    return result.Done() ? CameraLine(info, okKey) : FailureLine(info, failedKey, FailureReason(camera, result));
}

// A stream of a family camera, as its class and kind take it.
CameraResult WriteFamilyStream(Camera& camera, const VideoStreams& streams, uint8_t stream, bool aModel)
{
    VideoConfigRecord current{};
    current.stream = stream;
    CameraResult result = camera.GetVideoConfig(current);
    if (result.Done()) {
        result = camera.SetVideoConfig(
            stream == 1 ? PrimaryForCamera(streams.primary, current, aModel)
                        : SecondaryForCamera(streams.secondary, current, streams.primary.codec, aModel));
    }
    return result;
}

// A stream of another maker's camera: sent only when its options take it.
PanelLine WriteOtherStream(Camera& camera, const tagVtIpcInfo& info, const VideoConfigRecord& record,
                           unsigned okKey, unsigned failedKey)
{
    VideoStreamOptions options;
    CameraResult result = camera.GetVideoOptions(record.stream, options);
    if (result.Done()) {
        if (const VideoOptionProblem problem = StreamOutsideOptions(record, options); problem.key != 0) {
            return FailureLine(info, failedKey, VideoOptionProblemText(problem));
        }
        VideoConfigRecord current{};
        current.stream = record.stream;
        result = camera.GetVideoConfig(current);
        if (result.Done()) {
            result = camera.SetVideoConfig(PrimaryForCamera(record, current, false));
        }
    }
    return StreamLine(info, camera, result, okKey, failedKey);
}
} // namespace

BatchEngine::Operation VideoPartsOperation(LoginCredentials login, std::optional<VideoStreams> streams,
                                           std::optional<OsdRecord> osd)
{
    return [login = std::move(login), streams, osd](const tagVtIpcInfo& camera, std::size_t) {
        std::vector<PanelLine> lines;
        PanelLine failure;
        const std::shared_ptr<Camera> loggedIn = LoginCamera(camera, login, &failure, {80045, 81040});
        if (!loggedIn) {
            lines.push_back(failure);
            return lines;
        }
        if (osd) {
            lines.push_back(StreamLine(camera, *loggedIn, loggedIn->SetOsd(*osd), 81046, 81047));
        }
        if (!streams) {
            return lines;
        }
        if (!IsFamilyCamera(*loggedIn)) {
            lines.push_back(WriteOtherStream(*loggedIn, camera, streams->primary, 81041, 81042));
            lines.push_back(WriteOtherStream(*loggedIn, camera, streams->secondary, 81043, 81044));
            return lines;
        }
        const bool aModel = IsAModel(std::string(camera.model, strnlen(camera.model, sizeof camera.model)));
        lines.push_back(StreamLine(camera, *loggedIn, WriteFamilyStream(*loggedIn, *streams, 1, aModel), 81041,
                                   81042));
        lines.push_back(StreamLine(camera, *loggedIn, WriteFamilyStream(*loggedIn, *streams, 0, aModel), 81043,
                                   81044));
        return lines;
    };
}
