#include "OnvifXml.h"

#include <algorithm>
#include <cctype>

namespace onvif {

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view upperPrefix)
{
    return text.size() >= upperPrefix.size() &&
           std::equal(upperPrefix.begin(), upperPrefix.end(), text.begin(),
                      [](char upper, char c) { return std::toupper(static_cast<unsigned char>(c)) == upper; });
}

// One pass before parsing: no declaration of a document type or an entity,
// and no more tags and attributes than the limits.
XmlStatus PreScan(std::string_view bytes, const XmlLimits& limits)
{
    std::size_t tags = 0;
    std::size_t attributes = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '=') {
            attributes += 1;
        } else if (bytes[i] == '<') {
            tags += 1;
            const std::string_view rest = bytes.substr(i + 1);
            if (rest.starts_with('!') &&
                (StartsWithNoCase(rest.substr(1), "DOCTYPE") || StartsWithNoCase(rest.substr(1), "ENTITY"))) {
                return XmlStatus::Doctype;
            }
        }
    }
    return tags > limits.maxTags || attributes > limits.maxAttributes ? XmlStatus::TooManyNodes : XmlStatus::Ok;
}

// Depth of the deepest element, walked without recursion.
std::size_t Depth(const pugi::xml_document& doc, std::size_t stopAt)
{
    std::size_t depth = 0;
    std::size_t deepest = 0;
    pugi::xml_node node = doc.first_child();
    while (node) {
        depth += 1;
        deepest = std::max(deepest, depth);
        if (deepest > stopAt) {
            return deepest;
        }
        if (node.first_child()) {
            node = node.first_child();
            continue;
        }
        while (node && !node.next_sibling()) {
            node = node.parent();
            depth -= 1;
            if (node == doc) {
                return deepest;
            }
        }
        if (node) {
            node = node.next_sibling();
            depth -= 1;
        }
    }
    return deepest;
}

std::string_view Trim(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

} // namespace

const char* XmlStatusText(XmlStatus status)
{
    switch (status) {
    case XmlStatus::Ok:
        return "ok";
    case XmlStatus::TooLarge:
        return "document too large";
    case XmlStatus::Doctype:
        return "document type declaration refused";
    case XmlStatus::TooManyNodes:
        return "too many elements or attributes";
    case XmlStatus::Malformed:
        return "malformed XML";
    case XmlStatus::TooDeep:
        return "elements nested too deep";
    }
    return "unknown";
}

XmlStatus ParseBounded(std::string_view bytes, pugi::xml_document& doc, const XmlLimits& limits)
{
    doc.reset();
    if (bytes.size() > limits.maxBytes) {
        return XmlStatus::TooLarge;
    }
    if (const XmlStatus scanned = PreScan(bytes, limits); scanned != XmlStatus::Ok) {
        return scanned;
    }
    // No parse_doctype, parse_pi or parse_comments: those nodes are skipped,
    // never kept. Escapes are only the predefined ones and character references.
    const unsigned options = pugi::parse_cdata | pugi::parse_escapes | pugi::parse_wconv_attribute | pugi::parse_eol;
    const pugi::xml_parse_result result = doc.load_buffer(bytes.data(), bytes.size(), options, pugi::encoding_utf8);
    if (!result) {
        doc.reset();
        return XmlStatus::Malformed;
    }
    if (Depth(doc, limits.maxDepth) > limits.maxDepth) {
        doc.reset();
        return XmlStatus::TooDeep;
    }
    return XmlStatus::Ok;
}

std::string_view LocalName(const char* qualifiedName)
{
    const std::string_view name(qualifiedName);
    const auto colon = name.rfind(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

pugi::xml_node Child(pugi::xml_node parent, std::string_view localName)
{
    for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_element && LocalName(child.name()) == localName) {
            return child;
        }
    }
    return {};
}

pugi::xml_node Path(pugi::xml_node parent, std::initializer_list<std::string_view> localNames)
{
    pugi::xml_node node = parent;
    for (const std::string_view name : localNames) {
        node = Child(node, name);
        if (!node) {
            return {};
        }
    }
    return node;
}

pugi::xml_node Descendant(pugi::xml_node parent, std::string_view localName)
{
    pugi::xml_node node = parent.first_child();
    while (node) {
        if (node.type() == pugi::node_element && LocalName(node.name()) == localName) {
            return node;
        }
        if (node.first_child()) {
            node = node.first_child();
            continue;
        }
        while (node && node != parent && !node.next_sibling()) {
            node = node.parent();
        }
        if (!node || node == parent) {
            return {};
        }
        node = node.next_sibling();
    }
    return {};
}

pugi::xml_attribute Attribute(pugi::xml_node node, std::string_view localName)
{
    for (pugi::xml_attribute attribute = node.first_attribute(); attribute; attribute = attribute.next_attribute()) {
        if (LocalName(attribute.name()) == localName) {
            return attribute;
        }
    }
    return {};
}

bool TextOf(pugi::xml_node node, std::size_t maxLength, std::string& out)
{
    const std::string_view text = Trim(node.text().get());
    if (text.size() > maxLength) {
        return false;
    }
    out.assign(text);
    return true;
}

std::string TextCut(pugi::xml_node node, std::size_t maxLength)
{
    const std::string_view text = Trim(node.text().get());
    return std::string(text.substr(0, maxLength));
}

} // namespace onvif
