// Status codes of the table core: 32-bit signed values equal to the COM HRESULTs they stand for,
// so that the Windows side can hand them through unchanged.
#pragma once

#include <cstdint>

namespace vex::table {

using Status = std::int32_t;

inline constexpr Status status_ok = 0;                                           // S_OK
inline constexpr Status status_false = 1;                                        // S_FALSE
inline constexpr Status status_fail = static_cast<Status>(0x80004005u);          // E_FAIL
inline constexpr Status status_pointer = static_cast<Status>(0x80004003u);       // E_POINTER
inline constexpr Status status_out_of_memory = static_cast<Status>(0x8007000Eu); // E_OUTOFMEMORY

// A status is a failure when negative; non-negative values other than 0 are successes too.
constexpr bool failed(Status status) {
    return status < 0;
}
constexpr bool succeeded(Status status) {
    return status >= 0;
}

} // namespace vex::table
