// Number format texts: Excel's check, the file form and the shown length of values.
#include "native/excel_number_format.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vex::table::native {

namespace {

char16_t lower(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

bool starts_with_nocase(TextView text, std::size_t at, TextView word) {
    if (text.size() - at < word.size()) {
        return false;
    }
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (lower(text[at + i]) != lower(word[i])) {
            return false;
        }
    }
    return true;
}

bool equal_nocase(TextView a, TextView b) {
    return a.size() == b.size() && starts_with_nocase(a, 0, b);
}

// The US letter a code letter of the locale stands for ('y', 'm', 'd', 'h', 's'); 0 for others.
char16_t date_letter(char16_t c, const ExcelLocale& locale) {
    const char16_t l = lower(c);
    if (l == lower(locale.year)) {
        return u'y';
    }
    if (l == lower(locale.month) || l == lower(locale.minute)) {
        return u'm';
    }
    if (l == lower(locale.day)) {
        return u'd';
    }
    if (l == lower(locale.hour)) {
        return u'h';
    }
    if (l == lower(locale.second)) {
        return u's';
    }
    return 0;
}

// The sections of a format: split at ";" outside quotes and brackets.
std::vector<TextView> sections_of(TextView format) {
    std::vector<TextView> sections;
    std::size_t start = 0;
    bool quoted = false;
    bool bracket = false;
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char16_t c = format[i];
        if (quoted) {
            quoted = c != u'"';
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u'\\' || c == u'_' || c == u'*') {
            ++i;
        } else if (c == u'[' || c == u']') {
            bracket = c == u'[';
        } else if (c == u';' && !bracket) {
            sections.push_back(format.substr(start, i - start));
            start = i + 1;
        }
    }
    sections.push_back(format.substr(std::min(start, format.size())));
    return sections;
}

// Calls each(kind, position, length) for the parts of a section: quoted texts, escaped pairs and
// bracketed parts as a whole, every other character alone.
enum class Part { quoted, escaped, bracket, character };
template <class Each>
void walk_section(TextView section, Each&& each) {
    for (std::size_t i = 0; i < section.size(); ++i) {
        const char16_t c = section[i];
        if (c == u'"') {
            const std::size_t end = section.find(u'"', i + 1);
            const std::size_t last = end == TextView::npos ? section.size() - 1 : end;
            each(Part::quoted, i, last - i + 1);
            i = last;
        } else if ((c == u'\\' || c == u'_' || c == u'*') && i + 1 < section.size()) {
            each(Part::escaped, i, 2);
            ++i;
        } else if (c == u'[') {
            const std::size_t end = section.find(u']', i);
            const std::size_t last = end == TextView::npos ? section.size() - 1 : end;
            each(Part::bracket, i, last - i + 1);
            i = last;
        } else {
            each(Part::character, i, 1);
        }
    }
}

bool has_date_codes(TextView section, const ExcelLocale& locale) {
    bool date = false;
    walk_section(section, [&](Part part, std::size_t at, std::size_t) {
        date = date || (part == Part::character && date_letter(section[at], locale) != 0 &&
                        !starts_with_nocase(section, at, locale.generalName) &&
                        !starts_with_nocase(section, at, u"General"));
    });
    return date;
}

void append_utf8(std::string& out, TextView text) {
    out += to_utf8(text);
}

} // namespace

bool valid_number_format(TextView format) {
    if (format.size() > 255) {
        return false;
    }
    bool quoted = false;
    bool bracket = false;
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char16_t c = format[i];
        if (quoted) {
            quoted = c != u'"';
        } else if (c == u'"') {
            quoted = true;
        } else if ((c == u'\\' || c == u'_' || c == u'*') && ++i >= format.size()) {
            return false;
        } else if (c == u'[' && bracket) {
            return false;
        } else if (c == u'[' || c == u']') {
            bracket = c == u'[';
        }
    }
    return !quoted && !bracket && sections_of(format).size() <= 4;
}

bool is_general_format(TextView format) {
    return format.empty() || equal_nocase(format, u"General") || equal_nocase(format, u"Standard");
}

std::string file_number_format(TextView format, const ExcelLocale& locale) {
    if (is_general_format(format)) {
        return "General";
    }
    if (&locale == &english_excel()) {
        return to_utf8(format); // the file's form already
    }
    std::string out;
    bool firstSection = true;
    for (const TextView section : sections_of(format)) {
        if (!firstSection) {
            out += ';';
        }
        firstSection = false;
        const bool date = has_date_codes(section, locale);
        walk_section(section, [&](Part part, std::size_t at, std::size_t length) {
            if (part != Part::character) {
                append_utf8(out, section.substr(at, length));
                return;
            }
            const char16_t c = section[at];
            if (const char16_t letter = date ? date_letter(c, locale) : 0; letter != 0) {
                out += static_cast<char>(letter);
            } else if (c == locale.decimal) {
                out += '.';
            } else if (c == locale.thousands && !date) {
                out += ',';
            } else {
                append_utf8(out, section.substr(at, 1));
            }
        });
    }
    return out;
}

FormatShape::FormatShape(TextView format, const ExcelLocale& locale) {
    if (is_general_format(format)) {
        m_sections.push_back(Section{.general = true});
        return;
    }
    for (const TextView section : sections_of(format)) {
        m_sections.push_back(parse_section(section, locale));
    }
}

FormatShape::Section FormatShape::parse_section(TextView section, const ExcelLocale& locale) {
    Section shape;
    shape.date = has_date_codes(section, locale);
    bool afterDecimal = false;
    bool digitSeen = false;
    std::size_t separators = 0;
    for (std::size_t i = 0; i < section.size(); ++i) {
        const char16_t c = section[i];
        if (c == u'"') {
            const std::size_t end = section.find(u'"', i + 1);
            const std::size_t last = end == TextView::npos ? section.size() : end;
            shape.literal += last - i - 1;
            i = last;
        } else if ((c == u'\\' || c == u'_') && i + 1 < section.size()) {
            ++shape.literal;
            ++i;
        } else if (c == u'*' && i + 1 < section.size()) {
            ++i;
        } else if (c == u'[') {
            const std::size_t end = section.find(u']', i);
            const TextView inside = section.substr(i + 1, end == TextView::npos ? 0 : end - i - 1);
            if (!inside.empty() && date_letter(inside[0], locale) != 0) {
                shape.date = true;
                shape.dateLength += std::max<std::size_t>(inside.size(), 2);
            }
            i = end == TextView::npos ? section.size() : end;
        } else if (c == u'@') {
            shape.text = true;
        } else if (starts_with_nocase(section, i, u"General") ||
                   starts_with_nocase(section, i, locale.generalName)) {
            shape.general = true;
            i += (starts_with_nocase(section, i, u"General") ? 7 : locale.generalName.size()) - 1;
        } else if (starts_with_nocase(section, i, u"AM/PM")) {
            shape.dateLength += 2;
            i += 4;
        } else if (shape.date && date_letter(c, locale) != 0) {
            std::size_t run = 0;
            while (i + run < section.size() && lower(section[i + run]) == lower(c)) {
                ++run;
            }
            const char16_t letter = date_letter(c, locale);
            if (letter == u'y') {
                shape.dateLength += run <= 2 ? 2 : 4;
            } else if (letter == u'm' || letter == u'd') {
                shape.dateLength += run <= 2 ? 2 : run == 3 ? 3 : 9;
            } else {
                shape.dateLength += 2;
            }
            i += run - 1;
        } else if (!shape.date && (c == u'0' || c == u'#' || c == u'?')) {
            digitSeen = true;
            if (afterDecimal) {
                ++shape.decimals;
            } else if (c != u'#') {
                ++shape.integerPlaces;
            }
        } else if (!shape.date && (c == u'E' || c == u'e') && i + 1 < section.size() &&
                   (section[i + 1] == u'+' || section[i + 1] == u'-')) {
            shape.exponentDigits = 0;
            for (i += 2; i < section.size() && (section[i] == u'0' || section[i] == u'#'); ++i) {
                ++shape.exponentDigits;
            }
            --i;
        } else if (c == locale.decimal && !shape.date) {
            afterDecimal = true;
        } else if (c == locale.thousands && !shape.date) {
            shape.grouping = shape.grouping || (digitSeen && !afterDecimal);
        } else if (c == u'%') {
            shape.percent = true;
            ++shape.literal;
        } else {
            ++separators;
        }
    }
    shape.literal += separators;
    shape.numeric = digitSeen;
    return shape;
}

std::size_t FormatShape::general_length(double number) {
    char buffer[32];
    for (int precision = 15; precision > 1; --precision) {
        const int n = std::snprintf(buffer, sizeof buffer, "%.*G", precision, number);
        if (n > 0 && n <= 11) {
            return static_cast<std::size_t>(n);
        }
    }
    return 11;
}

std::size_t FormatShape::number_length(const Section& section, double number) const {
    if (section.general) {
        return general_length(number) + section.literal;
    }
    if (section.date) {
        return section.dateLength + section.literal;
    }
    if (!section.numeric) {
        // A number in a text cell shows as in General; a section without digit places shows its
        // literal texts only (an empty zero section shows nothing).
        return section.text ? general_length(number) : section.literal;
    }
    if (section.percent) {
        number *= 100;
    }
    const std::size_t fraction = section.decimals > 0 ? section.decimals + 1 : 0;
    if (section.exponentDigits >= 0) {
        return std::max<std::size_t>(section.integerPlaces, 1) + fraction + 2 +
               static_cast<std::size_t>(std::max(section.exponentDigits, 1)) + section.literal;
    }
    const double scale = std::pow(10.0, static_cast<double>(std::min<std::size_t>(section.decimals, 30)));
    const double whole = std::floor(std::round(number * scale) / scale);
    std::size_t digits = whole >= 1 ? static_cast<std::size_t>(std::floor(std::log10(whole))) + 1 : 0;
    digits = std::max(digits, section.integerPlaces);
    if (section.grouping && digits > 3) {
        digits += (digits - 1) / 3;
    }
    return digits + fraction + section.literal;
}

std::size_t FormatShape::shown_length(double number) const {
    const std::size_t count = m_sections.size();
    if (number < 0 && count >= 2) {
        return number_length(m_sections[1], -number);
    }
    if (number == 0 && count >= 3) {
        return number_length(m_sections[2], 0);
    }
    return number_length(m_sections[0], std::fabs(number)) + (number < 0 ? 1 : 0);
}

std::size_t FormatShape::shown_length(TextView text) const {
    for (const Section& section : m_sections) {
        if (section.text) {
            return text.size() + section.literal;
        }
    }
    return text.size();
}

} // namespace vex::table::native
