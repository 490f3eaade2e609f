// The type library embedded in vex.dll and registered with it: every class and interface resolves,
// DISPIDs and vtable slots follow the declaration order (compiled hosts rely on both), and every
// method takes only parameters a script host can pass.
#include "class_list.h"
#include "support/com_test.h"

namespace vex::test {
namespace {

class TypeLibraryTest : public ComTest {
protected:
    void SetUp() override {
        ComTest::SetUp();
        ASSERT_EQ(LoadTypeLibEx(vex_dll_path().c_str(), REGKIND_NONE, library.put()), S_OK);
    }
    void TearDown() override {
        library = nullptr;
        ComTest::TearDown();
    }
    com::com_ptr<ITypeInfo> info_of(REFGUID guid) {
        com::com_ptr<ITypeInfo> info;
        EXPECT_EQ(library->GetTypeInfoOfGuid(guid, info.put()), S_OK);
        return info;
    }
    com::com_ptr<ITypeLib> library;
};

TEST_F(TypeLibraryTest, TheRegisteredLibraryIsTheEmbeddedOne) {
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(library->GetLibAttr(&attr), S_OK);
    EXPECT_TRUE(IsEqualGUID(attr->guid, LIBID_vexkarvo));
    library->ReleaseTLibAttr(attr);
    com::com_ptr<ITypeLib> registered;
    ASSERT_EQ(LoadRegTypeLib(LIBID_vexkarvo, 1, 0, 0x409, registered.put()), S_OK);
    com::com_ptr<ITypeInfo> info;
    EXPECT_EQ(registered->GetTypeInfoOfGuid(IID_IVEX_Factory, info.put()), S_OK);
}

// Each coclass names its class's dual interface as default; the container alone has an event source.
TEST_F(TypeLibraryTest, CoclassesLeadToTheirDualInterfaces) {
    for (const auto& c : all_classes) {
        SCOPED_TRACE(std::string(c.name, c.name + wcslen(c.name)));
        auto coclass = info_of(*c.clsid);
        ASSERT_TRUE(coclass);
        TYPEATTR* attr = nullptr;
        ASSERT_EQ(coclass->GetTypeAttr(&attr), S_OK);
        const WORD implemented = attr->cImplTypes;
        EXPECT_EQ(attr->typekind, TKIND_COCLASS);
        coclass->ReleaseTypeAttr(attr);
        EXPECT_EQ(implemented, std::wstring(c.name) == L"container" ? 2 : 1);
        HREFTYPE ref = 0;
        com::com_ptr<ITypeInfo> dual;
        ASSERT_EQ(coclass->GetRefTypeOfImplType(0, &ref), S_OK);
        ASSERT_EQ(coclass->GetRefTypeInfo(ref, dual.put()), S_OK);
        ASSERT_EQ(dual->GetTypeAttr(&attr), S_OK);
        EXPECT_TRUE(IsEqualIID(attr->guid, *c.default_interface));
        EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FDUAL);
        dual->ReleaseTypeAttr(attr);
    }
}

// In every dual interface the n-th method has DISPID n and the n-th slot after IDispatch's seven; its
// parameters are automation types, [out] ones are pointers and come last, and the object answers its
// name with that DISPID through IDispatch.
TEST_F(TypeLibraryTest, MethodsFollowTheDeclarationOrderAndTakeAutomationParameters) {
    for (const auto& c : all_classes) {
        SCOPED_TRACE(std::string(c.name, c.name + wcslen(c.name)));
        com::com_ptr<ITypeInfo> dispatch = info_of(*c.default_interface), vtable;
        HREFTYPE ref = 0;
        ASSERT_EQ(dispatch->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref), S_OK);
        ASSERT_EQ(dispatch->GetRefTypeInfo(ref, vtable.put()), S_OK);
        TYPEATTR* attr = nullptr;
        ASSERT_EQ(vtable->GetTypeAttr(&attr), S_OK);
        const WORD count = attr->cFuncs;
        EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FOLEAUTOMATION);
        vtable->ReleaseTypeAttr(attr);
        EXPECT_GT(count, 0);

        CLSID clsid = *c.clsid;
        com::com_ptr<IDispatch> object;
        ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, object.put_void()),
                  S_OK);
        for (WORD i = 0; i < count; ++i) {
            FUNCDESC* f = nullptr;
            ASSERT_EQ(vtable->GetFuncDesc(i, &f), S_OK);
            EXPECT_EQ(f->memid, i + 1);
            EXPECT_EQ(f->oVft, static_cast<SHORT>((7 + i) * sizeof(void*)));
            bool outs = false;
            for (SHORT p = 0; p < f->cParams; ++p) {
                const ELEMDESC& param = f->lprgelemdescParam[p];
                const bool out = param.paramdesc.wParamFlags & PARAMFLAG_FOUT;
                EXPECT_TRUE(!out || param.tdesc.vt == VT_PTR) << "DISPID " << f->memid;
                EXPECT_TRUE(out || !outs) << "an [in] after an [out], DISPID " << f->memid;
                outs = outs || out;
            }
            com::unique_bstr name;
            UINT names = 0;
            vtable->GetNames(f->memid, name.put(), 1, &names);
            LPOLESTR lookup[] = {name.get()};
            DISPID id = 0;
            EXPECT_EQ(object->GetIDsOfNames(IID_NULL, lookup, 1, 0, &id), S_OK);
            EXPECT_EQ(id, f->memid) << std::wstring(name.view());
            vtable->ReleaseFuncDesc(f);
        }
    }
}

} // namespace
} // namespace vex::test
