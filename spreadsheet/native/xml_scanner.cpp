// The expat pass over a document text.
#include "native/xml_scanner.h"

#include <expat.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "native/xml_references.h"

namespace vex::table::native {

namespace {

// What a record costs beside its texts, for deciding how much of a document to hold.
constexpr std::size_t record_overhead = sizeof(NodeRecord);

bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Splits a qualified name; false when it is not a valid one ("a:", ":a", "a:b:c").
bool split_qualified(std::string_view name, std::string_view& prefix) {
    const std::size_t colon = name.find(':');
    if (colon == std::string_view::npos) {
        prefix = {};
        return !name.empty();
    }
    prefix = name.substr(0, colon);
    const std::string_view local = name.substr(colon + 1);
    return !prefix.empty() && !local.empty() && local.find(':') == std::string_view::npos;
}

bool is_xml_target(std::string_view target) {
    return target.size() == 3 && (target[0] | 0x20) == 'x' && (target[1] | 0x20) == 'm' &&
           (target[2] | 0x20) == 'l';
}

// The value of attribute wanted as written in the start tag raw (references not read), or false.
bool raw_attribute(std::string_view raw, std::string_view wanted, std::string_view& value) {
    std::size_t at = 1;
    while (at < raw.size() && !is_space(raw[at]) && raw[at] != '>' && raw[at] != '/') {
        ++at;
    }
    for (;;) {
        while (at < raw.size() && is_space(raw[at])) {
            ++at;
        }
        if (at >= raw.size() || raw[at] == '>' || raw[at] == '/') {
            return false;
        }
        const std::size_t name_start = at;
        while (at < raw.size() && !is_space(raw[at]) && raw[at] != '=') {
            ++at;
        }
        const std::string_view name = raw.substr(name_start, at - name_start);
        while (at < raw.size() && raw[at] != '"' && raw[at] != '\'') {
            ++at;
        }
        if (at >= raw.size()) {
            return false;
        }
        const std::size_t close = raw.find(raw[at], at + 1);
        if (close == std::string_view::npos) {
            return false;
        }
        if (name == wanted) {
            value = raw.substr(at + 1, close - at - 1);
            return true;
        }
        at = close + 1;
    }
}

// The raw text of the event expat is reporting.
std::string_view current_event(XML_Parser parser) {
    int offset = 0;
    int size = 0;
    const char* context = XML_GetInputContext(parser, &offset, &size);
    const int count = XML_GetCurrentByteCount(parser);
    if (context == nullptr || count <= 0 || offset < 0 || offset + count > size) {
        return {};
    }
    return std::string_view(context + offset, static_cast<std::size_t>(count));
}

const char* reason_of(XML_Error error) {
    switch (error) {
    case XML_ERROR_UNDEFINED_ENTITY:
        return "Reference to undefined entity.";
    case XML_ERROR_DUPLICATE_ATTRIBUTE:
        return "Duplicate attribute.";
    case XML_ERROR_MISPLACED_XML_PI:
        return "The XML declaration must be the first node.";
    default: {
        const char* text = XML_ErrorString(error);
        return text != nullptr ? text : "The document is not well-formed.";
    }
    }
}

} // namespace

std::uint32_t NameTable::intern(std::string_view utf8) {
    const std::size_t last = utf8.empty() ? 0 : static_cast<unsigned char>(utf8.back());
    Recent& recent = m_recent[(utf8.size() * 31 + last) % m_recent.size()];
    if (!recent.name.empty() && recent.name == utf8) {
        return recent.id;
    }
    std::uint32_t id = 0;
    if (const auto found = m_ids.find(utf8); found != m_ids.end()) {
        id = found->second;
    } else {
        id = static_cast<std::uint32_t>(m_texts.size());
        m_keys.emplace_back(utf8);
        m_ids.emplace(m_keys.back(), id);
        m_texts.push_back(from_utf8(utf8));
    }
    recent = {m_ids.find(utf8)->first, id};
    return id;
}

XmlScanner::XmlScanner(DocumentText& text, RecordSink* sink, NameTable* names, std::size_t readUnits)
    : m_text(text), m_sink(sink), m_names(sink != nullptr ? names : nullptr),
      m_readUnits(std::max<std::size_t>(readUnits, 2)) {}

XmlScanner::~XmlScanner() {
    if (m_parser != nullptr) {
        XML_ParserFree(m_parser);
    }
}

Status XmlScanner::start() {
    if (const Status status = m_text.open(m_reader); failed(status)) {
        return status;
    }
    // The text is UTF-16 made UTF-8 here, whatever its declaration names.
    m_parser = XML_ParserCreate("UTF-8");
    if (m_parser == nullptr) {
        return status_out_of_memory;
    }
    XML_SetUserData(m_parser, this);
    XML_SetElementHandler(m_parser, &on_start, &on_end);
    XML_SetCharacterDataHandler(m_parser, &on_characters);
    XML_SetCommentHandler(m_parser, &on_comment);
    XML_SetProcessingInstructionHandler(m_parser, &on_instruction);
    XML_SetCdataSectionHandler(m_parser, &on_cdata_start, &on_cdata_end);
    XML_SetXmlDeclHandler(m_parser, &on_declaration);
    XML_SetStartDoctypeDeclHandler(m_parser, &on_doctype);
    m_units.resize(m_readUnits);
    NodeRecord document;
    emit(document, 0);
    return status_ok;
}

Status XmlScanner::step() {
    if (m_finished) {
        return status_ok;
    }
    std::size_t count = 0;
    if (const Status status = m_reader->read(m_units.data(), m_units.size(), count); failed(status)) {
        m_finished = true;
        return status;
    }
    return feed(m_units.data(), count, count == 0);
}

// Encodes the units as UTF-8 into expat's buffer and parses them. An unpaired surrogate is left out,
// as pugixml leaves it out of a UTF-16 text.
Status XmlScanner::feed(const char16_t* units, std::size_t count, bool last) {
    auto* buffer = static_cast<char*>(XML_GetBuffer(m_parser, static_cast<int>(count * 3 + 4)));
    if (buffer == nullptr) {
        m_finished = true;
        return status_out_of_memory;
    }
    char* out = buffer;
    for (std::size_t i = 0; i < count; ++i) {
        const char32_t unit = units[i];
        if (unit < 0x80 && m_highSurrogate == 0) {
            *out++ = static_cast<char>(unit);
            continue;
        }
        char32_t code = unit;
        if (m_highSurrogate != 0) {
            const char16_t high = std::exchange(m_highSurrogate, 0);
            if (unit >= 0xDC00 && unit <= 0xDFFF) {
                code = 0x10000 + ((static_cast<char32_t>(high) - 0xD800) << 10) + (unit - 0xDC00);
            }
        }
        if (code >= 0xD800 && code <= 0xDBFF) {
            m_highSurrogate = static_cast<char16_t>(code);
            continue;
        }
        if (code >= 0xDC00 && code <= 0xDFFF) {
            continue;
        }
        if (code < 0x80) {
            *out++ = static_cast<char>(code);
        } else if (code < 0x800) {
            *out++ = static_cast<char>(0xC0 | (code >> 6));
            *out++ = static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            *out++ = static_cast<char>(0xE0 | (code >> 12));
            *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            *out++ = static_cast<char>(0x80 | (code & 0x3F));
        } else {
            *out++ = static_cast<char>(0xF0 | (code >> 18));
            *out++ = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            *out++ = static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    finish_parse(XML_ParseBuffer(m_parser, static_cast<int>(out - buffer), last ? XML_TRUE : XML_FALSE));
    if (last && m_fault == nullptr) {
        flush_text();
        if (m_sink != nullptr) {
            m_sink->close(0, m_next, m_bytes);
        }
        m_finished = true;
    }
    return status_ok;
}

void XmlScanner::finish_parse(int result) {
    if (result != XML_STATUS_ERROR) {
        return;
    }
    if (m_fault == nullptr) {
        m_fault = reason_of(XML_GetErrorCode(m_parser));
        const XML_Index offset = XML_GetCurrentByteIndex(m_parser);
        m_faultOffset = offset > 0 ? static_cast<std::uint64_t>(offset) : 0;
    }
    m_finished = true;
}

void XmlScanner::fail(const char* reason) {
    if (m_fault == nullptr) {
        m_fault = reason;
        const XML_Index offset = XML_GetCurrentByteIndex(m_parser);
        m_faultOffset = offset > 0 ? static_cast<std::uint64_t>(offset) : 0;
    }
    XML_StopParser(m_parser, XML_FALSE);
}

void XmlScanner::skip_inside(std::uint64_t ordinal, std::uint32_t depth) {
    m_skipping = true;
    m_skipInside = ordinal;
    m_skipDepth = depth;
}

bool XmlScanner::keeping(std::uint32_t depth) const {
    return m_sink != nullptr && m_next >= m_skipBefore && !(m_skipping && depth > m_skipDepth);
}

void XmlScanner::emit(NodeRecord& record, std::size_t payloadBytes) {
    const bool keep = keeping(record.depth);
    record.ordinal = m_next++;
    if (record.kind != NodeKind::element && record.kind != NodeKind::document) {
        record.end = m_next;
    }
    record.bytesBefore = m_bytes;
    record.bytes = record_overhead + 2 * payloadBytes;
    m_bytes += record.bytes;
    record.spaceBefore = std::exchange(m_pendingSpace, false);
    if (keep) {
        m_sink->append(std::move(record));
    }
}

void XmlScanner::on_start(void* self, const char* name, const char** attributes) {
    static_cast<XmlScanner*>(self)->start_element(name, attributes);
}

void XmlScanner::on_end(void* self, const char*) {
    static_cast<XmlScanner*>(self)->end_element();
}

void XmlScanner::on_characters(void* self, const char* data, int length) {
    static_cast<XmlScanner*>(self)->characters(data, static_cast<std::size_t>(length));
}

void XmlScanner::start_element(const char* name, const char** attributes) {
    if (m_fault != nullptr) {
        return;
    }
    flush_text();
    const std::string_view raw = current_event(m_parser);
    // References expat reads but pugixml does not ("&#0000065;") are refused as pugixml refuses them.
    for (std::size_t at = raw.find('&'); at != std::string_view::npos; at = raw.find('&', at + 1)) {
        std::uint32_t code = 0;
        std::size_t length = 0;
        if (!read_reference<char>(raw.substr(at + 1), code, length)) {
            fail("Reference to undefined entity.");
            return;
        }
    }
    if (!check_names(name, attributes)) {
        return;
    }
    const auto depth = static_cast<std::uint32_t>(m_open.size() + 1);
    const bool parentPreserve = !m_open.empty() && m_open.back().preserve;
    bool preserve = parentPreserve;
    NodeRecord record;
    record.kind = NodeKind::element;
    record.depth = depth;
    std::size_t payload = std::strlen(name);
    const bool keep = keeping(depth);
    for (const char** attribute = attributes; *attribute != nullptr; attribute += 2) {
        const std::string_view attributeName = attribute[0];
        const std::string_view value = attribute[1];
        payload += attributeName.size() + value.size() + 8;
        if (attributeName == "xml:space") {
            // pugixml compares the value as written: a reference in it makes it neither word.
            std::string_view written = value;
            if (raw.find('&') != std::string_view::npos) {
                raw_attribute(raw, attributeName, written);
            }
            if (written == "preserve") {
                preserve = true;
            } else if (written == "default") {
                preserve = false;
            }
        }
        if (keep) {
            record.attributes.push_back({m_names->intern(attributeName), from_utf8(value)});
        }
    }
    record.preserve = preserve;
    if (keep) {
        record.name = m_names->intern(name);
    }
    m_open.push_back({m_next, m_bytes, preserve});
    emit(record, payload);
}

void XmlScanner::end_element() {
    if (m_fault != nullptr) {
        return;
    }
    flush_text();
    const Open open = m_open.back();
    m_open.pop_back();
    while (!m_scopes.empty() && m_scopes.back().depth > m_open.size()) {
        m_scopes.pop_back();
    }
    if (m_sink != nullptr) {
        m_sink->close(open.ordinal, m_next, m_bytes - open.bytesBefore);
    }
    if (m_skipping && open.ordinal == m_skipInside) {
        m_skipping = false;
    }
}

// The checks pugixml's adapter makes on names: a prefix is declared in scope (a declaration on the
// element itself counts), no prefix is declared empty, names are valid qualified names and elements
// do not use the prefix "xmlns".
bool XmlScanner::check_names(std::string_view name, const char** attributes) {
    const std::size_t depth = m_open.size() + 1;
    for (const char** attribute = attributes; *attribute != nullptr; attribute += 2) {
        const std::string_view attributeName = attribute[0];
        if (attributeName.substr(0, 6) == "xmlns:") {
            if (*attribute[1] == 0) {
                fail("A namespace prefix may not be declared empty.");
                return false;
            }
            m_scopes.push_back({std::string(attributeName.substr(6)), depth});
        }
    }
    std::string_view prefix;
    if (name.find(':') != std::string_view::npos && !split_qualified(name, prefix)) {
        fail("Invalid qualified name.");
        return false;
    }
    if (prefix == "xmlns") {
        fail("Elements may not use the prefix 'xmlns'.");
        return false;
    }
    if (!prefix.empty() && !declared(prefix)) {
        fail("Reference to undeclared namespace prefix.");
        return false;
    }
    for (const char** attribute = attributes; *attribute != nullptr; attribute += 2) {
        if (!split_qualified(attribute[0], prefix)) {
            fail("Invalid qualified name.");
            return false;
        }
        if (!prefix.empty() && prefix != "xmlns" && !declared(prefix)) {
            fail("Reference to undeclared namespace prefix.");
            return false;
        }
    }
    return true;
}

bool XmlScanner::declared(std::string_view prefix) const {
    return prefix == "xml" || std::any_of(m_scopes.rbegin(), m_scopes.rend(),
                                          [&](const Scope& scope) { return scope.prefix == prefix; });
}

void XmlScanner::characters(const char* data, std::size_t length) {
    if (m_fault != nullptr) {
        return;
    }
    const std::string_view text(data, length);
    if (m_inCdata) {
        m_textBytes += length;
        if (keeping(static_cast<std::uint32_t>(m_open.size() + 1))) {
            append_utf8(m_textValue, text);
        }
        return;
    }
    // A reference is reported as the character it stands for; its event spans more bytes than that
    // (a line end "\r\n" is the one other event that does).
    const int count = XML_GetCurrentByteCount(m_parser);
    const bool reference =
        count != static_cast<int>(length) && !(count == 2 && length == 1 && data[0] == '\n');
    if (reference) {
        const std::string_view raw = current_event(m_parser);
        std::uint32_t code = 0;
        std::size_t used = 0;
        if (raw.size() < 2 || !read_reference<char>(raw.substr(1), code, used) || used + 1 != raw.size()) {
            fail("Reference to undefined entity.");
            return;
        }
        m_textRawSpace = false;
    } else if (m_textRawSpace) {
        m_textRawSpace = std::all_of(text.begin(), text.end(), is_space);
    }
    m_hasText = true;
    m_textBytes += length;
    if (keeping(static_cast<std::uint32_t>(m_open.size() + 1))) {
        append_utf8(m_textValue, text);
    }
}

// Ends the text read since the last markup: a node, or, when only whitespace outside
// xml:space="preserve", a mark on the next node.
void XmlScanner::flush_text() {
    if (!m_hasText) {
        return;
    }
    const bool preserve = !m_open.empty() && m_open.back().preserve;
    if (m_textRawSpace && !preserve) {
        m_pendingSpace = true;
    } else {
        NodeRecord record;
        record.kind = NodeKind::text;
        record.depth = static_cast<std::uint32_t>(m_open.size() + 1);
        record.value.assign(m_textValue);
        emit(record, m_textBytes);
    }
    m_hasText = false;
    m_textBytes = 0;
    m_textRawSpace = true;
    clear_text();
}

// Empties the text buffer, giving back the room a long text took.
void XmlScanner::clear_text() {
    if (m_textValue.capacity() > 65536) {
        Text().swap(m_textValue);
    } else {
        m_textValue.clear();
    }
}

void XmlScanner::on_comment(void* self, const char* data) {
    auto& scanner = *static_cast<XmlScanner*>(self);
    if (scanner.m_fault != nullptr) {
        return;
    }
    scanner.flush_text();
    NodeRecord record;
    record.kind = NodeKind::comment;
    record.depth = static_cast<std::uint32_t>(scanner.m_open.size() + 1);
    const std::string_view text = data;
    if (scanner.keeping(record.depth)) {
        record.value = from_utf8(text);
    }
    scanner.emit(record, text.size());
}

void XmlScanner::on_instruction(void* self, const char* target, const char* data) {
    auto& scanner = *static_cast<XmlScanner*>(self);
    if (scanner.m_fault != nullptr) {
        return;
    }
    if (is_xml_target(target)) {
        scanner.fail("The XML declaration must be the first node.");
        return;
    }
    scanner.flush_text();
    NodeRecord record;
    record.kind = NodeKind::instruction;
    record.depth = static_cast<std::uint32_t>(scanner.m_open.size() + 1);
    std::string_view text = data;
    if (text.find('\n') != std::string_view::npos) {
        // pugixml keeps the line ends of an instruction as written; expat has made them "\n".
        const std::string_view raw = current_event(scanner.m_parser);
        std::size_t at = 2 + std::strlen(target);
        while (at < raw.size() && is_space(raw[at])) {
            ++at;
        }
        if (raw.size() >= at + 2) {
            text = raw.substr(at, raw.size() - 2 - at);
        }
    }
    if (scanner.keeping(record.depth)) {
        record.name = scanner.m_names->intern(target);
        record.value = from_utf8(text);
    }
    scanner.emit(record, std::strlen(target) + text.size());
}

void XmlScanner::on_cdata_start(void* self) {
    auto& scanner = *static_cast<XmlScanner*>(self);
    if (scanner.m_fault != nullptr) {
        return;
    }
    scanner.flush_text();
    scanner.m_inCdata = true;
}

void XmlScanner::on_cdata_end(void* self) {
    auto& scanner = *static_cast<XmlScanner*>(self);
    if (scanner.m_fault != nullptr) {
        return;
    }
    NodeRecord record;
    record.kind = NodeKind::cdata;
    record.depth = static_cast<std::uint32_t>(scanner.m_open.size() + 1);
    record.value.assign(scanner.m_textValue);
    scanner.emit(record, scanner.m_textBytes);
    scanner.m_inCdata = false;
    scanner.m_textBytes = 0;
    scanner.clear_text();
}

void XmlScanner::on_declaration(void* self, const char* version, const char* encoding, int standalone) {
    auto& scanner = *static_cast<XmlScanner*>(self);
    if (scanner.m_fault != nullptr) {
        return;
    }
    NodeRecord record;
    record.kind = NodeKind::declaration;
    record.depth = 1;
    std::size_t payload = 3;
    if (scanner.keeping(record.depth)) {
        record.name = scanner.m_names->intern("xml");
        const auto add = [&](const char* name, std::string_view value) {
            record.attributes.push_back({scanner.m_names->intern(name), from_utf8(value)});
            payload += value.size() + 16;
        };
        if (version != nullptr) {
            add("version", version);
        }
        if (encoding != nullptr) {
            add("encoding", encoding);
        }
        if (standalone >= 0) {
            add("standalone", standalone != 0 ? "yes" : "no");
        }
    }
    scanner.emit(record, payload);
}

void XmlScanner::on_doctype(void* self, const char*, const char*, const char*, int) {
    // Refused before expat reads any declaration of it.
    static_cast<XmlScanner*>(self)->fail("DTD is prohibited.");
}

} // namespace vex::table::native
