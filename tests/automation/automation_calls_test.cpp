// Late-bound calls by name against scripted automation objects.
#include "automation/automation_calls.h"
#include "standins/scripted_dispatch.h"
#include "support/com_test.h"

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
        VARIANT number;
        number.vt = VT_I4;
        number.lVal = 42;
        object->add_property(L"Number", number);
        trace_log().records.clear();
    }
    void TearDown() override {
        object = nullptr;
        calls = CVEX_AutomationCalls();
        trace = nullptr;
        ComTest::TearDown();
    }
    static com::unique_bstr name(const wchar_t* text) { return com::unique_bstr(text); }
    Lines traced() { return lines(L"calls"); }

    com::com_ptr<IVEX_Trace> trace;
    com::com_ptr<ScriptedDispatch> object;
    CVEX_AutomationCalls calls;
};

TEST_F(AutomationCallsTest, SetTraceTracesThroughTheNewReference) {
    auto other = create<IVEX_Trace>(L"KEM.VEX_Trace_Gui");
    com::unique_bstr n(L"other");
    other->InitialiseTrace(n.get(), nullptr);
    EXPECT_EQ(calls.setTrace(other.get()), S_OK);
    EXPECT_EQ(lines(L"other"), (Lines{L"enter setTrace", L"leave setTrace 0x00000000"}));
    EXPECT_EQ(traced(), Lines{});
}

TEST_F(AutomationCallsTest, GetPropertyReadsInTheUserLocale) {
    com::unique_variant value;
    ASSERT_EQ(calls.getPropertyByName(object.get(), name(L"number"), value.get()), S_OK);
    EXPECT_EQ(value->vt, VT_I4);
    EXPECT_EQ(value->lVal, 42);
    ASSERT_EQ(object->calls.size(), 1u);
    EXPECT_EQ(object->calls[0].flags, DISPATCH_PROPERTYGET);
    EXPECT_EQ(object->calls[0].locale, 0x0400u);
    EXPECT_EQ(object->calls[0].arguments, 0u);
    EXPECT_EQ(traced(), (Lines{L"enter getPropertyByName", L"leave getPropertyByName 0x00000000"}));
}

TEST_F(AutomationCallsTest, UnknownNamesAndNullValuesAreTracedAndReturned) {
    com::unique_variant value;
    EXPECT_EQ(calls.getPropertyByName(object.get(), name(L"Missing"), value.get()), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(calls.getPropertyByName(object.get(), name(L"Number"), nullptr), E_POINTER);
    EXPECT_TRUE(object->calls.empty()); // a null VARIANT fails before the call
    EXPECT_EQ(traced(), (Lines{L"enter getPropertyByName", L"error proxy->GetIDsOfNames 0x80020006",
                               L"enter getPropertyByName", L"error GetProperty 0x80004003"}));
}

TEST_F(AutomationCallsTest, NullObjectFailsWithoutTouchingCom) {
    com::unique_variant value;
    EXPECT_EQ(calls.getIndexedPropertyByName(nullptr, name(L"Item"), nullptr, value.get()), E_FAIL);
    EXPECT_EQ(calls.getPropertyByName(nullptr, name(L"Item"), value.get()), E_FAIL);
    EXPECT_EQ(traced(), (Lines{L"enter getIndexedPropertyByName", L"error proxy == NULL 0x80004005",
                               L"enter getPropertyByName", L"error proxy == NULL 0x80004005"}));
}

TEST_F(AutomationCallsTest, PutOffersObjectsByReferenceFirstAndFallsBack) {
    // The scripted property refuses by-reference puts, so the value arrives through a plain put.
    VARIANT child;
    child.vt = VT_DISPATCH;
    child.pdispVal = object.get();
    ASSERT_EQ(calls.putPropertyByName(object.get(), name(L"Number"), &child), S_OK);
    ASSERT_EQ(object->calls.size(), 2u);
    EXPECT_EQ(object->calls[0].flags, DISPATCH_PROPERTYPUTREF);
    EXPECT_EQ(object->calls[1].flags, DISPATCH_PROPERTYPUT);
    EXPECT_EQ(object->calls[1].named_arguments, 1u);
    EXPECT_EQ(object->calls[1].locale, 0x0400u);
    EXPECT_EQ(object->property(L"Number").vt, VT_DISPATCH);

    // A number goes straight to the plain put.
    object->calls.clear();
    VARIANT number;
    number.vt = VT_I4;
    number.lVal = 7;
    ASSERT_EQ(calls.putPropertyByName(object.get(), name(L"Number"), &number), S_OK);
    ASSERT_EQ(object->calls.size(), 1u);
    EXPECT_EQ(object->calls[0].flags, DISPATCH_PROPERTYPUT);
    EXPECT_EQ(object->property(L"Number").lVal, 7);

    // A callee that takes the reference is not asked again.
    object->add(L"Ref", [](WORD flags, DISPPARAMS*, VARIANT*, EXCEPINFO*) {
        return flags == DISPATCH_PROPERTYPUTREF ? S_OK : E_UNEXPECTED;
    });
    object->calls.clear();
    ASSERT_EQ(calls.putPropertyByName(object.get(), name(L"Ref"), &child), S_OK);
    EXPECT_EQ(object->calls.size(), 1u);
    EXPECT_EQ(calls.putPropertyByName(object.get(), name(L"Ref"), nullptr), E_POINTER);
}

TEST_F(AutomationCallsTest, PutFailureIsTraced) {
    object->add(L"ReadOnly", [](WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*) { return DISP_E_MEMBERNOTFOUND; });
    VARIANT value;
    value.vt = VT_BOOL;
    value.boolVal = VARIANT_TRUE;
    EXPECT_EQ(calls.putPropertyByName(object.get(), name(L"ReadOnly"), &value), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(traced(), (Lines{L"enter putPropertyByName", L"error PutProperty 0x80020003"}));
}

TEST_F(AutomationCallsTest, MethodsRunInTheSystemLocaleWithAnExceptionBlock) {
    object->add(L"Sum", [](WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*) {
        LONG sum = 0;
        for (UINT i = 0; i < params->cArgs; ++i)
            sum += params->rgvarg[i].lVal;
        result->vt = VT_I4;
        result->lVal = sum;
        return S_OK;
    });
    VARIANT args[2];
    args[0].vt = args[1].vt = VT_I4;
    args[0].lVal = 2;
    args[1].lVal = 3;
    DISPPARAMS params{args, nullptr, 2, 0};
    com::unique_variant result;
    ASSERT_EQ(calls.invokeMethodByName(object.get(), name(L"Sum"), &params, result.get()), S_OK);
    EXPECT_EQ(result->lVal, 5);
    // Without an argument block the method is called with none.
    ASSERT_EQ(calls.invokeMethodByName(object.get(), name(L"Sum"), nullptr, result.put()), S_OK);
    EXPECT_EQ(result->lVal, 0);
    ASSERT_EQ(object->calls.size(), 2u);
    EXPECT_EQ(object->calls[0].flags, DISPATCH_METHOD);
    EXPECT_EQ(object->calls[0].locale, 0x0800u);
    EXPECT_TRUE(object->calls[0].exception_block);
    EXPECT_EQ(object->calls[1].arguments, 0u);
}

TEST_F(AutomationCallsTest, FailingMethodLeavesTheCalleesDescriptionInTheTrace) {
    object->add(L"Break", [](WORD, DISPPARAMS*, VARIANT*, EXCEPINFO* info) {
        info->bstrSource = SysAllocString(L"Stand-in Excel");
        info->bstrDescription = SysAllocString(L"The sheet is protected.");
        info->scode = E_ACCESSDENIED;
        return DISP_E_EXCEPTION;
    });
    object->add(L"Silent", [](WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*) { return E_NOTIMPL; });
    EXPECT_EQ(calls.invokeMethodByName(object.get(), name(L"Break"), nullptr, nullptr), DISP_E_EXCEPTION);
    EXPECT_EQ(calls.invokeMethodByName(object.get(), name(L"Silent"), nullptr, nullptr), E_NOTIMPL);
    EXPECT_EQ(traced(),
              (Lines{L"enter invokeMethodByName", L"error proxy->Invoke: The sheet is protected. 0x80020009",
                     L"enter invokeMethodByName", L"error proxy->Invoke:  0x80004001"}));
}

TEST_F(AutomationCallsTest, IndexedReadsAreNeutralAndWarnOnFailure) {
    object->add(L"Item", [](WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*) {
        if (flags != DISPATCH_PROPERTYGET || params->cArgs != 1)
            return DISP_E_BADPARAMCOUNT;
        if (params->rgvarg[0].vt != VT_BSTR || com::bstr_view(params->rgvarg[0].bstrVal) != L"Sheet1")
            return DISP_E_BADINDEX;
        result->vt = VT_I4;
        result->lVal = 1;
        return S_OK;
    });
    VARIANT arg;
    arg.vt = VT_BSTR;
    arg.bstrVal = SysAllocString(L"Sheet1");
    DISPPARAMS params{&arg, nullptr, 1, 0};
    com::unique_variant result;
    EXPECT_EQ(calls.getIndexedPropertyByName(object.get(), name(L"Item"), &params, result.get()), S_OK);
    EXPECT_EQ(object->calls.back().locale, 0u);
    SysFreeString(arg.bstrVal);
    arg.bstrVal = SysAllocString(L"Sheet9");
    EXPECT_EQ(calls.getIndexedPropertyByName(object.get(), name(L"Item"), &params, result.put()),
              DISP_E_BADINDEX);
    SysFreeString(arg.bstrVal);
    EXPECT_EQ(calls.getIndexedPropertyByName(object.get(), name(L"Nothing"), nullptr, result.put()),
              DISP_E_UNKNOWNNAME);
    EXPECT_EQ(traced(),
              (Lines{L"enter getIndexedPropertyByName", L"leave getIndexedPropertyByName 0x00000000",
                     L"enter getIndexedPropertyByName", L"warning proxy->Invoke: Item 0x8002000B",
                     L"enter getIndexedPropertyByName", L"error getIDsOfNames 0x80020006"}));
}

TEST_F(AutomationCallsTest, IndexedReadCatchesWhatACalleeThrows) {
    object->add(L"Throws",
                [](WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*) -> HRESULT { throw std::runtime_error("x"); });
    com::unique_variant result;
    EXPECT_EQ(calls.getIndexedPropertyByName(object.get(), name(L"Throws"), nullptr, result.get()), E_FAIL);
    EXPECT_EQ(traced(), (Lines{L"enter getIndexedPropertyByName", L"error catch exception 0x80004005",
                               L"leave getIndexedPropertyByName 0x80004005"}));
}

TEST_F(AutomationCallsTest, DispatchPropertyMustBeAnObject) {
    IDispatch* out = reinterpret_cast<IDispatch*>(0x1234);
    EXPECT_EQ(calls.getDispPropertyByName(object.get(), name(L"Number"), &out), E_FAIL);
    EXPECT_EQ(out, reinterpret_cast<IDispatch*>(0x1234)); // left as passed

    VARIANT child;
    child.vt = VT_DISPATCH;
    child.pdispVal = ScriptedDispatch::make().detach();
    object->add_property(L"Child", child);
    VariantClear(&child);
    ASSERT_EQ(calls.getDispPropertyByName(object.get(), name(L"Child"), &out), S_OK);
    EXPECT_EQ(out, object->property(L"Child").pdispVal);
    out->Release();

    EXPECT_EQ(calls.getDispPropertyByName(object.get(), name(L"Missing"), &out), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(traced(), (Lines{
                            L"enter getDispPropertyByName",
                            L"enter getPropertyByName",
                            L"leave getPropertyByName 0x00000000",
                            L"enter getDispPropertyByName",
                            L"enter getPropertyByName",
                            L"leave getPropertyByName 0x00000000",
                            L"leave getDispPropertyByName 0x00000000",
                            L"enter getDispPropertyByName",
                            L"enter getPropertyByName",
                            L"error proxy->GetIDsOfNames 0x80020006",
                            L"error getPropertyByName 0x80020006",
                        }));
}

TEST_F(AutomationCallsTest, ReleaseMemberObjectClosesAnEmbeddedControl) {
    auto control = create<IUnknown>(L"KEM.VEX_Environment_Gui");
    EXPECT_EQ(calls.release_member_oleobject(control.get()), S_OK);
    EXPECT_EQ(traced(),
              (Lines{L"enter release_member_oleobject", L"leave release_member_oleobject 0x00000000"}));
}

TEST_F(AutomationCallsTest, ReleaseMemberObjectWithoutOleObject) {
    // No IOleObject: the query's failure is returned.
    EXPECT_EQ(calls.release_member_oleobject(object.get()), E_NOINTERFACE);
    EXPECT_EQ(traced(), (Lines{L"enter release_member_oleobject", L"error obj->QueryInterface 0x80004002"}));
}

// An OLE object without the windowless in-place interface is left open.
class OleOnly final : public IOleObject {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleObject)) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
    STDMETHODIMP SetClientSite(IOleClientSite*) override { return E_NOTIMPL; }
    STDMETHODIMP GetClientSite(IOleClientSite**) override { return E_NOTIMPL; }
    STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return E_NOTIMPL; }
    STDMETHODIMP Close(DWORD) override { return ++closes, S_OK; }
    STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
    STDMETHODIMP DoVerb(LONG, LPMSG, IOleClientSite*, LONG, HWND, LPCRECT) override { return E_NOTIMPL; }
    STDMETHODIMP EnumVerbs(IEnumOLEVERB**) override { return E_NOTIMPL; }
    STDMETHODIMP Update() override { return E_NOTIMPL; }
    STDMETHODIMP IsUpToDate() override { return E_NOTIMPL; }
    STDMETHODIMP GetUserClassID(CLSID*) override { return E_NOTIMPL; }
    STDMETHODIMP GetUserType(DWORD, LPOLESTR*) override { return E_NOTIMPL; }
    STDMETHODIMP SetExtent(DWORD, SIZEL*) override { return E_NOTIMPL; }
    STDMETHODIMP GetExtent(DWORD, SIZEL*) override { return E_NOTIMPL; }
    STDMETHODIMP Advise(IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP Unadvise(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP EnumAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
    STDMETHODIMP GetMiscStatus(DWORD, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }
    LONG refs = 1;
    int closes = 0;
};

TEST_F(AutomationCallsTest, ReleaseMemberObjectWithoutWindowlessInPlaceLeavesItOpen) {
    OleOnly ole;
    EXPECT_EQ(calls.release_member_oleobject(&ole), S_OK);
    EXPECT_EQ(ole.closes, 0);
    EXPECT_EQ(ole.refs, 1);
    EXPECT_EQ(traced(), (Lines{L"enter release_member_oleobject",
                               L"warning EmbededOleInPlaceObjectWindowless == null 0x00000000",
                               L"leave release_member_oleobject 0x00000000"}));
}

} // namespace
} // namespace vex::test
