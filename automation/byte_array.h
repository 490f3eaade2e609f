// Byte data as script hosts hand it over and receive it: a VARIANT holding a one-dimensional
// SAFEARRAY of bytes with lower bound 1.
#pragma once

#include "trace/tracer.h"

#include <oaidl.h>

#include <memory>
#include <string_view>

namespace vex {

// Packs count bytes into a new byte array VARIANT (VT_ARRAY | VT_UI1, bounds 1 to count). Every exit
// is traced under name, at the given level; a failure leaves out as it was.
HRESULT pack_byte_array(const Tracer& trace, TraceLevel level, std::wstring_view name, ULONG count,
                        const BYTE* bytes, VARIANT* out) noexcept;

// getBytes: the status for an array of fewer than two elements, which carries no data (a success
// code, not S_OK).
inline constexpr HRESULT no_byte_data = 8;

// Copies the bytes of a byte array VARIANT (also by reference) into a new buffer.
HRESULT unpack_byte_array(const Tracer& trace, const VARIANT& data, std::unique_ptr<BYTE[]>& buffer,
                          ULONG& count) noexcept;

} // namespace vex
