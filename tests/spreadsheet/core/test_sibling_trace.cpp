// The sibling steps of the walk trace at the finer level: each step enters "getNextSibling" just
// before the DOM's next-sibling call and leaves it with that call's status just after; a failing
// call is reported as an error and the step is not left. The level-2 records are checked here; the
// other tests read the other record kinds only.
#include "support/document_test.h"

#include <stdexcept>

namespace vex::table::testing {
namespace {

using Kind = TraceRecord::Kind;

constexpr Status injected = static_cast<Status>(0x8007000Du);

const TraceRecord step_entered{Kind::enter2, "getNextSibling", status_ok};

TraceRecord step_left(Status status) {
    return {Kind::leave2, "getNextSibling", status};
}

// One next-sibling call of the DOM: how many trace records there were when it was made, and what
// it answered.
struct SiblingCall {
    std::size_t recordsBefore;
    Status status;
};

// Wraps a real DOM and notes each next-sibling call against the trace. The call numbered failAt
// (counted from 1, 0 for none) fails; with falseAtEnd, a call that finds no further sibling answers
// S_FALSE, as MSXML's get_nextSibling itself does, instead of S_OK.
class SiblingWatchDom final : public XmlDom {
public:
    SiblingWatchDom(std::unique_ptr<XmlDom> inner, const RecordingTrace& trace, int failAt, bool falseAtEnd,
                    std::vector<SiblingCall>& calls)
        : XmlDom(inner->releases_handles()), m_inner(std::move(inner)), m_trace(trace), m_failAt(failAt),
          m_falseAtEnd(falseAtEnd), m_calls(calls) {}

    Status load(TextView text, bool& loaded) override { return m_inner->load(text, loaded); }
    Status load_error(LoadError& error) override { return m_inner->load_error(error); }
    Status document(NodeHandle& node) override { return m_inner->document(node); }
    Status first_child(NodeHandle node, NodeHandle& child) override {
        return m_inner->first_child(node, child);
    }
    Status next_sibling(NodeHandle node, NodeHandle& sibling) override {
        Status status = injected;
        if (static_cast<int>(m_calls.size()) + 1 != m_failAt) {
            status = m_inner->next_sibling(node, sibling);
            if (m_falseAtEnd && status == status_ok && sibling == no_node) {
                status = status_false;
            }
        }
        m_calls.push_back({m_trace.records.size(), status});
        return status;
    }
    Status name(NodeHandle node, Text& out) override { return m_inner->name(node, out); }
    Status typed_value(NodeHandle node, Text& out) override { return m_inner->typed_value(node, out); }
    Status attribute_count(NodeHandle node, std::int32_t& count) override {
        return m_inner->attribute_count(node, count);
    }
    Status attribute_name(NodeHandle node, std::int32_t index, Text& out) override {
        return m_inner->attribute_name(node, index, out);
    }
    Status attribute_value(NodeHandle node, std::int32_t index, Text& out) override {
        return m_inner->attribute_value(node, index, out);
    }
    void release(NodeHandle node) noexcept override { m_inner->release(node); }

private:
    std::unique_ptr<XmlDom> m_inner;
    const RecordingTrace& m_trace;
    int m_failAt;
    bool m_falseAtEnd;
    std::vector<SiblingCall>& m_calls;
};

class SiblingWatchFactory final : public XmlDomFactory {
public:
    SiblingWatchFactory(XmlDomFactory& inner, const RecordingTrace& trace, int failAt = 0,
                        bool falseAtEnd = false)
        : m_inner(inner), m_trace(trace), m_failAt(failAt), m_falseAtEnd(falseAtEnd) {}
    Status create(std::unique_ptr<XmlDom>& dom) override {
        std::unique_ptr<XmlDom> inner;
        if (const Status status = m_inner.create(inner); failed(status)) {
            return status;
        }
        dom = std::make_unique<SiblingWatchDom>(std::move(inner), m_trace, m_failAt, m_falseAtEnd, calls);
        return status_ok;
    }
    std::vector<SiblingCall> calls;

private:
    XmlDomFactory& m_inner;
    const RecordingTrace& m_trace;
    int m_failAt;
    bool m_falseAtEnd;
};

// Records everything but throws from the finer level's calls.
class ThrowingLevel2Trace final : public TraceSink {
public:
    void enter(TextView method) override { inner.enter(method); }
    void leave(TextView method, Status status) override { inner.leave(method, status); }
    void enter2(TextView) override { throw std::runtime_error("enter2"); }
    void leave2(TextView, Status) override { throw std::runtime_error("leave2"); }
    void error(TextView text, Status status) override { inner.error(text, status); }
    void warning(TextView text, Status status) override { inner.warning(text, status); }
    RecordingTrace inner;
};

// A document with sibling steps in every section, the declaration before the root included.
std::string every_section() {
    return "<?xml version=\"1.0\"?>" +
           document_with_table(
               "<NAME>S</NAME><tbx:LAYOUT><COLOR_HEADER>#FF0000</COLOR_HEADER><FIXED_COL>1</FIXED_COL>"
               "</tbx:LAYOUT><tbx:FIELDS>" +
               field("A", "CHAR", "<INTLEN>3</INTLEN><JUST>L</JUST>") + field("B", "CURR") +
               "</tbx:FIELDS><tbx:COLUMNS>" + column("A", "a") + column("B", "b") +
               "</tbx:COLUMNS><tbx:UNITS><UNIT><ID>EUR</ID><DEC>2</DEC></UNIT></tbx:UNITS>"
               "<tbx:TOP_OF_LIST rowcount=\"1\" colcount=\"2\"><ROW><A>t</A><B>u</B></ROW></tbx:TOP_OF_LIST>"
               "<tbx:ROWS><ROWNUMBER/>" +
               row(cell("x") + cell("1.5", "curr=\"EUR\"")) + row(cell("y") + cell("2")) + "</tbx:ROWS>");
}

class SiblingTrace : public DocumentTest {
protected:
    Status parse_through(XmlDomFactory& factory, TraceSink& sink, RecordingEngine& renderer) {
        TableParser parser(factory, renderer, &sink);
        return parser.parse_xmlData(from_utf8(every_section()));
    }
};
VEX_DOCUMENT_TEST_SUITE(SiblingTrace);

TEST_P(SiblingTrace, EachStepIsEnteredBeforeTheDomCallAndLeftWithItsStatusAfterIt) {
    auto real = GetParam().make();
    SiblingWatchFactory watched(*real, trace);
    ASSERT_EQ(parse_through(watched, trace, engine), status_ok);
    ASSERT_EQ(engine.areas.size(), 1u);
    // The declaration, the header, the area, the layout, fields, columns, units, the list block and
    // the rows and cells all have siblings to step over.
    ASSERT_GE(watched.calls.size(), 30u);
    for (std::size_t i = 0; i < watched.calls.size(); ++i) {
        const std::size_t before = watched.calls[i].recordsBefore;
        ASSERT_GE(before, 1u) << "step " << i;
        ASSERT_LT(before, trace.records.size()) << "step " << i;
        EXPECT_EQ(trace.records[before - 1], step_entered) << "step " << i;
        EXPECT_EQ(trace.records[before], step_left(status_ok)) << "step " << i;
    }
    // Every level-2 record belongs to one of those steps.
    EXPECT_EQ(trace.count(Kind::enter2), watched.calls.size());
    EXPECT_EQ(trace.count(Kind::leave2), watched.calls.size());
    // The plain level does not name the step.
    for (const TraceRecord& record : trace.records) {
        if (record.kind != Kind::enter2 && record.kind != Kind::leave2) {
            EXPECT_EQ(record.text.find("NextSibling"), std::string::npos) << record.text;
        }
    }
    EXPECT_TRUE(trace.errors().empty());
}

TEST_P(SiblingTrace, TheLeaveCarriesTheStatusTheDomAnswered) {
    auto real = GetParam().make();
    SiblingWatchFactory watched(*real, trace, 0, true);
    EXPECT_TRUE(succeeded(parse_through(watched, trace, engine)));
    EXPECT_EQ(engine.areas.size(), 1u);
    int answeredFalse = 0;
    for (std::size_t i = 0; i < watched.calls.size(); ++i) {
        const SiblingCall& call = watched.calls[i];
        ASSERT_LT(call.recordsBefore, trace.records.size()) << "step " << i;
        EXPECT_EQ(trace.records[call.recordsBefore], step_left(call.status)) << "step " << i;
        answeredFalse += call.status == status_false ? 1 : 0;
    }
    EXPECT_GT(answeredFalse, 0);
    EXPECT_LT(answeredFalse, static_cast<int>(watched.calls.size()));
    EXPECT_EQ(trace.count(Kind::leave2), watched.calls.size());
}

TEST_P(SiblingTrace, AFailingStepIsReportedWithItsStatusAndNotLeft) {
    auto real = GetParam().make();
    std::size_t steps = 0;
    {
        RecordingTrace clean;
        RecordingEngine renderer;
        SiblingWatchFactory watched(*real, clean);
        ASSERT_EQ(parse_through(watched, clean, renderer), status_ok);
        steps = watched.calls.size();
    }
    ASSERT_GT(steps, 0u);
    for (std::size_t failAt = 1; failAt <= steps; ++failAt) {
        RecordingTrace sweep;
        RecordingEngine renderer;
        SiblingWatchFactory failing(*real, sweep, static_cast<int>(failAt));
        parse_through(failing, sweep, renderer);
        ASSERT_GE(failing.calls.size(), failAt);
        for (std::size_t i = 0; i < failing.calls.size(); ++i) {
            const std::size_t before = failing.calls[i].recordsBefore;
            ASSERT_GE(before, 1u) << "failing " << failAt << ", step " << i;
            ASSERT_LT(before, sweep.records.size()) << "failing " << failAt << ", step " << i;
            EXPECT_EQ(sweep.records[before - 1], step_entered) << "failing " << failAt << ", step " << i;
            const TraceRecord after = i + 1 == failAt
                                          ? TraceRecord{Kind::error, "get_nextSibling failed", injected}
                                          : step_left(status_ok);
            EXPECT_EQ(sweep.records[before], after) << "failing " << failAt << ", step " << i;
        }
        EXPECT_EQ(sweep.count(Kind::enter2), failing.calls.size()) << "failing " << failAt;
        EXPECT_EQ(sweep.count(Kind::leave2), failing.calls.size() - 1) << "failing " << failAt;
    }
}

TEST_P(SiblingTrace, ASinkThatThrowsAtTheFinerLevelChangesNothing) {
    auto real = GetParam().make();
    ASSERT_EQ(parse_through(*real, trace, engine), status_ok);
    ASSERT_EQ(engine.areas.size(), 1u);
    ThrowingLevel2Trace throwing;
    RecordingEngine renderer;
    EXPECT_EQ(parse_through(*real, throwing, renderer), status_ok);
    ASSERT_EQ(renderer.areas.size(), engine.areas.size());
    EXPECT_EQ(cell_texts(renderer.areas.front().cellValues), cell_texts(engine.areas.front().cellValues));
    std::vector<TraceRecord> plain;
    for (const TraceRecord& record : trace.records) {
        if (record.kind != Kind::enter2 && record.kind != Kind::leave2) {
            plain.push_back(record);
        }
    }
    EXPECT_EQ(throwing.inner.records, plain);
}

} // namespace
} // namespace vex::table::testing
