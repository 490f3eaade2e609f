// The module's entry points: class objects, the lock count and aggregation.
#include "class_list.h"
#include "support/com_test.h"

namespace vex::test {
namespace {

using EntryPointsTest = ComTest;

// Class objects are cached, make only their own class and answer only IUnknown and IClassFactory.
// Objects, held class objects and server locks each keep the module loaded; the last one lets it go.
TEST_F(EntryPointsTest, ClassObjectsAndTheLockCount) {
    const auto& dll = vex_exports();
    void* out = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(dll.get_class_object(IID_IUnknown, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(dll.get_class_object(CLSID_VEX_Factory, IID_IClassFactory, nullptr), E_POINTER);
    EXPECT_EQ(dll.can_unload_now(), S_OK);
    com::com_ptr<IClassFactory> first, second;
    com::com_ptr<IVEX_Factory> object;
    ASSERT_EQ(dll.get_class_object(CLSID_VEX_Factory, IID_IClassFactory, first.put_void()), S_OK);
    ASSERT_EQ(dll.get_class_object(CLSID_VEX_Factory, IID_IUnknown, second.put_void()), S_OK);
    EXPECT_EQ(identity(first.get()), identity(second.get()));
    EXPECT_FALSE(com::query<IDispatch>(first.get()));
    EXPECT_EQ(dll.can_unload_now(), S_FALSE);
    EXPECT_EQ(first->CreateInstance(nullptr, IID_IVEX_Factory, nullptr), E_POINTER);
    ASSERT_EQ(first->CreateInstance(nullptr, IID_IVEX_Factory, object.put_void()), S_OK);
    IClassFactory* cached = first.get();
    first = nullptr;
    second = nullptr;
    EXPECT_EQ(dll.can_unload_now(), S_FALSE);
    object = nullptr;
    EXPECT_EQ(dll.can_unload_now(), S_OK);
    EXPECT_EQ(cached->LockServer(TRUE), S_OK);
    EXPECT_EQ(cached->LockServer(TRUE), S_OK);
    cached->LockServer(FALSE);
    EXPECT_EQ(dll.can_unload_now(), S_FALSE);
    cached->LockServer(FALSE);
    EXPECT_EQ(dll.can_unload_now(), S_OK);
}

// An outer object that aggregates one of the module's objects and counts its own references.
class Outer final : public IUnknown {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!IsEqualIID(iid, IID_IUnknown))
            return inner ? inner->QueryInterface(iid, out) : E_NOINTERFACE;
        *out = this;
        AddRef();
        return S_OK;
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
        // Through the aggregate, the interface's references and identity are the outer object's.
        IUnknown *iface = nullptr, *back = nullptr;
        ASSERT_EQ(outer.QueryInterface(*c.default_interface, reinterpret_cast<void**>(&iface)), S_OK);
        EXPECT_EQ(outer.refs, 2);
        ASSERT_EQ(iface->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&back)), S_OK);
        EXPECT_EQ(back, &outer);
        back->Release();
        iface->Release();
        EXPECT_EQ(outer.refs, 1);
        EXPECT_EQ(outer.inner->Release(), 0u); // the inner unknown ends the object's life
        // With an outer unknown only IID_IUnknown may be asked for.
        void* out = nullptr;
        EXPECT_EQ(CoCreateInstance(*c.clsid, &outer, CLSCTX_INPROC_SERVER, *c.default_interface, &out),
                  CLASS_E_NOAGGREGATION);
    }
}

} // namespace
} // namespace vex::test
