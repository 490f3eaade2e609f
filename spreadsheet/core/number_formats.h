// Excel number format texts, built from the International settings of the running Excel.
#pragma once

#include <cstdint>
#include <optional>

#include "core/table_model.h"
#include "core/text.h"

namespace vex::table {

// Excel's Application.International values that the formats are built from.
struct International {
    Text decimalSeparator;   // index 3
    Text thousandsSeparator; // index 4
    Text dayCode;            // index 21
    Text monthCode;          // index 20
    Text yearCode;           // index 19
    Text dateSeparator;      // index 17
    double dateOrder = 0.0;  // index 32: 0 month-day-year, 1 day-month-year, 2 year-month-day
    Text timeSeparator;      // index 18
    Text secondCode;         // index 24
    Text minuteCode;         // index 23
    Text hourCode;           // index 22
};

// The euro sign that ends currency formats (0x80 of code page 1252).
inline constexpr char16_t euro_sign = u'\u20AC';

// "@": text.
Text getFormatText();
// Numeric text is shown as text: "@".
Text getFormatNumc(const ColumnFormat& column);
// Number with the column's lengths; decimalsOverride replaces the column's decimals when above 0.
// Switches to the scientific form when the output length cannot hold the digits.
Text getFormatNumber(const International& settings, const ColumnFormat& column,
                     std::int32_t decimalsOverride);
// Percent shown unscaled with a quoted percent sign; -1 decimals gives two places.
Text getFormatPercent(const International& settings, std::int32_t decimals);
// Amount with thousands grouping and the euro suffix.
Text getFormatCurrency(const International& settings, const ColumnFormat& column);
// Date in the order of the settings; empty for an unknown order.
Text getFormatDate(const International& settings, const ColumnFormat& column);
// Time with hours, minutes and seconds.
Text getFormatTime(const International& settings);
// Format of a unit or currency key: negative values in red without sign, zero empty, text followed
// by the quoted unit when the unit has more than one character.
Text getFormatCustom(const International& settings, std::int32_t decimals, TextView unit);

// Value categories of a column that have a number format (percent is never read from a document,
// but a column record may carry it).
inline constexpr std::int32_t category_numeric_text = 1;
inline constexpr std::int32_t category_text = 2;
inline constexpr std::int32_t category_currency = 3;
inline constexpr std::int32_t category_number = 4;
inline constexpr std::int32_t category_integer = 5;
inline constexpr std::int32_t category_date = 6;
inline constexpr std::int32_t category_time = 7;
inline constexpr std::int32_t category_percent = 8;

// The number format of a column's data, by its category; nothing for integers (Excel's general
// format stays) and for a category without a format.
std::optional<Text> column_number_format(const International& settings, const ColumnFormat& column);
// True for the categories above; any other is reported by the workbook and left unformatted.
bool is_managed_category(std::int32_t category);

// The number format of a cell with format attributes of its own: text when it is marked as text,
// else its unit's format (empty for an unknown unit), else the column's number with the cell's
// decimals, else empty. An empty format resets the cell to Excel's general format.
Text cell_number_format(const International& settings, const ColumnFormat& column, const CellFormat& cell,
                        const UnitFormats& units);

} // namespace vex::table
