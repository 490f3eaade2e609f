// The dispatch base of the stand-in Excel's objects: names looked up without regard to case, every
// Invoke logged, by-reference puts of value properties refused as Excel refuses them, scripted
// failures, and the argument helpers the objects share.
#include "excel_internal.h"

#include <cstdint>
#include <cwchar>
#include <iterator>

namespace vex::test::excel {
namespace {

struct MemberName {
    DISPID id;
    const wchar_t* name; // as Excel spells it
};

constexpr MemberName member_names[] = {
    {m_activate, L"Activate"},
    {m_active_window, L"ActiveWindow"},
    {m_active_workbook, L"ActiveWorkbook"},
    {m_add, L"Add"},
    {m_application, L"Application"},
    {m_autofit, L"AutoFit"},
    {m_cells, L"Cells"},
    {m_clear, L"Clear"},
    {m_color, L"Color"},
    {m_columns, L"Columns"},
    {m_count, L"Count"},
    {m_display_alerts, L"DisplayAlerts"},
    {m_freeze_panes, L"FreezePanes"},
    {m_horizontal_alignment, L"HorizontalAlignment"},
    {m_interior, L"Interior"},
    {m_international, L"International"},
    {m_item, L"Item"},
    {m_merge, L"Merge"},
    {m_name, L"Name"},
    {m_number_format, L"NumberFormat"},
    {m_range, L"Range"},
    {m_run, L"Run"},
    {m_screen_updating, L"ScreenUpdating"},
    {m_sheets, L"Sheets"},
    {m_split_column, L"SplitColumn"},
    {m_value, L"Value"},
    {m_vba_signed, L"VBASigned"},
    {m_visible, L"Visible"},
    {m_workbooks, L"Workbooks"},
    {m_worksheets, L"Worksheets"},
};

long g_live_objects = 0;

const VARIANT& followed(const VARIANT& value) {
    return value.vt == (VT_BYREF | VT_VARIANT) && value.pvarVal ? *value.pvarVal : value;
}

std::wstring number_text(double value) {
    wchar_t text[32];
    std::swprintf(text, std::size(text), L"%.15g", value);
    return text;
}

// Positional arguments first to last, then the named ones (a put's value).
std::wstring arguments_text(const DISPPARAMS& params) {
    std::wstring text;
    const auto add = [&](const VARIANT& value) {
        if (!text.empty())
            text += L", ";
        text += describe(value);
    };
    for (UINT i = params.cArgs; i > params.cNamedArgs; --i)
        add(params.rgvarg[i - 1]);
    for (UINT i = 0; i < params.cNamedArgs && i < params.cArgs; ++i)
        add(params.rgvarg[i]);
    return text;
}

} // namespace

const wchar_t* member_name(DISPID id) {
    for (const MemberName& m : member_names)
        if (m.id == id)
            return m.name;
    return L"?";
}

std::wstring describe(const VARIANT& original) {
    const VARIANT& value = followed(original);
    if (value.vt & VT_ARRAY) {
        SAFEARRAY* array = (value.vt & VT_BYREF) ? (value.pparray ? *value.pparray : nullptr) : value.parray;
        if (!array)
            return L"Array null";
        LONG bounds[4] = {0, -1, 0, -1};
        const UINT dims = SafeArrayGetDim(array);
        for (UINT d = 0; d < dims && d < 2; ++d) {
            SafeArrayGetLBound(array, d + 1, &bounds[2 * d]);
            SafeArrayGetUBound(array, d + 1, &bounds[2 * d + 1]);
        }
        const LONG first = bounds[1] - bounds[0] + 1, second = bounds[3] - bounds[2] + 1;
        return dims == 1   ? L"Array 1x" + std::to_wstring(first)
               : dims == 2 ? L"Array " + std::to_wstring(first) + L"x" + std::to_wstring(second)
                           : L"Array of " + std::to_wstring(dims) + L" dimensions";
    }
    if (value.vt & VT_BYREF) {
        ExcelValue copy;
        return SUCCEEDED(copy_of(value, copy)) ? describe(copy.get()) : L"?";
    }
    switch (value.vt) {
    case VT_EMPTY:
        return L"Empty";
    case VT_NULL:
        return L"Null";
    case VT_BOOL:
        return value.boolVal ? L"True" : L"False";
    case VT_BSTR: { // at most 40 characters, line breaks as \n
        const std::wstring_view text = com::bstr_view(value.bstrVal);
        std::wstring shown = L"\"";
        for (wchar_t c : text.substr(0, 40))
            shown += c == L'\n' ? L"\\n" : c == L'\r' ? L"\\r" : std::wstring(1, c);
        return shown + (text.size() > 40 ? L"...\"" : L"\"");
    }
    case VT_ERROR: {
        wchar_t text[24];
        std::swprintf(text, std::size(text), L"Error 0x%08lX", static_cast<unsigned long>(value.scode));
        return text;
    }
    case VT_DATE:
        return L"Date " + number_text(value.date);
    case VT_DISPATCH:
    case VT_UNKNOWN: {
        if (!value.punkVal)
            return L"Nothing";
        unsigned workbook = 0, sheet = 0;
        ExcelArea area;
        com::com_ptr<IDispatch> object = com::query<IDispatch>(value.punkVal);
        return range_of(object.get(), workbook, sheet, area) ? L"Range " + area.address() : L"Object";
    }
    default: {
        ExcelValue number;
        if (SUCCEEDED(coerce(value, VT_R8, number)))
            return number_text(number.get().dblVal);
        return L"VARIANT of type " + std::to_wstring(value.vt);
    }
    }
}

HRESULT copy_of(const VARIANT& value, ExcelValue& out) {
    return VariantCopyInd(out.put(), const_cast<VARIANT*>(&value));
}

HRESULT coerce(const VARIANT& value, VARTYPE type, ExcelValue& out) {
    ExcelValue copy;
    HRESULT hr = copy_of(value, copy);
    if (SUCCEEDED(hr))
        hr = VariantChangeType(out.put(), const_cast<VARIANT*>(&copy.get()), 0, type);
    return FAILED(hr) ? DISP_E_TYPEMISMATCH : S_OK;
}

const VARIANT& Request::argument(UINT index) const {
    return followed(params->rgvarg[params->cArgs - 1 - index]);
}

const VARIANT& Request::value() const {
    return followed(params->rgvarg[0]);
}

HRESULT Request::number(UINT index, LONG& out) const {
    ExcelValue converted;
    if (FAILED(coerce(argument(index), VT_I4, converted)))
        return DISP_E_TYPEMISMATCH;
    out = converted.get().lVal;
    return S_OK;
}

void Request::set(IDispatch* object) {
    VARIANT* out = result.put();
    out->vt = VT_DISPATCH;
    out->pdispVal = object;
    if (object)
        object->AddRef();
}

void Request::set(std::wstring_view text) {
    VARIANT* out = result.put();
    out->vt = VT_BSTR;
    out->bstrVal = com::unique_bstr(text).release();
}

void Request::set_bool(bool value) {
    VARIANT* out = result.put();
    out->vt = VT_BOOL;
    out->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

void Request::set_long(LONG value) {
    VARIANT* out = result.put();
    out->vt = VT_I4;
    out->lVal = value;
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
        auto& excel = ExcelStandIn::instance();
        const wchar_t* const how = putref                             ? L"putref"
                                   : put                              ? L"put"
                                   : member->access == Access::method ? L"call"
                                                                      : L"get";
        size_t entry = SIZE_MAX;
        if (excel.log_calls) {
            excel.calls.push_back({kind(), member_name(id), how, arguments_text(*params), target()});
            entry = excel.calls.size() - 1;
        } else {
            ++excel.tallies[{kind(), member_name(id), how}];
        }
        HRESULT hr = S_OK;
        if (putref) {
            hr = DISP_E_MEMBERNOTFOUND; // Excel's value properties take no references
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
        if (hr == S_OK)
            hr = scripted_failure(kind(), member_name(id), exception);
        Request request{id, put, params, exception, {}};
        if (hr == S_OK)
            hr = invoke(request);
        if (SUCCEEDED(hr) && result)
            *result = request.result.release();
        if (entry < excel.calls.size())
            excel.calls[entry].status = hr;
        return hr;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

} // namespace vex::test::excel

namespace vex::test {

long ExcelStandIn::live_objects() {
    return excel::g_live_objects;
}

} // namespace vex::test
