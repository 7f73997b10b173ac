#include "CliSetWrite.h"

#include "CapabilityClass.h"
#include "CliContext.h"
#include "ImagingApply.h"
#include "MacText.h"
#include "NetworkParams.h"
#include "RecordText.h"
#include "TextTrim.h"
#include "TimeZoneTable.h"
#include "Utf8Text.h"
#include "VideoApply.h"
#include "VideoParams.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>

namespace {
void CopyText(const std::string& text, char* field, std::size_t size)
{
    std::memset(field, 0, size);
    std::memcpy(field, text.data(), std::min(text.size(), size - 1));
}

// --- system -----------------------------------------------------------------

struct SystemOptions
{
    SystemForm form;
    DateTimeValue dateTime; // --date with --time
    int zone = -1;          // a row of the time-zone list; -1 not given
    std::optional<bool> daylight;
};

bool ParseSystem(const CliCommandLine& line, SystemOptions& options, std::string& error)
{
    const int modes = (line.Has("ntp") ? 1 : 0) + (line.Has("computer-time") ? 1 : 0) +
                      (line.Has("date") || line.Has("time") ? 1 : 0);
    if (modes > 1) {
        error = "give one clock source: --ntp, --computer-time or --date with --time";
        return false;
    }
    SystemForm& form = options.form;
    form.mode = line.Has("ntp")                        ? DateTimeMode::Sntp
                : line.Has("computer-time")            ? DateTimeMode::ComputerTime
                : line.Has("date") || line.Has("time") ? DateTimeMode::Manual
                                                       : DateTimeMode::Keep;
    if (form.mode == DateTimeMode::Manual) {
        LogDateTime t;
        if (!ParseCalendarTime(line.Value("date"), line.Value("time"), t)) {
            error = "not a date and time (--date YYYY-MM-DD --time hh:mm:ss): " + line.Value("date") + " " +
                    line.Value("time");
            return false;
        }
        options.dateTime = {t.year, t.month, t.day, t.hour, t.minute, t.second};
    }
    if (line.Has("time-zone") && (options.zone = TimeZoneRow(line.Value("time-zone"))) < 0) {
        error = "--time-zone takes a row 0-116 or a caption of the time-zone list (zendrix-cli set system "
                "--help), "
                "not " +
                line.Value("time-zone");
        return false;
    }
    bool daylight = false;
    if (line.Has("daylight")) {
        if (!ParseSwitch(line, "daylight", daylight, error)) {
            return false;
        }
        options.daylight = daylight;
    }
    form.singleCamera = line.Has("name");
    form.name = PlatformFromUtf8(line.Value("name"));
    form.sntpServer = PlatformFromUtf8(line.Value("ntp"));
    form.changePassword = line.Has("new-password");
    form.password = PlatformFromUtf8(line.Value("new-password"));
    form.confirmation = form.password;
    return true;
}

std::string DateTimeText(const DateTimeValue& t)
{
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    return text;
}

bool BuildSystemWrite(const SystemOptions& options, const SetContext& context, const tagVtIpcInfo& camera,
                      const SectionValues& current, CameraWrite& write, std::string& error)
{
    SystemForm form = options.form;
    if (form.singleCamera) {
        form.currentName = NameText(camera);
    }
    if (const SystemProblem problem = CheckSystemForm(form); problem.key != 0) {
        error = KeyText(problem.key);
        return false;
    }
    const CameraClock clock = ReadCameraClock(current.date);
    const int zone = options.zone >= 0 ? options.zone : clock.timeZone.value_or(kDefaultTimeZone);
    const int daylight = options.daylight ? (*options.daylight ? 1 : 0) : clock.daylight.value_or(0);
    const DateTimeValue dateTime = form.mode == DateTimeMode::ComputerTime ? context.now : options.dateTime;
    SystemSettings settings = SystemSettingsFromForm(form, zone, daylight, dateTime);
    if (settings.newPassword == context.login.password) {
        settings.newPassword.clear(); // the password the camera has: not sent
    }
    write.after = current;
    std::optional<SystemDateRecord> date;
    if (options.zone >= 0 || options.daylight || form.mode != DateTimeMode::Keep) {
        date = BuildSystemDateRecord(settings);
        // Without a clock option the camera keeps its clock source, and every
        // camera keeps its SNTP server unless another is given.
        if (form.mode == DateTimeMode::Keep && current.date.mode == 1) {
            date->mode = 1;
        }
        if (form.mode != DateTimeMode::Sntp) {
            CopyText(FieldString(current.date.ntpServer, sizeof current.date.ntpServer), date->ntpServer,
                     sizeof date->ntpServer);
        }
        write.after.date = *date;
    }
    if (form.mode == DateTimeMode::Manual || form.mode == DateTimeMode::ComputerTime) {
        write.hidden.push_back(
            {"date_time", form.mode == DateTimeMode::Manual ? DateTimeText(dateTime) : "computer time"});
    }
    if (!settings.newPassword.empty()) {
        write.hidden.push_back({"password", "(secret)"});
    }
    write.newName = settings.deviceName;
    SystemWrite systemWrite{date, settings.deviceName, settings.newPassword, {}};
    if (context.reboots) {
        systemWrite.queueReboot = [reboots = context.reboots](std::shared_ptr<Camera> restarted) {
            reboots->Append(std::move(restarted), false);
        };
    }
    write.operation = SystemWriteOperation(context.login, std::move(systemWrite));
    return true;
}

// --- network ----------------------------------------------------------------

const char* const kDdnsOptions[] = {"ddns",          "provider",  "easy-ddns", "ddns-user",
                                    "ddns-password", "ddns-host", "ddns-hash"};

struct NetworkOptions
{
    int provider = -1; // an entry of the provider list; -1 not given
    std::optional<bool> ddns;
    std::optional<bool> easy;
};

bool ParseNetwork(const CliCommandLine& line, NetworkOptions& options, std::string& error)
{
    int number = 0;
    for (const char* option : {"http-port", "rtsp-port"}) {
        if (line.Has(option) && !ParseNumber(line, option, 1, 65535, number, error)) {
            return false;
        }
    }
    if (line.Has("provider") &&
        !ParseNumber(line, "provider", 0, kProviderEntryCount - 1, options.provider, error)) {
        error += " (0 " + ProviderEntryText(0) + ", 1 " + ProviderEntryText(1) + ", 2 " +
                 ProviderEntryText(2) + ", 3 " + ProviderEntryText(3) + ", 4 " + ProviderEntryText(4) + ")";
        return false;
    }
    bool on = false;
    for (auto [option, value] : {std::pair{"ddns", &options.ddns}, std::pair{"easy-ddns", &options.easy}}) {
        if (line.Has(option)) {
            if (!ParseSwitch(line, option, on, error)) {
                return false;
            }
            *value = on;
        }
    }
    return true;
}

bool BuildNetworkWrite(const CliCommandLine& line, const NetworkOptions& options, const SetContext& context,
                       const tagVtIpcInfo& camera, const SectionValues& current, CameraWrite& write,
                       std::string& error)
{
    const DdnsRecord& own = current.ddns;
    const std::string version = FieldString(current.info.version, sizeof current.info.version);
    const std::string macText = FieldString(own.mac, sizeof own.mac);
    const bool partnerListed = OffersPartnerEntry(macText, version);
    if (options.provider == kPartnerEntry && !partnerListed) {
        error = "--provider 4 is offered only by cameras that know " + ProviderEntryText(kPartnerEntry);
        return false;
    }
    const bool ddnsGiven = std::any_of(std::begin(kDdnsOptions), std::end(kDdnsOptions),
                                       [&](const char* option) { return line.Has(option); });
    auto text = [&](const char* option, const char* field, std::size_t size) {
        return PlatformFromUtf8(line.Has(option) ? line.Value(option) : FieldString(field, size));
    };
    // The checks of the sub-page over the camera's values with the options
    // laid over them; a DDNS record left alone is not checked.
    NetworkParamsForm form;
    form.http = PlatformFromUtf8(line.Value("http-port", std::to_string(current.ports.httpPort)));
    form.rtsp = PlatformFromUtf8(line.Value("rtsp-port", std::to_string(current.ports.rtspPort)));
    form.ddnsEnabled = ddnsGiven && options.ddns.value_or(own.enabled != 0);
    form.providerEntry =
        options.provider >= 0
            ? options.provider
            : ProviderEntryFor(FieldString(own.provider, sizeof own.provider), partnerListed);
    form.easyChosen = options.easy.value_or(own.easyChosen != 0);
    form.user = text("ddns-user", own.user, sizeof own.user);
    form.password = text("ddns-password", own.password, sizeof own.password);
    form.host = text("ddns-host", own.host, sizeof own.host);
    form.hash = text("ddns-hash", own.hash, sizeof own.hash);
    form.version = version;
    NetworkBlock checked;
    if (const NetworkProblem problem = BuildNetworkBlock(form, checked); problem.key != 0) {
        error = KeyText(problem.key);
        return false;
    }
    // The camera's own records with only what was given put in.
    NetworkBlock sent{current.ports, own};
    if (line.Has("http-port")) {
        sent.ports.httpPort = checked.ports.httpPort;
        sent.ports.httpPort2 = checked.ports.httpPort2;
    }
    if (line.Has("rtsp-port")) {
        sent.ports.rtspPort = checked.ports.rtspPort;
        sent.ports.rtspPort2 = checked.ports.rtspPort2;
    }
    DdnsRecord& ddns = sent.ddns;
    if (options.ddns) {
        ddns.enabled = *options.ddns ? 1 : 0;
    }
    if (options.provider >= 0) {
        std::memcpy(ddns.provider, checked.ddns.provider, sizeof ddns.provider);
    }
    if (options.ddns || options.provider >= 0 || options.easy) {
        ddns.easyEnabled = checked.ddns.easyEnabled;
        ddns.easyChosen = checked.ddns.easyChosen;
    }
    for (auto [option, field, size] : {std::tuple{"ddns-user", ddns.user, sizeof ddns.user},
                                       std::tuple{"ddns-password", ddns.password, sizeof ddns.password},
                                       std::tuple{"ddns-host", ddns.host, sizeof ddns.host},
                                       std::tuple{"ddns-hash", ddns.hash, sizeof ddns.hash}}) {
        if (line.Has(option)) {
            CopyText(NarrowField(Trimmed(PlatformFromUtf8(line.Value(option))), size), field, size);
        }
    }
    if (ddns.enabled != 0 && ddns.easyChosen != 0) {
        // The host name the apply gives a camera with easy DDNS: its own address's.
        std::string name = EasyDdnsHostName(macText);
        CopyText(name.empty() ? EasyDdnsHostName(FormatMac(camera.mac)) : name, ddns.host, sizeof ddns.host);
    }
    for (const char* option : {"ddns-password", "ddns-hash"}) {
        if (line.Has(option)) {
            std::string field = option;
            std::replace(field.begin(), field.end(), '-', '_');
            write.hidden.push_back({field, "(secret)"});
        }
    }
    write.after = current;
    write.after.ports = sent.ports;
    write.after.ddns = sent.ddns;
    write.operation = NetworkApplyOperation(context.login, sent);
    return true;
}

// --- osd --------------------------------------------------------------------

bool ParseOsd(const CliCommandLine& line, std::string& error)
{
    bool on = false;
    int number = 0;
    if ((line.Has("show-title") && !ParseSwitch(line, "show-title", on, error)) ||
        (line.Has("show-time") && !ParseSwitch(line, "show-time", on, error)) ||
        (line.Has("title-position") && !ParseNumber(line, "title-position", 0, 1, number, error)) ||
        (line.Has("date-position") && !ParseNumber(line, "date-position", 0, 3, number, error)) ||
        (line.Has("date-format") && !ParseNumber(line, "date-format", 0, 2, number, error))) {
        return false;
    }
    if (line.Has("title")) {
        if (const unsigned problem = VideoTitleProblem(PlatformFromUtf8(line.Value("title"))); problem != 0) {
            error = KeyText(problem);
            return false;
        }
    }
    return true;
}

void BuildOsdWrite(const CliCommandLine& line, const SetContext& context, const SectionValues& current,
                   CameraWrite& write)
{
    OsdRecord osd = current.osd;
    std::string error;
    bool on = false;
    int number = 0;
    for (auto [option, field] :
         {std::pair{"show-title", &osd.showTitle}, std::pair{"show-time", &osd.showTime}}) {
        if (line.Has(option) && ParseSwitch(line, option, on, error)) {
            *field = on ? 1 : 0;
        }
    }
    for (auto [option, field, last] :
         {std::tuple{"title-position", &osd.titlePosition, 1},
          std::tuple{"date-position", &osd.datePosition, 3}, std::tuple{"date-format", &osd.dateFormat, 2}}) {
        if (line.Has(option) && ParseNumber(line, option, 0, last, number, error)) {
            *field = static_cast<uint8_t>(number);
        }
    }
    if (line.Has("title")) {
        OsdForm form;
        form.title = PlatformFromUtf8(line.Value("title"));
        std::memcpy(osd.title, BuildOsdRecord(form).title, sizeof osd.title);
    }
    write.after = current;
    write.after.osd = osd;
    write.operation = VideoPartsOperation(context.login, std::nullopt, osd);
}

// --- imaging ----------------------------------------------------------------

const char* const kPictureOptions[kPictureValueCount] = {"brightness", "contrast", "saturation", "sharpness",
                                                         "noise-reduction"};
const char* const kListOptions[kImageListCount] = {"exposure-level", "max-exposure", "ir-cut",
                                                   "frequency",      "outdoor",      "local-display"};

bool ParseImaging(const CliCommandLine& line, PicturePositions& positions, ImageListEntries& lists,
                  std::string& error)
{
    int value = 0;
    for (int i = 0; i < kPictureValueCount; ++i) {
        if (line.Has(kPictureOptions[i])) {
            if (!ParseNumber(line, kPictureOptions[i], 0, 100, value, error)) {
                return false;
            }
            positions[static_cast<std::size_t>(i)] = value;
        }
    }
    for (int i = 0; i < kImageListCount; ++i) {
        const auto list = static_cast<ImageList>(i);
        const std::string option = kListOptions[i];
        if (!line.Has(option)) {
            continue;
        }
        if (list == ImageList::Frequency) {
            if (!ParseNumber(line, option, 50, 60, value, error) || (value != 50 && value != 60)) {
                error = "--frequency takes one of 50, 60, not " + line.Value(option);
                return false;
            }
            value = FrequencyEntry(value);
        } else if (!ParseNumber(line, option, 0, ImageListLastEntry(list), value, error)) {
            return false;
        }
        lists[static_cast<std::size_t>(i)] = value;
    }
    return true;
}

void BuildImagingWrite(const PicturePositions& positions, const ImageListEntries& lists,
                       const SetContext& context, const tagVtIpcInfo& camera, const SectionValues& current,
                       CameraWrite& write)
{
    write.after = current;
    MergePicturePositions(write.after.picture, positions, !current.family || IsAModel(ModelOf(camera)));
    for (int i = 0; i < kImageListCount; ++i) {
        if (const auto& entry = lists[static_cast<std::size_t>(i)]) {
            SetListField(write.after.imaging, static_cast<ImageList>(i), *entry);
        }
    }
    write.operation = ImagingApplyOperation(context.login, positions, lists);
}
} // namespace

std::string ModelOf(const tagVtIpcInfo& camera)
{
    return FieldString(camera.model, sizeof camera.model);
}

bool CheckSetOptions(SettingsSection section, const CliCommandLine& line, std::string& error)
{
    switch (section) {
    case SettingsSection::System: {
        SystemOptions options;
        if (!ParseSystem(line, options, error)) {
            return false;
        }
        // The name's checks wait for the camera it goes to.
        options.form.singleCamera = false;
        const SystemProblem problem = CheckSystemForm(options.form);
        error = problem.key != 0 ? KeyText(problem.key) : "";
        return problem.key == 0;
    }
    case SettingsSection::Network: {
        NetworkOptions options;
        return ParseNetwork(line, options, error);
    }
    case SettingsSection::Video:
        return true; // its lists are the reference model's
    case SettingsSection::Osd:
        return ParseOsd(line, error);
    case SettingsSection::Imaging: {
        PicturePositions positions;
        ImageListEntries lists;
        return ParseImaging(line, positions, lists, error);
    }
    }
    return true;
}

bool BuildCameraWrite(SettingsSection section, const CliCommandLine& line, const SetContext& context,
                      const tagVtIpcInfo& camera, const SectionValues& current, CameraWrite& write,
                      std::string& error)
{
    write = CameraWrite{};
    switch (section) {
    case SettingsSection::System: {
        SystemOptions options;
        return ParseSystem(line, options, error) &&
               BuildSystemWrite(options, context, camera, current, write, error);
    }
    case SettingsSection::Network: {
        NetworkOptions options;
        return ParseNetwork(line, options, error) &&
               BuildNetworkWrite(line, options, context, camera, current, write, error);
    }
    case SettingsSection::Video:
        return BuildVideoWrite(line, context, camera, current, write, error);
    case SettingsSection::Osd:
        if (!ParseOsd(line, error)) {
            return false;
        }
        BuildOsdWrite(line, context, current, write);
        return true;
    case SettingsSection::Imaging: {
        PicturePositions positions;
        ImageListEntries lists;
        if (!ParseImaging(line, positions, lists, error)) {
            return false;
        }
        BuildImagingWrite(positions, lists, context, camera, current, write);
        return true;
    }
    }
    return false;
}

int TimeZoneRow(const std::string& text)
{
    for (int row = 0; row < static_cast<int>(kTimeZoneCount); ++row) {
        if (text == TimeZoneCaption(row) || text == std::to_string(row)) {
            return row;
        }
    }
    return -1;
}
