#include "MediaRoutes.h"

#include "LiveStream.h"

#include <charconv>
#include <cstdio>
#include <httplib.h>
#include <nlohmann/json.hpp>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace camsim {
namespace {

using nlohmann::json;

void Answer(httplib::Response& res, int status, const json& body)
{
    res.status = status;
    res.set_content(body.dump(), "application/json");
}

// The announced body length, or -1 when there is none or it is malformed.
long long AnnouncedLength(const httplib::Request& req)
{
    const std::string text = req.get_header_value("Content-Length");
    long long value = -1;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return (text.empty() || result.ptr != text.data() + text.size()) ? -1 : value;
}

// Reads the body to a file beside `target` and renames it into place, so a
// broken upload never replaces a file the camera held.
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

void HandleOem(const httplib::Request& req, httplib::Response& res, const httplib::ContentReader& reader,
               const std::weak_ptr<LiveCamera>& weak, MediaLibrary& library)
{
    const auto camera = weak.lock();
    if (!camera) {
        res.status = 503;
        return;
    }
    MacAddress mac;
    {
        std::lock_guard lock(camera->mutex);
        mac = camera->sim.mac;
    }
    // The server library hands header values over with their %XX escapes decoded.
    const std::optional<std::string> name = req.get_header_value("X-Vt-File-Name");
    const long long length = AnnouncedLength(req);
    if (!IsPlainFileName(*name)) {
        Answer(res, 400, json{{"error", "a plain file name is required in X-Vt-File-Name"}});
        return;
    }
    if (length < 0 || static_cast<unsigned long long>(length) > kMaxOemBytes) {
        Answer(res, 413, json{{"error", "an OEM file has a length of at most 16 MiB"}});
        return;
    }
    const auto target = library.OemTarget(mac, *name);
    if (!target) {
        Answer(res, 507, json{{"error", "no room for another OEM file"}});
        return;
    }
    if (!ReceiveToFile(reader, *target, length)) {
        Answer(res, 400, json{{"error", "the file arrived incomplete"}});
        return;
    }
    Answer(res, 200, json{{"stored", *name}, {"bytes", length}});
}

} // namespace

void AnswerFile(httplib::Response& res, std::string bytes, const char* contentType, bool breakHalfway)
{
    if (!breakHalfway) {
        res.set_content(std::move(bytes), contentType);
        return;
    }
    const size_t length = bytes.size();
    res.status = 200;
    res.set_content_provider(length, contentType,
                             [bytes = std::move(bytes)](size_t offset, size_t, httplib::DataSink& sink) {
                                 const size_t half = bytes.size() / 2;
                                 return offset < half && sink.write(bytes.data() + offset, half - offset);
                             });
}

void AddMediaRoutes(httplib::Server& server, std::weak_ptr<LiveCamera> camera, MediaLibrary& library)
{
    server.Post("/vtipc/v1/oem", [camera, &library](const httplib::Request& req, httplib::Response& res,
                                                    const httplib::ContentReader& reader) {
        HandleOem(req, res, reader, camera, library);
    });
    AddLiveRoute(server, camera, library);
}

} // namespace camsim
