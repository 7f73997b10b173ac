// Files to and from the camera through the device SDK: firmware and OEM
// uploads, and log, configuration and custom downloads.
#include "CameraFiles.h"
#include "VtIpcLoopbackFixture.h"

#include <atomic>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sqlite3.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace loopback {
namespace {

std::string ReadWhole(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A file of `size` bytes in a folder of its own, removed with the object.
class ImageFile
{
public:
    ImageFile(const std::string& name, size_t size)
        : folder_(std::filesystem::temp_directory_path() / ("vtipc-image-" + std::to_string(getpid())))
    {
        std::filesystem::create_directories(folder_);
        path_ = (folder_ / name).string();
        std::ofstream(path_, std::ios::binary) << std::string(size, '\x5A');
    }
    ~ImageFile() { std::filesystem::remove_all(folder_); }
    const char* path() const { return path_.c_str(); }

private:
    std::filesystem::path folder_;
    std::string path_;
};

TEST_F(LoopbackTest, FirmwareUploadFlashesRebootsAndBringsTheNewVersion)
{
    std::atomic<int> rebooted{0};
    service_.SetRebootedCallback([&](const std::shared_ptr<LiveCamera>&) { ++rebooted; });
    {
        std::lock_guard lock(camera_->mutex);
        camera_->sim.flashMs = 100;
    }
    const ImageFile wrong("VTFImage_15_40.0.0.1.bin", 1000); // a platform for another model
    EXPECT_EQ(Vt_Ipc_UpdateFirmware(handle_, wrong.path()), -1);
    EXPECT_EQ(Vt_Sdk_GetLastError(), VT_ERR_REJECTED);
    EXPECT_EQ(Vt_Ipc_UpdateKernal(handle_, wrong.path()), -1) << "a firmware image is no kernel image";
    EXPECT_EQ(Vt_Ipc_UpdateFirmware(handle_, "/nonexistent/VTFImage_55.bin"), -1);
    EXPECT_EQ(Vt_Sdk_GetLastError(), VT_ERR_FILE);
    // A named pipe is refused at once, not waited on for a writer.
    const std::string pipe = (std::filesystem::temp_directory_path() /
                              ("VTFImage_55_pipe." + std::to_string(::getpid()))).string();
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    std::atomic<int> piped{1};
    std::thread upload([&] { piped = Vt_Ipc_UpdateFirmware(handle_, pipe.c_str()) == -1 ? 0 : 2; });
    for (int i = 0; i < 250 && piped == 1; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const bool waited = piped == 1;
    if (waited) {
        ::close(::open(pipe.c_str(), O_WRONLY | O_NONBLOCK)); // lets the blocked open go
    }
    upload.join();
    std::filesystem::remove(pipe);
    EXPECT_FALSE(waited) << "the upload waited for a writer to the pipe";
    EXPECT_EQ(piped, 0);

    const ImageFile image("VTFImage_55_31.4.0.90.bin", 3 * 1024 * 1024 + 17);
    ASSERT_EQ(Vt_Ipc_UpdateFirmware(handle_, image.path()), 0) << Vt_Sdk_GetLastError();
    for (int i = 0; i < 200 && rebooted == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_EQ(rebooted, 1);
    SystemInfoRecord info{};
    ASSERT_EQ(Vt_Ipc_GetSystemInfo(handle_, &info), 0);
    EXPECT_STREQ(info.version, "31.4.0.90");

    const ImageFile kernel("KImage_5_k.bin", 4096);
    EXPECT_EQ(Vt_Ipc_UpdateKernal(handle_, kernel.path()), 0) << Vt_Sdk_GetLastError();
}

TEST_F(LoopbackTest, OemFilesAreKeptByteForByte)
{
    const ImageFile config("vtoem.cfg", 0);
    std::ofstream(config.path(), std::ios::binary) << "[oemsec]\r\ncompany=ACME\r\nsoftversion=3\r\n";
    ASSERT_EQ(Vt_Ipc_UploadOemConfigFile(handle_, config.path()), 0) << Vt_Sdk_GetLastError();
    const ImageFile logo("logo one.png", 70000);
    ASSERT_EQ(Vt_Ipc_UploadOemConfigFile(handle_, logo.path()), 0) << Vt_Sdk_GetLastError();
    {
        std::lock_guard lock(camera_->mutex);
        ASSERT_EQ(camera_->oemFiles.size(), 2u);
        EXPECT_EQ(camera_->oemFiles["vtoem.cfg"], ReadWhole(config.path()));
        EXPECT_EQ(camera_->oemFiles["logo one.png"], std::string(70000, '\x5A'));
    }
    const ImageFile huge("huge.png", 16 * 1024 * 1024 + 1);
    EXPECT_EQ(Vt_Ipc_UploadOemConfigFile(handle_, huge.path()), -1);
    EXPECT_EQ(Vt_Sdk_GetLastError(), VT_ERR_INVALID_ARGUMENT);
}

int64_t QueryNumber(const std::string& path, const char* sql)
{
    sqlite3* db = nullptr;
    int64_t value = -1;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW) {
            value = sqlite3_column_int64(statement, 0);
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return value;
}

class DownloadTest : public LoopbackTest
{
protected:
    DownloadTest()
        : folder_(std::filesystem::temp_directory_path() / ("vtipc-dl-" + std::to_string(getpid())))
    {
    }
    void SetUp() override
    {
        LoopbackTest::SetUp();
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override
    {
        std::filesystem::remove_all(folder_);
        LoopbackTest::TearDown();
    }
    std::string Path(const char* name) const { return (folder_ / name).string(); }
    size_t FilesInFolder() const
    {
        return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(folder_), {}));
    }

    std::filesystem::path folder_;
};

TEST_F(DownloadTest, LogConfigurationAndFilesArriveByteForByte)
{
    const std::string log = Path("cam.db");
    ASSERT_EQ(Vt_Ipc_DownloadLog(handle_, log.c_str()), 0) << Vt_Sdk_GetLastError();
    std::string held;
    {
        std::lock_guard lock(camera_->mutex);
        held = camera_->eventLog;
    }
    EXPECT_EQ(ReadWhole(log), held);
    EXPECT_EQ(QueryNumber(log, "select count(*) from log"), 600);
    EXPECT_EQ(QueryNumber(log, "select count(distinct main_type) from log"), 4);
    EXPECT_EQ(QueryNumber(log, "select count(distinct sub_type) from log"), 39);
    EXPECT_GT(QueryNumber(log, "select max(time) - min(time) from log"), 20 * 86400);

    const std::string config = Path("cam.cfg");
    ASSERT_EQ(Vt_Ipc_DownloadCfg(handle_, config.c_str()), 0) << Vt_Sdk_GetLastError();
    {
        std::lock_guard lock(camera_->mutex);
        EXPECT_EQ(ReadWhole(config), camsim::BuildConfigText(*camera_));
    }
    EXPECT_NE(ReadWhole(config).find("model=VT-C6121"), std::string::npos);

    const std::string clip = Path("clip.avi");
    ASSERT_EQ(Vt_Ipc_DownloadCustom(handle_, clip.c_str(), 0, "record/clip_0001.avi"), 0)
        << Vt_Sdk_GetLastError();
    {
        std::lock_guard lock(camera_->mutex);
        EXPECT_EQ(ReadWhole(clip), *camsim::CustomFile(*camera_, 0, "record/clip_0001.avi"));
    }
    EXPECT_EQ(FilesInFolder(), 3u) << "no temporary file stays behind";
}

TEST_F(DownloadTest, FailedDownloadsLeaveNoFile)
{
    const std::string missing = Path("missing.bin");
    EXPECT_EQ(Vt_Ipc_DownloadCustom(handle_, missing.c_str(), 1, "no/such/file"), -1);
    EXPECT_EQ(Vt_Sdk_GetLastError(), VT_ERR_UNSUPPORTED);
    EXPECT_EQ(Vt_Ipc_DownloadCustom(handle_, missing.c_str(), 2, "version.txt"), -1);
    EXPECT_EQ(Vt_Sdk_GetLastError(), VT_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(Vt_Ipc_DownloadLog(handle_, "/nonexistent-folder/cam.db"), -1);
    EXPECT_EQ(Vt_Sdk_GetLastError(), VT_ERR_FILE);

    {
        std::lock_guard lock(camera_->mutex);
        camera_->sim.faults |= camsim::kFaultBrokenHttp; // answers break off mid-way
    }
    const std::string cut = Path("cut.db");
    EXPECT_EQ(Vt_Ipc_DownloadLog(handle_, cut.c_str()), -1);
    EXPECT_EQ(Vt_Sdk_GetLastError(), VT_ERR_PROTOCOL);
    EXPECT_EQ(FilesInFolder(), 0u);
}

} // namespace
} // namespace loopback
