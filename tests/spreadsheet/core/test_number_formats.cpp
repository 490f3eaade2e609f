// Number format builders.
#include <gtest/gtest.h>

#include <optional>

#include "core/number_formats.h"
#include "support/printing.h"
#include "support/recording_engine.h"

namespace vex::table {
namespace {

using testing::english_settings;

ColumnFormat lengths(std::int32_t intLen, std::int32_t outputLen, std::int32_t decimals) {
    ColumnFormat column;
    column.intLen = intLen;
    column.outputLen = outputLen;
    column.decimals = decimals;
    return column;
}

International separators(std::u16string decimal, std::u16string thousands) {
    International settings = english_settings();
    settings.decimalSeparator = std::move(decimal);
    settings.thousandsSeparator = std::move(thousands);
    return settings;
}

TEST(FormatNumber, UsesIntegerDigitsAndDecimals) {
    const auto settings = separators(u",", u".");
    EXPECT_EQ(getFormatNumber(settings, lengths(3, 10, 2), 0), u"###,00");
    EXPECT_EQ(getFormatNumber(settings, lengths(0, 0, 0), 0), u"0");
    EXPECT_EQ(getFormatNumber(settings, lengths(1, 5, 0), 0), u"#");
}

TEST(FormatNumber, OverridesDecimalsOnlyWhenAboveZero) {
    const auto settings = english_settings();
    EXPECT_EQ(getFormatNumber(settings, lengths(2, 10, 1), 3), u"##.000");
    EXPECT_EQ(getFormatNumber(settings, lengths(2, 10, 1), 0), u"##.0");
    EXPECT_EQ(getFormatNumber(settings, lengths(2, 10, 1), -2), u"##.0");
}

TEST(FormatNumber, SwitchesToScientificWhenTheOutputLengthIsTooShort) {
    const auto settings = english_settings();
    EXPECT_EQ(getFormatNumber(settings, lengths(10, 10, 2), 0), u"##.00E+00");
    EXPECT_EQ(getFormatNumber(settings, lengths(10, 12, 4), 0), u"##.0000E+00");
    // d no longer below L - 6: no integer digits, L - 6 fraction digits.
    EXPECT_EQ(getFormatNumber(settings, lengths(10, 9, 3), 0), u"0.000E+00");
    EXPECT_EQ(getFormatNumber(settings, lengths(8, 6, 0), 0), u"0E+00");
    EXPECT_EQ(getFormatNumber(settings, lengths(8, 5, 2), 0), u"0E+00");
}

TEST(FormatNumber, LeavesOutAnEmptySeparator) {
    const auto settings = separators(u"", u"");
    EXPECT_EQ(getFormatNumber(settings, lengths(1, 10, 2), 0), u"#00");
}

TEST(FormatNumber, KeepsAbsurdLengthsBounded) {
    const auto settings = english_settings();
    EXPECT_LE(getFormatNumber(settings, lengths(2000000000, 2000000000, 0), 0).size(), 300u);
    EXPECT_LE(getFormatCustom(settings, 2000000000, u"KG").size(), 600u);
}

TEST(FormatPercent, ShowsTheValueUnscaledWithAQuotedPercentSign) {
    const auto settings = separators(u".", u",");
    EXPECT_EQ(getFormatPercent(settings, 0), u"#,##0\"%\"");
    EXPECT_EQ(getFormatPercent(settings, 2), u"#,##0.00\"%\"");
    EXPECT_EQ(getFormatPercent(settings, -1), u"#,##0.00\"%\"");
    EXPECT_EQ(getFormatPercent(settings, -2), u"#,##0.\"%\"");
    EXPECT_EQ(getFormatPercent(separators(u".", u""), 1), u"###0.0\"%\"");
}

TEST(FormatCurrency, EndsInTheEuroSuffix) {
    const auto settings = separators(u".", u",");
    EXPECT_EQ(getFormatCurrency(settings, lengths(0, 0, 0)), u"#,##0.00 _\u20AC");
    EXPECT_EQ(getFormatCurrency(settings, lengths(0, 0, 1)), u"#,##0.0_\u20AC");
    EXPECT_EQ(getFormatCurrency(settings, lengths(0, 0, 3)), u"#,##0.000_\u20AC");
    EXPECT_EQ(getFormatCurrency(settings, lengths(0, 0, -1)), u"#,##0._\u20AC");
}

TEST(FormatDate, FollowsTheDateOrder) {
    auto settings = english_settings();
    settings.dateOrder = 0;
    EXPECT_EQ(getFormatDate(settings, {}), u"mm/dd/yyyy");
    settings.dateOrder = 1;
    EXPECT_EQ(getFormatDate(settings, {}), u"dd/mm/yyyy");
    settings.dateOrder = 2;
    EXPECT_EQ(getFormatDate(settings, {}), u"yyyy/mm/dd");
    settings.dateOrder = 3;
    EXPECT_EQ(getFormatDate(settings, {}), u"");
    settings.dateOrder = 1.5;
    EXPECT_EQ(getFormatDate(settings, {}), u"");
}

TEST(FormatDate, UsesTheLocalCodesAndSeparator) {
    International german = english_settings();
    german.dayCode = u"T";
    german.monthCode = u"M";
    german.yearCode = u"J";
    german.dateSeparator = u".";
    german.dateOrder = 1;
    EXPECT_EQ(getFormatDate(german, {}), u"TT.MM.JJJJ");
}

TEST(FormatTime, HourOnceMinutesAndSecondsTwice) {
    EXPECT_EQ(getFormatTime(english_settings()), u"h:mm:ss;@");
}

TEST(FormatTextAndNumc, AreTheTextFormat) {
    EXPECT_EQ(getFormatText(), u"@");
    EXPECT_EQ(getFormatNumc(lengths(5, 5, 0)), u"@");
}

TEST(FormatCustom, RedNegativesEmptyZeroAndTheUnitAfterText) {
    const auto settings = english_settings();
    EXPECT_EQ(getFormatCustom(settings, 2, u"KG"), u"#0.00;[Red]#0.00;;@\"KG\"");
    EXPECT_EQ(getFormatCustom(settings, 0, u"EUR"), u"#0;[Red]#0;;@\"EUR\"");
    EXPECT_EQ(getFormatCustom(settings, -1, u"M"), u"#0.00;[Red]#0.00;;");
    EXPECT_EQ(getFormatCustom(settings, -3, u""), u"#0.;[Red]#0.;;");
    EXPECT_EQ(getFormatCustom(separators(u",", u"."), 1, u"ST"), u"#0,0;[Red]#0,0;;@\"ST\"");
}

TEST(ColumnNumberFormat, DependsOnTheCategory) {
    const auto settings = english_settings();
    const std::pair<std::int32_t, std::optional<std::u16string>> cases[] = {
        {1, u"@"},          {2, u"@"},          {3, u"#,##0.00_\u20AC"},
        {4, u"###.00"},     {5, std::nullopt}, // integers keep Excel's general format
        {6, u"dd/mm/yyyy"}, {7, u"h:mm:ss;@"},  {8, u"#,##0.00\"%\""},
        {0, std::nullopt},  {-1, std::nullopt}, {9, std::nullopt},
    };
    for (const auto& [category, format] : cases) {
        ColumnFormat column = lengths(3, 10, 2);
        column.category = category;
        EXPECT_EQ(column_number_format(settings, column), format) << category;
        EXPECT_EQ(is_managed_category(category), category >= 1 && category <= 8) << category;
    }
}

TEST(CellNumberFormat, TextBeforeUnitBeforeDecimals) {
    const auto settings = english_settings();
    const UnitFormats units = {{u"KG", u"#0.000;[Red]#0.000;;@\"KG\""}};
    const ColumnFormat column = lengths(3, 10, 1);
    struct Case {
        std::int32_t isText, hasUnit, hasDecimals;
        const char16_t* unit;
        std::int32_t decimals;
        std::u16string format;
    };
    const Case cases[] = {
        {1, 1, 1, u"KG", 3, u"@"},
        {0, 1, 1, u"KG", 3, u"#0.000;[Red]#0.000;;@\"KG\""},
        {0, 1, 0, u"LB", 0, u""}, // an unknown unit resets the cell to the general format
        {0, 0, 1, u"", 3, u"###.000"},
        {0, 0, 1, u"", 0, u"###.0"}, // no decimals of its own: the column's stay
        {0, 0, 0, u"KG", 3, u""},
    };
    for (const Case& c : cases) {
        CellFormat cell;
        cell.isText = c.isText;
        cell.hasUnit = c.hasUnit;
        cell.hasDecimals = c.hasDecimals;
        cell.unit = c.unit;
        cell.decimals = c.decimals;
        EXPECT_EQ(cell_number_format(settings, column, cell, units), c.format)
            << ::testing::PrintToString(cell);
    }
}

} // namespace
} // namespace vex::table
