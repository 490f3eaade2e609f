// The MSXML DOM adapter.
#include "windows/msxml_dom.h"

#include "com/bstr.h"
#include "windows/msxml_guids.h"
#include "windows/text_bstr.h"

#include <new>

namespace vex::table::windows {

namespace {

IXMLDOMNode* node_of(NodeHandle handle) noexcept {
    return reinterpret_cast<IXMLDOMNode*>(handle);
}

// Hands the reference held by node to the caller as a handle (no_node for null).
NodeHandle hand_out(com::com_ptr<IXMLDOMNode>& node) noexcept {
    return reinterpret_cast<NodeHandle>(node.detach());
}

// Runs a step that fills texts; running out of memory is reported as a status like any other failure.
template <class Step>
Status guarded(Step step) noexcept {
    try {
        return step();
    } catch (const std::bad_alloc&) {
        return status_out_of_memory;
    } catch (...) {
        return status_fail;
    }
}

HRESULT set_bool(IXMLDOMDocument2* document, const wchar_t* property, bool value) noexcept {
    com::unique_bstr name{std::wstring_view(property)};
    if (!name.get()) {
        return E_OUTOFMEMORY;
    }
    VARIANT flag;
    VariantInit(&flag);
    flag.vt = VT_BOOL;
    flag.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return document->setProperty(name.get(), flag);
}

} // namespace

HRESULT create_dom_document(com::com_ptr<IXMLDOMDocument>& document) noexcept {
    document = nullptr;
    com::com_ptr<IXMLDOMDocument> created;
    HRESULT hr = CoCreateInstance(clsid_dom_document, nullptr, CLSCTX_INPROC_SERVER, iid_xml_dom_document,
                                  created.put_void());
    if (FAILED(hr)) {
        return hr;
    }
    if (!created) {
        return E_POINTER;
    }
    // The text is at hand: no asynchronous loading, no schema or DTD validation, nothing fetched from
    // outside, whitespace-only text between elements dropped.
    if (FAILED(hr = created->put_async(VARIANT_FALSE)) ||
        FAILED(hr = created->put_validateOnParse(VARIANT_FALSE)) ||
        FAILED(hr = created->put_resolveExternals(VARIANT_FALSE)) ||
        FAILED(hr = created->put_preserveWhiteSpace(VARIANT_FALSE))) {
        return hr;
    }
    // No DTD processing at all: a document that declares a document type fails to load, so that
    // entity expansion cannot be used to blow up time or memory.
    com::com_ptr<IXMLDOMDocument2> settings;
    if (FAILED(hr = created.query_to(iid_xml_dom_document2, settings.put_void()))) {
        return hr;
    }
    if (FAILED(hr = set_bool(settings.get(), L"ProhibitDTD", true))) {
        return hr;
    }
    document = std::move(created);
    return S_OK;
}

MsxmlDom::MsxmlDom(com::com_ptr<IXMLDOMDocument> document, BSTR source) noexcept
    : XmlDom(true), m_document(std::move(document)), m_source(source) {}

void MsxmlDom::forget_attributes() noexcept {
    m_attribute = nullptr;
    m_attributeIndex = -1;
    m_attributes = nullptr;
    m_attributeOwner = nullptr;
}

Status MsxmlDom::load(TextView text, bool& loaded) {
    loaded = false;
    m_loaded = false;
    m_doctypeRefused = false;
    forget_attributes();
    if (!m_document) {
        return status_pointer;
    }
    // The text is loaded from the caller's BSTR when it is that one, else from a copy.
    const bool whole_source =
        m_source && text.data() == text_view(m_source).data() && text.size() == SysStringLen(m_source);
    com::unique_bstr copy;
    if (!whole_source && !(copy = to_bstr(text)).get()) {
        return status_out_of_memory;
    }
    VARIANT_BOOL successful = VARIANT_FALSE;
    const HRESULT hr = m_document->loadXML(whole_source ? m_source : copy.get(), &successful);
    if (FAILED(hr) || successful != VARIANT_TRUE) {
        return hr;
    }
    // A DOM that ignores ProhibitDTD has read the document type (Wine's MSXML does): it is refused
    // here all the same, as the other DOMs refuse it while parsing.
    com::com_ptr<IXMLDOMDocumentType> doctype;
    if (const HRESULT doctype_hr = m_document->get_doctype(doctype.put()); FAILED(doctype_hr)) {
        return doctype_hr;
    }
    if (doctype) {
        m_doctypeRefused = true;
        return status_false;
    }
    m_loaded = true;
    loaded = true;
    return hr;
}

Status MsxmlDom::load_error(LoadError& error) {
    return guarded([&]() -> Status {
        error = LoadError{};
        if (m_doctypeRefused) {
            error.errorCode = status_fail;
            error.reason = u"A document type declaration is not accepted.";
            return status_ok;
        }
        if (!m_document) {
            return status_pointer;
        }
        com::com_ptr<IXMLDOMParseError> details;
        HRESULT hr = m_document->get_parseError(details.put());
        if (FAILED(hr)) {
            return hr;
        }
        if (!details) {
            return status_fail;
        }
        long code = 0;
        long line = 0;
        long position = 0;
        com::unique_bstr reason;
        com::unique_bstr source;
        if (FAILED(hr = details->get_errorCode(&code)) || FAILED(hr = details->get_reason(reason.put())) ||
            FAILED(hr = details->get_line(&line)) || FAILED(hr = details->get_linepos(&position)) ||
            FAILED(hr = details->get_srcText(source.put()))) {
            return hr;
        }
        error.errorCode = static_cast<Status>(code);
        assign_text(error.reason, reason.get());
        error.line = static_cast<std::int32_t>(line);
        error.linePosition = static_cast<std::int32_t>(position);
        assign_text(error.sourceText, source.get());
        return status_ok;
    });
}

Status MsxmlDom::document(NodeHandle& node) {
    node = no_node;
    if (!m_loaded) {
        return status_ok;
    }
    com::com_ptr<IXMLDOMNode> root;
    if (const HRESULT hr = m_document.query_to(iid_xml_dom_node, root.put_void()); FAILED(hr)) {
        return hr;
    }
    node = hand_out(root);
    return status_ok;
}

Status MsxmlDom::first_child(NodeHandle handle, NodeHandle& child) {
    child = no_node;
    IXMLDOMNode* node = node_of(handle);
    if (!node) {
        return status_pointer;
    }
    com::com_ptr<IXMLDOMNode> first;
    // S_FALSE and null when there is none.
    if (const HRESULT hr = node->get_firstChild(first.put()); FAILED(hr)) {
        return hr;
    }
    child = hand_out(first);
    return status_ok;
}

Status MsxmlDom::next_sibling(NodeHandle handle, NodeHandle& sibling) {
    sibling = no_node;
    IXMLDOMNode* node = node_of(handle);
    if (!node) {
        return status_pointer;
    }
    com::com_ptr<IXMLDOMNode> next;
    if (const HRESULT hr = node->get_nextSibling(next.put()); FAILED(hr)) {
        return hr;
    }
    sibling = hand_out(next);
    return status_ok;
}

Status MsxmlDom::name(NodeHandle handle, Text& out) {
    IXMLDOMNode* node = node_of(handle);
    if (!node) {
        return status_pointer;
    }
    return guarded([&]() -> Status {
        com::unique_bstr name;
        if (const HRESULT hr = node->get_nodeName(name.put()); FAILED(hr)) {
            return hr;
        }
        assign_text(out, name.get());
        return status_ok;
    });
}

Status MsxmlDom::typed_value(NodeHandle handle, Text& out) {
    IXMLDOMNode* node = node_of(handle);
    if (!node) {
        return status_pointer;
    }
    return guarded([&]() -> Status {
        com::unique_variant value;
        if (const HRESULT hr = node->get_nodeTypedValue(value.put()); FAILED(hr)) {
            return hr;
        }
        switch (value->vt) {
        case VT_BSTR:
            assign_text(out, value->bstrVal);
            return status_ok;
        case VT_EMPTY:
        case VT_NULL: // the document node, or a node without a value
            out.clear();
            return status_ok;
        default: {
            // A value typed by a data type attribute (a number, a date, bytes): the core reads texts,
            // so it gets the text as the document wrote it, independent of any locale.
            com::unique_bstr text;
            if (const HRESULT hr = node->get_text(text.put()); FAILED(hr)) {
                return hr;
            }
            assign_text(out, text.get());
            return status_ok;
        }
        }
    });
}

HRESULT MsxmlDom::select_attributes(IXMLDOMNode* node) noexcept {
    if (node == m_attributeOwner.get()) {
        return S_OK;
    }
    forget_attributes();
    com::com_ptr<IXMLDOMNamedNodeMap> attributes;
    // Null (S_FALSE) for nodes that carry no attributes.
    if (const HRESULT hr = node->get_attributes(attributes.put()); FAILED(hr)) {
        return hr;
    }
    m_attributeOwner = node;
    m_attributes = std::move(attributes);
    return S_OK;
}

HRESULT MsxmlDom::attribute_at(NodeHandle handle, std::int32_t index, IXMLDOMNode*& attribute) noexcept {
    attribute = nullptr;
    IXMLDOMNode* node = node_of(handle);
    if (!node) {
        return E_POINTER;
    }
    if (const HRESULT hr = select_attributes(node); FAILED(hr)) {
        return hr;
    }
    if (!m_attributes || index < 0) {
        return S_FALSE;
    }
    if (index != m_attributeIndex) {
        com::com_ptr<IXMLDOMNode> item;
        if (const HRESULT hr = m_attributes->get_item(index, item.put()); FAILED(hr)) {
            return hr;
        }
        m_attribute = std::move(item);
        m_attributeIndex = index;
    }
    attribute = m_attribute.get();
    return attribute ? S_OK : S_FALSE;
}

Status MsxmlDom::attribute_count(NodeHandle handle, std::int32_t& count) {
    count = 0;
    IXMLDOMNode* node = node_of(handle);
    if (!node) {
        return status_pointer;
    }
    if (const HRESULT hr = select_attributes(node); FAILED(hr)) {
        return hr;
    }
    if (!m_attributes) {
        return status_ok;
    }
    long length = 0;
    if (const HRESULT hr = m_attributes->get_length(&length); FAILED(hr)) {
        return hr;
    }
    count = static_cast<std::int32_t>(length);
    return status_ok;
}

Status MsxmlDom::attribute_name(NodeHandle handle, std::int32_t index, Text& out) {
    IXMLDOMNode* attribute = nullptr;
    if (const HRESULT hr = attribute_at(handle, index, attribute); FAILED(hr)) {
        return hr;
    }
    if (!attribute) {
        return status_fail; // no attribute at that index
    }
    return guarded([&]() -> Status {
        com::unique_bstr name;
        if (const HRESULT hr = attribute->get_nodeName(name.put()); FAILED(hr)) {
            return hr;
        }
        assign_text(out, name.get());
        return status_ok;
    });
}

Status MsxmlDom::attribute_value(NodeHandle handle, std::int32_t index, Text& out) {
    IXMLDOMNode* attribute = nullptr;
    if (const HRESULT hr = attribute_at(handle, index, attribute); FAILED(hr)) {
        return hr;
    }
    if (!attribute) {
        return status_fail;
    }
    return guarded([&]() -> Status {
        com::unique_variant value;
        if (const HRESULT hr = attribute->get_nodeValue(value.put()); FAILED(hr)) {
            return hr;
        }
        if (value->vt == VT_BSTR) {
            assign_text(out, value->bstrVal);
        } else {
            out.clear();
        }
        return status_ok;
    });
}

void MsxmlDom::release(NodeHandle handle) noexcept {
    if (IXMLDOMNode* node = node_of(handle)) {
        node->Release();
    }
}

Status MsxmlDomFactory::create(std::unique_ptr<XmlDom>& dom) {
    dom.reset();
    com::com_ptr<IXMLDOMDocument> document;
    if (const HRESULT hr = create_dom_document(document); FAILED(hr)) {
        return hr;
    }
    return guarded([&]() -> Status {
        dom = std::make_unique<MsxmlDom>(std::move(document), m_source);
        return status_ok;
    });
}

} // namespace vex::table::windows
