// The text type of the table core and the conversions the parser needs.
//
// Texts are UTF-16, as the Windows side hands them over in BSTRs: lengths and cuts count UTF-16 code
// units. Numbers are read the way the table document defines them, independent of any locale.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vex::table {

using Text = std::u16string;
using TextView = std::u16string_view;

// Widens UTF-8 to UTF-16. Malformed sequences become U+FFFD.
Text from_utf8(std::string_view utf8);
// Appends the UTF-16 form of utf8 to out (out is not cleared).
void append_utf8(Text& out, std::string_view utf8);
// Decodes the UTF-8 sequence at utf8[i] and moves i past it; a malformed sequence gives U+FFFD and
// moves i by one byte.
char32_t decode_utf8(std::string_view utf8, std::size_t& i);
// Writes code as one or two UTF-16 units at out and returns the position after them.
char16_t* write_utf16(char16_t* out, char32_t code);
// Narrows UTF-16 to UTF-8. An unpaired surrogate becomes U+FFFD.
std::string to_utf8(TextView text);

// Decimal text of a signed integer ("-12").
Text decimal_text(std::int64_t value);

// Integer as the document reads it: optional leading white space, optional sign, decimal digits;
// reading stops at the first other character; no digits reads as 0. Saturates at the 32-bit range.
std::int32_t read_integer(TextView text);

// Decimal number as a classic-locale string-to-double conversion reads it: optional white space and
// sign, digits with "." as decimal point, optional exponent; stops at the first other character;
// no number reads as 0.
double read_double(TextView text);

// Whole-text equality, length first: the parser compares many names against fixed ones.
inline bool same_text(TextView a, TextView b) {
    return a.size() == b.size() && a == b;
}

// Concatenation helper for message texts: a + b.
inline Text concat(TextView a, TextView b) {
    Text result;
    result.reserve(a.size() + b.size());
    result.append(a);
    result.append(b);
    return result;
}

} // namespace vex::table
