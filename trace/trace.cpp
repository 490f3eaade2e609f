#include "trace/trace.h"

#include "module/class_table.h"

namespace vex {
namespace {

// Records reach the service only from this level on; lower levels silence the component.
constexpr LONG forwarding_level = 5;

} // namespace

CVEX_Trace_Karvo::CVEX_Trace_Karvo() : ControlBase(module::control_class(module::ClassIndex::trace)) {}

std::span<const com::InterfaceEntry> CVEX_Trace_Karvo::interfaces() {
    static const com::InterfaceEntry entries[] = {
        VEX_INTERFACE_ENTRY(CVEX_Trace_Karvo, IVEX_Trace),
        VEX_INTERFACE_ENTRY_IID(CVEX_Trace_Karvo, IID_IDispatch, IVEX_Trace),
        VEX_CONTROL_INTERFACE_ENTRIES(CVEX_Trace_Karvo),
        VEX_INTERFACE_ENTRY(CVEX_Trace_Karvo, IVEX_TraceFilter),
    };
    return entries;
}

BOOL CVEX_Trace_Karvo::recording() {
    return forwarding() != nullptr;
}

IHostTraceService* CVEX_Trace_Karvo::forwarding() const noexcept {
    return m_level >= forwarding_level ? m_hosttrace.get() : nullptr;
}

STDMETHODIMP CVEX_Trace_Karvo::InitialiseTrace(BSTR objname, IUnknown* obj) {
    // A service that cannot be created leaves the component silent; that is an ordinary state.
    CoCreateInstance(CLSID_HostTraceService, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IHostTraceService),
                     m_hosttrace.put_void());
    m_className = com::unique_bstr::copy_of(objname);
    if (m_hosttrace) {
        const HRESULT hr = m_hosttrace->Open(L"KEMOfficeIntegration", L"DocumentProxy", m_className.get(),
                                             &CLSID_VEX_Trace_Karvo, obj);
        if (FAILED(hr))
            m_hosttrace = nullptr;
    }
    return S_OK;
}

STDMETHODIMP CVEX_Trace_Karvo::setTraceObject(IUnknown* trace) {
    com::unique_bstr name = com::unique_bstr::copy_of(m_className.get());
    return InitialiseTrace(name.get(), trace);
}

STDMETHODIMP CVEX_Trace_Karvo::TraceError(BSTR pText, HRESULT nresult) {
    if (IHostTraceService* service = forwarding()) {
        service->Message(host_trace_error, pText, nresult);
        service->EndRecord();
    }
    return S_OK;
}

STDMETHODIMP CVEX_Trace_Karvo::TraceWarning(BSTR pText, HRESULT nresult) {
    if (IHostTraceService* service = forwarding()) {
        service->Message(host_trace_warning, pText, nresult);
        service->EndRecord();
    }
    return S_OK;
}

STDMETHODIMP CVEX_Trace_Karvo::TraceEnter(BSTR methodname) {
    if (IHostTraceService* service = forwarding()) {
        service->Enter(methodname);
        service->EndRecord();
    }
    return S_OK;
}

STDMETHODIMP CVEX_Trace_Karvo::TraceLeave(BSTR methodname, HRESULT nresult) {
    if (IHostTraceService* service = forwarding()) {
        service->Leave(methodname, nresult);
        service->EndRecord();
    }
    return S_OK;
}

STDMETHODIMP CVEX_Trace_Karvo::TraceException(BSTR pText, HRESULT) {
    if (IHostTraceService* service = forwarding()) {
        service->Exception(pText); // the service takes no status for exceptions
        service->EndRecord();
    }
    return S_OK;
}

// The finer level uses the same threshold as the plain methods.
STDMETHODIMP CVEX_Trace_Karvo::TraceEnterLevel2(BSTR methodname) {
    return TraceEnter(methodname);
}

STDMETHODIMP CVEX_Trace_Karvo::TraceLeaveLevel2(BSTR methodname, HRESULT nresult) {
    return TraceLeave(methodname, nresult);
}

STDMETHODIMP CVEX_Trace_Karvo::setTraceLevel(LONG level) {
    m_level = level;
    return S_OK;
}

// Accepted and without effect: the component keeps no timing and takes its name from InitialiseTrace.
STDMETHODIMP CVEX_Trace_Karvo::InitTrace(BSTR) {
    return S_OK;
}

STDMETHODIMP CVEX_Trace_Karvo::setClassName(BSTR) {
    return S_OK;
}

STDMETHODIMP CVEX_Trace_Karvo::getTraceObject(IUnknown**) {
    return S_OK;
}

STDMETHODIMP CVEX_Trace_Karvo::TraceTimeEnter(BSTR) {
    return S_OK;
}

STDMETHODIMP CVEX_Trace_Karvo::TraceTimeLeave(BSTR) {
    return S_OK;
}

HRESULT create_trace_component(IUnknown* outer, REFIID iid, void** out) noexcept {
    return com::ComObject<CVEX_Trace_Karvo>::create(outer, iid, out);
}

} // namespace vex
