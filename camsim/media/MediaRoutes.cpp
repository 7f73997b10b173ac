#include "MediaRoutes.h"

#include "CameraSettings.h"
#include "ImageRules.h"
#include "LiveStream.h"

#include <charconv>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <httplib.h>
#include <nlohmann/json.hpp>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace camsim {
namespace {

using nlohmann::json;

struct UploadPath
{
    const char* path;
    size_t maxBytes;
    bool image;
    ImageKind kind;
};

constexpr UploadPath kUploads[] = {{"/vtipc/v1/firmware", kMaxImageBytes, true, ImageKind::Firmware},
                                   {"/vtipc/v1/kernel", kMaxImageBytes, true, ImageKind::Kernel},
                                   {"/vtipc/v1/oem", kMaxOemBytes, false, ImageKind::Firmware}};

const UploadPath* FindUpload(const std::string& path)
{
    for (const auto& upload : kUploads) {
        if (path == upload.path) {
            return &upload;
        }
    }
    return nullptr;
}

void Answer(httplib::Response& res, int status, const json& body)
{
    res.status = status;
    res.set_content(body.dump(), "application/json");
}

int64_t Now()
{
    return static_cast<int64_t>(std::time(nullptr));
}

// The announced body length, or -1 when there is none or it is malformed.
long long AnnouncedLength(const httplib::Request& req)
{
    if (!req.has_header("Content-Length")) {
        return -1;
    }
    const std::string text = req.get_header_value("Content-Length");
    long long value = -1;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return (text.empty() || result.ptr != text.data() + text.size()) ? -1 : value;
}

struct UploadVerdict
{
    int status = 100; // 100: go ahead
    std::string reason;
    std::string fileName;
};

// Everything an upload can be refused for before its body is read.
UploadVerdict CheckUpload(const httplib::Request& req, const UploadPath& upload, const SimCamera& sim,
                          const MediaLibrary& library)
{
    UploadVerdict verdict;
    const auto name = PercentDecode(req.get_header_value("X-Vt-File-Name"));
    const long long length = AnnouncedLength(req);
    if (!name || !IsPlainFileName(*name)) {
        return {400, "a plain file name is required in X-Vt-File-Name", {}};
    }
    if (length < 0) {
        return {411, "the length of the file is required", {}};
    }
    if (static_cast<unsigned long long>(length) > upload.maxBytes) {
        return {413, "the file is too large", {}};
    }
    if (library.Flashing(sim.mac)) {
        return {503, "the camera is flashing", {}};
    }
    if (upload.image) {
        switch (CheckImage(upload.kind, *name, sim.model)) {
        case ImageVerdict::Fits:
            break;
        case ImageVerdict::WrongKind:
            return {
                422, upload.kind == ImageKind::Firmware ? "not a firmware image" : "not a kernel image", {}};
        case ImageVerdict::PlatformDiffers:
            return {422, "the image is for another platform", {}};
        case ImageVerdict::SensorDiffers:
            return {422, "the image is for another sensor", {}};
        case ImageVerdict::NoModel:
            return {422, "the camera has no model", {}};
        }
    }
    verdict.fileName = *name;
    return verdict;
}

std::optional<SimCamera> SimOf(const std::weak_ptr<LiveCamera>& weak)
{
    const auto camera = weak.lock();
    if (!camera) {
        return std::nullopt;
    }
    std::lock_guard lock(camera->mutex);
    return camera->sim;
}

// Answers a file from disk as it is read; with `breakHalfway` the answer
// promises the whole file and hangs up after half of it.
void ServeFile(httplib::Response& res, const std::filesystem::path& path, bool breakHalfway)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info
    {
    };
    if (fd < 0 || ::fstat(fd, &info) != 0) {
        if (fd >= 0) {
            ::close(fd);
        }
        Answer(res, 500, json{{"error", "file unreadable"}});
        return;
    }
    const auto size = static_cast<size_t>(info.st_size);
    res.status = 200;
    res.set_content_provider(
        size, "application/octet-stream",
        [fd, size, breakHalfway](size_t offset, size_t length, httplib::DataSink& sink) {
            const size_t allowed =
                breakHalfway ? std::min(length, size / 2 - std::min(offset, size / 2)) : length;
            if (allowed == 0) {
                return false;
            }
            char buffer[64 * 1024];
            const ssize_t n =
                ::pread(fd, buffer, std::min(allowed, sizeof buffer), static_cast<off_t>(offset));
            return n > 0 && sink.write(buffer, static_cast<size_t>(n));
        },
        [fd](bool) { ::close(fd); });
}

// Reads the body to a file beside `target` and renames it into place.
bool ReceiveToFile(const httplib::ContentReader& reader, const std::filesystem::path& target,
                   long long length)
{
    std::string building = target.string() + ".part-XXXXXX";
    const int fd = ::mkstemp(building.data());
    if (fd < 0) {
        return false;
    }
    long long received = 0;
    bool written = true;
    const bool read = reader([&](const char* data, size_t size) {
        received += static_cast<long long>(size);
        written = written && received <= length && ::write(fd, data, size) == static_cast<ssize_t>(size);
        return written;
    });
    const bool closed = ::fchmod(fd, 0644) == 0 && ::close(fd) == 0;
    if (!read || !written || !closed || received != length ||
        std::rename(building.c_str(), target.c_str()) != 0) {
        ::unlink(building.c_str());
        return false;
    }
    return true;
}

void HandleImage(const httplib::Request& req, httplib::Response& res, const httplib::ContentReader& reader,
                 const UploadPath& upload, const std::weak_ptr<LiveCamera>& weak,
                 const CameraActions& actions, MediaLibrary& library)
{
    const auto sim = SimOf(weak);
    if (!sim) {
        res.status = 503;
        return;
    }
    const UploadVerdict verdict = CheckUpload(req, upload, *sim, library);
    if (verdict.status != 100) {
        Answer(res, verdict.status, json{{"error", verdict.reason}});
        return;
    }
    if (!library.BeginFlash(sim->mac)) {
        Answer(res, 503, json{{"error", "the camera is flashing"}});
        return;
    }
    long long received = 0;
    const bool read = reader([&](const char*, size_t size) {
        received += static_cast<long long>(size);
        return true;
    });
    const bool whole = read && received == AnnouncedLength(req);
    const std::string version = upload.kind == ImageKind::Firmware
                                    ? VersionAfterImage(verdict.fileName, sim->version)
                                    : VersionAfterImage(verdict.fileName, library.KernelVersion(sim->mac));
    if (!whole) {
        library.CancelFlash(sim->mac);
        Answer(res, 400, json{{"error", "the image arrived incomplete"}});
        return;
    }
    Answer(
        res, 200,
        json{{"accepted", verdict.fileName}, {"version", version}, {"flashMs", library.Options().flashMs}});
    const auto kind = upload.kind;
    const auto reboot = actions.reboot;
    // The new version runs once the camera is back from its reboot.
    library.FinishFlashLater(sim->mac, [kind, version, reboot, &library, mac = sim->mac] {
        library.SetVersionAfterReboot(mac, kind == ImageKind::Kernel, version);
        reboot();
    });
}

void HandleOem(const httplib::Request& req, httplib::Response& res, const httplib::ContentReader& reader,
               const std::weak_ptr<LiveCamera>& weak, MediaLibrary& library)
{
    const auto sim = SimOf(weak);
    if (!sim) {
        res.status = 503;
        return;
    }
    const UploadVerdict verdict = CheckUpload(req, kUploads[2], *sim, library);
    if (verdict.status != 100) {
        Answer(res, verdict.status, json{{"error", verdict.reason}});
        return;
    }
    std::string error;
    const auto files = library.FilesOf(sim->mac, error);
    const auto target = files ? files->OemTarget(verdict.fileName) : std::nullopt;
    if (!target) {
        Answer(res, files ? 507 : 500, json{{"error", files ? "no room for another OEM file" : error}});
        return;
    }
    if (!ReceiveToFile(reader, *target, AnnouncedLength(req))) {
        Answer(res, 400, json{{"error", "the file arrived incomplete"}});
        return;
    }
    Answer(res, 200, json{{"stored", verdict.fileName}});
}

// Downloads are for A models only; others answer 501.
template <class Body>
void WithDownload(const std::weak_ptr<LiveCamera>& weak, httplib::Response& res, MediaLibrary& library,
                  Body&& body)
{
    const auto sim = SimOf(weak);
    if (!sim) {
        res.status = 503;
        return;
    }
    if (!IsAModel(sim->model)) {
        Answer(res, 501, json{{"error", "this camera keeps no files"}});
        return;
    }
    std::string error;
    const auto files = library.FilesOf(sim->mac, error);
    if (!files) {
        Answer(res, 500, json{{"error", error}});
        return;
    }
    body(*sim, *files);
}

void AddFileRoutes(httplib::Server& server, const std::weak_ptr<LiveCamera>& weak, MediaLibrary& library)
{
    server.Get("/vtipc/v1/files/log", [weak, &library](const httplib::Request&, httplib::Response& res) {
        WithDownload(weak, res, library, [&](const SimCamera& sim, const CameraFiles& files) {
            std::string error;
            const auto path = files.EventLog(Now(), library.Options().logRows, error);
            if (!path) {
                Answer(res, 500, json{{"error", error}});
                return;
            }
            ServeFile(res, *path, sim.Has(kFaultBrokenDownload));
        });
    });
    server.Get("/vtipc/v1/files/config", [weak, &library](const httplib::Request&, httplib::Response& res) {
        WithDownload(weak, res, library, [&](const SimCamera& sim, const CameraFiles& files) {
            const auto camera = weak.lock();
            if (!camera) {
                res.status = 503;
                return;
            }
            std::string text;
            {
                std::lock_guard lock(camera->mutex);
                text = ConfigText(*camera, library.KernelVersion(sim.mac));
            }
            std::string error;
            const auto path = files.WriteConfig(text, error);
            if (!path) {
                Answer(res, 500, json{{"error", error}});
                return;
            }
            ServeFile(res, *path, sim.Has(kFaultBrokenDownload));
        });
    });
    server.Get(
        "/vtipc/v1/files/custom", [weak, &library](const httplib::Request& req, httplib::Response& res) {
            WithDownload(weak, res, library, [&](const SimCamera& sim, const CameraFiles& files) {
                const std::string kind = req.get_param_value("kind");
                const std::string name =
                    PercentDecode(req.get_header_value("X-Vt-File-Name")).value_or(std::string());
                if ((kind != "0" && kind != "1") || name.empty() || name.size() > 255) {
                    Answer(res, 400, json{{"error", "kind 0 or 1 and a name of 1-255 bytes are required"}});
                    return;
                }
                const auto path = files.Resolve(kind == "0" ? 0 : 1, name);
                if (!path) {
                    Answer(res, 404, json{{"error", "no such file"}});
                    return;
                }
                ServeFile(res, *path, sim.Has(kFaultBrokenDownload));
            });
        });
}

} // namespace

bool RequestBodyWithinBounds(const httplib::Request& req)
{
    if (req.has_header("Transfer-Encoding")) {
        return false;
    }
    const long long length = AnnouncedLength(req);
    const UploadPath* upload = FindUpload(req.path);
    const size_t bound = upload != nullptr ? upload->maxBytes : kMaxJsonRequestBytes;
    return !req.has_header("Content-Length") ||
           (length >= 0 && static_cast<unsigned long long>(length) <= bound);
}

std::string ConfigText(const LiveCamera& camera, const std::string& kernelVersion)
{
    const CameraSettings& s = camera.settings;
    const auto stream = [](const char* name, const VideoConfigRecord& r) {
        char text[256];
        std::snprintf(text, sizeof text,
                      "[%s]\r\nenabled=%d\r\ncodec=%d\r\nframesize=%d\r\nframerate=%d\r\nbitrate=%d\r\n"
                      "ratecontrol=%d\r\niframe=%d\r\n",
                      name, r.stream == 1 ? 1 : r.secondaryEnabled, r.codec, r.frameSize, r.frameRate,
                      r.bitRate, r.rateControl, r.iFrameInterval);
        return std::string(text);
    };
    char text[1024];
    std::snprintf(text, sizeof text,
                  "[device]\r\nname=%s\r\nmodel=%s\r\nhardware=%s\r\nversion=%s\r\nkernel=%s\r\nmac=%s\r\n"
                  "[network]\r\nip=%s\r\nnetmask=%s\r\ngateway=%s\r\ndns=%s\r\nhttp=%d\r\nrtsp=%d\r\n"
                  "[time]\r\nmode=%d\r\ntimezone=%d\r\nntp=%s\r\n",
                  camera.sim.name.c_str(), camera.sim.model.c_str(), camera.sim.hardware.c_str(),
                  camera.sim.version.c_str(), kernelVersion.c_str(), camera.MacText().c_str(),
                  camera.sim.ip.c_str(), camera.sim.netmask.c_str(), camera.sim.gateway.c_str(),
                  camera.sim.dns.c_str(), s.ports.httpPort, s.ports.rtspPort, s.date.mode, s.date.timeZone,
                  s.date.ntpServer);
    char image[512];
    std::snprintf(
        image, sizeof image,
        "[osd]\r\nshowtitle=%d\r\ntitle=%s\r\nshowtime=%d\r\n[image]\r\nbrightness=%d\r\ncontrast=%d\r\n"
        "saturation=%d\r\nsharpness=%d\r\nnoisereduction=%d\r\nfrequency=%d\r\nircut=%d\r\n",
        s.osd.showTitle, s.osd.title, s.osd.showTime, s.picture.brightness, s.picture.contrast,
        s.picture.saturation, s.picture.sharpness, s.picture.noiseReduction, s.imaging.frequency,
        s.imaging.irCut);
    return text + stream("primary", s.primary) + stream("secondary", s.secondary) + image;
}

void AddMediaRoutes(httplib::Server& server, std::weak_ptr<LiveCamera> camera, const CameraActions& actions,
                    MediaLibrary& library, const vtwire::DigestNonceIssuer& nonces)
{
    // Uploads ask before their body; a refusal then costs no transfer.
    server.set_expect_100_continue_handler(
        [camera, &library, &nonces](const httplib::Request& req, httplib::Response& res) {
            const UploadPath* upload = FindUpload(req.path);
            const auto sim = SimOf(camera);
            if (upload == nullptr || !sim || sim->Has(kFaultBrokenHttp) || sim->Has(kFaultSlowHttp)) {
                return 100; // the ordinary handling answers
            }
            const int64_t now = Now();
            const auto verdict = vtwire::VerifyDigest(req.get_header_value("Authorization"), req.method,
                                                      req.target, sim->user, sim->password, nonces, now);
            if (verdict != vtwire::DigestVerdict::Accepted) {
                res.set_header("WWW-Authenticate", vtwire::BuildDigestChallenge(
                                                       nonces, now, verdict == vtwire::DigestVerdict::Stale));
                Answer(res, 401, json{{"error", "authentication required"}});
                return 401;
            }
            const UploadVerdict check = CheckUpload(req, *upload, *sim, library);
            if (check.status != 100) {
                Answer(res, check.status, json{{"error", check.reason}});
            }
            return check.status;
        });
    for (const UploadPath& upload : kUploads) {
        server.Post(upload.path,
                    [camera, actions, &library, &upload](const httplib::Request& req, httplib::Response& res,
                                                         const httplib::ContentReader& reader) {
                        if (upload.image) {
                            HandleImage(req, res, reader, upload, camera, actions, library);
                        } else {
                            HandleOem(req, res, reader, camera, library);
                        }
                    });
    }
    AddFileRoutes(server, camera, library);
    AddLiveRoute(server, camera, library);
    // A server starts after every reboot: a flashed image takes effect now.
    if (const auto locked = camera.lock()) {
        std::lock_guard lock(locked->mutex);
        library.ApplyVersionAfterReboot(locked->sim);
    }
}

} // namespace camsim
