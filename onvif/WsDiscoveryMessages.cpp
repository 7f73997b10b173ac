#include "WsDiscoveryMessages.h"

#include <array>
#include <charconv>
#include <cstdint>

#include <openssl/rand.h>

#include "OnvifXml.h"
#include "PercentEncoding.h"
#include "SoapEnvelope.h"

namespace onvif {

namespace {

// Splits a space-separated list into at most `limit` items of at most
// kMaxDiscoveryField bytes each; false when out of bounds.
bool SplitList(pugi::xml_node node, std::size_t limit, std::vector<std::string>& out)
{
    const std::string_view text = node.text().get();
    std::size_t position = 0;
    while (position < text.size()) {
        const std::size_t start = text.find_first_not_of(" \t\r\n", position);
        if (start == std::string_view::npos) {
            break;
        }
        std::size_t end = text.find_first_of(" \t\r\n", start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        if (out.size() == limit || end - start > kMaxDiscoveryField) {
            return false;
        }
        out.emplace_back(text.substr(start, end - start));
        position = end;
    }
    return true;
}

void ReadNamedScopes(DiscoveredEndpoint& endpoint)
{
    static constexpr std::string_view kPrefix = "onvif://www.onvif.org/";
    for (const std::string& scope : endpoint.scopes) {
        if (!scope.starts_with(kPrefix)) {
            continue;
        }
        const std::string_view rest = std::string_view(scope).substr(kPrefix.size());
        for (auto [key, field] : {std::pair{std::string_view("name/"), &endpoint.name},
                                  std::pair{std::string_view("hardware/"), &endpoint.hardware},
                                  std::pair{std::string_view("location/"), &endpoint.location}}) {
            if (rest.starts_with(key) && field->empty()) {
                // A broken escape is shown as it came rather than losing the name.
                const std::string_view value = rest.substr(key.size());
                *field = vtwire::PercentDecode(value).value_or(std::string(value));
            }
        }
    }
}

// The children of a ProbeMatch or a Hello or Bye element.
bool ReadEndpoint(pugi::xml_node node, bool needsAddresses, DiscoveredEndpoint& endpoint, std::string& problem)
{
    if (!TextOf(Path(node, {"EndpointReference", "Address"}), kMaxDiscoveryField, endpoint.address) ||
        endpoint.address.empty()) {
        problem = "no endpoint reference";
        return false;
    }
    if (!SplitList(Child(node, "Types"), kMaxTypes, endpoint.types) ||
        !SplitList(Child(node, "XAddrs"), kMaxXAddrs, endpoint.xaddrs) ||
        !SplitList(Child(node, "Scopes"), kMaxScopes, endpoint.scopes)) {
        problem = "list out of bounds";
        return false;
    }
    if (const pugi::xml_node version = Child(node, "MetadataVersion")) {
        std::string text;
        const bool readable = TextOf(version, 16, text);
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), endpoint.metadataVersion);
        if (!readable || error != std::errc() || end != text.data() + text.size()) {
            problem = "bad metadata version";
            return false;
        }
    } else if (needsAddresses) {
        problem = "no metadata version";
        return false;
    }
    ReadNamedScopes(endpoint);
    return true;
}

DiscoveryMessage Dropped(std::string problem)
{
    DiscoveryMessage message;
    message.problem = std::move(problem);
    return message;
}

} // namespace

std::string NewMessageId()
{
    std::array<std::uint8_t, 16> bytes{};
    RAND_bytes(bytes.data(), static_cast<int>(bytes.size()));
    bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0f) | 0x40);
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3f) | 0x80);
    const std::string hex = Hex(bytes);
    return "urn:uuid:" + hex.substr(0, 8) + "-" + hex.substr(8, 4) + "-" + hex.substr(12, 4) + "-" + hex.substr(16, 4) +
           "-" + hex.substr(20);
}

std::string BuildProbe(const std::string& messageId)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
           "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\""
           " xmlns:a=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\""
           " xmlns:d=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\""
           " xmlns:dn=\"http://www.onvif.org/ver10/network/wsdl\">"
           "<s:Header>"
           "<a:Action s:mustUnderstand=\"1\">http://schemas.xmlsoap.org/ws/2005/04/discovery/Probe</a:Action>"
           "<a:MessageID>" +
           XmlEscape(messageId) +
           "</a:MessageID>"
           "<a:ReplyTo><a:Address>http://schemas.xmlsoap.org/ws/2004/08/addressing/role/anonymous</a:Address>"
           "</a:ReplyTo>"
           "<a:To s:mustUnderstand=\"1\">urn:schemas-xmlsoap-org:ws:2005:04:discovery</a:To>"
           "</s:Header>"
           "<s:Body><d:Probe><d:Types>dn:NetworkVideoTransmitter</d:Types></d:Probe></s:Body>"
           "</s:Envelope>";
}

DiscoveryMessage ParseDiscoveryMessage(std::string_view datagram)
{
    XmlLimits limits;
    limits.maxBytes = kMaxDatagramBytes;
    pugi::xml_document document;
    if (const XmlStatus status = ParseBounded(datagram, document, limits); status != XmlStatus::Ok) {
        return Dropped(XmlStatusText(status));
    }
    const pugi::xml_node envelope = document.document_element();
    if (LocalName(envelope.name()) != "Envelope") {
        return Dropped("not a SOAP envelope");
    }
    pugi::xml_node body;
    for (pugi::xml_node child = Child(envelope, "Body").first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_element) {
            body = child;
            break;
        }
    }
    if (!body) {
        return Dropped("no body");
    }
    DiscoveryMessage message;
    const std::string_view kind = LocalName(body.name());
    if (kind == "ProbeMatches") {
        message.kind = DiscoveryKind::ProbeMatches;
        if (!TextOf(Path(envelope, {"Header", "RelatesTo"}), kMaxDiscoveryField, message.relatesTo)) {
            return Dropped("relates-to too long");
        }
        for (pugi::xml_node match = body.first_child(); match; match = match.next_sibling()) {
            if (match.type() != pugi::node_element || LocalName(match.name()) != "ProbeMatch") {
                continue;
            }
            if (message.endpoints.size() == kMaxMatches) {
                return Dropped("too many matches");
            }
            if (!ReadEndpoint(match, true, message.endpoints.emplace_back(), message.problem)) {
                return Dropped(message.problem);
            }
        }
        if (message.endpoints.empty()) {
            return Dropped("no match");
        }
    } else if (kind == "Hello" || kind == "Bye") {
        message.kind = kind == "Hello" ? DiscoveryKind::Hello : DiscoveryKind::Bye;
        if (!ReadEndpoint(body, kind == "Hello", message.endpoints.emplace_back(), message.problem)) {
            return Dropped(message.problem);
        }
    } else {
        message.kind = DiscoveryKind::Ignored;
    }
    return message;
}

bool IsVideoTransmitter(const DiscoveredEndpoint& endpoint)
{
    for (const std::string& type : endpoint.types) {
        if (LocalName(type.c_str()) == "NetworkVideoTransmitter") {
            return true;
        }
    }
    return false;
}

} // namespace onvif
