#include "LogOperations.h"

#include "CapabilityClass.h"
#include "LogDatabase.h"
#include "LogRules.h"
#include "LogText.h"
#include "ProgramFolder.h"

#include <cstring>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {
constexpr unsigned kShowLoginFailed = 87000;
constexpr unsigned kNotAModel = 87003;
constexpr unsigned kRefreshFailed = 87008;
constexpr unsigned kUnsupported = 85003;
constexpr unsigned kNoLogDatabase = 87015;
constexpr unsigned kSystemLogFailed = 87100;

// The messages of one kind of file: failed login, failed download, success;
// its folder and the operation that fetches it.
struct FileKeys
{
    unsigned loginFailed;
    unsigned failed;
    unsigned done;
    const char* folder;
    CameraOperation operation;
};

FileKeys KeysOf(CameraFileKind kind)
{
    switch (kind) {
    case CameraFileKind::Config:
        return {87002, 87006, 87007, kConfigFilesFolder, CameraOperation::ConfigDownload};
    case CameraFileKind::Custom:
        return {87012, 87013, 87014, kCustomFilesFolder, CameraOperation::CustomDownload};
    case CameraFileKind::Log:
        break;
    }
    return {87001, 87004, 87005, kLogFilesFolder, CameraOperation::LogDownload};
}

LogOutcome Message(std::shared_ptr<Camera> camera, unsigned key)
{
    LogOutcome outcome;
    outcome.camera = std::move(camera);
    outcome.messageKey = key;
    return outcome;
}

// The system log of a camera that keeps no log database. A failed login is
// a panel line when the camera was just selected, else a message.
LogOutcome ReadSystemLog(std::shared_ptr<Camera> held, const tagVtIpcInfo& camera, const LoginCredentials& login,
                         bool selected)
{
    LogOutcome outcome;
    PanelLine failure;
    outcome.camera = held ? std::move(held) : LoginCamera(camera, login, &failure);
    if (!outcome.camera) {
        if (selected) {
            outcome.line = failure;
        } else {
            outcome.messageKey = kShowLoginFailed;
        }
        return outcome;
    }
    std::vector<std::string> lines;
    if (!outcome.camera->GetSystemLogLines(lines).Done()) {
        outcome.line = CameraLine(camera, kSystemLogFailed);
        return outcome;
    }
    outcome.systemLog = ShownSystemLog(lines);
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

SystemLogView ShownSystemLog(const std::vector<std::string>& lines)
{
    SystemLogView view;
    view.older = lines.size() > kShownSystemLogLines ? lines.size() - kShownSystemLogLines : 0;
    view.lines.reserve(lines.size() - view.older);
    for (auto line = lines.begin() + static_cast<std::ptrdiff_t>(view.older); line != lines.end(); ++line) {
        // A cut through a character shows as a replacement character.
        view.lines.push_back(EscapeLogText(std::string_view(*line).substr(0, kShownSystemLogLineBytes)));
    }
    return view;
}

LogOutcome SelectCameraLog(const tagVtIpcInfo& camera, const LoginCredentials& login)
{
    LogOutcome outcome;
    if (!CameraOffers(camera, CameraOperation::LogDownload) && CameraOffers(camera, CameraOperation::SystemLog)) {
        return ReadSystemLog(nullptr, camera, login, true);
    }
    if (!CameraOffers(camera, CameraOperation::LogDownload)) {
        outcome.line = CameraLine(camera, kNoLogDatabase);
        return outcome;
    }
    PanelLine failure;
    outcome.camera = LoginCamera(camera, login, &failure);
    if (!outcome.camera) {
        outcome.line = failure;
        return outcome;
    }
    if (HasCachedLog(camera)) {
        outcome.path = CachedLogPath(camera);
        outcome.showCache = true;
        return outcome;
    }
    return RefreshCameraLog(outcome.camera, camera, login);
}

LogOutcome RefreshCameraLog(std::shared_ptr<Camera> held, const tagVtIpcInfo& camera,
                            const LoginCredentials& login)
{
    if (!CameraOffers(camera, CameraOperation::LogDownload) && CameraOffers(camera, CameraOperation::SystemLog)) {
        return ReadSystemLog(std::move(held), camera, login, false);
    }
    if (!CameraOffers(camera, CameraOperation::LogDownload)) {
        return Message(std::move(held), kNoLogDatabase);
    }
    const std::shared_ptr<Camera> loggedIn = LoggedInCamera(camera, login, std::move(held));
    if (!loggedIn) {
        return Message(nullptr, kShowLoginFailed);
    }
    const std::string cache = CachedLogPath(camera);
    if (cache.empty()) {
        return Message(loggedIn, kRefreshFailed);
    }
    if (!IsAModel(camera.model)) {
        return Message(loggedIn, 0);
    }
    // The download lands beside the cache and takes its place only once it
    // is whole, reads as a log database and carries the indexes.
    const std::string staging = cache + ".download";
    if (!loggedIn->DownloadLog(staging).Done() || LogDbAddIndexes(staging.c_str()) != 0) {
        RemoveQuietly(staging);
        return Message(loggedIn, kRefreshFailed);
    }
    std::error_code ec;
    fs::rename(staging, cache, ec);
    if (ec) {
        RemoveQuietly(staging);
        return Message(loggedIn, kRefreshFailed);
    }
    LogOutcome outcome;
    outcome.camera = loggedIn;
    outcome.path = cache;
    outcome.showCache = true;
    return outcome;
}

LogOutcome FetchCameraFile(std::shared_ptr<Camera> held, const tagVtIpcInfo& camera,
                           const LoginCredentials& login, const CameraFileRequest& request, std::time_t now)
{
    const FileKeys keys = KeysOf(request.kind);
    const bool custom = request.kind == CameraFileKind::Custom;
    if (custom && !IsAModel(camera.model)) {
        return Message(std::move(held), kNotAModel);
    }
    if (!CameraOffers(camera, keys.operation)) {
        return Message(std::move(held), request.kind == CameraFileKind::Log ? kNoLogDatabase : kUnsupported);
    }
    const std::shared_ptr<Camera> loggedIn = LoggedInCamera(camera, login, std::move(held));
    if (!loggedIn) {
        return Message(nullptr, keys.loginFailed);
    }
    const std::string folder = LogFolderPath(keys.folder);
    if (folder.empty()) {
        return Message(loggedIn, keys.failed);
    }
    if (!IsAModel(camera.model)) {
        return Message(loggedIn, kNotAModel);
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
    CameraResult result;
    switch (request.kind) {
    case CameraFileKind::Log:
        result = loggedIn->DownloadLog(path);
        break;
    case CameraFileKind::Config:
        result = loggedIn->DownloadConfig(path);
        break;
    case CameraFileKind::Custom:
        result = loggedIn->DownloadCustom(path, request.customKind, request.remoteName);
        break;
    }
    if (!result.Done()) {
        return Message(loggedIn, keys.failed);
    }
    LogOutcome outcome = Message(loggedIn, keys.done);
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
