// The login password against a real session bus (dbus-daemon) and a real
// secret store (gnome-keyring-daemon), both started for the test in folders
// of its own, and without any bus at all, as on a site laptop or in CI.
#include "LoginSecret.h"

#include "AppSettings.h"
#include "SettingsStore.h"

#include <QCoreApplication>
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

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A child process ended (by its id) with the object.
class Child
{
public:
    // Runs argv; `input` is written to its standard input, which is then closed.
    Child(std::vector<std::string> argv, const std::string& input = {})
    {
        int in[2];
        if (::pipe(in) != 0) {
            return;
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(in[0], 0);
            ::close(in[0]);
            ::close(in[1]);
            std::vector<char*> args;
            for (std::string& arg : argv) {
                args.push_back(arg.data());
            }
            args.push_back(nullptr);
            ::execvp(args[0], args.data());
            ::_exit(127);
        }
        ::close(in[0]);
        [[maybe_unused]] const ssize_t written = ::write(in[1], input.data(), input.size());
        ::close(in[1]);
    }
    ~Child()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    bool Running() const { return pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == 0; }

private:
    pid_t pid_ = -1;
};

class LoginSecretTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_root = fs::temp_directory_path() /
                 ("zx-secret-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_root);
        fs::create_directories(m_root / "run");
        fs::permissions(m_root / "run", fs::perms::owner_all);
        ::setenv("XDG_CONFIG_HOME", (m_root / "config").c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", (m_root / "run").c_str(), 1);
        ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    }
    void TearDown() override { fs::remove_all(m_root); }

    std::string StoredInFile() const { return ReadAll(RegStoreFile()); }

    fs::path m_root;
};

TEST_F(LoginSecretTest, WithoutASessionBusThePasswordStaysInThePrivateFileAtOnce)
{
    const auto start = Clock::now();
    EXPECT_FALSE(LoginSecretStoreRunning());
    EXPECT_EQ(ReadLoginPassword(L"qr7319"), L"qr7319");
    EXPECT_EQ(WriteLoginPassword(L"s3cret"), LoginSecretPlace::SettingsFile);
    EXPECT_EQ(ReadLoginPassword(L"qr7319"), L"s3cret");
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2)) << "no waiting for a bus that is not there";
    EXPECT_NE(StoredInFile().find("Password=s3cret"), std::string::npos);
}

TEST_F(LoginSecretTest, ABusWithoutAStoreFallsBackAndAStoreTakesThePasswordOver)
{
    // A bus of the test's own that starts no services, so only a store the
    // test runs can answer, whatever is installed on the machine.
    const std::string bus = "unix:path=" + (m_root / "run" / "bus").string();
    std::ofstream(m_root / "bus.conf")
        << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig><type>session</type><listen>"
        << bus
        << "</listen><auth>EXTERNAL</auth><policy context=\"default\"><allow send_destination=\"*\" "
           "eavesdrop=\"true\"/><allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n";
    Child daemon({"dbus-daemon", "--nofork", "--config-file=" + (m_root / "bus.conf").string()});
    for (int i = 0; i < 100 && !fs::exists(m_root / "run" / "bus"); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(fs::exists(m_root / "run" / "bus")) << "dbus-daemon did not start (scripts/setup installs it)";
    ::setenv("DBUS_SESSION_BUS_ADDRESS", bus.c_str(), 1);

    // A bus, but nobody there keeps secrets: the file serves, quickly.
    auto start = Clock::now();
    EXPECT_FALSE(LoginSecretStoreRunning());
    EXPECT_EQ(WriteLoginPassword(L"from-file"), LoginSecretPlace::SettingsFile);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(4));

    // The desktop's store comes up: unlocked with a password of the test's own.
    ::setenv("HOME", m_root.c_str(), 1);
    ::setenv("XDG_DATA_HOME", (m_root / "data").c_str(), 1);
    Child keyring({"gnome-keyring-daemon", "--foreground", "--unlock", "--components=secrets"}, "test-unlock");
    for (int i = 0; i < 100 && !LoginSecretStoreRunning(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_TRUE(LoginSecretStoreRunning()) << "gnome-keyring-daemon did not start (scripts/setup installs it)";
    EXPECT_EQ(ReadLoginPassword(L"qr7319"), L"from-file") << "a password kept in the file keeps working";
    EXPECT_EQ(WriteLoginPassword(L"n3w pass"), LoginSecretPlace::SecretStore);
    EXPECT_EQ(StoredInFile().find("Password"), std::string::npos) << "no clear copy stays in the file";
    EXPECT_EQ(ReadLoginPassword(L"qr7319"), L"n3w pass");
    ASSERT_EQ(WriteSetting(L"Password", L"stale"), true);
    EXPECT_EQ(ReadLoginPassword(L"qr7319"), L"n3w pass") << "the store wins over a file value";
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
