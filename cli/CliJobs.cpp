#include "CliCommands.h"

#include "CameraUpgrade.h"
#include "CliContext.h"
#include "CliPlan.h"
#include "CliUpgradePlan.h"
#include "ImageFile.h"
#include "OemFile.h"
#include "OemImageList.h"
#include "OemUpload.h"
#include "RebootQueue.h"
#include "UpgradeProgress.h"
#include "UpgradeRules.h"
#include "Utf8Text.h"

#include <algorithm>
#include <functional>
#include <iostream>
#include <mutex>
#include <unistd.h>

namespace {
constexpr int kBarWidth = 40;

// The upgrade's shared progress: a bar redrawn in place on a terminal,
// nothing extra otherwise (the result lines are the plain record).
class ProgressDisplay
{
public:
    ProgressDisplay() : m_terminal(isatty(STDERR_FILENO) != 0) {}

    void Show(const UpgradeProgress& progress)
    {
        if (!m_terminal) {
            return;
        }
        const int filled = progress.Position() * kBarWidth / 100;
        std::cerr << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
                  << std::string(static_cast<std::size_t>(kBarWidth - filled), ' ') << "] " << progress.Position()
                  << "% " << progress.Finished() << "/" << progress.Started() << std::flush;
        m_drawn = true;
    }
    // Clears the bar before a line is printed under it.
    void Clear()
    {
        if (m_drawn) {
            std::cerr << "\r" << std::string(kBarWidth + 20, ' ') << "\r" << std::flush;
            m_drawn = false;
        }
    }

private:
    bool m_terminal;
    bool m_drawn = false;
};

void PrintKeyLine(unsigned key)
{
    PrintPanelLine(PlatformFromUtf8(KeyText(key)), true);
}

// Asks before a reboot or restore; without a terminal only --yes says yes.
bool Confirmed(const CliCommandLine& line, unsigned question, std::size_t cameras, int& status)
{
    if (line.Has("yes")) {
        return true;
    }
    if (isatty(STDIN_FILENO) == 0) {
        return FailInput(status, "not on a terminal: give --yes to go ahead without being asked");
    }
    if (!Confirm(KeyText(question) + " (" + std::to_string(cameras) + " cameras)")) {
        // No camera was done, so a script must not read this as success.
        std::cerr << "zendrix-cli: nothing was done\n";
        status = kExitSomeFailed;
        return false;
    }
    return true;
}

bool CheckImage(const std::string& path, ImageName& image, int& status)
{
    if (path.empty()) {
        return FailInput(status, "--image FILE is required");
    }
    image = ParseImageName(ImageFileName(path));
    const std::optional<std::uint64_t> size = ReadableImageSize(path);
    if (!size) {
        return FailInput(status, "cannot read " + path);
    }
    if (!ImageSizeAccepted(*size)) {
        return FailInput(status, KeyText(90013) + " " + path);
    }
    return true;
}

// The family's rules of image names and models, for targets that do not
// check their makers' images themselves.
bool CheckModels(const ImageName& image, const std::string& path, const std::vector<tagVtIpcInfo>& targets,
                 int& status)
{
    if (TakeMakersImages(targets)) {
        return true;
    }
    if (image.kind == ImageKind::None) {
        return FailInput(status, KeyText(90034) + " " + path);
    }
    const tagVtIpcInfo& reference = targets.front();
    const ReferenceVerdict verdict = CheckReferenceCamera(image, reference.model);
    if (verdict == ReferenceVerdict::NoModel) {
        return FailInput(status, CameraLabel(reference) + " reports no model");
    }
    if (verdict != ReferenceVerdict::Fits || !ImageMatchesCameras(image, CameraModels(targets))) {
        std::string names;
        for (const tagVtIpcInfo& camera : targets) {
            names += "\n  " + CameraLabel(camera) + " " + camera.model + " " + camera.version;
        }
        return FailInput(status, KeyText(90011) + names);
    }
    return true;
}
} // namespace

int RunUpgrade(const std::vector<std::string>& arguments)
{
    int status = kExitSuccess;
    CliCommandLine line;
    ImageName image;
    if (!ParseLine(line, arguments,
                   Join({DiscoveryOptions(), TargetOptions(), CredentialOptions(), PlanOptions(),
                         {{"image", true}, {"only-older", false}}}),
                   status) ||
        !CheckImage(line.Value("image"), image, status)) {
        return status;
    }
    CliTargets prepared;
    if (!PrepareTargets(line, prepared, status) || !CheckModels(image, line.Value("image"), prepared.targets, status) ||
        !PlanUpgrade(line, prepared.targets, status)) {
        return status;
    }
    const std::vector<tagVtIpcInfo>& targets = prepared.targets;
    UpgradeProgress progress;
    ProgressDisplay display;
    progress.Begin(true);
    display.Show(progress);
    auto logins = std::make_shared<std::vector<std::shared_ptr<Camera>>>(targets.size());
    BatchEngine::Run(targets, LoginOperation(prepared.login, kUpgradeLoginKeys, logins),
                     [&](std::size_t index, std::vector<PanelLine> lines) {
                         display.Clear();
                         for (const PanelLine& failure : lines) {
                             PrintPanelLine(failure.text, failure.stamped);
                             std::cerr << "zendrix-cli: " << SafeText(Utf8(failure.text)) << "\n";
                             status = kExitSomeFailed;
                         }
                         if ((*logins)[index]) {
                             progress.JobStarted();
                         }
                         display.Show(progress);
                     });
    LoggedInTargets loggedIn = CollectLoggedIn(targets, logins);
    const std::vector<tagVtIpcInfo>& cameras = loggedIn.targets;
    if (cameras.empty()) {
        display.Clear();
        return status;
    }
    BatchEngine::Run(
        cameras, UpgradeOperation(line.Value("image"), std::move(loggedIn.cameras)),
        [&](std::size_t index, std::vector<PanelLine> lines) {
            display.Clear();
            for (const PanelLine& result : lines) {
                PrintPanelLine(result.text, result.stamped);
                if (result.text != CameraLine(cameras[index], 82001).text) {
                    std::cerr << "zendrix-cli: " << SafeText(Utf8(result.text)) << "\n";
                    status = kExitSomeFailed;
                }
            }
            progress.JobFinished();
            display.Show(progress);
        },
        UploadParallelism(cameras.size()), BatchEngine::Delivery::AsFinished);
    display.Clear();
    PrintKeyLine(82003);
    return status;
}

namespace {
// Reboot and restore: asked first, then every camera's line, then the reboot
// queue worked through before the tool ends (it would discard what is left).
int RunQueued(const std::vector<std::string>& arguments, unsigned question,
              const std::function<BatchEngine::Operation(const LoginCredentials&, std::shared_ptr<RebootQueue>)>&
                  operation,
              unsigned successKey)
{
    int status = kExitSuccess;
    CliCommandLine line;
    CliTargets prepared;
    if (!ParseLine(line, arguments, Join({DiscoveryOptions(), TargetOptions(), CredentialOptions(), {{"yes", false}}}),
                   status) ||
        !PrepareTargets(line, prepared, status) || !Confirmed(line, question, prepared.targets.size(), status)) {
        return status;
    }
    auto failed = std::make_shared<std::atomic<bool>>(false);
    const std::shared_ptr<RebootQueue> queue = PrintingRebootQueue(failed);
    status = RunBatch(prepared.targets, operation(prepared.login, queue), {successKey});
    if (queue->RestorePaused()) {
        std::cerr << "zendrix-cli: the restored cameras restart after 25 s; waiting\n";
    }
    WaitForReboots(*queue);
    return *failed ? kExitSomeFailed : status;
}
} // namespace

int RunReboot(const std::vector<std::string>& arguments)
{
    // Every camera is told when it took the reboot, as a lone camera is on the page.
    return RunQueued(
        arguments, 90026,
        [](const LoginCredentials& login, std::shared_ptr<RebootQueue> queue) {
            return RebootOperation(login, std::move(queue), true);
        },
        82008);
}

int RunRestore(const std::vector<std::string>& arguments)
{
    return RunQueued(
        arguments, 90027,
        [](const LoginCredentials& login, std::shared_ptr<RebootQueue> queue) {
            return RestoreOperation(login, std::move(queue));
        },
        82010);
}

int RunOemUpload(const std::vector<std::string>& arguments)
{
    int status = kExitSuccess;
    CliCommandLine line;
    if (!ParseLine(line, arguments,
                   Join({DiscoveryOptions(),
                         TargetOptions(),
                         CredentialOptions(),
                         {{"company", true}, {"web", true}, {"oem-model", true}, {"version", true}, {"image", true}}}),
                   status)) {
        return status;
    }
    // --oem-model is the branded model; --model still chooses cameras, as everywhere.
    OemInfo info;
    info.company = PlatformFromUtf8(line.Value("company"));
    info.website = PlatformFromUtf8(line.Value("web"));
    info.model = PlatformFromUtf8(line.Value("oem-model"));
    info.version = PlatformFromUtf8(line.Value("version"));
    if (info.company.find_first_not_of(L" \t") == std::wstring::npos) {
        FailInput(status, KeyText(90032));
        return status;
    }
    std::vector<std::string> images;
    for (const std::string& value : line.Values("image")) {
        for (std::string& path : SplitOemImageList(value)) {
            images.push_back(std::move(path));
        }
    }
    if (images.empty()) {
        FailInput(status, KeyText(90033));
        return status;
    }
    if (images.size() > kMaxOemImages) {
        FailInput(status, "at most " + std::to_string(kMaxOemImages) + " images go in one upload");
        return status;
    }
    if (const OemImageProblem problem = CheckOemImages(images); problem.key != 0) {
        FailInput(status, KeyText(problem.key) + " " + problem.path);
        return status;
    }
    CliTargets prepared;
    if (!PrepareTargets(line, prepared, status)) {
        return status;
    }
    const std::string path = OemFilePath();
    if (!WriteOemFile(path, info)) {
        FailInput(status, KeyText(84004) + " " + path);
        return status;
    }
    OemUpload upload;
    upload.oemFile = path;
    upload.images = images;
    upload.login = prepared.login;
    return RunBatch(prepared.targets, OemUploadOperation(std::move(upload)), {84000});
}
