#include <gtest/gtest.h>

#include <regex>

#include "WsDiscoveryMessages.h"

namespace {

std::string Envelope(const std::string& header, const std::string& body)
{
    return "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://www.w3.org/2003/05/soap-envelope\""
           " xmlns:wsa=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\""
           " xmlns:wsd=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\""
           " xmlns:dn=\"http://www.onvif.org/ver10/network/wsdl\"><SOAP-ENV:Header>" +
           header + "</SOAP-ENV:Header><SOAP-ENV:Body>" + body + "</SOAP-ENV:Body></SOAP-ENV:Envelope>";
}

std::string Match(const std::string& xaddrs, const std::string& scopes)
{
    return "<wsa:EndpointReference><wsa:Address>urn:uuid:1419d68a-1dd2-11b2-a105-000000000001</wsa:Address>"
           "</wsa:EndpointReference><wsd:Types>dn:NetworkVideoTransmitter tds:Device</wsd:Types><wsd:Scopes>" +
           scopes + "</wsd:Scopes><wsd:XAddrs>" + xaddrs +
           "</wsd:XAddrs><wsd:MetadataVersion>3</wsd:MetadataVersion>";
}

} // namespace

TEST(WsDiscoveryMessagesTest, ReadsProbeMatchesHelloAndBye)
{
    const std::string probe = onvif::BuildProbe(onvif::NewMessageId());
    EXPECT_TRUE(std::regex_search(probe, std::regex("<a:MessageID>urn:uuid:[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-"
                                                    "[89ab][0-9a-f]{3}-[0-9a-f]{12}</a:MessageID>")));
    EXPECT_EQ(onvif::ParseDiscoveryMessage(probe).kind, onvif::DiscoveryKind::Ignored);

    const onvif::DiscoveryMessage matches = onvif::ParseDiscoveryMessage(Envelope(
        "<wsa:RelatesTo>urn:uuid:abc</wsa:RelatesTo>",
        "<wsd:ProbeMatches><wsd:ProbeMatch>" +
            Match("http://192.168.1.64/onvif/device_service http://[fe80::1]/onvif/device_service",
                  "onvif://www.onvif.org/type/video_encoder onvif://www.onvif.org/name/Lobby%20Cam "
                  "onvif://www.onvif.org/hardware/DS-2CD2143") +
            "</wsd:ProbeMatch></wsd:ProbeMatches>"));
    ASSERT_EQ(matches.kind, onvif::DiscoveryKind::ProbeMatches) << matches.problem;
    EXPECT_EQ(matches.relatesTo, "urn:uuid:abc");
    ASSERT_EQ(matches.endpoints.size(), 1u);
    const onvif::DiscoveredEndpoint& camera = matches.endpoints[0];
    EXPECT_EQ(camera.address, "urn:uuid:1419d68a-1dd2-11b2-a105-000000000001");
    EXPECT_EQ(camera.xaddrs.size(), 2u);
    EXPECT_EQ(camera.metadataVersion, 3u);
    EXPECT_EQ(camera.name, "Lobby Cam");
    EXPECT_EQ(camera.hardware, "DS-2CD2143");
    EXPECT_TRUE(onvif::IsVideoTransmitter(camera));

    const onvif::DiscoveryMessage hello = onvif::ParseDiscoveryMessage(
        Envelope("", "<wsd:Hello>" + Match("http://10.0.0.9/onvif/device_service", "") + "</wsd:Hello>"));
    EXPECT_EQ(hello.kind, onvif::DiscoveryKind::Hello);
    const onvif::DiscoveryMessage bye = onvif::ParseDiscoveryMessage(
        Envelope("", "<wsd:Bye><wsa:EndpointReference><wsa:Address>urn:uuid:9</wsa:Address></wsa:EndpointReference>"
                     "</wsd:Bye>"));
    ASSERT_EQ(bye.kind, onvif::DiscoveryKind::Bye);
    EXPECT_EQ(bye.endpoints[0].address, "urn:uuid:9");
}

// Out of bounds or malformed: the whole message is dropped, so it is counted.
TEST(WsDiscoveryMessagesTest, DropsMessagesOutOfBounds)
{
    std::string nineAddresses;
    for (int i = 0; i < 9; ++i) {
        nineAddresses += "http://10.0.0." + std::to_string(i) + "/onvif/device_service ";
    }
    std::string seventeen;
    for (int i = 0; i < 17; ++i) {
        seventeen += "<wsd:ProbeMatch>" + Match("http://10.0.0.1/", "") + "</wsd:ProbeMatch>";
    }
    const std::string dropped[] = {
        Envelope("", "<wsd:Hello>" + Match(nineAddresses, "") + "</wsd:Hello>"),
        Envelope("", "<wsd:Hello>" + Match("http://" + std::string(600, 'a'), "") + "</wsd:Hello>"),
        Envelope("", "<wsd:ProbeMatches>" + seventeen + "</wsd:ProbeMatches>"),
        Envelope("", "<wsd:Hello><wsd:XAddrs>http://10.0.0.1/</wsd:XAddrs></wsd:Hello>"),
        Envelope("", "<wsd:Hello><wsa:EndpointReference><wsa:Address>urn:uuid:9</wsa:Address></wsa:EndpointReference>"
                     "<wsd:MetadataVersion>x</wsd:MetadataVersion></wsd:Hello>"),
        Envelope("", "<wsd:ProbeMatches/>"),
        std::string(70000, ' ') + Envelope("", "<wsd:Bye/>"),
        "<not-closed>",
    };
    for (const std::string& message : dropped) {
        EXPECT_EQ(onvif::ParseDiscoveryMessage(message).kind, onvif::DiscoveryKind::Dropped)
            << message.substr(0, 300);
    }
}
