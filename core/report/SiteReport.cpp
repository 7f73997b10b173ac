#include "SiteReport.h"

#include "CameraAccess.h"
#include "CapabilityClass.h"
#include "MacText.h"
#include "RecordText.h"
#include "TimeZoneTable.h"
#include "Utf8Text.h"
#include "VideoParams.h"

#include <cstring>

namespace {
// A zero-terminated field of a record, however full it is.
std::string RecordField(const char* field, std::size_t size)
{
    return std::string(field, ::strnlen(field, size));
}

// The text of a panel line without the camera's prefix: what the card
// gives as the reason.
std::string LineReason(const tagVtIpcInfo& camera, const PanelLine& line)
{
    const std::wstring prefix = CameraLinePrefix(camera);
    const bool prefixed = line.text.compare(0, prefix.size(), prefix) == 0;
    return PlatformToUtf8(prefixed ? line.text.substr(prefix.size()) : line.text);
}

void ReadIdentity(Camera& camera, CameraCard& card)
{
    SystemInfoRecord info{};
    if (camera.GetSystemInfo(info).Done()) {
        card.model = RecordField(info.model, sizeof info.model);
        card.firmware = RecordField(info.version, sizeof info.version);
    }
    SystemDateRecord date{};
    if (camera.GetSystemDate(date).Done()) {
        card.clockRead = true;
        card.followsNtp = date.mode == 1;
        const char* zone = TimeZoneCaption(date.timeZone);
        card.timeZone = zone != nullptr ? zone : "";
        if (card.followsNtp) {
            card.ntpServer = RecordField(date.ntpServer, sizeof date.ntpServer);
        }
    }
}

void ReadMainStream(Camera& camera, CameraCard& card)
{
    VideoConfigRecord video{};
    video.stream = 1;
    if (!camera.GetVideoConfig(video).Done()) {
        return;
    }
    card.videoRead = true;
    card.codec = ReportCodecText(video.codec, IsAModel(camera.Info().model));
    card.frameSize = PrimarySizeCaption(video.frameSize);
    card.frameRate = video.frameRate;
    card.bitRate = static_cast<int>(video.bitRate);
}
} // namespace

std::string ReportCodecText(int wireCodec, bool aModel)
{
    if (wireCodec == kWireCodecH265) {
        return "H.265";
    }
    const std::vector<int> codecs = CodecChoices(aModel);
    const int entry = wireCodec >= 0 && wireCodec < static_cast<int>(codecs.size()) ? wireCodec : -1;
    return entry >= 0 ? CodecCaption(CodecOfEntry(entry, aModel)) : std::to_string(wireCodec);
}

CameraCard ReadCameraCard(const ReportCamera& camera, const LoginCredentials& login, std::vector<PanelLine>& lines)
{
    const tagVtIpcInfo& info = camera.info;
    CameraCard card;
    card.name = PlatformToUtf8(NameText(info));
    card.mac = FormatMac(info.mac);
    card.ip = PlatformToUtf8(FieldText(info.ip));
    card.model = PlatformToUtf8(FieldText(info.model));
    card.firmware = PlatformToUtf8(FieldText(info.version));
    card.protocol = PlatformToUtf8(ProtocolText(camera.protocol));
    PanelLine failure;
    const std::shared_ptr<Camera> opened = LoginCamera(info, login, &failure);
    if (!opened) {
        card.reason = LineReason(info, failure);
        lines.push_back(failure);
        return card;
    }
    ReadIdentity(*opened, card);
    ReadMainStream(*opened, card);
    if (opened->Supports(CameraOperation::Snapshot) && !opened->GetSnapshot(card.picture).Done()) {
        card.picture.clear();
    }
    const std::vector<PanelLine> notes = CameraNoteLines(info, *opened);
    lines.insert(lines.end(), notes.begin(), notes.end());
    return card;
}

SiteReport::SiteReport(int maxParallel) : m_engine(maxParallel)
{
}

std::vector<CameraCard> SiteReport::Gather(const std::vector<ReportCamera>& cameras, const LoginCredentials& login,
                                           const Progress& progress)
{
    m_cancelled = false;
    std::vector<CameraCard> cards(cameras.size());
    std::vector<tagVtIpcInfo> targets;
    targets.reserve(cameras.size());
    for (const ReportCamera& camera : cameras) {
        targets.push_back(camera.info);
    }
    std::size_t done = 0;
    // Each worker writes only its own camera's card.
    const bool started = m_engine.Start(
        std::move(targets),
        [&](const tagVtIpcInfo&, std::size_t index) {
            std::vector<PanelLine> lines;
            cards[index] = ReadCameraCard(cameras[index], login, lines);
            return lines;
        },
        [&](std::size_t, std::vector<PanelLine> lines) {
            ++done;
            if (progress) {
                progress(done, cameras.size(), lines);
            }
        },
        [this](bool cancelled) { m_cancelled = cancelled; });
    if (started) {
        if (m_stopAsked) {
            m_engine.Cancel(); // asked before the batch was there to hear it
        }
        m_engine.Wait();
    }
    return cards;
}

void SiteReport::Cancel()
{
    m_stopAsked = true;
    m_engine.Cancel();
}
