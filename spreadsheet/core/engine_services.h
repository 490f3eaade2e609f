// Port to the spreadsheet engine: the locale-dependent services the parser asks for while it reads a
// document, and the renderer that receives each finished area.
#pragma once

#include <cstdint>

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

    // Renders one area: the model of an area just read, valid for the length of the call.
    virtual Status update_TBXToExcel(const TableModel& area) = 0;
};

} // namespace vex::table
