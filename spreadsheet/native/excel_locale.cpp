// Excel's locale settings and its typing of entries.
#include "native/excel_locale.h"

#include <cmath>
#include <cstdlib>
#include <string_view>

namespace vex::table::native {

namespace {

constexpr ExcelLocale english{"en", u'.', u',', u'/', u':', u'y',        u'm',
                              u'd', u'h', u'm', u's', 0,    u"m/d/yyyy", u"General"};
constexpr ExcelLocale german{"de", u',', u'.', u'.', u':', u'J',          u'M',
                             u'T', u'h', u'm', u's', 1,    u"TT.MM.JJJJ", u"Standard"};

bool is_digit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

TextView trimmed(TextView text) {
    while (!text.empty() && text.front() == u' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == u' ') {
        text.remove_suffix(1);
    }
    return text;
}

std::size_t digits_at(TextView text, std::size_t at) {
    std::size_t n = 0;
    while (at + n < text.size() && is_digit(text[at + n])) {
        ++n;
    }
    return n;
}

// Collects the characters of a number for the conversion; false when it would not fit, which no
// number Excel keeps needs.
class Digits {
public:
    bool append(TextView digits) {
        for (const char16_t c : digits) {
            append(static_cast<char>(c));
        }
        return m_fits;
    }
    void append(char c) {
        if (m_size + 1 < sizeof(m_text)) {
            m_text[m_size++] = c;
        } else {
            m_fits = false;
        }
    }
    bool empty() const { return m_size == 0; }
    bool only_point() const { return m_size == 1 && m_text[0] == '.'; }
    bool fits() const { return m_fits; }
    // As strtod converts them in the C locale this program keeps: too large is infinite.
    double value() {
        m_text[m_size] = 0;
        return std::strtod(m_text, nullptr);
    }

private:
    char m_text[400];
    std::size_t m_size = 0;
    bool m_fits = true;
};

// A number in the locale's form: [sign] digits (or groups of three after the first 1 to 3 digits)
// [decimal digits] [E sign digits] [%], or the same in parentheses for a negative number.
bool parse_number(TextView text, const ExcelLocale& locale, double& value, EntryFormat& format) {
    bool negative = false;
    bool percent = false;
    if (text.size() > 2 && text.front() == u'(' && text.back() == u')') {
        negative = true;
        text = trimmed(text.substr(1, text.size() - 2));
    }
    if (!text.empty() && text.back() == u'%') {
        percent = true;
        text = trimmed(text.substr(0, text.size() - 1));
    }
    std::size_t i = 0;
    if (!negative && i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i++] == u'-';
    }
    Digits plain;
    std::size_t n = digits_at(text, i);
    plain.append(text.substr(i, n));
    const bool firstGroup = n >= 1 && n <= 3;
    i += n;
    bool grouped = false;
    while (firstGroup && i + 4 <= text.size() && text[i] == locale.thousands && digits_at(text, i + 1) >= 3 &&
           (i + 4 == text.size() || !is_digit(text[i + 4]))) {
        plain.append(text.substr(i + 1, 3));
        grouped = true;
        i += 4;
    }
    bool decimals = false;
    if (i < text.size() && text[i] == locale.decimal) {
        n = digits_at(text, ++i);
        decimals = n > 0;
        plain.append('.');
        plain.append(text.substr(i, n));
        i += n;
    }
    if (plain.empty() || plain.only_point()) {
        return false;
    }
    bool exponent = false;
    if (i < text.size() && (text[i] == u'E' || text[i] == u'e')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == u'+' || text[j] == u'-')) {
            ++j;
        }
        n = digits_at(text, j);
        if (n == 0) {
            return false;
        }
        plain.append('e');
        plain.append(text.substr(i + 1, j + n - i - 1));
        exponent = true;
        i = j + n;
    }
    if (i != text.size() || !plain.fits()) {
        return false;
    }
    value = plain.value() * (negative ? -1 : 1) / (percent ? 100 : 1);
    if (percent) {
        format = decimals ? EntryFormat::percentDecimals : EntryFormat::percent;
    } else if (exponent) {
        format = EntryFormat::exponent;
    } else if (grouped) {
        format = decimals ? EntryFormat::groupedDecimals : EntryFormat::grouped;
    }
    return std::isfinite(value);
}

bool small_number(TextView text, std::size_t maxDigits, int& out) {
    if (text.empty() || text.size() > maxDigits) {
        return false;
    }
    out = 0;
    for (const char16_t c : text) {
        if (!is_digit(c)) {
            return false;
        }
        out = out * 10 + (c - u'0');
    }
    return true;
}

// h:mm or h:mm:ss as a fraction of a day.
bool parse_time(TextView text, const ExcelLocale& locale, double& fraction, bool& seconds) {
    int parts[3] = {0, 0, 0};
    std::size_t count = 0;
    while (count < 3) {
        const std::size_t cut = text.find(locale.timeSeparator);
        if (!small_number(text.substr(0, cut), 2, parts[count++])) {
            return false;
        }
        if (cut == TextView::npos) {
            break;
        }
        text.remove_prefix(cut + 1);
    }
    if (count < 2 || text.find(locale.timeSeparator) != TextView::npos || parts[0] > 23 || parts[1] > 59 ||
        parts[2] > 59) {
        return false;
    }
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
// years 00-29 are 2000-2029, 30-99 1930-1999; without a year, the current year.
bool parse_date(TextView text, const ExcelLocale& locale, int currentYear, double& serial) {
    const char16_t separator =
        text.find(locale.dateSeparator) != TextView::npos ? locale.dateSeparator : u'-';
    if (!text.empty() && text.back() == separator && separator == u'.') { // German "31.1."
        text.remove_suffix(1);
    }
    TextView parts[3];
    std::size_t count = 0;
    for (; count < 3; ++count) {
        const std::size_t cut = text.find(separator);
        parts[count] = text.substr(0, cut);
        if (cut == TextView::npos) {
            ++count;
            break;
        }
        text.remove_prefix(cut + 1);
        if (count == 2) {
            return false;
        }
    }
    if (count < 2) {
        return false;
    }
    const bool yearFirst = parts[0].size() == 4 || locale.dateOrder == 2;
    if (separator == u'-' && !yearFirst) {
        return false;
    }
    int year = 0;
    int month = 0;
    int day = 0;
    TextView yearText;
    bool parsed = false;
    if (yearFirst && count == 3) {
        yearText = parts[0];
        parsed = small_number(parts[1], 2, month) && small_number(parts[2], 2, day);
    } else if (!yearFirst) {
        const bool monthFirst = locale.dateOrder == 0;
        parsed = small_number(parts[monthFirst ? 0 : 1], 2, month) &&
                 small_number(parts[monthFirst ? 1 : 0], 2, day);
        yearText = count == 3 ? parts[2] : TextView();
    }
    if (!parsed) {
        return false;
    }
    if (yearText.empty()) {
        year = currentYear;
    } else if (yearText.size() == 2 || yearText.size() == 4) {
        if (!small_number(yearText, 4, year)) {
            return false;
        }
        if (yearText.size() == 2) {
            year += year < 30 ? 2000 : 1900;
        }
    } else {
        return false;
    }
    if (!valid_date(year, month, day)) {
        return false;
    }
    serial = serial_of(year, month, day);
    return true;
}

// Days since 0000-03-01 of the proleptic Gregorian calendar (after H. Hinnant's days_from_civil).
long long days_from_civil(long long year, int month, int day) {
    year -= month <= 2;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const long long yearOfEra = year - era * 400;
    const long long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra;
}

} // namespace

const ExcelLocale& english_excel() {
    return english;
}

const ExcelLocale& german_excel() {
    return german;
}

const ExcelLocale* excel_locale(std::string_view name) {
    if (name == english.name) {
        return &english;
    }
    if (name == german.name) {
        return &german;
    }
    return nullptr;
}

International international_of(const ExcelLocale& locale) {
    International settings;
    settings.decimalSeparator = Text(1, locale.decimal);
    settings.thousandsSeparator = Text(1, locale.thousands);
    settings.dayCode = Text(1, locale.day);
    settings.monthCode = Text(1, locale.month);
    settings.yearCode = Text(1, locale.year);
    settings.dateSeparator = Text(1, locale.dateSeparator);
    settings.dateOrder = locale.dateOrder;
    settings.timeSeparator = Text(1, locale.timeSeparator);
    settings.secondCode = Text(1, locale.second);
    settings.minuteCode = Text(1, locale.minute);
    settings.hourCode = Text(1, locale.hour);
    return settings;
}

Text entry_format_text(EntryFormat format, const ExcelLocale& locale) {
    const Text twoPlaces = Text(1, locale.decimal) + u"00";
    const Text hoursMinutes = Text(u"h") + locale.timeSeparator + u"mm";
    switch (format) {
    case EntryFormat::none:
        return Text();
    case EntryFormat::percent:
        return u"0%";
    case EntryFormat::percentDecimals:
        return u"0" + twoPlaces + u"%";
    case EntryFormat::exponent:
        return u"0" + twoPlaces + u"E+00";
    case EntryFormat::grouped:
        return Text(u"#") + locale.thousands + u"##0";
    case EntryFormat::groupedDecimals:
        return Text(u"#") + locale.thousands + u"##0" + twoPlaces;
    case EntryFormat::date:
        return Text(locale.shortDateFormat);
    case EntryFormat::dateTime:
        return Text(locale.shortDateFormat) + u" " + hoursMinutes;
    case EntryFormat::time:
        return hoursMinutes;
    case EntryFormat::timeSeconds:
        return hoursMinutes + locale.timeSeparator + u"ss";
    }
    return Text();
}

Entry type_entry(TextView text, const ExcelLocale& locale, bool textCell, int currentYear) {
    Entry entry;
    const auto as_text = [&](TextView kept) {
        entry.kind = Entry::Kind::text;
        entry.format = EntryFormat::none;
        entry.text = kept;
        return entry;
    };
    if (text.empty()) { // Excel keeps no empty texts: the cell is empty
        return entry;
    }
    if (text.front() == u'\'') { // the prefix that keeps an entry text
        return as_text(text.substr(1));
    }
    if (textCell) {
        return as_text(text);
    }
    if (text.size() > 1 && text.front() == u'=') {
        entry.kind = Entry::Kind::formula;
        entry.text = text;
        return entry;
    }
    const TextView core = trimmed(text);
    if (parse_number(core, locale, entry.number, entry.format)) {
        entry.kind = Entry::Kind::number;
        return entry;
    }
    const std::size_t space = core.find(u' ');
    const TextView datePart = core.substr(0, space);
    const TextView timePart = space == TextView::npos ? TextView() : trimmed(core.substr(space));
    double serial = 0;
    double fraction = 0;
    bool seconds = false;
    if (parse_date(datePart, locale, currentYear, serial) &&
        (timePart.empty() || parse_time(timePart, locale, fraction, seconds))) {
        entry.kind = Entry::Kind::number;
        entry.number = serial + fraction;
        entry.format = timePart.empty() ? EntryFormat::date : EntryFormat::dateTime;
        return entry;
    }
    if (parse_time(core, locale, fraction, seconds)) {
        entry.kind = Entry::Kind::number;
        entry.number = fraction;
        entry.format = seconds ? EntryFormat::timeSeconds : EntryFormat::time;
        return entry;
    }
    return as_text(text);
}

double serial_of(int year, int month, int day) {
    static const long long zero = days_from_civil(1899, 12, 30);
    return static_cast<double>(days_from_civil(year, month, day) - zero);
}

} // namespace vex::table::native
