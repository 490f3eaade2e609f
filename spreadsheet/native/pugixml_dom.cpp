// The pugixml DOM adapter.
#include "native/pugixml_dom.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "native/document_checks.h"
#include "native/markup_checks.h"
#include "native/xml_references.h"

namespace vex::table::native {

namespace {

// Comments, processing instructions and the declaration are kept as nodes, as MSXML shows them;
// references stay raw so that undefined ones can be refused; the DOCTYPE is kept only to refuse it.
// Whitespace-only text is kept too: it is no node for the parser, but it tells where MSXML puts a
// space into an element's text, and xml:space="preserve" makes it a node again.
constexpr unsigned parse_options = pugi::parse_cdata | pugi::parse_wconv_attribute | pugi::parse_eol |
                                   pugi::parse_declaration | pugi::parse_comments | pugi::parse_pi |
                                   pugi::parse_doctype | pugi::parse_ws_pcdata;

// The longest source line quoted in load error details.
constexpr std::size_t max_source_text = 200;

pugi::xml_node node_of(NodeHandle handle) {
    return pugi::xml_node(reinterpret_cast<pugi::xml_node_struct*>(handle));
}

NodeHandle handle_of(pugi::xml_node node) {
    return reinterpret_cast<NodeHandle>(node.internal_object());
}

bool is_space(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

bool whitespace_only(const char* raw) {
    for (; *raw != 0; ++raw) {
        if (*raw != ' ' && *raw != '\t' && *raw != '\n' && *raw != '\r') {
            return false;
        }
    }
    return true;
}

// Cuts whitespace from both ends of text, but not from the range [keepFrom, keepTo) (CDATA content).
void trim(Text& text, std::size_t keepFrom = Text::npos, std::size_t keepTo = 0) {
    std::size_t end = text.size();
    while (end > 0 && end > keepTo && is_space(text[end - 1])) {
        --end;
    }
    std::size_t begin = 0;
    while (begin < end && begin < keepFrom && is_space(text[begin])) {
        ++begin;
    }
    if (end < text.size()) {
        text.resize(end);
    }
    if (begin > 0) {
        text.erase(0, begin);
    }
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

} // namespace

Status PugiXmlDom::load(TextView text, bool& loaded) {
    m_loaded = false;
    m_xmlSpace = false;
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
        m_xmlSpace = markup.xmlSpace;
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

namespace {

// The whitespace handling an element sets for its content: preserved, not preserved, or as around it.
enum class Space { inherit, preserve, standard };

Space space_of(pugi::xml_node element) {
    if (const pugi::xml_attribute space = element.attribute("xml:space")) {
        if (std::strcmp(space.value(), "preserve") == 0) {
            return Space::preserve;
        }
        if (std::strcmp(space.value(), "default") == 0) {
            return Space::standard;
        }
    }
    return Space::inherit;
}

} // namespace

bool PugiXmlDom::preserving(pugi::xml_node element) const {
    if (!m_xmlSpace) {
        return false;
    }
    // The nearest xml:space decides.
    for (; element; element = element.parent()) {
        if (const Space space = space_of(element); space != Space::inherit) {
            return space == Space::preserve;
        }
    }
    return false;
}

bool PugiXmlDom::ignorable(pugi::xml_node node) const {
    return node.type() == pugi::node_pcdata && whitespace_only(node.value()) && !preserving(node.parent());
}

Status PugiXmlDom::first_child(NodeHandle node, NodeHandle& child) {
    if (node == no_node) {
        return status_pointer;
    }
    pugi::xml_node first = node_of(node).first_child();
    while (first && ignorable(first)) {
        first = first.next_sibling();
    }
    child = handle_of(first);
    return status_ok;
}

Status PugiXmlDom::next_sibling(NodeHandle node, NodeHandle& sibling) {
    if (node == no_node) {
        return status_pointer;
    }
    pugi::xml_node next = node_of(node).next_sibling();
    while (next && ignorable(next)) {
        next = next.next_sibling();
    }
    sibling = handle_of(next);
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

// The text of an element as MSXML gives it: the text of all its descendants in document order, one
// space for each run of whitespace-only text between two pieces of text, trimmed at both ends except
// into CDATA sections; untouched inside xml:space="preserve". Walks without recursion.
void PugiXmlDom::element_text(pugi::xml_node element, Text& out) const {
    out.clear();
    const bool preserve = preserving(element);
    // The usual cases: a single text child ("VALUE"), or a single element child with a single text
    // child ("CELL").
    pugi::xml_node text = element.first_child();
    if (text && !text.next_sibling() && text.type() == pugi::node_element && !m_xmlSpace) {
        text = text.first_child();
    }
    if (text && !text.next_sibling() && text.type() == pugi::node_pcdata) {
        append_decoded(out, text.value());
        if (!preserve) {
            trim(out);
        }
        return;
    }
    bool spaceDropped = false;
    std::size_t cdataFrom = Text::npos;
    std::size_t cdataTo = 0;
    // Whether whitespace is preserved in the content being walked, and, where the document uses
    // xml:space at all, the same for each element the walk is inside of.
    bool keep = preserve;
    std::vector<bool> kept;
    pugi::xml_node node = element.first_child();
    while (node) {
        const pugi::xml_node_type type = node.type();
        if (type == pugi::node_pcdata) {
            if (!keep && whitespace_only(node.value())) {
                spaceDropped = true;
            } else if (*node.value() != 0) {
                if (spaceDropped && !out.empty()) {
                    out.push_back(u' ');
                }
                spaceDropped = false;
                append_decoded(out, node.value());
            }
        } else if (type == pugi::node_cdata) {
            if (spaceDropped && !out.empty()) {
                out.push_back(u' ');
            }
            spaceDropped = false;
            cdataFrom = std::min(cdataFrom, out.size());
            append_plain(out, node.value());
            cdataTo = out.size();
        }
        if (type == pugi::node_element && node.first_child()) {
            if (m_xmlSpace) {
                kept.push_back(keep);
                if (const Space space = space_of(node); space != Space::inherit) {
                    keep = space == Space::preserve;
                }
            }
            node = node.first_child();
            continue;
        }
        while (node && node != element && !node.next_sibling()) {
            node = node.parent();
            if (m_xmlSpace && node != element) {
                keep = kept.back();
                kept.pop_back();
            }
        }
        node = (node && node != element) ? node.next_sibling() : pugi::xml_node();
    }
    if (!preserve) {
        trim(out, cdataFrom, cdataTo);
    }
}

Status PugiXmlDom::typed_value(NodeHandle handle, Text& out) {
    if (handle == no_node) {
        return status_pointer;
    }
    const pugi::xml_node node = node_of(handle);
    out.clear();
    switch (node.type()) {
    case pugi::node_element:
        element_text(node, out);
        break;
    case pugi::node_pcdata:
        append_decoded(out, node.value());
        break;
    case pugi::node_document: // MSXML's document has no typed value
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
