// The WS-Discovery socket on the loopback interface of a network namespace of
// the test's own (multicast switched on there), so nothing leaves the
// process's namespace. The other end is a test fake: a plain UDP socket in the
// group that answers the Probe as a camera would and sends Hello, Bye and junk.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <condition_variable>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <regex>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include "WsDiscoverySocket.h"

namespace {

std::string Envelope(const std::string& header, const std::string& body)
{
    return "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\""
           " xmlns:a=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\""
           " xmlns:d=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\"><s:Header>" +
           header + "</s:Header><s:Body>" + body + "</s:Body></s:Envelope>";
}

const std::string kEndpoint = "<a:EndpointReference><a:Address>urn:uuid:0000-1</a:Address></a:EndpointReference>"
                              "<d:Types>dn:NetworkVideoTransmitter</d:Types><d:Scopes>"
                              "onvif://www.onvif.org/name/Fake</d:Scopes><d:XAddrs>"
                              "http://127.0.0.1/onvif/device_service</d:XAddrs><d:MetadataVersion>1</d:MetadataVersion>";

struct Heard {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<onvif::DiscoveryMessage> messages;

    bool WaitFor(std::size_t count)
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(5), [&] { return messages.size() >= count; });
    }
};

} // namespace

TEST(WsDiscoverySocketTest, ProbesAndHearsMatchesHelloAndByeAndCountsJunk)
{
    ASSERT_EQ(::unshare(CLONE_NEWNET), 0) << "needs root";
    ASSERT_EQ(std::system("ip link set lo up && ip link set lo multicast on && ip route add 224.0.0.0/4 dev lo src 127.0.0.1"), 0);

    // The fake camera: in the group on lo.
    const int fake = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    ::setsockopt(fake, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in group{};
    group.sin_family = AF_INET;
    group.sin_port = htons(onvif::kDiscoveryPort);
    ::inet_pton(AF_INET, onvif::kDiscoveryGroup, &group.sin_addr);
    sockaddr_in any = group;
    any.sin_addr.s_addr = htonl(INADDR_ANY);
    ASSERT_EQ(::bind(fake, reinterpret_cast<sockaddr*>(&any), sizeof any), 0);
    ip_mreqn membership{};
    membership.imr_multiaddr = group.sin_addr;
    membership.imr_ifindex = 1;
    ASSERT_EQ(::setsockopt(fake, IPPROTO_IP, IP_ADD_MEMBERSHIP, &membership, sizeof membership), 0);
    ip_mreqn out{};
    out.imr_ifindex = 1;
    ::setsockopt(fake, IPPROTO_IP, IP_MULTICAST_IF, &out, sizeof out);

    Heard heard;
    onvif::WsDiscoverySocket socket("lo", [&](const onvif::DiscoveryMessage& message, const std::string& from) {
        EXPECT_EQ(from, "127.0.0.1");
        std::lock_guard lock(heard.mutex);
        heard.messages.push_back(message);
        heard.changed.notify_all();
    });
    std::string error;
    ASSERT_TRUE(socket.Start(error)) << error;
    ASSERT_TRUE(socket.SendProbe());

    // The Probe reaches the group; the fake answers its sender.
    std::string probe(70000, '\0');
    sockaddr_in prober{};
    socklen_t proberLength = sizeof prober;
    pollfd wait{fake, POLLIN, 0};
    ASSERT_EQ(::poll(&wait, 1, 5000), 1);
    const ssize_t length =
        ::recvfrom(fake, probe.data(), probe.size(), 0, reinterpret_cast<sockaddr*>(&prober), &proberLength);
    ASSERT_GT(length, 0);
    probe.resize(static_cast<std::size_t>(length));
    std::smatch id;
    ASSERT_TRUE(std::regex_search(probe, id, std::regex("MessageID>(urn:uuid:[0-9a-f-]+)<")));
    const auto send = [&](const std::string& datagram, const sockaddr_in& to) {
        ::sendto(fake, datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    };
    send(Envelope("<a:RelatesTo>" + id[1].str() + "</a:RelatesTo>",
                  "<d:ProbeMatches><d:ProbeMatch>" + kEndpoint + "</d:ProbeMatch></d:ProbeMatches>"),
         prober);
    send(std::string(60000, '<'), prober);
    send(Envelope("", "<d:Hello>" + kEndpoint + "</d:Hello>"), group);
    send("<s:Envelope><s:Body><d:Hello>", group);
    send(Envelope("", "<d:Bye><a:EndpointReference><a:Address>urn:uuid:0000-1</a:Address></a:EndpointReference></d:Bye>"),
         group);

    ASSERT_TRUE(heard.WaitFor(3));
    {
        std::lock_guard lock(heard.mutex);
        EXPECT_EQ(heard.messages[0].kind, onvif::DiscoveryKind::ProbeMatches);
        EXPECT_EQ(heard.messages[0].relatesTo, id[1].str());
        EXPECT_EQ(heard.messages[0].endpoints[0].name, "Fake");
        EXPECT_EQ(heard.messages[1].kind, onvif::DiscoveryKind::Hello);
        EXPECT_EQ(heard.messages[2].kind, onvif::DiscoveryKind::Bye);
    }
    EXPECT_EQ(socket.Dropped(), 2u);

    // After Stop no callback runs, whatever arrives.
    socket.Stop();
    send(Envelope("", "<d:Hello>" + kEndpoint + "</d:Hello>"), group);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(socket.Delivered(), 3u);
    ::close(fake);
}
