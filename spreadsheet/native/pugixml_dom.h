// The XML DOM port on pugixml, for the native build.
//
// pugixml is lenient where MSXML is strict, so after parsing this adapter checks what MSXML refuses
// at load and a table document could contain: undeclared namespace prefixes, any DOCTYPE, a second
// root element, an XML declaration that is not first, duplicate attributes, "<" in attribute values
// and undefined entity references. Texts are kept raw and their references decoded when read.
//
// Whitespace is read as MSXML reads it without preserveWhiteSpace: whitespace-only text between
// elements is no node, and an element's text is trimmed at both ends (not into CDATA sections), with
// one space where whitespace-only text stood between two pieces of text. Inside xml:space="preserve"
// all of it is kept.
#pragma once

#include <memory>

#include <pugixml.hpp>

#include "core/xml_dom.h"

namespace vex::table::native {

class PugiXmlDom final : public XmlDom {
public:
    // Handles are node pointers into the document: nothing to give back.
    PugiXmlDom() : XmlDom(false) {}

    Status load(TextView text, bool& loaded) override;
    Status load_error(LoadError& error) override;

    Status document(NodeHandle& node) override;
    Status first_child(NodeHandle node, NodeHandle& child) override;
    Status next_sibling(NodeHandle node, NodeHandle& sibling) override;
    Status name(NodeHandle node, Text& out) override;
    Status typed_value(NodeHandle node, Text& out) override;
    Status attribute_count(NodeHandle node, std::int32_t& count) override;
    Status attribute_name(NodeHandle node, std::int32_t index, Text& out) override;
    Status attribute_value(NodeHandle node, std::int32_t index, Text& out) override;
    void release(NodeHandle) noexcept override {}

private:
    pugi::xml_attribute attribute_at(NodeHandle node, std::int32_t index);
    // A whitespace-only text node, which MSXML drops at load outside xml:space="preserve".
    bool ignorable(pugi::xml_node node) const;
    // Whether xml:space="preserve" is in force for the content of element.
    bool preserving(pugi::xml_node element) const;
    void element_text(pugi::xml_node element, Text& out) const;
    void fail_load(TextView text, const char* reason, std::size_t position);

    pugi::xml_document m_document;
    bool m_loaded = false;
    // The document has xml:space attributes: whitespace must be looked at in its scope.
    bool m_xmlSpace = false;
    LoadError m_error;
    // Sequential attribute reads continue from the last attribute read.
    NodeHandle m_attributeNode = no_node;
    std::int32_t m_attributeIndex = -1;
    pugi::xml_attribute m_attribute;
};

class PugiXmlDomFactory final : public XmlDomFactory {
public:
    Status create(std::unique_ptr<XmlDom>& dom) override;
};

} // namespace vex::table::native
