// Late-bound calls by member name on any automation object (Word, Excel), each failure traced with a
// fixed text, and the OLE shut-down of member objects.
#pragma once

#include "com/bstr.h"
#include "com/com_ptr.h"
#include "trace/tracer.h"

#include <oaidl.h>

namespace vex {

class CVEX_AutomationCalls {
public:
    // Traces through the object's IVEX_Trace from now on.
    HRESULT setTrace(IDispatch* trace);

    // Each operation holds its own reference to the object for the call and owns the member name it
    // is handed (callers pass a fresh one), freeing it whatever the outcome. The result is S_OK or
    // the failing call's status, unchanged.
    HRESULT getPropertyByName(com::com_ptr<IDispatch> object, com::unique_bstr name, VARIANT* value);
    HRESULT putPropertyByName(com::com_ptr<IDispatch> object, com::unique_bstr name, VARIANT* value);
    // args may be null for no arguments; result may be null.
    HRESULT invokeMethodByName(com::com_ptr<IDispatch> object, com::unique_bstr name, DISPPARAMS* args,
                               VARIANT* result);
    // For members that take arguments (a collection item, a cell range); catches what a step throws.
    HRESULT getIndexedPropertyByName(com::com_ptr<IDispatch> object, com::unique_bstr name, DISPPARAMS* args,
                                     VARIANT* result);
    // A property that must be an object; anything else is E_FAIL with the out value untouched.
    HRESULT getDispPropertyByName(com::com_ptr<IDispatch> object, com::unique_bstr name, IDispatch** value);
    // Closes an embedded OLE object without saving and deactivates it; the caller releases it after.
    HRESULT release_member_oleobject(IUnknown* object);

    const Tracer& trace() const noexcept { return m_trace; }

private:
    HRESULT lookup(IDispatch* object, BSTR name, DISPID* id, const wchar_t* failure_text);

    Tracer m_trace;
};

} // namespace vex
