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

TEST_F(FactoryTest, NoneAndTraceCodesCreateNothingAndLeaveProxyAlone) {
    restart_lines();
    for (LONG type : {0, 2}) {
        IDispatch* proxy = reinterpret_cast<IDispatch*>(0x1234);
        EXPECT_EQ(factory->createproxy(type, &proxy), S_OK);
        EXPECT_EQ(proxy, reinterpret_cast<IDispatch*>(0x1234));
    }
    EXPECT_EQ(factory_lines(), (Lines{L"enter createproxy", L"leave createproxy 0x00000000",
                                      L"enter createproxy", L"leave createproxy 0x00000000"}));
    EXPECT_TRUE(trace_log().opened(L"CVEX_Environment_Karvo").empty());
}

TEST_F(FactoryTest, UnknownCodesFailWithNullProxy) {
    for (LONG type : {7, -1}) {
        restart_lines();
        IDispatch* proxy = reinterpret_cast<IDispatch*>(0x1234);
        EXPECT_EQ(factory->createproxy(type, &proxy), E_FAIL);
        EXPECT_EQ(proxy, nullptr);
        EXPECT_EQ(factory_lines(), (Lines{L"enter createproxy", L"error Unknown type 0x80004005",
                                          L"leave createproxy 0x80004005"}));
    }
}

TEST_F(FactoryTest, CodeFourHandsOutTheFactoryItself) {
    restart_lines();
    com::com_ptr<IDispatch> proxy;
    ASSERT_EQ(factory->createproxy(4, proxy.put()), S_OK);
    EXPECT_EQ(identity(proxy.get()), identity(factory.get()));
    EXPECT_EQ(proxy.get(), static_cast<IDispatch*>(factory.get())); // the IVEX_Factory interface itself
    EXPECT_EQ(factory_lines(),
              (Lines{L"enter createproxy", L"warning Factory created 0x00000000",
                     L"warning Factory created 0x00000000", L"leave createproxy 0x00000000"}));
}

TEST_F(FactoryTest, EnvironmentIsCreatedOnceAndHandedOutEachTime) {
    restart_lines();
    com::com_ptr<IDispatch> first, second;
    ASSERT_EQ(factory->createproxy(1, first.put()), S_OK);
    ASSERT_EQ(factory->createproxy(1, second.put()), S_OK);
    EXPECT_EQ(first, second);
    EXPECT_TRUE(com::query<IVEX_Environment>(first.get()));
    EXPECT_EQ(trace_log().opened(L"CVEX_Environment_Karvo").size(), 1u);
    EXPECT_EQ(factory_lines(), (Lines{L"enter createproxy", L"leave create_environment 0x00000000",
                                      L"leave createproxy 0x00000000", L"enter createproxy",
                                      L"leave createproxy 0x00000000"}));
}

TEST_F(FactoryTest, CreatecomponentAndDeletecomponentHaveNoEffect) {
    restart_lines();
    for (LONG type : {1, 3, 5, 6}) {
        EXPECT_EQ(factory->createcomponent(type), S_OK);
        EXPECT_EQ(factory->deletecomponent(type), S_OK);
    }
    EXPECT_TRUE(trace_log().opened(L"CVEX_Environment_Karvo").empty());
    const Lines one_pair{L"enter createcomponent", L"leave createcomponent 0x00000000",
                         L"enter deletecomponent", L"leave deletecomponent 0x00000000"};
    Lines expected;
    for (int i = 0; i < 4; ++i)
        expected.insert(expected.end(), one_pair.begin(), one_pair.end());
    EXPECT_EQ(factory_lines(), expected);
}

TEST_F(FactoryTest, ActivateInPlaceSetsTheEnvironmentMode) {
    com::com_ptr<IDispatch> dispatch;
    // The property creates the environment when needed.
    ASSERT_EQ(factory->put_activateInPlace(VARIANT_FALSE), S_OK);
    ASSERT_EQ(factory->createproxy(1, dispatch.put()), S_OK);
    auto env = com::query<IVEX_Environment>(dispatch.get());
    LONG mode = -99;
    env->getInplace(&mode);
    EXPECT_EQ(mode, 0);
    factory->put_activateInPlace(VARIANT_TRUE);
    env->getInplace(&mode);
    EXPECT_EQ(mode, 1);
    factory->put_activateInPlace(1); // only VARIANT_TRUE (-1) means in place
    env->getInplace(&mode);
    EXPECT_EQ(mode, 0);

    restart_lines();
    factory->put_activateInPlace(VARIANT_TRUE);
    EXPECT_EQ(factory_lines(),
              (Lines{L"enter put_ActivateInPlacee", L"leave put_ActivateInPlace 0x00000000"}));
}

TEST_F(FactoryTest, DocumentTypesOtherThanWordAndExcelAreRefusedWithSeven) {
    restart_lines();
    EXPECT_EQ(factory->put_documentType(3), 7);
    EXPECT_EQ(factory->setDocumentType(5), 7);
    EXPECT_EQ(factory->setDocumentType(0), 7);
    EXPECT_EQ(factory_lines(), (Lines{
                                   L"enter put_documentType", // no exit trace for a refused type
                                   L"enter setDocumentType",
                                   L"enter put_documentType",
                                   L"leave setDocumentType 0x00000007",
                                   L"enter setDocumentType",
                                   L"enter put_documentType",
                                   L"leave setDocumentType 0x00000007",
                               }));
    EXPECT_TRUE(trace_log().opened(L"CVEX_Environment_Karvo").empty()); // nothing was created
}

TEST_F(FactoryTest, AcceptedMembersTraceTheirOwnNames) {
    restart_lines();
    VARIANT empty;
    VariantInit(&empty);
    com::unique_bstr name(L"n");
    EXPECT_EQ(factory->sendonSave(), S_OK);
    EXPECT_EQ(factory->sendonClose(), S_OK);
    EXPECT_EQ(factory->sendDocumentdata(empty), S_OK);
    EXPECT_EQ(factory->put_dataSource(empty), S_OK);
    EXPECT_EQ(factory->put_expertMode(VARIANT_TRUE), S_OK);
    EXPECT_EQ(factory->put_xmlSource(empty), S_OK);
    EXPECT_EQ(factory->put_showDecoration(VARIANT_TRUE), S_OK);
    EXPECT_EQ(factory->put_visible(VARIANT_TRUE), S_OK);
    EXPECT_EQ(factory->put_documentName(name.get()), S_OK);
    EXPECT_EQ(factory->setTraceTyp(2), S_OK);
    EXPECT_EQ(factory_lines(), (Lines{
                                   L"enter sendonSave",          L"leave sendonSave 0x00000000",
                                   L"enter sendonClose",         L"leave sendonClose 0x00000000",
                                   L"enter sendDocumentdata",    L"leave sendDocumentdata 0x00000000",
                                   L"enter put_dataSource",      L"leave put_dataSource 0x00000000",
                                   L"enter put_expertMode",      L"leave put_expertMode 0x00000000",
                                   L"enter put_xmlSource",       L"leave put_xmlSource 0x00000000",
                                   L"enter put_ShowDecoratione", L"leave put_ShowDecoration 0x00000000",
                                   L"enter put_Visiblee",        L"leave put_Visible 0x00000000",
                                   L"enter put_DocumentNamee",   L"leave put_DocumentName 0x00000000",
                                   L"enter setTraceTyp",         L"leave setTraceTyp 0x00000000",
                               }));
}

TEST_F(FactoryTest, FactoryRaisesNoEvents) {
    // No connection point: the event interface is described by the type library only.
    EXPECT_FALSE(com::query<IConnectionPointContainer>(factory.get()));
}

TEST_F(FactoryTest, ReleaseWithoutComponentsClosesNothing) {
    restart_lines();
    factory = nullptr;
    EXPECT_EQ(factory_lines(), (Lines{L"enter FinalRelease", L"leave FinalRelease 0x00000000"}));
}

TEST_F(FactoryTest, ReleaseClosesTheEnvironmentThroughOle) {
    com::com_ptr<IDispatch> env;
    ASSERT_EQ(factory->createproxy(1, env.put()), S_OK);
    env = nullptr;
    restart_lines();
    factory = nullptr;
    EXPECT_EQ(factory_lines(),
              (Lines{L"enter FinalRelease", L"enter release_member_oleobject",
                     L"leave release_member_oleobject 0x00000000", L"leave FinalRelease 0x00000000"}));
    EXPECT_EQ(lines(L"CVEX_Environment_Karvo"),
              (Lines{L"enter FinalRelease", L"warning NOW trace 0x00000000"}));
}

TEST_F(FactoryTest, EnvironmentHeldByTheHostOutlivesTheFactory) {
    com::com_ptr<IDispatch> dispatch;
    ASSERT_EQ(factory->createproxy(1, dispatch.put()), S_OK);
    factory = nullptr; // closes the environment through OLE and drops the factory's reference
    auto env = com::query<IVEX_Environment>(dispatch.get());
    ASSERT_TRUE(env);
    EXPECT_EQ(env->setInplace(0), S_OK);
    LONG mode = -1;
    EXPECT_EQ(env->getInplace(&mode), S_OK);
    EXPECT_EQ(mode, 0);
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
