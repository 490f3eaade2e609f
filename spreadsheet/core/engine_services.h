// Port to the spreadsheet engine: the locale-dependent services the parser asks for while it reads a
// document, and the renderer that receives each finished area.
#pragma once

#include <cstdint>
#include <vector>

#include "core/status.h"
#include "core/table_model.h"
#include "core/text.h"

namespace vex::table {

class EngineServices {
public:
    virtual ~EngineServices() = default;

    // The decimal separator of the running spreadsheet application.
    virtual Status getDecimalseparator(Text& separator) = 0;
    // Excel's horizontal alignment value for a justification code ("L", "R", "C", ...).
    virtual Status getJustifyValues(TextView code, std::int32_t& value) = 0;
    // Number format for a unit or currency key with that many decimals.
    virtual Status getFormatUnit(std::int32_t decimals, TextView unit, Text& format) = 0;

    // Renders one area. The parts come in the order of the table model.
    virtual Status
    update_TBXToExcel(std::int32_t topColumnCount, std::int32_t topRowCount, std::int32_t endColumnCount,
                      std::int32_t endRowCount, std::int32_t columnCount, std::int32_t rowCount,
                      const CellValues& cellValues, const CellValues& topCells, const CellValues& endCells,
                      const std::vector<CellFormat>& cellFormats, const std::vector<ColumnFormat>& columns,
                      const std::vector<Text>& sheetNames, const std::vector<Colour>& colours,
                      const std::vector<std::int32_t>& subtotalRows,
                      const std::vector<std::int32_t>& nestedSubtotalRows, float fixedColumns,
                      const UnitFormats& unitFormats, const std::vector<std::int32_t>& collapsedRows) = 0;
};

} // namespace vex::table
