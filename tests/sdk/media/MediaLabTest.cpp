// Firmware, files and live video through the lab: the device SDK in the
// workstation namespace, vtcamsim in the camera namespace.
#include "Lab.h"
#include "LogDatabase.h"
#include "VtIpcSDK.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <mutex>
#include <random>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr int kPort = 80;
const char* const kACamera = "192.168.20.1";      // VT-C3190A: files, OEM and video
const char* const kPlainCamera = "192.168.20.2";  // VT-C2150: firmware rules
const char* const kBrokenCamera = "192.168.20.3"; // downloads break off half-way
const char* const kSecondCamera = "192.168.20.4"; // a second A model for video

const char* const kConfig = R"({"cameras": [
  {"index": 0, "mac": "02:5a:20:00:00:01", "model": "VT-C3190A", "version": "31.2.0.10"},
  {"index": 1, "mac": "02:5a:20:00:00:02", "model": "VT-C2150", "version": "12.1.0.4"},
  {"index": 2, "mac": "02:5a:20:00:00:03", "model": "VT-C3190A", "faults": ["broken-download"]},
  {"index": 3, "mac": "02:5a:20:00:00:04", "model": "VT-C5390A"}
]})";

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteNoise(const fs::path& path, size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random());
    }
    std::ofstream(path, std::ios::binary) << bytes;
}

// Counts and measures the pictures a window's sink receives.
struct FrameCounter
{
    std::mutex mutex;
    int frames = 0;
    int width = 0;
    int height = 0;
    double lastMeanLuma = 0;
    std::vector<std::chrono::steady_clock::time_point> times;

    static void Sink(void* user, uint32_t, const uint8_t* rgb, int width, int height, int stride)
    {
        auto* self = static_cast<FrameCounter*>(user);
        double sum = 0;
        for (int y = 0; y < height; y += 4) {
            const uint8_t* row = rgb + static_cast<size_t>(y) * static_cast<size_t>(stride);
            for (int x = 0; x < width; x += 4) {
                sum += 0.299 * row[x * 3] + 0.587 * row[x * 3 + 1] + 0.114 * row[x * 3 + 2];
            }
        }
        std::lock_guard lock(self->mutex);
        ++self->frames;
        self->width = width;
        self->height = height;
        self->lastMeanLuma = sum / ((height + 3) / 4) / ((width + 3) / 4);
        self->times.push_back(std::chrono::steady_clock::now());
    }
    int Frames()
    {
        std::lock_guard lock(mutex);
        return frames;
    }
    double MeanLuma()
    {
        std::lock_guard lock(mutex);
        return lastMeanLuma;
    }
    // Waits for `count` more pictures; the luma of the last one.
    double LumaAfter(int count)
    {
        const int target = Frames() + count;
        for (int i = 0; i < 100 && Frames() < target; ++i) {
            std::this_thread::sleep_for(50ms);
        }
        EXPECT_GE(Frames(), target) << "the pictures stopped coming";
        return MeanLuma();
    }
};

class MediaLab : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        if (labkit::LabEnvironment::Current() == nullptr) {
            return;
        }
        const std::string config = "/tmp/vtmedia-lab-" + std::to_string(getpid()) + ".json";
        std::ofstream(config) << kConfig;
        std::string error;
        sim_ = labkit::LabEnvironment::Current()->StartCamSim({"--count", "4", "--base-ip", kACamera,
                                                               "--password", "secret1", "--reboot-ms", "800",
                                                               "--flash-ms", "300", "--config", config},
                                                              error);
        std::remove(config.c_str());
        simError_ = error;
    }
    static void TearDownTestSuite()
    {
        if (sim_ > 0) {
            labkit::LabEnvironment::Current()->Stop(sim_);
        }
    }

    void SetUp() override
    {
        LABKIT_REQUIRE_LAB();
        ASSERT_GT(sim_, 0) << simError_;
        Vt_Sdk_Init();
        local_ = fs::temp_directory_path() / ("vtmedia-ws-" + std::to_string(getpid()));
        fs::create_directories(local_);
        handle_ = Login(kACamera);
        ASSERT_GE(handle_, 0) << "login through the lab failed with " << Vt_Sdk_GetLastError();
    }
    void TearDown() override
    {
        Vt_Sdk_Destroy();
        std::error_code ec;
        fs::remove_all(local_, ec);
    }

    static int Login(const char* address)
    {
        return Vt_Ipc_Login(address, address, kPort, "admin", "secret1", 0);
    }

    // The files of this folder whose names contain `part`.
    static std::vector<std::string> Leftovers(const fs::path& folder, const std::string& part)
    {
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(folder)) {
            if (entry.path().filename().string().find(part) != std::string::npos) {
                found.push_back(entry.path().filename().string());
            }
        }
        return found;
    }

    static inline pid_t sim_ = -1;
    static inline std::string simError_;
    fs::path local_;
    int handle_ = -1;
};

TEST_F(MediaLab, FirmwareUpgradeChangesTheVersionAfterTheReboot)
{
    const int plain = Login(kPlainCamera);
    ASSERT_GE(plain, 0);
    // Platform 1 fits thousands digit 2, sensor 5 hundreds digit 1.
    const fs::path image = local_ / "VTFImage_15_12.2.0.7.bin";
    WriteNoise(image, 8 * 1024 * 1024, 1);
    ASSERT_EQ(Vt_Ipc_UpdateFirmware(plain, image.c_str()), 0) << Vt_Sdk_GetLastError();
    // The page sends the kernel call too; a firmware image is no kernel image.
    EXPECT_EQ(Vt_Ipc_UpdateKernal(plain, image.c_str()), -1);
    EXPECT_TRUE(Vt_Sdk_GetLastError() == VT_ERR_REJECTED || Vt_Sdk_GetLastError() == VT_ERR_UNREACHABLE)
        << Vt_Sdk_GetLastError();

    bool sawReboot = false;
    SystemInfoRecord info{};
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (std::chrono::steady_clock::now() < deadline) {
        std::memset(&info, 0, sizeof info);
        if (Vt_Ipc_GetSystemInfo(plain, &info) != 0) {
            sawReboot = sawReboot || Vt_Sdk_GetLastError() == VT_ERR_UNREACHABLE;
        } else if (std::strcmp(info.version, "12.1.0.4") != 0) {
            break;
        }
        std::this_thread::sleep_for(100ms);
    }
    EXPECT_TRUE(sawReboot) << "the camera never went silent for its reboot";
    EXPECT_STREQ(info.version, "12.2.0.7");
}

TEST_F(MediaLab, ImagesThatDoNotFitAreRefusedAndChangeNothing)
{
    const int plain = Login(kPlainCamera);
    ASSERT_GE(plain, 0);
    SystemInfoRecord before{};
    ASSERT_EQ(Vt_Ipc_GetSystemInfo(plain, &before), 0);
    struct Case
    {
        const char* name;
        bool kernel;
    };
    for (const Case& c : {Case{"VTFImage_12_9.9.9.9.bin", false}, // sensor 2 wants hundreds digit 3
                          Case{"VTFImage_35_9.9.9.9.bin", false}, // platform 3 is for A models
                          Case{"KImage_2_9.9.9.9.bin", true},     // platform 2 wants thousands digit 3
                          Case{"firmware.bin", false},            // no image at all
                          Case{"KImage_1.bin", false}}) {         // a kernel image sent as firmware
        const fs::path image = local_ / c.name;
        WriteNoise(image, 64 * 1024, 2);
        const int result = c.kernel ? Vt_Ipc_UpdateKernal(plain, image.c_str())
                                    : Vt_Ipc_UpdateFirmware(plain, image.c_str());
        EXPECT_EQ(result, -1) << c.name;
        EXPECT_EQ(Vt_Sdk_GetLastError(), VT_ERR_REJECTED) << c.name;
    }
    EXPECT_EQ(Vt_Ipc_UpdateFirmware(plain, (local_ / "missing.bin").c_str()), -1);
    EXPECT_EQ(Vt_Sdk_GetLastError(), VT_ERR_FILE);
    std::this_thread::sleep_for(500ms); // longer than a flash would take
    SystemInfoRecord after{};
    ASSERT_EQ(Vt_Ipc_GetSystemInfo(plain, &after), 0) << "a refused image must not reboot the camera";
    EXPECT_STREQ(after.version, before.version);
}

TEST_F(MediaLab, OemFilesAreKeptByteForByte)
{
    const fs::path config = local_ / "vtoem.cfg";
    std::ofstream(config, std::ios::binary)
        << "[oemsec]\r\ncompany=Acme\r\nmanufacture=Acme\r\nwebsite=\r\nmodel=\r\nsoftversion=2\r\n";
    const fs::path logo = local_ / "logo image.bmp";
    WriteNoise(logo, 1536 * 1024, 3);
    ASSERT_EQ(Vt_Ipc_UploadOemConfigFile(handle_, config.c_str()), 0) << Vt_Sdk_GetLastError();
    ASSERT_EQ(Vt_Ipc_UploadOemConfigFile(handle_, logo.c_str()), 0) << Vt_Sdk_GetLastError();
    // What the camera holds comes back as its other files "oem/NAME".
    const fs::path heldConfig = local_ / "held.cfg";
    const fs::path heldLogo = local_ / "held.bmp";
    ASSERT_EQ(Vt_Ipc_DownloadCustom(handle_, heldConfig.c_str(), 1, "oem/vtoem.cfg"), 0)
        << Vt_Sdk_GetLastError();
    ASSERT_EQ(Vt_Ipc_DownloadCustom(handle_, heldLogo.c_str(), 1, "oem/logo image.bmp"), 0)
        << Vt_Sdk_GetLastError();
    EXPECT_EQ(ReadAll(heldConfig), ReadAll(config));
    EXPECT_TRUE(ReadAll(heldLogo) == ReadAll(logo)) << "the image differs";
    // A later file of the same name replaces the earlier one whole.
    std::ofstream(config, std::ios::binary) << "[oemsec]\r\ncompany=Other\r\n";
    ASSERT_EQ(Vt_Ipc_UploadOemConfigFile(handle_, config.c_str()), 0) << Vt_Sdk_GetLastError();
    ASSERT_EQ(Vt_Ipc_DownloadCustom(handle_, heldConfig.c_str(), 1, "oem/vtoem.cfg"), 0);
    EXPECT_EQ(ReadAll(heldConfig), ReadAll(config));
    EXPECT_EQ(Vt_Ipc_UploadOemConfigFile(handle_, (local_ / "missing.bmp").c_str()), -1);
    EXPECT_EQ(Vt_Sdk_GetLastError(), VT_ERR_FILE);
}

TEST_F(MediaLab, DownloadsAreWholeAndTheLogIsReadableByTheLogQueries)
{
    const fs::path log = local_ / "025A20000001_Log.db";
    const fs::path again = local_ / "again_Log.db";
    ASSERT_EQ(Vt_Ipc_DownloadLog(handle_, log.c_str()), 0) << Vt_Sdk_GetLastError();
    ASSERT_EQ(Vt_Ipc_DownloadLog(handle_, again.c_str()), 0) << Vt_Sdk_GetLastError();
    EXPECT_EQ(ReadAll(log), ReadAll(again)) << "the camera keeps one log";

    // The log page's queries read it: hundreds of entries, newest first, every sub type.
    tagLogFilter all{};
    all.count = kLogPageRows;
    int count = 0;
    ASSERT_EQ(LogDbCount(log.c_str(), &all, &count), 0);
    EXPECT_GE(count, 300);
    tagLogRow* rows = nullptr;
    int rowCount = 0;
    ASSERT_EQ(LogDbQueryPage(log.c_str(), &all, &rows, &rowCount), 0);
    ASSERT_EQ(rowCount, kLogPageRows);
    for (int i = 1; i < rowCount; ++i) {
        EXPECT_GE(rows[i - 1].time, rows[i].time);
    }
    LogDbFreeRows(rows);
    for (const auto& [mainType, subType, subTypes] :
         {std::tuple{1, 11, 7}, {2, 100, 18}, {3, 300, 7}, {4, 200, 7}}) {
        tagLogFilter filter{};
        filter.mainType = mainType;
        filter.count = kLogPageRows;
        for (int sub = subType; sub < subType + subTypes; ++sub) {
            filter.subType = sub;
            int perSub = 0;
            ASSERT_EQ(LogDbCount(log.c_str(), &filter, &perSub), 0);
            EXPECT_GT(perSub, 0) << "main type " << mainType << " sub type " << sub;
        }
    }

    const fs::path config = local_ / "config.txt";
    ASSERT_EQ(Vt_Ipc_DownloadCfg(handle_, config.c_str()), 0) << Vt_Sdk_GetLastError();
    EXPECT_NE(ReadAll(config).find("model=VT-C3190A\r\n"), std::string::npos);

    const fs::path clip = local_ / "clip_0001.avi";
    ASSERT_EQ(Vt_Ipc_DownloadCustom(handle_, clip.c_str(), 0, "record/clip_0001.avi"), 0)
        << Vt_Sdk_GetLastError();
    EXPECT_GT(fs::file_size(clip), 96u * 1024);
    const fs::path version = local_ / "version.txt";
    ASSERT_EQ(Vt_Ipc_DownloadCustom(handle_, version.c_str(), 1, "version.txt"), 0) << Vt_Sdk_GetLastError();
    EXPECT_EQ(ReadAll(version), "VT-C3190A 31.2.0.10 H1.0\r\n");

    // Names that do not exist or lead out of the card are not found, and leave nothing.
    for (const char* name : {"nothing.txt", "../version.txt", "record/../../system.log", "/etc/passwd"}) {
        EXPECT_EQ(Vt_Ipc_DownloadCustom(handle_, (local_ / "x").c_str(), 0, name), -1) << name;
        EXPECT_EQ(Vt_Sdk_GetLastError(), VT_ERR_UNSUPPORTED) << name;
    }
    EXPECT_FALSE(fs::exists(local_ / "x"));
}

TEST_F(MediaLab, ADownloadCutMidwayLeavesNoFileUnderTheFinalName)
{
    const int broken = Login(kBrokenCamera);
    ASSERT_GE(broken, 0);
    const fs::path fresh = local_ / "fresh_Log.db";
    EXPECT_EQ(Vt_Ipc_DownloadLog(broken, fresh.c_str()), -1);
    EXPECT_EQ(Vt_Sdk_GetLastError(), VT_ERR_PROTOCOL);
    EXPECT_FALSE(fs::exists(fresh));
    // An earlier download of the same name stays as it was.
    const fs::path earlier = local_ / "earlier_Config.txt";
    std::ofstream(earlier) << "the earlier configuration";
    EXPECT_EQ(Vt_Ipc_DownloadCfg(broken, earlier.c_str()), -1);
    EXPECT_EQ(ReadAll(earlier), "the earlier configuration");
    // Nothing but the earlier file: no temporary file stayed.
    EXPECT_EQ(Leftovers(local_, ""), std::vector<std::string>{"earlier_Config.txt"});
}

TEST_F(MediaLab, LivePlayDeliversConfiguredPicturesToEachWindowUntilStopped)
{
    VideoConfigRecord video{};
    video.stream = 1;
    ASSERT_EQ(Vt_Ipc_GetVideoConfig(handle_, &video), 0);
    video.frameSize = 6; // D1, 704 x 576
    video.frameRate = 10;
    ASSERT_EQ(Vt_Ipc_SetVideoConfig(handle_, &video), 0);
    const int second = Login(kSecondCamera);
    ASSERT_GE(second, 0);
    VideoConfigRecord secondVideo{};
    secondVideo.stream = 1;
    ASSERT_EQ(Vt_Ipc_GetVideoConfig(second, &secondVideo), 0);
    secondVideo.frameSize = 4; // 1.3M, 1280 x 960
    secondVideo.frameRate = 20;
    ASSERT_EQ(Vt_Ipc_SetVideoConfig(second, &secondVideo), 0);

    FrameCounter first;
    FrameCounter other;
    ASSERT_EQ(Vt_Sdk_SetFrameSink(0x1001, &FrameCounter::Sink, &first), 0);
    ASSERT_EQ(Vt_Sdk_SetFrameSink(0x1002, &FrameCounter::Sink, &other), 0);
    LivePlayRecord play{};
    play.window = 0x1001;
    ASSERT_EQ(Vt_IpcClient_LivePlay(handle_, &play, 0, 0), 0) << Vt_Sdk_GetLastError();
    LivePlayRecord playSecond{};
    playSecond.window = 0x1002;
    ASSERT_EQ(Vt_IpcClient_LivePlay(second, &playSecond, 0, 0), 0) << Vt_Sdk_GetLastError();
    std::this_thread::sleep_for(2500ms);
    ASSERT_EQ(Vt_IpcClient_StopLivePlay(handle_), 0);
    ASSERT_EQ(Vt_IpcClient_StopLivePlay(second), 0);
    const int firstFrames = first.Frames();
    const int otherFrames = other.Frames();
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(first.Frames(), firstFrames) << "a picture arrived after the stop returned";
    EXPECT_EQ(other.Frames(), otherFrames);
    EXPECT_EQ(first.width, 704);
    EXPECT_EQ(first.height, 576);
    EXPECT_EQ(other.width, 1280);
    EXPECT_EQ(other.height, 960);
    // About the configured rates over the steady part of the run.
    const auto rate = [](FrameCounter& counter) {
        std::lock_guard lock(counter.mutex);
        if (counter.times.size() < 6) {
            return 0.0;
        }
        const double seconds = std::chrono::duration<double>(counter.times.back() - counter.times[2]).count();
        return static_cast<double>(counter.times.size() - 3) / seconds;
    };
    EXPECT_NEAR(rate(first), 10.0, 2.5);
    EXPECT_NEAR(rate(other), 20.0, 5.0);
    Vt_Sdk_SetFrameSink(0x1001, nullptr, nullptr);
    Vt_Sdk_SetFrameSink(0x1002, nullptr, nullptr);
}

TEST_F(MediaLab, ABrightnessChangeShowsInTheNextPictures)
{
    VideoConfigRecord video{};
    video.stream = 1;
    ASSERT_EQ(Vt_Ipc_GetVideoConfig(handle_, &video), 0);
    video.frameSize = 6;
    video.frameRate = 25;
    ASSERT_EQ(Vt_Ipc_SetVideoConfig(handle_, &video), 0);
    ImagingSettingsRecord picture{};
    ASSERT_EQ(Vt_Ipc_GetImagingSettings(handle_, &picture), 0);
    picture.brightness = 128;
    ASSERT_EQ(Vt_Ipc_SetImagingSettings(handle_, &picture), 0);

    FrameCounter counter;
    ASSERT_EQ(Vt_Sdk_SetFrameSink(0x2001, &FrameCounter::Sink, &counter), 0);
    LivePlayRecord play{};
    play.window = 0x2001;
    ASSERT_EQ(Vt_IpcClient_LivePlay(handle_, &play, 0, 0), 0) << Vt_Sdk_GetLastError();
    const double before = counter.LumaAfter(5);
    picture.brightness = 230;
    ASSERT_EQ(Vt_Ipc_SetImagingSettings(handle_, &picture), 0);
    const double after = counter.LumaAfter(5);
    EXPECT_GT(after, before + 40) << "mean luma " << before << " then " << after;
    // Moving the picture to another window hands the next pictures there.
    FrameCounter moved;
    ASSERT_EQ(Vt_Sdk_SetFrameSink(0x2002, &FrameCounter::Sink, &moved), 0);
    play.window = 0x2002;
    ASSERT_EQ(Vt_IpcClient_LivePlay(handle_, &play, 0, 0), 0);
    moved.LumaAfter(3);
    EXPECT_EQ(Vt_IpcClient_StopLivePlay(handle_), 0);
    Vt_Sdk_SetFrameSink(0x2001, nullptr, nullptr);
    Vt_Sdk_SetFrameSink(0x2002, nullptr, nullptr);
    picture.brightness = 128;
    Vt_Ipc_SetImagingSettings(handle_, &picture);
}

TEST_F(MediaLab, LiveVideoEndsWithARebootAndPlaysAgainAfterIt)
{
    const int second = Login(kSecondCamera);
    ASSERT_GE(second, 0);
    FrameCounter counter;
    ASSERT_EQ(Vt_Sdk_SetFrameSink(0x3001, &FrameCounter::Sink, &counter), 0);
    LivePlayRecord play{};
    play.window = 0x3001;
    ASSERT_EQ(Vt_IpcClient_LivePlay(second, &play, 0, 0), 0) << Vt_Sdk_GetLastError();
    counter.LumaAfter(3);
    ASSERT_EQ(Vt_Ipc_RebootSystem(second), 0);
    std::this_thread::sleep_for(400ms); // the camera is silent now
    const int silentAt = counter.Frames();
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(counter.Frames(), silentAt) << "pictures from a rebooting camera";
    // Once it is back, playing again starts a new stream.
    SystemInfoRecord info{};
    for (int i = 0; i < 50 && Vt_Ipc_GetSystemInfo(second, &info) != 0; ++i) {
        std::this_thread::sleep_for(100ms);
    }
    ASSERT_EQ(Vt_IpcClient_LivePlay(second, &play, 0, 0), 0) << Vt_Sdk_GetLastError();
    counter.LumaAfter(3);
    // Shutting the SDK down stops every play before it returns.
    Vt_Sdk_Destroy();
    const int atDestroy = counter.Frames();
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(counter.Frames(), atDestroy);
    Vt_Sdk_SetFrameSink(0x3001, nullptr, nullptr);
    EXPECT_EQ(Vt_IpcClient_LivePlay(second, &play, 0, 0), -1);
    EXPECT_EQ(Vt_Sdk_GetLastError(), VT_ERR_NOT_INITIALISED);
}

} // namespace
