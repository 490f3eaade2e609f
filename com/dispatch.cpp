#include "com/dispatch.h"

#include "com/error_info.h"

namespace vex::com {

HRESULT dispatch_get_type_info(REFIID iid, UINT index, ITypeInfo** out) noexcept {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (index != 0)
        return DISP_E_BADINDEX;
    DualTypeInfo info;
    const HRESULT hr = dual_type_info(iid, &info);
    if (FAILED(hr))
        return hr;
    info.dispatch->AddRef();
    *out = info.dispatch;
    return S_OK;
}

HRESULT dispatch_get_ids_of_names(REFIID iid, REFIID riid, LPOLESTR* names, UINT count,
                                  DISPID* ids) noexcept {
    if (!IsEqualIID(riid, IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    DualTypeInfo info;
    const HRESULT hr = dual_type_info(iid, &info);
    if (FAILED(hr))
        return hr;
    return info.vtable->GetIDsOfNames(names, count, ids);
}

HRESULT dispatch_invoke(REFIID iid, void* self, DISPID id, REFIID riid, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* exception, UINT* arg_error) noexcept {
    if (!IsEqualIID(riid, IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    DualTypeInfo info;
    const HRESULT hr = dual_type_info(iid, &info);
    if (FAILED(hr))
        return hr;
    // A method that failed says why in the exception block, which script hosts show; the status
    // stays the method's. Failures before any method ran (unknown member, wrong arguments) pass as
    // they are.
    const unsigned long before = completed_calls();
    const HRESULT invoked = info.vtable->Invoke(self, id, flags, params, result, exception, arg_error);
    if (FAILED(invoked) && invoked != DISP_E_EXCEPTION && exception && completed_calls() != before &&
        fill_exception(invoked, *exception))
        return DISP_E_EXCEPTION;
    return invoked;
}

} // namespace vex::com
