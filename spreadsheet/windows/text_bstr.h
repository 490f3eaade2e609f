// Conversions between the table core's UTF-16 text and the Windows string types. On Windows a
// wchar_t is one UTF-16 code unit, so the conversions copy code units one for one: lengths, embedded
// NULs and unpaired surrogates come through unchanged.
#pragma once

#include "com/bstr.h"
#include "core/text.h"

#include <algorithm>
#include <string_view>

namespace vex::table::windows {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "a wchar_t must be one UTF-16 code unit");

// The same code units seen as a wide string, for calls that copy them (SysAllocStringLen and the
// tracer, which allocates its BSTR from the view).
inline std::wstring_view wide_view(TextView text) noexcept {
    return {reinterpret_cast<const wchar_t*>(text.data()), text.size()};
}

// The code units of a BSTR as text, without a copy (a null BSTR is the empty text).
inline TextView text_view(BSTR bstr) noexcept {
    const std::wstring_view wide = com::bstr_view(bstr);
    return {reinterpret_cast<const char16_t*>(wide.data()), wide.size()};
}

// A fresh BSTR of the text (null only when out of memory).
inline com::unique_bstr to_bstr(TextView text) {
    return com::unique_bstr(wide_view(text));
}

// Replaces out with the code units of a wide string (a null BSTR is the empty text).
inline void assign_text(Text& out, std::wstring_view wide) {
    out.resize(wide.size());
    std::copy(wide.begin(), wide.end(), out.begin());
}

inline void assign_text(Text& out, BSTR bstr) {
    assign_text(out, com::bstr_view(bstr));
}

inline Text to_text(BSTR bstr) {
    Text out;
    assign_text(out, bstr);
    return out;
}

} // namespace vex::table::windows
