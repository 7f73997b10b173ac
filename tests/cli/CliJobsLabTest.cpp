// upgrade, reboot, restore, the log commands and the OEM upload against
// vtcamsim: the cameras' state afterwards is read back from the simulator
// (discovery, get, or a file fetched from the camera).
#include "CliLab.h"

#include <filesystem>
#include <random>
#include <sys/stat.h>

using namespace clilab;
namespace fs = std::filesystem;

namespace {
void WriteNoise(const std::string& path, std::size_t size)
{
    std::mt19937 random(7);
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random());
    }
    std::ofstream(path, std::ios::binary) << bytes;
}

// MAC -> firmware version of every camera discovered.
std::map<std::string, std::string> Versions()
{
    const CliRun run = Cli("discover --format json --wait 2" + Interface());
    std::map<std::string, std::string> versions;
    for (const auto& camera : nlohmann::json::parse(run.out)) {
        versions[camera["mac"].get<std::string>()] = camera["version"].get<std::string>();
    }
    return versions;
}

// The path the tool printed as its last line.
std::string LastLine(const std::string& out)
{
    std::string text = out;
    while (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    return text.substr(text.find_last_of('\n') + 1);
}

// Cameras 1 and 3 are A models with a log; camera 2 is not.
const char* const kCameras = R"({"cameras": [
  {"index": 0, "model": "VT-C3190A", "version": "31.2.0.10"},
  {"index": 2, "model": "VT-C3190A", "version": "31.2.0.10"}
]})";
} // namespace

TEST_F(CliLab, UpgradeSendsTheImageToEveryMatchingCamera)
{
    LABKIT_REQUIRE_LAB();
    Start({"--count", "4", "--base-ip", "192.168.1.100", "--model", "VT-C2150", "--version", "12.1.0.4",
           "--flash-ms", "300", "--reboot-ms", "800"});
    const std::string image = Scratch("VTFImage_15_12.2.0.7.bin");
    WriteNoise(image, 256 * 1024);
    const CliRun run = Cli("upgrade --image " + image + " --all --wait 1" + Interface());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Upgrade successfully."), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Upgrading operations are all finished."), std::string::npos) << run.out;
    // Not a terminal: no progress bar among the lines.
    EXPECT_EQ(run.err.find('#'), std::string::npos) << run.err;
    std::map<std::string, std::string> versions;
    for (int attempt = 0; attempt < 20; ++attempt) {
        versions = Versions();
        if (versions.size() == 4 && versions[Mac(4)] == "12.2.0.7" && versions[Mac(1)] == "12.2.0.7") {
            break;
        }
        sleep(1);
    }
    for (int n = 1; n <= 4; ++n) {
        EXPECT_EQ(versions[Mac(n)], "12.2.0.7") << Mac(n);
    }

    // An image for another platform, a name that is no image, a missing file,
    // one over 100 MiB: status 2 and nothing sent.
    const std::string other = Scratch("VTFImage_95_12.3.0.1.bin");
    WriteNoise(other, 1024);
    const std::string unnamed = Scratch("firmware.bin");
    WriteNoise(unnamed, 1024);
    const std::string huge = Scratch("VTFImage_15_12.4.0.1.bin");
    std::ofstream(huge, std::ios::binary).close();
    fs::resize_file(huge, 101ULL * 1024 * 1024);
    const std::string pipe = Scratch("VTFImage_15_pipe.bin");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    for (const auto& [path, words] : std::vector<std::pair<std::string, std::string>>{
             {other, "The model of devices is unmatched."},
             {unnamed, "File name is invalid."},
             {Scratch("VTFImage_15_missing.bin"), "cannot read"},
             {pipe, "cannot read"},
             {huge, "File size is too big."}}) {
        const CliRun bad = Cli("upgrade --image " + path + " --all --wait 1" + Interface());
        EXPECT_EQ(bad.status, 2) << path << "\n" << bad.err;
        EXPECT_NE(bad.err.find(words), std::string::npos) << bad.err;
        EXPECT_EQ(bad.out, "");
    }
    fs::remove(huge);
    EXPECT_EQ(Versions()[Mac(2)], "12.2.0.7");
}

TEST_F(CliLab, RebootAndRestoreAskFirstAndRestoreResetsTheSettings)
{
    LABKIT_REQUIRE_LAB();
    Start({"--count", "2", "--base-ip", "192.168.1.100", "--reboot-ms", "500"});
    // No terminal to ask on and no --yes: refused, nothing done.
    CliRun run = Cli("reboot --all --wait 1" + Interface());
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("--yes"), std::string::npos) << run.err;
    EXPECT_EQ(Cli("restore --all --wait 1" + Interface()).status, 2);

    run = Cli("reboot --all --yes --wait 1" + Interface());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find(Mac(1) + "] 192.168.1.100 Reboot successfully."), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(Mac(2) + "] 192.168.1.101 Reboot successfully."), std::string::npos) << run.out;

    // A changed title goes back to the factory's by the restore.
    ASSERT_EQ(Cli("set osd --mac " + Mac(2) + " --title Changed --show-title on --wait 1" + Interface()).status, 0);
    run = Cli("restore --mac " + Mac(2) + " --yes --wait 1" + Interface());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Restore successfully."), std::string::npos) << run.out;
    sleep(2);
    run = Cli("get osd --mac " + Mac(2) + " --format json --wait 2" + Interface());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(nlohmann::json::parse(run.out)[0]["title"], "Changed") << run.out;

    run = Cli("reboot --all --yes --password wrong --wait 1" + Interface());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(Mac(1) + "] 192.168.1.100 Reboot failed."), std::string::npos) << run.err;
}

TEST_F(CliLab, LogPagesAndFilesComeFromTheCamera)
{
    LABKIT_REQUIRE_LAB();
    const std::string config = Scratch("cameras.json");
    std::ofstream(config) << kCameras;
    Start({"--count", "3", "--base-ip", "192.168.1.100", "--config", config});

    CliRun run = Cli("log --mac " + Mac(1) + " --format json --wait 1" + Interface());
    ASSERT_EQ(run.status, 0) << run.err;
    const nlohmann::json all = nlohmann::json::parse(run.out);
    ASSERT_FALSE(all.empty());
    EXPECT_EQ(all[0]["number"], 1);
    EXPECT_NE(run.err.find("page 1/"), std::string::npos) << run.err;

    // The operation entries only: every row's main type is that type's text.
    run = Cli("log --mac " + Mac(1) + " --main-type 2 --format json --wait 1" + Interface());
    ASSERT_EQ(run.status, 0) << run.err;
    const nlohmann::json operations = nlohmann::json::parse(run.out);
    EXPECT_LE(operations.size(), all.size() == 40 ? 40U : all.size());
    for (const auto& row : operations) {
        EXPECT_EQ(row["main_type"], operations[0]["main_type"]);
    }

    for (const std::string& bad : {std::string("--main-type 5"), std::string("--main-type 1 --sub-type 999"),
                                   std::string("--from \"2026-01-02 00:00:00\" --to \"2026-01-01 00:00:00\""),
                                   std::string("--page 0"), std::string("--page 100000")}) {
        run = Cli("log --mac " + Mac(1) + " " + bad + " --wait 1" + Interface());
        EXPECT_EQ(run.status, 2) << bad << "\n" << run.err;
        EXPECT_EQ(run.out, "") << bad;
    }
    // Not an A model; more than one camera.
    EXPECT_EQ(Cli("log --mac " + Mac(2) + " --wait 1" + Interface()).status, 2);
    EXPECT_EQ(Cli("log --all --wait 1" + Interface()).status, 2);

    // The configuration holds what was set.
    ASSERT_EQ(Cli("set osd --mac " + Mac(3) + " --title Dock --show-title on --wait 1" + Interface()).status, 0);
    run = Cli("export-config --mac " + Mac(3) + " --wait 1" + Interface());
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string exported = LastLine(run.out);
    EXPECT_NE(ReadFile(exported).find("title=Dock"), std::string::npos) << exported;
    fs::remove(exported);

    run = Cli("custom-download --mac " + Mac(1) + " --kind sd --remote record/clip_0001.avi --wait 1" + Interface());
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string clip = LastLine(run.out);
    EXPECT_GT(fs::file_size(clip), 96U * 1024);
    fs::remove(clip);
    run = Cli("custom-download --mac " + Mac(1) + " --kind sd --remote record/none.avi --wait 1" + Interface());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Custom download failed!"), std::string::npos) << run.err;
    EXPECT_EQ(Cli("custom-download --mac " + Mac(1) + " --kind usb --remote x --wait 1" + Interface()).status, 2);
}

TEST_F(CliLab, OemUploadBrandsTheCameras)
{
    LABKIT_REQUIRE_LAB();
    const std::string config = Scratch("oem-cameras.json");
    std::ofstream(config) << kCameras;
    Start({"--count", "3", "--base-ip", "192.168.1.100", "--config", config});
    const std::string logo = Scratch("logo.jpg");
    WriteNoise(logo, 4096);
    CliRun run = Cli("oem-upload --mac " + Mac(1) + " --mac " + Mac(3) +
                     " --company Acme --web www.acme.example --oem-model AC-100 --version 3 --image " + logo +
                     " --wait 1" + Interface());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 2) << run.out;
    EXPECT_NE(run.out.find("Upload OEM files successfully."), std::string::npos) << run.out;

    // What the camera keeps, fetched back from it.
    run = Cli("custom-download --mac " + Mac(3) + " --remote oem/vtoem.cfg --wait 1" + Interface());
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string stored = LastLine(run.out);
    const std::string text = ReadFile(stored);
    EXPECT_NE(text.find("company=Acme\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("model=AC-100\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("softversion=3\r\n"), std::string::npos) << text;
    fs::remove(stored);

    // No company, no image, an image too big: status 2, nothing sent.
    const std::string big = Scratch("big.jpg");
    WriteNoise(big, 2 * 1024 * 1024);
    for (const std::string& bad : {"--image " + logo, std::string("--company Acme"), "--company Acme --image " + big}) {
        run = Cli("oem-upload --all " + bad + " --wait 1" + Interface());
        EXPECT_EQ(run.status, 2) << bad << "\n" << run.err;
        EXPECT_EQ(run.out, "") << bad;
    }
}
