// The environment component: in-place mode, accepted settings, wiring and release.
#include "support/com_test.h"

namespace vex::test {
namespace {

constexpr wchar_t env_name[] = L"CVEX_Environment_Karvo";

class EnvironmentTest : public ComTest {
protected:
    void SetUp() override {
        ComTest::SetUp();
        env = create<IVEX_Environment>(L"KEM.VEX_Environment_Gui");
        ASSERT_TRUE(env);
    }
    void TearDown() override {
        env = nullptr;
        ComTest::TearDown();
    }

    com::com_ptr<IVEX_Environment> env;
};

TEST_F(EnvironmentTest, OpensItsOwnTraceAtConstruction) {
    const auto channels = trace_log().opened(env_name);
    ASSERT_EQ(channels.size(), 1u);
    EXPECT_EQ(channels[0].object, identity(env.get()));
    EXPECT_EQ(lines(env_name), (Lines{L"enter FinalConstruct", L"leave FinalConstruct 0x00000000"}));
}

TEST_F(EnvironmentTest, KeepsTheInPlaceModeAsGiven) {
    LONG mode = -99;
    ASSERT_EQ(env->getInplace(&mode), S_OK);
    EXPECT_EQ(mode, 1); // in place after construction
    for (LONG value : {0, 7, -1}) {
        ASSERT_EQ(env->setInplace(value), S_OK);
        ASSERT_EQ(env->getInplace(&mode), S_OK);
        EXPECT_EQ(mode, value);
    }
    EXPECT_EQ(env->getInplace(nullptr), E_POINTER);
}

TEST_F(EnvironmentTest, AcceptedSettingsTraceTheirNamesAndWriteNothing) {
    trace_log().records.clear();
    VARIANT applications;
    VariantInit(&applications);
    EXPECT_EQ(env->getSupportedApplications(&applications), S_OK);
    EXPECT_EQ(applications.vt, VT_EMPTY);
    BSTR version = reinterpret_cast<BSTR>(0x1234);
    EXPECT_EQ(env->getVersion(&version), S_OK);
    EXPECT_EQ(version, reinterpret_cast<BSTR>(0x1234));
    com::unique_bstr text(L"9.9");
    EXPECT_EQ(env->setVersion(text.get()), S_OK);
    EXPECT_EQ(env->setAutosave(1, 60), S_OK);
    EXPECT_EQ(env->setTraceTyp(3), S_OK);
    EXPECT_EQ(env->setProtection(1), S_OK);
    EXPECT_EQ(lines(env_name), (Lines{
                                   L"enter get_supportedapplications",
                                   L"leave get_supportedapplications 0x00000000",
                                   L"enter getVersion",
                                   L"leave getVersion 0x00000000",
                                   L"enter setVersion",
                                   L"leave setVersion 0x00000000",
                                   L"enter setAutosave",
                                   L"leave setAutosave 0x00000000",
                                   L"enter setTraceTyp",
                                   L"leave setTraceTyp 0x00000000",
                                   L"enter setProtection",
                                   L"leave setProtection 0x00000000",
                               }));
    LONG mode = 0;
    env->getInplace(&mode);
    EXPECT_EQ(mode, 1); // none of them touches the in-place mode
}

TEST_F(EnvironmentTest, InitializeRefusesNullAndKeepsAFactory) {
    trace_log().records.clear();
    EXPECT_EQ(env->Initialize(nullptr), E_FAIL);
    auto factory = create<IVEX_Factory>(L"KEM.VEX_Factory_Gui");
    EXPECT_EQ(env->Initialize(factory.get()), S_OK);
    EXPECT_EQ(env->Initialize(factory.get()), S_OK); // any number of times
    EXPECT_EQ(lines(env_name), (Lines{L"enter Initialize", L"error factory is null! 0x00000000",
                                      L"enter Initialize", L"enter Initialize"}));
}

TEST_F(EnvironmentTest, SetTraceSwitchesToTheGivenTraceObject) {
    auto other = create<IVEX_Trace>(L"KEM.VEX_Trace_Gui");
    com::unique_bstr name(L"other");
    other->InitialiseTrace(name.get(), nullptr);
    EXPECT_EQ(env->setTrace(other.get()), S_OK);
    env->setInplace(0);
    EXPECT_EQ(lines(L"other"), (Lines{L"enter setTrace", L"leave setTrace 0x00000000", L"enter setInplace",
                                      L"leave setInplace 0x00000000"}));

    // An object that is no trace leaves the environment silent, and setTrace still succeeds.
    auto not_a_trace = create<IDispatch>(L"KEM.VEX_Factory_Gui");
    EXPECT_EQ(env->setTrace(not_a_trace.get()), S_OK);
    const size_t before = trace_log().calls();
    env->setInplace(1);
    EXPECT_EQ(trace_log().calls(), before);
}

TEST_F(EnvironmentTest, ReleaseDropsTheFactoryBeforeClosingItsTrace) {
    auto factory = create<IVEX_Factory>(L"KEM.VEX_Factory_Gui");
    env->Initialize(factory.get());
    factory = nullptr; // the environment holds the last reference now
    trace_log().records.clear();
    env = nullptr;

    // In global order: the factory goes first, then the environment warns and closes its trace.
    std::vector<std::wstring> order;
    for (const auto& r : trace_log().records)
        if (r.slot == slot_enter || r.slot == slot_message)
            order.push_back(r.object_name + L": " + r.text);
    EXPECT_EQ(order, (Lines{L"CVEX_Environment_Karvo: FinalRelease", L"CVEX_Factory: FinalRelease",
                            L"CVEX_Environment_Karvo: NOW trace"}));
    EXPECT_EQ(lines(env_name), (Lines{L"enter FinalRelease", L"warning NOW trace 0x00000000"}));
}

} // namespace
} // namespace vex::test
