// The core's pure functions: the document's number readers, UTF conversions, the compact cell values,
// colour texts, justification codes, the name tables and the number format builders.
#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <stdexcept>

#include "core/cell_values.h"
#include "core/colour_text.h"
#include "core/justify.h"
#include "core/name_lookup.h"
#include "core/number_formats.h"
#include "core/text.h"
#include "support/document_test.h"

namespace vex::table {
namespace {

using testing::describe;
constexpr double infinity = std::numeric_limits<double>::infinity();
constexpr std::int32_t int_max = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t int_min = std::numeric_limits<std::int32_t>::min();

TEST(TextReaders, IntegersAndDecimalsAsTheDocumentWritesThem) {
    const std::pair<Text, std::int32_t> integers[] = {{u"42", 42},
                                                      {u"  -7", -7},
                                                      {u"\t+13x9", 13},
                                                      {u"3.9", 3},
                                                      {u"", 0},
                                                      {u"abc", 0},
                                                      {u"-", 0},
                                                      {u"x12", 0},
                                                      {u"99999999999999999999", int_max},
                                                      {u"-2147483648", int_min},
                                                      {u"-99999999999999999999", int_min}};
    for (const auto& [text, value] : integers) {
        EXPECT_EQ(read_integer(text), value) << to_utf8(text);
    }
    const std::pair<Text, double> decimals[] = {{u"2.1", 2.1},
                                                {u" -0.5", -0.5},
                                                {u".25", 0.25},
                                                {u"1.5e3", 1500.0},
                                                {u"2E-1", 0.2},
                                                {u"2,1", 2.0},
                                                {u"3.5abc", 3.5},
                                                {u"4e", 4.0},
                                                {u"4e+", 4.0},
                                                {u"1.2.3", 1.2},
                                                {u"", 0.0},
                                                {u".", 0.0},
                                                {u"inf", 0.0},
                                                {u"nan", 0.0},
                                                {u"0x10", 0.0},
                                                {u"1e999", infinity},
                                                {u"-1e999", -infinity},
                                                {u"1e-999", 0.0},
                                                {u"0." + Text(400, u'0') + u"1", 0.0},
                                                {u"1" + Text(400, u'0'), infinity}};
    for (const auto& [text, value] : decimals) {
        EXPECT_DOUBLE_EQ(read_double(text), value) << to_utf8(text);
    }
}

TEST(TextReaders, Utf8RoundTripsAllPlanesAndReplacesMalformedInput) {
    const std::string utf8 = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
    EXPECT_EQ(from_utf8(utf8), (Text{u'a', 0xE9, 0x20AC, 0xD83D, 0xDE00}));
    EXPECT_EQ(to_utf8(from_utf8(utf8)), utf8);
    for (const char* malformed : {"\xC3", "\xC0\xAF", "\xED\xA0\x80"}) { // cut, overlong, a surrogate
        EXPECT_EQ(from_utf8(malformed), Text(1, 0xFFFD)) << malformed;
    }
    EXPECT_EQ(to_utf8(Text(1, 0xD800)), "\xEF\xBF\xBD");
}

TEST(CellValues, KeepKindsAndTextsThroughInsertionsCopiesAndGrowth) {
    CellValues values;
    values.push_back_text(u"abc");
    values.push_back_empty();
    values.push_back_number(2.5);
    values.push_back_text(Text(300, u'x'));
    values.push_back_text(u"");
    EXPECT_EQ(describe(values), "abc|<empty>|=2.5|" + std::string(300, 'x') + "|");
    EXPECT_EQ(values[2].text(), u"");
    EXPECT_EQ(values.text_units(), 303u);
    EXPECT_THROW(values.at(5), std::out_of_range);

    values.insert_empty(1, 2);
    values.append_empty(1);
    values.insert_empty(99, 1); // beyond the end: appended
    EXPECT_EQ(describe(values),
              "abc|<empty>|<empty>|<empty>|=2.5|" + std::string(300, 'x') + "||<empty>|<empty>");

    CellValues copy = values;
    values.clear();
    EXPECT_TRUE(values.empty());
    EXPECT_EQ(copy.size(), 9u);
    values.push_back(CellValue(TextView(u"abc")));
    EXPECT_NE(copy, values);
    EXPECT_EQ(copy[0], values[0]);
    EXPECT_NE(CellValue(TextView(u"1")), CellValue(1.0));
    EXPECT_NE(CellValue(), CellValue(TextView(u"")));

    // Each append may move the texts while the text appended is a view into them.
    CellValues grown;
    grown.push_back_text(u"0123456789");
    for (int i = 0; i < 10; ++i) {
        grown.push_back_text(grown[grown.size() - 1].text().substr(1));
    }
    EXPECT_EQ(describe(grown), "0123456789|123456789|23456789|3456789|456789|56789|6789|789|89|9|");
}

TEST(ColourText, RedInTheLowByteFromSixDigitsAfterTheFirstCharacter) {
    const std::pair<Text, std::optional<std::uint32_t>> cases[] = {
        {u"#FF8000", 0x0080FFu},   {u"#0000FF", 0xFF0000u},     {u"#123456", 0x563412u},
        {u"x0A0B0C", 0x0C0B0Au},   {u"#0A0B0CFFFF", 0x0C0B0Au}, // the first character and a tail are not read
        {u"#ffAAgg", 0x00AA00u}, // lower case and other characters count as zero
        {u"#FFFFF", std::nullopt}, {u"", std::nullopt}};
    for (const auto& [text, rgb] : cases) {
        std::uint32_t value = 7;
        EXPECT_EQ(getRGBValue(text, value), rgb ? status_ok : status_fail) << to_utf8(text);
        EXPECT_EQ(value, rgb.value_or(7)) << to_utf8(text);
    }
}

TEST(Justify, LeftRightAndCentreExactlyElseAWarning) {
    const std::pair<Text, std::optional<std::int32_t>> cases[] = {{u"L", -4131},       {u"R", -4152},
                                                                  {u"C", -4108},       {u"l", std::nullopt},
                                                                  {u"", std::nullopt}, {u"LL", std::nullopt}};
    for (const auto& [code, value] : cases) {
        EXPECT_EQ(justify_value(code), value) << to_utf8(code);
    }
    EXPECT_EQ(invalid_justify_warning(u"l"), u"No valid JustifyValue:l");
}

TEST(NameLookup, NamesAreComparedExactlyAndUnknownTablesHaveNone) {
    EXPECT_EQ(lookup_code(u"tbx:AREAS", LookupTable::root_children), 11);
    for (const char16_t* near : {u"TBX:AREAS", u"AREAS", u"tbx:AREAS "}) {
        EXPECT_EQ(lookup_code(near, LookupTable::root_children), not_found);
    }
    EXPECT_EQ(lookup_code(u"g", LookupTable::internal_types), 2);
    EXPECT_EQ(lookup_code(u"G", LookupTable::internal_types), not_found);
    for (const std::int32_t id : {1, 2, 14, 16, -1}) {
        EXPECT_FALSE(has_lookup_table(id)) << id;
        EXPECT_EQ(lookup_code(u"NAME", id), not_found);
    }
}

ColumnFormat lengths(std::int32_t intLen, std::int32_t outputLen, std::int32_t decimals,
                     std::int32_t category = 0) {
    ColumnFormat column;
    column.intLen = intLen;
    column.outputLen = outputLen;
    column.decimals = decimals;
    column.category = category;
    return column;
}

International separators(std::u16string decimal, std::u16string thousands) {
    International settings = testing::english_settings();
    settings.decimalSeparator = std::move(decimal);
    settings.thousandsSeparator = std::move(thousands);
    return settings;
}

TEST(NumberFormats, EachBuilderFromTheSettings) {
    const International english = testing::english_settings();
    const International german = separators(u",", u".");
    const International bare = separators(u"", u"");
    const Text euro = u"_\u20AC";
    const std::pair<Text, Text> cases[] = {
        // Integer places and decimals; a cell's decimals above zero replace the column's.
        {getFormatNumber(german, lengths(3, 10, 2), 0), u"###,00"},
        {getFormatNumber(english, lengths(0, 0, 0), 0), u"0"},
        {getFormatNumber(english, lengths(1, 5, 0), 0), u"#"},
        {getFormatNumber(english, lengths(2, 10, 1), 3), u"##.000"},
        {getFormatNumber(english, lengths(2, 10, 1), -2), u"##.0"},
        {getFormatNumber(bare, lengths(1, 10, 2), 0), u"#00"},
        // Scientific when the output length is too short.
        {getFormatNumber(english, lengths(10, 10, 2), 0), u"##.00E+00"},
        {getFormatNumber(english, lengths(10, 12, 4), 0), u"##.0000E+00"},
        {getFormatNumber(english, lengths(10, 9, 3), 0), u"0.000E+00"},
        {getFormatNumber(english, lengths(8, 6, 0), 0), u"0E+00"},
        {getFormatNumber(english, lengths(8, 5, 2), 0), u"0E+00"},
        // Percent values unscaled; -1 decimals are two, other negatives none.
        {getFormatPercent(english, 0), u"#,##0\"%\""},
        {getFormatPercent(english, 2), u"#,##0.00\"%\""},
        {getFormatPercent(english, -1), u"#,##0.00\"%\""},
        {getFormatPercent(english, -2), u"#,##0.\"%\""},
        {getFormatPercent(separators(u".", u""), 1), u"###0.0\"%\""},
        {getFormatCurrency(english, lengths(0, 0, 0)), u"#,##0.00 " + euro},
        {getFormatCurrency(german, lengths(0, 0, 1)), u"#.##0,0" + euro},
        {getFormatCurrency(english, lengths(0, 0, 3)), u"#,##0.000" + euro},
        {getFormatCurrency(english, lengths(0, 0, -1)), u"#,##0." + euro},
        {getFormatTime(english), u"h:mm:ss;@"},
        {getFormatText(), u"@"},
        {getFormatNumc(lengths(5, 5, 0)), u"@"},
        // Red negatives, empty zeros and the unit after a text; a one-letter unit is not shown.
        {getFormatCustom(english, 2, u"KG"), u"#0.00;[Red]#0.00;;@\"KG\""},
        {getFormatCustom(english, 0, u"EUR"), u"#0;[Red]#0;;@\"EUR\""},
        {getFormatCustom(english, -1, u"M"), u"#0.00;[Red]#0.00;;"},
        {getFormatCustom(english, -3, u""), u"#0.;[Red]#0.;;"},
        {getFormatCustom(german, 1, u"ST"), u"#0,0;[Red]#0,0;;@\"ST\""}};
    for (const auto& [format, expected] : cases) {
        EXPECT_EQ(to_utf8(format), to_utf8(expected));
    }
    EXPECT_LE(getFormatNumber(english, lengths(2000000000, 2000000000, 0), 0).size(), 300u);
    EXPECT_LE(getFormatCustom(english, 2000000000, u"KG").size(), 600u);
}

TEST(NumberFormats, DatesFollowTheDateOrderAndTheLocalCodes) {
    International settings = testing::english_settings();
    const std::pair<double, Text> orders[] = {
        {0, u"mm/dd/yyyy"}, {1, u"dd/mm/yyyy"}, {2, u"yyyy/mm/dd"}, {3, u""}, {1.5, u""}};
    for (const auto& [order, format] : orders) {
        settings.dateOrder = order;
        EXPECT_EQ(getFormatDate(settings, {}), format) << order;
    }
    settings.dayCode = u"T";
    settings.monthCode = u"M";
    settings.yearCode = u"J";
    settings.dateSeparator = u".";
    settings.dateOrder = 1;
    EXPECT_EQ(getFormatDate(settings, {}), u"TT.MM.JJJJ");
}

TEST(NumberFormats, ColumnFormatsByCategoryCellFormatsByTheirAttributes) {
    const International settings = testing::english_settings();
    const std::pair<std::int32_t, std::optional<Text>> categories[] = {
        {1, u"@"},         {2, u"@"},          {3, u"#,##0.00_\u20AC"}, {4, u"###.00"},
        {5, std::nullopt}, {6, u"dd/mm/yyyy"}, {7, u"h:mm:ss;@"},       {8, u"#,##0.00\"%\""},
        {0, std::nullopt}, {-1, std::nullopt}, {9, std::nullopt}};
    for (const auto& [category, format] : categories) {
        EXPECT_EQ(column_number_format(settings, lengths(3, 10, 2, category)), format) << category;
        EXPECT_EQ(is_managed_category(category), category >= 1 && category <= 8) << category;
    }
    // The text attribute before a unit before decimals; an unknown unit is Excel's general format.
    const UnitFormats units = {{u"KG", u"#0.000;[Red]#0.000;;@\"KG\""}};
    struct Cell {
        std::int32_t isText, hasUnit, hasDecimals;
        const char16_t* unit;
        std::int32_t decimals;
        Text format;
    };
    const Cell cells[] = {{1, 1, 1, u"KG", 3, u"@"},   {0, 1, 1, u"KG", 3, u"#0.000;[Red]#0.000;;@\"KG\""},
                          {0, 1, 0, u"LB", 0, u""},    {0, 0, 1, u"", 3, u"###.000"},
                          {0, 0, 1, u"", 0, u"###.0"}, {0, 0, 0, u"KG", 3, u""}};
    for (const Cell& c : cells) {
        CellFormat cell;
        cell.isText = c.isText;
        cell.hasUnit = c.hasUnit;
        cell.hasDecimals = c.hasDecimals;
        cell.unit = c.unit;
        cell.decimals = c.decimals;
        EXPECT_EQ(cell_number_format(settings, lengths(3, 10, 1), cell, units), c.format)
            << to_utf8(c.format);
    }
}

} // namespace
} // namespace vex::table
