// The name tables, kept sorted at compile time and searched by binary search.
#include "core/name_lookup.h"

#include <algorithm>
#include <array>
#include <span>

namespace vex::table {

namespace {

struct Entry {
    TextView name;
    std::int32_t code;
};

template <std::size_t N>
constexpr std::array<Entry, N> sorted(std::array<Entry, N> entries) {
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
    return entries;
}

constexpr auto column_vocabulary = sorted(std::to_array<Entry>({
    {u"CATEGORY_TYPE", 0},
    {u"NAME", 0},
    {u"DATATYPE", 1},
    {u"COLNAME", 1},
    {u"INTLEN", 2},
    {u"HEADER_BIND_KDEF_ELEMENT", 2},
    {u"OUTPUTLEN", 3},
    {u"HEADER_BIND_KDEF_FIELD", 3},
    {u"CHARLEN", 4},
    {u"FIELDNAME", 4},
    {u"DECIMALS", 5},
    {u"IS_VISIBLE", 5},
    {u"STYLE", 6},
    {u"IS_HIERCOL", 6},
    {u"IS_NUMERIC", 7},
    {u"UI_ELEMENT", 7},
    {u"JUST", 8},
    {u"REPTEXT", 8},
    {u"INTTYPE", 9},
    {u"SELTEXT", 9},
    {u"HAS_DIGITS", 10},
    {u"TOOLTIP", 10},
    {u"CONV", 11},
    {u"COL_POS", 11},
    {u"DATAELEMENT", 12},
    {u"DOMAIN", 13},
    {u"IS_KEYFIGURE", 14},
    {u"REFERENCE_FIELD", 15},
    {u"REFERENCE_FIELD_TYPE", 16},
}));

constexpr auto root_children = sorted(std::to_array<Entry>({
    {u"VERSION", 0},
    {u"USER", 1},
    {u"FLAVOUR", 2},
    {u"TIME", 3},
    {u"SYSTEM", 4},
    {u"TITLE", 5},
    {u"TCODE", 6},
    {u"REPORT", 7},
    {u"QUILLPAGE_COMPONENT", 8},
    {u"QUILLPAGE_USAGE", 9},
    {u"DATE", 10},
    {u"tbx:AREAS", 11},
}));

constexpr auto areas_children = sorted(std::to_array<Entry>({{u"tbx:TABLE", 0}}));

constexpr auto table_children = sorted(std::to_array<Entry>({
    {u"tbx:LAYOUT", 0},
    {u"tbx:COLUMNS", 1},
    {u"tbx:ROWS", 2},
    {u"tbx:TOP_OF_LIST", 3},
    {u"tbx:END_OF_LIST", 4},
    {u"tbx:IMAGEINFOS", 5},
    {u"tbx:IMAGES", 6},
    {u"NAME", 7},
    {u"tbx:SERVICES", 8},
    {u"tbx:UNITS", 9},
    {u"tbx:FIELDS", 10},
    {u"tbx:HYPERLINKS", 11},
    {u"tbx:VALUESETS", 12},
    {u"tbx:SELECTIONS", 13},
    {u"tbx:DATA", 14},
}));

constexpr auto row_attributes = sorted(std::to_array<Entry>({
    {u"type", 0},
    {u"index", 1},
    {u"level", 2},
    {u"subRows", 3},
    {u"sum_level", 4},
    {u"collapsed", 5},
    {u"invisible", 6},
}));

constexpr auto unit_children = sorted(std::to_array<Entry>({{u"ID", 0}, {u"DEC", 1}}));

constexpr auto row_types = sorted(std::to_array<Entry>({{u"D", 0}, {u"S", 1}, {u"G", 2}}));

constexpr auto list_block_attributes = sorted(std::to_array<Entry>({{u"rowcount", 0}, {u"colcount", 1}}));

constexpr auto field_children = sorted(std::to_array<Entry>({
    {u"PARENT_ID", 0},
    {u"ID", 1},
    {u"PATH", 2},
    {u"SUB_PATH", 3},
    {u"NAME", 4},
    {u"KIND", 5},
    {u"S_ELEM", 6},
    {u"S_STRUC", 7},
    {u"S_TABLE", 8},
}));

constexpr auto value_attributes = sorted(std::to_array<Entry>({
    {u"name", 0},
    {u"decimals", 1},
    {u"imageid", 2},
    {u"attribute01", 3},
    {u"curr", 4},
    {u"unit", 5},
    {u"refcol", 6},
    {u"istext", 7},
    {u"href", 8},
    {u"imagefirst", 9},
}));

constexpr auto internal_types = sorted(std::to_array<Entry>({
    {u"N", 1},
    {u"C", 2},
    {u"Z", 2},
    {u"g", 2},
    {u"X", 2},
    {u"Y", 2},
    {u"R", 4},
    {u"P", 4},
    {u"F", 4},
    {u"e", 4},
    {u"a", 4},
    {u"I", 5},
    {u"b", 5},
    {u"s", 5},
    {u"D", 6},
    {u"T", 7},
}));

constexpr auto data_types = sorted(std::to_array<Entry>({
    {u"NUMC", 1}, {u"CHAR", 2}, {u"CUKY", 2}, {u"UNIT", 2}, {u"RAW", 2},  {u"IMAGE", 2}, {u"BOOL", 2},
    {u"CURR", 3}, {u"QUAN", 4}, {u"DEC", 4},  {u"FLTP", 4}, {u"D34R", 4}, {u"D16R", 4},  {u"FLOAT", 4},
    {u"INT4", 5}, {u"INT1", 5}, {u"INT2", 5}, {u"INT", 5},  {u"STRG", 5}, {u"DATS", 6},  {u"TIMS", 7},
}));

constexpr auto layout_children = sorted(std::to_array<Entry>({
    {u"COLOR_HEADER", 0},
    {u"COLOR_HIERARCHY", 1},
    {u"COLOR_TOTAL", 2},
    {u"COLOR_SUBTOTAL", 3},
    {u"COLOR_CELL", 4},
    {u"COLOR_HEADER_FONT", 5},
    {u"COLOR_TOTAL_FONT", 6},
    {u"COLOR_SUBTOTAL_FONT", 7},
    {u"COLOR_CELL_FONT", 8},
    {u"SUM_ROWS_BEFORE_DETAIL", 9},
    {u"HIERARCHY", 10},
    {u"FIXED_COL", 11},
    {u"FIXED_COL_RIGHT", 12},
    {u"VISIBLE", 13},
    {u"ENABLED", 14},
    {u"READONLY", 15},
}));

std::span<const Entry> table_of(std::int32_t table_id) {
    switch (static_cast<LookupTable>(table_id)) {
    case LookupTable::column_vocabulary:
        return column_vocabulary;
    case LookupTable::root_children:
        return root_children;
    case LookupTable::areas_children:
        return areas_children;
    case LookupTable::table_children:
        return table_children;
    case LookupTable::row_attributes:
        return row_attributes;
    case LookupTable::unit_children:
        return unit_children;
    case LookupTable::row_types:
        return row_types;
    case LookupTable::list_block_attributes:
        return list_block_attributes;
    case LookupTable::field_children:
        return field_children;
    case LookupTable::value_attributes:
        return value_attributes;
    case LookupTable::internal_types:
        return internal_types;
    case LookupTable::data_types:
        return data_types;
    case LookupTable::layout_children:
        return layout_children;
    }
    return {};
}

} // namespace

bool has_lookup_table(std::int32_t table_id) {
    return !table_of(table_id).empty();
}

std::int32_t lookup_code(TextView name, std::int32_t table_id) {
    const auto table = table_of(table_id);
    const auto it = std::lower_bound(table.begin(), table.end(), name,
                                     [](const Entry& entry, TextView key) { return entry.name < key; });
    if (it == table.end() || it->name != name) {
        return not_found;
    }
    return it->code;
}

} // namespace vex::table
