// The cells of one data row: values, number text normalisation and cell format attributes.
#include "core/name_lookup.h"
#include "core/table_parser.h"

namespace vex::table {

namespace {

// Cell texts are cut to this many UTF-16 units.
constexpr std::size_t max_cell_length = 200;

constexpr std::int32_t currency_category = 3;
constexpr std::int32_t number_category = 4;

enum ValueAttribute : std::int32_t {
    attribute_name = 0,
    attribute_decimals = 1,
    attribute_imageid = 2,
    attribute_attribute01 = 3,
    attribute_curr = 4,
    attribute_unit = 5,
    attribute_refcol = 6,
    attribute_istext = 7,
    attribute_href = 8,
    attribute_imagefirst = 9,
};

// Replaces the first "." and the first "," of text by separator. Both positions are those of the
// text as read, so a text with both marks has both replaced.
void localise_decimal_marks(Text& text, TextView separator) {
    std::size_t dot = Text::npos;
    std::size_t comma = Text::npos;
    for (std::size_t i = 0; i < text.size() && (dot == Text::npos || comma == Text::npos); ++i) {
        if (text[i] == u'.' && dot == Text::npos) {
            dot = i;
        } else if (text[i] == u',' && comma == Text::npos) {
            comma = i;
        }
    }
    if (dot == Text::npos && comma == Text::npos) {
        return;
    }
    if (separator.size() == 1) {
        if (dot != Text::npos) {
            text[dot] = separator[0];
        }
        if (comma != Text::npos) {
            text[comma] = separator[0];
        }
        return;
    }
    Text result;
    result.reserve(text.size() + 2 * separator.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i == dot || i == comma) {
            result.append(separator);
        } else {
            result.push_back(text[i]);
        }
    }
    text = std::move(result);
}

} // namespace

Status TableParser::extract_xmlData_Cell(NodeHandle row, const std::vector<ColumnFormat>& columns,
                                         TextView decimalSeparator, CellValues& cellValues,
                                         std::vector<CellFormat>& cellFormats, std::int32_t rowPosition,
                                         std::int32_t& cellsInRow) {
    static constexpr TextView method = u"extract_xmlData_Cell";
    m_trace.enter(method);
    std::int32_t position = 0;
    NodeRef cell(*m_dom);
    Status status = first_child(row, cell);
    Text name;
    SeenAttributes seen;
    Text imageId;
    Text unitKey;
    Text istextValue;
    for (; cell; status = getNextSibling(cell), ++position) {
        if (failed(status)) {
            return status;
        }
        if (failed(status = read_name(cell.get(), name, u"pChildNode->get_nodeNameFormat failed"))) {
            return status;
        }
        if (!same_text(name, u"CELL")) {
            m_trace.error(u"Node not equal CELL: ", name, status_fail);
            return status_fail;
        }
        // The cell's value: nothing until a "VALUE" is met, then a text or number that it gives.
        CellValue value;
        NodeRef child(*m_dom);
        status = first_child(cell.get(), child);
        for (; child; status = getNextSibling(child)) {
            if (failed(status)) {
                return status;
            }
            if (static_cast<std::size_t>(position) >= columns.size()) {
                m_trace.error(u"extract_xmlData_Cell: more cells than columns", status_fail);
                return status_fail;
            }
            const std::int32_t category = columns[static_cast<std::size_t>(position)].category;
            if (failed(status = read_name(child.get(), name, u"pChildNode->get_nodeNameFormat failed"))) {
                return status;
            }
            if (!same_text(name, u"VALUE")) {
                continue;
            }
            seen.clear();
            std::int32_t decimals = 0;
            double attribute01 = 0.0;
            imageId.clear();
            unitKey.clear();
            istextValue.clear();
            if (failed(status = getAttributesOfNode_Cell(child.get(), seen, decimals, imageId, attribute01,
                                                         unitKey, istextValue))) {
                m_trace.error(u"getAttributesOfNode_Cell failed", status);
                return status;
            }
            if (failed(status = read_value(cell.get(), m_cellText,
                                           u"pChildNode->get_nodeTypedValue(&NameValue) failed"))) {
                return status;
            }
            if (m_cellText.size() > max_cell_length) {
                m_cellText.resize(max_cell_length);
            }
            if (category == currency_category || category == number_category) {
                localise_decimal_marks(m_cellText, decimalSeparator);
            }
            value = CellValue(TextView(m_cellText));
            if (seen.empty()) {
                continue;
            }
            // Each attribute starts again from the value read; the last attribute's value counts.
            CellFormat format;
            bool recordFormat = false;
            for (const std::int32_t code : seen) {
                switch (code) {
                case attribute_decimals:
                    format.decimals = decimals;
                    format.hasDecimals = 1;
                    recordFormat = true;
                    value = CellValue(TextView(m_cellText));
                    break;
                case attribute_curr:
                case attribute_unit:
                    format.unit = unitKey;
                    format.hasUnit = 1;
                    recordFormat = true;
                    value = CellValue(TextView(m_cellText));
                    break;
                case attribute_imageid:
                    value = CellValue(TextView(imageId));
                    break;
                case attribute_attribute01:
                    value = CellValue(attribute01);
                    break;
                case attribute_istext:
                    format.isText = 1;
                    recordFormat = true;
                    value = CellValue(TextView(istextValue));
                    break;
                default:
                    m_trace.error(u"wrong availableattributes", status_fail);
                    return status_fail;
                }
            }
            if (recordFormat) {
                format.column = position;
                format.row = rowPosition;
                cellFormats.push_back(std::move(format));
            }
        }
        if (failed(status)) {
            return status;
        }
        // The texts viewed are the buffers of the last "VALUE" read, unchanged since.
        cellValues.push_back(value);
    }
    if (failed(status)) {
        return status;
    }
    cellsInRow = position;
    m_trace.leave(method, status_ok);
    return status_ok;
}

Status TableParser::getAttributesOfNode_Cell(NodeHandle value, SeenAttributes& seen, std::int32_t& decimals,
                                             Text& imageId, double& attribute01, Text& unitKey,
                                             Text& istextValue) {
    static constexpr TextView method = u"getAttributesOfNode_Cell";
    m_trace.enter(method);
    std::int32_t count = 0;
    Status status = m_dom->attribute_count(value, count);
    if (failed(status)) {
        m_trace.error(u"get_attributes failed", status);
        return status;
    }
    Text name;
    Text text;
    for (std::int32_t i = 0; i < count; ++i) {
        if (failed(status = m_dom->attribute_name(value, i, name))) {
            m_trace.error(u"get_nodeName failed", status);
            return status;
        }
        const std::int32_t code =
            GetXmlIndexFromName(name, static_cast<std::int32_t>(LookupTable::value_attributes));
        switch (code) {
        case attribute_name:
        case attribute_href:
        case attribute_imagefirst:
            continue;
        case attribute_decimals:
        case attribute_imageid:
        case attribute_attribute01:
        case attribute_curr:
        case attribute_unit:
            if (failed(status = m_dom->attribute_value(value, i, text))) {
                m_trace.error(u"get_nodeTypedValue failed", status);
                return status;
            }
            break;
        case attribute_istext:
            // The cell becomes the text of the "VALUE" element itself.
            if (failed(status = m_dom->typed_value(value, text))) {
                m_trace.error(u"get_nodeTypedValue failed", status);
                return status;
            }
            break;
        default:
            m_trace.error(u"getAttributesOfNode_Cell: node name: ", name, status_fail);
            continue;
        }
        seen.push_back(code);
        switch (code) {
        case attribute_decimals:
            decimals = read_integer(text);
            break;
        case attribute_imageid:
            imageId = text;
            break;
        case attribute_attribute01:
            attribute01 = read_double(text);
            break;
        case attribute_istext:
            istextValue = text;
            break;
        default:
            unitKey = text;
            break;
        }
    }
    m_trace.leave(method, status_ok);
    return status_ok;
}

} // namespace vex::table
