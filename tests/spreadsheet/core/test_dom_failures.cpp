// Failing DOM calls: every one is reported with the DOM's status and ends the parse with it.
#include "support/document_test.h"

namespace vex::table::testing {
namespace {

enum class Call {
    load,
    first_child,
    next_sibling,
    name,
    typed_value,
    attribute_count,
    attribute_name,
    attribute_value
};

// Wraps a real DOM and makes the n-th call of one kind fail (counted from 1).
class FailingDom final : public XmlDom {
public:
    FailingDom(std::unique_ptr<XmlDom> inner, Call call, int nth, Status status, bool& failed)
        : m_inner(std::move(inner)), m_call(call), m_nth(nth), m_status(status), m_failed(failed) {}

    Status load(TextView text, bool& loaded) override {
        return fail(Call::load) ? m_status : m_inner->load(text, loaded);
    }
    Status load_error(LoadError& error) override { return m_inner->load_error(error); }
    Status document(NodeHandle& node) override { return m_inner->document(node); }
    Status first_child(NodeHandle node, NodeHandle& child) override {
        return fail(Call::first_child) ? m_status : m_inner->first_child(node, child);
    }
    Status next_sibling(NodeHandle node, NodeHandle& sibling) override {
        return fail(Call::next_sibling) ? m_status : m_inner->next_sibling(node, sibling);
    }
    Status name(NodeHandle node, Text& out) override {
        return fail(Call::name) ? m_status : m_inner->name(node, out);
    }
    Status typed_value(NodeHandle node, Text& out) override {
        return fail(Call::typed_value) ? m_status : m_inner->typed_value(node, out);
    }
    Status attribute_count(NodeHandle node, std::int32_t& count) override {
        return fail(Call::attribute_count) ? m_status : m_inner->attribute_count(node, count);
    }
    Status attribute_name(NodeHandle node, std::int32_t index, Text& out) override {
        return fail(Call::attribute_name) ? m_status : m_inner->attribute_name(node, index, out);
    }
    Status attribute_value(NodeHandle node, std::int32_t index, Text& out) override {
        return fail(Call::attribute_value) ? m_status : m_inner->attribute_value(node, index, out);
    }
    void release(NodeHandle node) noexcept override { m_inner->release(node); }

private:
    bool fail(Call call) {
        if (call != m_call || ++m_seen != m_nth) {
            return false;
        }
        m_failed = true;
        return true;
    }

    std::unique_ptr<XmlDom> m_inner;
    Call m_call;
    int m_nth;
    Status m_status;
    int m_seen = 0;
    bool& m_failed;
};

class FailingDomFactory final : public XmlDomFactory {
public:
    FailingDomFactory(XmlDomFactory& inner, Call call, int nth, Status status)
        : m_inner(inner), m_call(call), m_nth(nth), m_status(status) {}
    Status create(std::unique_ptr<XmlDom>& dom) override {
        std::unique_ptr<XmlDom> inner;
        if (const Status status = m_inner.create(inner); failed(status)) {
            return status;
        }
        dom = std::make_unique<FailingDom>(std::move(inner), m_call, m_nth, m_status, injected);
        return status_ok;
    }
    // Set once the chosen call has failed.
    bool injected = false;

private:
    XmlDomFactory& m_inner;
    Call m_call;
    int m_nth;
    Status m_status;
};

class RefusingFactory final : public XmlDomFactory {
public:
    Status create(std::unique_ptr<XmlDom>&) override { return static_cast<Status>(0x80040154u); }
};

using DomFailures = DocumentTest;
VEX_DOCUMENT_TEST_SUITE(DomFailures);

constexpr Status injected = static_cast<Status>(0x8007000Du);

// A document that passes through every section of the parser.
std::string every_section() {
    return "<?xml version=\"1.0\"?>" +
           document_with_table(
               "<NAME>S</NAME><tbx:LAYOUT><COLOR_HEADER>#FF0000</COLOR_HEADER><FIXED_COL>1</FIXED_COL>"
               "</tbx:LAYOUT><tbx:FIELDS>" +
               field("A", "CHAR", "<INTLEN>3</INTLEN><JUST>L</JUST>") + field("B", "CURR") +
               "</tbx:FIELDS><tbx:COLUMNS>" + column("A", "a") + column("B", "b") +
               "</tbx:COLUMNS><tbx:UNITS><UNIT><ID>EUR</ID><DEC>2</DEC></UNIT></tbx:UNITS>"
               "<tbx:TOP_OF_LIST rowcount=\"1\" colcount=\"1\"><ROW><A>t</A></ROW></tbx:TOP_OF_LIST>"
               "<tbx:ROWS><ROWNUMBER/>" +
               row(cell("x") + cell("1.5", "curr=\"EUR\" istext=\"\""),
                   "type=\"S\" index=\"0\" level=\"0\"") +
               row(cell("g"), "collapsed=\"X\"") + "</tbx:ROWS>");
}

TEST_P(DomFailures, EveryFailingCallEndsTheParseWithItsStatus) {
    auto real = GetParam().make();
    int sweeps = 0;
    for (const Call call : {Call::first_child, Call::next_sibling, Call::name, Call::typed_value,
                            Call::attribute_count, Call::attribute_name, Call::attribute_value}) {
        for (int nth = 1;; ++nth) {
            FailingDomFactory factory(*real, call, nth, injected);
            RecordingTrace sweep_trace;
            RecordingEngine sweep_engine;
            TableParser parser(factory, sweep_engine, &sweep_trace);
            const Status status = parser.parse_xmlData(from_utf8(every_section()));
            if (!factory.injected) {
                EXPECT_EQ(status, status_ok);
                break;
            }
            ++sweeps;
            const auto errors = sweep_trace.errors_with_status();
            ASSERT_FALSE(errors.empty()) << static_cast<int>(call) << " " << nth;
            bool reported = false;
            for (const auto& error : errors) {
                reported = reported || error.second == injected;
            }
            EXPECT_TRUE(reported) << static_cast<int>(call) << " " << nth;
            // A failure inside the top of list block is reported but does not end the area.
            if (status == status_ok) {
                EXPECT_EQ(sweep_engine.areas.size(), 1u);
            } else {
                EXPECT_EQ(status, injected)
                    << static_cast<int>(call) << " " << nth << " " << errors.front().first;
            }
        }
    }
    EXPECT_GT(sweeps, 40);
}

TEST_P(DomFailures, MessagesNameTheFailingCall) {
    auto real = GetParam().make();
    const auto first_error = [&](Call call, int nth) {
        FailingDomFactory factory(*real, call, nth, injected);
        RecordingTrace sweep_trace;
        RecordingEngine sweep_engine;
        TableParser parser(factory, sweep_engine, &sweep_trace);
        parser.parse_xmlData(from_utf8(every_section()));
        const auto errors = sweep_trace.errors_with_status();
        return errors.empty() ? std::make_pair(std::string(), status_ok) : errors.front();
    };
    EXPECT_EQ(
        first_error(Call::name, 1),
        std::make_pair(std::string("pRootChildNode->get_nodeName failed: can't get root child node name"),
                       injected));
    EXPECT_EQ(first_error(Call::name, 3),
              std::make_pair(std::string("pChildNode->get_nodeName failed"), injected));
    EXPECT_EQ(first_error(Call::typed_value, 1),
              std::make_pair(std::string("pChildNode->get_nodeTypedValue failed"), injected));
    EXPECT_EQ(first_error(Call::attribute_count, 1),
              std::make_pair(std::string("get_attributes failed"), injected));
    EXPECT_EQ(first_error(Call::attribute_name, 1),
              std::make_pair(std::string("get_nodeName failed"), injected));
    EXPECT_EQ(first_error(Call::next_sibling, 1),
              std::make_pair(std::string("get_nextSibling failed"), injected));
}

TEST_P(DomFailures, FailingLoadCallAndMissingDom) {
    auto real = GetParam().make();
    FailingDomFactory factory(*real, Call::load, 1, injected);
    TableParser parser(factory, engine, &trace);
    const std::string text = every_section();
    EXPECT_EQ(parser.parse_xmlData(from_utf8(text)), injected);
    const auto errors = trace.errors_with_status();
    ASSERT_GE(errors.size(), 3u);
    EXPECT_EQ(errors[2], std::make_pair("loadXML: hr failed" + text.substr(21, 15), injected));

    trace.clear();
    RefusingFactory refusing;
    TableParser without_dom(refusing, engine, &trace);
    EXPECT_EQ(without_dom.parse_xmlData(from_utf8(text)), static_cast<Status>(0x80040154u));
    EXPECT_EQ(trace.errors_with_status(), (std::vector<std::pair<std::string, Status>>{
                                              {"pDom.CoCreateInstance ", static_cast<Status>(0x80040154u)}}));
}

} // namespace
} // namespace vex::table::testing
