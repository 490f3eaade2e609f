// The fixed name tables of the table document: every element name, attribute name and coded value
// the parser understands, each with its small integer code.
#pragma once

#include <cstdint>

#include "core/text.h"

namespace vex::table {

// Table ids. 1, 2 and 14 carry no table.
enum class LookupTable : std::int32_t {
    column_vocabulary = 0,
    root_children = 3,
    areas_children = 4,
    table_children = 5,
    row_attributes = 6,
    unit_children = 7,
    row_types = 8,
    list_block_attributes = 9,
    field_children = 10,
    value_attributes = 11,
    internal_types = 12,
    data_types = 13,
    layout_children = 15,
};

inline constexpr std::int32_t not_found = -1;

// True for the ids that carry a table.
bool has_lookup_table(std::int32_t table_id);

// The code of name in the table (exact, case-sensitive comparison), or not_found. An id without a
// table also gives not_found.
std::int32_t lookup_code(TextView name, std::int32_t table_id);
inline std::int32_t lookup_code(TextView name, LookupTable table) {
    return lookup_code(name, static_cast<std::int32_t>(table));
}

} // namespace vex::table
