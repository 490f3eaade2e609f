// Number readers, UTF conversions and the compact cell value.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/cell_value.h"
#include "core/text.h"
#include "support/printing.h"

namespace vex::table {
namespace {

TEST(ReadInteger, ReadsSignedDigitsAfterWhiteSpaceAndStopsAtOtherCharacters) {
    EXPECT_EQ(read_integer(u"42"), 42);
    EXPECT_EQ(read_integer(u"  -7"), -7);
    EXPECT_EQ(read_integer(u"\t+13x9"), 13);
    EXPECT_EQ(read_integer(u"3.9"), 3);
}

TEST(ReadInteger, TextWithoutDigitsReadsAsZero) {
    EXPECT_EQ(read_integer(u""), 0);
    EXPECT_EQ(read_integer(u"abc"), 0);
    EXPECT_EQ(read_integer(u"-"), 0);
    EXPECT_EQ(read_integer(u"x12"), 0);
}

TEST(ReadInteger, SaturatesInsteadOfOverflowing) {
    EXPECT_EQ(read_integer(u"99999999999999999999"), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(read_integer(u"-2147483648"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(read_integer(u"-99999999999999999999"), std::numeric_limits<std::int32_t>::min());
}

TEST(ReadDouble, ReadsClassicDecimalNotation) {
    EXPECT_DOUBLE_EQ(read_double(u"2.1"), 2.1);
    EXPECT_DOUBLE_EQ(read_double(u" -0.5"), -0.5);
    EXPECT_DOUBLE_EQ(read_double(u".25"), 0.25);
    EXPECT_DOUBLE_EQ(read_double(u"1.5e3"), 1500.0);
    EXPECT_DOUBLE_EQ(read_double(u"2E-1"), 0.2);
}

TEST(ReadDouble, StopsAtTheFirstCharacterThatIsNotPartOfTheNumber) {
    EXPECT_DOUBLE_EQ(read_double(u"2,1"), 2.0); // the comma is no decimal point
    EXPECT_DOUBLE_EQ(read_double(u"3.5abc"), 3.5);
    EXPECT_DOUBLE_EQ(read_double(u"4e"), 4.0);
    EXPECT_DOUBLE_EQ(read_double(u"4e+"), 4.0);
    EXPECT_DOUBLE_EQ(read_double(u"1.2.3"), 1.2);
}

TEST(ReadDouble, TextWithoutNumberReadsAsZero) {
    EXPECT_EQ(read_double(u""), 0.0);
    EXPECT_EQ(read_double(u"."), 0.0);
    EXPECT_EQ(read_double(u"inf"), 0.0);
    EXPECT_EQ(read_double(u"nan"), 0.0);
    EXPECT_EQ(read_double(u"0x10"), 0.0);
}

TEST(ReadDouble, OutOfRangeOverflowsToInfinityAndUnderflowsToZero) {
    EXPECT_EQ(read_double(u"1e999"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(read_double(u"-1e999"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(read_double(u"1e-999"), 0.0);
    EXPECT_EQ(read_double(u"0." + std::u16string(400, u'0') + u"1"), 0.0);
    EXPECT_EQ(read_double(u"1" + std::u16string(400, u'0')), std::numeric_limits<double>::infinity());
}

TEST(Utf, RoundTripsAllPlanesAndReplacesMalformedInput) {
    const std::string utf8 = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
    const Text utf16 = from_utf8(utf8);
    EXPECT_EQ(utf16, (Text{u'a', 0xE9, 0x20AC, 0xD83D, 0xDE00}));
    EXPECT_EQ(to_utf8(utf16), utf8);
    EXPECT_EQ(from_utf8("\xC3"), Text(1, 0xFFFD));         // truncated sequence
    EXPECT_EQ(from_utf8("\xC0\xAF"), Text(1, 0xFFFD));     // overlong form
    EXPECT_EQ(from_utf8("\xED\xA0\x80"), Text(1, 0xFFFD)); // encoded surrogate
    EXPECT_EQ(to_utf8(Text(1, 0xD800)), "\xEF\xBF\xBD");
}

TEST(CellValue, StaysSixteenBytesAndKeepsShortAndLongTexts) {
    EXPECT_EQ(sizeof(CellValue), 16u);
    const CellValue empty;
    EXPECT_TRUE(empty.is_empty());
    for (const Text& text : {Text(), Text(u"abcd"), Text(u"abcde"), Text(300, u'x')}) {
        const CellValue value(text);
        ASSERT_TRUE(value.is_text());
        EXPECT_EQ(value.text(), text);
    }
    const CellValue number(2.5);
    EXPECT_TRUE(number.is_number());
    EXPECT_EQ(number.number(), 2.5);
    EXPECT_TRUE(number.text().empty());
}

TEST(CellValue, CopiesMovesAndReassignsBetweenKinds) {
    CellValue a(Text(u"a long text value"));
    CellValue b(a);
    EXPECT_EQ(a, b);
    CellValue c(std::move(a));
    EXPECT_TRUE(a.is_empty());
    EXPECT_EQ(c, b);
    c.set_number(1.0);
    EXPECT_TRUE(c.is_number());
    c.set_text(u"xy");
    EXPECT_EQ(c.text(), u"xy");
    b = c;
    EXPECT_EQ(b.text(), u"xy");
    c.clear();
    EXPECT_TRUE(c.is_empty());
    EXPECT_NE(b, c);
    EXPECT_NE(CellValue(Text(u"1")), CellValue(1.0));
}

TEST(CellValue, AssigningAPartOfItsOwnTextIsSafe) {
    CellValue value(Text(u"0123456789"));
    value.set_text(value.text().substr(2, 6));
    EXPECT_EQ(value.text(), u"234567");
    value.set_text(value.text().substr(1, 3));
    EXPECT_EQ(value.text(), u"345");
    value.set_text(value.text().substr(1));
    EXPECT_EQ(value.text(), u"45");
}

} // namespace
} // namespace vex::table
