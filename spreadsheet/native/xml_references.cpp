// Checking and decoding references in raw XML text.
#include "native/xml_references.h"

#include <cstring>

namespace vex::table::native {

namespace {

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
        if (!read_reference<char>(raw.substr(at + 1), code, length)) {
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
        if (read_reference<char>(raw.substr(at + 1), code, length)) {
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

namespace {

// Converts NUL-terminated raw text into out, decoding references when decode is set. Texts are
// short (names, cell values): one pass appending unit by unit beats measuring them first.
template <bool decode>
void append_runs(Text& out, const char* raw) {
    const char* p = raw;
    for (;;) {
        unsigned char c = 0;
        while ((c = static_cast<unsigned char>(*p)) != 0 && c < 0x80 && (!decode || c != '&')) {
            out.push_back(static_cast<char16_t>(c));
            ++p;
        }
        if (c == 0) {
            return;
        }
        char16_t units[2];
        std::size_t available = 0;
        while (available < 16 && p[available] != 0) {
            ++available;
        }
        if (decode && c == '&') {
            std::uint32_t code = 0;
            std::size_t length = 0;
            if (read_reference<char>(std::string_view(p + 1, available - 1), code, length)) {
                out.append(units, write_utf16(units, code));
                p += 1 + length;
            } else {
                out.push_back(u'&');
                ++p;
            }
        } else {
            std::size_t used = 0;
            out.append(units, write_utf16(units, decode_utf8(std::string_view(p, available), used)));
            p += used;
        }
    }
}

} // namespace

void append_decoded(Text& out, const char* raw) {
    append_runs<true>(out, raw);
}

void append_plain(Text& out, const char* raw) {
    append_runs<false>(out, raw);
}

} // namespace vex::table::native
