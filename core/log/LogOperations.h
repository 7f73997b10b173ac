#pragma once
#include "CameraAccess.h"
#include "LogDatabase.h"
#include "PanelLine.h"
#include "Tivox.h"
#include "ZxExport.h"

#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The camera work of the device log page, one camera at a time: the log cache,
// the saved log, the exported configuration and custom downloads. Each call
// may take seconds (the camera is asked over the network), so the page runs
// them off the window's thread; the terminal tool calls them directly.

// A camera's own system log as the page shows it: plain lines, oldest first,
// at most kShownSystemLogLines of the newest, each cut at
// kShownSystemLogLineBytes bytes and with its control characters escaped, so
// a camera that answers megabytes of lines cannot flood the window.
inline constexpr std::size_t kShownSystemLogLines = 5000;
inline constexpr std::size_t kShownSystemLogLineBytes = 512;
struct SystemLogView
{
    std::vector<std::string> lines; // UTF-8
    std::size_t older = 0;          // earlier lines left out
};
ZX_EXPORT SystemLogView ShownSystemLog(const std::vector<std::string>& lines);

// What one operation came to.
struct LogOutcome
{
    std::shared_ptr<Camera> camera; // the logged-in camera after the operation; empty: none
    unsigned messageKey = 0;       // message box to show; 0: none
    bool question = false;         // the message asks whether to reveal `path`
    std::optional<PanelLine> line; // a line for the operation panel
    std::string path;              // the file written, or the cache to show
    bool showCache = false;        // `path` is the camera's log cache, ready to be shown
    std::optional<SystemLogView> systemLog; // a camera without a log database: its system log
};

// The folder below the program folder (created when missing); empty when there
// is no program folder.
ZX_EXPORT std::string LogFolderPath(const char* folder);
// Where the camera's log cache lives, and whether a whole one is there: only
// a regular file under exactly the camera's cache name counts.
ZX_EXPORT std::string CachedLogPath(const tagVtIpcInfo& camera);
ZX_EXPORT bool HasCachedLog(const tagVtIpcInfo& camera);

// Selecting a camera: logs in (the login always replaces the old one; a
// failure is a panel line), then shows the cache when there is one, else
// fetches the log as RefreshCameraLog does. A camera that keeps no log
// database but a system log (an ONVIF camera) has its system log read
// instead; a camera with neither gets the panel line that says so, and
// nothing is sent to it.
ZX_EXPORT LogOutcome SelectCameraLog(const tagVtIpcInfo& camera, const LoginCredentials& login);

// "Show Log": logs in when no camera is held, then fetches the camera's log
// into its cache. The cache is replaced only by a whole download that reads as
// a log database, with the indexes the page's queries use added to it; a
// failed download leaves the earlier cache as it was. A camera with only a
// system log has it read again.
ZX_EXPORT LogOutcome RefreshCameraLog(std::shared_ptr<Camera> held, const tagVtIpcInfo& camera,
                                      const LoginCredentials& login);

enum class CameraFileKind
{
    Log,    // "Download Log": a copy of the log database under LogFiles
    Config, // "Export Config": the configuration text under ConfigFiles
    Custom, // "Custom Download": a named file under CustomDownloadFiles
};

struct CameraFileRequest
{
    CameraFileKind kind = CameraFileKind::Log;
    int customKind = 0;     // 0 SD files, 1 other files
    std::string remoteName; // as entered, at most 255 bytes
};

// Fetches one file into its folder under a name of the camera's IP address
// and the local time `now`; the file appears only once it arrived whole. The
// camera held is used, else one logged in. A camera that does not offer the
// kind of file gets the message that says so, and nothing is sent to it.
ZX_EXPORT LogOutcome FetchCameraFile(std::shared_ptr<Camera> held, const tagVtIpcInfo& camera,
                                     const LoginCredentials& login, const CameraFileRequest& request,
                                     std::time_t now);

// One page of a log cache as the page shows it: the rows matching the filter
// are counted, then page `page` (from 1) of them is read. currentPage stays 0
// when the page holds no row (a failed query shows nothing, "0/n").
struct LogPage
{
    int currentPage = 0;
    int totalPages = 0;
    std::vector<tagLogRow> rows;
};
ZX_EXPORT LogPage QueryLogPage(const std::string& path, tagLogFilter filter, int page);
