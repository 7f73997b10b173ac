// The real program, started offscreen without capture, ended by the signals
// a logout, a shutdown or Ctrl+C send: it must close as through its close
// button and keep what the user typed.
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string g_program; // the zendrix executable, from the command line

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class ProgramSignalTest : public ::testing::TestWithParam<int>
{
protected:
    void SetUp() override
    {
        m_root = fs::temp_directory_path() / ("zx-signal-" + std::to_string(::getpid()) + "-" +
                                              std::to_string(GetParam()));
        fs::remove_all(m_root);
        fs::create_directories(m_root / "program");
        fs::create_directories(m_root / "config" / "Vantrel Zendrix");
        fs::permissions(m_root / "config" / "Vantrel Zendrix", fs::perms::owner_all);
        // What an earlier run left: the program must write its values back.
        std::ofstream(m_root / "config" / "Vantrel Zendrix" / "settings.ini")
            << "[SOFTWARE\\\\Vantrel Zendrix]\nBasicMode=0\nUser=installer\nPassword=s3cret\n";
        fs::permissions(m_root / "config" / "Vantrel Zendrix" / "settings.ini",
                        fs::perms::owner_read | fs::perms::owner_write);
    }
    void TearDown() override { fs::remove_all(m_root); }

    // Starts the program; returns its process id.
    pid_t Start()
    {
        const pid_t child = ::fork();
        if (child == 0) {
            ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
            ::setenv("ZENDRIX_NO_CAPTURE", "1", 1);
            ::setenv("ZENDRIX_PROGRAM_FOLDER", (m_root / "program").c_str(), 1);
            ::setenv("XDG_CONFIG_HOME", (m_root / "config").c_str(), 1);
            ::setenv("XDG_DATA_HOME", (m_root / "data").c_str(), 1);
            ::setenv("XDG_RUNTIME_DIR", m_root.c_str(), 1);
            ::unsetenv("DBUS_SESSION_BUS_ADDRESS"); // no secret store: the file keeps the password
            ::execl(g_program.c_str(), g_program.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        return child;
    }

    // The window is up once it stored the language choice.
    bool WaitUntilRunning(pid_t child) const
    {
        for (int i = 0; i < 300; ++i) {
            if (fs::exists(m_root / "program" / "Language.ini")) {
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
                return true;
            }
            int status = 0;
            if (::waitpid(child, &status, WNOHANG) == child) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    fs::path m_root;
};

TEST_P(ProgramSignalTest, ASignalClosesTheProgramAndKeepsTheSettings)
{
    ASSERT_FALSE(g_program.empty()) << "usage: app_run_tests PATH-OF-ZENDRIX";
    const fs::path store = m_root / "config" / "Vantrel Zendrix" / "settings.ini";
    const pid_t child = Start();
    ASSERT_GT(child, 0);
    ASSERT_TRUE(WaitUntilRunning(child)) << "the program did not come up";
    // Only what the program writes on its way out counts.
    fs::remove(store);
    ASSERT_EQ(::kill(child, GetParam()), 0);
    int status = 0;
    pid_t ended = 0;
    for (int i = 0; i < 400 && ended == 0; ++i) {
        ended = ::waitpid(child, &status, WNOHANG);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (ended == 0) {
        ::kill(child, SIGKILL);
        ::waitpid(child, &status, 0);
        FAIL() << "the program did not end within 20 s";
    }
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    const std::string saved = ReadAll(store);
    EXPECT_NE(saved.find("BasicMode=0"), std::string::npos) << saved;
    EXPECT_NE(saved.find("User=installer"), std::string::npos) << saved;
    EXPECT_NE(saved.find("Password=s3cret"), std::string::npos) << saved;
}

INSTANTIATE_TEST_SUITE_P(Signals, ProgramSignalTest, ::testing::Values(SIGTERM, SIGINT, SIGHUP),
                         [](const ::testing::TestParamInfo<int>& param) {
                             return std::string(param.param == SIGTERM  ? "Term"
                                                : param.param == SIGINT ? "Int"
                                                                       : "Hup");
                         });

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (argc > 1) {
        g_program = argv[1];
    }
    return RUN_ALL_TESTS();
}
