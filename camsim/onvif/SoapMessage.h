#pragma once
// Reading and writing the simulator's SOAP 1.2 messages with pugixml. The
// reader refuses a document type (so no entity of any kind is declared),
// more than kMaxSoapRequest bytes, and trees deeper or larger than a camera
// ever receives. pugixml itself expands only the five predefined entities and
// character references, and parses without recursion.
#include <cstddef>
#include <memory>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <string_view>

namespace camsim {

inline constexpr std::size_t kMaxSoapRequest = 1024 * 1024;
inline constexpr int kMaxSoapDepth = 32;
inline constexpr std::size_t kMaxSoapNodes = 4096;

inline constexpr const char* kSoapEnvelopeNs = "http://www.w3.org/2003/05/soap-envelope";

struct UsernameToken
{
    std::string username;
    std::string password;
    bool digest = false; // the Password's Type is PasswordDigest
    std::string nonce;   // base64
    std::string created;
};

struct SoapRequest
{
    pugi::xml_document document;
    pugi::xml_node action;           // the first element of the Body
    std::string actionName;          // its local name ("GetDeviceInformation")
    std::string actionNamespace;     // its namespace
    std::string messageId;           // WS-Addressing MessageID, when the header has one
    std::optional<UsernameToken> token;
};

// A parsed SOAP 1.2 envelope with a non-empty Body; nullptr with a reason
// for anything else. (On the heap: the nodes point into the document, which
// must not move.)
std::unique_ptr<SoapRequest> ParseSoapRequest(std::string_view text, std::string& why);
// The same checks for any XML document (depth, size, no document type);
// false with a reason.
bool ParseBoundedXml(std::string_view text, pugi::xml_document& document, std::string& why);

// An element's name without its prefix, and the namespace its prefix stands for.
std::string_view LocalName(const pugi::xml_node& node);
std::string NamespaceOf(const pugi::xml_node& node);
// The namespace a prefix stands for at node ("" for the default one).
std::string ResolvePrefix(const pugi::xml_node& node, std::string_view prefix);
// The first element child with this local name (any prefix); empty when none.
pugi::xml_node Child(const pugi::xml_node& node, std::string_view localName);
// The trimmed text of the child path a/b/c by local names; empty when missing.
std::string ChildText(const pugi::xml_node& node, std::initializer_list<std::string_view> path);

// Text made safe for XML element content and attribute values.
std::string XmlEscape(std::string_view text);

// "<name>content</name>"; content is taken as XML, escape text first.
std::string Element(std::string_view name, std::string_view content);
// "<name>escaped text</name>".
std::string TextElement(std::string_view name, std::string_view text);

// A SOAP 1.2 envelope around body elements, with the namespaces the
// simulator's answers use declared on it.
std::string SoapEnvelope(const std::string& body, const std::string& header = {});

struct SoapFault
{
    bool sender = true;          // env:Sender, else env:Receiver
    std::string subcode;         // "ter:NotAuthorized"
    std::string detailSubcode;   // a second level, "ter:InvalidIPv4Address"; may be empty
    std::string reason;
};

std::string SoapFaultEnvelope(const SoapFault& fault);

} // namespace camsim
