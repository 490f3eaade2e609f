// A scriptable view of the stand-ins' logs for JScript tests ("VexStandins.Log").
#pragma once

#include <objbase.h>

namespace vex::test {

// {5B0C8D0E-7A51-4D55-9C2E-6E1F0B7A9D01}
inline constexpr CLSID script_log_clsid = {
    0x5b0c8d0e, 0x7a51, 0x4d55, {0x9c, 0x2e, 0x6e, 0x1f, 0x0b, 0x7a, 0x9d, 0x01}};

HRESULT create_script_log(IUnknown* outer, REFIID iid, void** out) noexcept;

} // namespace vex::test
