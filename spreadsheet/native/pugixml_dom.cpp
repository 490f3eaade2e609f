// The pugixml DOM adapter.
#include "native/pugixml_dom.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "native/document_checks.h"
#include "native/markup_checks.h"
#include "native/xml_references.h"

namespace vex::table::native {

namespace {

// Comments, processing instructions and the declaration are kept as nodes, as MSXML shows them;
// references stay raw so that undefined ones can be refused; the DOCTYPE is kept only to refuse it.
constexpr unsigned parse_options = pugi::parse_cdata | pugi::parse_wconv_attribute | pugi::parse_eol |
                                   pugi::parse_declaration | pugi::parse_comments | pugi::parse_pi |
                                   pugi::parse_doctype;

// The longest source line quoted in load error details.
constexpr std::size_t max_source_text = 200;

pugi::xml_node node_of(NodeHandle handle) {
    return pugi::xml_node(reinterpret_cast<pugi::xml_node_struct*>(handle));
}

NodeHandle handle_of(pugi::xml_node node) {
    return reinterpret_cast<NodeHandle>(node.internal_object());
}

std::size_t utf8_length(char32_t code) {
    return code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
}

// pugixml counts offsets in its UTF-8 copy of the text: the same place in the UTF-16 text.
std::size_t utf16_position(TextView text, std::ptrdiff_t utf8_offset) {
    const std::size_t target = utf8_offset < 0 ? 0 : static_cast<std::size_t>(utf8_offset);
    std::size_t position = 0;
    std::size_t bytes = 0;
    while (position < text.size() && bytes < target) {
        const bool pair = text[position] >= 0xD800 && text[position] <= 0xDBFF && position + 1 < text.size();
        bytes += pair ? 4 : utf8_length(text[position]);
        position += pair ? 2 : 1;
    }
    return position;
}

// Appends the text of all text descendants of root in document order, without recursion.
void append_descendant_text(Text& out, pugi::xml_node root) {
    pugi::xml_node node = root.first_child();
    while (node) {
        const pugi::xml_node_type type = node.type();
        if (type == pugi::node_pcdata) {
            append_decoded(out, node.value());
        } else if (type == pugi::node_cdata) {
            append_plain(out, node.value());
        }
        if (type == pugi::node_element && node.first_child()) {
            node = node.first_child();
            continue;
        }
        while (node && node != root && !node.next_sibling()) {
            node = node.parent();
        }
        node = (node && node != root) ? node.next_sibling() : pugi::xml_node();
    }
}

} // namespace

Status PugiXmlDom::load(TextView text, bool& loaded) {
    m_loaded = false;
    m_error = LoadError{};
    m_attributeNode = no_node;
    const pugi::xml_parse_result result = m_document.load_buffer(text.data(), text.size() * sizeof(char16_t),
                                                                 parse_options, pugi::encoding_utf16);
    if (!result) {
        fail_load(text, result.description(), utf16_position(text, result.offset));
    } else if (const CheckFailure failure = check_top_level(m_document); failure.reason != nullptr) {
        fail_load(text, failure.reason, utf16_position(text, failure.node.offset_debug()));
    } else if (const MarkupFailure markup = check_markup(text); markup.reason != nullptr) {
        fail_load(text, markup.reason, markup.position);
    } else {
        m_loaded = true;
    }
    loaded = m_loaded;
    if (!m_loaded) {
        m_document.reset();
    }
    // As MSXML's loadXML: a document that does not load is S_FALSE, not a failing call.
    return m_loaded ? status_ok : status_false;
}

void PugiXmlDom::fail_load(TextView text, const char* reason, std::size_t position) {
    position = std::min(position, text.size());
    std::size_t line_start = 0;
    std::int32_t line = 1;
    for (std::size_t i = 0; i < position; ++i) {
        if (text[i] == u'\n') {
            ++line;
            line_start = i + 1;
        }
    }
    std::size_t line_end = text.find(u'\n', line_start);
    if (line_end == TextView::npos) {
        line_end = text.size();
    }
    m_error.errorCode = status_fail;
    m_error.reason = from_utf8(reason);
    m_error.line = line;
    m_error.linePosition = static_cast<std::int32_t>(position - line_start + 1);
    m_error.sourceText = Text(text.substr(line_start, std::min(line_end - line_start, max_source_text)));
}

Status PugiXmlDom::load_error(LoadError& error) {
    error = m_error;
    return status_ok;
}

Status PugiXmlDom::document(NodeHandle& node) {
    node = m_loaded ? handle_of(m_document) : no_node;
    return status_ok;
}

Status PugiXmlDom::first_child(NodeHandle node, NodeHandle& child) {
    if (node == no_node) {
        return status_pointer;
    }
    child = handle_of(node_of(node).first_child());
    return status_ok;
}

Status PugiXmlDom::next_sibling(NodeHandle node, NodeHandle& sibling) {
    if (node == no_node) {
        return status_pointer;
    }
    sibling = handle_of(node_of(node).next_sibling());
    return status_ok;
}

Status PugiXmlDom::name(NodeHandle handle, Text& out) {
    if (handle == no_node) {
        return status_pointer;
    }
    const pugi::xml_node node = node_of(handle);
    out.clear();
    // Elements, instructions and the declaration carry their name; the other kinds have none.
    if (const char* name = node.name(); *name != 0) {
        append_plain(out, name);
        return status_ok;
    }
    switch (node.type()) {
    case pugi::node_pcdata:
        out.assign(u"#text");
        break;
    case pugi::node_cdata:
        out.assign(u"#cdata-section");
        break;
    case pugi::node_comment:
        out.assign(u"#comment");
        break;
    case pugi::node_document:
        out.assign(u"#document");
        break;
    default:
        break;
    }
    return status_ok;
}

Status PugiXmlDom::typed_value(NodeHandle handle, Text& out) {
    if (handle == no_node) {
        return status_pointer;
    }
    const pugi::xml_node node = node_of(handle);
    out.clear();
    switch (node.type()) {
    case pugi::node_element:
    case pugi::node_document: {
        // The usual cases: one text child, or one element child with one text child.
        pugi::xml_node child = node.first_child();
        if (child && !child.next_sibling()) {
            if (child.type() == pugi::node_element) {
                const pugi::xml_node grandchild = child.first_child();
                if (grandchild && !grandchild.next_sibling() && grandchild.type() == pugi::node_pcdata) {
                    append_decoded(out, grandchild.value());
                    break;
                }
            } else if (child.type() == pugi::node_pcdata) {
                append_decoded(out, child.value());
                break;
            }
        }
        append_descendant_text(out, node);
        break;
    }
    case pugi::node_pcdata:
        append_decoded(out, node.value());
        break;
    case pugi::node_declaration:
        break;
    default:
        append_plain(out, node.value());
        break;
    }
    return status_ok;
}

pugi::xml_attribute PugiXmlDom::attribute_at(NodeHandle node, std::int32_t index) {
    if (node == no_node || index < 0) {
        return {};
    }
    if (node == m_attributeNode && index == m_attributeIndex) {
        return m_attribute;
    }
    pugi::xml_attribute attribute;
    if (node == m_attributeNode && index == m_attributeIndex + 1 && m_attribute) {
        attribute = m_attribute.next_attribute();
    } else {
        attribute = node_of(node).first_attribute();
        for (std::int32_t i = 0; i < index && attribute; ++i) {
            attribute = attribute.next_attribute();
        }
    }
    m_attributeNode = node;
    m_attributeIndex = index;
    m_attribute = attribute;
    return attribute;
}

Status PugiXmlDom::attribute_count(NodeHandle node, std::int32_t& count) {
    if (node == no_node) {
        return status_pointer;
    }
    count = 0;
    for (pugi::xml_attribute attribute = node_of(node).first_attribute(); attribute;
         attribute = attribute.next_attribute()) {
        ++count;
    }
    return status_ok;
}

Status PugiXmlDom::attribute_name(NodeHandle node, std::int32_t index, Text& out) {
    const pugi::xml_attribute attribute = attribute_at(node, index);
    if (!attribute) {
        return status_fail;
    }
    out.clear();
    append_plain(out, attribute.name());
    return status_ok;
}

Status PugiXmlDom::attribute_value(NodeHandle node, std::int32_t index, Text& out) {
    const pugi::xml_attribute attribute = attribute_at(node, index);
    if (!attribute) {
        return status_fail;
    }
    out.clear();
    append_decoded(out, attribute.value());
    return status_ok;
}

Status PugiXmlDomFactory::create(std::unique_ptr<XmlDom>& dom) {
    dom = std::make_unique<PugiXmlDom>();
    return status_ok;
}

} // namespace vex::table::native
