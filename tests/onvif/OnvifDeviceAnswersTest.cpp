#include <gtest/gtest.h>

#include "OnvifDeviceAnswers.h"
#include "SoapEnvelope.h"

namespace {

onvif::SoapAnswer Answer(const std::string& body)
{
    return onvif::ParseAnswer("<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://www.w3.org/2003/05/soap-envelope\""
                              " xmlns:tds=\"http://www.onvif.org/ver10/device/wsdl\""
                              " xmlns:tt=\"http://www.onvif.org/ver10/schema\"><SOAP-ENV:Body>" +
                              body + "</SOAP-ENV:Body></SOAP-ENV:Envelope>");
}

} // namespace

// Answers as cameras write them, read into the records the camera layer uses.
TEST(OnvifDeviceAnswersTest, ReadsTheRecordsOfTypicalAnswers)
{
    onvif::SoapAnswer answer = Answer(
        "<tds:GetNetworkInterfacesResponse><tds:NetworkInterfaces token=\"eth0\"><tt:Enabled>true</tt:Enabled>"
        "<tt:Info><tt:Name>eth0</tt:Name><tt:HwAddress>00:1b:21:aa:bb:cc</tt:HwAddress><tt:MTU>1500</tt:MTU></tt:Info>"
        "<tt:IPv4><tt:Enabled>true</tt:Enabled><tt:Config><tt:Manual><tt:Address>192.168.1.64</tt:Address>"
        "<tt:PrefixLength>24</tt:PrefixLength></tt:Manual><tt:DHCP>false</tt:DHCP></tt:Config></tt:IPv4>"
        "</tds:NetworkInterfaces></tds:GetNetworkInterfacesResponse>");
    std::vector<onvif::NetworkInterface> interfaces;
    ASSERT_TRUE(onvif::ReadNetworkInterfaces(answer.body, interfaces));
    ASSERT_EQ(interfaces.size(), 1u);
    EXPECT_EQ(interfaces[0].token, "eth0");
    EXPECT_EQ(interfaces[0].mac, "00:1b:21:aa:bb:cc");
    EXPECT_EQ(interfaces[0].address, "192.168.1.64");
    EXPECT_EQ(interfaces[0].prefixLength, 24);
    EXPECT_FALSE(interfaces[0].dhcp);

    answer = Answer("<tds:GetSystemDateAndTimeResponse><tds:SystemDateAndTime><tt:DateTimeType>NTP</tt:DateTimeType>"
                    "<tt:DaylightSavings>false</tt:DaylightSavings><tt:TimeZone><tt:TZ>CST-8</tt:TZ></tt:TimeZone>"
                    "<tt:UTCDateTime><tt:Time><tt:Hour>7</tt:Hour><tt:Minute>5</tt:Minute><tt:Second>9</tt:Second>"
                    "</tt:Time><tt:Date><tt:Year>2026</tt:Year><tt:Month>12</tt:Month><tt:Day>7</tt:Day></tt:Date>"
                    "</tt:UTCDateTime></tds:SystemDateAndTime></tds:GetSystemDateAndTimeResponse>");
    onvif::SystemDateAndTime clock;
    ASSERT_TRUE(onvif::ReadSystemDateAndTime(answer.body, clock));
    EXPECT_TRUE(clock.ntp);
    EXPECT_EQ(clock.timeZone, "CST-8");
    EXPECT_EQ(clock.utc.year, 2026);
    EXPECT_EQ(clock.utc.hour, 7);

    answer = Answer("<tds:StartFirmwareUpgradeResponse><tds:UploadUri>http://10.0.0.2/upload?id=1</tds:UploadUri>"
                    "<tds:UploadDelay>PT2S</tds:UploadDelay><tds:ExpectedDownTime>PT1M30S</tds:ExpectedDownTime>"
                    "</tds:StartFirmwareUpgradeResponse>");
    onvif::FirmwareUploadTicket ticket;
    ASSERT_TRUE(onvif::ReadFirmwareUploadTicket(answer.body, ticket));
    EXPECT_EQ(ticket.uploadDelaySeconds, 2);
    EXPECT_EQ(ticket.expectedDownTimeSeconds, 90);

    answer = Answer("<tds:GetNTPResponse><tds:NTPInformation><tt:FromDHCP>false</tt:FromDHCP><tt:NTPManual>"
                    "<tt:Type>DNS</tt:Type><tt:DNSname>pool.ntp.org</tt:DNSname></tt:NTPManual><tt:NTPManual>"
                    "<tt:Type>IPv4</tt:Type><tt:IPv4Address>10.0.0.1</tt:IPv4Address></tt:NTPManual>"
                    "</tds:NTPInformation></tds:GetNTPResponse>");
    onvif::NtpSettings ntp;
    ASSERT_TRUE(onvif::ReadNtp(answer.body, ntp));
    ASSERT_EQ(ntp.servers.size(), 2u);
    EXPECT_TRUE(ntp.servers[0].isName);
    EXPECT_EQ(ntp.servers[1].value, "10.0.0.1");

    answer = Answer("<tds:GetNetworkProtocolsResponse><tds:NetworkProtocols><tt:Name>RTSP</tt:Name>"
                    "<tt:Enabled>true</tt:Enabled><tt:Port>554</tt:Port></tds:NetworkProtocols>"
                    "</tds:GetNetworkProtocolsResponse>");
    std::vector<onvif::NetworkProtocol> protocols;
    ASSERT_TRUE(onvif::ReadNetworkProtocols(answer.body, protocols));
    ASSERT_EQ(protocols.size(), 1u);
    EXPECT_EQ(protocols[0].ports, std::vector<int>{554});
}

// A wrong response, a bad value or an endless list is a bad answer, not a
// half-filled record.
TEST(OnvifDeviceAnswersTest, RefusesWrongAndUnboundedAnswers)
{
    onvif::DeviceInformation information;
    EXPECT_FALSE(onvif::ReadDeviceInformation(Answer("<tds:GetHostnameResponse/>").body, information));

    std::string users = "<tds:GetUsersResponse>";
    for (int i = 0; i < 65; ++i) {
        users += "<tds:User><tt:Username>u" + std::to_string(i) + "</tt:Username><tt:UserLevel>User</tt:UserLevel></tds:User>";
    }
    std::vector<onvif::OnvifUser> list;
    EXPECT_FALSE(onvif::ReadUsers(Answer(users + "</tds:GetUsersResponse>").body, list));

    std::vector<onvif::NetworkProtocol> protocols;
    EXPECT_FALSE(onvif::ReadNetworkProtocols(
        Answer("<tds:GetNetworkProtocolsResponse><tds:NetworkProtocols><tt:Name>HTTP</tt:Name><tt:Enabled>true"
               "</tt:Enabled><tt:Port>80000</tt:Port></tds:NetworkProtocols></tds:GetNetworkProtocolsResponse>")
            .body,
        protocols));
    onvif::HostnameSettings hostname;
    EXPECT_FALSE(onvif::ReadHostname(Answer("<tds:GetHostnameResponse><tds:HostnameInformation><tt:FromDHCP>maybe"
                                            "</tt:FromDHCP></tds:HostnameInformation></tds:GetHostnameResponse>")
                                         .body,
                                     hostname));
    EXPECT_EQ(onvif::DurationSeconds("P1DT1H"), 90000);
    EXPECT_EQ(onvif::DurationSeconds("PT"), 0);
    EXPECT_EQ(onvif::DurationSeconds("5S"), -1);
    EXPECT_EQ(onvif::DurationSeconds("PT5"), -1);
}
