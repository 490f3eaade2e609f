// The module's entry points and resources: class objects, the lock count, aggregation, and the name
// and version a host reads from the file.
#include "class_list.h"
#include "support/com_test.h"

#include <winver.h>

#include <cstdio>

namespace vex::test {
namespace {

using EntryPointsTest = ComTest;

// Objects, held class objects and server locks each keep the module loaded; the last one lets it go.
TEST_F(EntryPointsTest, TheModuleStaysWhileObjectsClassObjectsOrLocksLive) {
    const auto& dll = vex_exports();
    EXPECT_EQ(dll.can_unload_now(), S_OK);
    auto factory = create<IVEX_Factory>(L"KEM.VEX_Factory_Gui");
    EXPECT_EQ(dll.can_unload_now(), S_FALSE);
    factory = nullptr;
    EXPECT_EQ(dll.can_unload_now(), S_OK);

    com::com_ptr<IClassFactory> first, second;
    ASSERT_EQ(dll.get_class_object(CLSID_VEX_Trace_Karvo, IID_IClassFactory, first.put_void()), S_OK);
    ASSERT_EQ(dll.get_class_object(CLSID_VEX_Trace_Karvo, IID_IUnknown, second.put_void()), S_OK);
    EXPECT_EQ(identity(first.get()), identity(second.get())); // cached
    EXPECT_EQ(dll.can_unload_now(), S_FALSE);
    IClassFactory* cached = first.get();
    first = nullptr;
    second = nullptr;
    EXPECT_EQ(dll.can_unload_now(), S_OK);
    EXPECT_EQ(cached->LockServer(TRUE), S_OK);
    EXPECT_EQ(cached->LockServer(TRUE), S_OK);
    cached->LockServer(FALSE);
    EXPECT_EQ(dll.can_unload_now(), S_FALSE);
    cached->LockServer(FALSE);
    EXPECT_EQ(dll.can_unload_now(), S_OK);
}

TEST_F(EntryPointsTest, ClassObjectsServeOnlyTheirClassAndInterfaces) {
    const auto& dll = vex_exports();
    void* out = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(dll.get_class_object(IID_IUnknown, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(dll.get_class_object(CLSID_VEX_Factory, IID_IClassFactory, nullptr), E_POINTER);
    com::com_ptr<IClassFactory> factory;
    ASSERT_EQ(dll.get_class_object(CLSID_VEX_Factory, IID_IClassFactory, factory.put_void()), S_OK);
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

// The project name is string 100; the version's strings, in the block its translation names, say
// what its fixed part says.
TEST_F(EntryPointsTest, ResourcesNameTheProjectAndOneVersion) {
    wchar_t text[32] = {};
    ASSERT_GT(LoadStringW(vex_exports().module, 100, text, 32), 0);
    EXPECT_STREQ(text, L"vex");
    const std::wstring path = vex_dll_path();
    DWORD handle = 0;
    std::string block(GetFileVersionInfoSizeW(path.c_str(), &handle), '\0');
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    WORD* translation = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    EXPECT_NE(fixed->dwFileVersionMS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    wchar_t version[32], key[64];
    std::swprintf(version, 32, L"%u, %u, %u, %u", HIWORD(fixed->dwFileVersionMS),
                  LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS),
                  LOWORD(fixed->dwFileVersionLS));
    for (const wchar_t* name : {L"FileVersion", L"ProductVersion"}) {
        std::swprintf(key, 64, L"\\StringFileInfo\\%04x%04x\\%ls", translation[0], translation[1], name);
        wchar_t* value = nullptr;
        ASSERT_TRUE(VerQueryValueW(block.data(), key, reinterpret_cast<void**>(&value), &length)) << name;
        EXPECT_STREQ(value, version) << name;
    }
}

} // namespace
} // namespace vex::test
