#include "automation/automation_calls.h"

#include "automation/ole_shutdown.h"

#include <string>

namespace vex {
namespace {

// Locales of the calls: property reads and writes in the user's, methods in the system's, indexed
// reads neutral.
constexpr LCID property_locale = LOCALE_USER_DEFAULT; // 0x0400
constexpr LCID method_locale = LOCALE_SYSTEM_DEFAULT; // 0x0800
constexpr LCID neutral_locale = 0;

DISPPARAMS no_arguments() {
    return DISPPARAMS{nullptr, nullptr, 0, 0};
}

// Frees what a callee left in an exception block, filling it first when the callee deferred that.
std::wstring take_description(EXCEPINFO& info) {
    if (info.pfnDeferredFillIn)
        info.pfnDeferredFillIn(&info);
    std::wstring description(com::bstr_view(info.bstrDescription));
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
    info = {};
    return description;
}

} // namespace

HRESULT CVEX_AutomationCalls::setTrace(IDispatch* trace) {
    m_trace.set_from(trace);
    m_trace.enter2(L"setTrace");
    m_trace.leave2(L"setTrace", S_OK);
    return S_OK;
}

HRESULT CVEX_AutomationCalls::lookup(IDispatch* object, BSTR name, DISPID* id, const wchar_t* failure_text) {
    if (!object)
        return m_trace.fail(L"proxy == NULL", E_FAIL);
    LPOLESTR names[] = {name};
    VEX_RETURN_IF_FAILED(m_trace, failure_text,
                         object->GetIDsOfNames(IID_NULL, names, 1, neutral_locale, id));
    return S_OK;
}

HRESULT CVEX_AutomationCalls::getPropertyByName(com::com_ptr<IDispatch> object, com::unique_bstr name,
                                                VARIANT* value) {
    m_trace.enter2(L"getPropertyByName");
    DISPID id = 0;
    HRESULT hr = lookup(object.get(), name.get(), &id, L"proxy->GetIDsOfNames");
    if (FAILED(hr))
        return hr;
    DISPPARAMS params = no_arguments();
    hr = value ? object->Invoke(id, IID_NULL, property_locale, DISPATCH_PROPERTYGET, &params, value, nullptr,
                                nullptr)
               : E_POINTER;
    if (FAILED(hr))
        return m_trace.fail(L"GetProperty", hr);
    m_trace.leave2(L"getPropertyByName", S_OK);
    return S_OK;
}

HRESULT CVEX_AutomationCalls::putPropertyByName(com::com_ptr<IDispatch> object, com::unique_bstr name,
                                                VARIANT* value) {
    m_trace.enter2(L"putPropertyByName");
    DISPID id = 0;
    HRESULT hr = lookup(object.get(), name.get(), &id, L"proxy->GetIDsOfNames");
    if (FAILED(hr))
        return hr;
    if (!value)
        return m_trace.fail(L"PutProperty", E_POINTER);
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{value, &named, 1, 1};
    // Objects, arrays and references are offered by reference first; a callee that refuses that
    // gets a plain put.
    const VARTYPE type = value->vt;
    const bool by_reference_first =
        type == VT_DISPATCH || type == VT_UNKNOWN || (type & VT_ARRAY) != 0 || (type & VT_BYREF) != 0;
    hr = E_FAIL;
    if (by_reference_first)
        hr = object->Invoke(id, IID_NULL, property_locale, DISPATCH_PROPERTYPUTREF, &params, nullptr, nullptr,
                            nullptr);
    if (!by_reference_first || FAILED(hr))
        hr = object->Invoke(id, IID_NULL, property_locale, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr,
                            nullptr);
    if (FAILED(hr))
        return m_trace.fail(L"PutProperty", hr);
    m_trace.leave2(L"putPropertyByName", S_OK);
    return S_OK;
}

HRESULT CVEX_AutomationCalls::invokeMethodByName(com::com_ptr<IDispatch> object, com::unique_bstr name,
                                                 DISPPARAMS* args, VARIANT* result) {
    m_trace.enter2(L"invokeMethodByName");
    DISPID id = 0;
    HRESULT hr = lookup(object.get(), name.get(), &id, L"proxy->GetIDsOfNames");
    if (FAILED(hr))
        return hr;
    DISPPARAMS empty = no_arguments();
    EXCEPINFO exception{};
    UINT argument_error = 0;
    hr = object->Invoke(id, IID_NULL, method_locale, DISPATCH_METHOD, args ? args : &empty, result,
                        &exception, &argument_error);
    const std::wstring description = take_description(exception);
    if (FAILED(hr))
        return m_trace.fail(L"proxy->Invoke: " + description, hr);
    m_trace.leave2(L"invokeMethodByName", S_OK);
    return S_OK;
}

HRESULT CVEX_AutomationCalls::getIndexedPropertyByName(com::com_ptr<IDispatch> object, com::unique_bstr name,
                                                       DISPPARAMS* args, VARIANT* result) {
    m_trace.enter2(L"getIndexedPropertyByName");
    if (!object)
        return m_trace.fail(L"proxy == NULL", E_FAIL);
    try {
        DISPID id = 0;
        LPOLESTR names[] = {name.get()};
        HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, neutral_locale, &id);
        if (FAILED(hr))
            return m_trace.fail(L"getIDsOfNames", hr);
        DISPPARAMS empty = no_arguments();
        UINT argument_error = 0;
        hr = object->Invoke(id, IID_NULL, neutral_locale, DISPATCH_PROPERTYGET, args ? args : &empty, result,
                            nullptr, &argument_error);
        if (FAILED(hr)) {
            // Asking for a member that is not there is often a question, not an error (a missing sheet).
            m_trace.warning(L"proxy->Invoke: " + std::wstring(name.view()), hr);
            return hr;
        }
    } catch (...) {
        m_trace.error(L"catch exception", E_FAIL);
        m_trace.leave2(L"getIndexedPropertyByName", E_FAIL);
        return E_FAIL;
    }
    m_trace.leave2(L"getIndexedPropertyByName", S_OK);
    return S_OK;
}

HRESULT CVEX_AutomationCalls::getDispPropertyByName(com::com_ptr<IDispatch> object, com::unique_bstr name,
                                                    IDispatch** value) {
    m_trace.enter2(L"getDispPropertyByName");
    com::unique_variant property;
    VEX_RETURN_IF_FAILED(m_trace, L"getPropertyByName",
                         getPropertyByName(std::move(object), com::unique_bstr(name.view()), property.get()));
    if (property->vt != VT_DISPATCH || !property->pdispVal || !value)
        return E_FAIL;
    property->pdispVal->AddRef();
    *value = property->pdispVal;
    m_trace.leave2(L"getDispPropertyByName", S_OK);
    return S_OK;
}

HRESULT CVEX_AutomationCalls::release_member_oleobject(IUnknown* object) {
    return shut_down_ole_object(m_trace, object, member_object_shutdown);
}

} // namespace vex
