// A workbook that writes down every call it gets as one readable line ("header 3 A3:C3 #0000FF",
// "values 3x2 A4:C5 a|b|c|d|=5|<empty>"), and can fail the n-th call of a kind.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "core/workbook.h"
#include "support/document_test.h"

namespace vex::table::testing {

// "B3" for column 2, row 3; columns beyond Z and rows and columns below 1 as "?".
inline std::string cell_name(std::int32_t column, std::int32_t row) {
    return column < 1 || column > 26 || row < 1 ? "?"
                                                : static_cast<char>('A' + column - 1) + std::to_string(row);
}

inline std::string range_name(const CellRect& r) {
    return cell_name(r.firstColumn, r.firstRow) + ":" + cell_name(r.lastColumn, r.lastRow);
}

// Shown the way documents write colours; Excel keeps red in the low byte.
inline std::string colour_name(const Colour& colour) {
    char text[16];
    const unsigned value = colour.value_or(0);
    std::snprintf(text, sizeof text, "#%02X%02X%02X", value & 0xFF, (value >> 8) & 0xFF,
                  (value >> 16) & 0xFF);
    return colour ? text : "none";
}

class RecordingWorkbook final : public Workbook {
public:
    Status reach_application() override { return record("application"); }
    Status reach_sheets() override { return record("sheets"); }
    Status add_sheet(TextView name, bool& found) override {
        found = hands_out_sheet;
        return record("sheet " + to_utf8(name));
    }
    Status clear_sheet() override { return record("clear"); }
    Status reach_cells() override { return record("cells"); }
    Status write_header(std::int32_t columnCount, const CellRect& rect,
                        const std::vector<ColumnFormat>& columns, const Colour& colour) override {
        std::string titles;
        for (std::int32_t i = 0; i < columnCount && i < static_cast<std::int32_t>(columns.size()); ++i) {
            titles += (i ? "|" : "") + to_utf8(columns[static_cast<std::size_t>(i)].title);
        }
        return record("header " + std::to_string(columnCount) + " " + range_name(rect) + " " +
                      colour_name(colour) + " " + titles);
    }
    Status select_range(const CellRect& rect) override { return record("range " + range_name(rect)); }
    Status format_column(const ColumnFormat& column) override {
        return record("column format " + std::to_string(column.columnIndex));
    }
    Status format_cell(const ColumnFormat& column, const CellFormat& cell, const UnitFormats&) override {
        return record("cell format " + std::to_string(column.columnIndex) + " " + std::to_string(cell.row));
    }
    Status write_values(std::int32_t columnCount, std::int32_t rowCount, const CellRect& rect,
                        const CellValues& values) override {
        return record("values " + std::to_string(columnCount) + "x" + std::to_string(rowCount) + " " +
                      range_name(rect) + " " + describe(values));
    }
    Status colour_range(const CellRect& rect, const Colour& colour) override {
        return record("colour " + range_name(rect) + " " + colour_name(colour));
    }
    Status merge_rows(const std::vector<std::int32_t>& rows, std::int32_t firstColumn,
                      std::int32_t lastColumn, std::int32_t rowOffset) override {
        std::string list;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            list += (i ? "," : "") + std::to_string(rows[i]);
        }
        return record("merge [" + list + "] columns " + std::to_string(firstColumn) + "-" +
                      std::to_string(lastColumn) + " offset " + std::to_string(rowOffset));
    }
    Status freeze_columns(float count) override {
        return record("freeze " + std::to_string(count).substr(0, 4));
    }
    Status show_application() override { return record("show"); }
    Status screen_updating_on() override { return record("screen updating"); }

    // The calls, one line each, in order.
    std::vector<std::string> calls;
    // The call whose line starts with fail_prefix fails with fail_status, the fail_occurrence-th
    // time (from 1).
    std::string fail_prefix;
    int fail_occurrence = 1;
    Status fail_status = status_fail;
    bool hands_out_sheet = true;

private:
    Status record(std::string line) {
        const bool fails = !fail_prefix.empty() && line.rfind(fail_prefix, 0) == 0 && --fail_occurrence == 0;
        calls.push_back(std::move(line));
        return fails ? fail_status : status_ok;
    }
};

} // namespace vex::table::testing
