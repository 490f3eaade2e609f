// The trace forwarding: the table core's records reach the host's trace service through the
// component's trace object with exact texts and statuses, alone and from a whole parse.
#include "support/com_test.h"

#include "core/table_parser.h"
#include "support/documents.h"
#include "support/recording_engine.h"
#include "trace/trace_objects.h"
#include "windows/msxml_dom.h"
#include "windows/tracer_sink.h"

#include <algorithm>
#include <cstdio>

namespace vex::table::windows {
namespace {

using test::Lines;

constexpr wchar_t object_name[] = L"CVEX_TableCoreTest";

// A trace object that notes which of its methods was called, so that the finer level, which the
// host's trace service records like the plain one, can be told apart.
class MethodRecordingTrace final : public IVEX_Trace {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
            IsEqualIID(iid, __uuidof(IVEX_Trace))) {
            *out = static_cast<IVEX_Trace*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
    STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP InitTrace(BSTR) override { return note(L"InitTrace"); }
    STDMETHODIMP TraceError(BSTR text, HRESULT status) override { return note(L"TraceError", text, status); }
    STDMETHODIMP TraceWarning(BSTR text, HRESULT status) override {
        return note(L"TraceWarning", text, status);
    }
    STDMETHODIMP TraceEnter(BSTR name) override { return note(L"TraceEnter", name); }
    STDMETHODIMP TraceLeave(BSTR name, HRESULT status) override { return note(L"TraceLeave", name, status); }
    STDMETHODIMP TraceException(BSTR text, HRESULT status) override {
        return note(L"TraceException", text, status);
    }
    STDMETHODIMP setTraceLevel(LONG) override { return note(L"setTraceLevel"); }
    STDMETHODIMP InitialiseTrace(BSTR, IUnknown*) override { return note(L"InitialiseTrace"); }
    STDMETHODIMP setTraceObject(IUnknown*) override { return note(L"setTraceObject"); }
    STDMETHODIMP setClassName(BSTR) override { return note(L"setClassName"); }
    STDMETHODIMP getTraceObject(IUnknown**) override { return note(L"getTraceObject"); }
    STDMETHODIMP TraceEnterLevel2(BSTR name) override { return note(L"TraceEnterLevel2", name); }
    STDMETHODIMP TraceLeaveLevel2(BSTR name, HRESULT status) override {
        return note(L"TraceLeaveLevel2", name, status);
    }
    STDMETHODIMP TraceTimeEnter(BSTR) override { return note(L"TraceTimeEnter"); }
    STDMETHODIMP TraceTimeLeave(BSTR) override { return note(L"TraceTimeLeave"); }

    LONG refs = 1;
    // "method text" or "method text 0x........", one per call.
    Lines calls;

private:
    HRESULT note(const wchar_t* method) {
        calls.push_back(method);
        return S_OK;
    }
    HRESULT note(const wchar_t* method, BSTR text) {
        calls.push_back(std::wstring(method) + L" " + std::wstring(text, SysStringLen(text)));
        return S_OK;
    }
    HRESULT note(const wchar_t* method, BSTR text, HRESULT status) {
        wchar_t hex[16];
        std::swprintf(hex, 16, L" 0x%08lX", static_cast<unsigned long>(status));
        calls.push_back(std::wstring(method) + L" " + std::wstring(text, SysStringLen(text)) + hex);
        return S_OK;
    }
};

class TracerSinkTest : public test::ComTest {
protected:
    void SetUp() override {
        ComTest::SetUp();
        tracer.set(create_own_trace(object_name, nullptr));
        ASSERT_TRUE(tracer);
        trace_log().records.clear();
    }
    void TearDown() override {
        tracer.reset();
        ComTest::TearDown();
    }
    Lines traced() { return lines(object_name); }

    // Parses a document the way the spreadsheet component will: MSXML, the recording engine, the
    // component's tracer.
    Status parse(std::string_view utf8) {
        MsxmlDomFactory doms;
        TracerSink sink(tracer);
        TableParser parser(doms, engine, &sink);
        return parser.parse_xmlData(from_utf8(utf8));
    }

    Tracer tracer;
    testing::RecordingEngine engine;
};

TEST_F(TracerSinkTest, EachRecordKindReachesTheHostWithItsStatus) {
    TracerSink sink(tracer);
    sink.enter(u"parse_xmlData");
    sink.error(u"Wrong input xml: <x/>", status_fail);
    sink.warning(u"getJustifyValues: no alignment for Q", status_false);
    sink.leave(u"parse_xmlData", status_pointer);
    sink.enter2(u"getNextSibling");
    sink.leave2(u"getNextSibling", status_false);
    EXPECT_EQ(traced(), (Lines{L"enter parse_xmlData", L"error Wrong input xml: <x/> 0x80004005",
                               L"warning getJustifyValues: no alignment for Q 0x00000001",
                               L"leave parse_xmlData 0x80004003", L"enter getNextSibling",
                               L"leave getNextSibling 0x00000001"}));
}

TEST_F(TracerSinkTest, TheFinerLevelGoesToTheLevel2Methods) {
    MethodRecordingTrace object;
    {
        Tracer componentTracer;
        componentTracer.set(com::com_ptr<IVEX_Trace>(&object));
        TracerSink sink(componentTracer);
        sink.enter(u"parse_xmlTBX");
        sink.enter2(u"getNextSibling");
        sink.leave2(u"getNextSibling", status_pointer);
        sink.leave(u"parse_xmlTBX", status_false);
    }
    EXPECT_EQ(object.calls,
              (Lines{L"TraceEnter parse_xmlTBX", L"TraceEnterLevel2 getNextSibling",
                     L"TraceLeaveLevel2 getNextSibling 0x80004003", L"TraceLeave parse_xmlTBX 0x00000001"}));
    EXPECT_EQ(object.refs, 1);
}

TEST_F(TracerSinkTest, AParseTracesItsSiblingStepsAtTheFinerLevel) {
    MethodRecordingTrace object;
    {
        Tracer componentTracer;
        componentTracer.set(com::com_ptr<IVEX_Trace>(&object));
        MsxmlDomFactory doms;
        TracerSink sink(componentTracer);
        TableParser parser(doms, engine, &sink);
        EXPECT_EQ(parser.parse_xmlData(from_utf8(testing::document_with_table(
                      "<NAME>S</NAME>" + testing::text_and_number_columns() + "<tbx:ROWS>" +
                      testing::row(testing::cell("a") + testing::cell("1")) + "</tbx:ROWS>"))),
                  status_ok);
    }
    ASSERT_EQ(engine.areas.size(), 1u);
    std::size_t steps = 0;
    for (std::size_t i = 0; i < object.calls.size(); ++i) {
        if (object.calls[i].rfind(L"TraceEnterLevel2", 0) == 0) {
            ++steps;
            EXPECT_EQ(object.calls[i], L"TraceEnterLevel2 getNextSibling");
            ASSERT_LT(i + 1, object.calls.size());
            EXPECT_EQ(object.calls[i + 1], L"TraceLeaveLevel2 getNextSibling 0x00000000");
        } else if (object.calls[i].rfind(L"TraceLeaveLevel2", 0) != 0) {
            EXPECT_EQ(object.calls[i].find(L"NextSibling"), std::wstring::npos) << object.calls[i];
        }
    }
    EXPECT_GT(steps, 0u);
    EXPECT_EQ(std::count_if(object.calls.begin(), object.calls.end(),
                            [](const std::wstring& call) { return call.rfind(L"TraceLeaveLevel2", 0) == 0; }),
              static_cast<std::ptrdiff_t>(steps));
    EXPECT_EQ(object.refs, 1);
}

TEST_F(TracerSinkTest, TextsArriveUnitForUnit) {
    TracerSink sink(tracer);
    // Non-ASCII, a character outside the BMP, an embedded NUL and an empty text.
    const Text text{u'\u00E9', u'\u20AC', 0xD83D, 0xDE00, u'a', 0, u'b'};
    sink.error(text, status_fail);
    sink.enter(u"");
    std::wstring expected = L"error \u00E9\u20AC\U0001F600a";
    expected.push_back(L'\0');
    expected += L"b 0x80004005";
    EXPECT_EQ(traced(), (Lines{expected, L"enter "}));
}

TEST_F(TracerSinkTest, FollowsTheTraceObjectTheComponentHasNow) {
    Tracer componentTracer;
    TracerSink sink(componentTracer);
    sink.error(u"before any trace object", status_fail);
    EXPECT_EQ(trace_log().calls(), 0u);

    componentTracer.set(com::com_ptr<IVEX_Trace>(tracer.get()));
    sink.error(u"with one", status_fail);
    componentTracer.reset();
    sink.error(u"after it went", status_fail);
    EXPECT_EQ(traced(), Lines{L"error with one 0x80004005"});
}

TEST_F(TracerSinkTest, ARejectedTextIsTracedExactly) {
    EXPECT_EQ(parse("<tbx:BI_BS_XML>aaaaa"), status_fail);
    const Lines all = traced();
    ASSERT_GE(all.size(), 2u);
    EXPECT_EQ(all[0], L"enter parse_xmlData");
    EXPECT_EQ(all[1], L"error Wrong input xml: <tbx:BI_BS_XML>aaaaa 0x80004005");
}

TEST_F(TracerSinkTest, ALoadFailureIsTracedWithTheLoadStatus) {
    const std::string text = "<?xml version=\"1.0\"?>" + testing::root_open + "<VERSION>2.1</VERSION>";
    EXPECT_EQ(parse(text), status_fail);
    const Lines all = traced();
    ASSERT_GE(all.size(), 9u);
    EXPECT_EQ(all[0], L"enter parse_xmlData");
    const std::wstring wide(text.begin(), text.end()); // ASCII
    EXPECT_EQ(all[1], L"error first lines xml: " + wide.substr(0, 20) + L" 0x00000001");
    EXPECT_EQ(all[2], L"error last lines xml: " + wide.substr(wide.size() - 20) + L" 0x00000001");
    EXPECT_EQ(all[3], L"error loadXML: issuccessful" + wide.substr(21, 15) + L" 0x00000001");
    EXPECT_EQ(all[4].rfind(L"error \tReason= ", 0), 0u);
    EXPECT_EQ(all[5].rfind(L"error \tErrorCode= -", 0), 0u);
    EXPECT_EQ(all[8].rfind(L"error \tSourceText= ", 0), 0u);
    EXPECT_TRUE(engine.areas.empty());
}

TEST_F(TracerSinkTest, ASuccessfulParseEntersAndLeavesEverySection) {
    EXPECT_EQ(parse(testing::document_with_table(
                  "<NAME>S</NAME>" + testing::text_and_number_columns() + "<tbx:ROWS>" +
                  testing::row(testing::cell("a") + testing::cell("1")) + "</tbx:ROWS>")),
              status_ok);
    const Lines all = traced();
    ASSERT_FALSE(all.empty());
    EXPECT_EQ(all.front(), L"enter parse_xmlData");
    EXPECT_EQ(all.back(), L"leave parse_xmlData 0x00000000");
    for (const wchar_t* section :
         {L"parse_xmlTBX", L"extract_xmlData_Areas", L"extract_xmlData_OneArea", L"extract_xmlData_Field",
          L"extract_xmlData_Column", L"extract_xmlData_Rows", L"extract_xmlData_Cell"}) {
        EXPECT_NE(std::find(all.begin(), all.end(), std::wstring(L"enter ") + section), all.end()) << section;
        EXPECT_NE(std::find(all.begin(), all.end(), std::wstring(L"leave ") + section + L" 0x00000000"),
                  all.end())
            << section;
    }
    ASSERT_EQ(engine.areas.size(), 1u);
}

} // namespace
} // namespace vex::table::windows
