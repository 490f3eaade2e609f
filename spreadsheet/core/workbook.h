// Port to the workbook an area is rendered into: in the DLL Excel's workbook, reached through its
// automation objects; natively an .xlsx file. The renderer decides what goes where and in which
// order; a workbook only carries out each step and reports its status.
//
// A workbook works on one sheet at a time, the one add_sheet found or created last, and formats the
// range select_range chose last. Coordinates are Excel's: columns and rows count from 1.
#pragma once

#include <cstdint>
#include <vector>

#include "core/cell_values.h"
#include "core/status.h"
#include "core/table_model.h"
#include "core/text.h"

namespace vex::table {

// A rectangle of cells, first and last column and row included.
struct CellRect {
    std::int32_t firstColumn = 1;
    std::int32_t firstRow = 1;
    std::int32_t lastColumn = 1;
    std::int32_t lastRow = 1;

    friend bool operator==(const CellRect&, const CellRect&) = default;
};

class Workbook {
public:
    virtual ~Workbook() = default;

    // Reaches the application, and with it the settings number formats are built from.
    virtual Status reach_application() = 0;
    // Reaches the workbook's collection of sheets.
    virtual Status reach_sheets() = 0;
    // Finds the sheet of that name, or adds one and gives it the name; it becomes the current sheet.
    // found is false when the call succeeded without handing out a sheet.
    virtual Status add_sheet(TextView name, bool& found) = 0;
    // Clears contents and formats of every cell of the current sheet.
    virtual Status clear_sheet() = 0;
    // Reaches the cells of the current sheet, which the ranges below are built from.
    virtual Status reach_cells() = 0;

    // Writes the titles of the first columnCount column records into rect (one row) in one call,
    // and colours it. More columns than records is a failure before anything is written.
    virtual Status write_header(std::int32_t columnCount, const CellRect& rect,
                                const std::vector<ColumnFormat>& columns, const Colour& colour) = 0;
    // Chooses the range the two format calls apply to.
    virtual Status select_range(const CellRect& rect) = 0;
    // The number format and alignment of a column's data.
    virtual Status format_column(const ColumnFormat& column) = 0;
    // The number format of a cell that carries format attributes of its own.
    virtual Status format_cell(const ColumnFormat& column, const CellFormat& cell,
                               const UnitFormats& units) = 0;
    // Writes rowCount rows of columnCount values, row after row, into rect in one call and fits the
    // column widths to them. Fewer values than rows times columns is a failure before anything is
    // written; further values are ignored.
    virtual Status write_values(std::int32_t columnCount, std::int32_t rowCount, const CellRect& rect,
                                const CellValues& values) = 0;
    // Fills rect with the colour; an empty colour leaves it without fill.
    virtual Status colour_range(const CellRect& rect, const Colour& colour) = 0;
    // Merges columns firstColumn to lastColumn of each listed row (a row position plus rowOffset),
    // one span per row, in order.
    virtual Status merge_rows(const std::vector<std::int32_t>& rows, std::int32_t firstColumn,
                              std::int32_t lastColumn, std::int32_t rowOffset) = 0;
    // Freezes the leftmost columns of the current sheet.
    virtual Status freeze_columns(float count) = 0;
    // Shows the application where documents are shown out of place.
    virtual Status show_application() = 0;
    // Lets the application draw again.
    virtual Status screen_updating_on() = 0;
};

} // namespace vex::table
