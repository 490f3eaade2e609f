// Every node handle the parser takes from a DOM goes back to it exactly once, on every path: when the
// parse succeeds, when the document is rejected, and when any single DOM call fails. With an adapter
// whose handles are COM references (MSXML), a handle kept is a leaked document.
#include "support/document_test.h"

#include <map>

namespace vex::table::testing {
namespace {

struct HandleCounts {
    int handedOut = 0;
    int givenBack = 0;
    int unknownGivenBack = 0; // handles given back that were not out (twice, or never handed out)
    int calls = 0;            // DOM calls that may fail, counted from 1
    bool injected = false;
    std::map<NodeHandle, int> out;

    int outstanding() const {
        int total = 0;
        for (const auto& [handle, count] : out) {
            total += count;
        }
        return total;
    }
};

constexpr Status injected_status = static_cast<Status>(0x8007000Eu);

// Wraps a real DOM, counts the handles it hands out and gets back, and makes the call numbered
// failAt fail (0: none).
class CountingDom final : public XmlDom {
public:
    CountingDom(std::unique_ptr<XmlDom> inner, int failAt, HandleCounts& counts)
        : XmlDom(true), m_inner(std::move(inner)), m_failAt(failAt), m_counts(counts) {}

    Status load(TextView text, bool& loaded) override { return m_inner->load(text, loaded); }
    Status load_error(LoadError& error) override { return m_inner->load_error(error); }
    Status document(NodeHandle& node) override {
        if (fail()) {
            return injected_status;
        }
        const Status status = m_inner->document(node);
        track(node);
        return status;
    }
    Status first_child(NodeHandle node, NodeHandle& child) override {
        if (fail()) {
            return injected_status;
        }
        const Status status = m_inner->first_child(node, child);
        track(child);
        return status;
    }
    Status next_sibling(NodeHandle node, NodeHandle& sibling) override {
        if (fail()) {
            return injected_status;
        }
        const Status status = m_inner->next_sibling(node, sibling);
        track(sibling);
        return status;
    }
    Status name(NodeHandle node, Text& out) override {
        return fail() ? injected_status : m_inner->name(node, out);
    }
    Status typed_value(NodeHandle node, Text& out) override {
        return fail() ? injected_status : m_inner->typed_value(node, out);
    }
    Status attribute_count(NodeHandle node, std::int32_t& count) override {
        return fail() ? injected_status : m_inner->attribute_count(node, count);
    }
    Status attribute_name(NodeHandle node, std::int32_t index, Text& out) override {
        return fail() ? injected_status : m_inner->attribute_name(node, index, out);
    }
    Status attribute_value(NodeHandle node, std::int32_t index, Text& out) override {
        return fail() ? injected_status : m_inner->attribute_value(node, index, out);
    }
    void release(NodeHandle node) noexcept override {
        auto it = m_counts.out.find(node);
        if (it == m_counts.out.end() || it->second == 0) {
            ++m_counts.unknownGivenBack;
            return;
        }
        --it->second;
        ++m_counts.givenBack;
        if (m_inner->releases_handles()) {
            m_inner->release(node);
        }
    }

private:
    bool fail() {
        if (++m_counts.calls != m_failAt) {
            return false;
        }
        m_counts.injected = true;
        return true;
    }
    void track(NodeHandle handle) {
        if (handle != no_node) {
            ++m_counts.out[handle];
            ++m_counts.handedOut;
        }
    }

    std::unique_ptr<XmlDom> m_inner;
    int m_failAt;
    HandleCounts& m_counts;
};

class CountingFactory final : public XmlDomFactory {
public:
    CountingFactory(XmlDomFactory& inner, int failAt) : m_inner(inner), m_failAt(failAt) {}
    Status create(std::unique_ptr<XmlDom>& dom) override {
        std::unique_ptr<XmlDom> inner;
        if (const Status status = m_inner.create(inner); failed(status)) {
            return status;
        }
        dom = std::make_unique<CountingDom>(std::move(inner), m_failAt, counts);
        return status_ok;
    }
    HandleCounts counts;

private:
    XmlDomFactory& m_inner;
    int m_failAt;
};

using HandleBalance = DocumentTest;
VEX_DOCUMENT_TEST_SUITE(HandleBalance);

// A document that passes through every section of the parser, attributes included.
std::string all_sections() {
    return "<?xml version=\"1.0\"?>" +
           document_with_table(
               "<NAME>S</NAME><tbx:LAYOUT><COLOR_HEADER>#FF0000</COLOR_HEADER><FIXED_COL>1</FIXED_COL>"
               "</tbx:LAYOUT><tbx:FIELDS>" +
               field("A", "CHAR", "<JUST>L</JUST>") + field("B", "CURR") + "</tbx:FIELDS><tbx:COLUMNS>" +
               column("A", "a") + column("B", "b") +
               "</tbx:COLUMNS><tbx:UNITS><UNIT><ID>EUR</ID><DEC>2</DEC></UNIT></tbx:UNITS>"
               "<tbx:TOP_OF_LIST rowcount=\"1\" colcount=\"2\"><ROW><A>t</A><B>u</B></ROW></tbx:TOP_OF_LIST>"
               "<tbx:ROWS><ROWNUMBER/>" +
               row(cell("x") + cell("1.5", "curr=\"EUR\" decimals=\"2\""),
                   "type=\"S\" index=\"0\" level=\"0\"") +
               row(cell("g"), "collapsed=\"X\"") +
               "</tbx:ROWS>"
               "<tbx:END_OF_LIST rowcount=\"1\" colcount=\"1\"><ROW><A>e</A></ROW></tbx:END_OF_LIST>");
}

Status parse_counted(XmlDomFactory& counting, std::string_view utf8) {
    RecordingTrace trace;
    RecordingEngine engine;
    TableParser parser(counting, engine, &trace);
    return parser.parse_xmlData(from_utf8(utf8));
}

TEST_P(HandleBalance, EveryHandleGoesBackAfterAParse) {
    auto real = GetParam().make();
    CountingFactory factory(*real, 0);
    EXPECT_EQ(parse_counted(factory, all_sections()), status_ok);
    EXPECT_GT(factory.counts.handedOut, 40);
    EXPECT_EQ(factory.counts.outstanding(), 0);
    EXPECT_EQ(factory.counts.givenBack, factory.counts.handedOut);
    EXPECT_EQ(factory.counts.unknownGivenBack, 0);
}

TEST_P(HandleBalance, EveryHandleGoesBackWhenTheDocumentIsRejected) {
    auto real = GetParam().make();
    for (const std::string& text : {
             document_with_table("<tbx:ROWS>" + row(cell("x")) + "</tbx:ROWS>"), // cells without columns
             document_with_table("<tbx:LAYOUT><WRONG/></tbx:LAYOUT>"),           // unknown layout entry
             document_with_table(text_and_number_columns() + "<tbx:ROWS><ROW type=\"Q\"/></tbx:ROWS>"),
             document_with_areas("<tbx:TABLE/><OTHER/>"),                 // second area invalid
             "<?xml version=\"1.0\"?><!--c-->" + document_with_areas(""), // comment before the root
         }) {
        CountingFactory factory(*real, 0);
        EXPECT_EQ(parse_counted(factory, text), status_fail) << text;
        EXPECT_GT(factory.counts.handedOut, 0) << text;
        EXPECT_EQ(factory.counts.outstanding(), 0) << text;
        EXPECT_EQ(factory.counts.unknownGivenBack, 0) << text;
    }
}

TEST_P(HandleBalance, EveryHandleGoesBackWhicheverDomCallFails) {
    auto real = GetParam().make();
    CountingFactory clean(*real, 0);
    ASSERT_EQ(parse_counted(clean, all_sections()), status_ok);
    const int calls = clean.counts.calls;
    ASSERT_GT(calls, 100);
    for (int failAt = 1; failAt <= calls; ++failAt) {
        CountingFactory factory(*real, failAt);
        parse_counted(factory, all_sections());
        ASSERT_TRUE(factory.counts.injected) << failAt;
        EXPECT_EQ(factory.counts.outstanding(), 0) << "call " << failAt;
        EXPECT_EQ(factory.counts.unknownGivenBack, 0) << "call " << failAt;
    }
}

} // namespace
} // namespace vex::table::testing
