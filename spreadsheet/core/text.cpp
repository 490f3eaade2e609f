// Conversions between UTF-8 and UTF-16 and the locale-independent number readers of the document.
#include "core/text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace vex::table {

namespace {

constexpr char16_t replacement_character = 0xFFFD;

bool is_continuation(unsigned char byte) {
    return (byte & 0xC0u) == 0x80u;
}

// Decodes one code point starting at utf8[i]; advances i. Malformed input yields U+FFFD.
char32_t decode_one(std::string_view utf8, std::size_t& i) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    std::size_t length = 0;
    char32_t code = 0;
    char32_t minimum = 0;
    if (lead < 0x80u) {
        ++i;
        return lead;
    } else if ((lead & 0xE0u) == 0xC0u) {
        length = 2;
        code = lead & 0x1Fu;
        minimum = 0x80;
    } else if ((lead & 0xF0u) == 0xE0u) {
        length = 3;
        code = lead & 0x0Fu;
        minimum = 0x800;
    } else if ((lead & 0xF8u) == 0xF0u) {
        length = 4;
        code = lead & 0x07u;
        minimum = 0x10000;
    } else {
        ++i;
        return replacement_character;
    }
    if (i + length > utf8.size()) {
        ++i;
        return replacement_character;
    }
    for (std::size_t k = 1; k < length; ++k) {
        const auto byte = static_cast<unsigned char>(utf8[i + k]);
        if (!is_continuation(byte)) {
            ++i;
            return replacement_character;
        }
        code = (code << 6) | (byte & 0x3Fu);
    }
    i += length;
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return replacement_character;
    }
    return code;
}

} // namespace

char32_t decode_utf8(std::string_view utf8, std::size_t& i) {
    return decode_one(utf8, i);
}

char16_t* write_utf16(char16_t* out, char32_t code) {
    if (code >= 0x10000) {
        const char32_t offset = code - 0x10000;
        *out++ = static_cast<char16_t>(0xD800 + (offset >> 10));
        *out++ = static_cast<char16_t>(0xDC00 + (offset & 0x3FF));
    } else {
        *out++ = static_cast<char16_t>(code);
    }
    return out;
}

namespace {

bool is_space(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}
bool is_digit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

} // namespace

void append_utf8(Text& out, std::string_view utf8) {
    // UTF-16 never needs more units than UTF-8 has bytes: size once, write in place, trim.
    const std::size_t old_size = out.size();
    out.resize(old_size + utf8.size());
    char16_t* const begin = out.data();
    char16_t* target = begin + old_size;
    const std::size_t size = utf8.size();
    std::size_t i = 0;
    while (i < size) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (byte < 0x80u) {
            *target++ = static_cast<char16_t>(byte);
            ++i;
            continue;
        }
        target = write_utf16(target, decode_one(utf8, i));
    }
    out.resize(static_cast<std::size_t>(target - begin));
}

Text from_utf8(std::string_view utf8) {
    Text result;
    append_utf8(result, utf8);
    return result;
}

std::string to_utf8(TextView text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t code = text[i];
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            code = replacement_character;
        }
        if (code < 0x80) {
            result.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            result.push_back(static_cast<char>(0xC0 | (code >> 6)));
            result.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            result.push_back(static_cast<char>(0xE0 | (code >> 12)));
            result.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            result.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            result.push_back(static_cast<char>(0xF0 | (code >> 18)));
            result.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
            result.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            result.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    return result;
}

Text decimal_text(std::int64_t value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return Text(buffer, result.ptr);
}

std::int32_t read_integer(TextView text) {
    std::size_t i = 0;
    while (i < text.size() && is_space(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    std::int64_t value = 0;
    constexpr std::int64_t limit = static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::max()) + 1;
    while (i < text.size() && is_digit(text[i])) {
        value = value * 10 + (text[i] - u'0');
        if (value > limit) {
            value = limit;
        }
        ++i;
    }
    if (negative) {
        value = -value;
    }
    if (value > std::numeric_limits<std::int32_t>::max()) {
        value = std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(value);
}

double read_double(TextView text) {
    std::size_t i = 0;
    while (i < text.size() && is_space(text[i])) {
        ++i;
    }
    std::string number;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    bool digits = false;
    while (i < text.size() && is_digit(text[i])) {
        number.push_back(static_cast<char>(text[i++]));
        digits = true;
    }
    if (i < text.size() && text[i] == u'.') {
        number.push_back('.');
        ++i;
        while (i < text.size() && is_digit(text[i])) {
            number.push_back(static_cast<char>(text[i++]));
            digits = true;
        }
    }
    if (!digits) {
        return 0.0;
    }
    // An exponent counts only when digits follow its optional sign.
    bool negative_exponent = false;
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        if (j < text.size() && (text[j] == u'+' || text[j] == u'-')) {
            negative_exponent = text[j] == u'-';
            exponent.push_back(static_cast<char>(text[j++]));
        }
        if (j < text.size() && is_digit(text[j])) {
            while (j < text.size() && is_digit(text[j])) {
                exponent.push_back(static_cast<char>(text[j++]));
            }
            number += exponent;
        }
    }
    double value = 0.0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // Out of range: a magnitude below one underflows to zero, above one overflows to infinity,
        // as strtod reports it. The decimal exponent of the first significant digit decides.
        const std::size_t point = number.find('.');
        const std::size_t mantissa_end = std::min(number.find('e'), number.size());
        const std::size_t integer_end = point == std::string::npos ? mantissa_end : point;
        const std::size_t first = number.find_first_not_of("0.");
        long long magnitude = 0;
        if (first != std::string::npos && first < mantissa_end) {
            magnitude = first < integer_end ? static_cast<long long>(integer_end - first)
                                            : -static_cast<long long>(first - integer_end - 1);
        }
        if (mantissa_end < number.size()) {
            magnitude += negative_exponent ? -1000000 : 1000000;
        }
        value = magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return negative ? -value : value;
}

} // namespace vex::table
