// Building blocks for table documents in tests, written as UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace vex::table::testing {

inline const std::string root_open = R"(<tbx:BI_BS_XML xmlns:tbx="urn:vex:table">)";
inline const std::string root_close = "</tbx:BI_BS_XML>";

// A whole document: a version header and the given areas.
inline std::string document_with_areas(std::string_view areas,
                                       std::string_view header = "<VERSION>2.1</VERSION>") {
    return root_open + std::string(header) + "<tbx:AREAS>" + std::string(areas) + "</tbx:AREAS>" + root_close;
}

// A document with one area of the given content.
inline std::string document_with_table(std::string_view table_content) {
    return document_with_areas("<tbx:TABLE>" + std::string(table_content) + "</tbx:TABLE>");
}

// An elementary field with a data type (and more S_ELEM content when given).
inline std::string field(std::string_view name, std::string_view datatype, std::string_view more = "") {
    return "<FIELD><NAME>" + std::string(name) + "</NAME><KIND>E</KIND><S_ELEM><DATATYPE>" +
           std::string(datatype) + "</DATATYPE>" + std::string(more) + "</S_ELEM></FIELD>";
}

inline std::string column(std::string_view field_name, std::string_view title) {
    return "<COLUMN><FIELDNAME>" + std::string(field_name) + "</FIELDNAME><SELTEXT>" + std::string(title) +
           "</SELTEXT></COLUMN>";
}

inline std::string cell(std::string_view value, std::string_view value_attributes = "") {
    return "<CELL><VALUE" + std::string(value_attributes.empty() ? "" : " ") + std::string(value_attributes) +
           ">" + std::string(value) + "</VALUE></CELL>";
}

inline std::string row(std::string_view cells, std::string_view attributes = "") {
    return "<ROW" + std::string(attributes.empty() ? "" : " ") + std::string(attributes) + ">" +
           std::string(cells) + "</ROW>";
}

// Fields and columns for a table of a text column "A" and a number column "B".
inline std::string text_and_number_columns() {
    return "<tbx:FIELDS>" + field("A", "CHAR") + field("B", "DEC") + "</tbx:FIELDS><tbx:COLUMNS>" +
           column("A", "Text") + column("B", "Number") + "</tbx:COLUMNS>";
}

} // namespace vex::table::testing
