// Character and entity references in raw XML text ("&amp;", "&#233;", "&#xE9;").
#pragma once

#include <cstdint>
#include <string_view>

#include "core/text.h"

namespace vex::table::native {

// True for the characters XML allows in a document.
constexpr bool is_xml_char(std::uint32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

// Reads the reference whose body starts right after an "&" (raw[0] is the first character after it).
// On success gives its code point and its length up to and including the ";".
template <typename Char>
bool read_reference(std::basic_string_view<Char> raw, std::uint32_t& code, std::size_t& length) {
    std::size_t end = 0;
    while (end < raw.size() && raw[end] != Char(';')) {
        if (end > 12) {
            return false; // no reference is this long
        }
        ++end;
    }
    if (end == raw.size() || end == 0) {
        return false;
    }
    const auto body = raw.substr(0, end);
    length = end + 1;
    const auto is = [&body](const char* name) {
        std::size_t i = 0;
        for (; name[i] != 0; ++i) {
            if (i >= body.size() || body[i] != Char(name[i])) {
                return false;
            }
        }
        return i == body.size();
    };
    if (is("lt")) {
        code = '<';
    } else if (is("gt")) {
        code = '>';
    } else if (is("amp")) {
        code = '&';
    } else if (is("apos")) {
        code = '\'';
    } else if (is("quot")) {
        code = '"';
    } else if (body[0] == Char('#')) {
        const bool hex = body.size() > 1 && body[1] == Char('x');
        const auto digits = body.substr(hex ? 2 : 1);
        if (digits.empty() || digits.size() > 8) {
            return false;
        }
        std::uint32_t value = 0;
        for (const Char c : digits) {
            std::uint32_t digit = 0;
            if (c >= Char('0') && c <= Char('9')) {
                digit = static_cast<std::uint32_t>(c - Char('0'));
            } else if (hex && c >= Char('a') && c <= Char('f')) {
                digit = static_cast<std::uint32_t>(c - Char('a') + 10);
            } else if (hex && c >= Char('A') && c <= Char('F')) {
                digit = static_cast<std::uint32_t>(c - Char('A') + 10);
            } else {
                return false;
            }
            value = value * (hex ? 16 : 10) + digit;
        }
        if (!is_xml_char(value)) {
            return false;
        }
        code = value;
    } else {
        return false;
    }
    return true;
}

// True when every "&" in raw text starts one of the five predefined entity references or a
// character reference to a character that XML allows.
bool references_valid(std::string_view raw);

// Appends raw UTF-8 text to out as UTF-16, replacing each reference by its character.
void append_decoded(Text& out, std::string_view raw);
// The same for NUL-terminated text, in one pass.
void append_decoded(Text& out, const char* raw);
// Appends NUL-terminated UTF-8 text (a name, no references) to out as UTF-16, in one pass.
void append_plain(Text& out, const char* raw);

} // namespace vex::table::native
