// The module's entry points: class objects, the lock count and aggregation.
#include "class_list.h"
#include "support/com_test.h"

namespace vex::test {
namespace {

using EntryPointsTest = ComTest;

TEST_F(EntryPointsTest, CanUnloadOnlyWhileNothingIsAlive) {
    const auto& dll = vex_exports();
    EXPECT_EQ(dll.can_unload_now(), S_OK);
    {
        auto trace = create<IVEX_Trace>(L"KEM.VEX_Trace_Gui");
        EXPECT_EQ(dll.can_unload_now(), S_FALSE);
        auto factory = create<IVEX_Factory>(L"KEM.VEX_Factory_Gui");
        trace = nullptr;
        EXPECT_EQ(dll.can_unload_now(), S_FALSE); // the factory and its own trace object are alive
    }
    EXPECT_EQ(dll.can_unload_now(), S_OK);
}

TEST_F(EntryPointsTest, ClassObjectsAreCachedAndLockTheModuleWhileHeld) {
    const auto& dll = vex_exports();
    com::com_ptr<IClassFactory> first, second;
    ASSERT_EQ(dll.get_class_object(CLSID_VEX_Factory, IID_IClassFactory, first.put_void()), S_OK);
    ASSERT_EQ(dll.get_class_object(CLSID_VEX_Factory, IID_IUnknown, second.put_void()), S_OK);
    EXPECT_EQ(identity(first.get()), identity(second.get()));
    EXPECT_EQ(dll.can_unload_now(), S_FALSE); // a held class object keeps the module
    first = nullptr;
    second = nullptr;
    EXPECT_EQ(dll.can_unload_now(), S_OK);
}

TEST_F(EntryPointsTest, LockServerCountsLikeAnObject) {
    const auto& dll = vex_exports();
    com::com_ptr<IClassFactory> factory;
    ASSERT_EQ(dll.get_class_object(CLSID_VEX_Trace_Karvo, IID_IClassFactory, factory.put_void()), S_OK);
    IClassFactory* raw = factory.get();
    factory = nullptr; // the module keeps its cached class object
    EXPECT_EQ(raw->LockServer(TRUE), S_OK);
    EXPECT_EQ(raw->LockServer(TRUE), S_OK);
    EXPECT_EQ(dll.can_unload_now(), S_FALSE);
    raw->LockServer(FALSE);
    EXPECT_EQ(dll.can_unload_now(), S_FALSE);
    raw->LockServer(FALSE);
    EXPECT_EQ(dll.can_unload_now(), S_OK);
}

TEST_F(EntryPointsTest, UnknownClassesAndNullOutPointer) {
    const auto& dll = vex_exports();
    void* out = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(dll.get_class_object(IID_IUnknown, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(dll.get_class_object(CLSID_VEX_Factory, IID_IClassFactory, nullptr), E_POINTER);
}

TEST_F(EntryPointsTest, ClassObjectAnswersOnlyItsInterfaces) {
    com::com_ptr<IClassFactory> factory;
    ASSERT_EQ(vex_exports().get_class_object(CLSID_VEX_Factory, IID_IClassFactory, factory.put_void()), S_OK);
    EXPECT_FALSE(com::query<IDispatch>(factory.get()));
    com::com_ptr<IVEX_Factory> object;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IVEX_Factory, object.put_void()), S_OK);
    EXPECT_TRUE(object);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IVEX_Factory, nullptr), E_POINTER);
}

// An outer object that aggregates one of the module's objects and counts its own references.
class Outer final : public IUnknown {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (IsEqualIID(iid, IID_IUnknown)) {
            *out = this;
            AddRef();
            return S_OK;
        }
        return inner ? inner->QueryInterface(iid, out) : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }

    LONG refs = 1;
    IUnknown* inner = nullptr;
};

TEST_F(EntryPointsTest, AggregationFollowsTheClassTable) {
    for (const auto& c : all_classes) {
        SCOPED_TRACE(std::string(c.name, c.name + wcslen(c.name)));
        Outer outer;
        const HRESULT hr = CoCreateInstance(*c.clsid, &outer, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                            reinterpret_cast<void**>(&outer.inner));
        if (!c.aggregatable) {
            EXPECT_EQ(hr, CLASS_E_NOAGGREGATION);
            EXPECT_EQ(outer.inner, nullptr);
            continue;
        }
        ASSERT_EQ(hr, S_OK);
        // Through the aggregate, the interface's references are the outer object's.
        IUnknown* iface = nullptr;
        ASSERT_EQ(outer.QueryInterface(*c.default_interface, reinterpret_cast<void**>(&iface)), S_OK);
        EXPECT_EQ(outer.refs, 2);
        IUnknown* back = nullptr;
        ASSERT_EQ(iface->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&back)), S_OK);
        EXPECT_EQ(back, &outer);
        back->Release();
        iface->Release();
        EXPECT_EQ(outer.refs, 1);
        // The inner unknown is the object's own identity and ends its life.
        EXPECT_EQ(outer.inner->Release(), 0u);

        // With an outer unknown only IID_IUnknown may be asked for.
        void* out = nullptr;
        EXPECT_EQ(CoCreateInstance(*c.clsid, &outer, CLSCTX_INPROC_SERVER, *c.default_interface, &out),
                  CLASS_E_NOAGGREGATION);
    }
}

} // namespace
} // namespace vex::test
