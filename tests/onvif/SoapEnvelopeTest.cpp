#include <gtest/gtest.h>

#include <openssl/evp.h>

#include "SoapEnvelope.h"

namespace {

std::vector<std::uint8_t> Unbase64(const std::string& text)
{
    std::vector<std::uint8_t> bytes(text.size());
    const int length = EVP_DecodeBlock(bytes.data(), reinterpret_cast<const unsigned char*>(text.data()),
                                       static_cast<int>(text.size()));
    bytes.resize(static_cast<std::size_t>(length) - std::count(text.begin(), text.end(), '='));
    return bytes;
}

std::chrono::system_clock::time_point ParseUtc(const std::string& text)
{
    std::tm utc{};
    strptime(text.c_str(), "%Y-%m-%dT%H:%M:%SZ", &utc);
    return std::chrono::system_clock::from_time_t(timegm(&utc));
}

} // namespace

// The worked example of the ONVIF Application Programmer's Guide.
TEST(SoapEnvelopeTest, PasswordDigestMatchesThePublishedVector)
{
    const std::vector<std::uint8_t> nonce = Unbase64("LKqI6G/AikKCQrN0zqZFlg==");
    ASSERT_EQ(nonce.size(), 16u);
    EXPECT_EQ(onvif::PasswordDigest(nonce, "2010-09-16T07:50:45Z", "userpassword"), "tuOSpGlFlIXsozq4HFNeeGeFLEI=");
}

// The request carries a token a camera can check: escaped user, a fresh
// 16-byte nonce, Created on the camera's clock, and the digest over them.
TEST(SoapEnvelopeTest, RequestCarriesACheckableTokenOnTheCamerasClock)
{
    const onvif::UsernameToken token{"ad<m>in&\"", "pa&ss", onvif::PasswordForm::Digest, std::chrono::hours(2)};
    const std::string first = onvif::BuildRequest("<tds:GetDeviceInformation/>", &token);
    const std::string second = onvif::BuildRequest("<tds:GetDeviceInformation/>", &token);
    pugi::xml_document document;
    ASSERT_EQ(onvif::ParseBounded(first, document), onvif::XmlStatus::Ok);
    const pugi::xml_node envelope = document.document_element();
    const pugi::xml_node usernameToken = onvif::Path(envelope, {"Header", "Security", "UsernameToken"});
    ASSERT_TRUE(usernameToken);
    EXPECT_STREQ(onvif::Child(usernameToken, "Username").text().get(), "ad<m>in&\"");
    const std::string nonce = onvif::Child(usernameToken, "Nonce").text().get();
    const std::string created = onvif::Child(usernameToken, "Created").text().get();
    const pugi::xml_node password = onvif::Child(usernameToken, "Password");
    EXPECT_NE(std::string(password.attribute("Type").value()).find("#PasswordDigest"), std::string::npos);
    EXPECT_EQ(password.text().get(), onvif::PasswordDigest(Unbase64(nonce), created, "pa&ss"));
    EXPECT_EQ(Unbase64(nonce).size(), 16u);
    EXPECT_EQ(second.find(nonce), std::string::npos) << "a nonce must never repeat";
    const auto skew = ParseUtc(created) - (std::chrono::system_clock::now() + std::chrono::hours(2));
    EXPECT_LT(std::chrono::abs(skew), std::chrono::seconds(5));
    EXPECT_TRUE(onvif::Path(envelope, {"Body", "GetDeviceInformation"}));

    const std::string anonymous = onvif::BuildRequest("<tds:GetSystemDateAndTime/>", nullptr);
    EXPECT_EQ(anonymous.find("Security"), std::string::npos);
    EXPECT_EQ(onvif::XmlEscape("a\x01<b>\t'"), "a&lt;b&gt;\t&apos;");
}

TEST(SoapEnvelopeTest, AnswersBecomeBodiesOrTypedFaults)
{
    const onvif::SoapAnswer fault = onvif::ParseAnswer(
        "<?xml version=\"1.0\"?><SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://www.w3.org/2003/05/soap-envelope\""
        " xmlns:ter=\"http://www.onvif.org/ver10/error\"><SOAP-ENV:Body><SOAP-ENV:Fault>"
        "<SOAP-ENV:Code><SOAP-ENV:Value>SOAP-ENV:Sender</SOAP-ENV:Value>"
        "<SOAP-ENV:Subcode><SOAP-ENV:Value>ter:NotAuthorized</SOAP-ENV:Value></SOAP-ENV:Subcode></SOAP-ENV:Code>"
        "<SOAP-ENV:Reason><SOAP-ENV:Text xml:lang=\"en\">Sender not Authorized</SOAP-ENV:Text></SOAP-ENV:Reason>"
        "</SOAP-ENV:Fault></SOAP-ENV:Body></SOAP-ENV:Envelope>");
    ASSERT_EQ(fault.status, onvif::SoapStatus::Fault);
    EXPECT_EQ(fault.fault.code, "Sender");
    EXPECT_EQ(fault.fault.subcode, "NotAuthorized");
    EXPECT_EQ(fault.fault.reason, "Sender not Authorized");

    const onvif::SoapAnswer old = onvif::ParseAnswer(
        "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"><s:Body><s:Fault>"
        "<faultcode>s:Client</faultcode><faultstring>" + std::string(2000, 'x') +
        "</faultstring></s:Fault></s:Body></s:Envelope>");
    ASSERT_EQ(old.status, onvif::SoapStatus::Fault);
    EXPECT_EQ(old.fault.code, "Client");
    EXPECT_EQ(old.fault.reason.size(), 512u);

    const onvif::SoapAnswer body = onvif::ParseAnswer(
        "<e:Envelope xmlns:e=\"x\"><e:Header/><e:Body>\n<d:GetHostnameResponse xmlns:d=\"y\"/></e:Body></e:Envelope>");
    ASSERT_EQ(body.status, onvif::SoapStatus::Body);
    EXPECT_EQ(onvif::LocalName(body.body.name()), "GetHostnameResponse");

    EXPECT_EQ(onvif::ParseAnswer("<html><body>login</body></html>").status, onvif::SoapStatus::BadAnswer);
    EXPECT_EQ(onvif::ParseAnswer("<e:Envelope xmlns:e=\"x\"><e:Body/></e:Envelope>").status,
              onvif::SoapStatus::BadAnswer);
    EXPECT_EQ(onvif::ParseAnswer("").status, onvif::SoapStatus::BadAnswer);
}
