// The trace component: forwards method entry, exit, warnings, errors and exceptions to the host's
// trace service.
#pragma once

#include "com/bstr.h"
#include "com/control/control.h"
#include "com/dispatch.h"
#include "com/object.h"
#include "module/interfaces.h"
#include "trace/host_trace_service.h"

#include <span>

namespace vex {

class CVEX_Trace_Karvo : public com::ObjectRoot,
                         public com::DispatchImpl<IVEX_Trace>,
                         public com::ControlBase,
                         public IVEX_TraceFilter {
public:
    static std::span<const com::InterfaceEntry> interfaces();

    STDMETHODIMP InitTrace(BSTR objname) override;
    STDMETHODIMP TraceError(BSTR pText, HRESULT nresult) override;
    STDMETHODIMP TraceWarning(BSTR pText, HRESULT nresult) override;
    STDMETHODIMP TraceEnter(BSTR methodname) override;
    STDMETHODIMP TraceLeave(BSTR methodname, HRESULT nresult) override;
    STDMETHODIMP TraceException(BSTR pText, HRESULT nresult) override;
    STDMETHODIMP setTraceLevel(LONG level) override;
    STDMETHODIMP InitialiseTrace(BSTR objname, IUnknown* obj) override;
    STDMETHODIMP setTraceObject(IUnknown* trace) override;
    STDMETHODIMP setClassName(BSTR name) override;
    STDMETHODIMP getTraceObject(IUnknown** trace) override;
    STDMETHODIMP TraceEnterLevel2(BSTR methodname) override;
    STDMETHODIMP TraceLeaveLevel2(BSTR methodname, HRESULT nresult) override;
    STDMETHODIMP TraceTimeEnter(BSTR methodname) override;
    STDMETHODIMP TraceTimeLeave(BSTR methodname) override;
    // True while records reach the host's service.
    BOOL STDMETHODCALLTYPE recording() override;

protected:
    CVEX_Trace_Karvo();

private:
    // The host service to forward to, or null when forwarding is off (level 4 or less, or no service).
    IHostTraceService* forwarding() const noexcept;

    com::com_ptr<IHostTraceService> m_hosttrace;
    LONG m_level = 5;
    com::unique_bstr m_className;
};

HRESULT create_trace_component(IUnknown* outer, REFIID iid, void** out) noexcept;

} // namespace vex
