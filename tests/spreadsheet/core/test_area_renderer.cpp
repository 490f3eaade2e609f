// The rendering of an area: where each block lands, which colour slot and format goes where, the
// order of the steps and what a failing step leaves behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "core/area_renderer.h"
#include "support/document_test.h"
#include "support/recording_workbook.h"

namespace vex::table::testing {
namespace {

using Calls = std::vector<std::string>;

// The calls whose lines start with one of the kinds ("header|colour"; all calls for ""), joined by "; ".
std::string calls_of(const Calls& calls, const std::string& kinds = "") {
    std::string found;
    for (const std::string& call : calls) {
        bool wanted = kinds.empty();
        std::istringstream list(kinds);
        for (std::string kind; !wanted && std::getline(list, kind, '|');) {
            wanted = call.starts_with(kind);
        }
        found += wanted ? (found.empty() ? "" : "; ") + call : "";
    }
    return found;
}

// The sample document's first area: two top-of-list rows over two columns, four data rows of four
// columns (the fourth collapsed, the third a subtotal row), one end-of-list row, one fixed column,
// four cells with formats of their own. Each column's format runs from the first data row to the row
// after the last.
const std::string sales_calls =
    "application; sheets; sheet Sales; clear; cells; header 4 A3:D3 #C0C0C0 Region|Amount|Quantity|Day; "
    "range A4:A8; column format 0; range B4:B8; column format 1; range C4:C8; column format 2; "
    "range D4:D8; column format 3; range B4:B4; cell format 1 0; range C4:C4; cell format 2 0; "
    "range B5:B5; cell format 1 1; range A6:A6; cell format 0 2; values 4x4 A4:D7 "
    "North|1.250.50|12.5|20240105|South|980|=3.75|<empty>|Total|2230.50|16.25||Group West|<empty>|<empty>|"
    "<empty>; colour A4:D7 #FFFFFF; colour A6:D6 #FFFF00; merge [3] columns 1-4 offset 4; freeze 1.00; "
    "values 2x2 A1:B2 Report|Sales by region|Period|2024; values 1x1 A8:A8 End of report; show; "
    "screen updating";

// The second area: no layout, so no colours; no lists; one row of one column, whose format runs over
// its one row.
const std::string notes_calls = "application; sheets; sheet Notes; clear; cells; header 1 A1:A1 none Note; "
                                "range A2:A3; column format 0; values 1x1 A2:A2 <first> & only; "
                                "colour A2:A2 none; merge [] columns 1-1 offset 2; show; screen updating";

class AreaRendering : public DocumentTest {
protected:
    void SetUp() override {
        ASSERT_EQ(parse(sample_document()), status_ok);
        ASSERT_EQ(engine.areas.size(), 2u);
    }
};
VEX_DOCUMENT_TEST_SUITE(AreaRendering);

TEST_P(AreaRendering, LaysOutEachAreaOfTheSampleDocument) {
    // The decimal separator is asked for once per rows element.
    EXPECT_EQ(engine.separator_calls, 2);
    const std::string* expected[] = {&sales_calls, &notes_calls};
    for (std::size_t i = 0; i < 2; ++i) {
        RecordingWorkbook workbook;
        RecordingTrace rendering;
        EXPECT_EQ(render_area(engine.areas[i], workbook, &rendering), status_ok);
        EXPECT_EQ(calls_of(workbook.calls), *expected[i]);
        EXPECT_EQ(rendering.records.back(),
                  (TraceRecord{TraceRecord::Kind::leave, "update_TBXToExcel", status_ok}));
        EXPECT_EQ(rendering.errors(), Calls{});
    }
}

TEST_P(AreaRendering, AFailingStepIsTracedWithItsTextAndEndsTheRendering) {
    const Status refused = static_cast<Status>(0x800A03ECu);
    struct Case {
        const char* call; // the kind of call that fails, and which of them
        int occurrence;
        const char* text;
    };
    const Case cases[] = {{"application", 1, " getSpreadsheet_Application"},
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
                          {"screen updating", 1, "putPropertyByName"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        RecordingWorkbook workbook;
        workbook.fail_prefix = c.call;
        workbook.fail_occurrence = c.occurrence;
        workbook.fail_status = refused;
        RecordingTrace rendering;
        EXPECT_EQ(render_area(engine.areas.at(0), workbook, &rendering), refused);
        // The calls up to the failing one were made, none after it.
        EXPECT_TRUE((sales_calls + "; ").starts_with(calls_of(workbook.calls) + "; "));
        EXPECT_EQ(workbook.calls.back().rfind(c.call, 0), 0u);
        EXPECT_EQ(rendering.errors(), Calls{std::string(c.text) + " [0x800A03EC]"});
        EXPECT_EQ(rendering.count(TraceRecord::Kind::leave), 0u);
    }
}

// An area built by hand: four rows of three columns, one top-of-list row, on sheet "One".
TableModel small_area() {
    TableModel area;
    area.topRowCount = 1;
    area.topColumnCount = 1;
    area.topCells.push_back_text(u"top");
    area.rowCount = 4;
    area.columnCount = 3;
    for (int i = 0; i < 12; ++i) {
        area.cellValues.push_back_text(decimal_text(i));
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

TEST(AreaLayout, HandBuiltAreas) {
    struct Case {
        const char* name;
        std::function<void(TableModel&)> change;
        const char* kinds;
        const char* calls;
        Status status = status_ok;
        const char* error = nullptr;
    };
    // Slot k holds k * 0x10 in red: slots 0 (header), 2 (totals), 3 (subtotals) and 4 (cells) are read.
    const auto colours = [](std::uint32_t count) {
        return [count](TableModel& a) {
            a.subtotalRows = {1};
            a.nestedSubtotalRows = {2, 3};
            for (std::uint32_t k = 0; k < count; ++k) {
                a.colours.push_back(Colour(k * 0x10));
            }
        };
    };
    const auto fixed = [](float count) { return [count](TableModel& a) { a.fixedColumns = count; }; };
    const auto sheets = [](std::vector<Text> names) {
        return [names](TableModel& a) { a.sheetNames = names; };
    };
    const Case cases[] = {
        {"colour slots of header, data and subtotal rows", colours(9), "header|colour",
         "header 3 A2:C2 #000000 0|1|2; colour A3:C6 #400000; colour A4:C4 #200000; colour A5:C5 #300000; "
         "colour A6:C6 #300000"},
        {"slots beyond the colour table are empty", colours(3), "header|colour",
         "header 3 A2:C2 #000000 0|1|2; colour A3:C6 none; colour A4:C4 #200000; colour A5:C5 none; "
         "colour A6:C6 none"},
        {"no sheet name: the default sheet", sheets({}), "sheet |clear", "sheet defaultsheet; clear"},
        {"every sheet named exists, the last holds the table", sheets({u"A", u"B", u"C"}), "sheet |clear",
         "sheet A; sheet B; sheet C; clear"},
        {"no sheet handed out", sheets({u"None"}), "sheet |clear", "sheet None", status_fail,
         "sheettest == NULL"},
        {"no fixed columns", fixed(0.0f), "freeze", ""},
        {"two fixed columns", fixed(2.0f), "freeze", "freeze 2.00"},
        {"fixed columns in part", fixed(2.5f), "freeze", "freeze 2.50"},
        {"as many fixed columns as columns", fixed(3.0f), "freeze", ""},
        {"more fixed columns than columns", fixed(4.0f), "freeze", ""},
        {"negative fixed columns", fixed(-1.0f), "freeze", ""},
        {"a cell format beyond the columns is refused before it is read",
         [](TableModel& a) {
             a.cellFormats.emplace_back();
             a.cellFormats.back().isText = 1;
             a.cellFormats.back().column = 3;
         },
         "range D|cell format", "range D3:D3", status_fail, "m_spreadsheet.SetFormat"},
        {"the lists above and below the data",
         [](TableModel& a) {
             a.endRowCount = 2;
             a.endColumnCount = 1;
             a.endCells.push_back_text(u"e");
             a.endCells.push_back_text(u"f");
         },
         "values", "values 3x4 A3:C6 0|1|2|3|4|5|6|7|8|9|10|11; values 1x1 A1:A1 top; values 1x2 A7:A8 e|f"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TableModel area = small_area();
        c.change(area);
        RecordingWorkbook workbook;
        // A workbook that hands out no sheet for the name "None".
        workbook.hands_out_sheet = area.sheetNames != std::vector<Text>{u"None"};
        RecordingTrace trace;
        EXPECT_EQ(render_area(area, workbook, &trace), c.status);
        EXPECT_EQ(calls_of(workbook.calls, c.kinds), c.calls);
        EXPECT_EQ(trace.errors(), c.error ? Calls{c.error} : Calls{});
    }
}

} // namespace
} // namespace vex::table::testing
