// Late-bound calls by name against scripted automation objects: how each kind of call reaches the
// callee, and what each failure traces.
#include "automation/automation_calls.h"
#include "standins/scripted_dispatch.h"
#include "support/com_test.h"

#include <functional>

namespace vex::test {
namespace {

class AutomationCallsTest : public ComTest {
protected:
    void SetUp() override {
        ComTest::SetUp();
        trace = create<IVEX_Trace>(L"KEM.VEX_Trace_Gui");
        com::unique_bstr name(L"calls");
        trace->InitialiseTrace(name.get(), nullptr);
        calls.setTrace(trace.get());
        object = ScriptedDispatch::make();
        VARIANT number{};
        number.vt = VT_I4;
        number.lVal = 42;
        object->add_property(L"Number", number);
        object->add_property(L"Slot", number);
        object->add(L"Sum", [](WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*) {
            result->vt = VT_I4;
            result->lVal = 0;
            for (UINT i = 0; i < params->cArgs; ++i)
                result->lVal += params->rgvarg[i].lVal;
            return S_OK;
        });
        object->add(L"Break", [](WORD, DISPPARAMS*, VARIANT*, EXCEPINFO* info) {
            info->bstrDescription = SysAllocString(L"The sheet is protected.");
            info->scode = E_ACCESSDENIED;
            return DISP_E_EXCEPTION;
        });
        object->add(L"Item", [](WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*) {
            if (params->cArgs != 1 || params->rgvarg[0].lVal != 1)
                return DISP_E_BADINDEX;
            result->vt = VT_DISPATCH;
            result->pdispVal = ScriptedDispatch::make().detach();
            return S_OK;
        });
        object->add(L"Throws", [](WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*) -> HRESULT { throw 1; });
        object->add(L"Ref", [](WORD flags, DISPPARAMS*, VARIANT*, EXCEPINFO*) {
            return flags == DISPATCH_PROPERTYPUTREF ? S_OK : E_UNEXPECTED;
        });
        trace_log().records.clear();
    }
    void TearDown() override {
        object = nullptr;
        calls = CVEX_AutomationCalls();
        trace = nullptr;
        ComTest::TearDown();
    }
    // The trace's errors and warnings.
    Lines complaints() {
        Lines out;
        for (const auto& line : lines(L"calls"))
            if (!line.starts_with(L"enter") && !line.starts_with(L"leave"))
                out.push_back(line);
        return out;
    }

    com::com_ptr<IVEX_Trace> trace;
    com::com_ptr<ScriptedDispatch> object;
    CVEX_AutomationCalls calls;
};

// Properties are read and written in the user's locale, methods run in the system's with an exception
// block, indexed reads are neutral; objects are put by reference first and by value when the callee
// refuses that. Every failure traces its text with the status and returns the status unchanged.
TEST_F(AutomationCallsTest, EachKindOfCallAndItsFailures) {
    VARIANT number{}, child{};
    number.vt = VT_I4;
    number.lVal = 7;
    child.vt = VT_DISPATCH;
    child.pdispVal = object.get();
    VARIANT two[2] = {number, number};
    DISPPARAMS pair{two, nullptr, 2, 0}, first{&number, nullptr, 1, 0};
    first.rgvarg[0].lVal = 1;
    com::unique_variant result;
    IDispatch* out = reinterpret_cast<IDispatch*>(0x1234);
    const auto bstr = [](const wchar_t* text) { return com::unique_bstr(text); };
    struct Case {
        const char* what;
        std::function<HRESULT()> call;
        HRESULT status;
        std::vector<std::pair<WORD, LCID>> reached; // (invoke kind, locale) of each call the callee got
        Lines complaints;
    };
    const Case cases[] = {
        {"get",
         [&] { return calls.getPropertyByName(object.get(), bstr(L"number"), result.put()); },
         S_OK,
         {{DISPATCH_PROPERTYGET, 0x400}},
         {}},
        {"get unknown",
         [&] { return calls.getPropertyByName(object.get(), bstr(L"Missing"), result.put()); },
         DISP_E_UNKNOWNNAME,
         {},
         {L"error proxy->GetIDsOfNames 0x80020006"}},
        {"get into nothing",
         [&] { return calls.getPropertyByName(object.get(), bstr(L"Number"), nullptr); },
         E_POINTER,
         {},
         {L"error GetProperty 0x80004003"}},
        {"get from nothing",
         [&] { return calls.getPropertyByName(nullptr, bstr(L"Number"), result.put()); },
         E_FAIL,
         {},
         {L"error proxy == NULL 0x80004005"}},
        {"put a number",
         [&] { return calls.putPropertyByName(object.get(), bstr(L"Slot"), &number); },
         S_OK,
         {{DISPATCH_PROPERTYPUT, 0x400}},
         {}},
        {"put an object",
         [&] { return calls.putPropertyByName(object.get(), bstr(L"Slot"), &child); },
         S_OK,
         {{DISPATCH_PROPERTYPUTREF, 0x400}, {DISPATCH_PROPERTYPUT, 0x400}},
         {}},
        {"put an object by reference",
         [&] { return calls.putPropertyByName(object.get(), bstr(L"Ref"), &child); },
         S_OK,
         {{DISPATCH_PROPERTYPUTREF, 0x400}},
         {}},
        {"put refused",
         [&] { return calls.putPropertyByName(object.get(), bstr(L"Ref"), &number); },
         E_UNEXPECTED,
         {{DISPATCH_PROPERTYPUT, 0x400}},
         {L"error PutProperty 0x8000FFFF"}},
        {"method",
         [&] { return calls.invokeMethodByName(object.get(), bstr(L"Sum"), &pair, result.put()); },
         S_OK,
         {{DISPATCH_METHOD, 0x800}},
         {}},
        {"method failing with a description",
         [&] { return calls.invokeMethodByName(object.get(), bstr(L"Break"), nullptr, nullptr); },
         DISP_E_EXCEPTION,
         {{DISPATCH_METHOD, 0x800}},
         {L"error proxy->Invoke: The sheet is protected. 0x80020009"}},
        {"indexed",
         [&] { return calls.getIndexedPropertyByName(object.get(), bstr(L"Item"), &first, result.put()); },
         S_OK,
         {{DISPATCH_PROPERTYGET, 0}},
         {}},
        {"indexed missing",
         [&] { return calls.getIndexedPropertyByName(object.get(), bstr(L"Item"), &pair, result.put()); },
         DISP_E_BADINDEX,
         {{DISPATCH_PROPERTYGET, 0}},
         {L"warning proxy->Invoke: Item 0x8002000B"}},
        {"indexed unknown",
         [&] { return calls.getIndexedPropertyByName(object.get(), bstr(L"No"), nullptr, result.put()); },
         DISP_E_UNKNOWNNAME,
         {},
         {L"error getIDsOfNames 0x80020006"}},
        {"indexed from nothing",
         [&] { return calls.getIndexedPropertyByName(nullptr, bstr(L"Item"), nullptr, result.put()); },
         E_FAIL,
         {},
         {L"error proxy == NULL 0x80004005"}},
        {"indexed throwing",
         [&] { return calls.getIndexedPropertyByName(object.get(), bstr(L"Throws"), nullptr, result.put()); },
         E_FAIL,
         {{DISPATCH_PROPERTYGET, 0}},
         {L"error catch exception 0x80004005"}},
        {"an object that is none",
         [&] { return calls.getDispPropertyByName(object.get(), bstr(L"Number"), &out); },
         E_FAIL,
         {{DISPATCH_PROPERTYGET, 0x400}},
         {}},
        {"an object unknown",
         [&] { return calls.getDispPropertyByName(object.get(), bstr(L"Missing"), &out); },
         DISP_E_UNKNOWNNAME,
         {},
         {L"error proxy->GetIDsOfNames 0x80020006", L"error getPropertyByName 0x80020006"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        object->calls.clear();
        trace_log().records.clear();
        EXPECT_EQ(c.call(), c.status);
        std::vector<std::pair<WORD, LCID>> reached;
        for (const DispatchCall& call : object->calls)
            reached.emplace_back(call.flags, call.locale);
        EXPECT_EQ(reached, c.reached);
        EXPECT_EQ(complaints(), c.complaints);
    }
    EXPECT_EQ(out, reinterpret_cast<IDispatch*>(0x1234)); // a failed object read leaves it as it was
    ASSERT_EQ(calls.invokeMethodByName(object.get(), com::unique_bstr(L"Sum"), &pair, result.put()), S_OK);
    EXPECT_EQ(result->lVal, 14);
    EXPECT_TRUE(object->calls.back().exception_block);
    ASSERT_EQ(calls.getDispPropertyByName(object.get(), com::unique_bstr(L"Number"), &out), E_FAIL);
    object->add_property(L"Child", child);
    ASSERT_EQ(calls.getDispPropertyByName(object.get(), com::unique_bstr(L"Child"), &out), S_OK);
    EXPECT_EQ(out, object.get());
    out->Release();
}

// A control is closed and deactivated; an object without IOleObject is refused with the query's status.
TEST_F(AutomationCallsTest, ReleaseMemberObject) {
    auto control = create<IUnknown>(L"KEM.VEX_Environment_Gui");
    EXPECT_EQ(calls.release_member_oleobject(control.get()), S_OK);
    EXPECT_EQ(complaints(), Lines{});
    EXPECT_EQ(calls.release_member_oleobject(object.get()), E_NOINTERFACE);
    EXPECT_EQ(complaints(), Lines{L"error obj->QueryInterface 0x80004002"});
}

} // namespace
} // namespace vex::test
