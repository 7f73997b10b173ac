#include "CliCommands.h"

#include "CapabilityClass.h"
#include "CliContext.h"
#include "CliPlan.h"
#include "CliSettings.h"
#include "ImagingApply.h"
#include "MacText.h"
#include "NetworkParams.h"
#include "RebootQueue.h"
#include "RecordText.h"
#include "SystemParams.h"
#include "TimeZoneTable.h"
#include "Utf8Text.h"
#include "VideoParams.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <memory>

namespace {
std::vector<CliOptionSpec> SetOptions(SettingsSection section)
{
    switch (section) {
    case SettingsSection::System:
        return {{"time-zone", true}, {"daylight", true}, {"ntp", true},  {"computer-time", false},
                {"date", true},      {"time", true},     {"name", true}, {"new-password", true}};
    case SettingsSection::Network:
        return {{"http-port", true},  {"rtsp-port", true},     {"ddns", true},
                {"provider", true},   {"easy-ddns", true},     {"ddns-user", true},
                {"ddns-password", true}, {"ddns-host", true},  {"ddns-hash", true}};
    case SettingsSection::Video:
        return {{"codec", true},
                {"size", true},
                {"rate", true},
                {"bitrate", true},
                {"rate-control", true},
                {"iframe", true},
                {"secondary", true},
                {"secondary-codec", true},
                {"secondary-size", true},
                {"secondary-rate", true},
                {"secondary-bitrate", true},
                {"secondary-rate-control", true},
                {"secondary-iframe", true}};
    case SettingsSection::Osd:
        return {{"title", true},         {"show-title", true},    {"show-time", true},
                {"title-position", true}, {"date-position", true}, {"date-format", true}};
    case SettingsSection::Imaging:
        return {{"brightness", true},     {"contrast", true},     {"saturation", true},
                {"sharpness", true},      {"noise-reduction", true}, {"exposure-level", true},
                {"max-exposure", true},   {"ir-cut", true},       {"frequency", true},
                {"outdoor", true},        {"local-display", true}};
    }
    return {};
}

bool TakeSection(std::vector<std::string>& arguments, SettingsSection& section, int& status)
{
    if (arguments.empty() || !ParseSettingsSection(arguments.front(), section)) {
        return FailInput(status, "name the settings: system, network, video, osd or imaging");
    }
    arguments.erase(arguments.begin());
    return true;
}

std::string ModelOf(const tagVtIpcInfo& camera)
{
    return FieldString(camera.model, sizeof camera.model);
}

// The target whose choices bound the batch, as the page picks it from its
// ticked rows.
std::size_t ReferenceIndex(const std::vector<tagVtIpcInfo>& targets)
{
    std::vector<std::string> models;
    for (const tagVtIpcInfo& camera : targets) {
        models.push_back(ModelOf(camera));
    }
    return ReferenceCamera(models).value_or(0);
}

// The settings the forms start from, as the page starts from the camera it
// loaded: the reference target's, else those of the first other target that
// can be read. When none can be read, each is named on stderr and nothing is
// written.
bool ReadReference(const CliTargets& prepared, SettingsSection section, SectionValues& values, int& status)
{
    std::vector<tagVtIpcInfo> candidates = prepared.targets;
    if (!candidates.empty()) {
        const auto reference = candidates.begin() + static_cast<std::ptrdiff_t>(ReferenceIndex(candidates));
        std::rotate(candidates.begin(), reference, reference + 1);
    }
    std::vector<std::string> failures;
    for (const tagVtIpcInfo& camera : candidates) {
        PanelLine failure;
        const int handle = LoginCamera(camera, prepared.login, &failure);
        if (handle >= 0 && ReadSection(handle, section, values)) {
            return true;
        }
        failures.push_back(handle < 0 ? SafeText(Utf8(failure.text))
                                      : CameraLabel(camera) + ": the settings could not be read");
    }
    for (const std::string& failure : failures) {
        std::cerr << "zendrix-cli: " << failure << "\n";
    }
    status = kExitSomeFailed;
    return false;
}

bool Refuse(unsigned key, int& status)
{
    return FailInput(status, KeyText(key));
}

// --- system -----------------------------------------------------------------

bool ParseDateTime(const CliCommandLine& line, DateTimeValue& value, std::string& error)
{
    LogDateTime t;
    if (!ParseCalendarTime(line.Value("date"), line.Value("time"), t)) {
        error = "not a date and time (--date YYYY-MM-DD --time hh:mm:ss): " + line.Value("date") + " " +
                line.Value("time");
        return false;
    }
    value = {t.year, t.month, t.day, t.hour, t.minute, t.second};
    return true;
}

int SetSystem(const CliCommandLine& line, int& status)
{
    const int modes = (line.Has("ntp") ? 1 : 0) + (line.Has("computer-time") ? 1 : 0) +
                      (line.Has("date") || line.Has("time") ? 1 : 0);
    if (modes > 1) {
        FailInput(status, "give one clock source: --ntp, --computer-time or --date with --time");
        return status;
    }
    std::string error;
    DateTimeValue dateTime;
    SystemForm form;
    form.mode = line.Has("ntp") ? DateTimeMode::Sntp
                : line.Has("computer-time") ? DateTimeMode::ComputerTime
                : line.Has("date") || line.Has("time") ? DateTimeMode::Manual
                                                         : DateTimeMode::Keep;
    if (form.mode == DateTimeMode::Manual && !ParseDateTime(line, dateTime, error)) {
        FailInput(status, error);
        return status;
    }
    int zone = -1;
    if (line.Has("time-zone") && (zone = TimeZoneRow(line.Value("time-zone"))) < 0) {
        FailInput(status, "--time-zone takes a row 0-116 or a caption of the time-zone list (zendrix-cli "
                          "set system --help), not " + line.Value("time-zone"));
        return status;
    }
    bool daylight = false;
    if (line.Has("daylight") && !ParseSwitch(line, "daylight", daylight, error)) {
        FailInput(status, error);
        return status;
    }
    CliTargets prepared;
    if (!PrepareTargets(line, prepared, status)) {
        return status;
    }
    if (line.Has("name") && prepared.targets.size() != 1) {
        FailInput(status, "--name goes with one camera only; " + std::to_string(prepared.targets.size()) +
                              " were chosen");
        return status;
    }
    form.singleCamera = line.Has("name");
    form.name = PlatformFromUtf8(line.Value("name"));
    if (form.singleCamera) {
        form.currentName = NameText(prepared.targets.front());
    }
    form.sntpServer = PlatformFromUtf8(line.Value("ntp"));
    form.changePassword = line.Has("new-password");
    form.password = PlatformFromUtf8(line.Value("new-password"));
    form.confirmation = form.password;
    if (const SystemProblem problem = CheckSystemForm(form); problem.key != 0) {
        Refuse(problem.key, status);
        return status;
    }
    SectionValues reference;
    if ((zone < 0 || !line.Has("daylight")) && !ReadReference(prepared, SettingsSection::System, reference, status)) {
        return status;
    }
    const CameraClock clock = ReadCameraClock(reference.date);
    if (zone < 0) {
        zone = clock.timeZone.value_or(kDefaultTimeZone);
    }
    if (!line.Has("daylight")) {
        daylight = clock.daylight.value_or(0) == 1;
    }
    if (form.mode == DateTimeMode::ComputerTime) {
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        dateTime = {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
    }
    // A camera whose password changed restarts once every line is out.
    auto failed = std::make_shared<std::atomic<bool>>(false);
    const std::shared_ptr<RebootQueue> reboots = PrintingRebootQueue(failed);
    SystemApply apply;
    apply.settings = SystemSettingsFromForm(form, zone, daylight ? 1 : 0, dateTime);
    apply.login = prepared.login;
    apply.singleCamera = form.singleCamera;
    apply.queueReboot = [reboots](int handle, const tagVtIpcInfo& camera) { reboots->Append(handle, camera, false); };
    const int result =
        RunBatch(prepared.targets, SystemApplyOperation(apply), {81001, 81003, 81005});
    WaitForReboots(*reboots);
    return *failed ? kExitSomeFailed : result;
}

// --- network ----------------------------------------------------------------

int SetNetwork(const CliCommandLine& line, int& status)
{
    std::string error;
    int number = 0;
    for (const char* option : {"http-port", "rtsp-port"}) {
        if (line.Has(option) && !ParseNumber(line, option, 1, 65535, number, error)) {
            FailInput(status, error);
            return status;
        }
    }
    int provider = -1;
    if (line.Has("provider") && !ParseNumber(line, "provider", 0, kProviderEntryCount - 1, provider, error)) {
        FailInput(status, error + " (0 " + ProviderEntryText(0) + ", 1 " + ProviderEntryText(1) + ", 2 " +
                              ProviderEntryText(2) + ", 3 " + ProviderEntryText(3) + ", 4 " +
                              ProviderEntryText(4) + ")");
        return status;
    }
    bool ddns = false;
    bool easy = false;
    if ((line.Has("ddns") && !ParseSwitch(line, "ddns", ddns, error)) ||
        (line.Has("easy-ddns") && !ParseSwitch(line, "easy-ddns", easy, error))) {
        FailInput(status, error);
        return status;
    }
    CliTargets prepared;
    SectionValues reference;
    if (!PrepareTargets(line, prepared, status) ||
        !ReadReference(prepared, SettingsSection::Network, reference, status)) {
        return status;
    }
    const DdnsRecord& current = reference.ddns;
    const std::string version = FieldString(reference.info.version, sizeof reference.info.version);
    const bool partnerListed = OffersPartnerEntry(FieldString(current.mac, sizeof current.mac), version);
    if (provider == kPartnerEntry && !partnerListed) {
        FailInput(status, "--provider 4 is offered only by cameras that know " + ProviderEntryText(kPartnerEntry));
        return status;
    }
    NetworkParamsForm form;
    auto text = [&](const char* option, const char* field, std::size_t size) {
        return PlatformFromUtf8(line.Has(option) ? line.Value(option) : FieldString(field, size));
    };
    form.http = PlatformFromUtf8(line.Value("http-port", std::to_string(reference.ports.httpPort)));
    form.rtsp = PlatformFromUtf8(line.Value("rtsp-port", std::to_string(reference.ports.rtspPort)));
    form.ddnsEnabled = line.Has("ddns") ? ddns : current.enabled != 0;
    form.providerEntry =
        provider >= 0 ? provider
                      : ProviderEntryFor(FieldString(current.provider, sizeof current.provider), partnerListed);
    form.easyChosen = line.Has("easy-ddns") ? easy : current.easyChosen != 0;
    form.user = text("ddns-user", current.user, sizeof current.user);
    form.password = text("ddns-password", current.password, sizeof current.password);
    form.host = text("ddns-host", current.host, sizeof current.host);
    form.hash = text("ddns-hash", current.hash, sizeof current.hash);
    form.version = version;
    NetworkBlock block;
    if (const NetworkProblem problem = BuildNetworkBlock(form, block); problem.key != 0) {
        Refuse(problem.key, status);
        return status;
    }
    return RunBatch(prepared.targets, NetworkApplyOperation(prepared.login, block), {81021, 81023});
}

// --- video ------------------------------------------------------------------

int CodecByName(const std::string& name, const std::vector<int>& choices)
{
    for (const int codec : choices) {
        std::string caption = CodecCaption(codec);
        caption.erase(std::remove(caption.begin(), caption.end(), '.'), caption.end());
        std::string wanted = name;
        wanted.erase(std::remove(wanted.begin(), wanted.end(), '.'), wanted.end());
        if (caption.size() == wanted.size() &&
            std::equal(caption.begin(), caption.end(), wanted.begin(),
                       [](char a, char b) { return std::tolower(a) == std::tolower(b); })) {
            return codec;
        }
    }
    return -1;
}

std::string Choices(const std::vector<int>& values, const char* (*caption)(int))
{
    std::string text;
    for (const int value : values) {
        text += (text.empty() ? "" : ", ") + (caption != nullptr ? std::string(caption(value)) : std::to_string(value));
    }
    return text;
}

// One stream's values: the page's lists, from the camera's values and the options.
struct StreamChoice
{
    int codec = kCodecH264;
    int size = 0;
    int rate = 0;
    int bitRate = 0;
    int rateControl = 1;
    int iFrame = 1;
};

bool PickCodec(const CliCommandLine& line, const char* option, const std::vector<int>& choices, int& codec,
               std::string& error)
{
    if (!line.Has(option)) {
        return true;
    }
    codec = CodecByName(line.Value(option), choices);
    if (codec < 0) {
        error = std::string("--") + option + " takes one of " + Choices(choices, CodecCaption);
    }
    return codec >= 0;
}

bool PickFromList(const CliCommandLine& line, const std::string& option, const std::vector<int>& list, int& value,
                  std::string& error)
{
    if (!line.Has(option)) {
        return true;
    }
    int picked = 0;
    if (!ParseNumber(line, option, 0, 1 << 30, picked, error) ||
        std::find(list.begin(), list.end(), picked) == list.end()) {
        error = "--" + option + " takes one of " + Choices(list, nullptr) + ", not " + line.Value(option);
        return false;
    }
    value = picked;
    return true;
}

bool PickCommon(const CliCommandLine& line, const std::string& prefix, StreamChoice& stream, std::string& error)
{
    if (line.Has(prefix + "rate-control")) {
        const std::string control = line.Value(prefix + "rate-control");
        if (control != "cbr" && control != "vbr") {
            error = "--" + prefix + "rate-control takes cbr or vbr";
            return false;
        }
        stream.rateControl = control == "cbr" ? 0 : 1;
    }
    return !line.Has(prefix + "iframe") || ParseNumber(line, prefix + "iframe", 1, 60, stream.iFrame, error);
}

std::vector<int> Range(int first, int last)
{
    std::vector<int> values;
    for (int v = first; v <= last; ++v) {
        values.push_back(v);
    }
    return values;
}

int SetVideo(const CliCommandLine& line, int& status)
{
    CliTargets prepared;
    SectionValues reference;
    if (!PrepareTargets(line, prepared, status) ||
        !ReadReference(prepared, SettingsSection::Video, reference, status)) {
        return status;
    }
    // The lists of the reference camera, as the page offers them, whichever
    // camera the stored values came from.
    const std::string model = ModelOf(prepared.targets.at(ReferenceIndex(prepared.targets)));
    const bool aModel = IsAModel(model);
    const std::vector<int> codecs = CodecChoices(aModel);
    const int listCount = static_cast<int>(codecs.size());
    std::string error;
    StreamChoice primary;
    primary.codec = CodecOfEntry(EntryOfWireCodec(reference.primary.codec, listCount), aModel);
    if (!PickCodec(line, "codec", codecs, primary.codec, error)) {
        FailInput(status, error);
        return status;
    }
    const std::vector<int> sizes = PrimarySizes(CapabilityClassOfModel(model), primary.codec);
    primary.size = reference.primary.frameSize;
    if (line.Has("size")) {
        primary.size = PrimarySizeCodeOfCaption(line.Value("size"));
        if (std::find(sizes.begin(), sizes.end(), primary.size) == sizes.end() ||
            line.Value("size") != PrimarySizeCaption(primary.size)) {
            FailInput(status, "--size takes one of " + Choices(sizes, PrimarySizeCaption) + " for " + model);
            return status;
        }
    } else if (std::find(sizes.begin(), sizes.end(), primary.size) == sizes.end()) {
        primary.size = sizes.empty() ? kPrimarySize720P : sizes.front();
    }
    RateRuleInput in;
    in.aModel = aModel;
    in.primaryCodec = primary.codec;
    in.primarySize = primary.size;
    in.powerFrequency = reference.imaging.frequency;
    in.storedPrimaryRate = reference.primary.frameRate;
    in.storedPrimaryBitRate = reference.primary.bitRate;
    in.storedSecondaryRate = reference.secondary.frameRate;
    in.storedSecondaryCodec = reference.secondary.codec;
    in.secondaryCodecCount = listCount;
    in.secondaryCodecEntry = EntryOfWireCodec(reference.secondary.codec, listCount);
    in.secondaryRateCount = SecondaryMaxFrameRate(reference.imaging.frequency);
    const RateRuleOutcome rules = ApplyRateRules(in);
    primary.rate = rules.primaryRate;
    primary.bitRate = rules.primaryBitRate != 0 ? rules.primaryBitRate : kMjpegPrimaryBitRate;
    primary.rateControl = reference.primary.rateControl;
    primary.iFrame = ClampIFrame(reference.primary.iFrameInterval);
    StreamChoice secondary;
    secondary.codec = CodecOfEntry(rules.secondaryCodecEntry, aModel);
    if (std::find(rules.secondaryCodecs.begin(), rules.secondaryCodecs.end(), secondary.codec) ==
        rules.secondaryCodecs.end()) {
        secondary.codec = rules.secondaryCodecs.front();
    }
    const std::vector<int> secondarySizes = SecondarySizes(aModel);
    secondary.size = secondarySizes.at(
        std::clamp<std::size_t>(SecondarySizeEntry(reference.secondary.frameSize, aModel), 0, secondarySizes.size() - 1));
    secondary.rate = rules.secondaryRate;
    secondary.bitRate = reference.secondary.bitRate;
    const std::vector<int> secondaryBitRates = SecondaryBitRates(aModel);
    if (std::find(secondaryBitRates.begin(), secondaryBitRates.end(), secondary.bitRate) == secondaryBitRates.end()) {
        secondary.bitRate = kDefaultSecondaryBitRate;
    }
    secondary.rateControl = reference.secondary.rateControl;
    secondary.iFrame = ClampIFrame(reference.secondary.iFrameInterval);
    bool secondaryOn = reference.primary.secondaryEnabled != 0 && !rules.secondaryForcedOff;
    if (line.Has("secondary") && !ParseSwitch(line, "secondary", secondaryOn, error)) {
        FailInput(status, error);
        return status;
    }
    if (secondaryOn && rules.secondaryForcedOff) {
        FailInput(status, "the secondary stream is off at " + std::string(PrimarySizeCaption(primary.size)));
        return status;
    }
    if (!rules.primaryRatesEnabled && (line.Has("bitrate") || line.Has("rate-control") || line.Has("iframe"))) {
        FailInput(status, "MJPEG takes no --bitrate, --rate-control or --iframe");
        return status;
    }
    const bool fixedRate = primary.size == kPrimarySize5M;
    if (!PickFromList(line, "rate", fixedRate ? std::vector<int>{8} : Range(1, rules.primaryMaxRate), primary.rate,
                      error) ||
        !PickFromList(line, "bitrate", rules.primaryBitRates, primary.bitRate, error) ||
        !PickCommon(line, "", primary, error) ||
        !PickCodec(line, "secondary-codec", rules.secondaryCodecs, secondary.codec, error) ||
        !PickFromList(line, "secondary-rate", Range(1, rules.secondaryRateCount), secondary.rate, error) ||
        !PickFromList(line, "secondary-bitrate", secondaryBitRates, secondary.bitRate, error) ||
        !PickCommon(line, "secondary-", secondary, error)) {
        FailInput(status, error);
        return status;
    }
    if (const SecondaryRates rates = SecondaryRatesOf(secondary.codec, secondaryOn); rates.bitRate) {
        if (line.Has("secondary-bitrate") || line.Has("secondary-rate-control") || line.Has("secondary-iframe")) {
            FailInput(status, "an MJPEG secondary stream takes no --secondary-bitrate, --secondary-rate-control or "
                              "--secondary-iframe");
            return status;
        }
        secondary.bitRate = *rates.bitRate;
        secondary.rateControl = rates.rateControl.value_or(0);
    }
    if (line.Has("secondary-size")) {
        const auto found = std::find_if(secondarySizes.begin(), secondarySizes.end(), [&](int code) {
            return line.Value("secondary-size") == SecondarySizeCaption(code);
        });
        if (found == secondarySizes.end()) {
            FailInput(status, "--secondary-size takes one of " + Choices(secondarySizes, SecondarySizeCaption));
            return status;
        }
        secondary.size = *found;
    }
    StreamForm forms[2];
    for (int s = 0; s < 2; ++s) {
        const StreamChoice& choice = s == 0 ? primary : secondary;
        StreamForm& f = forms[s];
        f.secondaryEnabled = secondaryOn;
        f.codecEntry = static_cast<int>(std::find(codecs.begin(), codecs.end(), choice.codec) - codecs.begin());
        f.sizeText = s == 0 ? PrimarySizeCaption(choice.size) : "";
        f.sizeEntry = static_cast<int>(std::find(secondarySizes.begin(), secondarySizes.end(), choice.size) -
                                       secondarySizes.begin());
        f.sizeCount = static_cast<int>(secondarySizes.size());
        f.rateText = std::to_string(choice.rate);
        f.bitRateText = std::to_string(choice.bitRate);
        f.rateControl = choice.rateControl;
        f.iFrame = choice.iFrame;
    }
    const VideoStreams streams{BuildPrimaryRecord(forms[0], aModel), BuildSecondaryRecord(forms[1], aModel)};
    return RunBatch(prepared.targets, VideoPartsOperation(prepared.login, streams, std::nullopt), {81041, 81043});
}

// --- osd --------------------------------------------------------------------

int SetOsd(const CliCommandLine& line, int& status)
{
    std::string error;
    OsdForm form;
    int titlePosition = -1;
    int datePosition = -1;
    int dateFormat = -1;
    bool showTitle = false;
    bool showTime = false;
    if ((line.Has("show-title") && !ParseSwitch(line, "show-title", showTitle, error)) ||
        (line.Has("show-time") && !ParseSwitch(line, "show-time", showTime, error)) ||
        (line.Has("title-position") && !ParseNumber(line, "title-position", 0, 1, titlePosition, error)) ||
        (line.Has("date-position") && !ParseNumber(line, "date-position", 0, 3, datePosition, error)) ||
        (line.Has("date-format") && !ParseNumber(line, "date-format", 0, 2, dateFormat, error))) {
        FailInput(status, error);
        return status;
    }
    if (line.Has("title")) {
        if (const unsigned problem = VideoTitleProblem(PlatformFromUtf8(line.Value("title"))); problem != 0) {
            Refuse(problem, status);
            return status;
        }
    }
    CliTargets prepared;
    SectionValues reference;
    if (!PrepareTargets(line, prepared, status) ||
        !ReadReference(prepared, SettingsSection::Osd, reference, status)) {
        return status;
    }
    const OsdRecord& current = reference.osd;
    form.showTitle = line.Has("show-title") ? showTitle : current.showTitle != 0;
    form.showTime = line.Has("show-time") ? showTime : current.showTime != 0;
    form.title = line.Has("title") ? PlatformFromUtf8(line.Value("title")) : OsdTitleText(current);
    form.titlePosition = titlePosition >= 0 ? titlePosition : current.titlePosition;
    form.datePosition = datePosition >= 0 ? datePosition : current.datePosition;
    form.dateFormat = dateFormat >= 0 ? dateFormat : current.dateFormat;
    if (const unsigned problem = VideoTitleProblem(form.title); problem != 0) {
        Refuse(problem, status);
        return status;
    }
    return RunBatch(prepared.targets, VideoPartsOperation(prepared.login, std::nullopt, BuildOsdRecord(form)),
                    {81046});
}

// --- imaging ----------------------------------------------------------------

int SetImaging(const CliCommandLine& line, int& status)
{
    static const char* const pictureOptions[kPictureValueCount] = {"brightness", "contrast", "saturation",
                                                                   "sharpness", "noise-reduction"};
    static const char* const listOptions[kImageListCount] = {"exposure-level", "max-exposure", "ir-cut",
                                                             "frequency",      "outdoor",      "local-display"};
    std::string error;
    PicturePositions positions;
    ImageListEntries lists;
    for (int i = 0; i < kPictureValueCount; ++i) {
        int value = 0;
        if (line.Has(pictureOptions[i])) {
            if (!ParseNumber(line, pictureOptions[i], 0, 100, value, error)) {
                FailInput(status, error);
                return status;
            }
            positions[static_cast<std::size_t>(i)] = value;
        }
    }
    for (int i = 0; i < kImageListCount; ++i) {
        const auto list = static_cast<ImageList>(i);
        int value = 0;
        if (!line.Has(listOptions[i])) {
            continue;
        }
        if (list == ImageList::Frequency) {
            if (!PickFromList(line, listOptions[i], {50, 60}, value, error)) {
                FailInput(status, error);
                return status;
            }
            value = FrequencyEntry(value);
        } else if (!ParseNumber(line, listOptions[i], 0, ImageListLastEntry(list), value, error)) {
            FailInput(status, error);
            return status;
        }
        lists[static_cast<std::size_t>(i)] = value;
    }
    CliTargets prepared;
    if (!PrepareTargets(line, prepared, status)) {
        return status;
    }
    return RunBatch(prepared.targets, ImagingApplyOperation(prepared.login, positions, lists), {86002});
}
} // namespace

int RunGet(const std::vector<std::string>& arguments)
{
    int status = kExitSuccess;
    std::vector<std::string> rest = arguments;
    SettingsSection section{};
    CliCommandLine line;
    OutputFormat format{};
    if (!TakeSection(rest, section, status) ||
        !ParseLine(line, rest, Join({DiscoveryOptions(), TargetOptions(), CredentialOptions(), {{"format", true}}}),
                   status) ||
        !ParseFormat(line, format, status)) {
        return status;
    }
    CliTargets prepared;
    if (!PrepareTargets(line, prepared, status)) {
        return status;
    }
    const std::vector<tagVtIpcInfo>& targets = prepared.targets;
    std::vector<SectionValues> values;
    std::vector<char> read;
    ReadTargetSections(prepared, section, values, read);
    OutputTable table;
    table.columns = {{"mac", "MAC"}, {"ip", "IP"}};
    for (const OutputColumn& column : SectionColumns(section)) {
        table.columns.push_back(column);
    }
    for (std::size_t i = 0; i < targets.size(); ++i) {
        if (read[i] == 0) {
            status = kExitSomeFailed;
            continue;
        }
        std::vector<std::string> row = {FormatMac(targets[i].mac), targets[i].ip};
        for (const std::string& cell : SectionCells(section, values[i], ModelOf(targets[i]))) {
            row.push_back(SafeText(cell));
        }
        table.rows.push_back(std::move(row));
    }
    std::cout << RenderTable(table, format) << std::flush;
    return status;
}

int RunSet(const std::vector<std::string>& arguments)
{
    int status = kExitSuccess;
    std::vector<std::string> rest = arguments;
    SettingsSection section{};
    CliCommandLine line;
    if (!TakeSection(rest, section, status) ||
        !ParseLine(line, rest,
                   Join({DiscoveryOptions(), TargetOptions(), CredentialOptions(), SetOptions(section), PlanOptions()}),
                   status)) {
        return status;
    }
    const std::vector<CliOptionSpec> settings = SetOptions(section);
    if (std::none_of(settings.begin(), settings.end(), [&](const CliOptionSpec& s) { return line.Has(s.name); })) {
        FailInput(status, "nothing to set: give at least one value (zendrix-cli set --help)");
        return status;
    }
    if (line.Has("dry-run")) {
        return RunSetPlan(section, line);
    }
    if (line.Has("format")) {
        FailInput(status, "--format goes with --dry-run");
        return status;
    }
    switch (section) {
    case SettingsSection::System:
        return SetSystem(line, status);
    case SettingsSection::Network:
        return SetNetwork(line, status);
    case SettingsSection::Video:
        return SetVideo(line, status);
    case SettingsSection::Osd:
        return SetOsd(line, status);
    case SettingsSection::Imaging:
        return SetImaging(line, status);
    }
    return status;
}
