// "tbx:LAYOUT": colour insertion and fixed columns.
#include "support/document_test.h"

namespace vex::table::testing {
namespace {

using Layout = DocumentTest;
VEX_DOCUMENT_TEST_SUITE(Layout);

std::string layout(std::string_view content) {
    return "<tbx:LAYOUT>" + std::string(content) + "</tbx:LAYOUT>";
}

TEST_P(Layout, ColoursInAscendingSlotOrderLandAtTheirSlots) {
    EXPECT_EQ(parse(document_with_table(
                  layout("<COLOR_HEADER>#FF0000</COLOR_HEADER><COLOR_TOTAL>#00FF00</COLOR_TOTAL>"
                         "<COLOR_SUBTOTAL>#0000FF</COLOR_SUBTOTAL><COLOR_CELL>#FFFFFF</COLOR_CELL>"))),
              status_ok);
    const auto& colours = area().colours;
    ASSERT_EQ(colours.size(), 12u);
    EXPECT_EQ(colours[0], Colour(0x0000FFu));
    EXPECT_EQ(colours[2], Colour(0x00FF00u));
    EXPECT_EQ(colours[3], Colour(0xFF0000u));
    EXPECT_EQ(colours[4], Colour(0xFFFFFFu));
    EXPECT_EQ(colours[1], Colour());
}

TEST_P(Layout, LaterLowerSlotPushesEarlierColoursBack) {
    EXPECT_EQ(parse(document_with_table(
                  layout("<COLOR_CELL>#112233</COLOR_CELL><COLOR_HEADER>#445566</COLOR_HEADER>"))),
              status_ok);
    const auto& colours = area().colours;
    ASSERT_EQ(colours.size(), 10u);
    EXPECT_EQ(colours[0], Colour(0x665544u));
    EXPECT_EQ(colours[5], Colour(0x332211u));
    for (const std::size_t empty : {1u, 2u, 3u, 4u, 6u, 7u, 8u, 9u}) {
        EXPECT_EQ(colours[empty], Colour()) << empty;
    }
}

TEST_P(Layout, EmptyColourTextInsertsAnEmptyEntry) {
    EXPECT_EQ(
        parse(document_with_table(layout("<COLOR_TOTAL></COLOR_TOTAL><COLOR_HEADER>#010203</COLOR_HEADER>"))),
        status_ok);
    const auto& colours = area().colours;
    ASSERT_EQ(colours.size(), 10u);
    EXPECT_EQ(colours[0], Colour(0x030201u));
    EXPECT_EQ(colours[3], Colour());
}

TEST_P(Layout, FixedColumnsAndIgnoredElements) {
    EXPECT_EQ(parse(document_with_table(
                  layout("<FIXED_COL>2.5</FIXED_COL><SUM_ROWS_BEFORE_DETAIL>X</SUM_ROWS_BEFORE_DETAIL>"
                         "<HIERARCHY/><FIXED_COL_RIGHT>3</FIXED_COL_RIGHT><VISIBLE/><ENABLED/>"
                         "<READONLY/><COLOR_HIERARCHY_FONT_NOT_READ/>"))),
              status_fail);
    EXPECT_EQ(trace.errors().at(1), ": invalid task type: COLOR_HIERARCHY_FONT_NOT_READ");
    trace.clear();
    EXPECT_EQ(parse(document_with_table(layout("<FIXED_COL>2.5</FIXED_COL><HIERARCHY>#zz</HIERARCHY>"))),
              status_ok);
    EXPECT_EQ(area().fixedColumns, 2.5f);
    EXPECT_EQ(area().colours, std::vector<Colour>(8));
}

TEST_P(Layout, AreaWithoutLayoutHasNoColoursAndNoFixedColumns) {
    EXPECT_EQ(parse(document_with_table("<NAME>S</NAME>")), status_ok);
    EXPECT_TRUE(area().colours.empty());
    EXPECT_EQ(area().fixedColumns, 0.0f);
}

TEST_P(Layout, SecondLayoutStartsTheColourTableAgain) {
    EXPECT_EQ(parse(document_with_table(layout("<COLOR_CELL>#FFFFFF</COLOR_CELL><FIXED_COL>3</FIXED_COL>") +
                                        layout("<COLOR_TOTAL>#000001</COLOR_TOTAL>"))),
              status_ok);
    ASSERT_EQ(area().colours.size(), 9u);
    EXPECT_EQ(area().colours[2], Colour(0x010000u));
    EXPECT_EQ(area().fixedColumns, 0.0f);
}

TEST_P(Layout, ShortColourTextRejectsTheArea) {
    EXPECT_EQ(parse(document_with_table(layout("<COLOR_CELL>#FFF</COLOR_CELL>"))), status_fail);
    EXPECT_EQ(trace.errors_with_status(),
              (std::vector<std::pair<std::string, Status>>{{"getRGBValue", status_fail},
                                                           {"extract_xmlData_Layout ", status_fail},
                                                           {"extract_xmlData_OneArea failed", status_fail},
                                                           {"extract_xmlData_Areas ", status_fail},
                                                           {"parse_xmlTBX ", status_fail}}));
    EXPECT_TRUE(engine.areas.empty());
}

} // namespace
} // namespace vex::table::testing
