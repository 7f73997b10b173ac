// The C interface of the device SDK. Every call sets the calling thread's
// last error, and nothing thrown below may leave through here.
#include "VtIpcSDK.h"

#include "CameraSession.h"
#include "FrameSinks.h"
#include "LiveVideo.h"
#include "MjpegParser.h"
#include "PercentEncoding.h"
#include "RecordJson.h"
#include "UniqueFd.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

thread_local int t_lastError = VT_ERR_NONE;
std::atomic<bool> g_initialised{false};

// The signal every session of one Init..Destroy span watches: Destroy gives
// it, so transfers in flight end at once, and the next Init takes a new one.
std::mutex g_lifetimeLock;
std::shared_ptr<vtclient::CancelSignal> g_lifetime;

std::shared_ptr<const vtclient::CancelSignal> Lifetime()
{
    std::lock_guard lock(g_lifetimeLock);
    return g_lifetime;
}

vtclient::SessionTable& Sessions()
{
    static vtclient::SessionTable table;
    return table;
}

vtclient::LiveVideo& Video()
{
    static vtclient::LiveVideo video;
    return video;
}

int Fail(int error)
{
    t_lastError = error;
    return -1;
}

int Succeed()
{
    t_lastError = VT_ERR_NONE;
    return 0;
}

// A zero-terminated text of at most `maxLength` bytes.
bool TextFits(const char* text, size_t maxLength)
{
    return text != nullptr && strnlen(text, maxLength + 1) <= maxLength;
}

// The user name travels in a request header: a line break in it would end
// the header and start another.
bool HasControlCharacter(const char* text)
{
    for (; *text != '\0'; ++text) {
        if (static_cast<unsigned char>(*text) < 0x20 || *text == 0x7F) {
            return true;
        }
    }
    return false;
}

// Runs `body` with the session behind `handle`, turning every failure and
// every exception into a last-error code.
template <class Body> int WithSession(int handle, Body&& body)
{
    try {
        if (!g_initialised.load()) {
            return Fail(VT_ERR_NOT_INITIALISED);
        }
        const auto session = Sessions().Get(handle);
        if (!session) {
            return Fail(VT_ERR_INVALID_HANDLE);
        }
        const int error = body(*session);
        return error == VT_ERR_NONE ? Succeed() : Fail(error);
    } catch (const std::bad_alloc&) {
        return Fail(VT_ERR_NO_RESOURCES);
    } catch (...) {
        return Fail(VT_ERR_PROTOCOL);
    }
}

template <class Record> int GetRecord(int handle, const std::string& target, Record* record)
{
    if (record == nullptr) {
        return Fail(VT_ERR_INVALID_ARGUMENT);
    }
    return WithSession(handle, [&](vtclient::CameraSession& session) {
        const auto result = session.Call("GET", target, {});
        if (result.error != VT_ERR_NONE) {
            return result.error;
        }
        const auto object = vtwire::ParseObject(result.body);
        Record decoded{};
        if (!object || !vtwire::FromJson(*object, decoded, true)) {
            return static_cast<int>(VT_ERR_PROTOCOL);
        }
        *record = decoded;
        return static_cast<int>(VT_ERR_NONE);
    });
}

template <class Record> int SetRecord(int handle, const std::string& target, const Record* record)
{
    if (record == nullptr) {
        return Fail(VT_ERR_INVALID_ARGUMENT);
    }
    return WithSession(handle, [&](vtclient::CameraSession& session) {
        const auto object = vtwire::ToJson(*record);
        if (!object) {
            return static_cast<int>(VT_ERR_INVALID_ARGUMENT);
        }
        return session.Call("PUT", target, object->dump()).error;
    });
}

int PostAction(int handle, const char* target)
{
    return WithSession(
        handle, [&](vtclient::CameraSession& session) { return session.Call("POST", target, {}).error; });
}

constexpr uint64_t kMaxImageBytes = 128ull * 1024 * 1024;
constexpr uint64_t kMaxOemBytes = 16ull * 1024 * 1024;

int UploadFile(int handle, const char* path, const char* target, uint64_t maxBytes)
{
    if (path == nullptr || *path == '\0') {
        return Fail(VT_ERR_INVALID_ARGUMENT);
    }
    return WithSession(handle, [&](vtclient::CameraSession& session) {
        // Without blocking: a named pipe or device is refused below instead of
        // holding the call until something writes to it.
        const vtclient::UniqueFd file(::open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        struct stat info
        {
        };
        if (file.fd() < 0 || ::fstat(file.fd(), &info) != 0 || !S_ISREG(info.st_mode)) {
            return static_cast<int>(VT_ERR_FILE);
        }
        if (static_cast<uint64_t>(info.st_size) > maxBytes) {
            return static_cast<int>(VT_ERR_INVALID_ARGUMENT);
        }
        std::string_view name(path);
        const size_t slash = name.find_last_of("/\\");
        if (slash != std::string_view::npos) {
            name.remove_prefix(slash + 1);
        }
        return session.Upload(target, name, file.fd(), static_cast<uint64_t>(info.st_size)).error;
    });
}

int DownloadTo(int handle, const char* localPath, const std::string& target)
{
    if (localPath == nullptr || *localPath == '\0') {
        return Fail(VT_ERR_INVALID_ARGUMENT);
    }
    return WithSession(
        handle, [&](vtclient::CameraSession& session) { return session.Download(target, localPath).error; });
}

std::string StreamTarget(uint8_t stream)
{
    return "/vtipc/v1/video/stream/" + std::to_string(stream == 0 ? 0 : 1);
}

} // namespace

extern "C" {

int Vt_Sdk_Init()
{
    try {
        std::lock_guard lock(g_lifetimeLock);
        if (!g_lifetime || g_lifetime->Cancelled()) {
            g_lifetime = std::make_shared<vtclient::CancelSignal>();
        }
    } catch (...) {
        return Fail(VT_ERR_NO_RESOURCES);
    }
    g_initialised = true;
    return Succeed();
}

int Vt_Sdk_Destroy()
{
    g_initialised = false;
    try {
        {
            std::lock_guard lock(g_lifetimeLock);
            if (g_lifetime) {
                g_lifetime->Cancel(); // only this span's sessions watch it
            }
        }
        Video().StopAll();
        Sessions().Clear();
    } catch (...) {
        return Fail(VT_ERR_NO_RESOURCES);
    }
    return Succeed();
}

int Vt_Sdk_GetLastError()
{
    return t_lastError;
}

int Vt_Ipc_Login(const char* address, const char* /*address2*/, int port, const char* user,
                 const char* password, int /*reserved*/)
{
    try {
        if (!g_initialised.load()) {
            return Fail(VT_ERR_NOT_INITIALISED);
        }
        if (!TextFits(address, 31) || !TextFits(user, 31) || !TextFits(password, 15) || *user == '\0' ||
            HasControlCharacter(user) || port < 1 || port > 65535) {
            return Fail(VT_ERR_INVALID_ARGUMENT);
        }
        auto [handle, session] = Sessions().Find(address, port, user, password);
        if (!session) {
            session = std::make_shared<vtclient::CameraSession>(address, port, user, password,
                                                                vtclient::ExchangeLimits{}, Lifetime());
        }
        const auto result = session->Call("GET", "/vtipc/v1/login", {});
        if (result.error != VT_ERR_NONE) {
            return Fail(result.error);
        }
        if (!g_initialised.load()) {
            return Fail(VT_ERR_NOT_INITIALISED); // destroyed meanwhile: the session belongs to no SDK
        }
        if (handle < 0) {
            handle = Sessions().Add(session);
            if (handle < 0) {
                return Fail(VT_ERR_NO_RESOURCES);
            }
        }
        t_lastError = VT_ERR_NONE;
        return handle;
    } catch (const std::bad_alloc&) {
        return Fail(VT_ERR_NO_RESOURCES);
    } catch (...) {
        return Fail(VT_ERR_PROTOCOL);
    }
}

int Vt_Ipc_GetSystemDate(int handle, SystemDateRecord* record)
{
    return GetRecord(handle, "/vtipc/v1/system/date", record);
}

int Vt_Ipc_SetSystemDate(int handle, const SystemDateRecord* record)
{
    return SetRecord(handle, "/vtipc/v1/system/date", record);
}

int Vt_Ipc_SetDeviceName(int handle, const char* encodedName)
{
    if (!TextFits(encodedName, 127)) {
        return Fail(VT_ERR_INVALID_ARGUMENT);
    }
    return WithSession(handle, [&](vtclient::CameraSession& session) {
        const std::string body = nlohmann::json{{"name", vtwire::TextToJson(encodedName)}}.dump();
        return session.Call("PUT", "/vtipc/v1/system/name", body).error;
    });
}

int Vt_Ipc_ModifyPassword(int handle, const char* user, const char* newPassword)
{
    if (!TextFits(user, 31) || !TextFits(newPassword, 15)) {
        return Fail(VT_ERR_INVALID_ARGUMENT);
    }
    return WithSession(handle, [&](vtclient::CameraSession& session) {
        const std::string body =
            nlohmann::json{{"user", vtwire::TextToJson(user)}, {"password", vtwire::TextToJson(newPassword)}}
                .dump();
        const int error = session.Call("PUT", "/vtipc/v1/system/password", body).error;
        if (error == VT_ERR_NONE) {
            // The camera now knows only the new password; keep the handle usable.
            session.ChangePassword(user, newPassword);
        }
        return error;
    });
}

int Vt_Ipc_GetSystemInfo(int handle, SystemInfoRecord* record)
{
    return GetRecord(handle, "/vtipc/v1/system/info", record);
}

int Vt_Ipc_GetPortInfo(int handle, PortInfoRecord* record)
{
    return GetRecord(handle, "/vtipc/v1/network/ports", record);
}

int Vt_Ipc_SetPortInfo(int handle, const PortInfoRecord* record)
{
    return SetRecord(handle, "/vtipc/v1/network/ports", record);
}

int Vt_Ipc_GetDDNS(int handle, DdnsRecord* record)
{
    return GetRecord(handle, "/vtipc/v1/network/ddns", record);
}

int Vt_Ipc_SetDDNS(int handle, const DdnsRecord* record)
{
    return SetRecord(handle, "/vtipc/v1/network/ddns", record);
}

int Vt_Ipc_GetVideoConfig(int handle, VideoConfigRecord* record)
{
    if (record == nullptr) {
        return Fail(VT_ERR_INVALID_ARGUMENT);
    }
    return GetRecord(handle, StreamTarget(record->stream), record);
}

int Vt_Ipc_SetVideoConfig(int handle, const VideoConfigRecord* record)
{
    if (record == nullptr) {
        return Fail(VT_ERR_INVALID_ARGUMENT);
    }
    return SetRecord(handle, StreamTarget(record->stream), record);
}

int Vt_Ipc_GetOSD(int handle, OsdRecord* record)
{
    return GetRecord(handle, "/vtipc/v1/video/osd", record);
}

int Vt_Ipc_SetOSD(int handle, const OsdRecord* record)
{
    return SetRecord(handle, "/vtipc/v1/video/osd", record);
}

int Vt_Ipc_GetImagingSettings(int handle, ImagingSettingsRecord* record)
{
    return GetRecord(handle, "/vtipc/v1/image/settings", record);
}

int Vt_Ipc_SetImagingSettings(int handle, const ImagingSettingsRecord* record)
{
    return SetRecord(handle, "/vtipc/v1/image/settings", record);
}

int Vt_Ipc_GetImagingConfig(int handle, ImagingConfigRecord* record)
{
    return GetRecord(handle, "/vtipc/v1/image/config", record);
}

int Vt_Ipc_SetImagingConfig(int handle, const ImagingConfigRecord* record)
{
    return SetRecord(handle, "/vtipc/v1/image/config", record);
}

int Vt_Ipc_RebootSystem(int handle)
{
    return PostAction(handle, "/vtipc/v1/system/reboot");
}

int Vt_Ipc_RestoreSystem(int handle)
{
    return PostAction(handle, "/vtipc/v1/system/restore");
}

int Vt_Ipc_UpdateFirmware(int handle, const char* path)
{
    return UploadFile(handle, path, "/vtipc/v1/firmware", kMaxImageBytes);
}

int Vt_Ipc_UpdateKernal(int handle, const char* path)
{
    return UploadFile(handle, path, "/vtipc/v1/kernel", kMaxImageBytes);
}

int Vt_Ipc_UploadOemConfigFile(int handle, const char* path)
{
    return UploadFile(handle, path, "/vtipc/v1/oem", kMaxOemBytes);
}

int Vt_Ipc_DownloadLog(int handle, const char* localPath)
{
    return DownloadTo(handle, localPath, "/vtipc/v1/files/log");
}

int Vt_Ipc_DownloadCfg(int handle, const char* localPath)
{
    return DownloadTo(handle, localPath, "/vtipc/v1/files/config");
}

int Vt_Ipc_DownloadCustom(int handle, const char* localPath, int kind, const char* remoteName)
{
    if ((kind != 0 && kind != 1) || !TextFits(remoteName, 255) || *remoteName == '\0') {
        return Fail(VT_ERR_INVALID_ARGUMENT);
    }
    return DownloadTo(handle, localPath,
                      "/vtipc/v1/files/custom?kind=" + std::to_string(kind) +
                          "&name=" + vtwire::PercentEncode(remoteName));
}

int Vt_Sdk_SetFrameSink(uint32_t window, VtFrameSink sink, void* user)
{
    if (window == 0) {
        return Fail(VT_ERR_INVALID_ARGUMENT);
    }
    try {
        SetFrameSink(window, sink, user);
    } catch (...) {
        return Fail(VT_ERR_NO_RESOURCES);
    }
    return Succeed();
}

int Vt_IpcClient_LivePlay(int handle, const LivePlayRecord* record, int /*reserved1*/, int /*reserved2*/)
{
    if (record == nullptr || record->window == 0) {
        return Fail(VT_ERR_INVALID_ARGUMENT);
    }
    const auto session = Sessions().Get(handle);
    return WithSession(handle, [&](vtclient::CameraSession& camera) {
        // The play starts only with a camera that answers and takes the login.
        const int error = camera.Call("GET", "/vtipc/v1/login", {}).error;
        if (error == VT_ERR_NONE) {
            Video().Start(handle, session, record->window, 1);
        }
        return error;
    });
}

int Vt_IpcClient_StopLivePlay(int handle)
{
    try {
        if (!Video().Stop(handle)) {
            return Fail(VT_ERR_INVALID_HANDLE);
        }
    } catch (...) {
        return Fail(VT_ERR_NO_RESOURCES);
    }
    return Succeed();
}

int Vt_IpcClient_Snapshot(int handle, uint8_t* buffer, size_t size, size_t* length)
{
    if (buffer == nullptr || length == nullptr) {
        return Fail(VT_ERR_INVALID_ARGUMENT);
    }
    constexpr int kSnapshotMs = 10000;
    return WithSession(handle, [&](vtclient::CameraSession& session) {
        std::string picture;
        vtclient::MjpegParser pictures([&](std::string_view jpeg) {
            picture.assign(jpeg);
            return false; // one is all we came for
        });
        const vtclient::CancelSignal never;
        const auto result = session.Stream(
            "/vtipc/v1/live?stream=1", [&](std::string_view bytes) { return pictures.Feed(bytes); }, never,
            kSnapshotMs);
        if (picture.empty()) {
            // Stopping the stream early is not a failure; anything else is.
            return result.error != VT_ERR_NONE ? result.error : static_cast<int>(VT_ERR_PROTOCOL);
        }
        *length = picture.size();
        if (picture.size() > size) {
            return static_cast<int>(VT_ERR_NO_RESOURCES);
        }
        std::memcpy(buffer, picture.data(), picture.size());
        return static_cast<int>(VT_ERR_NONE);
    });
}
}
