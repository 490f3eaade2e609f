// IDispatch by hand for the stand-ins that script hosts drive: a member table looked up without
// regard to case, as script hosts expect, and small helpers for arguments and results.
#pragma once

#include "com/bstr.h"

#include <oaidl.h>

#include <cwchar>
#include <span>
#include <string_view>

namespace vex::test {

struct ScriptMember {
    const wchar_t* name;
    DISPID id;
};

inline HRESULT ids_of_names(std::span<const ScriptMember> members, LPOLESTR* names, UINT count, DISPID* ids) {
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
        for (const ScriptMember& m : members)
            if (_wcsicmp(names[i], m.name) == 0)
                ids[i] = m.id;
        if (ids[i] == DISPID_UNKNOWN)
            hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

// The argument at index (0 is the first the script wrote; they arrive last first), as type.
inline HRESULT script_argument(const DISPPARAMS* params, UINT index, VARTYPE type, VARIANT* out) {
    if (!params || index >= params->cArgs)
        return DISP_E_BADPARAMCOUNT;
    return VariantChangeType(out, &params->rgvarg[params->cArgs - 1 - index], 0, type);
}

inline HRESULT string_result(VARIANT* result, std::wstring_view text) {
    if (result) {
        result->vt = VT_BSTR;
        result->bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    }
    return S_OK;
}

} // namespace vex::test
