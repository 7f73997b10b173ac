// The temporary address on the lab's workstation interface, reaching a
// "camera" address that the lab puts in the camera namespace outside the
// workstation's subnet.
#include "Lab.h"
#include "TemporaryAddress.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {
std::string Output(const std::string& command)
{
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        std::array<char, 512> chunk{};
        while (std::fgets(chunk.data(), chunk.size(), pipe) != nullptr) {
            output += chunk.data();
        }
        ::pclose(pipe);
    }
    return output;
}

// The workstation interface's line for the address, empty when it has none.
std::string AddressLine(const labkit::Lab& lab, const std::string& address)
{
    const std::string lines = Output("ip -o -4 addr show dev " + lab.WsInterface());
    const std::size_t at = lines.find(" " + address + "/");
    return at == std::string::npos ? std::string() : lines.substr(at, lines.find('\n', at) - at);
}

bool Pings(const std::string& address)
{
    return std::system(("ping -c 1 -W 2 " + address + " > /dev/null 2>&1").c_str()) == 0;
}

TemporaryAddress::Options Quick(int lifetimeSeconds)
{
    TemporaryAddress::Options options;
    options.lifetime = std::chrono::seconds(lifetimeSeconds);
    options.renewal = std::chrono::milliseconds(1000);
    return options;
}
} // namespace

TEST(TemporaryAddressLab, FreeAddressWithFiniteLifetimeReachesTheCameraAndIsGoneAfter)
{
    LABKIT_REQUIRE_LAB();
    const labkit::Lab& lab = *labkit::LabEnvironment::Current();
    // The camera at 10.77.5.20/24; another host already holds 10.77.5.254,
    // the first address the holder would try.
    const std::string camera = "ip -n " + lab.CamNamespace() + " addr add ";
    ASSERT_EQ(std::system((camera + "10.77.5.20/24 dev " + lab.CamInterface()).c_str()), 0);
    ASSERT_EQ(std::system((camera + "10.77.5.254/24 dev " + lab.CamInterface()).c_str()), 0);
    ASSERT_FALSE(Pings("10.77.5.20")) << "the workstation has no route to the camera yet";

    std::string error;
    std::string added;
    {
        const auto held = TemporaryAddress::Acquire(lab.WsInterface(), "10.77.5.20", 24, Quick(3), error);
        ASSERT_NE(held, nullptr) << error;
        added = held->Address();
        EXPECT_EQ(added, "10.77.5.253") << "the address in use is passed over";
        const std::string line = AddressLine(lab, added);
        ASSERT_NE(line, "");
        EXPECT_NE(line.find("valid_lft"), std::string::npos) << line;
        EXPECT_EQ(line.find("forever"), std::string::npos) << "the kernel must expire it: " << line;
        EXPECT_TRUE(Pings("10.77.5.20"));
        EXPECT_EQ(Output("ip -4 route show default"), "") << "no default route is added";
        // Held beyond its lifetime, it stays: the holder renews it.
        std::this_thread::sleep_for(std::chrono::seconds(4));
        EXPECT_NE(AddressLine(lab, added), "");
    }
    EXPECT_EQ(AddressLine(lab, added), "") << "removed when the holder ends";
    EXPECT_FALSE(Pings("10.77.5.20"));

    // A subnet the workstation has needs no address and gets none.
    const auto refused = TemporaryAddress::Acquire(lab.WsInterface(), "192.168.44.9", 24, error);
    EXPECT_EQ(refused, nullptr);
    EXPECT_NE(error.find("already has an address"), std::string::npos) << error;
}

TEST(TemporaryAddressLab, KernelRemovesTheAddressOfAProgramThatDied)
{
    LABKIT_REQUIRE_LAB();
    const labkit::Lab& lab = *labkit::LabEnvironment::Current();
    int report[2];
    ASSERT_EQ(::pipe(report), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Takes the address and dies at once, never running the holder's end.
        std::string error;
        const auto held = TemporaryAddress::Acquire(lab.WsInterface(), "10.78.5.20", 24, Quick(2), error);
        const std::string address = held ? held->Address() : std::string();
        static_cast<void>(::write(report[1], address.data(), address.size()));
        ::_exit(held ? 0 : 1);
    }
    ::close(report[1]);
    char text[32] = {};
    static_cast<void>(::read(report[0], text, sizeof text - 1));
    ::close(report[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    const std::string added = text;
    ASSERT_EQ(added, "10.78.5.254");
    EXPECT_NE(AddressLine(lab, added), "");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (!AddressLine(lab, added).empty() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    EXPECT_EQ(AddressLine(lab, added), "") << "the kernel let it expire";
}
