#include "SystemParams.h"

#include "CameraUpgrade.h"
#include "CapabilityClass.h"
#include "DeviceName.h"
#include "NetworkParams.h"
#include "RecordText.h"
#include "TextCodec.h"
#include "TextTrim.h"
#include "Utf8Text.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {
std::string Narrow(unsigned codePage, const std::wstring& text, int bytes)
{
    std::vector<char> buffer(static_cast<std::size_t>(bytes) + 1, '\0');
    CTextCodec::ToNarrow(codePage, text.c_str(), buffer.data(), bytes + 1);
    return std::string(buffer.data());
}

// A name goes to the camera only for one camera, and only when it is not the
// name the camera already has.
bool WritesName(const SystemForm& form)
{
    return form.singleCamera && Trimmed(form.name) != Trimmed(form.currentName);
}

} // namespace

SystemProblem CheckSystemForm(const SystemForm& form)
{
    if (form.singleCamera) {
        const std::wstring name = Trimmed(form.name);
        if (name.empty()) {
            return {90005, SystemField::Name};
        }
        if (HasForbiddenNameCharacter(Narrow(kCodePageUtf8, name, 256))) {
            return {83010, SystemField::Name};
        }
        if (WritesName(form) && !DeviceNameFits(name)) {
            return {83013, SystemField::Name};
        }
    }
    if (form.changePassword) {
        const std::wstring password = Trimmed(form.password);
        if (password.size() < 4) {
            return {90031, SystemField::Password};
        }
        if (NarrowField(password, kPasswordBytes + 1) !=
            NarrowField(Trimmed(form.confirmation), kPasswordBytes + 1)) {
            return {90015, SystemField::Confirmation};
        }
    }
    if (form.mode == DateTimeMode::Sntp && Trimmed(form.sntpServer).empty()) {
        return {90029, SystemField::None};
    }
    return {};
}

SystemSettings SystemSettingsFromForm(const SystemForm& form, int timeZone, int daylight,
                                      const DateTimeValue& dateTime)
{
    SystemSettings settings;
    settings.mode = form.mode;
    settings.timeZone = timeZone;
    settings.daylight = daylight;
    settings.dateTime = dateTime;
    if (form.mode == DateTimeMode::Sntp) {
        settings.sntpServer = Narrow(kCodePageAnsi, Trimmed(form.sntpServer), 63);
    }
    if (WritesName(form)) {
        settings.deviceName = PlatformToUtf8(Trimmed(form.name));
    }
    if (form.changePassword) {
        settings.newPassword = NarrowField(Trimmed(form.password), kPasswordBytes + 1);
    }
    return settings;
}

SystemDateRecord BuildSystemDateRecord(const SystemSettings& settings)
{
    SystemDateRecord record{};
    const DateTimeValue& t = settings.dateTime;
    char date[32];
    char time[32];
    std::snprintf(date, sizeof date, "%04d/%02d/%02d", t.year, t.month, t.day);
    std::snprintf(time, sizeof time, "%02d:%02d:%02d", t.hour, t.minute, t.second);
    switch (settings.mode) {
    case DateTimeMode::Manual:
    case DateTimeMode::ComputerTime:
        record.mode = settings.mode == DateTimeMode::Manual ? 0 : 2;
        CopyRecordField(record.date, date);
        CopyRecordField(record.time, time);
        break;
    case DateTimeMode::Sntp:
        record.mode = 1;
        CopyRecordField(record.ntpServer, settings.sntpServer.empty() ? kDefaultSntpServer : settings.sntpServer);
        break;
    case DateTimeMode::Keep:
        record.mode = 3;
        break;
    }
    record.daylight = static_cast<std::uint8_t>(settings.daylight);
    record.timeZone = settings.timeZone;
    return record;
}

std::vector<PanelLine> WriteSystemSettings(const tagVtIpcInfo& camera, const LoginCredentials& login,
                                           const SystemWrite& write)
{
    PanelLine failure;
    const std::shared_ptr<Camera> loggedIn = LoginCamera(camera, login, &failure, LoginFailureKeys{80007, 81000});
    if (!loggedIn) {
        return {failure};
    }
    std::vector<PanelLine> lines = CameraNoteLines(camera, *loggedIn);
    if (write.date) {
        lines.push_back(CameraLine(camera, loggedIn->SetSystemDate(*write.date).Done() ? 81001 : 81002));
    }
    if (!write.deviceName.empty()) {
        if (!loggedIn->AcceptsDeviceName(write.deviceName)) {
            lines.push_back(CameraLine(camera, 81007));
        } else {
            lines.push_back(CameraLine(camera, loggedIn->SetDeviceName(write.deviceName).Done() ? 81005 : 81006));
        }
    }
    if (write.newPassword.empty()) {
        return lines;
    }
    if (!loggedIn->ModifyPassword("admin", write.newPassword).Done()) {
        lines.push_back(CameraLine(camera, 81004));
        return lines;
    }
    lines.push_back(CameraLine(camera, 81003));
    // The camera restarts later from the reboot queue, after its lines are
    // out; an A model is never restarted for a new password.
    if (!IsAModel(camera.model) && write.queueReboot) {
        PanelLine refused;
        std::shared_ptr<Camera> reboot =
            LoginCamera(camera, LoginCredentials{"admin", write.newPassword}, &refused, kRebootLoginKeys);
        if (!reboot) {
            lines.push_back(refused);
        } else {
            write.queueReboot(std::move(reboot));
        }
    }
    return lines;
}

BatchEngine::Operation SystemWriteOperation(LoginCredentials login, SystemWrite write)
{
    return [login = std::move(login), write = std::move(write)](const tagVtIpcInfo& camera, std::size_t) {
        return WriteSystemSettings(camera, login, write);
    };
}

std::vector<PanelLine> ApplySystemSettings(const tagVtIpcInfo& camera, const SystemApply& apply)
{
    const SystemSettings& settings = apply.settings;
    SystemWrite write;
    write.date = BuildSystemDateRecord(settings);
    if (apply.singleCamera) {
        write.deviceName = settings.deviceName;
    }
    if (settings.newPassword != apply.login.password) {
        write.newPassword = settings.newPassword;
    }
    write.queueReboot = apply.queueReboot;
    return WriteSystemSettings(camera, apply.login, write);
}

BatchEngine::Operation SystemApplyOperation(SystemApply apply)
{
    return [apply = std::move(apply)](const tagVtIpcInfo& camera, std::size_t) {
        return ApplySystemSettings(camera, apply);
    };
}

bool IsRealDateTime(const DateTimeValue& value)
{
    static constexpr int kDaysOfMonth[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (value.year < 1970 || value.year > 9999 || value.month < 1 || value.month > 12) {
        return false;
    }
    const bool leap = (value.year % 4 == 0 && value.year % 100 != 0) || value.year % 400 == 0;
    const int days = kDaysOfMonth[value.month - 1] + (value.month == 2 && leap ? 1 : 0);
    return value.day >= 1 && value.day <= days && value.hour >= 0 && value.hour <= 23 && value.minute >= 0 &&
           value.minute <= 59 && value.second >= 0 && value.second <= 59;
}

CameraClock ReadCameraClock(const SystemDateRecord& record)
{
    CameraClock clock;
    // The texts need not end inside their fields.
    const std::string date(record.date, strnlen(record.date, sizeof record.date));
    const std::string time(record.time, strnlen(record.time, sizeof record.time));
    DateTimeValue value;
    if (std::sscanf(date.c_str(), "%d/%d/%d", &value.year, &value.month, &value.day) == 3 &&
        std::sscanf(time.c_str(), "%d:%d:%d", &value.hour, &value.minute, &value.second) == 3 &&
        IsRealDateTime(value)) {
        clock.dateTime = value;
    }
    if (record.timeZone >= 0 && record.timeZone < static_cast<int>(kTimeZoneCount)) {
        clock.timeZone = record.timeZone;
    }
    if (record.daylight <= 1) {
        clock.daylight = record.daylight;
    }
    clock.ntpServer.assign(record.ntpServer, strnlen(record.ntpServer, sizeof record.ntpServer));
    return clock;
}

SystemReading ReadSystemSettings(Camera& camera, const std::atomic<bool>& stop)
{
    SystemReading reading;
    SystemDateRecord record{};
    if (!stop && camera.GetSystemDate(record).Done()) {
        reading.date = record;
    }
    return reading;
}
