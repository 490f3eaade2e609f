// One forward pass of expat over a document text, turning what it reads into node records in document
// order, with what the pugixml adapter refuses on top of XML well-formedness (undeclared namespace
// prefixes, any DOCTYPE, references it does not read) and its reading of whitespace.
//
// Records number the nodes in document order: the document is 0, every node the DOM port shows
// counts, whitespace-only text that is no node does not (it marks the next record instead). A pass
// without a sink only checks and keeps nothing but the open namespace declarations.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/document_text.h"

struct XML_ParserStruct;

namespace vex::table::native {

enum class NodeKind : std::uint8_t { document, element, text, cdata, comment, instruction, declaration };

struct NodeAttribute {
    std::uint32_t name;
    Text value;
};

struct NodeRecord {
    std::uint64_t ordinal = 0;
    // The ordinal after the node's last descendant (after the node itself when it has none); 0 while
    // an element or the document is still open.
    std::uint64_t end = 0;
    // Bytes of the records before this one, and of this one with its descendants (once closed): what
    // holding them costs, counted whether or not a sink keeps them.
    std::uint64_t bytesBefore = 0;
    std::uint64_t bytes = 0;
    std::uint32_t depth = 0;
    std::uint32_t name = 0;
    NodeKind kind = NodeKind::document;
    // Whitespace-only text that is no node stood right before this node.
    bool spaceBefore = false;
    // Elements: xml:space="preserve" is in force for their content.
    bool preserve = false;
    // The DOM's own: handles out, and whether its children have been asked for.
    bool entered = false;
    std::int32_t handles = 0;
    Text value;
    std::vector<NodeAttribute> attributes;
};

// Names of elements, attributes and instructions, each kept once.
class NameTable {
public:
    std::uint32_t intern(std::string_view utf8);
    const Text& text(std::uint32_t id) const { return m_texts[id]; }

private:
    // The names met last, by length and last character: a document repeats a few names all along.
    struct Recent {
        std::string_view name;
        std::uint32_t id = 0;
    };
    std::array<Recent, 64> m_recent{};
    std::deque<std::string> m_keys;
    std::unordered_map<std::string_view, std::uint32_t> m_ids;
    std::vector<Text> m_texts;
};

class RecordSink {
public:
    virtual ~RecordSink() = default;
    virtual void append(NodeRecord&& record) = 0;
    // The element (or, at the end, the document) of that ordinal closed.
    virtual void close(std::uint64_t ordinal, std::uint64_t end, std::uint64_t bytes) = 0;
};

class XmlScanner {
public:
    // sink and names may be null for a pass that only checks. readUnits: UTF-16 units read at a time.
    XmlScanner(DocumentText& text, RecordSink* sink, NameTable* names, std::size_t readUnits);
    ~XmlScanner();
    XmlScanner(const XmlScanner&) = delete;
    XmlScanner& operator=(const XmlScanner&) = delete;

    // Opens a reader and hands the document record to the sink.
    Status start();
    // Reads and parses the next piece of the text. A failing status is the reader's; a fault of the
    // document ends the pass as well, with fault() set.
    Status step();
    bool finished() const { return m_finished; }
    // Why the document is refused (null while it is not), and the UTF-8 byte offset where.
    const char* fault() const { return m_fault; }
    std::uint64_t fault_offset() const { return m_faultOffset; }

    // Hands no records inside the element of that ordinal and depth to the sink until it closes.
    void skip_inside(std::uint64_t ordinal, std::uint32_t depth);
    // Hands no records before that ordinal to the sink.
    void skip_before(std::uint64_t ordinal) { m_skipBefore = ordinal; }
    // Bytes of all records so far, and the ordinal the next record will have.
    std::uint64_t bytes() const { return m_bytes; }
    std::uint64_t next_ordinal() const { return m_next; }

private:
    struct Open {
        std::uint64_t ordinal;
        std::uint64_t bytesBefore;
        bool preserve;
    };
    struct Scope {
        std::string prefix;
        std::size_t depth;
    };

    static void on_start(void* self, const char* name, const char** attributes);
    static void on_end(void* self, const char* name);
    static void on_characters(void* self, const char* data, int length);
    static void on_comment(void* self, const char* data);
    static void on_instruction(void* self, const char* target, const char* data);
    static void on_cdata_start(void* self);
    static void on_cdata_end(void* self);
    static void on_declaration(void* self, const char* version, const char* encoding, int standalone);
    static void on_doctype(void* self, const char* name, const char* system, const char* public_id,
                           int internal);

    void start_element(const char* name, const char** attributes);
    void end_element();
    void characters(const char* data, std::size_t length);
    bool check_names(std::string_view name, const char** attributes);
    bool declared(std::string_view prefix) const;
    void flush_text();
    void clear_text();
    // Numbers the record, counts its bytes and hands it on when wanted.
    void emit(NodeRecord& record, std::size_t payloadBytes);
    bool keeping(std::uint32_t depth) const;
    void fail(const char* reason);
    void finish_parse(int result);
    Status feed(const char16_t* units, std::size_t count, bool last);

    DocumentText& m_text;
    RecordSink* m_sink;
    NameTable* m_names;
    std::size_t m_readUnits;
    std::unique_ptr<TextReader> m_reader;
    XML_ParserStruct* m_parser = nullptr;
    std::vector<char16_t> m_units;
    char16_t m_highSurrogate = 0;
    bool m_finished = false;
    const char* m_fault = nullptr;
    std::uint64_t m_faultOffset = 0;

    std::uint64_t m_next = 0;
    std::uint64_t m_bytes = 0;
    std::uint64_t m_skipBefore = 0;
    std::uint64_t m_skipInside = 0;
    std::uint32_t m_skipDepth = 0;
    bool m_skipping = false;
    std::vector<Open> m_open;
    std::vector<Scope> m_scopes;
    bool m_pendingSpace = false;

    // Text read since the last markup: whether there is any, its UTF-8 length, whether it is only
    // whitespace as written (a reference to a space is not), and its characters when it is kept.
    bool m_hasText = false;
    std::size_t m_textBytes = 0;
    bool m_textRawSpace = true;
    Text m_textValue;
    bool m_inCdata = false;
};

} // namespace vex::table::native
