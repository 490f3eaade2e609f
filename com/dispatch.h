// IDispatch for a dual interface, answered from the module's type library.
#pragma once

#include "com/type_library.h"

#include <oaidl.h>

namespace vex::com {

HRESULT dispatch_get_type_info(REFIID iid, UINT index, ITypeInfo** out) noexcept;
HRESULT dispatch_get_ids_of_names(REFIID iid, REFIID riid, LPOLESTR* names, UINT count, DISPID* ids) noexcept;
HRESULT dispatch_invoke(REFIID iid, void* self, DISPID id, REFIID riid, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* exception, UINT* arg_error) noexcept;

// Interface is the C++ interface the class implements (it may carry slots after the described
// ones); Described is the interface the type library describes, whose IID identifies it.
template <class Interface, class Described = Interface>
class DispatchImpl : public Interface {
public:
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (!count)
            return E_POINTER;
        *count = 1;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** out) override {
        return dispatch_get_type_info(__uuidof(Described), index, out);
    }
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        return dispatch_get_ids_of_names(__uuidof(Described), riid, names, count, ids);
    }
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* arg_error) override {
        return dispatch_invoke(__uuidof(Described), static_cast<Described*>(this), id, riid, flags, params,
                               result, exception, arg_error);
    }

protected:
    DispatchImpl() = default;
    ~DispatchImpl() = default;
};

} // namespace vex::com
