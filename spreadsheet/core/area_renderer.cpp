#include "core/area_renderer.h"

#include <cstdint>
#include <limits>

#include "core/tracing.h"

namespace vex::table {

namespace {

// The colour slots the renderer reads.
constexpr std::size_t header_slot = 0;
constexpr std::size_t total_slot = 2;
constexpr std::size_t subtotal_slot = 3;
constexpr std::size_t cell_slot = 4;

// A slot the colour table does not reach (an area without layout has none) is an empty slot.
const Colour& slot(const std::vector<Colour>& colours, std::size_t index) {
    static const Colour none;
    return index < colours.size() ? colours[index] : none;
}

// Coordinates come from counts in the document; they are added up wide and kept within 32 bits, so
// that a document with absurd counts gets a rectangle the workbook refuses instead of an overflow.
std::int32_t coordinate(std::int64_t value) {
    constexpr std::int64_t lowest = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t highest = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(value < lowest ? lowest : value > highest ? highest : value);
}

CellRect rect(std::int64_t firstColumn, std::int64_t firstRow, std::int64_t lastColumn,
              std::int64_t lastRow) {
    return {coordinate(firstColumn), coordinate(firstRow), coordinate(lastColumn), coordinate(lastRow)};
}

} // namespace

Status render_area(const TableModel& area, Workbook& workbook, TraceSink* sink) {
    static constexpr TextView method = u"update_TBXToExcel";
    Tracing trace(sink);
    trace.enter(method);
    trace.time_enter(method);

    const std::int64_t T = area.topRowCount;
    const std::int64_t R = area.rowCount;
    const std::int64_t K = area.columnCount;
    const std::int64_t E = area.endRowCount;
    const std::int64_t F = T + 2; // the first data row
    Status status = status_ok;
#define VEX_STEP(text, call) VEX_TABLE_RETURN_IF_FAILED(trace, text, call)

    VEX_STEP(u" getSpreadsheet_Application", workbook.reach_application());
    VEX_STEP(u"getSpreadsheet_Sheets", workbook.reach_sheets());

    // Every named sheet exists afterwards; the last one holds the table.
    bool found = false;
    if (area.sheetNames.empty()) {
        VEX_STEP(u"AddSheet", workbook.add_sheet(u"defaultsheet", found));
    }
    for (const Text& name : area.sheetNames) {
        VEX_STEP(u"AddSheet", workbook.add_sheet(name, found));
    }
    if (!found) {
        return trace.fail(u"sheettest == NULL", status_fail);
    }
    VEX_STEP(u"clearRange", workbook.clear_sheet());
    VEX_STEP(u"getDispPropertyByName: sheet", workbook.reach_cells());

    VEX_STEP(u"m_spreadsheet.setColumnHeader",
             workbook.write_header(area.columnCount, rect(1, T + 1, K, T + 1), area.columns,
                                   slot(area.colours, header_slot)));

    // Each column's format covers its data rows and one row more.
    for (std::size_t i = 0; i < area.columns.size(); ++i) {
        const auto column = static_cast<std::int64_t>(i) + 1;
        VEX_STEP(u"defineRange", workbook.select_range(rect(column, F, column, T + R + 2)));
        if (failed(status = workbook.format_column(area.columns[i]))) {
            trace.error(u"m_spreadsheet.SetFormat, column:", decimal_text(static_cast<std::int64_t>(i)),
                        status);
            return status;
        }
    }
    // Cells with format attributes of their own get them over their column's.
    for (const CellFormat& cell : area.cellFormats) {
        VEX_STEP(u"defineRange", workbook.select_range(rect(std::int64_t{cell.column} + 1, F + cell.row,
                                                            std::int64_t{cell.column} + 1, F + cell.row)));
        if (cell.column < 0 || static_cast<std::size_t>(cell.column) >= area.columns.size()) {
            return trace.fail(u"m_spreadsheet.SetFormat", status_fail);
        }
        VEX_STEP(u"m_spreadsheet.SetFormat",
                 workbook.format_cell(area.columns[static_cast<std::size_t>(cell.column)], cell,
                                      area.unitFormats));
    }

    VEX_STEP(u"SetRange", workbook.write_values(area.columnCount, area.rowCount, rect(1, F, K, T + R + 1),
                                                area.cellValues));
    VEX_STEP(u"m_spreadsheet.setColourRange: cells",
             workbook.colour_range(rect(1, F, K, T + R + 1), slot(area.colours, cell_slot)));
    for (const std::int32_t row : area.subtotalRows) {
        VEX_STEP(u"m_spreadsheet.setColourRange: sums",
                 workbook.colour_range(rect(1, F + row, K, F + row), slot(area.colours, total_slot)));
    }
    for (const std::int32_t row : area.nestedSubtotalRows) {
        VEX_STEP(u"m_spreadsheet.setColourRange: sums",
                 workbook.colour_range(rect(1, F + row, K, F + row), slot(area.colours, subtotal_slot)));
    }
    VEX_STEP(u"m_spreadsheet.setCollapsed",
             workbook.merge_rows(area.collapsedRows, 1, area.columnCount, coordinate(F)));

    // Columns freeze only when there are more columns than fixed ones.
    if (area.fixedColumns > 0.0f &&
        static_cast<double>(area.columnCount) > static_cast<double>(area.fixedColumns)) {
        VEX_STEP(u"m_spreadsheet.setFixedColumns", workbook.freeze_columns(area.fixedColumns));
    }

    if (T > 0) {
        VEX_STEP(u"SetRange", workbook.write_values(area.topColumnCount, area.topRowCount,
                                                    rect(1, 1, area.topColumnCount, T), area.topCells));
    }
    if (E > 0) {
        VEX_STEP(u"SetRange", workbook.write_values(area.endColumnCount, area.endRowCount,
                                                    rect(1, T + R + 2, area.endColumnCount, T + R + 1 + E),
                                                    area.endCells));
    }

    VEX_STEP(u"setExcelVisible_OutplaceWorkaround", workbook.show_application());
    // Like every step, a failure here ends the rendering without its closing traces.
    VEX_STEP(u"putPropertyByName", status = workbook.screen_updating_on());
#undef VEX_STEP

    trace.time_leave(method);
    trace.leave(method, status);
    return status;
}

} // namespace vex::table
