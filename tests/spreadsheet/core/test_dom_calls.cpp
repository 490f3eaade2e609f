// The parser's calls of a DOM, watched around each adapter of the build: any call that fails is
// reported with the DOM's status and ends the parse with it, and on every path each handle goes back
// exactly once (with MSXML a handle kept is a leaked document) and each sibling step is traced (the
// document tests check both for every document they parse).
#include "support/document_test.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>

namespace vex::table::testing {
namespace {

// A document that passes through every section of the parser, attributes and sibling steps included.
const std::string every_section = sample_document();

using DomCalls = DocumentTest;
VEX_DOCUMENT_TEST_SUITE(DomCalls);

TEST_P(DomCalls, AParseGivesBackEveryHandleAndTracesEachStepWithTheStatusTheDomAnswered) {
    Watch watch;
    watch.countHandles = true;
    watch.falseAtEnd = true;
    ASSERT_EQ(parse(every_section, &watch), status_ok);
    EXPECT_EQ(engine.areas.size(), 2u);
    EXPECT_EQ(trace.errors(), std::vector<std::string>{});
    EXPECT_GT(watch.handedOut, 40);
    const auto answeredFalse = std::count_if(watch.steps.begin(), watch.steps.end(),
                                             [](const auto& step) { return step.second == status_false; });
    EXPECT_GT(answeredFalse, 0);
    EXPECT_LT(answeredFalse, static_cast<std::ptrdiff_t>(watch.steps.size()));
    // Only the finer level names the step.
    for (const TraceRecord& record : trace.records) {
        if (record.kind != TraceRecord::Kind::enter2 && record.kind != TraceRecord::Kind::leave2) {
            EXPECT_EQ(record.text.find("NextSibling"), std::string::npos) << record.text;
        }
    }
}

TEST_P(DomCalls, WhicheverCallFailsTheParseEndsWithItsStatusAndGivesBackEveryHandle) {
    Watch clean;
    clean.countHandles = true;
    ASSERT_EQ(parse(every_section, &clean), status_ok);
    ASSERT_GT(clean.calls, 100);
    for (int failAt = 1; failAt <= clean.calls; ++failAt) {
        SCOPED_TRACE("call " + std::to_string(failAt));
        Watch watch;
        watch.countHandles = true;
        watch.failAt = failAt;
        const Status status = parse(every_section, &watch);
        ASSERT_TRUE(watch.failed);
        const std::vector<std::string> errors = trace.errors();
        if (*watch.failed == Call::document) {
            EXPECT_EQ(status, status_fail);
            EXPECT_EQ(errors, std::vector<std::string>{"pRootNode == NULL"});
            continue;
        }
        EXPECT_TRUE(std::any_of(errors.begin(), errors.end(), [](const std::string& error) {
            return error.size() > injected_mark.size() && error.ends_with(injected_mark);
        }));
        // A failure inside a block above or below the list is reported; the areas are rendered.
        EXPECT_TRUE(status == injected || (status == status_ok && engine.areas.size() == 2u)) << hex(status);
    }
}

TEST_P(DomCalls, TheMessageNamesTheFailingCall) {
    struct Case {
        Call call;
        int nth;
        std::size_t error; // which of the messages
        std::string text;
    };
    const Case cases[] = {
        {Call::load, 1, 2, "loadXML: hr failed<tbx:BI_BS_XML " + injected_mark},
        {Call::document, 1, 0, "pRootNode == NULL"},
        {Call::first_child, 1, 0, "get_firstChild failed" + injected_mark},
        {Call::next_sibling, 1, 0, "get_nextSibling failed" + injected_mark},
        {Call::name, 1, 0,
         "pRootChildNode->get_nodeName failed: can't get root child node name" + injected_mark},
        {Call::name, 3, 0, "pChildNode->get_nodeName failed" + injected_mark},
        {Call::typed_value, 1, 0, "pChildNode->get_nodeTypedValue failed" + injected_mark},
        {Call::attribute_count, 1, 0, "get_attributes failed" + injected_mark},
        {Call::attribute_name, 1, 0, "get_nodeName failed" + injected_mark},
        {Call::attribute_value, 1, 0, "get_nodeTypedValue failed" + injected_mark}};
    for (const Case& c : cases) {
        Watch watch;
        watch.failKind = c.call;
        watch.failAt = c.nth;
        parse(every_section, &watch);
        EXPECT_EQ(trace.errors().at(c.error), c.text);
    }
}

class RefusingFactory final : public XmlDomFactory {
public:
    Status create(std::unique_ptr<XmlDom>&) override { return static_cast<Status>(0x80040154u); }
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

TEST_P(DomCalls, NoDomAndAThrowingTrace) {
    RefusingFactory refusing;
    EXPECT_EQ(TableParser(refusing, engine, &trace).parse_xmlData(from_utf8(every_section)),
              static_cast<Status>(0x80040154u));
    EXPECT_EQ(trace.errors(), std::vector<std::string>{"pDom.CoCreateInstance  [0x80040154]"});

    ASSERT_EQ(parse(every_section), status_ok);
    const std::string model = describe(engine.areas);
    std::vector<TraceRecord> plain;
    std::copy_if(trace.records.begin(), trace.records.end(), std::back_inserter(plain),
                 [](const TraceRecord& r) {
                     return r.kind != TraceRecord::Kind::enter2 && r.kind != TraceRecord::Kind::leave2;
                 });
    ThrowingLevel2Trace throwing;
    EXPECT_EQ(parse(every_section, nullptr, &throwing), status_ok);
    EXPECT_EQ(describe(engine.areas), model);
    EXPECT_EQ(throwing.inner.records, plain);
}

} // namespace
} // namespace vex::table::testing
