// The trace component against the stand-in host trace service.
#include "support/com_test.h"

namespace vex::test {
namespace {

class TraceTest : public ComTest {
protected:
    void SetUp() override {
        ComTest::SetUp();
        trace = create<IVEX_Trace>(L"KEM.VEX_Trace_Gui");
        ASSERT_TRUE(trace);
    }
    void TearDown() override {
        trace = nullptr;
        ComTest::TearDown();
    }

    com::com_ptr<IVEX_Trace> trace;

    void initialise(const wchar_t* name, IUnknown* object = nullptr) {
        com::unique_bstr bstr(name);
        ASSERT_EQ(trace->InitialiseTrace(bstr.get(), object), S_OK);
    }
    HRESULT error(const wchar_t* text, HRESULT status) {
        com::unique_bstr bstr(text);
        return trace->TraceError(bstr.get(), status);
    }
    void all_records(const wchar_t* text) {
        com::unique_bstr b(text);
        trace->TraceError(b.get(), E_FAIL);
        trace->TraceWarning(b.get(), S_OK);
        trace->TraceEnter(b.get());
        trace->TraceLeave(b.get(), 7);
        trace->TraceException(b.get(), E_FAIL);
        trace->TraceEnterLevel2(b.get());
        trace->TraceLeaveLevel2(b.get(), E_POINTER);
    }
};

TEST_F(TraceTest, FreshComponentIsSilentAndSucceeds) {
    EXPECT_EQ(error(L"anything", E_FAIL), S_OK);
    all_records(L"x");
    EXPECT_EQ(trace_log().calls(), 0u);
}

TEST_F(TraceTest, OpenPassesComponentNamesObjectNameClassAndObject) {
    auto owner = create<IVEX_Trace>(L"KEM.VEX_Trace_Gui"); // any object will do
    initialise(L"CVEX_Factory", owner.get());
    const auto channels = trace_log().opened(L"CVEX_Factory");
    ASSERT_EQ(channels.size(), 1u);
    EXPECT_EQ(channels[0].component, L"KEMOfficeIntegration");
    EXPECT_EQ(channels[0].subcomponent, L"DocumentProxy");
    EXPECT_TRUE(IsEqualCLSID(channels[0].clsid, CLSID_VEX_Trace_Karvo));
    EXPECT_EQ(channels[0].object, identity(owner.get()));
}

TEST_F(TraceTest, EveryRecordIsForwardedUnchangedAndEnded) {
    initialise(L"T");
    all_records(L"No action necessary");
    EXPECT_EQ(lines(L"T"), (Lines{
                               L"error No action necessary 0x80004005",
                               L"warning No action necessary 0x00000000",
                               L"enter No action necessary",
                               L"leave No action necessary 0x00000007",
                               L"exception No action necessary", // the status is not passed on
                               L"enter No action necessary",     // level 2 is the same as the plain calls
                               L"leave No action necessary 0x80004003",
                           }));
}

TEST_F(TraceTest, LevelFourOrLessSilencesFiveOrMoreForwards) {
    initialise(L"T");
    for (LONG level : {4, 0, -1}) {
        trace->setTraceLevel(level);
        all_records(L"silent");
    }
    EXPECT_EQ(lines(L"T"), Lines{});
    trace->setTraceLevel(5);
    error(L"five", S_OK);
    trace->setTraceLevel(100);
    error(L"hundred", S_OK);
    EXPECT_EQ(lines(L"T"), (Lines{L"error five 0x00000000", L"error hundred 0x00000000"}));
}

TEST_F(TraceTest, FailedOpenSilencesUntilTheNextInitialisation) {
    trace_log().open_result = E_FAIL;
    initialise(L"T");
    error(L"lost", E_FAIL);
    EXPECT_EQ(lines(L"T"), Lines{});

    trace_log().open_result = S_OK;
    auto other = create<IVEX_Trace>(L"KEM.VEX_Trace_Gui");
    ASSERT_EQ(trace->setTraceObject(other.get()), S_OK);
    error(L"kept", E_FAIL);
    EXPECT_EQ(lines(L"T"), Lines{L"error kept 0x80004005"});
    // setTraceObject opens a fresh service with the stored class name and the new object.
    const auto channels = trace_log().opened(L"T");
    ASSERT_EQ(channels.size(), 1u);
    EXPECT_EQ(channels[0].object, identity(other.get()));
}

TEST_F(TraceTest, MissingServiceLeavesComponentSilent) {
    trace_log().create_result = REGDB_E_CLASSNOTREG;
    initialise(L"T");
    all_records(L"x");
    EXPECT_EQ(trace_log().calls(), 0u);
}

TEST_F(TraceTest, EachInitialisationReplacesTheService) {
    initialise(L"first");
    initialise(L"second");
    error(L"x", S_OK);
    EXPECT_EQ(lines(L"first"), Lines{});
    EXPECT_EQ(lines(L"second"), Lines{L"error x 0x00000000"});
    EXPECT_EQ(trace_log().channels.size(), 2u);
}

TEST_F(TraceTest, InertMethodsMakeNoServiceCallsAndWriteNothing) {
    initialise(L"T");
    const size_t before = trace_log().calls();
    com::unique_bstr text(L"x");
    EXPECT_EQ(trace->InitTrace(text.get()), S_OK);
    EXPECT_EQ(trace->setClassName(text.get()), S_OK);
    EXPECT_EQ(trace->TraceTimeEnter(text.get()), S_OK);
    EXPECT_EQ(trace->TraceTimeLeave(text.get()), S_OK);
    IUnknown* sentinel = reinterpret_cast<IUnknown*>(0x1234);
    EXPECT_EQ(trace->getTraceObject(&sentinel), S_OK);
    EXPECT_EQ(sentinel, reinterpret_cast<IUnknown*>(0x1234));
    EXPECT_EQ(trace_log().calls(), before);
    // setClassName does not rename the channel: setTraceObject reopens under the name of InitialiseTrace.
    trace->setTraceObject(nullptr);
    EXPECT_EQ(trace_log().opened(L"T").size(), 2u);
}

TEST_F(TraceTest, DispatchCallsReachTheSameMethods) {
    initialise(L"T");
    com::com_ptr<IDispatch> dispatch = com::query<IDispatch>(trace.get());
    LPOLESTR name = const_cast<LPOLESTR>(L"TraceEnter");
    DISPID id = 0;
    ASSERT_EQ(dispatch->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK);
    EXPECT_EQ(id, 4);
    VARIANT arg;
    arg.vt = VT_BSTR;
    arg.bstrVal = SysAllocString(L"from script");
    DISPPARAMS params{&arg, nullptr, 1, 0};
    EXPECT_EQ(dispatch->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr), S_OK);
    VariantClear(&arg);
    EXPECT_EQ(lines(L"T"), Lines{L"enter from script"});
}

} // namespace
} // namespace vex::test
