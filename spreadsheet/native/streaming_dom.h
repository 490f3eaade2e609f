// The XML DOM port on a document read forward as a stream, for documents whose DOM would not fit in
// memory (native build, expat).
//
// load reads the whole text once and keeps nothing of it: a document is refused at load, before any
// area is rendered, for what the pugixml adapter refuses (and for what XML forbids and pugixml lets
// pass), with the same kind of details. The walk reads the text a second time and hands out each node
// as the parser comes to it, presenting names, text and whitespace exactly as the pugixml adapter
// does.
//
// The walk goes forward only, as the parser walks: first_child of the node it stands on (once),
// next_sibling of that node or of one of its ancestors, and names, attributes and texts of those. A
// call on a node that has been given back or passed fails with status_node_passed.
//
// What it holds: the nodes from the document down to the current node; every node of the outermost
// of those elements whose nodes take no more than retainBytes, so that the text of an ancestor (a
// CELL asked for while its VALUE is current) comes from memory; and what has been read ahead. The
// text of an element is read ahead to its end when asked for. The text of a larger ancestor whose
// first nodes are gone is read by one more pass over the text; the parser never asks for one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "core/xml_dom.h"
#include "native/xml_scanner.h"

namespace vex::table::native {

// E_ILLEGAL_METHOD_CALL: a call on a node that was given back or that the walk has passed.
inline constexpr Status status_node_passed = static_cast<Status>(0x8000000Eu);

struct StreamingOptions {
    // UTF-16 units read from the text at a time.
    std::size_t readUnits = 16384;
    // Most bytes of node records kept for the text of an element the walk is inside of.
    std::size_t retainBytes = 1u << 20;
};

class StreamingXmlDom final : public XmlDom, private RecordSink {
public:
    explicit StreamingXmlDom(StreamingOptions options = {});
    ~StreamingXmlDom() override;

    // Works on a copy of text.
    Status load(TextView text, bool& loaded) override;
    Status load_document(DocumentText& text, bool& loaded) override;
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
    struct OwnedText;

    void append(NodeRecord&& record) override;
    void close(std::uint64_t ordinal, std::uint64_t end, std::uint64_t bytes) override;

    void reset();
    NodeHandle handle_of(std::uint64_t ordinal) const;
    NodeRecord* find(std::uint64_t ordinal);
    bool present(std::uint64_t ordinal) const;
    bool held_from(std::uint64_t ordinal) const;
    bool on_path(const NodeRecord& record) const;
    // The record of a handle the caller may use: handed out, not given back, on the current path.
    Status use(NodeHandle handle, NodeRecord*& record);
    Status pump();
    // Drops what the walk no longer needs.
    void settle();
    std::uint64_t retain_from();
    void drop_before(std::uint64_t ordinal);
    void drop_window();
    void trim_pinned();
    Status element_text(std::uint64_t ordinal, Text& out);
    Status reread_element_text(const NodeRecord& element, Text& out);
    Status locate(DocumentText& text, const char* reason, std::uint64_t offset);

    StreamingOptions m_options;
    std::unique_ptr<OwnedText> m_owned;
    DocumentText* m_text = nullptr;
    bool m_loaded = false;
    LoadError m_error;
    std::uint16_t m_generation = 0;
    // Set when a handle is given back more often than it was handed out: every later call fails.
    bool m_misused = false;

    NameTable m_names;
    std::unique_ptr<XmlScanner> m_walk;
    // Records from m_base on, in document order without gaps.
    std::deque<NodeRecord> m_window;
    std::uint64_t m_base = 0;
    // Records of the current path that the window no longer holds, outermost first.
    std::vector<NodeRecord> m_pinned;
    // Ordinals from the document (depth 0) to the node the walk stands on.
    std::vector<std::uint64_t> m_path;
    // The elements of the path from depth 1 to this depth hold more than retainBytes (which they
    // keep doing while they are on it).
    std::size_t m_bigDepth = 0;
};

class StreamingXmlDomFactory final : public XmlDomFactory {
public:
    explicit StreamingXmlDomFactory(StreamingOptions options = {}) : m_options(options) {}
    Status create(std::unique_ptr<XmlDom>& dom) override;

private:
    StreamingOptions m_options;
};

} // namespace vex::table::native
