// The text Excel shows for a cell: its value through its number format, read with the format codes
// and separators of the application's locale; and the whole workbook as text.
//
// Formats: up to four sections (positive; negative; zero; text), a section holding "@" last is the
// text section; [Red] and other bracketed colours, conditions and locale tags are skipped; quoted
// texts, \x, _x (a space) and *x (nothing) are literals; 0 # ? digit places, the decimal and
// thousands separators (grouping, or scaling by 1000 at the end), %, E+00 / E-00; day, month, year,
// hour, minute and second codes, AM/PM and [h]; General. Values are rounded to 15 significant digits
// first and then half away from zero, as Excel shows them.
#include "excel_internal.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <functional>
#include <iterator>

namespace vex::test::excel {
namespace {

enum class Kind { literal, zero, hash, question, decimal, group, percent, exponent, date, ampm, general, at };

struct Token {
    Kind kind;
    std::wstring text = {}; // literal text; the separator character; "AM/PM" or "A/P"
    wchar_t code = 0;       // date tokens: 'y', 'M' (month), 'd', 'h', 'm' (minute), 's'
    int count = 0;          // date tokens: letters; exponent: digit places
    bool elapsed = false;   // [h], [m], [s]
    bool plus = false;      // exponent: E+ shows the sign of positive exponents too
};

bool starts_with_nocase(std::wstring_view text, size_t at, std::wstring_view word) {
    return text.size() - at >= word.size() && _wcsnicmp(text.data() + at, word.data(), word.size()) == 0;
}

bool same_letter(wchar_t a, wchar_t b) {
    return towlower(a) == towlower(b);
}

// The code a letter stands for in the locale: 'y' year, 'M' month or minute, 'd' day, 'h' hour, 's'
// second; 0 for any other letter.
wchar_t date_code(wchar_t c, const Locale& locale) {
    if (same_letter(c, locale.year))
        return L'y';
    if (same_letter(c, locale.month))
        return L'M';
    if (same_letter(c, locale.day))
        return L'd';
    if (same_letter(c, locale.hour))
        return L'h';
    if (same_letter(c, locale.second))
        return L's';
    return 0;
}

std::vector<std::wstring_view> sections_of(std::wstring_view format) {
    std::vector<std::wstring_view> sections;
    size_t start = 0;
    bool quoted = false, bracket = false;
    for (size_t i = 0; i < format.size(); ++i) {
        const wchar_t c = format[i];
        if (quoted) {
            quoted = c != L'"';
        } else if (c == L'"') {
            quoted = true;
        } else if (c == L'\\' || c == L'_' || c == L'*') {
            ++i;
        } else if (c == L'[' || c == L']') {
            bracket = c == L'[';
        } else if (c == L';' && !bracket) {
            sections.push_back(format.substr(start, i - start));
            start = i + 1;
        }
    }
    sections.push_back(format.substr(std::min(start, format.size())));
    return sections;
}

std::vector<Token> tokens_of(std::wstring_view section, const Locale& locale) {
    std::vector<Token> tokens;
    const auto literal = [&](std::wstring text) {
        if (!tokens.empty() && tokens.back().kind == Kind::literal)
            tokens.back().text += text;
        else
            tokens.push_back({Kind::literal, std::move(text)});
    };
    for (size_t i = 0; i < section.size(); ++i) {
        const wchar_t c = section[i];
        if (c == L'"') {
            const size_t end = section.find(L'"', i + 1);
            literal(std::wstring(section.substr(i + 1, end == section.npos ? section.npos : end - i - 1)));
            i = end == section.npos ? section.size() : end;
        } else if (c == L'\\' && i + 1 < section.size()) {
            literal(std::wstring(1, section[++i]));
        } else if (c == L'_' && i + 1 < section.size()) {
            ++i;
            literal(L" ");
        } else if (c == L'*' && i + 1 < section.size()) {
            ++i;
        } else if (c == L'[') {
            const size_t end = section.find(L']', i);
            const std::wstring_view inside = section.substr(i + 1, end == section.npos ? 0 : end - i - 1);
            const wchar_t code = inside.empty() ? 0 : date_code(inside[0], locale);
            if (code && std::all_of(inside.begin(), inside.end(),
                                    [&](wchar_t x) { return same_letter(x, inside[0]); }))
                tokens.push_back({Kind::date, L"", code, static_cast<int>(inside.size()), true});
            i = end == section.npos ? section.size() : end;
        } else if (c == L'@') {
            tokens.push_back({Kind::at});
        } else if (starts_with_nocase(section, i, L"General") ||
                   starts_with_nocase(section, i, locale.general)) {
            tokens.push_back({Kind::general});
            i += (starts_with_nocase(section, i, L"General") ? 7 : std::wstring_view(locale.general).size()) -
                 1;
        } else if (starts_with_nocase(section, i, L"AM/PM") || starts_with_nocase(section, i, L"A/P")) {
            const size_t n = starts_with_nocase(section, i, L"AM/PM") ? 5 : 3;
            tokens.push_back({Kind::ampm, std::wstring(section.substr(i, n))});
            i += n - 1;
        } else if (c == L'0' || c == L'#' || c == L'?') {
            tokens.push_back({c == L'0' ? Kind::zero : c == L'#' ? Kind::hash : Kind::question});
        } else if (c == locale.decimal) {
            tokens.push_back({Kind::decimal, std::wstring(1, c)});
        } else if (c == locale.thousands) {
            tokens.push_back({Kind::group, std::wstring(1, c)});
        } else if (c == L'%') {
            tokens.push_back({Kind::percent});
        } else if ((c == L'E' || c == L'e') && i + 1 < section.size() &&
                   (section[i + 1] == L'+' || section[i + 1] == L'-')) {
            Token exponent{Kind::exponent, L"", 0, 0, false, section[i + 1] == L'+'};
            for (i += 2; i < section.size() && (section[i] == L'0' || section[i] == L'#'); ++i)
                ++exponent.count;
            --i;
            tokens.push_back(exponent);
        } else if (const wchar_t code = date_code(c, locale)) {
            Token date{Kind::date, L"", code, 0};
            for (; i < section.size() && same_letter(section[i], c); ++i)
                ++date.count;
            --i;
            tokens.push_back(date);
        } else {
            literal(std::wstring(1, c));
        }
    }
    // m after an hour or before a second is minutes, as in Excel.
    for (size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i].kind != Kind::date || tokens[i].code != L'M' || tokens[i].count > 2)
            continue;
        const auto previous =
            std::find_if(tokens.rbegin() + static_cast<std::ptrdiff_t>(tokens.size() - i), tokens.rend(),
                         [](const Token& t) { return t.kind == Kind::date; });
        const auto next = std::find_if(tokens.begin() + static_cast<std::ptrdiff_t>(i) + 1, tokens.end(),
                                       [](const Token& t) { return t.kind == Kind::date; });
        if ((previous != tokens.rend() && previous->code == L'h') ||
            (next != tokens.end() && next->code == L's'))
            tokens[i].code = L'm';
    }
    return tokens;
}

bool has(const std::vector<Token>& tokens, Kind kind) {
    return std::any_of(tokens.begin(), tokens.end(), [&](const Token& t) { return t.kind == kind; });
}

// The decimal digits of value (>= 0) rounded to decimals places: integer digits without leading
// zeros ("" for zero) and exactly `decimals` fraction digits.
void rounded(double value, int decimals, std::string& integer, std::string& fraction) {
    char buffer[40];
    std::snprintf(buffer, sizeof(buffer), "%.14e", value); // 15 significant digits, as Excel keeps
    std::string digits;
    for (const char* p = buffer; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9')
            digits += *p;
    int point = std::atoi(std::strchr(buffer, 'e') + 1) + 1; // digits before the decimal point
    if (value == 0)
        digits.clear(), point = 0;
    const long long keep = static_cast<long long>(point) + decimals;
    if (keep < 0) {
        digits.clear();
    } else if (keep < static_cast<long long>(digits.size())) {
        bool up = digits[static_cast<size_t>(keep)] >= '5';
        digits.resize(static_cast<size_t>(keep));
        for (size_t i = digits.size(); up; --i) {
            if (i == 0) {
                digits.insert(digits.begin(), '1');
                ++point;
                break;
            }
            up = digits[i - 1] == '9';
            digits[i - 1] = up ? '0' : static_cast<char>(digits[i - 1] + 1);
        }
    }
    // digits now stand for 0.digits * 10^point.
    const long long total = std::max<long long>(point, 0) + decimals;
    std::string all;
    if (point < 0)
        all.assign(static_cast<size_t>(std::min<long long>(-point, decimals)), '0');
    all += digits;
    if (point < 0)
        all.resize(static_cast<size_t>(std::max<long long>(total, 0)), '0');
    all.resize(static_cast<size_t>(std::max<long long>(total, 0)), '0');
    const size_t integer_digits = static_cast<size_t>(std::max(point, 0));
    integer = all.substr(0, integer_digits);
    fraction = all.substr(integer_digits);
    const size_t first = integer.find_first_not_of('0');
    integer = first == integer.npos ? "" : integer.substr(first);
}

std::wstring widen(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

// Excel's General format for a column of standard width: at most 11 characters, the scientific
// form for numbers that do not fit.
std::wstring general_text(double value, const Locale& locale) {
    if (value == 0)
        return L"0";
    const double magnitude = std::fabs(value);
    const int negative = value < 0 ? 1 : 0;
    std::string integer, fraction;
    if (magnitude < 1e11 && magnitude >= 1e-9) {
        rounded(magnitude, 0, integer, fraction);
        const int places = std::max(0, 10 - std::max<int>(1, static_cast<int>(integer.size())) - negative);
        rounded(magnitude, places, integer, fraction);
        while (!fraction.empty() && fraction.back() == '0')
            fraction.pop_back();
        if (!integer.empty() || !fraction.empty())
            return (negative ? L"-" : L"") + (integer.empty() ? L"0" : widen(integer)) +
                   (fraction.empty() ? L"" : locale.decimal + widen(fraction));
    }
    int exponent = static_cast<int>(std::floor(std::log10(magnitude)));
    rounded(magnitude / std::pow(10.0, exponent), 5, integer, fraction);
    if (integer.size() > 1) { // rounded up to 10
        ++exponent;
        rounded(magnitude / std::pow(10.0, exponent), 5, integer, fraction);
    }
    while (!fraction.empty() && fraction.back() == '0')
        fraction.pop_back();
    wchar_t exponent_text[16];
    std::swprintf(exponent_text, std::size(exponent_text), L"E%c%02d", exponent < 0 ? L'-' : L'+',
                  std::abs(exponent));
    return (negative ? L"-" : L"") + widen(integer.empty() ? "0" : integer) +
           (fraction.empty() ? L"" : locale.decimal + widen(fraction)) + exponent_text;
}

std::wstring two_digits(int value) {
    wchar_t text[8];
    std::swprintf(text, std::size(text), L"%02d", value);
    return text;
}

const wchar_t* const month_names[2][12] = {
    {L"January", L"February", L"March", L"April", L"May", L"June", L"July", L"August", L"September",
     L"October", L"November", L"December"},
    {L"Januar", L"Februar", L"März", L"April", L"Mai", L"Juni", L"Juli", L"August", L"September", L"Oktober",
     L"November", L"Dezember"}};
const wchar_t* const day_names[2][7] = {
    {L"Sunday", L"Monday", L"Tuesday", L"Wednesday", L"Thursday", L"Friday", L"Saturday"},
    {L"Sonntag", L"Montag", L"Dienstag", L"Mittwoch", L"Donnerstag", L"Freitag", L"Samstag"}};

std::wstring date_text(double value, const std::vector<Token>& tokens, const Locale& locale) {
    if (value < 0 || value >= 2958466) // before 1900 or after 9999: Excel shows hashes
        return L"########";
    long long days = static_cast<long long>(std::floor(value));
    long long seconds = std::llround((value - static_cast<double>(days)) * 86400);
    if (seconds == 86400)
        ++days, seconds = 0;
    int year = 0, month = 0, day = 0;
    civil_of(days, year, month, day);
    const int hour = static_cast<int>(seconds / 3600), minute = static_cast<int>(seconds / 60 % 60),
              second = static_cast<int>(seconds % 60);
    const bool twelve = has(tokens, Kind::ampm);
    const int language = &locale == &locale_of(ExcelLocale::german) ? 1 : 0;
    std::wstring out;
    for (const Token& t : tokens) {
        switch (t.kind) {
        case Kind::date: {
            if (t.elapsed) {
                const long long total = days * 86400 + seconds;
                out += std::to_wstring(t.code == L'h' ? total / 3600 : t.code == L's' ? total : total / 60);
                break;
            }
            const int shown_hour = twelve ? (hour % 12 == 0 ? 12 : hour % 12) : hour;
            switch (t.code) {
            case L'y':
                out += t.count <= 2 ? two_digits(year % 100) : std::to_wstring(year);
                break;
            case L'M':
                out += t.count == 1   ? std::to_wstring(month)
                       : t.count == 2 ? two_digits(month)
                       : t.count == 3 ? std::wstring(month_names[language][month - 1]).substr(0, 3)
                       : t.count == 4 ? std::wstring(month_names[language][month - 1])
                                      : std::wstring(month_names[language][month - 1]).substr(0, 1);
                break;
            case L'd': {
                const int weekday = static_cast<int>((days + 6) % 7); // 0 is Sunday, as Excel counts
                out += t.count == 1   ? std::to_wstring(day)
                       : t.count == 2 ? two_digits(day)
                       : t.count == 3 ? std::wstring(day_names[language][weekday]).substr(0, language ? 2 : 3)
                                      : std::wstring(day_names[language][weekday]);
                break;
            }
            case L'h':
                out += t.count == 1 ? std::to_wstring(shown_hour) : two_digits(shown_hour);
                break;
            case L'm':
                out += t.count == 1 ? std::to_wstring(minute) : two_digits(minute);
                break;
            case L's':
                out += t.count == 1 ? std::to_wstring(second) : two_digits(second);
                break;
            }
            break;
        }
        case Kind::ampm:
            out += t.text.size() == 5 ? (hour < 12 ? L"AM" : L"PM") : (hour < 12 ? L"A" : L"P");
            break;
        case Kind::zero:
            out += L'0';
            break;
        case Kind::literal:
        case Kind::decimal:
        case Kind::group:
            out += t.text;
            break;
        default:
            break;
        }
    }
    return out;
}

// A number (>= 0; the sign is the caller's) through the digit places of a section.
std::wstring number_text(double value, const std::vector<Token>& tokens, const Locale& locale) {
    const auto digit = [](const Token& t) {
        return t.kind == Kind::zero || t.kind == Kind::hash || t.kind == Kind::question;
    };
    // Where the integer part ends: the decimal separator or the exponent.
    const auto end_of_integer = std::find_if(tokens.begin(), tokens.end(), [](const Token& t) {
        return t.kind == Kind::decimal || t.kind == Kind::exponent;
    });
    const auto last_integer_digit =
        std::find_if(std::make_reverse_iterator(end_of_integer), tokens.rend(), digit);
    std::vector<const Token*> integer_places, fraction_places;
    bool grouping = false;
    int scaling = 0, percents = 0;
    const Token* exponent = nullptr;
    for (auto it = tokens.begin(); it != tokens.end(); ++it) {
        if (digit(*it))
            (it < end_of_integer ? integer_places : fraction_places).push_back(&*it);
        else if (it->kind == Kind::percent)
            ++percents;
        else if (it->kind == Kind::exponent)
            exponent = &*it;
        else if (it->kind == Kind::group && it < end_of_integer) {
            const bool digit_before = std::any_of(tokens.begin(), it, digit);
            const bool digit_after = std::any_of(it + 1, end_of_integer, digit);
            grouping = grouping || (digit_before && digit_after);
            scaling += digit_before && !digit_after && last_integer_digit != tokens.rend();
        }
    }
    if (exponent) // places after the exponent are its own
        std::erase_if(fraction_places, [&](const Token* t) { return t > exponent; });
    value *= std::pow(100.0, percents) / std::pow(1000.0, scaling);
    const int decimals = static_cast<int>(fraction_places.size());
    int power = 0;
    std::string integer, fraction;
    if (exponent && value != 0) {
        const int places = std::max<int>(1, static_cast<int>(integer_places.size()));
        const bool engineering =
            places > 1 && std::any_of(integer_places.begin(), integer_places.end(),
                                      [](const Token* t) { return t->kind == Kind::hash; });
        const int magnitude = static_cast<int>(std::floor(std::log10(value)));
        power = engineering ? static_cast<int>(std::floor(magnitude / static_cast<double>(places))) * places
                            : magnitude - (places - 1);
        rounded(value / std::pow(10.0, power), decimals, integer, fraction);
        if (static_cast<int>(integer.size()) > places) { // rounded up into one more digit
            power += engineering ? places : 1;
            rounded(value / std::pow(10.0, power), decimals, integer, fraction);
        }
    } else {
        rounded(value, decimals, integer, fraction);
    }
    // Integer places are filled from the right; the leftmost takes any further digits.
    std::vector<std::wstring> shown(integer_places.size());
    for (size_t i = integer_places.size(), used = 0; i-- > 0;) {
        const Token& place = *integer_places[i];
        const bool available = used < integer.size();
        std::wstring text = available                  ? std::wstring(1, integer[integer.size() - 1 - used++])
                            : place.kind == Kind::zero ? L"0"
                            : place.kind == Kind::question ? L" "
                                                           : L"";
        if (i == 0 && used < integer.size())
            text = widen(integer.substr(0, integer.size() - used)) + text;
        shown[i] = text;
    }
    std::wstring integer_text;
    if (grouping) { // all integer digits in one piece, separated in threes
        for (const std::wstring& piece : shown)
            integer_text += piece;
        std::wstring grouped;
        int count = 0;
        for (size_t i = integer_text.size(); i-- > 0;) {
            if (count > 0 && count % 3 == 0 && iswdigit(integer_text[i]))
                grouped.insert(grouped.begin(), locale.thousands);
            grouped.insert(grouped.begin(), integer_text[i]);
            count += iswdigit(integer_text[i]) ? 1 : 0;
        }
        integer_text = grouped;
    }
    // Fraction places shown left to right; trailing zeros vanish for # and become spaces for ?.
    std::vector<std::wstring> fraction_shown(fraction_places.size());
    bool trailing = true;
    for (size_t i = fraction_places.size(); i-- > 0;) {
        const wchar_t d = static_cast<wchar_t>(i < fraction.size() ? fraction[i] : '0');
        trailing = trailing && d == L'0' && fraction_places[i]->kind != Kind::zero;
        fraction_shown[i] = !trailing                                    ? std::wstring(1, d)
                            : fraction_places[i]->kind == Kind::question ? L" "
                                                                         : L"";
    }
    std::wstring out;
    size_t next_integer = 0, next_fraction = 0;
    bool after_exponent = false;
    for (const Token& t : tokens) {
        if (digit(t)) {
            if (after_exponent)
                continue;
            if (next_integer < integer_places.size() && &t == integer_places[next_integer]) {
                out += grouping ? (next_integer == 0 ? integer_text : L"") : shown[next_integer];
                ++next_integer;
            } else if (next_fraction < fraction_places.size()) {
                out += fraction_shown[next_fraction++];
            }
            continue;
        }
        switch (t.kind) {
        case Kind::literal:
            out += t.text;
            break;
        case Kind::decimal:
            out += locale.decimal;
            break;
        case Kind::group:
            if (integer_places.empty()) // not next to digit places: shown as it is
                out += t.text;
            break;
        case Kind::percent:
            out += L'%';
            break;
        case Kind::exponent: {
            std::wstring digits = std::to_wstring(std::abs(power));
            if (static_cast<int>(digits.size()) < t.count)
                digits.insert(0, static_cast<size_t>(t.count) - digits.size(), L'0');
            out += std::wstring(L"E") + (power < 0 ? L"-" : t.plus ? L"+" : L"") + digits;
            after_exponent = true;
            break;
        }
        case Kind::general:
            out += general_text(value, locale);
            break;
        case Kind::ampm:
            out += t.text;
            break;
        default:
            break;
        }
    }
    return out;
}

bool is_date_section(const std::vector<Token>& tokens) {
    return has(tokens, Kind::date) || has(tokens, Kind::ampm);
}

std::wstring formatted_number(double value, std::wstring_view format, const Locale& locale) {
    std::vector<std::wstring_view> sections = sections_of(format);
    // The text section does not count among the number sections.
    if (sections.size() >= 4)
        sections.resize(3);
    else if (has(tokens_of(sections.back(), locale), Kind::at))
        sections.pop_back();
    if (sections.empty() || format.empty())
        return general_text(value, locale);
    const size_t n = sections.size();
    std::wstring_view section = sections[0];
    bool sign = value < 0;
    if (value < 0 && n >= 2)
        section = sections[1], sign = false;
    else if (value == 0 && n >= 3)
        section = sections[2];
    const std::vector<Token> tokens = tokens_of(section, locale);
    if (is_date_section(tokens))
        return date_text(value, tokens, locale);
    if (has(tokens, Kind::general))
        return (sign ? L"-" : L"") + number_text(std::fabs(value), tokens, locale);
    const std::wstring shown = number_text(std::fabs(value), tokens, locale);
    const bool nonzero =
        std::any_of(shown.begin(), shown.end(), [](wchar_t c) { return c >= L'1' && c <= L'9'; });
    return (sign && nonzero ? L"-" : L"") + shown;
}

std::wstring formatted_text(std::wstring_view text, std::wstring_view format, const Locale& locale) {
    const std::vector<std::wstring_view> sections = sections_of(format);
    std::vector<Token> tokens;
    if (sections.size() >= 4)
        tokens = tokens_of(sections[3], locale);
    else if (auto last = tokens_of(sections.back(), locale); has(last, Kind::at))
        tokens = std::move(last);
    else
        return std::wstring(text);
    std::wstring out;
    for (const Token& t : tokens) {
        if (t.kind == Kind::at)
            out += text;
        else if (t.kind == Kind::literal || t.kind == Kind::decimal || t.kind == Kind::group)
            out += t.text;
    }
    return out;
}

std::wstring error_text(SCODE scode, const Locale& locale) {
    const bool german = &locale == &locale_of(ExcelLocale::german);
    switch (scode - static_cast<SCODE>(0x800A0000)) {
    case 2000:
        return L"#NULL!";
    case 2007:
        return L"#DIV/0!";
    case 2015:
        return german ? L"#WERT!" : L"#VALUE!";
    case 2023:
        return german ? L"#BEZUG!" : L"#REF!";
    case 2029:
        return L"#NAME?";
    case 2036:
        return german ? L"#ZAHL!" : L"#NUM!";
    case 2042:
        return german ? L"#NV" : L"#N/A";
    }
    wchar_t text[24];
    std::swprintf(text, std::size(text), L"#ERROR 0x%08lX", static_cast<unsigned long>(scode));
    return text;
}

} // namespace

bool valid_number_format(std::wstring_view format) {
    if (format.size() > 255)
        return false;
    bool quoted = false, bracket = false;
    for (size_t i = 0; i < format.size(); ++i) {
        const wchar_t c = format[i];
        if (quoted)
            quoted = c != L'"';
        else if (c == L'"')
            quoted = true;
        else if ((c == L'\\' || c == L'_' || c == L'*') && ++i >= format.size())
            return false;
        else if (c == L'[' && bracket)
            return false;
        else if (c == L'[' || c == L']')
            bracket = c == L'[';
    }
    return !quoted && !bracket && sections_of(format).size() <= 4;
}

} // namespace vex::test::excel

namespace vex::test {

std::wstring ExcelStandIn::display(const ExcelCell& cell) const {
    const excel::Locale& settings = excel::locale_of(locale);
    const VARIANT& value = cell.value.get();
    switch (value.vt) {
    case VT_EMPTY:
        return L"";
    case VT_BOOL:
        return value.boolVal ? settings.true_text : settings.false_text;
    case VT_ERROR:
        return excel::error_text(value.scode, settings);
    case VT_BSTR:
        return excel::formatted_text(com::bstr_view(value.bstrVal), cell.number_format, settings);
    case VT_DATE:
        return excel::formatted_number(value.date, cell.number_format, settings);
    default: {
        ExcelValue number;
        if (FAILED(excel::coerce(value, VT_R8, number)))
            return L"?";
        return excel::formatted_number(number.get().dblVal, cell.number_format, settings);
    }
    }
}

std::wstring ExcelStandIn::workbook_text(const std::wstring& name) const {
    const ExcelWorkbook* book = workbook(name);
    if (!book)
        return L"no workbook " + name;
    std::wstring out =
        L"workbook " + book->name + L", active sheet " + book->sheets[book->active_sheet].name + L"\n";
    for (const ExcelSheet& sheet : book->sheets) {
        out += L"sheet " + sheet.name;
        if (sheet.frozen_columns > 0) {
            wchar_t frozen[32];
            std::swprintf(frozen, std::size(frozen), L"%g", static_cast<double>(sheet.frozen_columns));
            out += L", frozen columns " + std::wstring(frozen);
        }
        const auto areas = [&](const wchar_t* title, const std::vector<ExcelArea>& list) {
            if (list.empty())
                return;
            out += L", " + std::wstring(title);
            for (const ExcelArea& area : list)
                out += L" " + area.address();
        };
        areas(L"merged", sheet.merged);
        areas(L"autofits", sheet.autofits);
        out += L"\n";
        // The grid: every row and column up to the last cell with a text or a fill.
        std::map<std::pair<LONG, LONG>, std::wstring> texts;
        LONG rows = 0, columns = 0;
        for (const auto& [at, cell] : sheet.cells) {
            std::wstring text = display(cell);
            for (size_t p = 0; (p = text.find(L'\n', p)) != text.npos; p += 2)
                text.replace(p, 1, L"\\n");
            if (cell.fill) {
                wchar_t fill[24];
                std::swprintf(fill, std::size(fill), L" [fill #%02X%02X%02X]",
                              static_cast<unsigned>(*cell.fill & 0xFF),
                              static_cast<unsigned>((*cell.fill >> 8) & 0xFF),
                              static_cast<unsigned>((*cell.fill >> 16) & 0xFF));
                text += fill;
            }
            if (text.empty())
                continue;
            rows = std::max(rows, at.first);
            columns = std::max(columns, at.second);
            texts[at] = std::move(text);
        }
        if (rows == 0) {
            out += L"  (empty)\n";
            continue;
        }
        std::vector<size_t> widths(static_cast<size_t>(columns) + 1, 0);
        for (LONG c = 1; c <= columns; ++c)
            widths[static_cast<size_t>(c)] = excel::column_letters(c).size();
        for (const auto& [at, text] : texts)
            widths[static_cast<size_t>(at.second)] =
                std::max(widths[static_cast<size_t>(at.second)], text.size());
        const size_t label = std::to_wstring(rows).size();
        const auto line = [&](std::wstring first, const std::function<std::wstring(LONG)>& cell_text) {
            first.insert(0, label - std::min(label, first.size()), L' ');
            std::wstring row = first;
            for (LONG c = 1; c <= columns; ++c) {
                std::wstring text = cell_text(c);
                if (c < columns)
                    text.resize(widths[static_cast<size_t>(c)], L' ');
                row += L"|" + text;
            }
            out += row + L"\n";
        };
        line(L"", [](LONG c) { return excel::column_letters(c); });
        for (LONG r = 1; r <= rows; ++r)
            line(std::to_wstring(r), [&](LONG c) {
                const auto found = texts.find({r, c});
                return found == texts.end() ? std::wstring() : found->second;
            });
    }
    return out;
}

} // namespace vex::test
