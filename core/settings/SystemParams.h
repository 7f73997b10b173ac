#pragma once
#include "BatchEngine.h"
#include "CameraAccess.h"
#include "Tivox.h"
#include "TimeZoneTable.h"
#include "VtIpcSDK.h"
#include "ZxExport.h"

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The system settings of a camera (name, administrator password, date, time,
// time zone, clock source) as the batch set page writes them to one camera
// or many: the checks of the form, the record the camera takes, and the
// per-camera apply with its panel lines.

// The clock source, numbered as the page's radio buttons.
enum class DateTimeMode
{
    Keep = 1044,         // keep the camera's date and time
    ComputerTime = 1045, // the workstation's local time
    Manual = 1046,       // the date and time typed in
    Sntp = 1047,         // synchronise to an SNTP server
};

struct DateTimeValue
{
    int year = 1970;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Sent when the SNTP mode is chosen without a server of its own.
inline constexpr const char* kDefaultSntpServer = "pool.ntp.org";
inline constexpr int kPasswordBytes = 15;

// The form of the "System" sub-page as typed.
struct SystemForm
{
    std::wstring name;
    std::wstring currentName; // the camera's name as loaded: left alone, it is not written again
    std::wstring password;
    std::wstring confirmation;
    // A new password was typed for these cameras; otherwise the boxes only
    // show the login password and no password is sent.
    bool changePassword = false;
    std::wstring sntpServer;
    DateTimeMode mode = DateTimeMode::Keep;
    bool singleCamera = true; // no camera ticked: the name is written too
};

enum class SystemField
{
    None,
    Name,
    Password,
    Confirmation,
};

// The first failed check: its message key and the box that gets the focus;
// key 0 when the form passed.
struct SystemProblem
{
    unsigned key = 0;
    SystemField field = SystemField::None;
};

// In the order the operator is told: empty name (one camera only), forbidden
// character in the name, a changed name over 31 bytes, a new password shorter
// than 4, passwords that differ, empty SNTP server in SNTP mode. Blanks around
// each box are ignored.
ZX_EXPORT SystemProblem CheckSystemForm(const SystemForm& form);

// What the apply writes; texts are already in the camera's encoding.
struct SystemSettings
{
    DateTimeMode mode = DateTimeMode::Keep;
    int timeZone = kDefaultTimeZone;
    DateTimeValue dateTime;
    int daylight = 0;
    std::string sntpServer;  // empty: the default server
    std::string deviceName;  // UTF-8; written only to a single camera, and only when changed
    std::string newPassword; // a typed password; written when it differs from the login password
};

// The form's values in the camera's encoding: name as UTF-8, password and
// server in the workstation's code page. The name is empty unless it goes to
// one camera and differs from its current one; the password is empty unless
// one was typed.
ZX_EXPORT SystemSettings SystemSettingsFromForm(const SystemForm& form, int timeZone, int daylight,
                                                const DateTimeValue& dateTime);

// The date record a camera is sent: mode 3 (keep) with empty date and
// time, 0 (manual) and 2 (computer time) with the formatted date and time,
// 1 (SNTP) with the server; time zone and daylight saving always.
ZX_EXPORT SystemDateRecord BuildSystemDateRecord(const SystemSettings& settings);

// Everything the apply of one camera needs.
struct SystemApply
{
    SystemSettings settings;
    LoginCredentials login;
    bool singleCamera = true;
    // Takes a camera whose password changed, logged in with the new one, to
    // reboot it later; called from the batch worker.
    std::function<void(std::shared_ptr<Camera> camera)> queueReboot;
};

// What one camera is sent of its system settings, each part only when given.
struct SystemWrite
{
    std::optional<SystemDateRecord> date;
    std::string deviceName;  // UTF-8; empty: the name is left as it is
    std::string newPassword; // empty: the password is left as it is
    // As SystemApply::queueReboot; none: a camera is not restarted.
    std::function<void(std::shared_ptr<Camera> camera)> queueReboot;
};

// Logs in to the camera and writes the date record, the name and the
// password that are given, one panel line per call. A name the camera cannot
// keep as it is (an ONVIF camera's host name) gets the line that says so, and
// is not sent. A password change queues
// a reboot, except on an A model; when the camera does not take the new
// password for that reboot's login, that is its line instead.
ZX_EXPORT std::vector<PanelLine> WriteSystemSettings(const tagVtIpcInfo& camera, const LoginCredentials& login,
                                                     const SystemWrite& write);
ZX_EXPORT BatchEngine::Operation SystemWriteOperation(LoginCredentials login, SystemWrite write);

// WriteSystemSettings with the page's settings: date and time always, the
// name for a single camera only, the password when it differs from the
// login password.
ZX_EXPORT std::vector<PanelLine> ApplySystemSettings(const tagVtIpcInfo& camera, const SystemApply& apply);
ZX_EXPORT BatchEngine::Operation SystemApplyOperation(SystemApply apply);

// A day of the calendar (29 February in leap years only) in the years a
// camera's clock can count, 1970 to 9999, and a time of day.
ZX_EXPORT bool IsRealDateTime(const DateTimeValue& value);

// A camera's clock settings as far as they make sense: the date and time
// (read as "%d/%d/%d" and "%d:%d:%d") only when they are real, the time zone
// only as a row of the list, daylight saving only as 0 or 1, the SNTP server
// only when it is not empty. Whatever is absent stays as the form shows it.
struct CameraClock
{
    std::optional<DateTimeValue> dateTime;
    std::optional<int> timeZone;
    std::optional<int> daylight;
    std::string ntpServer; // in the camera's encoding
};
ZX_EXPORT CameraClock ReadCameraClock(const SystemDateRecord& record);

// What a load reads for the "System" sub-page: the date record, absent when
// the camera did not give it (the page then keeps its boxes as they are).
struct SystemReading
{
    std::optional<SystemDateRecord> date;
};

// The reads of a load from a logged-in camera; off the UI thread. Nothing is
// read once stop is set.
ZX_EXPORT SystemReading ReadSystemSettings(Camera& camera, const std::atomic<bool>& stop);
