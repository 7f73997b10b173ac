#include "CameraRoutes.h"

#include "CameraFiles.h"
#include "FileAnswer.h"
#include "FirmwareRules.h"
#include "LiveStream.h"
#include "PercentEncoding.h"
#include "RecordJson.h"
#include "StatusPage.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <httplib.h>
#include <thread>

namespace camsim {
namespace {

using nlohmann::json;

constexpr const char* kJson = "application/json";

void Answer(httplib::Response& res, int status, const json& body)
{
    res.status = status;
    res.set_content(body.dump(), kJson);
}

void Refuse(httplib::Response& res, const char* reason)
{
    Answer(res, 400, json{{"error", reason}});
}

int64_t Now()
{
    return static_cast<int64_t>(std::time(nullptr));
}

// Runs `body` with the camera locked, or answers 503 when it is gone.
template <class Body>
void WithCamera(const std::weak_ptr<LiveCamera>& weak, httplib::Response& res, Body&& body)
{
    const auto camera = weak.lock();
    if (!camera) {
        res.status = 503;
        return;
    }
    std::lock_guard lock(camera->mutex);
    body(*camera);
}

template <class Record> std::optional<Record> DecodeBody(const httplib::Request& req, const Record& current)
{
    const auto object = vtwire::ParseObject(req.body);
    Record record = current;
    if (!object || !vtwire::FromJson(*object, record, false)) {
        return std::nullopt;
    }
    return record;
}

// GET and PUT of a record the camera keeps as it is.
template <class Record, class Check>
void ServeRecord(httplib::Server& server, const std::string& path, std::weak_ptr<LiveCamera> weak,
                 Record CameraSettings::*field, Check check)
{
    server.Get(path, [weak, field](const httplib::Request&, httplib::Response& res) {
        WithCamera(weak, res,
                   [&](LiveCamera& camera) { Answer(res, 200, *vtwire::ToJson(camera.settings.*field)); });
    });
    server.Put(path, [weak, field, check](const httplib::Request& req, httplib::Response& res) {
        WithCamera(weak, res, [&](LiveCamera& camera) {
            const auto record = DecodeBody(req, camera.settings.*field);
            if (!record || !check(*record, camera)) {
                Refuse(res, "values refused");
                return;
            }
            camera.settings.*field = *record;
            Answer(res, 200, *vtwire::ToJson(camera.settings.*field));
        });
    });
}

json DateJson(const LiveCamera& camera)
{
    SystemDateRecord record = camera.settings.date;
    const int64_t clock = Now() + camera.settings.clockOffsetSeconds;
    const std::string date = FormatCameraDate(clock);
    const std::string time = FormatCameraTime(clock);
    std::snprintf(record.date, sizeof record.date, "%s", date.c_str());
    std::snprintf(record.time, sizeof record.time, "%s", time.c_str());
    return *vtwire::ToJson(record);
}

void AddSystemRoutes(httplib::Server& server, const std::weak_ptr<LiveCamera>& weak,
                     const CameraActions& actions)
{
    server.Get("/vtipc/v1/login", [weak](const httplib::Request&, httplib::Response& res) {
        WithCamera(weak, res, [&](LiveCamera& camera) {
            Answer(res, 200,
                   json{{"model", vtwire::TextToJson(camera.sim.model)},
                        {"version", vtwire::TextToJson(camera.sim.version)},
                        {"name", vtwire::TextToJson(camera.sim.name)}});
        });
    });
    server.Get("/vtipc/v1/system/date", [weak](const httplib::Request&, httplib::Response& res) {
        WithCamera(weak, res, [&](LiveCamera& camera) { Answer(res, 200, DateJson(camera)); });
    });
    server.Put("/vtipc/v1/system/date", [weak](const httplib::Request& req, httplib::Response& res) {
        WithCamera(weak, res, [&](LiveCamera& camera) {
            const auto record = DecodeBody(req, camera.settings.date);
            if (!record || !IsAcceptable(*record)) {
                Refuse(res, "date refused");
                return;
            }
            if (record->mode == 0 || record->mode == 2) {
                camera.settings.clockOffsetSeconds = *ParseCameraClock(record->date, record->time) - Now();
            } else if (record->mode == 1) {
                camera.settings.clockOffsetSeconds = 0; // as if the NTP server was reached
            }
            camera.settings.date = *record;
            std::memset(camera.settings.date.date, 0, sizeof camera.settings.date.date);
            std::memset(camera.settings.date.time, 0, sizeof camera.settings.date.time);
            Answer(res, 200, DateJson(camera));
        });
    });
    server.Put("/vtipc/v1/system/name", [weak](const httplib::Request& req, httplib::Response& res) {
        WithCamera(weak, res, [&](LiveCamera& camera) {
            const auto object = vtwire::ParseObject(req.body);
            const auto encoded =
                object && object->contains("name") ? vtwire::TextFromJson((*object)["name"]) : std::nullopt;
            const auto name = encoded ? vtwire::PercentDecode(*encoded) : std::nullopt;
            if (!name || !IsAcceptableDeviceName(*name)) {
                Refuse(res, "name refused");
                return;
            }
            camera.sim.name = *name;
            Answer(res, 200, json{{"name", vtwire::TextToJson(camera.sim.name)}});
        });
    });
    server.Put("/vtipc/v1/system/password", [weak](const httplib::Request& req, httplib::Response& res) {
        WithCamera(weak, res, [&](LiveCamera& camera) {
            const auto object = vtwire::ParseObject(req.body);
            const auto user =
                object && object->contains("user") ? vtwire::TextFromJson((*object)["user"]) : std::nullopt;
            const auto password = object && object->contains("password")
                                      ? vtwire::TextFromJson((*object)["password"])
                                      : std::nullopt;
            if (!user || !password || *user != camera.sim.user || password->size() < 4 ||
                password->size() > 15 || password->find('\0') != std::string::npos) {
                Refuse(res, "password refused");
                return;
            }
            if (!camera.sim.Has(kFaultKeepPassword)) {
                camera.sim.password = *password;
            }
            Answer(res, 200, json{{"user", vtwire::TextToJson(camera.sim.user)}});
        });
    });
    server.Get("/vtipc/v1/system/info", [weak](const httplib::Request&, httplib::Response& res) {
        WithCamera(weak, res, [&](LiveCamera& camera) {
            SystemInfoRecord record{};
            std::snprintf(record.model, sizeof record.model, "%s", camera.sim.model.c_str());
            std::snprintf(record.hardware, sizeof record.hardware, "%s", camera.sim.hardware.c_str());
            std::snprintf(record.version, sizeof record.version, "%s", camera.sim.version.c_str());
            json body = *vtwire::ToJson(record);
            body["mac"] = camera.MacText();
            body["upTime"] = std::chrono::duration_cast<std::chrono::seconds>(
                                 std::chrono::steady_clock::now() - camera.sim.upSince)
                                 .count();
            Answer(res, 200, body);
        });
    });
    server.Post("/vtipc/v1/system/reboot", [weak, actions](const httplib::Request&, httplib::Response& res) {
        WithCamera(weak, res, [&](LiveCamera&) { Answer(res, 202, json{{"rebooting", true}}); });
        if (res.status == 202) {
            actions.reboot();
        }
    });
    server.Post("/vtipc/v1/system/restore", [weak](const httplib::Request&, httplib::Response& res) {
        WithCamera(weak, res, [&](LiveCamera& camera) {
            camera.settings = FactorySettings(camera.sim.model, camera.sim.port, camera.MacText());
            Answer(res, 200, json{{"restored", true}});
        });
    });
}

void AddNetworkRoutes(httplib::Server& server, const std::weak_ptr<LiveCamera>& weak,
                      const CameraActions& actions)
{
    server.Get("/vtipc/v1/network/ports", [weak](const httplib::Request&, httplib::Response& res) {
        WithCamera(weak, res,
                   [&](LiveCamera& camera) { Answer(res, 200, *vtwire::ToJson(camera.settings.ports)); });
    });
    server.Put("/vtipc/v1/network/ports",
               [weak, actions](const httplib::Request& req, httplib::Response& res) {
                   bool moved = false;
                   WithCamera(weak, res, [&](LiveCamera& camera) {
                       const auto record = DecodeBody(req, camera.settings.ports);
                       if (!record || !IsAcceptable(*record)) {
                           Refuse(res, "ports refused");
                           return;
                       }
                       camera.settings.ports = *record;
                       moved = record->httpPort != camera.sim.port;
                       camera.sim.port = record->httpPort;
                       Answer(res, 200, *vtwire::ToJson(camera.settings.ports));
                   });
                   if (moved) {
                       actions.moveLater();
                   }
               });
    ServeRecord(server, "/vtipc/v1/network/ddns", weak, &CameraSettings::ddns,
                [](const DdnsRecord& r, const LiveCamera&) { return IsAcceptable(r); });
}

void AddVideoRoutes(httplib::Server& server, const std::weak_ptr<LiveCamera>& weak)
{
    const std::string streamPath = R"(/vtipc/v1/video/stream/([01]))";
    server.Get(streamPath, [weak](const httplib::Request& req, httplib::Response& res) {
        WithCamera(weak, res, [&](LiveCamera& camera) {
            const bool primary = req.matches[1] == "1";
            Answer(res, 200, *vtwire::ToJson(primary ? camera.settings.primary : camera.settings.secondary));
        });
    });
    server.Put(streamPath, [weak](const httplib::Request& req, httplib::Response& res) {
        WithCamera(weak, res, [&](LiveCamera& camera) {
            const int stream = req.matches[1] == "1" ? 1 : 0;
            VideoConfigRecord& target = stream == 1 ? camera.settings.primary : camera.settings.secondary;
            auto record = DecodeBody(req, target);
            if (!record || !IsAcceptable(*record, stream)) {
                Refuse(res, "video configuration refused");
                return;
            }
            record->profile = target.profile; // the camera's own value
            target = *record;
            // One switch of the camera, seen in both streams' records.
            camera.settings.primary.secondaryEnabled = record->secondaryEnabled;
            camera.settings.secondary.secondaryEnabled = record->secondaryEnabled;
            Answer(res, 200, *vtwire::ToJson(target));
        });
    });
    ServeRecord(server, "/vtipc/v1/video/osd", weak, &CameraSettings::osd,
                [](const OsdRecord& r, const LiveCamera&) { return IsAcceptable(r); });
    ServeRecord(
        server, "/vtipc/v1/image/settings", weak, &CameraSettings::picture,
        [](const ImagingSettingsRecord& r, const LiveCamera& c) { return IsAcceptable(r, c.sim.model); });
    ServeRecord(server, "/vtipc/v1/image/config", weak, &CameraSettings::imaging,
                [](const ImagingConfigRecord& r, const LiveCamera&) { return IsAcceptable(r); });
}

void AddImageRoute(httplib::Server& server, const std::string& path, ImageKind kind,
                   const std::weak_ptr<LiveCamera>& weak, const CameraActions& actions)
{
    server.Post(path, [weak, actions, kind](const httplib::Request& req, httplib::Response& res,
                                            const httplib::ContentReader& reader) {
        // The whole image is read before the answer, so the client never
        // sees its upload cut off by an early refusal.
        const size_t received = ReceiveImage(reader, weak);
        if (received > kMaxImageRequest) {
            res.status = 413;
            return;
        }
        // The server library hands header values over with their %XX escapes decoded.
        const std::optional<std::string> name = req.get_header_value("X-Vt-File-Name");
        bool fits = false;
        WithCamera(weak, res, [&](LiveCamera& camera) {
            fits = name && ImageFitsModel(kind, *name, camera.sim.model);
            if (!fits) {
                Answer(res, 422, json{{"error", "the image does not fit this camera"}});
                return;
            }
            Answer(res, 200, json{{"flashing", true}, {"bytes", received}});
        });
        if (fits) {
            actions.flash(kind == ImageKind::Firmware ? VersionFromImageName(*name) : std::nullopt);
        }
    });
}

void AddFileRoutes(httplib::Server& server, const std::weak_ptr<LiveCamera>& weak)
{
    server.Get("/vtipc/v1/files/log", [weak](const httplib::Request&, httplib::Response& res) {
        WithCamera(weak, res, [&](LiveCamera& camera) {
            if (camera.eventLog.empty()) {
                camera.eventLog = BuildEventLog(camera.sim, Now());
            }
            if (camera.eventLog.empty()) {
                res.status = 500;
                return;
            }
            AnswerFile(res, camera.eventLog, "application/vnd.sqlite3", camera.sim.Has(kFaultBrokenDownload));
        });
    });
    server.Get("/vtipc/v1/files/config", [weak](const httplib::Request&, httplib::Response& res) {
        WithCamera(weak, res, [&](LiveCamera& camera) {
            AnswerFile(res, BuildConfigText(camera), "text/plain; charset=utf-8",
                       camera.sim.Has(kFaultBrokenDownload));
        });
    });
    server.Get("/vtipc/v1/files/custom", [weak](const httplib::Request& req, httplib::Response& res) {
        const std::string kind = req.get_param_value("kind");
        const std::string name = req.get_param_value("name");
        if ((kind != "0" && kind != "1") || name.empty() || name.size() > 255) {
            Refuse(res, "kind 0 or 1 and a name of 1-255 bytes");
            return;
        }
        WithCamera(weak, res, [&](LiveCamera& camera) {
            const auto file = CustomFile(camera, kind == "1" ? 1 : 0, name);
            if (!file) {
                Answer(res, 404, json{{"error", "no such file"}});
                return;
            }
            AnswerFile(res, *file, "application/octet-stream", camera.sim.Has(kFaultBrokenDownload));
        });
    });
}

void AddOemRoute(httplib::Server& server, const std::weak_ptr<LiveCamera>& weak)
{
    server.Post("/vtipc/v1/oem", [weak](const httplib::Request& req, httplib::Response& res,
                                        const httplib::ContentReader& reader) {
        std::string content;
        reader([&](const char* data, size_t length) {
            content.append(data,
                           std::min(length, kMaxOemFile + 1 - std::min(content.size(), kMaxOemFile + 1)));
            return content.size() <= kMaxOemFile;
        });
        if (content.size() > kMaxOemFile) {
            res.status = 413;
            return;
        }
        // The server library hands header values over with their %XX escapes decoded.
        const std::string name = req.get_header_value("X-Vt-File-Name");
        WithCamera(weak, res, [&](LiveCamera& camera) {
            const bool known = camera.oemFiles.contains(name);
            if (name.empty() || name.size() > 255 || name.find('/') != std::string::npos ||
                (!known && camera.oemFiles.size() >= kMaxOemFiles)) {
                Refuse(res, "a plain file name, and at most 32 files");
                return;
            }
            camera.oemFiles[name] = std::move(content);
            Answer(res, 200, json{{"stored", vtwire::TextToJson(name)}});
        });
    });
}

void AddLiveRoute(httplib::Server& server, const std::weak_ptr<LiveCamera>& weak)
{
    server.Get("/vtipc/v1/live", [weak](const httplib::Request& req, httplib::Response& res) {
        const int stream = req.get_param_value("stream") == "0" ? 0 : 1;
        auto encoder = std::make_shared<JpegEncoder>();
        auto frame = std::make_shared<uint64_t>(0);
        res.set_chunked_content_provider(
            "multipart/x-mixed-replace; boundary=vtframe",
            [weak, stream, encoder, frame](size_t, httplib::DataSink& sink) {
                const auto camera = weak.lock();
                if (!camera) {
                    return false;
                }
                CameraSettings settings;
                {
                    std::lock_guard lock(camera->mutex);
                    if (camera->sim.silent) {
                        return false;
                    }
                    settings = camera->settings;
                }
                const auto started = std::chrono::steady_clock::now();
                const std::string jpeg =
                    encoder->Render(settings, stream, (*frame)++, Now() + settings.clockOffsetSeconds);
                const std::string head = "--vtframe\r\nContent-Type: image/jpeg\r\nContent-Length: " +
                                         std::to_string(jpeg.size()) + "\r\n\r\n";
                if (jpeg.empty() || !sink.write(head.data(), head.size()) ||
                    !sink.write(jpeg.data(), jpeg.size()) || !sink.write("\r\n", 2)) {
                    return false;
                }
                // A copy first: the records are packed, and a reference to their fields may be misaligned.
                const int configured =
                    stream == 1 ? settings.primary.frameRate : settings.secondary.frameRate;
                const int rate = std::clamp(configured, 1, 30);
                std::this_thread::sleep_until(started + std::chrono::microseconds(1000000 / rate));
                return true;
            });
    });
}

} // namespace

std::chrono::microseconds LinkTime(uint64_t bytes, int linkMbps)
{
    if (linkMbps <= 0) {
        return std::chrono::microseconds(0);
    }
    // bits / (Mbit/s) = microseconds
    return std::chrono::microseconds(bytes * 8 / static_cast<uint64_t>(linkMbps));
}

size_t ReceiveImage(const httplib::ContentReader& reader, const std::weak_ptr<LiveCamera>& camera, std::string* head)
{
    int linkMbps = 0;
    if (const auto locked = camera.lock()) {
        std::lock_guard lock(locked->mutex);
        linkMbps = locked->sim.linkMbps;
    }
    const auto start = std::chrono::steady_clock::now();
    size_t received = 0;
    reader([&](const char* data, size_t length) {
        if (head != nullptr && head->size() < kImageHeadBytes) {
            head->append(data, std::min(length, kImageHeadBytes - head->size()));
        }
        received += length;
        std::this_thread::sleep_until(start + LinkTime(received, linkMbps));
        return received <= kMaxImageRequest;
    });
    return received;
}

bool IsUploadPath(const std::string& path)
{
    return path == "/vtipc/v1/firmware" || path == "/vtipc/v1/kernel" || path == "/vtipc/v1/oem";
}

void AddCameraRoutes(httplib::Server& server, std::weak_ptr<LiveCamera> camera, CameraActions actions)
{
    server.Get("/", [camera](const httplib::Request&, httplib::Response& res) {
        WithCamera(camera, res, [&](LiveCamera& locked) {
            res.set_content(StatusPageHtml(locked), "text/html; charset=utf-8");
        });
    });
    AddSystemRoutes(server, camera, actions);
    AddNetworkRoutes(server, camera, actions);
    AddVideoRoutes(server, camera);
    AddFileRoutes(server, camera);
    AddOemRoute(server, camera);
    AddLiveRoute(server, camera);
    AddImageRoute(server, "/vtipc/v1/firmware", ImageKind::Firmware, camera, actions);
    AddImageRoute(server, "/vtipc/v1/kernel", ImageKind::Kernel, camera, actions);
}

} // namespace camsim
