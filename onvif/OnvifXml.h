#pragma once
// Bounded XML for everything a camera sends us. A document is refused before
// parsing when it is larger than the cap, carries a document type declaration
// (SOAP forbids one; refusing it rules out every entity trick) or holds more
// tags or attributes than the limits; after parsing, when it nests deeper than
// the limit. pugixml itself never resolves DTDs or custom entities (only the
// five predefined ones and character references) and parses without recursion.
//
// Lookup is by local name, whatever prefix a camera chose for a namespace.
// Pure functions: any thread.
#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

#include <pugixml.hpp>

namespace onvif {

struct XmlLimits {
    std::size_t maxBytes = 16u * 1024u * 1024u;
    std::size_t maxDepth = 64;
    std::size_t maxTags = 100000;       // '<' characters: elements, comments, declarations
    std::size_t maxAttributes = 100000; // '=' characters bound the attributes
};

enum class XmlStatus { Ok, TooLarge, Doctype, TooManyNodes, Malformed, TooDeep };

const char* XmlStatusText(XmlStatus status);

// Parses `bytes` into `doc` (emptied first) within `limits`.
XmlStatus ParseBounded(std::string_view bytes, pugi::xml_document& doc, const XmlLimits& limits = {});

// The part of a qualified name after its prefix ("s:Body" -> "Body").
std::string_view LocalName(const char* qualifiedName);

// The first child element of `parent` with this local name, or an empty node.
pugi::xml_node Child(pugi::xml_node parent, std::string_view localName);

// Follows a path of local names from `parent`: Path(body, {"Info", "Model"}).
pugi::xml_node Path(pugi::xml_node parent, std::initializer_list<std::string_view> localNames);

// The first element below `parent` (any depth, document order) with this
// local name, or an empty node. Iterative: deep documents are fine.
pugi::xml_node Descendant(pugi::xml_node parent, std::string_view localName);

// The first attribute with this local name, or an empty attribute.
pugi::xml_attribute Attribute(pugi::xml_node node, std::string_view localName);

// The element's text with surrounding white space trimmed; nullopt-like
// behaviour by return value: false when longer than `maxLength`.
bool TextOf(pugi::xml_node node, std::size_t maxLength, std::string& out);

// The element's trimmed text cut to `maxLength` bytes (for reasons and names
// that are shown, not interpreted).
std::string TextCut(pugi::xml_node node, std::size_t maxLength);

} // namespace onvif
