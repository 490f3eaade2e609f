// A DOM wrapped around an adapter that watches the parser's calls: the handles handed out and given
// back, the trace records around each next-sibling call, and one call made to fail on purpose.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/xml_dom.h"
#include "support/recording_trace.h"

namespace vex::table::testing {

inline constexpr Status injected = static_cast<Status>(0x8007000Du);
inline const std::string injected_mark = " [0x8007000D]";

enum class Call {
    load,
    document,
    first_child,
    next_sibling,
    name,
    typed_value,
    attribute_count,
    attribute_name,
    attribute_value
};
inline constexpr std::size_t call_kinds = 9;

// What the wrapper is to do, and what it saw.
struct Watch {
    // The call that fails with `injected`: the failAt-th of kind failKind, or of any kind without one;
    // 0 for none.
    std::optional<Call> failKind;
    int failAt = 0;
    // A next-sibling call that finds none answers S_FALSE, as MSXML's get_nextSibling does.
    bool falseAtEnd = false;
    // Handles are counted (and given back by the parser) also where the adapter needs them not back.
    bool countHandles = false;
    const RecordingTrace* trace = nullptr;

    bool givesBack = false; // whether the parser gives back the handles of this DOM
    int calls = 0;
    int perKind[call_kinds] = {};
    std::optional<Call> failed;
    int handedOut = 0;
    int unknownGivenBack = 0; // handles given back that were not out
    std::map<NodeHandle, int> out;
    // Each next-sibling call: how many trace records there were before it, and its status.
    std::vector<std::pair<std::size_t, Status>> steps;

    int outstanding() const {
        int total = 0;
        for (const auto& entry : out) {
            total += entry.second;
        }
        return total;
    }
};

class WatchedDom final : public XmlDom {
public:
    WatchedDom(std::unique_ptr<XmlDom> inner, Watch& watch)
        : XmlDom(watch.countHandles || inner->releases_handles()), m_inner(std::move(inner)), m_watch(watch) {
        watch.givesBack = releases_handles();
    }

    Status load(TextView text, bool& loaded) override {
        return fails(Call::load) ? injected : m_inner->load(text, loaded);
    }
    Status load_document(DocumentText& text, bool& loaded) override {
        return fails(Call::load) ? injected : m_inner->load_document(text, loaded);
    }
    Status load_error(LoadError& error) override { return m_inner->load_error(error); }
    Status document(NodeHandle& node) override {
        return handing_out(Call::document, node, [&] { return m_inner->document(node); });
    }
    Status first_child(NodeHandle node, NodeHandle& child) override {
        return handing_out(Call::first_child, child, [&] { return m_inner->first_child(node, child); });
    }
    Status next_sibling(NodeHandle node, NodeHandle& sibling) override {
        const std::size_t before = m_watch.trace != nullptr ? m_watch.trace->records.size() : 0;
        Status status =
            handing_out(Call::next_sibling, sibling, [&] { return m_inner->next_sibling(node, sibling); });
        if (m_watch.falseAtEnd && status == status_ok && sibling == no_node) {
            status = status_false;
        }
        m_watch.steps.emplace_back(before, status);
        return status;
    }
    Status name(NodeHandle node, Text& out) override {
        return fails(Call::name) ? injected : m_inner->name(node, out);
    }
    Status typed_value(NodeHandle node, Text& out) override {
        return fails(Call::typed_value) ? injected : m_inner->typed_value(node, out);
    }
    Status attribute_count(NodeHandle node, std::int32_t& count) override {
        return fails(Call::attribute_count) ? injected : m_inner->attribute_count(node, count);
    }
    Status attribute_name(NodeHandle node, std::int32_t index, Text& out) override {
        return fails(Call::attribute_name) ? injected : m_inner->attribute_name(node, index, out);
    }
    Status attribute_value(NodeHandle node, std::int32_t index, Text& out) override {
        return fails(Call::attribute_value) ? injected : m_inner->attribute_value(node, index, out);
    }
    void release(NodeHandle node) noexcept override {
        const auto it = m_watch.out.find(node);
        if (it == m_watch.out.end() || it->second == 0) {
            ++m_watch.unknownGivenBack;
            return;
        }
        --it->second;
        if (m_inner->releases_handles()) {
            m_inner->release(node);
        }
    }

private:
    bool fails(Call kind) {
        ++m_watch.calls;
        const int nth = ++m_watch.perKind[static_cast<std::size_t>(kind)];
        if (m_watch.failAt == 0 || (m_watch.failKind ? kind != *m_watch.failKind || nth != m_watch.failAt
                                                     : m_watch.calls != m_watch.failAt)) {
            return false;
        }
        m_watch.failed = kind;
        return true;
    }
    template <class Step>
    Status handing_out(Call kind, NodeHandle& node, Step step) {
        if (fails(kind)) {
            return injected;
        }
        const Status status = step();
        if (node != no_node) {
            ++m_watch.out[node];
            ++m_watch.handedOut;
        }
        return status;
    }

    std::unique_ptr<XmlDom> m_inner;
    Watch& m_watch;
};

class WatchedFactory final : public XmlDomFactory {
public:
    WatchedFactory(XmlDomFactory& inner, Watch& watch) : m_inner(inner), m_watch(watch) {}
    Status create(std::unique_ptr<XmlDom>& dom) override {
        std::unique_ptr<XmlDom> inner;
        const Status status = m_inner.create(inner);
        if (succeeded(status)) {
            dom = std::make_unique<WatchedDom>(std::move(inner), m_watch);
        }
        return status;
    }

private:
    XmlDomFactory& m_inner;
    Watch& m_watch;
};

} // namespace vex::table::testing
