// What Excel does in a locale, for the native workbook: the International settings it answers (the
// number formats are built from them) and how it types a text put into a cell's Value, as it types a
// user's entry: numbers with the locale's separators, grouping, sign, exponent and percent, dates in
// the locale's order (or year first), times; anything else stays text, and so does everything put
// into a text ("@") cell.
#pragma once

#include <cstdint>

#include "core/number_formats.h"
#include "core/text.h"

namespace vex::table::native {

struct ExcelLocale {
    const char* name; // "en", "de"
    char16_t decimal;
    char16_t thousands;
    char16_t dateSeparator;
    char16_t timeSeparator;
    // Format code letters.
    char16_t year;
    char16_t month;
    char16_t day;
    char16_t hour;
    char16_t minute;
    char16_t second;
    int dateOrder; // 0 month-day-year, 1 day-month-year, 2 year-month-day
    // The number format Excel gives a General cell for a typed date, and the General format's name.
    TextView shortDateFormat;
    TextView generalName;
};

// US English and German Excel.
const ExcelLocale& english_excel();
const ExcelLocale& german_excel();
// The locale of that name ("en", "de"), null for another.
const ExcelLocale* excel_locale(std::string_view name);

// Application.International as Excel answers it in the locale.
International international_of(const ExcelLocale& locale);

// The number formats Excel gives a General cell for a typed entry, by kind.
enum class EntryFormat : std::uint8_t {
    none,
    percent,         // "0%"
    percentDecimals, // "0.00%"
    exponent,        // "0.00E+00"
    grouped,         // "#,##0"
    groupedDecimals, // "#,##0.00"
    date,            // the short date format
    dateTime,        // short date and "h:mm"
    time,            // "h:mm"
    timeSeconds,     // "h:mm:ss"
};
// The format text of a kind in the locale's codes; empty for none.
Text entry_format_text(EntryFormat format, const ExcelLocale& locale);

// What a cell holds after a text was put into it.
struct Entry {
    enum class Kind : std::uint8_t { empty, text, number, formula };
    Kind kind = Kind::empty;
    EntryFormat format = EntryFormat::none;
    double number = 0; // numbers, and dates and times as Excel's serial day numbers
    TextView text;     // a text (a part of the text typed) or a formula
};

// Types text as Excel types an entry in a cell whose number format is text (textCell) or not.
// currentYear completes a date written without a year. A text that starts with "=" in a cell that is
// not text is a formula.
Entry type_entry(TextView text, const ExcelLocale& locale, bool textCell, int currentYear);

// Excel's serial day number of a date (1 is 1900-01-01 from 1900-03-01 on).
double serial_of(int year, int month, int day);

} // namespace vex::table::native
