// Checking and decoding references in raw XML text.
#include "native/xml_references.h"

#include <cstdint>
#include <cstring>

namespace vex::table::native {

namespace {

bool is_xml_char(std::uint32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

// Reads the reference that starts after "&" at raw[0]; on success gives its code point and length
// (including the ";").
bool read_reference(std::string_view raw, std::uint32_t& code, std::size_t& length) {
    const std::size_t end = raw.find(';');
    if (end == std::string_view::npos || end == 0) {
        return false;
    }
    const std::string_view body = raw.substr(0, end);
    length = end + 1;
    if (body == "lt") {
        code = '<';
    } else if (body == "gt") {
        code = '>';
    } else if (body == "amp") {
        code = '&';
    } else if (body == "apos") {
        code = '\'';
    } else if (body == "quot") {
        code = '"';
    } else if (body[0] == '#') {
        const bool hex = body.size() > 1 && body[1] == 'x';
        const std::string_view digits = body.substr(hex ? 2 : 1);
        if (digits.empty() || digits.size() > 8) {
            return false;
        }
        std::uint32_t value = 0;
        for (const char c : digits) {
            std::uint32_t digit = 0;
            if (c >= '0' && c <= '9') {
                digit = static_cast<std::uint32_t>(c - '0');
            } else if (hex && c >= 'a' && c <= 'f') {
                digit = static_cast<std::uint32_t>(c - 'a' + 10);
            } else if (hex && c >= 'A' && c <= 'F') {
                digit = static_cast<std::uint32_t>(c - 'A' + 10);
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

void append_code_point(Text& out, std::uint32_t code) {
    if (code >= 0x10000) {
        code -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
    } else {
        out.push_back(static_cast<char16_t>(code));
    }
}

} // namespace

bool references_valid(std::string_view raw) {
    std::size_t at = raw.find('&');
    while (at != std::string_view::npos) {
        std::uint32_t code = 0;
        std::size_t length = 0;
        if (!read_reference(raw.substr(at + 1), code, length)) {
            return false;
        }
        at = raw.find('&', at + 1 + length);
    }
    return true;
}

void append_decoded(Text& out, std::string_view raw) {
    std::size_t start = 0;
    std::size_t at = raw.find('&');
    while (at != std::string_view::npos) {
        append_utf8(out, raw.substr(start, at - start));
        std::uint32_t code = 0;
        std::size_t length = 0;
        if (read_reference(raw.substr(at + 1), code, length)) {
            append_code_point(out, code);
            start = at + 1 + length;
        } else {
            // Not reachable for a checked document; keep the text as it stands.
            out.push_back(u'&');
            start = at + 1;
        }
        at = raw.find('&', start);
    }
    append_utf8(out, raw.substr(start));
}

} // namespace vex::table::native
