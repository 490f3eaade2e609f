// The table model: what the parser makes of one area of a table document and hands to the renderer.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "core/cell_values.h"
#include "core/text.h"

namespace vex::table {

// Excel's general horizontal alignment, the justification of a column that names none.
inline constexpr std::int32_t justify_general = 1;

// Format of one column, taken from its field description.
struct ColumnFormat {
    std::int32_t intLen = 0;
    std::int32_t outputLen = 0;
    // Value category: 1 numeric text, 2 text, 3 currency amount, 4 number, 5 integer, 6 date,
    // 7 time; 0 when none was given, -1 after an unknown data type.
    std::int32_t category = 0;
    std::int32_t columnIndex = 0;
    std::int32_t decimals = 0;
    std::uint8_t flag = 0;
    std::int32_t justify = justify_general;
    bool hasJustify = false;
    Text title;
    Text name;

    friend bool operator==(const ColumnFormat&, const ColumnFormat&) = default;
};

// Format attributes of one data cell ("decimals", "curr"/"unit", "istext" of its "VALUE").
struct CellFormat {
    std::int32_t decimals = 0;
    Text unit;
    std::int32_t hasDecimals = 0;
    std::int32_t hasUnit = 0;
    std::int32_t isText = 0;
    std::int32_t column = 0;
    std::int32_t row = 0;

    friend bool operator==(const CellFormat&, const CellFormat&) = default;
};

// An entry of the colour table: an RGB value (red in the low byte) or nothing.
using Colour = std::optional<std::uint32_t>;

using UnitFormats = std::map<Text, Text>;

// One area. The member order is the order in which the parts are handed to the renderer.
struct TableModel {
    std::int32_t topColumnCount = 0;
    std::int32_t topRowCount = 0;
    std::int32_t endColumnCount = 0;
    std::int32_t endRowCount = 0;
    std::int32_t columnCount = 0;
    std::int32_t rowCount = 0;
    CellValues cellValues;
    CellValues topCells;
    CellValues endCells;
    std::vector<CellFormat> cellFormats;
    std::vector<ColumnFormat> columns;
    std::vector<Text> sheetNames;
    std::vector<Colour> colours;
    std::vector<std::int32_t> subtotalRows;
    std::vector<std::int32_t> nestedSubtotalRows;
    float fixedColumns = 0.0f;
    UnitFormats unitFormats;
    std::vector<std::int32_t> collapsedRows;

    friend bool operator==(const TableModel&, const TableModel&) = default;
};

} // namespace vex::table
