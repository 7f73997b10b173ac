// The log page's camera work where no camera answers: the checks and the
// messages that come before any file, and the cache look-up. Cameras that do
// answer are the lab tests' part.
#include "LogOperations.h"

#include "CameraProvider.h"
#include "LogRules.h"
#include "ProgramFolder.h"
#include "VtIpcSDK.h"

#include <arpa/inet.h>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// A loopback port nothing listens on: connecting is refused at once.
int ClosedPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t size = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    ::close(fd);
    return ntohs(address.sin_port);
}

tagVtIpcInfo Listed(const char* model)
{
    tagVtIpcInfo camera{};
    const unsigned char mac[8] = {0x02, 0x5a, 0x30, 0x00, 0x00, 0x07, 0, 0};
    std::memcpy(camera.mac, mac, sizeof mac);
    std::strcpy(camera.ip, "127.0.0.1");
    camera.port = ClosedPort();
    std::strcpy(camera.model, model);
    return camera;
}

class LogOperations : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Vt_Sdk_Init();
        m_folder = fs::temp_directory_path() / ("zx-logops-" + std::to_string(::getpid()));
        fs::create_directories(m_folder);
        PlatformSetProgramFolder(m_folder.string());
    }
    void TearDown() override
    {
        PlatformSetProgramFolder("");
        fs::remove_all(m_folder);
    }
    std::vector<std::string> FilesUnder(const char* folder) const
    {
        std::vector<std::string> names;
        if (fs::exists(m_folder / folder)) {
            for (const auto& entry : fs::directory_iterator(m_folder / folder)) {
                names.push_back(entry.path().filename().string());
            }
        }
        return names;
    }

    fs::path m_folder;
    const LoginCredentials m_login{"admin", "admin"};
};

TEST_F(LogOperations, ACameraThatCannotBeReachedGetsTheLineOrTheMessageOfEachAction)
{
    const tagVtIpcInfo camera = Listed("VT-C3190A");
    const LogOutcome selected = SelectCameraLog(camera, m_login);
    EXPECT_FALSE(selected.camera);
    ASSERT_TRUE(selected.line.has_value());
    EXPECT_EQ(selected.line->text,
              L"[02:5A:30:00:00:07] 127.0.0.1 Can not access device. Please check it's network settings.");
    EXPECT_TRUE(selected.line->stamped);
    EXPECT_EQ(selected.messageKey, 0u);
    EXPECT_FALSE(selected.showCache);

    EXPECT_EQ(RefreshCameraLog(nullptr, camera, m_login).messageKey, 87000u);
    const std::time_t now = std::time(nullptr);
    EXPECT_EQ(FetchCameraFile(nullptr, camera, m_login, {CameraFileKind::Log, 0, {}}, now).messageKey,
              87001u);
    EXPECT_EQ(FetchCameraFile(nullptr, camera, m_login, {CameraFileKind::Config, 0, {}}, now).messageKey,
              87002u);
    EXPECT_EQ(
        FetchCameraFile(nullptr, camera, m_login, {CameraFileKind::Custom, 1, "version.txt"}, now).messageKey,
        87012u);
    // A camera held whose login the SDK does not know (never made here)
    // fails the download itself.
    const std::shared_ptr<Camera> held = OpenCamera(camera, m_login);
    EXPECT_EQ(FetchCameraFile(held, camera, m_login, {CameraFileKind::Log, 0, {}}, now).messageKey, 87004u);
    EXPECT_EQ(FetchCameraFile(held, camera, m_login, {CameraFileKind::Config, 0, {}}, now).messageKey,
              87006u);
    EXPECT_EQ(FetchCameraFile(held, camera, m_login, {CameraFileKind::Custom, 0, "x"}, now).messageKey,
              87013u);
    EXPECT_EQ(RefreshCameraLog(held, camera, m_login).messageKey, 87008u);
    for (const LogOutcome& failed :
         {RefreshCameraLog(held, camera, m_login),
          FetchCameraFile(held, camera, m_login, {CameraFileKind::Log, 0, {}}, now)}) {
        EXPECT_FALSE(failed.question);
        EXPECT_FALSE(failed.showCache);
    }
    EXPECT_TRUE(FilesUnder(kTempFilesFolder).empty()) << "no staging file stays";
    EXPECT_TRUE(FilesUnder(kLogFilesFolder).empty());
}

TEST_F(LogOperations, OnlyAModelsOfferFiles)
{
    const tagVtIpcInfo camera = Listed("VT-C2150");
    // Custom downloads are refused before anything is asked of the camera.
    const LogOutcome custom = FetchCameraFile(nullptr, camera, m_login,
                                              {CameraFileKind::Custom, 1, "version.txt"}, std::time(nullptr));
    EXPECT_EQ(custom.messageKey, 87003u);
    EXPECT_FALSE(custom.camera) << "no login was tried";
}

TEST_F(LogOperations, OnlyAWholeFileUnderTheCamerasCacheNameCounts)
{
    const tagVtIpcInfo camera = Listed("VT-C3190A");
    EXPECT_FALSE(HasCachedLog(camera));
    const fs::path temp = m_folder / kTempFilesFolder;
    EXPECT_EQ(fs::path(CachedLogPath(camera)), temp / "025A30000007_Log.db");
    EXPECT_TRUE(fs::is_directory(temp)) << "the folder is made when first needed";
    // Other files that merely name the camera, and a download still under
    // way or broken off, are no cache.
    std::ofstream(temp / "old025A30000007_Log.db") << "x";
    std::ofstream(temp / "025A30000007_Log.db.download") << "x";
    std::ofstream(temp / "025A30000007_Log.db.download.Ab12Cd") << "x";
    EXPECT_FALSE(HasCachedLog(camera));
    fs::create_directory(temp / "025A30000007_Log.db");
    EXPECT_FALSE(HasCachedLog(camera)) << "a folder under that name";
    fs::remove(temp / "025A30000007_Log.db");
    std::ofstream(temp / "025A30000007_Log.db") << "x";
    EXPECT_TRUE(HasCachedLog(camera));
}

TEST_F(LogOperations, FoldersLiveBelowTheProgramFolder)
{
    for (const char* folder : {kTempFilesFolder, kLogFilesFolder, kConfigFilesFolder, kCustomFilesFolder}) {
        EXPECT_EQ(fs::path(LogFolderPath(folder)), m_folder / folder);
        EXPECT_TRUE(fs::is_directory(m_folder / folder));
    }
}

} // namespace

// A camera of another maker may answer a system log of megabytes: the page
// shows only the newest lines, each cut short and on one line of its own.
TEST(SystemLogShown, OnlyTheNewestLinesEachCutShortAndOnOneLine)
{
    std::vector<std::string> answered;
    for (int i = 0; i < 20000; ++i) {
        answered.push_back("line " + std::to_string(i));
    }
    answered[19990] = std::string(100000, 'x') + "\n\x1b[2J";
    answered[19991] = std::string(kShownSystemLogLineBytes - 1, 'y') + "\xC3\xA9";
    const SystemLogView view = ShownSystemLog(answered);
    ASSERT_EQ(view.lines.size(), kShownSystemLogLines);
    EXPECT_EQ(view.older, 20000 - kShownSystemLogLines);
    EXPECT_EQ(view.lines.front(), "line " + std::to_string(view.older));
    EXPECT_EQ(view.lines.back(), "line 19999");
    const std::string& longest = view.lines[kShownSystemLogLines - 10];
    EXPECT_EQ(longest, std::string(kShownSystemLogLineBytes, 'x'));
    EXPECT_EQ(view.lines[kShownSystemLogLines - 9], std::string(kShownSystemLogLineBytes - 1, 'y') + "\xEF\xBF\xBD")
        << "a character cut in two shows as a replacement character";
    EXPECT_EQ(ShownSystemLog({"a\nb\x1b"}).lines.front(), "a\\nb\\x1B");
    EXPECT_EQ(ShownSystemLog({"one", "two"}).older, 0U);
}
