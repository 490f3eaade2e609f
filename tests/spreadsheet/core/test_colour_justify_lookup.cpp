// Colour texts, justification codes and the name tables.
#include <gtest/gtest.h>

#include "core/colour_text.h"
#include "core/justify.h"
#include "core/name_lookup.h"

namespace vex::table {
namespace {

TEST(RgbValue, PutsRedInTheLowByte) {
    std::uint32_t rgb = 0;
    ASSERT_EQ(getRGBValue(u"#FF8000", rgb), status_ok);
    EXPECT_EQ(rgb, 0x0080FFu);
    ASSERT_EQ(getRGBValue(u"#0000FF", rgb), status_ok);
    EXPECT_EQ(rgb, 0xFF0000u);
    ASSERT_EQ(getRGBValue(u"#123456", rgb), status_ok);
    EXPECT_EQ(rgb, 0x12u + 0x34u * 256u + 0x56u * 65536u);
}

TEST(RgbValue, IgnoresTheFirstCharacterAndAnythingAfterSixDigits) {
    std::uint32_t rgb = 0;
    ASSERT_EQ(getRGBValue(u"x0A0B0C", rgb), status_ok);
    EXPECT_EQ(rgb, 0x0C0B0Au);
    ASSERT_EQ(getRGBValue(u"#0A0B0CFFFF", rgb), status_ok);
    EXPECT_EQ(rgb, 0x0C0B0Au);
}

TEST(RgbValue, LowerCaseAndOtherCharactersCountAsZero) {
    std::uint32_t rgb = 0;
    ASSERT_EQ(getRGBValue(u"#ffAAgg", rgb), status_ok);
    EXPECT_EQ(rgb, 0x00AA00u);
    EXPECT_EQ(CharToByt(u'9'), 9);
    EXPECT_EQ(CharToByt(u'F'), 15);
    EXPECT_EQ(CharToByt(u'G'), 0);
    EXPECT_EQ(CharToByt(u'a'), 0);
}

TEST(RgbValue, RefusesTextsShorterThanSevenCharacters) {
    std::uint32_t rgb = 7;
    EXPECT_EQ(getRGBValue(u"#FFFFF", rgb), status_fail);
    EXPECT_EQ(getRGBValue(u"", rgb), status_fail);
    EXPECT_EQ(rgb, 7u);
}

TEST(Justify, MapsLeftRightCentreExactly) {
    EXPECT_EQ(justify_value(u"L"), -4131);
    EXPECT_EQ(justify_value(u"R"), -4152);
    EXPECT_EQ(justify_value(u"C"), -4108);
}

TEST(Justify, AnythingElseHasNoAlignmentAndAWarningText) {
    EXPECT_FALSE(justify_value(u"l"));
    EXPECT_FALSE(justify_value(u""));
    EXPECT_FALSE(justify_value(u"LL"));
    EXPECT_EQ(invalid_justify_warning(u"l"), u"No valid JustifyValue:l");
}

TEST(NameLookup, ComparesExactlyAndCaseSensitively) {
    EXPECT_EQ(lookup_code(u"tbx:AREAS", LookupTable::root_children), 11);
    EXPECT_EQ(lookup_code(u"TBX:AREAS", LookupTable::root_children), not_found);
    EXPECT_EQ(lookup_code(u"AREAS", LookupTable::root_children), not_found);
    EXPECT_EQ(lookup_code(u"VERSION ", LookupTable::root_children), not_found);
    EXPECT_EQ(lookup_code(u"g", LookupTable::internal_types), 2);
    EXPECT_EQ(lookup_code(u"G", LookupTable::internal_types), not_found);
    EXPECT_EQ(lookup_code(u"G", LookupTable::row_types), 2);
}

TEST(NameLookup, TablesOneTwoAndFourteenDoNotExist) {
    for (const std::int32_t id : {1, 2, 14, 16, -1}) {
        EXPECT_FALSE(has_lookup_table(id)) << id;
        EXPECT_EQ(lookup_code(u"NAME", id), not_found);
    }
    for (const std::int32_t id : {0, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 15}) {
        EXPECT_TRUE(has_lookup_table(id)) << id;
    }
}

} // namespace
} // namespace vex::table
