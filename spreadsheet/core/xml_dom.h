// Port to an XML document object model: what the parser needs of a DOM, and nothing more.
//
// Nodes are reached through opaque handles. Every handle an adapter hands out must be given back
// with release(); NodeRef does that. The adapters must present a document alike: the XML
// declaration as a first node named "xml", comments as "#comment", processing instructions under
// their target, text as "#text", no whitespace-only text between elements, an undeclared namespace
// prefix and any DOCTYPE refused at load.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <utility>

#include "core/document_text.h"
#include "core/status.h"
#include "core/text.h"

namespace vex::table {

using NodeHandle = std::uintptr_t;
inline constexpr NodeHandle no_node = 0;

// Details of a failed load, as the DOM reports them.
struct LoadError {
    Status errorCode = status_fail;
    Text reason;
    std::int32_t line = 0;
    std::int32_t linePosition = 0;
    Text sourceText;
};

class XmlDom {
public:
    // An adapter whose handles need no giving back (plain pointers into its document) passes false,
    // which spares the parser a call per node.
    explicit XmlDom(bool releasesHandles = true) : m_releasesHandles(releasesHandles) {}
    virtual ~XmlDom() = default;
    bool releases_handles() const { return m_releasesHandles; }

    // Parses text. The status is that of the call; loaded tells whether the document was accepted.
    // The adapter keeps nothing of text: it need not outlive the call.
    virtual Status load(TextView text, bool& loaded) = 0;
    // The same for a document text, which stays readable and unchanged until the next load or the end
    // of the DOM, so that an adapter may read it again while the document is walked. Unless an adapter
    // reads it as a stream, the text goes to load(TextView) whole, read into memory first when it is
    // not there already.
    virtual Status load_document(DocumentText& text, bool& loaded) {
        if (const std::optional<TextView> all = text.whole()) {
            return load(*all, loaded);
        }
        Text all;
        if (const Status status = read_whole(text, all); failed(status)) {
            loaded = false;
            return status;
        }
        return load(all, loaded);
    }
    // Details of the last failed load.
    virtual Status load_error(LoadError& error) = 0;

    // The document node (no_node before a successful load).
    virtual Status document(NodeHandle& node) = 0;
    // First child and next sibling in document order; no_node when there is none.
    virtual Status first_child(NodeHandle node, NodeHandle& child) = 0;
    virtual Status next_sibling(NodeHandle node, NodeHandle& sibling) = 0;
    // Qualified node name ("tbx:TABLE", "#text", "#comment", "xml").
    virtual Status name(NodeHandle node, Text& out) = 0;
    // Text content: for an element the text of all its descendants in document order.
    virtual Status typed_value(NodeHandle node, Text& out) = 0;
    // Attributes in document order.
    virtual Status attribute_count(NodeHandle node, std::int32_t& count) = 0;
    virtual Status attribute_name(NodeHandle node, std::int32_t index, Text& out) = 0;
    virtual Status attribute_value(NodeHandle node, std::int32_t index, Text& out) = 0;

    // Gives back a handle obtained from this DOM.
    virtual void release(NodeHandle node) noexcept = 0;

private:
    bool m_releasesHandles;
};

// Creates a fresh DOM for each parse.
class XmlDomFactory {
public:
    virtual ~XmlDomFactory() = default;
    virtual Status create(std::unique_ptr<XmlDom>& dom) = 0;
};

// Owns one node handle and gives it back on destruction.
class NodeRef {
public:
    explicit NodeRef(XmlDom& dom, NodeHandle handle = no_node) noexcept : dom_(&dom), handle_(handle) {}
    NodeRef(NodeRef&& other) noexcept : dom_(other.dom_), handle_(std::exchange(other.handle_, no_node)) {}
    NodeRef& operator=(NodeRef&& other) noexcept {
        if (this != &other) {
            reset();
            dom_ = other.dom_;
            handle_ = std::exchange(other.handle_, no_node);
        }
        return *this;
    }
    NodeRef(const NodeRef&) = delete;
    NodeRef& operator=(const NodeRef&) = delete;
    ~NodeRef() { reset(); }

    NodeHandle get() const { return handle_; }
    explicit operator bool() const { return handle_ != no_node; }

    void reset(NodeHandle handle = no_node) noexcept {
        if (handle_ != no_node && dom_->releases_handles()) {
            dom_->release(handle_);
        }
        handle_ = handle;
    }

private:
    XmlDom* dom_;
    NodeHandle handle_;
};

} // namespace vex::table
