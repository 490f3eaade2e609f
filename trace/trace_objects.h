// Creating the trace objects that components report through.
#pragma once

#include "com/com_ptr.h"
#include "module/interfaces.h"

#include <string_view>

namespace vex {

// A component's own trace object: the trace class created in-process by its CLSID and opened for
// object_name on behalf of owner. Null when it cannot be created or opened; the component then runs
// untraced.
com::com_ptr<IVEX_Trace> create_own_trace(std::wstring_view object_name, IUnknown* owner) noexcept;

// A trace object for a component to hand on or keep: the trace class created in-process by its
// ProgID ("KEM.VEX_Trace_Gui") and opened for object_name on behalf of owner. The status is that of
// the creation (E_FAIL for one that hands out nothing); a trace object that cannot open stays silent.
HRESULT create_trace_object(std::wstring_view object_name, IUnknown* owner,
                            com::com_ptr<IVEX_Trace>& trace) noexcept;

} // namespace vex
