// The type library embedded in the module (resource TYPELIB 1), loaded once and shared by the
// IDispatch and IProvideClassInfo implementations of every class.
#pragma once

#include <oaidl.h>

namespace vex::com {

// Type information of a dual interface: the dispatch half (handed to callers of GetTypeInfo) and
// the interface half (used to look up names and to invoke through the vtable).
struct DualTypeInfo {
    ITypeInfo* dispatch = nullptr;
    ITypeInfo* vtable = nullptr;
};

// Borrowed pointers, valid until release_type_information(); the cache keeps the references.
HRESULT dual_type_info(REFIID iid, DualTypeInfo* out) noexcept;
// A new reference to the type information of any GUID in the library (a coclass, an interface).
HRESULT type_info_of(REFGUID guid, ITypeInfo** out) noexcept;
// A new reference to the module's type library.
HRESULT module_type_library(ITypeLib** out) noexcept;
// Drops the cache; called when the module is unloaded.
void release_type_information() noexcept;

} // namespace vex::com
