// The device SDK in the workstation namespace against vtcamsim in the camera
// namespace: every call crosses the lab's veth link, and every write is read
// back to prove the camera changed.
#include "Lab.h"
#include "VtIpcSDK.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <linux/if_packet.h>
#include <net/ethernet.h>
#include <net/if.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

constexpr int kPort = 80;
const char* const kCamera = "192.168.10.1";
const char* const kUnreachable = "192.168.10.2"; // a camera whose web server is down
const char* const kBroken = "192.168.10.3";      // a camera whose answers break off
const char* const kNobody = "192.168.10.200";    // no camera at all
const unsigned char kCameraMac[6] = {0x02, 0x5a, 0x10, 0x00, 0x00, 0x01};

const char* const kConfig = R"({"cameras": [
  {"index": 0, "mac": "02:5a:10:00:00:01", "model": "VT-C6121", "version": "31.4.0.83", "name": "Lab Cam"},
  {"index": 1, "faults": ["unreachable"]},
  {"index": 2, "faults": ["broken-http"]}
]})";

// A raw socket on the workstation interface for the discovery frames.
class FrameSocket
{
public:
    explicit FrameSocket(const std::string& interfaceName)
    {
        fd_ = ::socket(AF_PACKET, SOCK_RAW | SOCK_CLOEXEC, htons(0x0809));
        sockaddr_ll address{};
        address.sll_family = AF_PACKET;
        address.sll_protocol = htons(0x0809);
        address.sll_ifindex = static_cast<int>(if_nametoindex(interfaceName.c_str()));
        ifindex_ = address.sll_ifindex;
        if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ADD_FAILURE() << "cannot open a raw socket on " << interfaceName;
        }
        std::ifstream("/sys/class/net/" + interfaceName + "/address") >> ownMac_;
    }
    ~FrameSocket() { ::close(fd_); }

    // The field string of a discovery reply that starts with "ip;", within
    // the time; empty when none came.
    std::string WaitForReplyFrom(const std::string& ip, std::chrono::milliseconds within)
    {
        const auto deadline = std::chrono::steady_clock::now() + within;
        unsigned char frame[2048];
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd entry{fd_, POLLIN, 0};
            if (::poll(&entry, 1, 100) <= 0) {
                continue;
            }
            const ssize_t n = ::recv(fd_, frame, sizeof frame, 0);
            if (n > 20 && std::memcmp(frame + 14, "\x20\x12\x06\x10", 4) == 0 && frame[18] + frame[19] == 1 &&
                std::strncmp(reinterpret_cast<const char*>(frame + 20), (ip + ";").c_str(), ip.size() + 1) ==
                    0) {
                return std::string(
                    reinterpret_cast<const char*>(frame + 20),
                    strnlen(reinterpret_cast<const char*>(frame + 20), static_cast<size_t>(n) - 20));
            }
        }
        return {};
    }

    void SendDiscovery() { Send(0, nullptr, {}); }

    // A modify request for the camera, as the discovery library sends it.
    void SendModify(const unsigned char (&target)[6], const std::string& fields) { Send(2, target, fields); }

private:
    void Send(unsigned char operation, const unsigned char* target, const std::string& fields)
    {
        unsigned char frame[260] = {};
        std::memset(frame, 0xFF, 6);
        unsigned mac[6];
        std::sscanf(ownMac_.c_str(), "%x:%x:%x:%x:%x:%x", &mac[0], &mac[1], &mac[2], &mac[3], &mac[4],
                    &mac[5]);
        for (int i = 0; i < 6; ++i) {
            frame[6 + i] = static_cast<unsigned char>(mac[i]);
        }
        frame[12] = 0x08;
        frame[13] = 0x09;
        std::memcpy(frame + 14, "\x20\x12\x06\x10", 4);
        frame[19] = operation;
        if (target != nullptr) {
            std::memcpy(frame + 20, target, 6);
            std::memcpy(frame + 26, fields.data(), std::min<size_t>(fields.size(), 233));
        }
        sockaddr_ll address{};
        address.sll_family = AF_PACKET;
        address.sll_ifindex = ifindex_;
        address.sll_halen = 6;
        std::memset(address.sll_addr, 0xFF, 6);
        ASSERT_EQ(
            ::sendto(fd_, frame, sizeof frame, 0, reinterpret_cast<sockaddr*>(&address), sizeof address),
            260);
    }

    int fd_ = -1;
    int ifindex_ = 0;
    std::string ownMac_;
};

class VtIpcLab : public ::testing::Test
{
protected:
    void SetUp() override
    {
        LABKIT_REQUIRE_LAB();
        const std::string config = "/tmp/vtipc-lab-" + std::to_string(getpid()) + ".json";
        std::ofstream(config) << kConfig;
        std::string error;
        sim_ = labkit::LabEnvironment::Current()->StartCamSim({"--count", "4", "--base-ip", kCamera,
                                                               "--password", "secret1", "--reboot-ms", "1500",
                                                               "--config", config},
                                                              error);
        std::remove(config.c_str());
        ASSERT_GT(sim_, 0) << error;
        Vt_Sdk_Init();
        handle_ = Vt_Ipc_Login(kCamera, kCamera, kPort, "admin", "secret1", 0);
        ASSERT_GE(handle_, 0) << "login through the lab failed with " << Vt_Sdk_GetLastError();
    }
    void TearDown() override
    {
        Vt_Sdk_Destroy();
        if (sim_ > 0) {
            labkit::LabEnvironment::Current()->Stop(sim_);
        }
    }

    pid_t sim_ = -1;
    int handle_ = -1;
};

TEST_F(VtIpcLab, EveryRecordRoundTripsThroughTheCamera)
{
    SystemDateRecord date{};
    date.mode = 0;
    std::strcpy(date.date, "2030/06/15");
    std::strcpy(date.time, "08:30:00");
    date.timeZone = 38;
    std::strcpy(date.ntpServer, "ntp.lab");
    ASSERT_EQ(Vt_Ipc_SetSystemDate(handle_, &date), 0) << Vt_Sdk_GetLastError();
    SystemDateRecord readDate{};
    ASSERT_EQ(Vt_Ipc_GetSystemDate(handle_, &readDate), 0);
    EXPECT_STREQ(readDate.date, "2030/06/15");
    EXPECT_EQ(readDate.timeZone, 38);
    EXPECT_STREQ(readDate.ntpServer, "ntp.lab");

    ASSERT_EQ(Vt_Ipc_SetDeviceName(handle_, "Gate%20%31"), 0);

    PortInfoRecord ports{};
    ASSERT_EQ(Vt_Ipc_GetPortInfo(handle_, &ports), 0);
    EXPECT_EQ(ports.httpPort, kPort);
    ports.rtspPort = ports.rtspPort2 = 10554;
    ASSERT_EQ(Vt_Ipc_SetPortInfo(handle_, &ports), 0);
    PortInfoRecord readPorts{};
    ASSERT_EQ(Vt_Ipc_GetPortInfo(handle_, &readPorts), 0);
    EXPECT_EQ(readPorts.rtspPort, 10554);

    DdnsRecord ddns{};
    ddns.enabled = 1;
    std::strcpy(ddns.provider, "no-ip.com");
    std::strcpy(ddns.user, "u");
    std::strcpy(ddns.password, "p");
    std::strcpy(ddns.host, "lab-cam.example.net");
    ASSERT_EQ(Vt_Ipc_SetDDNS(handle_, &ddns), 0);
    DdnsRecord readDdns{};
    ASSERT_EQ(Vt_Ipc_GetDDNS(handle_, &readDdns), 0);
    EXPECT_STREQ(readDdns.host, "lab-cam.example.net");
    EXPECT_STREQ(readDdns.mac, "02:5A:10:00:00:01");

    SystemInfoRecord info{};
    ASSERT_EQ(Vt_Ipc_GetSystemInfo(handle_, &info), 0);
    EXPECT_STREQ(info.version, "31.4.0.83");
    EXPECT_STREQ(info.model, "VT-C6121");

    VideoConfigRecord video{};
    video.stream = 1;
    ASSERT_EQ(Vt_Ipc_GetVideoConfig(handle_, &video), 0);
    video.frameSize = 6;
    video.bitRate = 1024;
    ASSERT_EQ(Vt_Ipc_SetVideoConfig(handle_, &video), 0);
    VideoConfigRecord readVideo{};
    readVideo.stream = 1;
    ASSERT_EQ(Vt_Ipc_GetVideoConfig(handle_, &readVideo), 0);
    EXPECT_EQ(readVideo.frameSize, 6);
    EXPECT_EQ(readVideo.bitRate, 1024);

    OsdRecord osd{};
    ASSERT_EQ(Vt_Ipc_GetOSD(handle_, &osd), 0);
    std::strcpy(osd.title, "Lab title");
    osd.datePosition = 2;
    ASSERT_EQ(Vt_Ipc_SetOSD(handle_, &osd), 0);
    OsdRecord readOsd{};
    ASSERT_EQ(Vt_Ipc_GetOSD(handle_, &readOsd), 0);
    EXPECT_EQ(std::memcmp(&readOsd, &osd, sizeof osd), 0);

    ImagingSettingsRecord picture{200, 100, 50, 37, 12};
    ASSERT_EQ(Vt_Ipc_SetImagingSettings(handle_, &picture), 0);
    ImagingSettingsRecord readPicture{};
    ASSERT_EQ(Vt_Ipc_GetImagingSettings(handle_, &readPicture), 0);
    EXPECT_EQ(std::memcmp(&readPicture, &picture, sizeof picture), 0);

    ImagingConfigRecord imaging{};
    ASSERT_EQ(Vt_Ipc_GetImagingConfig(handle_, &imaging), 0);
    imaging.frequency = 60;
    imaging.exposureLevel = 3;
    ASSERT_EQ(Vt_Ipc_SetImagingConfig(handle_, &imaging), 0);
    ImagingConfigRecord readImaging{};
    ASSERT_EQ(Vt_Ipc_GetImagingConfig(handle_, &readImaging), 0);
    EXPECT_EQ(std::memcmp(&readImaging, &imaging, sizeof imaging), 0);

    // The new name reaches the workstation in the camera's discovery replies too.
    FrameSocket frames(labkit::LabEnvironment::Current()->WsInterface());
    frames.SendDiscovery();
    EXPECT_NE(frames.WaitForReplyFrom(kCamera, 3s).find(";Gate 1;"), std::string::npos);

    ASSERT_EQ(Vt_Ipc_RestoreSystem(handle_), 0);
    ASSERT_EQ(Vt_Ipc_GetOSD(handle_, &readOsd), 0);
    EXPECT_STREQ(readOsd.title, "Camera") << "restore brings back the factory title";
    ASSERT_EQ(Vt_Ipc_GetImagingConfig(handle_, &readImaging), 0);
    EXPECT_EQ(readImaging.frequency, 50);
}

TEST_F(VtIpcLab, PasswordChangeLocksOutTheOldPassword)
{
    ASSERT_EQ(Vt_Ipc_ModifyPassword(handle_, "admin", "fresh42"), 0) << Vt_Sdk_GetLastError();
    EXPECT_EQ(Vt_Ipc_Login(kCamera, kCamera, kPort, "admin", "secret1", 0), -1);
    EXPECT_EQ(Vt_Sdk_GetLastError(), VT_ERR_AUTH_REFUSED);
    EXPECT_GE(Vt_Ipc_Login(kCamera, kCamera, kPort, "admin", "fresh42", 0), 0);
}

TEST_F(VtIpcLab, UnreachableAndRefusedAreTold)
{
    EXPECT_EQ(Vt_Ipc_Login(kCamera, kCamera, kPort, "admin", "wrong", 0), -1);
    EXPECT_EQ(Vt_Sdk_GetLastError(), VT_ERR_AUTH_REFUSED);
    EXPECT_EQ(Vt_Ipc_Login(kUnreachable, kUnreachable, kPort, "admin", "secret1", 0), -1);
    EXPECT_EQ(Vt_Sdk_GetLastError(), VT_ERR_UNREACHABLE);
    EXPECT_EQ(Vt_Ipc_Login(kNobody, kNobody, kPort, "admin", "secret1", 0), -1);
    EXPECT_EQ(Vt_Sdk_GetLastError(), VT_ERR_UNREACHABLE);
    EXPECT_EQ(Vt_Ipc_Login(kBroken, kBroken, kPort, "admin", "secret1", 0), -1);
    EXPECT_EQ(Vt_Sdk_GetLastError(), VT_ERR_PROTOCOL);
}

TEST_F(VtIpcLab, RebootIsSilentThenAnnouncesItself)
{
    FrameSocket frames(labkit::LabEnvironment::Current()->WsInterface());
    ASSERT_EQ(Vt_Ipc_RebootSystem(handle_), 0) << Vt_Sdk_GetLastError();
    std::this_thread::sleep_for(400ms);
    SystemInfoRecord info{};
    EXPECT_EQ(Vt_Ipc_GetSystemInfo(handle_, &info), -1);
    EXPECT_EQ(Vt_Sdk_GetLastError(), VT_ERR_UNREACHABLE);
    EXPECT_FALSE(frames.WaitForReplyFrom(kCamera, 5s).empty()) << "no announcement after the reboot";
    EXPECT_EQ(Vt_Ipc_GetSystemInfo(handle_, &info), 0) << Vt_Sdk_GetLastError();
}

TEST_F(VtIpcLab, ModifyFrameMovesTheWebServer)
{
    FrameSocket frames(labkit::LabEnvironment::Current()->WsInterface());
    frames.SendModify(kCameraMac,
                      "192.168.20.5;8080;255.255.0.0;192.168.0.1;192.168.0.1;Moved;admin;secret1");
    int moved = -1;
    for (int i = 0; i < 50 && moved < 0; ++i) {
        std::this_thread::sleep_for(100ms);
        moved = Vt_Ipc_Login("192.168.20.5", "192.168.20.5", 8080, "admin", "secret1", 0);
    }
    ASSERT_GE(moved, 0) << "the camera does not answer on its new address: " << Vt_Sdk_GetLastError();
    PortInfoRecord ports{};
    ASSERT_EQ(Vt_Ipc_GetPortInfo(moved, &ports), 0);
    EXPECT_EQ(ports.httpPort, 8080);
    EXPECT_EQ(Vt_Ipc_Login(kCamera, kCamera, kPort, "admin", "secret1", 0), -1);
    EXPECT_EQ(Vt_Sdk_GetLastError(), VT_ERR_UNREACHABLE);
}

} // namespace
