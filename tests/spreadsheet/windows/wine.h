// Whether the tests run under Wine, whose MSXML differs from real MSXML in places the tests name.
#pragma once

#include <windows.h>

namespace vex::table::testing {

inline bool running_under_wine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

} // namespace vex::table::testing
