// The rendering of an area: where each block lands, which colour slot and format goes where, the
// order of the steps and what a failing step leaves behind.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/area_renderer.h"
#include "support/document_test.h"
#include "support/recording_workbook.h"

namespace vex::table::testing {
namespace {

using Calls = std::vector<std::string>;

std::string read_document(const char* name) {
    std::ifstream file(std::string(VEX_TABLECORE_TEST_DOCUMENTS) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The sample document's first area: two top-of-list rows over two columns, four data rows of four
// columns (the fourth collapsed, the third a subtotal row), one end-of-list row, one fixed column,
// four cells with formats of their own.
const Calls sales_calls = {
    "application",
    "sheets",
    "sheet Sales",
    "clear",
    "cells",
    "header 4 A3:D3 #C0C0C0 Region|Amount|Quantity|Day",
    // Each column's format runs from the first data row to the row after the last.
    "range A4:A8",
    "column format 0",
    "range B4:B8",
    "column format 1",
    "range C4:C8",
    "column format 2",
    "range D4:D8",
    "column format 3",
    "range B4:B4",
    "cell format 1 0",
    "range C4:C4",
    "cell format 2 0",
    "range B5:B5",
    "cell format 1 1",
    "range A6:A6",
    "cell format 0 2",
    "values 4x4 A4:D7 North|1.250.50|12.5|20240105|South|980|3.750000||Total|2230.50|16.25||Group West|||",
    "colour A4:D7 #FFFFFF",
    "colour A6:D6 #FFFF00",
    "merge [3] columns 1-4 offset 4",
    "freeze 1.00",
    "values 2x2 A1:B2 Report|Sales by region|Period|2024",
    "values 1x1 A8:A8 End of report",
    "show",
    "screen updating",
};

// The second area: no layout, so no colours; no lists; one row of one column.
const Calls notes_calls = {
    "application",
    "sheets",
    "sheet Notes",
    "clear",
    "cells",
    "header 1 A1:A1 none Note",
    "range A2:A3",
    "column format 0",
    "values 1x1 A2:A2 <first> & only",
    "colour A2:A2 none",
    "merge [] columns 1-1 offset 2",
    "show",
    "screen updating",
};

class AreaRendering : public DocumentTest {
protected:
    void SetUp() override { ASSERT_EQ(parse(read_document("full_table.xml")), status_ok); }
};

TEST_P(AreaRendering, LaysOutEachAreaOfTheSampleDocument) {
    ASSERT_EQ(engine.areas.size(), 2u);
    const Calls* expected[] = {&sales_calls, &notes_calls};
    for (std::size_t i = 0; i < 2; ++i) {
        RecordingWorkbook workbook;
        RecordingTrace rendering;
        EXPECT_EQ(render_area(engine.areas[i], workbook, &rendering), status_ok);
        EXPECT_EQ(workbook.calls, *expected[i]);
        const std::vector<TraceRecord> bracket = {
            {TraceRecord::Kind::enter, "update_TBXToExcel", 0},
            {TraceRecord::Kind::time_enter, "update_TBXToExcel", 0},
            {TraceRecord::Kind::time_leave, "update_TBXToExcel", 0},
            {TraceRecord::Kind::leave, "update_TBXToExcel", 0},
        };
        EXPECT_EQ(rendering.records, bracket);
    }
}

TEST_P(AreaRendering, AFailingStepIsTracedWithItsTextAndEndsTheRendering) {
    const Status refused = static_cast<Status>(0x800A03ECu);
    struct Case {
        const char* call; // first call of that kind to fail, and which occurrence
        int occurrence;
        const char* text;
    };
    const Case cases[] = {
        {"application", 1, " getSpreadsheet_Application"},
        {"sheets", 1, "getSpreadsheet_Sheets"},
        {"sheet ", 1, "AddSheet"},
        {"clear", 1, "clearRange"},
        {"cells", 1, "getDispPropertyByName: sheet"},
        {"header", 1, "m_spreadsheet.setColumnHeader"},
        {"range", 1, "defineRange"},
        {"column format", 2, "m_spreadsheet.SetFormat, column:1"},
        {"range", 6, "defineRange"},
        {"cell format", 3, "m_spreadsheet.SetFormat"},
        {"values", 1, "SetRange"},
        {"colour", 1, "m_spreadsheet.setColourRange: cells"},
        {"colour", 2, "m_spreadsheet.setColourRange: sums"},
        {"merge", 1, "m_spreadsheet.setCollapsed"},
        {"freeze", 1, "m_spreadsheet.setFixedColumns"},
        {"values", 2, "SetRange"},
        {"values", 3, "SetRange"},
        {"show", 1, "setExcelVisible_OutplaceWorkaround"},
        {"screen updating", 1, "putPropertyByName"},
    };
    for (const Case& c : cases) {
        RecordingWorkbook workbook;
        workbook.fail_prefix = c.call;
        workbook.fail_occurrence = c.occurrence;
        workbook.fail_status = refused;
        RecordingTrace rendering;
        EXPECT_EQ(render_area(engine.areas.at(0), workbook, &rendering), refused) << c.text;
        // The calls up to the failing one were made, none after it.
        ASSERT_LE(workbook.calls.size(), sales_calls.size());
        EXPECT_EQ(workbook.calls, Calls(sales_calls.begin(), sales_calls.begin() + workbook.calls.size()));
        EXPECT_EQ(workbook.calls.back().rfind(c.call, 0), 0u) << c.text;
        EXPECT_EQ(rendering.errors_with_status(),
                  (std::vector<std::pair<std::string, Status>>{{c.text, refused}}));
        EXPECT_TRUE(rendering.leaves().empty()) << c.text;
    }
}

VEX_DOCUMENT_TEST_SUITE(AreaRendering);

// An area built by hand: rows 0 to 3 of three columns, one top-of-list row.
TableModel small_area() {
    TableModel area;
    area.topRowCount = 1;
    area.topColumnCount = 1;
    area.topCells.push_back_text(u"top");
    area.rowCount = 4;
    area.columnCount = 3;
    for (int i = 0; i < 12; ++i) {
        area.cellValues.push_back_number(i);
    }
    for (std::int32_t i = 0; i < 3; ++i) {
        ColumnFormat column;
        column.columnIndex = i;
        column.title = decimal_text(i);
        area.columns.push_back(column);
    }
    area.sheetNames = {u"One"};
    return area;
}

std::vector<std::string> lines_starting(const Calls& calls, const std::string& prefix) {
    std::vector<std::string> found;
    for (const auto& call : calls) {
        if (call.rfind(prefix, 0) == 0) {
            found.push_back(call);
        }
    }
    return found;
}

TEST(AreaLayout, ColourSlotsGoToHeaderDataAndSubtotalRowsAndMissingSlotsAreEmpty) {
    TableModel area = small_area();
    area.subtotalRows = {1};
    area.nestedSubtotalRows = {2, 3};
    // Slot k holds the colour k * 0x10 in red; slots 0 (header), 2 (totals), 3 (subtotals) and 4
    // (cells) are read, the others are not.
    for (std::uint32_t k = 0; k < 9; ++k) {
        area.colours.push_back(Colour(k * 0x10));
    }
    RecordingWorkbook workbook;
    ASSERT_EQ(render_area(area, workbook, nullptr), status_ok);
    EXPECT_EQ(lines_starting(workbook.calls, "header"), Calls{"header 3 A2:C2 #000000 0|1|2"});
    EXPECT_EQ(lines_starting(workbook.calls, "colour"),
              (Calls{"colour A3:C6 #400000", "colour A4:C4 #200000", "colour A5:C5 #300000",
                     "colour A6:C6 #300000"}));

    // Without a layout the colour table is empty: every slot is an empty one.
    area.colours.resize(3);
    RecordingWorkbook short_table;
    ASSERT_EQ(render_area(area, short_table, nullptr), status_ok);
    EXPECT_EQ(lines_starting(short_table.calls, "colour"),
              (Calls{"colour A3:C6 none", "colour A4:C4 #200000", "colour A5:C5 none", "colour A6:C6 none"}));
}

TEST(AreaLayout, SheetNamesDecideWhichSheetsExistAndWhichHoldsTheTable) {
    const std::vector<std::pair<std::vector<Text>, Calls>> cases = {
        {{}, {"sheet defaultsheet"}},
        {{u"A", u"B", u"C"}, {"sheet A", "sheet B", "sheet C"}},
    };
    for (const auto& [names, sheets] : cases) {
        TableModel area = small_area();
        area.sheetNames = names;
        RecordingWorkbook workbook;
        ASSERT_EQ(render_area(area, workbook, nullptr), status_ok);
        EXPECT_EQ(lines_starting(workbook.calls, "sheet "), sheets);
        // The sheet is cleared once, after the last name: only that one holds the table.
        EXPECT_EQ(workbook.calls.at(2 + sheets.size()), "clear");
    }

    RecordingWorkbook no_sheet;
    no_sheet.hands_out_sheet = false;
    RecordingTrace trace;
    EXPECT_EQ(render_area(small_area(), no_sheet, &trace), status_fail);
    EXPECT_EQ(no_sheet.calls.back(), "sheet One");
    EXPECT_EQ(trace.errors(), std::vector<std::string>{"sheettest == NULL"});
}

TEST(AreaLayout, ColumnsFreezeOnlyWhenThereAreMoreColumnsThanFixedOnes) {
    const std::vector<std::pair<float, Calls>> cases = {
        {0.0f, {}}, {2.0f, {"freeze 2.00"}}, {2.5f, {"freeze 2.50"}}, {3.0f, {}}, {4.0f, {}}, {-1.0f, {}},
    };
    for (const auto& [fixed, freezes] : cases) {
        TableModel area = small_area();
        area.fixedColumns = fixed;
        RecordingWorkbook workbook;
        ASSERT_EQ(render_area(area, workbook, nullptr), status_ok);
        EXPECT_EQ(lines_starting(workbook.calls, "freeze"), freezes) << fixed;
    }
}

TEST(AreaLayout, ACellFormatOutsideTheColumnsIsRefusedWithoutReadingPastThem) {
    TableModel area = small_area();
    CellFormat cell;
    cell.column = 3;
    cell.isText = 1;
    area.cellFormats.push_back(cell);
    RecordingWorkbook workbook;
    RecordingTrace trace;
    EXPECT_EQ(render_area(area, workbook, &trace), status_fail);
    EXPECT_EQ(workbook.calls.back(), "range D3:D3");
    EXPECT_EQ(trace.errors(), std::vector<std::string>{"m_spreadsheet.SetFormat"});
}

} // namespace
} // namespace vex::table::testing
