#include "LogOperations.h"

#include "CapabilityClass.h"
#include "LogDatabase.h"
#include "LogRules.h"
#include "ProgramFolder.h"
#include "VtIpcSDK.h"

#include <cstring>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {
constexpr unsigned kShowLoginFailed = 87000;
constexpr unsigned kNotAModel = 87003;
constexpr unsigned kRefreshFailed = 87008;

// The messages of one kind of file: failed login, failed download, success.
struct FileKeys
{
    unsigned loginFailed;
    unsigned failed;
    unsigned done;
    const char* folder;
};

FileKeys KeysOf(CameraFileKind kind)
{
    switch (kind) {
    case CameraFileKind::Config:
        return {87002, 87006, 87007, kConfigFilesFolder};
    case CameraFileKind::Custom:
        return {87012, 87013, 87014, kCustomFilesFolder};
    case CameraFileKind::Log:
        break;
    }
    return {87001, 87004, 87005, kLogFilesFolder};
}

LogOutcome Message(int handle, unsigned key)
{
    LogOutcome outcome;
    outcome.handle = handle;
    outcome.messageKey = key;
    return outcome;
}

void RemoveQuietly(const std::string& path)
{
    std::error_code ec;
    fs::remove(path, ec);
}
} // namespace

std::string LogFolderPath(const char* folder)
{
    const std::string program = PlatformProgramFolder();
    if (program.empty()) {
        return {};
    }
    const fs::path path = fs::path(program) / folder;
    std::error_code ec;
    fs::create_directories(path, ec); // a failure shows in the download that follows
    return path.string();
}

std::string CachedLogPath(const tagVtIpcInfo& camera)
{
    const std::string folder = LogFolderPath(kTempFilesFolder);
    return folder.empty() ? std::string() : (fs::path(folder) / CacheFileName(camera.mac)).string();
}

bool HasCachedLog(const tagVtIpcInfo& camera)
{
    const std::string path = CachedLogPath(camera);
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(path, ec);
}

LogOutcome SelectCameraLog(const tagVtIpcInfo& camera, const LoginCredentials& login)
{
    LogOutcome outcome;
    PanelLine failure;
    outcome.handle = LoginCamera(camera, login, &failure);
    if (outcome.handle < 0) {
        outcome.line = failure;
        return outcome;
    }
    if (HasCachedLog(camera)) {
        outcome.path = CachedLogPath(camera);
        outcome.showCache = true;
        return outcome;
    }
    return RefreshCameraLog(outcome.handle, camera, login);
}

LogOutcome RefreshCameraLog(int handle, const tagVtIpcInfo& camera, const LoginCredentials& login)
{
    handle = LoggedInHandle(camera, login, handle);
    if (handle < 0) {
        return Message(handle, kShowLoginFailed);
    }
    const std::string cache = CachedLogPath(camera);
    if (cache.empty()) {
        return Message(handle, kRefreshFailed);
    }
    if (!IsAModel(camera.model)) {
        return Message(handle, 0);
    }
    // The download lands beside the cache and takes its place only once it
    // is whole, reads as a log database and carries the indexes.
    const std::string staging = cache + ".download";
    if (Vt_Ipc_DownloadLog(handle, staging.c_str()) != 0 || LogDbAddIndexes(staging.c_str()) != 0) {
        RemoveQuietly(staging);
        return Message(handle, kRefreshFailed);
    }
    std::error_code ec;
    fs::rename(staging, cache, ec);
    if (ec) {
        RemoveQuietly(staging);
        return Message(handle, kRefreshFailed);
    }
    LogOutcome outcome;
    outcome.handle = handle;
    outcome.path = cache;
    outcome.showCache = true;
    return outcome;
}

LogOutcome FetchCameraFile(int handle, const tagVtIpcInfo& camera, const LoginCredentials& login,
                           const CameraFileRequest& request, std::time_t now)
{
    const FileKeys keys = KeysOf(request.kind);
    const bool custom = request.kind == CameraFileKind::Custom;
    if (custom && !IsAModel(camera.model)) {
        return Message(handle, kNotAModel);
    }
    handle = LoggedInHandle(camera, login, handle);
    if (handle < 0) {
        return Message(handle, keys.loginFailed);
    }
    const std::string folder = LogFolderPath(keys.folder);
    if (folder.empty()) {
        return Message(handle, keys.failed);
    }
    if (!IsAModel(camera.model)) {
        return Message(handle, kNotAModel);
    }
    const std::string ip(camera.ip, strnlen(camera.ip, sizeof camera.ip));
    std::string name;
    switch (request.kind) {
    case CameraFileKind::Log:
        name = SavedLogFileName(ip, now);
        break;
    case CameraFileKind::Config:
        name = ConfigFileName(ip, now);
        break;
    case CameraFileKind::Custom:
        name = CustomFileName(ip, now, request.remoteName);
        break;
    }
    const std::string path = (fs::path(folder) / name).string();
    int status = -1;
    switch (request.kind) {
    case CameraFileKind::Log:
        status = Vt_Ipc_DownloadLog(handle, path.c_str());
        break;
    case CameraFileKind::Config:
        status = Vt_Ipc_DownloadCfg(handle, path.c_str());
        break;
    case CameraFileKind::Custom:
        status = Vt_Ipc_DownloadCustom(handle, path.c_str(), request.customKind, request.remoteName.c_str());
        break;
    }
    if (status != 0) {
        return Message(handle, keys.failed);
    }
    LogOutcome outcome = Message(handle, keys.done);
    outcome.question = true;
    outcome.path = path;
    return outcome;
}

LogPage QueryLogPage(const std::string& path, tagLogFilter filter, int page)
{
    LogPage result;
    filter.offset = PageOffset(page, kLogPageRows);
    filter.count = kLogPageRows;
    int count = 0;
    if (LogDbCount(path.c_str(), &filter, &count) != 0 || count <= 0) {
        return result;
    }
    result.totalPages = PageCount(count, kLogPageRows);
    tagLogRow* rows = nullptr;
    int rowCount = 0;
    if (LogDbQueryPage(path.c_str(), &filter, &rows, &rowCount) == 0 && rowCount > 0) {
        result.currentPage = filter.offset / kLogPageRows + 1;
        result.rows.assign(rows, rows + rowCount);
    }
    LogDbFreeRows(rows);
    return result;
}
