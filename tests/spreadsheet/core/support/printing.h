// Readable gtest output for the table model types.
#pragma once

#include <ostream>

#include "core/cell_values.h"
#include "core/table_model.h"

namespace vex::table {

inline void PrintTo(const CellValue& value, std::ostream* os) {
    switch (value.kind()) {
    case CellValue::Kind::empty:
        *os << "<empty>";
        break;
    case CellValue::Kind::number:
        *os << "number " << value.number();
        break;
    case CellValue::Kind::text:
        *os << '"' << to_utf8(value.text()) << '"';
        break;
    }
}

inline void PrintTo(const ColumnFormat& c, std::ostream* os) {
    *os << "{intLen " << c.intLen << ", outputLen " << c.outputLen << ", category " << c.category
        << ", columnIndex " << c.columnIndex << ", decimals " << c.decimals << ", justify " << c.justify
        << (c.hasJustify ? " (set)" : "") << ", title \"" << to_utf8(c.title) << "\"}";
}

inline void PrintTo(const CellFormat& f, std::ostream* os) {
    *os << "{decimals " << f.decimals << ", unit \"" << to_utf8(f.unit) << "\", has " << f.hasDecimals
        << f.hasUnit << f.isText << ", column " << f.column << ", row " << f.row << "}";
}

} // namespace vex::table
