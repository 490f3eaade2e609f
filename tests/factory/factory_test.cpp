// The factory: creation of components by type code, wiring, settings and release order.
#include "support/com_test.h"

namespace vex::test {
namespace {

constexpr wchar_t factory_name[] = L"CVEX_Factory";

class FactoryTest : public ComTest {
protected:
    void SetUp() override {
        ComTest::SetUp();
        factory = create<IVEX_Factory>(L"KEM.VEX_Factory_Gui");
        ASSERT_TRUE(factory);
    }
    void TearDown() override {
        factory = nullptr;
        ComTest::TearDown();
    }

    // The factory's trace lines from here on.
    void restart_lines() { trace_log().records.clear(); }
    Lines factory_lines() { return lines(factory_name); }

    com::com_ptr<IVEX_Factory> factory;
};

TEST_F(FactoryTest, OpensItsOwnTraceForItself) {
    const auto channels = trace_log().opened(factory_name);
    ASSERT_EQ(channels.size(), 1u);
    EXPECT_EQ(channels[0].object, identity(factory.get()));
    EXPECT_EQ(factory_lines(), (Lines{L"enter FinalConstruct", L"leave FinalConstruct 0x00000000"}));
}

// What createproxy hands out for each code: nothing and the proxy untouched for 0 and 2, the
// environment (made once) for 1, the factory itself for 4, a failure and null for any other.
TEST_F(FactoryTest, ComponentCodes) {
    IDispatch* const untouched = reinterpret_cast<IDispatch*>(0x1234);
    struct Case {
        LONG code;
        HRESULT status;
        Lines traced;
    };
    const Case cases[] = {
        {0, S_OK, {L"enter createproxy", L"leave createproxy 0x00000000"}},
        {2, S_OK, {L"enter createproxy", L"leave createproxy 0x00000000"}},
        {7,
         E_FAIL,
         {L"enter createproxy", L"error Unknown type 0x80004005", L"leave createproxy 0x80004005"}},
        {-1,
         E_FAIL,
         {L"enter createproxy", L"error Unknown type 0x80004005", L"leave createproxy 0x80004005"}},
        {4,
         S_OK,
         {L"enter createproxy", L"warning Factory created 0x00000000", L"warning Factory created 0x00000000",
          L"leave createproxy 0x00000000"}},
        {1,
         S_OK,
         {L"enter createproxy", L"leave create_environment 0x00000000", L"leave createproxy 0x00000000"}},
        {1, S_OK, {L"enter createproxy", L"leave createproxy 0x00000000"}},
    };
    com::com_ptr<IDispatch> environment;
    for (const Case& c : cases) {
        restart_lines();
        IDispatch* proxy = untouched;
        EXPECT_EQ(factory->createproxy(c.code, &proxy), c.status) << c.code;
        EXPECT_EQ(factory_lines(), c.traced) << c.code;
        if (c.code == 0 || c.code == 2)
            EXPECT_EQ(proxy, untouched);
        else if (FAILED(c.status))
            EXPECT_EQ(proxy, nullptr);
        else if (c.code == 4)
            EXPECT_EQ(proxy, static_cast<IDispatch*>(factory.get())); // the IVEX_Factory interface itself
        else if (!environment)
            environment = com::com_ptr<IDispatch>::attach(proxy);
        else
            EXPECT_EQ(com::com_ptr<IDispatch>::attach(proxy), environment); // the same one each time
        if (c.code == 4)
            proxy->Release();
    }
    EXPECT_TRUE(com::query<IVEX_Environment>(environment.get()));
    EXPECT_EQ(trace_log().opened(L"CVEX_Environment_Karvo").size(), 1u);
    // No connection point: the event interface is described by the type library only.
    EXPECT_FALSE(com::query<IConnectionPointContainer>(factory.get()));
}

// activateInPlace sets the environment's mode (only VARIANT_TRUE is in place), creating it when
// needed; document types other than Word and Excel are refused with the success code 7.
TEST_F(FactoryTest, InPlaceModeAndDocumentTypes) {
    com::com_ptr<IDispatch> dispatch;
    ASSERT_EQ(factory->put_activateInPlace(VARIANT_FALSE), S_OK);
    ASSERT_EQ(factory->createproxy(1, dispatch.put()), S_OK);
    auto environment = com::query<IVEX_Environment>(dispatch.get());
    for (const auto& [value, mode] : {std::pair{VARIANT_TRUE, 1}, {VARIANT_BOOL{1}, 0}, {VARIANT_TRUE, 1}}) {
        factory->put_activateInPlace(value);
        LONG read = -99;
        environment->getInplace(&read);
        EXPECT_EQ(read, mode);
    }
    restart_lines();
    EXPECT_EQ(factory->put_documentType(3), 7);
    EXPECT_EQ(factory->setDocumentType(5), 7);
    EXPECT_EQ(factory->setDocumentType(0), 7);
    EXPECT_EQ(factory_lines(),
              (Lines{L"enter put_documentType", L"enter setDocumentType", L"enter put_documentType",
                     L"leave setDocumentType 0x00000007", L"enter setDocumentType", L"enter put_documentType",
                     L"leave setDocumentType 0x00000007"}));
}

// Members accepted for compatibility change nothing and trace their own names, as the host expects
// them (some with a stray letter on entry).
TEST_F(FactoryTest, AcceptedMembersTraceTheirOwnNames) {
    restart_lines();
    VARIANT empty;
    VariantInit(&empty);
    com::unique_bstr name(L"n");
    const std::pair<HRESULT, const wchar_t*> calls[] = {
        {factory->sendonSave(), L"sendonSave sendonSave"},
        {factory->sendonClose(), L"sendonClose sendonClose"},
        {factory->sendDocumentdata(empty), L"sendDocumentdata sendDocumentdata"},
        {factory->put_dataSource(empty), L"put_dataSource put_dataSource"},
        {factory->put_expertMode(VARIANT_TRUE), L"put_expertMode put_expertMode"},
        {factory->put_xmlSource(empty), L"put_xmlSource put_xmlSource"},
        {factory->put_showDecoration(VARIANT_TRUE), L"put_ShowDecoratione put_ShowDecoration"},
        {factory->put_visible(VARIANT_TRUE), L"put_Visiblee put_Visible"},
        {factory->put_documentName(name.get()), L"put_DocumentNamee put_DocumentName"},
        {factory->setTraceTyp(2), L"setTraceTyp setTraceTyp"},
        {factory->createcomponent(5), L"createcomponent createcomponent"},
        {factory->deletecomponent(5), L"deletecomponent deletecomponent"},
    };
    Lines expected;
    for (const auto& [status, names] : calls) {
        EXPECT_EQ(status, S_OK);
        const std::wstring both(names);
        const size_t gap = both.find(L' ');
        expected.push_back(L"enter " + both.substr(0, gap));
        expected.push_back(L"leave " + both.substr(gap + 1) + L" 0x00000000");
    }
    EXPECT_EQ(factory_lines(), expected);
    EXPECT_TRUE(trace_log().opened(L"CVEX_Environment_Karvo").empty());
}

// Released, the factory closes the environment it made through OLE; one the host holds lives on.
TEST_F(FactoryTest, ReleaseClosesTheEnvironmentThroughOle) {
    com::com_ptr<IDispatch> dispatch;
    ASSERT_EQ(factory->createproxy(1, dispatch.put()), S_OK);
    restart_lines();
    factory = nullptr;
    EXPECT_EQ(factory_lines(),
              (Lines{L"enter FinalRelease", L"enter release_member_oleobject",
                     L"leave release_member_oleobject 0x00000000", L"leave FinalRelease 0x00000000"}));
    // The host's own reference keeps the environment usable after the factory is gone.
    auto environment = com::query<IVEX_Environment>(dispatch.get());
    EXPECT_EQ(environment->setInplace(0), S_OK);
    LONG mode = -1;
    EXPECT_EQ(environment->getInplace(&mode), S_OK);
    EXPECT_EQ(mode, 0);
    environment = nullptr;
    dispatch = nullptr;
    EXPECT_EQ(lines(L"CVEX_Environment_Karvo").back(), L"warning NOW trace 0x00000000"); // released now
}

TEST_F(FactoryTest, WorksSilentlyWhenItsTraceCannotOpen) {
    factory = nullptr;
    trace_log().clear();
    trace_log().open_result = E_FAIL;
    factory = create<IVEX_Factory>(L"KEM.VEX_Factory_Gui");
    com::com_ptr<IDispatch> env;
    EXPECT_EQ(factory->createproxy(1, env.put()), S_OK);
    EXPECT_EQ(factory->createproxy(9, env.put()), E_FAIL);
    EXPECT_TRUE(trace_log().opened(factory_name).empty());
    EXPECT_EQ(factory_lines(), Lines{});
}

// A caller through the vtable reads the reason of a failure from the thread's error object, and a
// good call leaves none behind.
TEST_F(FactoryTest, AFailingCallLeavesItsReasonAndAGoodOneClearsIt) {
    com::com_ptr<IDispatch> proxy;
    EXPECT_EQ(factory->createproxy(7, proxy.put()), E_FAIL);
    com::com_ptr<IErrorInfo> info;
    ASSERT_EQ(GetErrorInfo(0, info.put()), S_OK);
    com::unique_bstr description, source;
    GUID iid{};
    info->GetDescription(description.put());
    info->GetSource(source.put());
    info->GetGUID(&iid);
    EXPECT_EQ(description.view(), L"createproxy: Unknown type (0x80004005)");
    EXPECT_EQ(source.view(), L"KEM.VEX_Factory_Gui");
    EXPECT_TRUE(IsEqualIID(iid, IID_IVEX_Factory));

    EXPECT_EQ(factory->createproxy(7, proxy.put()), E_FAIL);
    EXPECT_EQ(factory->createproxy(1, proxy.put()), S_OK);
    EXPECT_EQ(GetErrorInfo(0, info.put()), S_FALSE);
}

} // namespace
} // namespace vex::test
