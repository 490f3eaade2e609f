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
    void initialise(const wchar_t* name, IUnknown* object = nullptr) {
        com::unique_bstr bstr(name);
        ASSERT_EQ(trace->InitialiseTrace(bstr.get(), object), S_OK);
    }
    // One record of every kind, each answered S_OK.
    void all_records(const wchar_t* text) {
        com::unique_bstr b(text);
        for (HRESULT hr : {trace->TraceError(b.get(), E_FAIL), trace->TraceWarning(b.get(), S_OK),
                           trace->TraceEnter(b.get()), trace->TraceLeave(b.get(), 7),
                           trace->TraceException(b.get(), E_FAIL), trace->TraceEnterLevel2(b.get()),
                           trace->TraceLeaveLevel2(b.get(), E_POINTER)})
            EXPECT_EQ(hr, S_OK);
    }

    com::com_ptr<IVEX_Trace> trace;
};

// From level 5 on every record reaches the service unchanged and ended; level 2 is the same as the
// plain calls, and an exception's status is not passed on.
TEST_F(TraceTest, EveryRecordIsForwardedUnchangedAndEnded) {
    initialise(L"T");
    trace->setTraceLevel(5);
    all_records(L"No action necessary");
    trace->setTraceLevel(100);
    trace->TraceEnter(com::unique_bstr(L"hundred").get());
    EXPECT_EQ(lines(L"T"),
              (Lines{L"error No action necessary 0x80004005", L"warning No action necessary 0x00000000",
                     L"enter No action necessary", L"leave No action necessary 0x00000007",
                     L"exception No action necessary", L"enter No action necessary",
                     L"leave No action necessary 0x80004003", L"enter hundred"}));
}

// Without a service, or below level 5, the component passes nothing on and still succeeds.
TEST_F(TraceTest, SilentWithoutAnOpenServiceOrBelowLevelFive) {
    struct Case {
        const char* what;
        bool initialised;
        HRESULT create, open;
        LONG level;
    };
    const Case cases[] = {
        {"never initialised", false, S_OK, S_OK, 5},
        {"no service", true, REGDB_E_CLASSNOTREG, S_OK, 5},
        {"open failed", true, S_OK, E_FAIL, 5},
        {"level 4", true, S_OK, S_OK, 4},
        {"level 0", true, S_OK, S_OK, 0},
        {"level -1", true, S_OK, S_OK, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        trace_log().create_result = c.create;
        trace_log().open_result = c.open;
        if (c.initialised)
            initialise(L"T");
        trace->setTraceLevel(c.level);
        const size_t opened = trace_log().calls();
        all_records(L"x");
        EXPECT_EQ(trace_log().calls(), opened);
    }
}

// Each initialisation opens a fresh service for the component and object names it is given; the
// records go to the newest. setTraceObject reopens under the name of the last InitialiseTrace (not
// that of setClassName) for the new object, and so ends a silence after a failed open.
TEST_F(TraceTest, EachInitialisationOpensAFreshService) {
    auto owner = create<IVEX_Trace>(L"KEM.VEX_Trace_Gui"), other = create<IVEX_Trace>(L"KEM.VEX_Trace_Gui");
    initialise(L"first", owner.get());
    const auto channels = trace_log().opened(L"first");
    ASSERT_EQ(channels.size(), 1u);
    EXPECT_EQ(channels[0].component, L"KEMOfficeIntegration");
    EXPECT_EQ(channels[0].subcomponent, L"DocumentProxy");
    EXPECT_TRUE(IsEqualCLSID(channels[0].clsid, CLSID_VEX_Trace_Karvo));
    EXPECT_EQ(channels[0].object, identity(owner.get()));
    trace_log().open_result = E_FAIL;
    initialise(L"second");
    trace->TraceEnter(com::unique_bstr(L"lost").get());
    trace_log().open_result = S_OK;
    EXPECT_EQ(trace->setClassName(com::unique_bstr(L"renamed").get()), S_OK);
    ASSERT_EQ(trace->setTraceObject(other.get()), S_OK);
    trace->TraceEnter(com::unique_bstr(L"kept").get());
    EXPECT_EQ(lines(L"first"), Lines{});
    EXPECT_EQ(lines(L"second"), Lines{L"enter kept"});
    EXPECT_EQ(trace_log().opened(L"second").back().object, identity(other.get()));
    EXPECT_EQ(trace_log().opened(L"renamed").size(), 0u);
}

} // namespace
} // namespace vex::test
