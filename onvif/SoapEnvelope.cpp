#include "SoapEnvelope.h"

#include <array>
#include <ctime>

#include <openssl/evp.h>
#include <openssl/rand.h>
#include <openssl/sha.h>

namespace onvif {

namespace {

constexpr std::size_t kFaultTextLimit = 512;

} // namespace

std::string XmlEscape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        default:
            // Control characters other than tab and line ends are not allowed
            // in XML 1.0 at all, not even as references: leave them out.
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r') {
                break;
            }
            out += c;
        }
    }
    return out;
}

std::string Base64(std::span<const std::uint8_t> bytes)
{
    std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()), bytes.data(),
                                       static_cast<int>(bytes.size()));
    out.resize(static_cast<std::size_t>(length));
    return out;
}

std::string Hex(std::span<const std::uint8_t> bytes)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (const std::uint8_t byte : bytes) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 15];
    }
    return hex;
}

std::string FormatUtc(std::chrono::system_clock::time_point when)
{
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    std::array<char, 32> text{};
    std::strftime(text.data(), text.size(), "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text.data();
}

std::string PasswordDigest(std::span<const std::uint8_t> nonce, std::string_view created, std::string_view password)
{
    std::array<std::uint8_t, SHA_DIGEST_LENGTH> digest{};
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    EVP_DigestInit_ex(context, EVP_sha1(), nullptr);
    EVP_DigestUpdate(context, nonce.data(), nonce.size());
    EVP_DigestUpdate(context, created.data(), created.size());
    EVP_DigestUpdate(context, password.data(), password.size());
    EVP_DigestFinal_ex(context, digest.data(), nullptr);
    EVP_MD_CTX_free(context);
    return Base64(digest);
}

std::string SecurityHeader(const UsernameToken& token, std::chrono::system_clock::time_point now)
{
    std::array<std::uint8_t, 16> nonce{};
    if (RAND_bytes(nonce.data(), static_cast<int>(nonce.size())) != 1) {
        return {};
    }
    const std::string created = FormatUtc(now + token.clockOffset);
    std::string header =
        "<wsse:Security s:mustUnderstand=\"true\""
        " xmlns:wsse=\"http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-secext-1.0.xsd\""
        " xmlns:wsu=\"http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-utility-1.0.xsd\">"
        "<wsse:UsernameToken><wsse:Username>" +
        XmlEscape(token.user) + "</wsse:Username>";
    if (token.form == PasswordForm::Text) {
        header += "<wsse:Password Type=\"http://docs.oasis-open.org/wss/2004/01/"
                  "oasis-200401-wss-username-token-profile-1.0#PasswordText\">" +
                  XmlEscape(token.password) + "</wsse:Password>";
    } else {
        header += "<wsse:Password Type=\"http://docs.oasis-open.org/wss/2004/01/"
                  "oasis-200401-wss-username-token-profile-1.0#PasswordDigest\">" +
                  PasswordDigest(nonce, created, token.password) + "</wsse:Password>";
    }
    header += "<wsse:Nonce EncodingType=\"http://docs.oasis-open.org/wss/2004/01/"
              "oasis-200401-wss-soap-message-security-1.0#Base64Binary\">" +
              Base64(nonce) + "</wsse:Nonce><wsu:Created>" + created +
              "</wsu:Created></wsse:UsernameToken></wsse:Security>";
    return header;
}

std::string BuildRequest(std::string_view bodyXml, const UsernameToken* token)
{
    std::string request = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><s:Envelope";
    request += kEnvelopeNamespaces;
    request += "><s:Header>";
    if (token != nullptr && !token->user.empty()) {
        request += SecurityHeader(*token, std::chrono::system_clock::now());
    }
    request += "</s:Header><s:Body>";
    request += bodyXml;
    request += "</s:Body></s:Envelope>";
    return request;
}

SoapAnswer ParseAnswer(std::string_view bytes, const XmlLimits& limits)
{
    SoapAnswer answer;
    answer.document = std::make_unique<pugi::xml_document>();
    const XmlStatus status = ParseBounded(bytes, *answer.document, limits);
    if (status != XmlStatus::Ok) {
        answer.problem = XmlStatusText(status);
        return answer;
    }
    const pugi::xml_node envelope = answer.document->document_element();
    if (LocalName(envelope.name()) != "Envelope") {
        answer.problem = "not a SOAP envelope";
        return answer;
    }
    const pugi::xml_node body = Child(envelope, "Body");
    pugi::xml_node first;
    for (pugi::xml_node child = body.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_element) {
            first = child;
            break;
        }
    }
    if (!first) {
        answer.problem = "no body in the answer";
        return answer;
    }
    if (LocalName(first.name()) == "Fault") {
        answer.status = SoapStatus::Fault;
        answer.fault.code = std::string(LocalName(TextCut(Path(first, {"Code", "Value"}), kFaultTextLimit).c_str()));
        answer.fault.subcode =
            std::string(LocalName(TextCut(Path(first, {"Code", "Subcode", "Value"}), kFaultTextLimit).c_str()));
        answer.fault.reason = TextCut(Path(first, {"Reason", "Text"}), kFaultTextLimit);
        // SOAP 1.1 faults, which some cameras still send.
        if (answer.fault.code.empty()) {
            answer.fault.code = std::string(LocalName(TextCut(Child(first, "faultcode"), kFaultTextLimit).c_str()));
        }
        if (answer.fault.reason.empty()) {
            answer.fault.reason = TextCut(Child(first, "faultstring"), kFaultTextLimit);
        }
        return answer;
    }
    answer.status = SoapStatus::Body;
    answer.body = first;
    return answer;
}

} // namespace onvif
