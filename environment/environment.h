// The environment: the in-place activation mode shared by the components of one factory, and its
// other settings, which are accepted and traced but not kept.
#pragma once

#include "com/control/control.h"
#include "com/dispatch.h"
#include "com/object.h"
#include "module/interfaces.h"
#include "trace/tracer.h"

#include <span>

namespace vex {

class CVEX_Environment_Karvo : public com::ObjectRoot,
                               public com::DispatchImpl<IVEX_Environment>,
                               public com::ControlBase {
public:
    static std::span<const com::InterfaceEntry> interfaces();
    HRESULT FinalConstruct();
    void FinalRelease();

    STDMETHODIMP getSupportedApplications(VARIANT* pVal) override;
    STDMETHODIMP setTrace(IDispatch* trace) override;
    STDMETHODIMP setInplace(LONG newval) override;
    STDMETHODIMP getInplace(LONG* newval) override;
    STDMETHODIMP setAutosave(LONG type, LONG timer) override;
    STDMETHODIMP setTraceTyp(LONG type) override;
    STDMETHODIMP setProtection(LONG type) override;
    STDMETHODIMP getVersion(BSTR* result) override;
    STDMETHODIMP Initialize(IVEX_Factory* factory) override;
    STDMETHODIMP setVersion(BSTR result) override;

protected:
    CVEX_Environment_Karvo();

private:
    // Traces entry and exit of a method that has no effect.
    HRESULT accepted(const wchar_t* name) const noexcept;

    Tracer pTraceObject;
    com::com_ptr<IVEX_Factory> m_pfactory;
    LONG m_inplace = 1; // 1 in place, 0 out of place; other values are kept as given
};

HRESULT create_environment_component(IUnknown* outer, REFIID iid, void** out) noexcept;

} // namespace vex
