// How the stand-in Excel types a text put into a cell: as Excel types a user's entry in the
// application's locale. Numbers (with the locale's separators, grouping in threes, sign, exponent,
// percent), dates in the locale's order and separator (or year first), and times become values; a
// General cell gets the number format Excel would give it; anything else stays text.
#include "excel_internal.h"

#include <cmath>
#include <cstdlib>
#include <cwctype>

namespace vex::test::excel {
namespace {

constexpr Locale english{L'.', L',', L'/', L':',     L'y',    L'm',     L'd',       L'h',
                         L'm', L's', 0,    L"Sheet", L"TRUE", L"FALSE", L"General", L"m/d/yyyy"};
constexpr Locale german{L',', L'.', L'.', L':',       L'J',    L'M',      L'T',        L'h',
                        L'm', L's', 1,    L"Tabelle", L"WAHR", L"FALSCH", L"Standard", L"TT.MM.JJJJ"};

std::wstring_view trimmed(std::wstring_view text) {
    while (!text.empty() && text.front() == L' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == L' ')
        text.remove_suffix(1);
    return text;
}

size_t digits_at(std::wstring_view text, size_t at) {
    size_t n = 0;
    while (at + n < text.size() && iswdigit(text[at + n]))
        ++n;
    return n;
}

// A number in the locale's form: [sign] digits (or groups of three after the first 1 to 3 digits)
// [decimal digits] [E sign digits] [%], or the same in parentheses for a negative number.
bool parse_number(std::wstring_view text, const Locale& locale, double& value, std::wstring& format) {
    bool negative = false, percent = false;
    if (text.size() > 2 && text.front() == L'(' && text.back() == L')') {
        negative = true;
        text = trimmed(text.substr(1, text.size() - 2));
    }
    if (!text.empty() && text.back() == L'%') {
        percent = true;
        text = trimmed(text.substr(0, text.size() - 1));
    }
    size_t i = 0;
    if (!negative && i < text.size() && (text[i] == L'+' || text[i] == L'-'))
        negative = text[i++] == L'-';
    std::string plain;
    size_t n = digits_at(text, i);
    plain.append(text.begin() + i, text.begin() + i + n);
    const bool first_group = n >= 1 && n <= 3;
    i += n;
    bool grouped = false;
    while (first_group && i + 4 <= text.size() && text[i] == locale.thousands &&
           digits_at(text, i + 1) >= 3 && (i + 4 == text.size() || !iswdigit(text[i + 4]))) {
        plain.append(text.begin() + i + 1, text.begin() + i + 4);
        grouped = true;
        i += 4;
    }
    bool decimals = false;
    if (i < text.size() && text[i] == locale.decimal) {
        n = digits_at(text, ++i);
        decimals = n > 0;
        plain += '.';
        plain.append(text.begin() + i, text.begin() + i + n);
        i += n;
    }
    if (plain.empty() || plain == ".")
        return false;
    bool exponent = false;
    if (i < text.size() && (text[i] == L'E' || text[i] == L'e')) {
        size_t j = i + 1;
        if (j < text.size() && (text[j] == L'+' || text[j] == L'-'))
            ++j;
        n = digits_at(text, j);
        if (n == 0)
            return false;
        plain += 'e';
        plain.append(text.begin() + i + 1, text.begin() + j + n);
        exponent = true;
        i = j + n;
    }
    if (i != text.size())
        return false;
    value = std::strtod(plain.c_str(), nullptr) * (negative ? -1 : 1) / (percent ? 100 : 1);
    const std::wstring two_places = std::wstring(1, locale.decimal) + L"00";
    if (percent)
        format = (decimals ? L"0" + two_places : L"0") + L"%";
    else if (exponent)
        format = L"0" + two_places + L"E+00";
    else if (grouped)
        format = L"#" + std::wstring(1, locale.thousands) + L"##0" + (decimals ? two_places : L"");
    return std::isfinite(value);
}

bool small_number(std::wstring_view text, size_t max_digits, int& out) {
    if (text.empty() || text.size() > max_digits)
        return false;
    out = 0;
    for (wchar_t c : text) {
        if (!iswdigit(c))
            return false;
        out = out * 10 + (c - L'0');
    }
    return true;
}

// h:mm or h:mm:ss as a fraction of a day.
bool parse_time(std::wstring_view text, const Locale& locale, double& fraction, bool& seconds) {
    int parts[3] = {0, 0, 0};
    size_t count = 0;
    while (count < 3) {
        const size_t cut = text.find(locale.time_separator);
        if (!small_number(text.substr(0, cut), 2, parts[count++]))
            return false;
        if (cut == text.npos)
            break;
        text.remove_prefix(cut + 1);
    }
    if (count < 2 || text.find(locale.time_separator) != text.npos || parts[0] > 23 || parts[1] > 59 ||
        parts[2] > 59)
        return false;
    seconds = count == 3;
    fraction = (parts[0] * 3600.0 + parts[1] * 60.0 + parts[2]) / 86400.0;
    return true;
}

bool valid_date(int year, int month, int day) {
    static constexpr int lengths[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return year >= 1900 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
           day <= (month == 2 && !leap ? 28 : lengths[month - 1]);
}

// A date in the locale's order and separator, or year first with "-" or the separator; two-digit
// years 00-29 are 2000-2029, 30-99 1930-1999; without a year, this year.
bool parse_date(std::wstring_view text, const Locale& locale, double& serial) {
    const wchar_t separator = text.find(locale.date_separator) != text.npos ? locale.date_separator : L'-';
    if (!text.empty() && text.back() == separator && separator == L'.') // German "31.1."
        text.remove_suffix(1);
    std::wstring_view parts[3];
    size_t count = 0;
    for (; count < 3; ++count) {
        const size_t cut = text.find(separator);
        parts[count] = text.substr(0, cut);
        if (cut == text.npos) {
            ++count;
            break;
        }
        text.remove_prefix(cut + 1);
        if (count == 2)
            return false;
    }
    if (count < 2)
        return false;
    const bool year_first = parts[0].size() == 4 || locale.date_order == 2;
    if (separator == L'-' && !year_first)
        return false;
    int year = 0, month = 0, day = 0;
    std::wstring_view year_text;
    bool parsed = false;
    if (year_first && count == 3) {
        year_text = parts[0];
        parsed = small_number(parts[1], 2, month) && small_number(parts[2], 2, day);
    } else if (!year_first) {
        const bool month_first = locale.date_order == 0;
        parsed = small_number(parts[month_first ? 0 : 1], 2, month) &&
                 small_number(parts[month_first ? 1 : 0], 2, day);
        year_text = count == 3 ? parts[2] : std::wstring_view{};
    }
    if (!parsed)
        return false;
    if (year_text.empty()) {
        SYSTEMTIME now{};
        GetLocalTime(&now);
        year = now.wYear;
    } else if (year_text.size() == 2 || year_text.size() == 4) {
        if (!small_number(year_text, 4, year))
            return false;
        if (year_text.size() == 2)
            year += year < 30 ? 2000 : 1900;
    } else {
        return false;
    }
    if (!valid_date(year, month, day))
        return false;
    serial = serial_of(year, month, day);
    return true;
}

// Days since 0000-03-01 of the proleptic Gregorian calendar (after H. Hinnant's days_from_civil).
long long days_from_civil(long long year, int month, int day) {
    year -= month <= 2;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const long long year_of_era = year - era * 400;
    const long long day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long long day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return era * 146097 + day_of_era;
}

const long long serial_zero = days_from_civil(1899, 12, 30);

} // namespace

const Locale& locale_of(ExcelLocale locale) {
    return locale == ExcelLocale::german ? german : english;
}

double serial_of(int year, int month, int day) {
    return static_cast<double>(days_from_civil(year, month, day) - serial_zero);
}

void civil_of(long long serial, int& year, int& month, int& day) {
    const long long days = serial + serial_zero;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long day_of_era = days - era * 146097;
    const long long year_of_era =
        (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
    const long long day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
    const long long shifted_month = (5 * day_of_year + 2) / 153;
    day = static_cast<int>(day_of_year - (153 * shifted_month + 2) / 5 + 1);
    month = static_cast<int>(shifted_month < 10 ? shifted_month + 3 : shifted_month - 9);
    year = static_cast<int>(year_of_era + era * 400 + (month <= 2));
}

Entry type_entry(std::wstring_view text, const Locale& locale, bool text_cell) {
    Entry entry;
    VARIANT* out = entry.value.put();
    const auto as_text = [&](std::wstring_view kept) {
        out->vt = VT_BSTR;
        out->bstrVal = com::unique_bstr(kept).release();
        return std::move(entry);
    };
    if (text.empty()) // Excel keeps no empty texts: the cell is empty
        return entry;
    if (text.front() == L'\'') // the prefix that keeps an entry text
        return as_text(text.substr(1));
    if (text_cell)
        return as_text(text);
    const std::wstring_view core = trimmed(text);
    double number = 0;
    if (parse_number(core, locale, number, entry.format)) {
        out->vt = VT_R8;
        out->dblVal = number;
        return entry;
    }
    const size_t space = core.find(L' ');
    const std::wstring_view date_part = core.substr(0, space);
    const std::wstring_view time_part =
        space == core.npos ? std::wstring_view{} : trimmed(core.substr(space));
    double serial = 0, fraction = 0;
    bool seconds = false;
    const std::wstring time_format = std::wstring(L"h") + locale.time_separator + L"mm";
    if (parse_date(date_part, locale, serial) &&
        (time_part.empty() || parse_time(time_part, locale, fraction, seconds))) {
        out->vt = VT_DATE;
        out->date = serial + fraction;
        entry.format = locale.short_date_format + (time_part.empty() ? L"" : L" " + time_format);
        return entry;
    }
    if (parse_time(core, locale, fraction, seconds)) {
        out->vt = VT_DATE;
        out->date = fraction;
        entry.format = time_format + (seconds ? locale.time_separator + std::wstring(L"ss") : L"");
        return entry;
    }
    entry.format.clear();
    return as_text(text);
}

} // namespace vex::test::excel
