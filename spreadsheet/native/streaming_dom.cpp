// The streaming DOM adapter.
#include "native/streaming_dom.h"

#include <algorithm>
#include <cassert>
#include <iterator>
#include <utility>

namespace vex::table::native {

namespace {

// Handles carry the load they belong to above the node's ordinal, so that one from an earlier load
// is never taken for a node of the current one.
constexpr unsigned generation_shift = 48;
constexpr NodeHandle ordinal_mask = (NodeHandle(1) << generation_shift) - 1;

// The longest source line quoted in load error details.
constexpr std::size_t max_source_text = 200;

bool is_space(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

// Cuts whitespace from both ends of text, but not from the range [keepFrom, keepTo) (CDATA content).
void trim(Text& text, std::size_t keepFrom, std::size_t keepTo) {
    std::size_t end = text.size();
    while (end > 0 && end > keepTo && is_space(text[end - 1])) {
        --end;
    }
    std::size_t begin = 0;
    while (begin < end && begin < keepFrom && is_space(text[begin])) {
        ++begin;
    }
    text.resize(end);
    text.erase(0, begin);
}

// The text of an element from the records of its descendants, as the pugixml adapter reads it: all
// text in document order, one space where whitespace-only text that is no node stood between two
// pieces of text, trimmed at both ends except into CDATA sections unless whitespace is preserved.
template <typename Iterator>
void join_text(Iterator first, Iterator last, bool preserve, Text& out) {
    out.clear();
    bool spaceDropped = false;
    std::size_t cdataFrom = Text::npos;
    std::size_t cdataTo = 0;
    for (; first != last; ++first) {
        const NodeRecord& record = *first;
        spaceDropped = spaceDropped || record.spaceBefore;
        if (record.kind != NodeKind::text && record.kind != NodeKind::cdata) {
            continue;
        }
        if (spaceDropped && !out.empty()) {
            out.push_back(u' ');
        }
        spaceDropped = false;
        if (record.kind == NodeKind::cdata) {
            cdataFrom = std::min(cdataFrom, out.size());
            out.append(record.value);
            cdataTo = out.size();
        } else {
            out.append(record.value);
        }
    }
    if (!preserve) {
        trim(out, cdataFrom, cdataTo);
    }
}

// Keeps the records of one element, read by a pass of its own.
class ElementCollector final : public RecordSink {
public:
    void append(NodeRecord&& record) override { records.push_back(std::move(record)); }
    void close(std::uint64_t ordinal, std::uint64_t end, std::uint64_t) override {
        if (!records.empty() && records.front().ordinal == ordinal) {
            records.front().end = end;
        }
    }
    std::deque<NodeRecord> records;
};

} // namespace

struct StreamingXmlDom::OwnedText {
    explicit OwnedText(TextView view) : text(view), document(text) {}
    Text text;
    TextViewDocument document;
};

StreamingXmlDom::StreamingXmlDom(StreamingOptions options) : XmlDom(true), m_options(options) {}

StreamingXmlDom::~StreamingXmlDom() = default;

void StreamingXmlDom::reset() {
    m_loaded = false;
    m_error = LoadError{};
    m_misused = false;
    m_walk.reset();
    m_window.clear();
    m_pinned.clear();
    m_path.clear();
    m_bigDepth = 0;
    m_names = NameTable();
    ++m_generation;
}

Status StreamingXmlDom::load(TextView text, bool& loaded) {
    reset();
    m_owned = std::make_unique<OwnedText>(text);
    return load_document(m_owned->document, loaded);
}

Status StreamingXmlDom::load_document(DocumentText& text, bool& loaded) {
    reset();
    if (m_owned && &text != &m_owned->document) {
        m_owned.reset();
    }
    m_text = &text;
    loaded = false;
    {
        // The checking pass: expat over the whole text with the checks on top, keeping nothing.
        XmlScanner check(text, nullptr, nullptr, m_options.readUnits);
        Status status = check.start();
        while (succeeded(status) && !check.finished()) {
            status = check.step();
        }
        if (failed(status)) {
            return status;
        }
        if (check.fault() != nullptr) {
            if (const Status located = locate(text, check.fault(), check.fault_offset()); failed(located)) {
                return located;
            }
            // As MSXML's loadXML: a document that does not load is S_FALSE, not a failing call.
            return status_false;
        }
    }
    RecordSink* const sink = this;
    m_walk = std::make_unique<XmlScanner>(text, sink, &m_names, m_options.readUnits);
    if (const Status status = m_walk->start(); failed(status)) {
        m_walk.reset();
        return status;
    }
    m_path.assign(1, 0);
    m_loaded = true;
    loaded = true;
    return status_ok;
}

// Finds the line and column of a fault from its UTF-8 offset, reading the text again: positions
// count UTF-16 units, lines end at "\n", as in the pugixml adapter's details.
Status StreamingXmlDom::locate(DocumentText& text, const char* reason, std::uint64_t offset) {
    std::unique_ptr<TextReader> reader;
    if (const Status status = text.open(reader); failed(status)) {
        return status;
    }
    std::uint64_t bytes = 0;
    std::uint64_t unit = 0;
    std::uint64_t position = 0;
    std::uint64_t lineStart = 0;
    std::int32_t line = 1;
    bool found = false;
    bool lineDone = false;
    bool high = false;
    Text source;
    char16_t buffer[4096];
    while (!lineDone) {
        std::size_t count = 0;
        if (const Status status = reader->read(buffer, std::size(buffer), count); failed(status)) {
            return status;
        }
        if (count == 0) {
            break;
        }
        for (std::size_t i = 0; i < count && !lineDone; ++i, ++unit) {
            const char16_t c = buffer[i];
            if (!found && bytes >= offset) {
                found = true;
                position = unit;
            }
            if (c == u'\n') {
                if (found) {
                    lineDone = true;
                    break;
                }
                ++line;
                lineStart = unit + 1;
                source.clear();
            } else if (source.size() < max_source_text) {
                source.push_back(c);
            }
            // UTF-8 bytes of the unit as the scanner encodes it: a pair takes four, an unpaired
            // surrogate none.
            const bool isHigh = c >= 0xD800 && c <= 0xDBFF;
            const bool isLow = c >= 0xDC00 && c <= 0xDFFF;
            bytes += isLow ? (high ? 4 : 0) : isHigh ? 0 : c < 0x80 ? 1 : c < 0x800 ? 2 : 3;
            high = isHigh;
        }
    }
    if (!found) {
        position = unit;
    }
    m_error.errorCode = status_fail;
    m_error.reason = from_utf8(reason);
    m_error.line = line;
    m_error.linePosition = static_cast<std::int32_t>(position - lineStart + 1);
    m_error.sourceText = std::move(source);
    return status_ok;
}

Status StreamingXmlDom::load_error(LoadError& error) {
    error = m_error;
    return status_ok;
}

void StreamingXmlDom::append(NodeRecord&& record) {
    if (m_window.empty()) {
        m_base = record.ordinal;
    }
    assert(record.ordinal == m_base + m_window.size());
    m_window.push_back(std::move(record));
}

void StreamingXmlDom::close(std::uint64_t ordinal, std::uint64_t end, std::uint64_t bytes) {
    if (NodeRecord* record = find(ordinal)) {
        record->end = end;
        record->bytes = bytes;
    }
}

NodeHandle StreamingXmlDom::handle_of(std::uint64_t ordinal) const {
    return (NodeHandle(m_generation) << generation_shift) | (ordinal + 1);
}

NodeRecord* StreamingXmlDom::find(std::uint64_t ordinal) {
    if (present(ordinal)) {
        return &m_window[static_cast<std::size_t>(ordinal - m_base)];
    }
    for (auto pinned = m_pinned.rbegin(); pinned != m_pinned.rend(); ++pinned) {
        if (pinned->ordinal == ordinal) {
            return &*pinned;
        }
    }
    return nullptr;
}

bool StreamingXmlDom::present(std::uint64_t ordinal) const {
    return ordinal >= m_base && ordinal - m_base < m_window.size();
}

// Whether every record from ordinal on is held or still to come.
bool StreamingXmlDom::held_from(std::uint64_t ordinal) const {
    return m_window.empty() ? m_walk->next_ordinal() <= ordinal : m_base <= ordinal;
}

bool StreamingXmlDom::on_path(const NodeRecord& record) const {
    return record.depth < m_path.size() && m_path[record.depth] == record.ordinal;
}

Status StreamingXmlDom::use(NodeHandle handle, NodeRecord*& record) {
    record = nullptr;
    if (handle == no_node) {
        return status_pointer;
    }
    if (!m_loaded || m_misused || (handle >> generation_shift) != m_generation) {
        return status_node_passed;
    }
    record = find((handle & ordinal_mask) - 1);
    if (record == nullptr || record->handles <= 0 || !on_path(*record)) {
        record = nullptr;
        return status_node_passed;
    }
    return status_ok;
}

Status StreamingXmlDom::pump() {
    if (m_walk->finished()) {
        // Nothing more to read, yet the walk waits for more: the text changed since it was loaded.
        return status_fail;
    }
    const Status status = m_walk->step();
    if (failed(status)) {
        return status;
    }
    return m_walk->fault() != nullptr ? status_fail : status_ok;
}

// The outermost element of the path whose records are few enough to hold: from there on nothing is
// dropped. Without one, what lies before the current node is dropped.
std::uint64_t StreamingXmlDom::retain_from() {
    for (std::size_t depth = m_bigDepth + 1; depth < m_path.size(); ++depth) {
        const NodeRecord* record = find(m_path[depth]);
        const std::uint64_t bytes = record->end != 0 ? record->bytes : m_walk->bytes() - record->bytesBefore;
        if (bytes <= m_options.retainBytes) {
            return record->ordinal;
        }
        if (depth == m_bigDepth + 1) {
            m_bigDepth = depth;
        }
    }
    return m_path.back();
}

void StreamingXmlDom::settle() {
    drop_before(retain_from());
}

// Drops the records before ordinal; those of the path move aside.
void StreamingXmlDom::drop_before(std::uint64_t ordinal) {
    while (!m_window.empty() && m_base < ordinal) {
        if (on_path(m_window.front())) {
            m_pinned.push_back(std::move(m_window.front()));
        }
        m_window.pop_front();
        ++m_base;
    }
}

void StreamingXmlDom::drop_window() {
    drop_before(m_base + m_window.size());
}

// Forgets pinned records that have left the path.
void StreamingXmlDom::trim_pinned() {
    while (!m_pinned.empty() && !on_path(m_pinned.back())) {
        m_pinned.pop_back();
    }
}

Status StreamingXmlDom::document(NodeHandle& node) {
    node = no_node;
    if (!m_loaded || m_misused) {
        return status_ok;
    }
    ++find(0)->handles;
    node = handle_of(0);
    return status_ok;
}

Status StreamingXmlDom::first_child(NodeHandle handle, NodeHandle& child) {
    child = no_node;
    NodeRecord* record = nullptr;
    if (const Status status = use(handle, record); failed(status)) {
        return status;
    }
    // Only from the node the walk stands on, and only once: its children are passed after that.
    if (record->ordinal != m_path.back() || record->entered) {
        return status_node_passed;
    }
    record->entered = true;
    if (record->kind != NodeKind::element && record->kind != NodeKind::document) {
        return status_ok;
    }
    const std::uint64_t parent = record->ordinal;
    const std::uint64_t first = parent + 1;
    while (!present(first) && find(parent)->end == 0) {
        if (const Status status = pump(); failed(status)) {
            return status;
        }
    }
    const std::uint64_t end = find(parent)->end;
    if (!present(first) || (end != 0 && first >= end)) {
        return status_ok;
    }
    m_path.push_back(first);
    ++find(first)->handles;
    child = handle_of(first);
    settle();
    return status_ok;
}

Status StreamingXmlDom::next_sibling(NodeHandle handle, NodeHandle& sibling) {
    sibling = no_node;
    NodeRecord* record = nullptr;
    if (const Status status = use(handle, record); failed(status)) {
        return status;
    }
    const std::uint64_t node = record->ordinal;
    const std::uint32_t depth = record->depth;
    if (depth == 0) {
        return status_ok;
    }
    // The node and all below it are passed from here on.
    record->entered = true;
    m_path.resize(depth + 1);
    m_bigDepth = std::min<std::size_t>(m_bigDepth, depth);
    trim_pinned();
    bool skipping = false;
    while (find(node)->end == 0) {
        if (!skipping && retain_from() >= node) {
            // No element above needs the node's descendants: read past them without keeping them.
            drop_window();
            m_walk->skip_inside(node, depth);
            skipping = true;
        }
        if (const Status status = pump(); failed(status)) {
            return status;
        }
    }
    const std::uint64_t next = find(node)->end;
    const std::uint64_t parent = m_path[depth - 1];
    while (!present(next) && (find(parent)->end == 0 || next < find(parent)->end)) {
        if (const Status status = pump(); failed(status)) {
            return status;
        }
    }
    const std::uint64_t parentEnd = find(parent)->end;
    if (!present(next) || (parentEnd != 0 && next >= parentEnd)) {
        settle();
        return status_ok;
    }
    m_path.back() = next;
    m_bigDepth = std::min<std::size_t>(m_bigDepth, depth - 1);
    trim_pinned();
    ++find(next)->handles;
    sibling = handle_of(next);
    settle();
    return status_ok;
}

Status StreamingXmlDom::name(NodeHandle handle, Text& out) {
    NodeRecord* record = nullptr;
    if (const Status status = use(handle, record); failed(status)) {
        return status;
    }
    switch (record->kind) {
    case NodeKind::element:
    case NodeKind::instruction:
    case NodeKind::declaration:
        out = m_names.text(record->name);
        break;
    case NodeKind::text:
        out.assign(u"#text");
        break;
    case NodeKind::cdata:
        out.assign(u"#cdata-section");
        break;
    case NodeKind::comment:
        out.assign(u"#comment");
        break;
    case NodeKind::document:
        out.assign(u"#document");
        break;
    }
    return status_ok;
}

Status StreamingXmlDom::typed_value(NodeHandle handle, Text& out) {
    NodeRecord* record = nullptr;
    if (const Status status = use(handle, record); failed(status)) {
        return status;
    }
    out.clear();
    switch (record->kind) {
    case NodeKind::element:
        return element_text(record->ordinal, out);
    case NodeKind::document: // MSXML's document has no typed value
    case NodeKind::declaration:
        return status_ok;
    default:
        out = record->value;
        return status_ok;
    }
}

// The text of an element from its records, reading ahead to its end; when records of it are gone,
// from a pass of its own.
Status StreamingXmlDom::element_text(std::uint64_t ordinal, Text& out) {
    if (!held_from(ordinal + 1)) {
        const NodeRecord element = [&] {
            const NodeRecord& found = *find(ordinal);
            NodeRecord copy;
            copy.ordinal = found.ordinal;
            copy.preserve = found.preserve;
            return copy;
        }();
        return reread_element_text(element, out);
    }
    while (find(ordinal)->end == 0) {
        if (const Status status = pump(); failed(status)) {
            return status;
        }
    }
    const NodeRecord& element = *find(ordinal);
    if (element.end == ordinal + 1) {
        return status_ok;
    }
    const auto first = m_window.begin() + static_cast<std::ptrdiff_t>(ordinal + 1 - m_base);
    const auto last = m_window.begin() + static_cast<std::ptrdiff_t>(element.end - m_base);
    join_text(first, last, element.preserve, out);
    return status_ok;
}

Status StreamingXmlDom::reread_element_text(const NodeRecord& element, Text& out) {
    ElementCollector collector;
    XmlScanner pass(*m_text, &collector, &m_names, m_options.readUnits);
    pass.skip_before(element.ordinal);
    Status status = pass.start();
    while (succeeded(status) && (collector.records.empty() || collector.records.front().end == 0)) {
        if (pass.finished()) {
            return status_fail;
        }
        status = pass.step();
        if (pass.fault() != nullptr) {
            return status_fail;
        }
    }
    if (failed(status)) {
        return status;
    }
    const auto last = collector.records.begin() +
                      static_cast<std::ptrdiff_t>(collector.records.front().end - element.ordinal);
    join_text(std::next(collector.records.begin()), last, element.preserve, out);
    return status_ok;
}

Status StreamingXmlDom::attribute_count(NodeHandle handle, std::int32_t& count) {
    NodeRecord* record = nullptr;
    if (const Status status = use(handle, record); failed(status)) {
        return status;
    }
    count = static_cast<std::int32_t>(record->attributes.size());
    return status_ok;
}

Status StreamingXmlDom::attribute_name(NodeHandle handle, std::int32_t index, Text& out) {
    NodeRecord* record = nullptr;
    if (const Status status = use(handle, record); failed(status)) {
        return status;
    }
    if (index < 0 || static_cast<std::size_t>(index) >= record->attributes.size()) {
        return status_fail;
    }
    out = m_names.text(record->attributes[static_cast<std::size_t>(index)].name);
    return status_ok;
}

Status StreamingXmlDom::attribute_value(NodeHandle handle, std::int32_t index, Text& out) {
    NodeRecord* record = nullptr;
    if (const Status status = use(handle, record); failed(status)) {
        return status;
    }
    if (index < 0 || static_cast<std::size_t>(index) >= record->attributes.size()) {
        return status_fail;
    }
    out = record->attributes[static_cast<std::size_t>(index)].value;
    return status_ok;
}

void StreamingXmlDom::release(NodeHandle handle) noexcept {
    if (handle == no_node || (handle >> generation_shift) != m_generation) {
        return;
    }
    // A node dropped since was passed: giving its handle back is all there is to do with it.
    NodeRecord* record = find((handle & ordinal_mask) - 1);
    if (record == nullptr) {
        return;
    }
    if (record->handles <= 0) {
        m_misused = true;
        return;
    }
    --record->handles;
}

Status StreamingXmlDomFactory::create(std::unique_ptr<XmlDom>& dom) {
    dom = std::make_unique<StreamingXmlDom>(m_options);
    return status_ok;
}

} // namespace vex::table::native
