#include "trace/trace_objects.h"

#include "com/bstr.h"

namespace vex {

com::com_ptr<IVEX_Trace> create_own_trace(std::wstring_view object_name, IUnknown* owner) noexcept {
    com::com_ptr<IVEX_Trace> trace;
    if (FAILED(CoCreateInstance(CLSID_VEX_Trace_Karvo, nullptr, CLSCTX_INPROC_SERVER, IID_IVEX_Trace,
                                trace.put_void())))
        return nullptr;
    com::unique_bstr name(object_name);
    if (!trace || FAILED(trace->InitialiseTrace(name.get(), owner)))
        return nullptr;
    return trace;
}

HRESULT create_trace_object(std::wstring_view object_name, IUnknown* owner,
                            com::com_ptr<IVEX_Trace>& trace) noexcept {
    CLSID clsid{};
    HRESULT hr = CLSIDFromProgID(L"KEM.VEX_Trace_Gui", &clsid);
    com::com_ptr<IVEX_Trace> created;
    if (SUCCEEDED(hr))
        hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IVEX_Trace, created.put_void());
    if (FAILED(hr))
        return hr;
    if (!created)
        return E_FAIL;
    com::unique_bstr name(object_name);
    created->InitialiseTrace(name.get(), owner);
    trace = std::move(created);
    return S_OK;
}

} // namespace vex
