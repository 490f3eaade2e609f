// Table document generator: deterministic output for a given seed.
#include "table_document_generator.h"

#include <string_view>

namespace vex::table::bench {

namespace {

// A small deterministic generator (xorshift), so documents are the same on every machine.
class Random {
public:
    explicit Random(std::uint32_t seed) : m_state(seed == 0 ? 0x9E3779B9u : seed) {}
    std::uint32_t next() {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 17;
        m_state ^= m_state << 5;
        return m_state;
    }

private:
    std::uint32_t m_state;
};

bool is_number_column(std::int32_t column) {
    return column % 2 == 1;
}

void append_number(std::string& out, std::uint32_t value) {
    out += std::to_string(value);
}

} // namespace

std::string generate_table_document(const GeneratorOptions& options) {
    Random random(options.seed);
    std::string xml;
    xml.reserve(static_cast<std::size_t>(options.rows) * static_cast<std::size_t>(options.columns) * 42 +
                4096);
    xml += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    xml += "<tbx:BI_BS_XML xmlns:tbx=\"urn:vex:table\">\n<VERSION>2.1</VERSION><USER>BENCH</USER>\n";
    xml += "<tbx:AREAS><tbx:TABLE><NAME>Generated</NAME>\n";
    xml += "<tbx:LAYOUT><COLOR_HEADER>#C0C0C0</COLOR_HEADER><COLOR_TOTAL>#FFFF00</COLOR_TOTAL>"
           "<COLOR_SUBTOTAL>#FFFFC0</COLOR_SUBTOTAL><COLOR_CELL>#FFFFFF</COLOR_CELL><FIXED_COL>1</FIXED_COL>"
           "</tbx:LAYOUT>\n";
    xml += "<tbx:FIELDS>\n";
    for (std::int32_t c = 0; c < options.columns; ++c) {
        const std::string_view type = c == 3 ? "CURR" : is_number_column(c) ? "DEC" : "CHAR";
        xml += "<FIELD><NAME>F" + std::to_string(c) + "</NAME><KIND>E</KIND><S_ELEM><DATATYPE>" +
               std::string(type) +
               "</DATATYPE><INTLEN>10</INTLEN><OUTPUTLEN>14</OUTPUTLEN><DECIMALS>2</DECIMALS><JUST>" +
               (is_number_column(c) ? "R" : "L") + "</JUST></S_ELEM></FIELD>\n";
    }
    xml += "</tbx:FIELDS>\n<tbx:COLUMNS>\n";
    for (std::int32_t c = 0; c < options.columns; ++c) {
        xml += "<COLUMN><FIELDNAME>F" + std::to_string(c) + "</FIELDNAME><SELTEXT>Column " +
               std::to_string(c) + "</SELTEXT></COLUMN>\n";
    }
    xml +=
        "</tbx:COLUMNS>\n<tbx:UNITS><UNIT><ID>EUR</ID><DEC>2</DEC></UNIT><UNIT><ID>KG</ID><DEC>3</DEC></UNIT>"
        "</tbx:UNITS>\n";
    xml += "<tbx:TOP_OF_LIST rowcount=\"2\" colcount=\"2\"><ROW><C>Report</C><C>Generated</C></ROW>"
           "<ROW><C>Rows</C><C>" +
           std::to_string(options.rows) + "</C></ROW></tbx:TOP_OF_LIST>\n";
    xml += "<tbx:ROWS>\n";
    std::int64_t cell_number = 0;
    for (std::int32_t r = 0; r < options.rows; ++r) {
        const bool subtotal =
            options.subtotal_every > 0 && r % options.subtotal_every == options.subtotal_every - 1;
        const bool collapsed = options.collapsed_every > 0 && r % options.collapsed_every == 1;
        xml += "<ROWNUMBER>" + std::to_string(r + 1) + "</ROWNUMBER><ROW";
        if (subtotal) {
            xml += " type=\"S\" index=\"" + std::to_string(r) + "\" level=\"" + std::to_string(r % 2) + "\"";
        } else if (options.subtotal_every > 0 && r % options.subtotal_every == 0) {
            xml += " type=\"D\"";
        }
        if (collapsed) {
            xml += " collapsed=\"X\"";
        }
        xml += ">";
        const std::int32_t cells = collapsed ? 1 : options.columns;
        for (std::int32_t c = 0; c < cells; ++c, ++cell_number) {
            xml += "<CELL><VALUE";
            if (options.attribute_every > 0 && cell_number % options.attribute_every == 0) {
                xml += c == 3 ? " curr=\"EUR\"" : " decimals=\"2\"";
            }
            xml += ">";
            if (collapsed) {
                xml += "Group ";
                append_number(xml, random.next() % 1000);
            } else if (is_number_column(c)) {
                append_number(xml, random.next() % 100000);
                xml += '.';
                append_number(xml, 10 + random.next() % 90);
            } else {
                xml += "Item ";
                append_number(xml, random.next() % 1000000);
            }
            xml += "</VALUE></CELL>";
        }
        xml += "</ROW>\n";
    }
    xml += "</tbx:ROWS>\n";
    xml += "<tbx:END_OF_LIST rowcount=\"1\" colcount=\"1\"><ROW><C>End of list</C></ROW></tbx:END_OF_LIST>\n";
    xml += "</tbx:TABLE></tbx:AREAS></tbx:BI_BS_XML>\n";
    return xml;
}

} // namespace vex::table::bench
