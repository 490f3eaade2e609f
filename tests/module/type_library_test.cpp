// The type library embedded in vex.dll and registered with it: library attributes, every interface
// with its methods in order, and the coclasses.
#include "class_list.h"
#include "support/com_test.h"

#include <map>

namespace vex::test {
namespace {

std::wstring doc_name(ITypeInfo* info, MEMBERID id, std::wstring* help = nullptr) {
    BSTR name = nullptr, doc = nullptr;
    info->GetDocumentation(id, &name, &doc, nullptr, nullptr);
    std::wstring result(com::bstr_view(name));
    if (help)
        *help = std::wstring(com::bstr_view(doc));
    SysFreeString(name);
    SysFreeString(doc);
    return result;
}

// A parameter or return type as text: "long", "BSTR", "VARIANT", "IDispatch*", "IVEX_Factory*", ...
std::wstring type_text(ITypeInfo* info, const TYPEDESC& t) {
    switch (t.vt) {
    case VT_I4:
        return L"long";
    case VT_BSTR:
        return L"BSTR";
    case VT_VARIANT:
        return L"VARIANT";
    case VT_BOOL:
        return L"VARIANT_BOOL";
    case VT_HRESULT:
        return L"HRESULT";
    case VT_DISPATCH:
        return L"IDispatch*";
    case VT_UNKNOWN:
        return L"IUnknown*";
    case VT_PTR:
        return type_text(info, *t.lptdesc) + L"*";
    case VT_USERDEFINED: {
        com::com_ptr<ITypeInfo> ref;
        if (FAILED(info->GetRefTypeInfo(t.hreftype, ref.put())))
            return L"?";
        return doc_name(ref.get(), MEMBERID_NIL);
    }
    default:
        return L"vt" + std::to_wstring(t.vt);
    }
}

// "name(in long, out retval IDispatch**)", the put kind shown as "put name(...)".
std::wstring signature(ITypeInfo* info, const FUNCDESC& f) {
    BSTR names[16] = {};
    UINT count = 0;
    info->GetNames(f.memid, names, 16, &count);
    std::wstring text = f.invkind == INVOKE_PROPERTYPUT ? L"put " : L"";
    text += com::bstr_view(names[0]);
    text += L"(";
    for (SHORT i = 0; i < f.cParams; ++i) {
        const USHORT flags = f.lprgelemdescParam[i].paramdesc.wParamFlags;
        if (i)
            text += L", ";
        if (flags & PARAMFLAG_FIN)
            text += L"in ";
        if (flags & PARAMFLAG_FOUT)
            text += L"out ";
        if (flags & PARAMFLAG_FRETVAL)
            text += L"retval ";
        text += type_text(info, f.lprgelemdescParam[i].tdesc);
    }
    text += L")";
    for (UINT i = 0; i < count; ++i)
        SysFreeString(names[i]);
    return text;
}

struct Method {
    DISPID id;
    std::wstring signature;
    std::wstring help;
};

struct InterfaceCase {
    const IID* iid;
    const wchar_t* name;
    std::vector<Method> methods;
};

const std::vector<InterfaceCase>& interface_cases() {
    static const std::vector<InterfaceCase> cases = {
        {&IID_IVEX_Factory,
         L"IVEX_Factory",
         {
             {1, L"createproxy(in long, out retval IDispatch**)",
              L"vex component communication: method createproxy"},
             {2, L"setControl(in IUnknown*)",
              L"vex component communication: method setControl, not used in WOB"},
             {3, L"sendonSave()", L"vex component communication: method sendonSave"},
             {4, L"createcomponent(in long)", L"vex component communication: method createcomponent"},
             {5, L"sendDocumentdata(in VARIANT)", L"vex component communication: method sendDocumentdata"},
             {6, L"put dataSource(in VARIANT)", L"property dataSource"},
             {7, L"put expertMode(in VARIANT_BOOL)", L"property expertMode"},
             {8, L"put documentType(in long)", L"property documentType"},
             {9, L"put activateInPlace(in VARIANT_BOOL)", L"property  activateInPlace, QP property"},
             {10, L"put showDecoration(in VARIANT_BOOL)", L"property showDecoration, QP property"},
             {11, L"put visible(in VARIANT_BOOL)", L"property  setvisible, QP property"},
             {12, L"put documentName(in BSTR)", L"property documentName"},
             {13, L"setdocumentUrl(in BSTR, in BSTR)", L"vex component communication: method setdocumentUrl"},
             {14, L"setTraceTyp(in long)", L"method setTraceType"},
             {15, L"deletecomponent(in long)", L"wob vex component communication: method deletecomponent"},
             {16, L"sendonClose()", L"vex component communication: method sendonClose"},
             {17, L"put xmlSource(in VARIANT)", L"property xmlSource"},
             {18, L"getMethodParamAsString(in BSTR, in long, in VARIANT, out BSTR*)",
              L"vex component communication: method getMethodParamAsString"},
             {19, L"metaSource(out VARIANT*)", L"vex component communication: method getMethodParamAsString"},
             {20, L"setDocumentType(in long)", L"method setDocumentType, QP property DocumentType"},
             {21, L"dp_table_identifier(in BSTR, in BSTR, in BSTR, out long*)",
              L"method dp_table_identifier"},
             {22, L"get_dp_table(in BSTR, out VARIANT*)", L"method get_dp_table"},
         }},
        {&IID_IVEX_GeneralDocumentContainer,
         L"IVEX_GeneralDocumentContainer",
         {
             {1, L"opendocument()", L"method opendocument"},
             {2, L"QueryGeneralDocumentInterface(out IDispatch**)", L"method QueryGeneralDocumentInterface"},
             {3, L"setControl(in IUnknown*)", L"method setControl, not used in WOB"},
             {4, L"getApplication(out IDispatch**)", L"method getApplication"},
             {5, L"createdocument()", L"method createdocument"},
             {6, L"closedocument()", L"method closedocument"},
             {7, L"setTrace(in IDispatch*)", L"method setTrace"},
             {8, L"setDocumentType(in long)", L"method setDocumentType, QP property DocumentType"},
             {9, L"getDocumentType(out long*)", L"method getDocumentType, QP property DocumentType"},
             {10, L"setDocumentdata(in VARIANT)", L"method setDocumentdata, QP property datasource"},
             {11, L"setEnvironment(in IVEX_Environment*)", L"method setEnvironment"},
             {12, L"Initialize(in IVEX_Factory*)", L"method Initialize"},
             {13, L"savedocument()", L"method savedocument"},
             {14, L"setDocumentdataUrl(in BSTR, in BSTR)", L"method setDocumentdataUrl"},
             {15, L"setDocumentName(in BSTR)", L"method setDocumentName, QP property DocumentName"},
             {16, L"getFactory(out IVEX_Factory**)", L"method getFactory"},
             {17, L"put automaticSave(in VARIANT_BOOL)", L"property automaticSave, default is: enabled"},
             {18, L"getContent(out retval VARIANT*)", L"method getContent"},
             {19, L"isOpen(in out VARIANT_BOOL*)", L"method isOpen"},
             {20, L"put disableEventing(in VARIANT_BOOL)",
              L"property disableEventing, default is: events enabled"},
             {21, L"put visible(in VARIANT_BOOL)", L"property visible, default is: visible on"},
             {22, L"sendApplicationVisible()", L"method sendApplicationVisible"},
             {23, L"put closeApplication(in VARIANT_BOOL)", L"close Application"},
         }},
        {&IID_IVEX_Environment,
         L"IVEX_Environment",
         {
             {1, L"getSupportedApplications(out retval VARIANT*)", L"method getSupportedApplications"},
             {2, L"setTrace(in IDispatch*)", L"method setTrace"},
             {3, L"setInplace(in long)", L"method setInplace, QP property Inplace"},
             {4, L"getInplace(out long*)", L"method getInplace, QP property Inplace"},
             {5, L"setAutosave(in long, in long)", L"method setAutosave"},
             {6, L"setTraceTyp(in long)", L"method setTraceType"},
             {7, L"setProtection(in long)", L"method setProtection"},
             {8, L"getVersion(out retval BSTR*)", L"method getVersion"},
             {9, L"Initialize(in IVEX_Factory*)", L"method Initialize"},
             {10, L"setVersion(in BSTR)", L"method setVersion"},
         }},
        {&IID_IVEX_Trace,
         L"IVEX_Trace",
         {
             {1, L"InitTrace(in BSTR)", L"method InitTrace"},
             {2, L"TraceError(in BSTR, in HRESULT)", L"method TraceError"},
             {3, L"TraceWarning(in BSTR, in HRESULT)", L"method TraceWarning"},
             {4, L"TraceEnter(in BSTR)", L"method TraceEnter"},
             {5, L"TraceLeave(in BSTR, in HRESULT)", L"method TraceLeave"},
             {6, L"TraceException(in BSTR, in HRESULT)", L"method TraceException"},
             {7, L"setTraceLevel(in long)", L"method setTraceLevel"},
             {8, L"InitialiseTrace(in BSTR, in IUnknown*)", L"method InitialiseTrace"},
             {9, L"setTraceObject(in IUnknown*)", L"method setTraceObject"},
             {10, L"setClassName(in BSTR)", L"method setClassName"},
             {11, L"getTraceObject(out IUnknown**)", L"method setTraceObject"},
             {12, L"TraceEnterLevel2(in BSTR)", L"method TraceEnterLevel2 more refined level5 as TraceEnter"},
             {13, L"TraceLeaveLevel2(in BSTR, in HRESULT)",
              L"method TraceLeaveLevel2 more refined level5 as TraceLeave"},
             {14, L"TraceTimeEnter(in BSTR)", L"method TraceTimeEnter"},
             {15, L"TraceTimeLeave(in BSTR)", L"method TraceTimeLeave"},
         }},
        {&IID_IVEX_Spreadsheet,
         L"IVEX_Spreadsheet",
         {
             {1, L"setTrace(in IDispatch*)", L"method setTrace"},
             {2, L"setTraceTyp(in long)", L"method setTraceType"},
             {3, L"Initialize(in IVEX_Factory*, in IVEX_GeneralDocumentContainer*, in IVEX_Environment*)",
              L"method Initialize"},
             {4, L"activatexmlsource(in VARIANT)", L"method activatexmlsource"},
             {5, L"xmlSource(in BSTR)", L"method xmlSource"},
             {6, L"printdocument(in long)", L"method printdocument"},
             {7, L"runmacro(in BSTR)", L"method runmacro"},
             {8, L"activatexmlsource_gui(in BSTR)", L"method activatexmlsource_gui"},
             {9, L"setxml_gui(in VARIANT)", L"method setxml_gui"},
         }},
        {&IID_IVEX_Word,
         L"IVEX_Word",
         {
             {1, L"setTrace(in IDispatch*)", L"method setTrace"},
             {2, L"setTraceTyp(in long)", L"method setTraceType"},
             {3, L"Initialize(in IVEX_Factory*, in IVEX_GeneralDocumentContainer*, in IVEX_Environment*)",
              L"method Initialize"},
             {4, L"getContent(in long, out retval VARIANT*)", L"method getContent"},
             {5, L"setFields(in VARIANT)", L"method setFields"},
             {6, L"printdocument(in long)", L"method printdocument"},
             {7, L"runmacro(in BSTR)", L"method runmacro"},
             {8, L"setFields_gui(in BSTR)", L"method setFields_gui"},
         }},
    };
    return cases;
}

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

    com::com_ptr<ITypeInfo> info_of(const GUID& guid) {
        com::com_ptr<ITypeInfo> info;
        EXPECT_EQ(library->GetTypeInfoOfGuid(guid, info.put()), S_OK);
        return info;
    }

    com::com_ptr<ITypeLib> library;
};

TEST_F(TypeLibraryTest, LibraryAttributes) {
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(library->GetLibAttr(&attr), S_OK);
    EXPECT_TRUE(IsEqualGUID(attr->guid, LIBID_vexkarvo));
    EXPECT_EQ(attr->lcid, 0x409u);
    EXPECT_EQ(attr->wMajorVerNum, 1);
    EXPECT_EQ(attr->wMinorVerNum, 0);
    library->ReleaseTLibAttr(attr);
    BSTR name = nullptr, doc = nullptr;
    ASSERT_EQ(library->GetDocumentation(-1, &name, &doc, nullptr, nullptr), S_OK);
    EXPECT_EQ(com::bstr_view(name), L"vexkarvo");
    EXPECT_EQ(com::bstr_view(doc), L"vex 1.0 Type Library");
    SysFreeString(name);
    SysFreeString(doc);
}

TEST_F(TypeLibraryTest, RegisteredLibraryIsTheEmbeddedOne) {
    com::com_ptr<ITypeLib> registered;
    ASSERT_EQ(LoadRegTypeLib(LIBID_vexkarvo, 1, 0, 0x409, registered.put()), S_OK);
    com::com_ptr<ITypeInfo> info;
    EXPECT_EQ(registered->GetTypeInfoOfGuid(IID_IVEX_Factory, info.put()), S_OK);
}

TEST_F(TypeLibraryTest, DualInterfacesWithTheirMethodsInOrder) {
    for (const InterfaceCase& c : interface_cases()) {
        SCOPED_TRACE(std::string(c.name, c.name + wcslen(c.name)));
        auto dispatch = info_of(*c.iid);
        ASSERT_TRUE(dispatch);
        EXPECT_EQ(doc_name(dispatch.get(), MEMBERID_NIL), c.name);
        TYPEATTR* attr = nullptr;
        ASSERT_EQ(dispatch->GetTypeAttr(&attr), S_OK);
        EXPECT_EQ(attr->typekind, TKIND_DISPATCH);
        EXPECT_EQ(attr->wTypeFlags & (TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE),
                  TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE);
        dispatch->ReleaseTypeAttr(attr);

        // The vtable half: the described methods follow IDispatch's seven slots in declaration order.
        HREFTYPE ref = 0;
        ASSERT_EQ(dispatch->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref), S_OK);
        com::com_ptr<ITypeInfo> vtable;
        ASSERT_EQ(dispatch->GetRefTypeInfo(ref, vtable.put()), S_OK);
        ASSERT_EQ(vtable->GetTypeAttr(&attr), S_OK);
        EXPECT_EQ(attr->typekind, TKIND_INTERFACE);
        EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FOLEAUTOMATION);
        EXPECT_EQ(attr->cFuncs, c.methods.size());
        const WORD count = attr->cFuncs;
        vtable->ReleaseTypeAttr(attr);
        for (WORD i = 0; i < count && i < c.methods.size(); ++i) {
            FUNCDESC* f = nullptr;
            ASSERT_EQ(vtable->GetFuncDesc(i, &f), S_OK);
            const Method& expected = c.methods[i];
            EXPECT_EQ(f->memid, expected.id);
            EXPECT_EQ(f->oVft, static_cast<SHORT>((7 + i) * sizeof(void*)));
            EXPECT_EQ(signature(vtable.get(), *f), expected.signature);
            std::wstring help;
            doc_name(vtable.get(), f->memid, &help);
            EXPECT_EQ(help, expected.help) << "help string of DISPID " << expected.id;
            vtable->ReleaseFuncDesc(f);
        }
    }
}

TEST_F(TypeLibraryTest, EventInterfacesArePureDispatch) {
    auto factory_events = info_of(DIID__IVEX_FactoryEvents);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(factory_events->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->typekind, TKIND_DISPATCH);
    EXPECT_FALSE(attr->wTypeFlags & TYPEFLAG_FDUAL);
    EXPECT_EQ(attr->cFuncs, 2);
    factory_events->ReleaseTypeAttr(attr);
    std::map<DISPID, std::wstring> methods;
    for (UINT i = 0; i < 2; ++i) {
        FUNCDESC* f = nullptr;
        ASSERT_EQ(factory_events->GetFuncDesc(i, &f), S_OK);
        methods[f->memid] = doc_name(factory_events.get(), f->memid);
        EXPECT_EQ(f->cParams, 0);
        factory_events->ReleaseFuncDesc(f);
    }
    EXPECT_EQ(methods, (std::map<DISPID, std::wstring>{{1, L"OnSave"}, {2, L"OnClose"}}));

    auto container_events = info_of(DIID__IVEX_GeneralDocumentContainerEvents);
    ASSERT_EQ(container_events->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->typekind, TKIND_DISPATCH);
    EXPECT_EQ(attr->cFuncs, 0);
    container_events->ReleaseTypeAttr(attr);
}

TEST_F(TypeLibraryTest, CoclassesWithDefaultAndSourceInterfaces) {
    struct Expected {
        const wchar_t* coclass;
        const IID* source; // default source, or null
        bool control;
    };
    const std::map<std::wstring, Expected> expected = {
        {L"environment", {L"VEX_Environment_Karvo", nullptr, false}},
        {L"factory", {L"VEX_Factory", nullptr, false}},
        {L"container",
         {L"VEX_GeneralDocumentContainer_Karvo", &DIID__IVEX_GeneralDocumentContainerEvents, false}},
        {L"spreadsheet", {L"VEX_Spreadsheet_Wob", nullptr, false}},
        {L"trace", {L"VEX_Trace_Karvo", nullptr, false}},
        {L"word", {L"VEX_Word_Wob", nullptr, true}},
    };
    for (const auto& c : all_classes) {
        SCOPED_TRACE(std::string(c.name, c.name + wcslen(c.name)));
        const Expected& e = expected.at(c.name);
        auto info = info_of(*c.clsid);
        ASSERT_TRUE(info);
        EXPECT_EQ(doc_name(info.get(), MEMBERID_NIL), e.coclass);
        TYPEATTR* attr = nullptr;
        ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
        EXPECT_EQ(attr->typekind, TKIND_COCLASS);
        EXPECT_EQ((attr->wTypeFlags & TYPEFLAG_FCONTROL) != 0, e.control);
        EXPECT_EQ(attr->cImplTypes, e.source ? 2 : 1);
        const WORD impl_count = attr->cImplTypes;
        info->ReleaseTypeAttr(attr);
        for (UINT i = 0; i < impl_count; ++i) {
            INT flags = 0;
            HREFTYPE ref = 0;
            com::com_ptr<ITypeInfo> impl;
            ASSERT_EQ(info->GetImplTypeFlags(i, &flags), S_OK);
            ASSERT_EQ(info->GetRefTypeOfImplType(i, &ref), S_OK);
            ASSERT_EQ(info->GetRefTypeInfo(ref, impl.put()), S_OK);
            TYPEATTR* impl_attr = nullptr;
            impl->GetTypeAttr(&impl_attr);
            const bool source = flags & IMPLTYPEFLAG_FSOURCE;
            EXPECT_TRUE(flags & IMPLTYPEFLAG_FDEFAULT);
            EXPECT_TRUE(IsEqualGUID(impl_attr->guid, source ? *e.source : *c.default_interface));
            impl->ReleaseTypeAttr(impl_attr);
        }
    }
}

} // namespace
} // namespace vex::test
