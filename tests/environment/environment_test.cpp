// The environment component: in-place mode, accepted settings, wiring, its trace and release.
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
    LONG inplace() {
        LONG mode = -99;
        EXPECT_EQ(env->getInplace(&mode), S_OK);
        return mode;
    }

    com::com_ptr<IVEX_Environment> env;
};

// In place after construction, then whatever was set last.
TEST_F(EnvironmentTest, KeepsTheInPlaceModeAsGiven) {
    EXPECT_EQ(inplace(), 1);
    for (LONG value : {0, 7, -1}) {
        ASSERT_EQ(env->setInplace(value), S_OK);
        EXPECT_EQ(inplace(), value);
    }
    EXPECT_EQ(env->getInplace(nullptr), E_POINTER);
}

// The environment traces on a trace of its own, opened at construction for itself.
TEST_F(EnvironmentTest, InitializeRefusesNullAndKeepsAFactory) {
    const auto channels = trace_log().opened(env_name);
    ASSERT_EQ(channels.size(), 1u);
    EXPECT_EQ(channels[0].object, identity(env.get()));
    trace_log().records.clear();
    EXPECT_EQ(env->Initialize(nullptr), E_FAIL);
    auto factory = create<IVEX_Factory>(L"KEM.VEX_Factory_Gui");
    EXPECT_EQ(env->Initialize(factory.get()), S_OK);
    EXPECT_EQ(env->Initialize(factory.get()), S_OK); // any number of times
    EXPECT_EQ(lines(env_name), (Lines{L"enter Initialize", L"error factory is null! 0x00000000",
                                      L"enter Initialize", L"enter Initialize"}));
}

// setTrace switches to the given trace object; an object that is no trace leaves the environment
// silent, and setTrace still succeeds.
TEST_F(EnvironmentTest, SetTraceSwitchesToTheGivenTraceObject) {
    auto other = create<IVEX_Trace>(L"KEM.VEX_Trace_Gui");
    com::unique_bstr name(L"other");
    other->InitialiseTrace(name.get(), nullptr);
    EXPECT_EQ(env->setTrace(other.get()), S_OK);
    env->setInplace(0);
    EXPECT_EQ(lines(L"other"), (Lines{L"enter setTrace", L"leave setTrace 0x00000000", L"enter setInplace",
                                      L"leave setInplace 0x00000000"}));
    EXPECT_EQ(env->setTrace(create<IDispatch>(L"KEM.VEX_Factory_Gui").get()), S_OK);
    const size_t before = trace_log().calls();
    env->setInplace(1);
    EXPECT_EQ(trace_log().calls(), before);
}

// Released, the environment lets go of its factory first, then warns and closes its trace.
TEST_F(EnvironmentTest, ReleaseDropsTheFactoryBeforeClosingItsTrace) {
    env->Initialize(create<IVEX_Factory>(L"KEM.VEX_Factory_Gui").get());
    trace_log().records.clear();
    env = nullptr;
    Lines order;
    for (const auto& r : trace_log().records)
        if (r.slot == slot_enter || r.slot == slot_message)
            order.push_back(r.object_name + L": " + r.text);
    EXPECT_EQ(order, (Lines{L"CVEX_Environment_Karvo: FinalRelease", L"CVEX_Factory: FinalRelease",
                            L"CVEX_Environment_Karvo: NOW trace"}));
    EXPECT_EQ(lines(env_name), (Lines{L"enter FinalRelease", L"warning NOW trace 0x00000000"}));
}

} // namespace
} // namespace vex::test
