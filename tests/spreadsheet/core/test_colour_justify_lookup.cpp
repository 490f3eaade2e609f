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

TEST(NameLookup, FindsEveryTwinOfTheColumnVocabulary) {
    const std::pair<const char16_t*, std::int32_t> twins[] = {{u"NAME", 0},
                                                              {u"CATEGORY_TYPE", 0},
                                                              {u"DATATYPE", 1},
                                                              {u"COLNAME", 1},
                                                              {u"INTLEN", 2},
                                                              {u"HEADER_BIND_KDEF_ELEMENT", 2},
                                                              {u"OUTPUTLEN", 3},
                                                              {u"HEADER_BIND_KDEF_FIELD", 3},
                                                              {u"CHARLEN", 4},
                                                              {u"FIELDNAME", 4},
                                                              {u"DECIMALS", 5},
                                                              {u"IS_VISIBLE", 5},
                                                              {u"STYLE", 6},
                                                              {u"IS_HIERCOL", 6},
                                                              {u"IS_NUMERIC", 7},
                                                              {u"UI_ELEMENT", 7},
                                                              {u"JUST", 8},
                                                              {u"REPTEXT", 8},
                                                              {u"INTTYPE", 9},
                                                              {u"SELTEXT", 9},
                                                              {u"HAS_DIGITS", 10},
                                                              {u"TOOLTIP", 10},
                                                              {u"CONV", 11},
                                                              {u"COL_POS", 11},
                                                              {u"DATAELEMENT", 12},
                                                              {u"DOMAIN", 13},
                                                              {u"IS_KEYFIGURE", 14},
                                                              {u"REFERENCE_FIELD", 15},
                                                              {u"REFERENCE_FIELD_TYPE", 16}};
    for (const auto& [name, code] : twins) {
        EXPECT_EQ(lookup_code(name, LookupTable::column_vocabulary), code) << to_utf8(name);
    }
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

TEST(NameLookup, CategoriesOfDataAndInternalTypes) {
    EXPECT_EQ(lookup_code(u"NUMC", LookupTable::data_types), 1);
    EXPECT_EQ(lookup_code(u"BOOL", LookupTable::data_types), 2);
    EXPECT_EQ(lookup_code(u"CURR", LookupTable::data_types), 3);
    EXPECT_EQ(lookup_code(u"FLOAT", LookupTable::data_types), 4);
    EXPECT_EQ(lookup_code(u"STRG", LookupTable::data_types), 5);
    EXPECT_EQ(lookup_code(u"DATS", LookupTable::data_types), 6);
    EXPECT_EQ(lookup_code(u"TIMS", LookupTable::data_types), 7);
    EXPECT_EQ(lookup_code(u"N", LookupTable::internal_types), 1);
    EXPECT_EQ(lookup_code(u"a", LookupTable::internal_types), 4);
    EXPECT_EQ(lookup_code(u"s", LookupTable::internal_types), 5);
    EXPECT_EQ(lookup_code(u"T", LookupTable::internal_types), 7);
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
