// The XML DOM port on MSXML's DOMDocument, for the Windows build.
//
// Each document is created for one parse and set up to load a text as it is: synchronously, with no
// validation, no external resources and no DTD at all (a document with a DOCTYPE does not load), and
// with whitespace-only text between elements dropped. Node handles are AddRef'd IXMLDOMNode
// pointers: every handle handed out owns one reference, which release() gives back.
#pragma once

#include "com/com_ptr.h"
#include "core/xml_dom.h"

#include <msxml2.h>

#include <memory>

namespace vex::table::windows {

class MsxmlDom final : public XmlDom {
public:
    // Takes a document made by create_dom_document. source, when given, is the BSTR that holds the
    // text to be loaded: it is handed to MSXML as it is instead of a copy.
    explicit MsxmlDom(com::com_ptr<IXMLDOMDocument> document, BSTR source = nullptr) noexcept;

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
    void release(NodeHandle node) noexcept override;

private:
    // Reads the attribute map of node unless it is the one read last.
    HRESULT select_attributes(IXMLDOMNode* node) noexcept;
    // The attribute at index of node; S_FALSE and null beyond the last one.
    HRESULT attribute_at(NodeHandle node, std::int32_t index, IXMLDOMNode*& attribute) noexcept;
    void forget_attributes() noexcept;

    com::com_ptr<IXMLDOMDocument> m_document;
    BSTR m_source = nullptr; // not owned
    bool m_loaded = false;
    // The last load parsed but was refused because the document declares a document type.
    bool m_doctypeRefused = false;
    // The attribute map of the node read last and its attribute read last. The node is held so that
    // its address cannot be taken by another node while it is cached.
    com::com_ptr<IXMLDOMNode> m_attributeOwner;
    com::com_ptr<IXMLDOMNamedNodeMap> m_attributes;
    std::int32_t m_attributeIndex = -1;
    com::com_ptr<IXMLDOMNode> m_attribute;
};

// Creates one MsxmlDom per parse; its status is that of creating and setting up the document. A
// caller whose text is a BSTR names it, so that a large document is not copied once more to load it.
class MsxmlDomFactory final : public XmlDomFactory {
public:
    explicit MsxmlDomFactory(BSTR source = nullptr) noexcept : m_source(source) {}
    Status create(std::unique_ptr<XmlDom>& dom) override;

private:
    BSTR m_source; // not owned
};

// Creates a DOMDocument set up for loading a table document: async, validateOnParse,
// resolveExternals and preserveWhiteSpace false, ProhibitDTD true. A document that cannot be set up
// so is not handed out.
HRESULT create_dom_document(com::com_ptr<IXMLDOMDocument>& document) noexcept;

} // namespace vex::table::windows
