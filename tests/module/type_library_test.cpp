// The type library embedded in vex.dll and registered with it: every class leads to its dual
// interface, DISPIDs and vtable slots follow the declaration order (compiled hosts rely on both), and
// every method takes only parameters a script host can pass and answers its name through IDispatch.
#include "class_list.h"
#include "support/com_test.h"

namespace vex::test {
namespace {

using TypeLibraryTest = ComTest;

// Whether a parameter's type, under its pointers, is one a script host can pass.
bool automation_type(const TYPEDESC& type) {
    if (type.vt == VT_PTR)
        return automation_type(*type.lptdesc);
    for (VARTYPE vt :
         {VT_I4, VT_HRESULT, VT_BOOL, VT_BSTR, VT_VARIANT, VT_DISPATCH, VT_UNKNOWN, VT_USERDEFINED})
        if (type.vt == vt)
            return true;
    return false;
}

TEST_F(TypeLibraryTest, EveryClassAnswersItsMethodsByNameInDeclarationOrder) {
    // The library registered under its LIBID is the one embedded in vex.dll.
    com::com_ptr<ITypeLib> library, registered;
    ASSERT_EQ(LoadTypeLibEx(vex_dll_path().c_str(), REGKIND_NONE, library.put()), S_OK);
    ASSERT_EQ(LoadRegTypeLib(LIBID_vexkarvo, 1, 0, 0x409, registered.put()), S_OK);
    TLIBATTR* lib = nullptr;
    ASSERT_EQ(library->GetLibAttr(&lib), S_OK);
    EXPECT_TRUE(IsEqualGUID(lib->guid, LIBID_vexkarvo));
    library->ReleaseTLibAttr(lib);

    for (const auto& c : all_classes) {
        SCOPED_TRACE(std::string(c.name, c.name + wcslen(c.name)));
        // The coclass names the dual interface as default; the container alone adds an event source.
        com::com_ptr<ITypeInfo> coclass, dispatch, vtable, in_registered;
        ASSERT_EQ(library->GetTypeInfoOfGuid(*c.clsid, coclass.put()), S_OK);
        EXPECT_EQ(registered->GetTypeInfoOfGuid(*c.default_interface, in_registered.put()), S_OK);
        TYPEATTR* attr = nullptr;
        ASSERT_EQ(coclass->GetTypeAttr(&attr), S_OK);
        EXPECT_EQ(attr->typekind, TKIND_COCLASS);
        EXPECT_EQ(attr->cImplTypes, std::wstring(c.name) == L"container" ? 2 : 1);
        coclass->ReleaseTypeAttr(attr);
        HREFTYPE ref = 0;
        ASSERT_EQ(coclass->GetRefTypeOfImplType(0, &ref), S_OK);
        ASSERT_EQ(coclass->GetRefTypeInfo(ref, dispatch.put()), S_OK);
        ASSERT_EQ(dispatch->GetTypeAttr(&attr), S_OK);
        EXPECT_TRUE(IsEqualIID(attr->guid, *c.default_interface));
        EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FDUAL);
        dispatch->ReleaseTypeAttr(attr);

        // The n-th method of the vtable half has DISPID n and the n-th slot after IDispatch's seven.
        ASSERT_EQ(dispatch->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref), S_OK);
        ASSERT_EQ(dispatch->GetRefTypeInfo(ref, vtable.put()), S_OK);
        ASSERT_EQ(vtable->GetTypeAttr(&attr), S_OK);
        const WORD count = attr->cFuncs;
        EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FOLEAUTOMATION);
        vtable->ReleaseTypeAttr(attr);
        EXPECT_GT(count, 0);
        com::com_ptr<IDispatch> object;
        ASSERT_EQ(CoCreateInstance(*c.clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, object.put_void()),
                  S_OK);
        for (WORD i = 0; i < count; ++i) {
            FUNCDESC* f = nullptr;
            ASSERT_EQ(vtable->GetFuncDesc(i, &f), S_OK);
            com::unique_bstr name;
            UINT names = 0;
            vtable->GetNames(f->memid, name.put(), 1, &names);
            const std::string method(name.view().begin(), name.view().end());
            EXPECT_EQ(f->memid, i + 1) << method;
            EXPECT_EQ(f->oVft, static_cast<SHORT>((7 + i) * sizeof(void*))) << method;
            // Parameters are automation types; [out] ones are pointers and come after every [in].
            bool outs = false;
            for (SHORT p = 0; p < f->cParams; ++p) {
                const ELEMDESC& param = f->lprgelemdescParam[p];
                const bool out = param.paramdesc.wParamFlags & PARAMFLAG_FOUT;
                EXPECT_TRUE(!out || param.tdesc.vt == VT_PTR) << method;
                EXPECT_TRUE(out || !outs) << "an [in] after an [out] in " << method;
                EXPECT_TRUE(automation_type(param.tdesc)) << method << " parameter " << p;
                outs = outs || out;
            }
            LPOLESTR lookup[] = {name.get()};
            DISPID id = 0;
            EXPECT_EQ(object->GetIDsOfNames(IID_NULL, lookup, 1, 0, &id), S_OK) << method;
            EXPECT_EQ(id, f->memid) << method;
            vtable->ReleaseFuncDesc(f);
        }
    }
}

} // namespace
} // namespace vex::test
