// Number readers, UTF conversions and the compact cell value.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <vector>

#include "core/cell_values.h"
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

TEST(CellValues, KeepEmptyTextAndNumberValuesInOrder) {
    CellValues values;
    values.push_back_text(u"abc");
    values.push_back_empty();
    values.push_back_number(2.5);
    values.push_back_text(Text(300, u'x'));
    values.push_back_text(u"");
    ASSERT_EQ(values.size(), 5u);
    EXPECT_EQ(values[0], CellValue(TextView(u"abc")));
    EXPECT_TRUE(values[1].is_empty());
    EXPECT_EQ(values[2], CellValue(2.5));
    EXPECT_EQ(values[2].text(), u"");
    EXPECT_EQ(values[3].text(), Text(300, u'x'));
    EXPECT_TRUE(values[4].is_text());
    EXPECT_TRUE(values[4].text().empty());
    EXPECT_EQ(values.text_units(), 303u);
    EXPECT_THROW(values.at(5), std::out_of_range);
}

TEST(CellValues, EmptyValuesAreInsertedWithoutDisturbingTexts) {
    CellValues values;
    values.push_back_text(u"first");
    values.push_back_text(u"second");
    values.insert_empty(1, 3);
    values.append_empty(2);
    values.insert_empty(99, 1); // beyond the end: appended
    ASSERT_EQ(values.size(), 8u);
    EXPECT_EQ(values[0].text(), u"first");
    for (const std::size_t i : {1u, 2u, 3u, 5u, 6u, 7u}) {
        EXPECT_TRUE(values[i].is_empty()) << i;
    }
    EXPECT_EQ(values[4].text(), u"second");
}

TEST(CellValues, CompareByValueAndCopyIndependently) {
    CellValues a;
    a.push_back_text(u"x");
    a.push_back_number(1.0);
    CellValues b;
    b.push_back(CellValue(TextView(u"x")));
    b.push_back(CellValue(1.0));
    EXPECT_EQ(a, b);
    CellValues copy = a;
    a.clear();
    EXPECT_TRUE(a.empty());
    EXPECT_EQ(copy, b);
    b.push_back_empty();
    EXPECT_NE(copy, b);
    EXPECT_NE(CellValue(TextView(u"1")), CellValue(1.0));
    EXPECT_NE(CellValue(), CellValue(TextView(u"")));
}

TEST(CellValues, AppendingATextOfTheSameSequenceIsSafe) {
    CellValues values;
    values.push_back_text(u"0123456789");
    for (int i = 0; i < 10; ++i) {
        // Each append may move the texts; the source view is into them.
        values.push_back_text(values[values.size() - 1].text().substr(1));
    }
    EXPECT_EQ(values[1].text(), u"123456789");
    EXPECT_EQ(values[9].text(), u"9");
    EXPECT_EQ(values[10].text(), u"");
}

TEST(CellValues, IterateInOrder) {
    CellValues values;
    values.push_back_text(u"a");
    values.push_back_number(3.0);
    std::vector<CellValue::Kind> kinds;
    for (const CellValue value : values) {
        kinds.push_back(value.kind());
    }
    EXPECT_EQ(kinds, (std::vector<CellValue::Kind>{CellValue::Kind::text, CellValue::Kind::number}));
}

} // namespace
} // namespace vex::table
