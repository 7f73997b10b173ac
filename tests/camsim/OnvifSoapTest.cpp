// The simulator's ONVIF reading rules: hostile XML refused, the login digest
// as the ONVIF programmer's guide computes it, the camera's clock and nonce
// rules, time and time-zone texts, and the site keys of an ONVIF camera.
#include "OnvifService.h"
#include "SimConfig.h"
#include "SoapMessage.h"
#include "WsDiscovery.h"
#include "WsSecurity.h"

#include <gtest/gtest.h>

namespace camsim {
namespace {

std::string Envelope(const std::string& header, const std::string& body)
{
    return "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\"><s:Header>" + header +
           "</s:Header><s:Body>" + body + "</s:Body></s:Envelope>";
}

TEST(OnvifSoapTest, HostileOrForeignXmlIsRefused)
{
    std::string why;
    const std::string laughs = "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lol\"><!ENTITY lol2 "
                               "\"&lol;&lol;&lol;&lol;\">]>" +
                               Envelope("", "<x>&lol2;</x>");
    EXPECT_EQ(ParseSoapRequest(laughs, why), nullptr);
    const std::string external = "<!DOCTYPE s [<!ENTITY e SYSTEM \"file:///etc/passwd\">]>" + Envelope("", "<x>&e;</x>");
    EXPECT_EQ(ParseSoapRequest(external, why), nullptr);
    std::string deep;
    for (int i = 0; i < kMaxSoapDepth + 2; ++i) {
        deep += "<a>";
    }
    EXPECT_EQ(ParseSoapRequest(Envelope("", deep), why), nullptr);
    EXPECT_EQ(ParseSoapRequest(std::string(kMaxSoapRequest + 1, ' '), why), nullptr);
    const std::string soap11 = "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"><s:Body><a/></s:Body>"
                               "</s:Envelope>";
    EXPECT_EQ(ParseSoapRequest(soap11, why), nullptr);
    EXPECT_EQ(ParseSoapRequest(Envelope("", ""), why), nullptr);
}

TEST(OnvifSoapTest, ActionAndTokenAreRead)
{
    std::string why;
    const auto request = ParseSoapRequest(
        Envelope("<wsse:Security xmlns:wsse=\"http://docs.oasis-open.org/wss/2004/01/"
                 "oasis-200401-wss-wssecurity-secext-1.0.xsd\"><wsse:UsernameToken><wsse:Username>admin</wsse:Username>"
                 "<wsse:Password Type=\"...#PasswordDigest\"> abc= </wsse:Password><wsse:Nonce>bm9uY2U=</wsse:Nonce>"
                 "<wsu:Created xmlns:wsu=\"u\">2026-01-02T03:04:05Z</wsu:Created></wsse:UsernameToken></wsse:Security>",
                 "<tds:GetNTP xmlns:tds=\"http://www.onvif.org/ver10/device/wsdl\"/>"),
        why);
    ASSERT_NE(request, nullptr) << why;
    EXPECT_EQ(request->actionName, "GetNTP");
    EXPECT_EQ(request->actionNamespace, "http://www.onvif.org/ver10/device/wsdl");
    ASSERT_TRUE(request->token);
    EXPECT_EQ(request->token->username, "admin");
    EXPECT_EQ(request->token->password, "abc=");
    EXPECT_TRUE(request->token->digest);
    EXPECT_EQ(request->token->created, "2026-01-02T03:04:05Z");
}

TEST(OnvifSoapTest, LoginDigestFollowsTheClockAndTakesEachNonceOnce)
{
    // The worked example of the ONVIF Application Programmer's Guide.
    EXPECT_EQ(PasswordDigest(*Base64Decode("LKqI6G/AikKCQrN0zqZFlg=="), "2010-09-16T07:50:45Z", "userpassword"),
              "tuOSpGlFlIXsozq4HFNeeGeFLEI=");

    OnvifState camera;
    camera.users.push_back({"admin", "secret", "Administrator"});
    camera.clockOffsetSec = 3600; // the camera's clock runs an hour ahead
    const int64_t simulatorNow = *ParseUtc("2026-06-01T12:00:00Z");
    const auto token = [&](const std::string& created, const std::string& nonce, const std::string& password) {
        return UsernameToken{"admin", PasswordDigest(nonce, created, password), true, Base64Encode(nonce), created};
    };
    std::string why;
    EXPECT_FALSE(VerifyUsernameToken(token("2026-06-01T12:00:00Z", "n1", "secret"), camera, simulatorNow, why))
        << "our clock, not the camera's";
    EXPECT_TRUE(VerifyUsernameToken(token("2026-06-01T13:04:00Z", "n2", "secret"), camera, simulatorNow, why)) << why;
    EXPECT_FALSE(VerifyUsernameToken(token("2026-06-01T13:04:00Z", "n2", "secret"), camera, simulatorNow, why));
    EXPECT_EQ(why, "the nonce was used before");
    EXPECT_FALSE(VerifyUsernameToken(token("2026-06-01T13:00:00Z", "n3", "wrong"), camera, simulatorNow, why));
    UsernameToken text = token("2026-06-01T13:00:00Z", "n4", "secret");
    text.password = "secret";
    text.digest = false;
    EXPECT_FALSE(VerifyUsernameToken(text, camera, simulatorNow, why)) << "no plain text password";

    camera.acceptReusedNonce = true;
    EXPECT_TRUE(VerifyUsernameToken(token("2026-06-01T13:04:00Z", "n2", "secret"), camera, simulatorNow, why));
}

TEST(OnvifSoapTest, TimeAndTimeZoneTexts)
{
    EXPECT_EQ(FormatUtc(*ParseUtc("2031-05-17T08:30:00.250Z")), "2031-05-17T08:30:00Z");
    EXPECT_FALSE(ParseUtc("2031-13-17T08:30:00Z"));
    EXPECT_FALSE(ParseUtc("2031-04-31T08:30:00Z"));
    EXPECT_FALSE(ParseUtc("2031-05-17 08:30:00"));
    EXPECT_EQ(PosixTzOffset("CST-8"), -28800);
    EXPECT_EQ(PosixTzOffset("EST5EDT,M3.2.0,M11.1.0"), 18000);
    EXPECT_EQ(PosixTzOffset("<+0530>-5:30"), -19800);
    EXPECT_EQ(PosixTzOffset("UTC0"), 0);
    EXPECT_FALSE(PosixTzOffset("Europe/Berlin"));
    EXPECT_FALSE(PosixTzOffset("X1"));
}

TEST(OnvifSoapTest, ProbesForCamerasAreTold)
{
    const auto probe = [](const std::string& types) {
        return Envelope("<a:MessageID xmlns:a=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\">urn:uuid:1</a:MessageID>",
                        "<d:Probe xmlns:d=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\" "
                        "xmlns:dn=\"http://www.onvif.org/ver10/network/wsdl\" xmlns:p=\"urn:printers\">" +
                            types + "</d:Probe>");
    };
    ASSERT_TRUE(ParseProbe(probe("")));
    EXPECT_TRUE(ParseProbe(probe(""))->matches);
    EXPECT_EQ(ParseProbe(probe(""))->messageId, "urn:uuid:1");
    EXPECT_TRUE(ParseProbe(probe("<d:Types>dn:NetworkVideoTransmitter</d:Types>"))->matches);
    EXPECT_FALSE(ParseProbe(probe("<d:Types>p:Printer</d:Types>"))->matches);
    EXPECT_FALSE(ParseProbe(probe("<d:Types>dn:NetworkVideoTransmitter</d:Types><d:Scopes>onvif://x</d:Scopes>"))
                     ->matches);
    const std::string hello = BuildHello(SimCamera{}, "urn:uuid:2", 1);
    EXPECT_FALSE(ParseProbe(hello)) << "a Hello is no Probe";
}

TEST(OnvifSoapTest, SiteKeysOfAnOnvifCamera)
{
    std::vector<SimCamera> cameras(2);
    std::string error;
    ASSERT_TRUE(ApplyConfigText(R"({"cameras": [{"index": 1, "protocol": "onvif", "maker": "Acme", "model": "AX-2",
        "onvifAuth": "http-digest", "clockOffsetSec": -90, "rebootNeeded": true, "acceptReusedNonce": true, "https": true, "ip": "10.44.7.20", "port": 443}]})",
                                cameras, error))
        << error;
    EXPECT_FALSE(cameras[0].IsOnvif());
    EXPECT_TRUE(cameras[1].IsOnvif());
    EXPECT_EQ(cameras[1].maker, "Acme");
    EXPECT_EQ(cameras[1].onvifAuth, OnvifAuth::HttpDigest);
    EXPECT_EQ(cameras[1].clockOffsetSec, -90);
    EXPECT_TRUE(cameras[1].rebootNeeded);
    EXPECT_TRUE(cameras[1].acceptReusedNonce);
    EXPECT_EQ(cameras[1].OnvifRoot(), "https://10.44.7.20:443");
    for (const char* bad : {R"({"cameras": [{"index": 0, "protocol": "onvif"}]})",
                            R"({"cameras": [{"index": 0, "protocol": "rtsp", "maker": "A"}]})",
                            R"({"cameras": [{"index": 0, "onvifAuth": "text"}]})",
                            R"({"cameras": [{"index": 0, "clockOffsetSec": 1.5}]})"}) {
        std::vector<SimCamera> fresh(1);
        EXPECT_FALSE(ApplyConfigText(bad, fresh, error)) << bad;
    }
}

TEST(OnvifSoapTest, NewAddressNowOrAfterTheRebootAndRefusedChanges)
{
    const auto setAddress = [](const std::string& ip) {
        return Envelope("", "<SetNetworkInterfaces xmlns=\"http://www.onvif.org/ver10/device/wsdl\" "
                            "xmlns:tt=\"http://www.onvif.org/ver10/schema\"><InterfaceToken>eth0</InterfaceToken>"
                            "<NetworkInterface><tt:IPv4><tt:Manual><tt:Address>" +
                                ip + "</tt:Address><tt:PrefixLength>24</tt:PrefixLength></tt:Manual>"
                                     "<tt:DHCP>false</tt:DHCP></tt:IPv4></NetworkInterface></SetNetworkInterfaces>");
    };
    LiveCamera camera;
    camera.sim.protocol = CameraProtocol::Onvif;
    camera.sim.ip = "192.168.5.100";
    camera.onvif = InitialOnvifState(camera.sim);
    const OnvifRequestContext context{"http://192.168.5.100:80", 1'800'000'000};
    std::string why;

    OnvifAnswer answer = AnswerOnvifRequest(camera, *ParseSoapRequest(setAddress("10.44.7.21"), why), OnvifServiceKind::Device, context);
    EXPECT_EQ(answer.status, 200);
    EXPECT_NE(answer.envelope.find("<tds:RebootNeeded>false<"), std::string::npos);
    EXPECT_EQ(answer.after, OnvifAfter::Readdress);
    EXPECT_EQ(camera.sim.ip, "10.44.7.21");
    EXPECT_EQ(camera.sim.netmask, "255.255.255.0");

    camera.sim.rebootNeeded = true;
    answer = AnswerOnvifRequest(camera, *ParseSoapRequest(setAddress("10.44.7.22"), why), OnvifServiceKind::Device, context);
    EXPECT_NE(answer.envelope.find("<tds:RebootNeeded>true<"), std::string::npos);
    EXPECT_EQ(answer.after, OnvifAfter::Nothing);
    EXPECT_EQ(camera.sim.ip, "10.44.7.21") << "not before the reboot";
    EXPECT_TRUE(TakePendingAddress(camera));
    EXPECT_EQ(camera.sim.ip, "10.44.7.22");
    EXPECT_FALSE(TakePendingAddress(camera));

    answer = AnswerOnvifRequest(camera, *ParseSoapRequest(setAddress("10.44.7.300"), why), OnvifServiceKind::Device, context);
    EXPECT_EQ(answer.status, 400);
    EXPECT_NE(answer.envelope.find("ter:InvalidIPv4Address"), std::string::npos);

    camera.sim.faults = kFaultRefuseModify;
    answer = AnswerOnvifRequest(camera, *ParseSoapRequest(setAddress("10.44.7.23"), why), OnvifServiceKind::Device, context);
    EXPECT_NE(answer.envelope.find("ter:OperationProhibited"), std::string::npos);
    EXPECT_FALSE(TakePendingAddress(camera));
    EXPECT_EQ(camera.sim.ip, "10.44.7.22");
    const std::string read = Envelope("", "<GetNTP xmlns=\"http://www.onvif.org/ver10/device/wsdl\"/>");
    EXPECT_EQ(AnswerOnvifRequest(camera, *ParseSoapRequest(read, why), OnvifServiceKind::Device, context).status, 200)
        << "reading is still answered";
}

TEST(OnvifSoapTest, FirmwareImagesFitByModel)
{
    EXPECT_EQ(OnvifImageVersion("ONVIF-IMAGE AX-200 2.2.0\n....", "AX-200"), "2.2.0");
    EXPECT_FALSE(OnvifImageVersion("ONVIF-IMAGE AX-201 2.2.0\n....", "AX-200"));
    EXPECT_FALSE(OnvifImageVersion("ONVIF-IMAGE AX-200 2.2.0", "AX-200"));
    EXPECT_FALSE(OnvifImageVersion("ONVIF-IMAGE AX-200 2.2;rm\n", "AX-200"));
}

} // namespace
} // namespace camsim
