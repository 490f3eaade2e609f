#include "scripted_dispatch.h"

#include <cwchar>

namespace vex::test {

std::span<const com::InterfaceEntry> ScriptedDispatch::interfaces() {
    static const com::InterfaceEntry entries[] = {VEX_INTERFACE_ENTRY(ScriptedDispatch, IDispatch)};
    return entries;
}

com::com_ptr<ScriptedDispatch> ScriptedDispatch::make() {
    com::ComObject<ScriptedDispatch>* created = nullptr;
    com::ComObject<ScriptedDispatch>::create_instance(&created);
    return com::com_ptr<ScriptedDispatch>::attach(created);
}

ScriptedDispatch::~ScriptedDispatch() {
    for (Member& m : m_members)
        VariantClear(&m.value);
}

void ScriptedDispatch::add(const std::wstring& name, Handler handler) {
    m_members.push_back({name, std::move(handler), {}});
}

void ScriptedDispatch::add_property(const std::wstring& name, const VARIANT& value) {
    const size_t index = m_members.size();
    m_members.push_back({name, nullptr, {}});
    VariantCopy(&m_members[index].value, const_cast<VARIANT*>(&value));
    m_members[index].handler = [this, index](WORD flags, DISPPARAMS* params, VARIANT* result,
                                             EXCEPINFO*) -> HRESULT {
        Member& m = m_members[index];
        if (flags & DISPATCH_PROPERTYGET)
            return result ? VariantCopy(result, &m.value) : S_OK;
        if (flags & DISPATCH_PROPERTYPUT) {
            if (params->cArgs != 1)
                return DISP_E_BADPARAMCOUNT;
            return VariantCopy(&m.value, &params->rgvarg[0]);
        }
        return DISP_E_MEMBERNOTFOUND; // by-reference puts are refused
    };
}

const VARIANT& ScriptedDispatch::property(const std::wstring& name) const {
    for (const Member& m : m_members)
        if (m.name == name)
            return m.value;
    static VARIANT empty{};
    return empty;
}

STDMETHODIMP ScriptedDispatch::GetTypeInfoCount(UINT* count) {
    *count = 0;
    return S_OK;
}

STDMETHODIMP ScriptedDispatch::GetTypeInfo(UINT, LCID, ITypeInfo**) {
    return E_NOTIMPL;
}

STDMETHODIMP ScriptedDispatch::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
        looked_up.emplace_back(names[i]);
        ids[i] = DISPID_UNKNOWN;
        for (size_t m = 0; m < m_members.size(); ++m)
            if (_wcsicmp(names[i], m_members[m].name.c_str()) == 0)
                ids[i] = static_cast<DISPID>(m + 1);
        if (ids[i] == DISPID_UNKNOWN)
            hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

STDMETHODIMP ScriptedDispatch::Invoke(DISPID id, REFIID, LCID locale, WORD flags, DISPPARAMS* params,
                                      VARIANT* result, EXCEPINFO* exception, UINT*) {
    if (id < 1 || static_cast<size_t>(id) > m_members.size())
        return DISP_E_MEMBERNOTFOUND;
    Member& m = m_members[id - 1];
    calls.push_back({m.name, flags, locale, params ? params->cArgs : 0, params ? params->cNamedArgs : 0,
                     exception != nullptr});
    return m.handler(flags, params, result, exception);
}

} // namespace vex::test
