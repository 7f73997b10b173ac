#include "SoapMessage.h"

#include <utility>
#include <vector>

namespace camsim {
namespace {

constexpr const char* kSecurityNs =
    "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-secext-1.0.xsd";

std::string Trim(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(first, last - first + 1));
}

// Depth and node count without recursion; false when either is too large or
// the document has a document type.
bool WithinBounds(const pugi::xml_document& document, std::string& why)
{
    std::vector<std::pair<pugi::xml_node, int>> pending{{document, 0}};
    std::size_t nodes = 0;
    while (!pending.empty()) {
        auto [node, depth] = pending.back();
        pending.pop_back();
        if (node.type() == pugi::node_doctype) {
            why = "a document type is not accepted";
            return false;
        }
        if (++nodes > kMaxSoapNodes || depth > kMaxSoapDepth) {
            why = "the document is too deep or too large";
            return false;
        }
        for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
            pending.emplace_back(child, depth + 1);
        }
    }
    return true;
}

std::string_view Prefix(const pugi::xml_node& node)
{
    const std::string_view name = node.name();
    const auto colon = name.find(':');
    return colon == std::string_view::npos ? std::string_view{} : name.substr(0, colon);
}

} // namespace

bool ParseBoundedXml(std::string_view text, pugi::xml_document& document, std::string& why)
{
    if (text.size() > kMaxSoapRequest) {
        why = "the message is too large";
        return false;
    }
    const pugi::xml_parse_result result =
        document.load_buffer(text.data(), text.size(), pugi::parse_default | pugi::parse_doctype, pugi::encoding_utf8);
    if (!result) {
        why = std::string("not well-formed XML: ") + result.description();
        return false;
    }
    return WithinBounds(document, why);
}

std::string_view LocalName(const pugi::xml_node& node)
{
    const std::string_view name = node.name();
    const auto colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

std::string NamespaceOf(const pugi::xml_node& node)
{
    return ResolvePrefix(node, Prefix(node));
}

std::string ResolvePrefix(const pugi::xml_node& node, std::string_view prefix)
{
    const std::string attribute = prefix.empty() ? "xmlns" : "xmlns:" + std::string(prefix);
    for (pugi::xml_node at = node; at; at = at.parent()) {
        if (const pugi::xml_attribute declared = at.attribute(attribute.c_str())) {
            return declared.value();
        }
    }
    return {};
}

pugi::xml_node Child(const pugi::xml_node& node, std::string_view localName)
{
    for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_element && LocalName(child) == localName) {
            return child;
        }
    }
    return {};
}

std::string ChildText(const pugi::xml_node& node, std::initializer_list<std::string_view> path)
{
    pugi::xml_node at = node;
    for (const std::string_view step : path) {
        at = Child(at, step);
    }
    return at ? Trim(at.child_value()) : std::string();
}

std::unique_ptr<SoapRequest> ParseSoapRequest(std::string_view text, std::string& why)
{
    auto parsed = std::make_unique<SoapRequest>();
    SoapRequest& request = *parsed;
    if (!ParseBoundedXml(text, request.document, why)) {
        return nullptr;
    }
    const pugi::xml_node envelope = request.document.document_element();
    if (LocalName(envelope) != "Envelope" || NamespaceOf(envelope) != kSoapEnvelopeNs) {
        why = "not a SOAP 1.2 envelope";
        return nullptr;
    }
    const pugi::xml_node body = Child(envelope, "Body");
    pugi::xml_node action = body.first_child();
    while (action && action.type() != pugi::node_element) {
        action = action.next_sibling();
    }
    if (!action) {
        why = "the envelope has no request in its body";
        return nullptr;
    }
    request.action = action;
    request.actionName = std::string(LocalName(action));
    request.actionNamespace = NamespaceOf(action);
    const pugi::xml_node header = Child(envelope, "Header");
    request.messageId = ChildText(header, {"MessageID"});
    const pugi::xml_node security = Child(header, "Security");
    const pugi::xml_node token = Child(security, "UsernameToken");
    if (token && NamespaceOf(security) == kSecurityNs) {
        UsernameToken read;
        read.username = ChildText(token, {"Username"});
        const pugi::xml_node password = Child(token, "Password");
        read.password = Trim(password.child_value());
        const std::string_view type = password.attribute("Type").value();
        read.digest = type.size() >= 14 && type.substr(type.size() - 14) == "PasswordDigest";
        read.nonce = ChildText(token, {"Nonce"});
        read.created = ChildText(token, {"Created"});
        request.token = std::move(read);
    }
    return parsed;
}

std::string XmlEscape(std::string_view text)
{
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        case '"': escaped += "&quot;"; break;
        case '\'': escaped += "&apos;"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

std::string Element(std::string_view name, std::string_view content)
{
    std::string text;
    text.append("<").append(name).append(">").append(content).append("</").append(name).append(">");
    return text;
}

std::string TextElement(std::string_view name, std::string_view text)
{
    return Element(name, XmlEscape(text));
}

std::string SoapEnvelope(const std::string& body, const std::string& header)
{
    std::string text =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<env:Envelope xmlns:env=\"http://www.w3.org/2003/05/soap-envelope\""
        " xmlns:tt=\"http://www.onvif.org/ver10/schema\""
        " xmlns:tds=\"http://www.onvif.org/ver10/device/wsdl\""
        " xmlns:trt=\"http://www.onvif.org/ver10/media/wsdl\""
        " xmlns:tr2=\"http://www.onvif.org/ver20/media/wsdl\""
        " xmlns:timg=\"http://www.onvif.org/ver20/imaging/wsdl\""
        " xmlns:ter=\"http://www.onvif.org/ver10/error\""
        " xmlns:wsa=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\""
        " xmlns:wsdd=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\""
        " xmlns:dn=\"http://www.onvif.org/ver10/network/wsdl\">";
    if (!header.empty()) {
        text += "<env:Header>" + header + "</env:Header>";
    }
    text += "<env:Body>" + body + "</env:Body></env:Envelope>\n";
    return text;
}

std::string SoapFaultEnvelope(const SoapFault& fault)
{
    std::string subcode = "<env:Subcode><env:Value>" + fault.subcode + "</env:Value>";
    if (!fault.detailSubcode.empty()) {
        subcode += "<env:Subcode><env:Value>" + fault.detailSubcode + "</env:Value></env:Subcode>";
    }
    subcode += "</env:Subcode>";
    return SoapEnvelope(std::string("<env:Fault><env:Code><env:Value>") +
                        (fault.sender ? "env:Sender" : "env:Receiver") + "</env:Value>" + subcode +
                        "</env:Code><env:Reason><env:Text xml:lang=\"en\">" + XmlEscape(fault.reason) +
                        "</env:Text></env:Reason></env:Fault>");
}

} // namespace camsim
