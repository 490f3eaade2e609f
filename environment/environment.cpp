#include "environment/environment.h"

#include "automation/ole_shutdown.h"
#include "module/class_table.h"
#include "trace/trace_objects.h"

namespace vex {

CVEX_Environment_Karvo::CVEX_Environment_Karvo()
    : ControlBase(module::control_class(module::ClassIndex::environment)) {
    pTraceObject.describe(control_class().errors);
}

std::span<const com::InterfaceEntry> CVEX_Environment_Karvo::interfaces() {
    static const com::InterfaceEntry entries[] = {
        VEX_INTERFACE_ENTRY(CVEX_Environment_Karvo, IVEX_Environment),
        VEX_INTERFACE_ENTRY_IID(CVEX_Environment_Karvo, IID_IDispatch, IVEX_Environment),
        VEX_DOCUMENT_CONTROL_INTERFACE_ENTRIES(CVEX_Environment_Karvo),
    };
    return entries;
}

HRESULT CVEX_Environment_Karvo::FinalConstruct() {
    pTraceObject.set(create_own_trace(L"CVEX_Environment_Karvo", static_cast<IVEX_Environment*>(this)));
    pTraceObject.enter(L"FinalConstruct");
    pTraceObject.leave(L"FinalConstruct", S_OK);
    return S_OK;
}

void CVEX_Environment_Karvo::FinalRelease() {
    pTraceObject.enter(L"FinalRelease");
    m_pfactory = nullptr;
    pTraceObject.warning(L"NOW trace", S_OK);
    if (pTraceObject) {
        // The trace object reports its own shut-down, then goes.
        com::com_ptr<IVEX_Trace> trace_object(pTraceObject.get());
        shut_down_ole_object(pTraceObject, trace_object.get(), trace_object_shutdown);
        pTraceObject.reset();
    }
    pTraceObject.leave(L"FinalRelease", S_OK);
}

HRESULT CVEX_Environment_Karvo::accepted(const wchar_t* name) const noexcept {
    const auto scope = pTraceObject.call(name);
    pTraceObject.leave(name, S_OK);
    return S_OK;
}

STDMETHODIMP CVEX_Environment_Karvo::getSupportedApplications(VARIANT*) {
    return accepted(L"get_supportedapplications");
}

STDMETHODIMP CVEX_Environment_Karvo::setTrace(IDispatch* trace) {
    pTraceObject.set_from(trace);
    return accepted(L"setTrace");
}

STDMETHODIMP CVEX_Environment_Karvo::setInplace(LONG newval) {
    const auto scope = pTraceObject.call(L"setInplace");
    m_inplace = newval;
    pTraceObject.leave(L"setInplace", S_OK);
    return S_OK;
}

STDMETHODIMP CVEX_Environment_Karvo::getInplace(LONG* newval) {
    const auto scope = pTraceObject.call(L"getInplace");
    if (!newval)
        return pTraceObject.fail(L"newval == NULL", E_POINTER);
    *newval = m_inplace;
    pTraceObject.leave(L"getInplace", S_OK);
    return S_OK;
}

STDMETHODIMP CVEX_Environment_Karvo::setAutosave(LONG, LONG) {
    return accepted(L"setAutosave");
}

STDMETHODIMP CVEX_Environment_Karvo::setTraceTyp(LONG) {
    return accepted(L"setTraceTyp");
}

STDMETHODIMP CVEX_Environment_Karvo::setProtection(LONG) {
    return accepted(L"setProtection");
}

STDMETHODIMP CVEX_Environment_Karvo::getVersion(BSTR*) {
    return accepted(L"getVersion");
}

STDMETHODIMP CVEX_Environment_Karvo::setVersion(BSTR) {
    return accepted(L"setVersion");
}

STDMETHODIMP CVEX_Environment_Karvo::Initialize(IVEX_Factory* factory) {
    const auto scope = pTraceObject.call(L"Initialize");
    if (!factory) {
        pTraceObject.error(L"factory is null!", S_OK);
        return E_FAIL;
    }
    m_pfactory = factory;
    return S_OK;
}

HRESULT create_environment_component(IUnknown* outer, REFIID iid, void** out) noexcept {
    return com::ComObject<CVEX_Environment_Karvo>::create(outer, iid, out);
}

} // namespace vex
