// The trace forwarding: the table core's records reach the host's trace service through the
// component's trace object with exact texts and statuses, the finer level through the Level2 methods,
// alone and from a whole parse.
#include "support/com_test.h"

#include "core/table_parser.h"
#include "support/document_test.h"
#include "trace/trace_objects.h"
#include "windows/msxml_dom.h"
#include "windows/tracer_sink.h"

#include <cstdio>

namespace vex::table::windows {
namespace {

using test::Lines;

constexpr wchar_t object_name[] = L"CVEX_TableCoreTest";

// A trace object that notes which of its methods was called ("method text 0x........"), so that the
// finer level, which the host's trace service records like the plain one, can be told apart.
class MethodRecordingTrace final : public IVEX_Trace {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        const bool known = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
                           IsEqualIID(iid, __uuidof(IVEX_Trace));
        *out = known ? static_cast<IVEX_Trace*>(this) : nullptr;
        return known ? (AddRef(), S_OK) : E_NOINTERFACE;
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
    STDMETHODIMP TraceError(BSTR text, HRESULT status) override { return note(L"TraceError", text, &status); }
    STDMETHODIMP TraceWarning(BSTR text, HRESULT status) override {
        return note(L"TraceWarning", text, &status);
    }
    STDMETHODIMP TraceEnter(BSTR name) override { return note(L"TraceEnter", name); }
    STDMETHODIMP TraceLeave(BSTR name, HRESULT status) override { return note(L"TraceLeave", name, &status); }
    STDMETHODIMP TraceException(BSTR text, HRESULT status) override {
        return note(L"TraceException", text, &status);
    }
    STDMETHODIMP setTraceLevel(LONG) override { return note(L"setTraceLevel"); }
    STDMETHODIMP InitialiseTrace(BSTR, IUnknown*) override { return note(L"InitialiseTrace"); }
    STDMETHODIMP setTraceObject(IUnknown*) override { return note(L"setTraceObject"); }
    STDMETHODIMP setClassName(BSTR) override { return note(L"setClassName"); }
    STDMETHODIMP getTraceObject(IUnknown**) override { return note(L"getTraceObject"); }
    STDMETHODIMP TraceEnterLevel2(BSTR name) override { return note(L"TraceEnterLevel2", name); }
    STDMETHODIMP TraceLeaveLevel2(BSTR name, HRESULT status) override {
        return note(L"TraceLeaveLevel2", name, &status);
    }
    STDMETHODIMP TraceTimeEnter(BSTR) override { return note(L"TraceTimeEnter"); }
    STDMETHODIMP TraceTimeLeave(BSTR) override { return note(L"TraceTimeLeave"); }

    LONG refs = 1;
    Lines calls;

private:
    HRESULT note(const wchar_t* method, BSTR text = nullptr, const HRESULT* status = nullptr) {
        std::wstring line = method;
        if (text != nullptr) {
            line += L" " + std::wstring(text, SysStringLen(text));
        }
        if (status != nullptr) {
            wchar_t hex[16];
            std::swprintf(hex, 16, L" 0x%08lX", static_cast<unsigned long>(*status));
            line += hex;
        }
        calls.push_back(line);
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

    Tracer tracer;
    testing::RecordingEngine engine;
};

TEST_F(TracerSinkTest, EachRecordKindReachesTheHostUnitForUnitWithItsStatus) {
    TracerSink sink(tracer);
    sink.enter(u"parse_xmlData");
    // Beyond ASCII, beyond the BMP, an embedded NUL.
    sink.error(Text{u'\u00E9', u'\u20AC', 0xD83D, 0xDE00, u'a', 0, u'b'}, status_fail);
    sink.warning(u"getJustifyValues: no alignment for Q", status_false);
    sink.leave(u"", status_pointer);
    sink.enter2(u"getNextSibling");
    sink.leave2(u"getNextSibling", status_false);
    std::wstring error = L"error \u00E9\u20AC\U0001F600a";
    error.push_back(L'\0');
    EXPECT_EQ(lines(object_name),
              (Lines{L"enter parse_xmlData", error + L"b 0x80004005",
                     L"warning getJustifyValues: no alignment for Q 0x00000001", L"leave  0x80004003",
                     L"enter getNextSibling", L"leave getNextSibling 0x00000001"}));
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
    EXPECT_EQ(lines(object_name), Lines{L"error with one 0x80004005"});
}

TEST_F(TracerSinkTest, AParseTracesItsSiblingStepsThroughTheLevel2Methods) {
    MethodRecordingTrace object;
    {
        Tracer componentTracer;
        componentTracer.set(com::com_ptr<IVEX_Trace>(&object));
        MsxmlDomFactory doms;
        TracerSink sink(componentTracer);
        EXPECT_EQ(TableParser(doms, engine, &sink)
                      .parse_xmlData(from_utf8(testing::document_with_table(
                          "<NAME>S</NAME>" + testing::text_and_number_columns() + "<tbx:ROWS>" +
                          testing::row(testing::cell("a") + testing::cell("1")) + "</tbx:ROWS>"))),
                  status_ok);
    }
    ASSERT_EQ(engine.areas.size(), 1u);
    EXPECT_EQ(object.calls.front(), L"TraceEnter parse_xmlData");
    EXPECT_EQ(object.calls.back(), L"TraceLeave parse_xmlData 0x00000000");
    std::size_t steps = 0;
    for (std::size_t i = 0; i < object.calls.size(); ++i) {
        if (object.calls[i].find(L"NextSibling") == std::wstring::npos) {
            continue;
        }
        // Each step is entered at the finer level and left there with the DOM's status.
        ASSERT_EQ(object.calls[i], L"TraceEnterLevel2 getNextSibling") << i;
        ASSERT_LT(i + 1, object.calls.size());
        EXPECT_TRUE(object.calls[i + 1] == L"TraceLeaveLevel2 getNextSibling 0x00000000" ||
                    object.calls[i + 1] == L"TraceLeaveLevel2 getNextSibling 0x00000001")
            << object.calls[i + 1];
        ++steps;
        ++i;
    }
    EXPECT_GT(steps, 0u);
    EXPECT_EQ(object.refs, 1);
}

} // namespace
} // namespace vex::table::windows
