#pragma once
#include "BatchEngine.h"
#include "Camera.h"
#include "CameraProtocol.h"
#include "PanelLine.h"
#include "Tivox.h"
#include "ZxExport.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The as-built record of a site: one card per camera with what it says of
// itself and its current picture, read over the batch engine. Never holds a
// password.

// A camera to put in the report: its list entry and the protocol it is
// worked on with.
struct ReportCamera
{
    tagVtIpcInfo info{};
    ProtocolMark protocol;
};

// One camera's card. Texts are UTF-8 as the camera gave them (not escaped);
// an empty text is a value the camera did not give.
struct CameraCard
{
    std::string name;
    std::string mac;
    std::string ip;
    std::string model;
    std::string firmware;
    std::string protocol;
    std::string timeZone;
    bool clockRead = false;
    bool followsNtp = false;
    std::string ntpServer;
    // The main stream's settings, when they could be read.
    bool videoRead = false;
    std::string codec;
    std::string frameSize;
    int frameRate = 0;
    int bitRate = 0; // kbit/s
    std::vector<std::uint8_t> picture; // a JPEG file; empty when none was had
    // Why the camera could not be read, as its panel line says it; empty
    // when the login succeeded.
    std::string reason;
};

// Logs in to the camera and reads its card; the lines are those the
// operation panel shows for it (the login's failure, the camera's note).
// Each value the camera does not give stays empty; only a failed login
// gives a reason.
ZX_EXPORT CameraCard ReadCameraCard(const ReportCamera& camera, const LoginCredentials& login,
                                    std::vector<PanelLine>& lines);

// The codec of a main stream as the report names it (H.265 included).
ZX_EXPORT std::string ReportCodecText(int wireCodec, bool aModel);

// Reads the cards of many cameras, at most maxParallel at once.
class ZX_EXPORT SiteReport
{
public:
    // After each camera, in the cameras' order, one call at a time on a
    // worker thread: how many are done, of how many, and that camera's lines.
    using Progress = std::function<void(std::size_t done, std::size_t total, const std::vector<PanelLine>& lines)>;

    explicit SiteReport(int maxParallel = BatchEngine::kDefaultParallel);

    // Blocks until every camera's card is read (or Cancel skipped the rest);
    // the cards come in the cameras' order.
    std::vector<CameraCard> Gather(const std::vector<ReportCamera>& cameras, const LoginCredentials& login,
                                   const Progress& progress);
    // Any thread, also before Gather: the cameras not yet started are
    // skipped and the calls in flight end soon.
    void Cancel();
    // Whether the last Gather was cut short by Cancel.
    bool Cancelled() const { return m_cancelled; }

private:
    BatchEngine m_engine;
    std::atomic<bool> m_stopAsked{false};
    std::atomic<bool> m_cancelled{false};
};
