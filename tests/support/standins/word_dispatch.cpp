// The dispatch base of the stand-in Word's objects: names looked up without regard to case, every
// Invoke logged, by-reference puts refused as Word refuses them for value properties, objects of
// closed documents disconnected, and scripted failures.
#include "word_internal.h"

#include <cwchar>

namespace vex::test::word {
namespace {

struct MemberName {
    DISPID id;
    const wchar_t* name; // as Word spells it
};

constexpr MemberName member_names[] = {
    {m_activate, L"Activate"},
    {m_active_document, L"ActiveDocument"},
    {m_active_window, L"ActiveWindow"},
    {m_application, L"Application"},
    {m_attached_template, L"AttachedTemplate"},
    {m_close, L"Close"},
    {m_copy, L"Copy"},
    {m_count, L"Count"},
    {m_default_file_path, L"DefaultFilePath"},
    {m_destination, L"Destination"},
    {m_documents, L"Documents"},
    {m_execute, L"Execute"},
    {m_full_name, L"FullName"},
    {m_item, L"Item"},
    {m_mail_merge, L"MailMerge"},
    {m_name, L"Name"},
    {m_open_data_source, L"OpenDataSource"},
    {m_options, L"Options"},
    {m_paste_and_format, L"PasteAndFormat"},
    {m_print_out, L"PrintOut"},
    {m_run, L"Run"},
    {m_screen_updating, L"ScreenUpdating"},
    {m_selection, L"Selection"},
    {m_vba_signed, L"VBASigned"},
    {m_whole_story, L"WholeStory"},
};

long g_live_objects = 0;

} // namespace

const wchar_t* member_name(DISPID id) {
    for (const MemberName& m : member_names)
        if (m.id == id)
            return m.name;
    return L"?";
}

std::wstring arguments_text(const DISPPARAMS& params) {
    std::wstring text;
    const auto add = [&](const VARIANT& value) {
        if (!text.empty())
            text += L", ";
        text += excel::describe(value);
    };
    for (UINT i = params.cArgs; i > params.cNamedArgs; --i)
        add(params.rgvarg[i - 1]);
    for (UINT i = 0; i < params.cNamedArgs && i < params.cArgs; ++i)
        add(params.rgvarg[i]);
    return text;
}

HRESULT text_argument(const VARIANT& value, std::wstring& out) {
    ExcelValue converted;
    if (FAILED(coerce(value, VT_BSTR, converted)))
        return DISP_E_TYPEMISMATCH;
    out = com::bstr_view(converted.get().bstrVal);
    return S_OK;
}

HRESULT enumeration(const VARIANT& value, std::initializer_list<LONG> values, LONG& out,
                    EXCEPINFO* exception) {
    ExcelValue converted;
    if (FAILED(coerce(value, VT_I4, converted)))
        return DISP_E_TYPEMISMATCH;
    for (LONG allowed : values) {
        if (allowed == converted.get().lVal) {
            out = allowed;
            return S_OK;
        }
    }
    return refuse(exception, L"Value out of range", error_out_of_range);
}

Dispatch::Dispatch() {
    InterlockedIncrement(&g_live_objects);
}

Dispatch::~Dispatch() {
    InterlockedDecrement(&g_live_objects);
}

STDMETHODIMP Dispatch::GetTypeInfoCount(UINT* count) {
    if (!count)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP Dispatch::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info)
        *info = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP Dispatch::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!names || !ids)
        return E_POINTER;
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
        // Only the member's own name: no member here takes named arguments.
        for (const MemberAccess& m : i == 0 ? members() : std::span<const MemberAccess>{})
            if (names[i] && _wcsicmp(names[i], member_name(m.id)) == 0)
                ids[i] = m.id;
        if (ids[i] == DISPID_UNKNOWN)
            hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

STDMETHODIMP Dispatch::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                              EXCEPINFO* exception, UINT*) {
    try {
        const MemberAccess* member = nullptr;
        for (const MemberAccess& m : members())
            if (m.id == id)
                member = &m;
        if (!member)
            return DISP_E_MEMBERNOTFOUND;
        DISPPARAMS none{};
        if (!params)
            params = &none;
        const bool putref = flags & DISPATCH_PROPERTYPUTREF;
        const bool put = flags & DISPATCH_PROPERTYPUT;
        // Script hosts ask for a method call and a get at once: the member's nature decides then.
        const bool call = (flags & DISPATCH_METHOD) &&
                          (!(flags & DISPATCH_PROPERTYGET) || member->access == Access::method);
        auto& word = WordStandIn::instance();
        const WordDocument* owner = document ? word.document_by_id(document) : nullptr;
        word.calls.push_back({kind(), member_name(id),
                              putref ? L"putref"
                              : put  ? L"put"
                              : call ? L"call"
                                     : L"get",
                              arguments_text(*params), owner ? owner->name : std::wstring()});
        const size_t entry = word.calls.size() - 1;
        HRESULT hr = S_OK;
        if (putref) {
            hr = DISP_E_MEMBERNOTFOUND; // Word's value properties take no references
        } else if (put) {
            if (member->access != Access::get_put)
                hr = DISP_E_MEMBERNOTFOUND;
            else if (params->cArgs < 1 || params->cNamedArgs != 1 ||
                     params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
                hr = DISP_E_PARAMNOTOPTIONAL;
        } else if (!(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET))) {
            hr = DISP_E_MEMBERNOTFOUND;
        } else if (params->cNamedArgs != 0) {
            hr = DISP_E_NONAMEDARGS;
        }
        if (hr == S_OK && document && !state())
            hr = RPC_E_DISCONNECTED;
        if (hr == S_OK)
            hr = scripted_failure(kind(), member_name(id), exception);
        Request request{id, put, params, exception, {}};
        if (hr == S_OK)
            hr = invoke(request);
        if (SUCCEEDED(hr) && result)
            *result = request.result.release();
        if (entry < word.calls.size())
            word.calls[entry].status = hr;
        return hr;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

} // namespace vex::test::word

namespace vex::test {

long WordStandIn::live_objects() {
    return word::g_live_objects;
}

} // namespace vex::test
