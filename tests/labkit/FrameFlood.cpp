// vtflood: what anyone on the camera segment can send. Discovery replies from
// many made-up cameras, as fast as asked, from the lab's camera namespace;
// some cameras carry hostile texts (line ends, control characters, bytes that
// are no UTF-8), and those can also answer a change they were never asked for.
//
//   vtflood --interface IF [--cameras N] [--frames F] [--seconds S]
//           [--hostile K] [--modify-reply WSMAC] [--first N0] [--onvif 1]
//
// N cameras (02:f1:... from N0 on) send F replies in all, round robin, spread
// evenly over S seconds (0: as fast as the link takes them). The first K
// cameras carry hostile names and addresses. With --modify-reply, the first K
// cameras then send an accepted modify reply to the workstation adapter WSMAC
// with another hostile name. With --onvif 1, the cameras are made-up ONVIF
// devices instead: each sends WS-Discovery Hello datagrams to the group, its
// service address in the lab's subnet where nobody answers. Prints "vtflood started" before the first frame
// and "vtflood done sent=... failed=..." at the end.
#include "SimCamera.h"
#include "SimFrames.h"
#include "onvif/WsDiscovery.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <pcap/pcap.h>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Options
{
    std::string interfaceName;
    unsigned cameras = 1000;
    unsigned long frames = 1000;
    double seconds = 0;
    unsigned hostile = 0;
    unsigned first = 0;
    std::string workstation;
    bool onvif = false;
};

bool Parse(int argc, char** argv, Options& options)
{
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        const char* value = argv[i + 1];
        if (option == "--interface") {
            options.interfaceName = value;
        } else if (option == "--cameras") {
            options.cameras = static_cast<unsigned>(std::strtoul(value, nullptr, 10));
        } else if (option == "--frames") {
            options.frames = std::strtoul(value, nullptr, 10);
        } else if (option == "--seconds") {
            options.seconds = std::strtod(value, nullptr);
        } else if (option == "--hostile") {
            options.hostile = static_cast<unsigned>(std::strtoul(value, nullptr, 10));
        } else if (option == "--first") {
            options.first = static_cast<unsigned>(std::strtoul(value, nullptr, 10));
        } else if (option == "--onvif") {
            options.onvif = std::string(value) == "1";
        } else if (option == "--modify-reply") {
            options.workstation = value;
        } else {
            return false;
        }
    }
    return !options.interfaceName.empty() && options.cameras > 0;
}

camsim::SimCamera MadeUpCamera(unsigned n, bool hostile)
{
    camsim::SimCamera camera;
    camera.mac = {0x02, 0xF1, static_cast<unsigned char>(n >> 24), static_cast<unsigned char>(n >> 16),
                  static_cast<unsigned char>(n >> 8), static_cast<unsigned char>(n)};
    camera.ip = "10.99." + std::to_string((n >> 8) & 0xFF) + "." + std::to_string(n & 0xFF);
    camera.netmask = "255.255.0.0";
    camera.gateway = "10.99.0.1";
    camera.dns = "10.99.0.1";
    camera.name = "fake-" + std::to_string(n);
    if (hostile) {
        // A line of its own in the log (the address holds 31 bytes), a
        // terminal escape, and raw bytes.
        camera.ip = std::to_string(n % 1000) + "\r\n[zendrix]forged line";
        camera.name = "cam\n[2026-01-01 00:00:00] forged\x1b[2J\xFF\xFE\x80";
        camera.model = "M\x01\x7F\xC0";
    }
    return camera;
}

// A made-up ONVIF camera's Hello: its service address lies in the lab's
// subnet (192.168.128.0 to 192.168.247.255), where no host answers.
std::vector<unsigned char> MadeUpHello(unsigned n)
{
    camsim::SimCamera camera;
    camera.ip = "192.168." + std::to_string(128 + (n >> 8) % 120) + "." + std::to_string(n & 0xFF);
    camera.name = "fake-" + std::to_string(n);
    char uuid[64];
    std::snprintf(uuid, sizeof uuid, "urn:uuid:0f100d00-0000-4000-8000-%012x", n);
    const std::string hello = camsim::BuildHello(camera, uuid, 1);
    return {hello.begin(), hello.end()};
}

// A socket that sends to the WS-Discovery group out of the interface only.
int GroupSocket(const std::string& interfaceName)
{
    const int sock = socket(AF_INET, SOCK_DGRAM, 0);
    ip_mreqn outgoing{};
    outgoing.imr_ifindex = static_cast<int>(if_nametoindex(interfaceName.c_str()));
    if (sock < 0 || outgoing.imr_ifindex == 0 ||
        setsockopt(sock, IPPROTO_IP, IP_MULTICAST_IF, &outgoing, sizeof outgoing) != 0) {
        if (sock >= 0) {
            close(sock);
        }
        return -1;
    }
    return sock;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!Parse(argc, argv, options)) {
        std::fprintf(stderr, "usage: vtflood --interface IF [--cameras N] [--frames F] [--seconds S] "
                             "[--hostile K] [--modify-reply WSMAC] [--first N0] [--onvif 1]\n");
        return 2;
    }
    camsim::MacAddress workstation{};
    if (!options.workstation.empty() && !camsim::ParseMac(options.workstation, workstation)) {
        std::fprintf(stderr, "vtflood: not an address: %s\n", options.workstation.c_str());
        return 2;
    }
    char error[PCAP_ERRBUF_SIZE] = {};
    pcap_t* handle = pcap_open_live(options.interfaceName.c_str(), 64, 0, 100, error);
    if (handle == nullptr) {
        std::fprintf(stderr, "vtflood: %s\n", error);
        return 1;
    }
    const auto start = Clock::now();
    std::vector<std::vector<unsigned char>> replies;
    replies.reserve(options.cameras);
    const camsim::MacAddress everyone = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    for (unsigned n = 0; n < options.cameras; ++n) {
        replies.push_back(options.onvif ? MadeUpHello(options.first + n)
                                        : camsim::BuildSimDiscoveryReply(
                                              MadeUpCamera(options.first + n, n < options.hostile), everyone, start));
    }
    const int group = options.onvif ? GroupSocket(options.interfaceName) : -1;
    if (options.onvif && group < 0) {
        std::fprintf(stderr, "vtflood: no multicast socket on %s\n", options.interfaceName.c_str());
        return 1;
    }
    sockaddr_in groupAddress{};
    groupAddress.sin_family = AF_INET;
    groupAddress.sin_port = htons(3702);
    inet_pton(AF_INET, "239.255.255.250", &groupAddress.sin_addr);
    std::printf("vtflood started\n");
    std::fflush(stdout);

    unsigned long sent = 0;
    unsigned long failed = 0;
    const auto send = [&](const std::vector<unsigned char>& frame) {
        const bool done = options.onvif ? sendto(group, frame.data(), frame.size(), 0,
                                                 reinterpret_cast<const sockaddr*>(&groupAddress),
                                                 sizeof groupAddress) == static_cast<ssize_t>(frame.size())
                                        : pcap_sendpacket(handle, frame.data(), static_cast<int>(frame.size())) == 0;
        if (done) {
            ++sent;
        } else {
            ++failed;
        }
    };
    for (unsigned long i = 0; i < options.frames; ++i) {
        if (options.seconds > 0) {
            // Frame i is due at i / frames of the time: ahead of it, wait.
            const auto due = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
                                         options.seconds * static_cast<double>(i) / options.frames));
            if (Clock::now() < due) {
                std::this_thread::sleep_until(due);
            }
        }
        send(replies[i % options.cameras]);
    }
    if (!options.workstation.empty()) {
        for (unsigned n = 0; n < options.hostile && n < options.cameras; ++n) {
            camsim::SimCamera renamed = MadeUpCamera(options.first + n, true);
            renamed.name = "renamed\r\n[2026-01-01 00:00:00] forged reply\x07\xFF";
            send(camsim::BuildSimModifyReply(renamed, workstation, true, Clock::now()));
        }
    }
    pcap_close(handle);
    if (group >= 0) {
        close(group);
    }
    std::printf("vtflood done sent=%lu failed=%lu\n", sent, failed);
    return failed == 0 ? 0 : 1;
}
