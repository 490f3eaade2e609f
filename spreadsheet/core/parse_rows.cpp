// "tbx:ROWS": the data rows of an area, with their carried attributes and collapse padding.
#include "core/name_lookup.h"
#include "core/table_parser.h"

namespace vex::table {

namespace {

constexpr std::int32_t no_value = -1;
constexpr std::int32_t subtotal_row = 1;

} // namespace

Status TableParser::extract_xmlData_Rows(NodeHandle rows, TableModel& model) {
    static constexpr TextView method = u"extract_xmlData_Rows";
    m_trace.enter(method);
    Text decimalSeparator;
    Status status = m_engine.getDecimalseparator(decimalSeparator);
    if (failed(status)) {
        m_trace.error(u"getDecimalseparator", status);
        return status;
    }
    model.rowCount = 0;
    model.columnCount = 0;
    // Type, index, level and sum level carry over from the last row that gave them.
    std::int32_t type = no_value;
    std::int32_t index = no_value;
    std::int32_t level = no_value;
    std::int32_t sumLevel = no_value;
    // Set while the padding of a collapsed first row waits for the width of the table.
    bool pending = false;
    std::int32_t position = 0;
    SeenAttributes seen;
    NodeRef row(*m_dom);
    status = first_child(rows, row);
    Text name;
    for (; row; status = getNextSibling(row), ++position) {
        if (failed(status)) {
            return status;
        }
        if (failed(status = read_name(row.get(), name, u"pChildNode->get_nodeName failed"))) {
            return status;
        }
        if (same_text(name, u"ROWNUMBER")) {
            if (failed(status = getNextSibling(row))) {
                return status;
            }
            if (!row) {
                m_trace.error(u"No row behind rownumber", status_fail);
                return status_fail;
            }
            if (failed(status = read_name(row.get(), name, u"pChildNode->get_nodeName failed"))) {
                return status;
            }
        }
        if (!same_text(name, u"ROW")) {
            m_trace.error(u"Node not equal ROW: ", name, status_fail);
            return status_fail;
        }
        bool collapsed = false;
        seen.clear();
        if (failed(status =
                       getAttributesOfNode_Row(row.get(), seen, type, index, level, sumLevel, collapsed))) {
            m_trace.error(u"getAttributesOfNode_Row", status);
            return status;
        }
        if (type == subtotal_row) {
            (level == 0 ? model.subtotalRows : model.nestedSubtotalRows).push_back(index);
        }
        std::int32_t cellsInRow = 0;
        if (failed(status = extract_xmlData_Cell(row.get(), model.columns, decimalSeparator, model.cellValues,
                                                 model.cellFormats, position, cellsInRow))) {
            m_trace.error(u"extract_xmlData_Cell", status);
            return status;
        }
        if (cellsInRow > model.columnCount) {
            model.columnCount = cellsInRow;
        }
        if (collapsed || pending) {
            if (position == 0) {
                // The width is not known before the next rows are read.
                model.collapsedRows.push_back(0);
                pending = true;
            } else {
                if (!pending) {
                    model.collapsedRows.push_back(position);
                }
                if (failed(status = collapse_Row(model.columnCount, pending, model.cellValues))) {
                    m_trace.error(u"collapse_Row", status);
                    return status;
                }
                pending = false;
            }
        }
    }
    if (failed(status)) {
        return status;
    }
    model.rowCount = position;
    m_trace.leave(method, status_ok);
    return status_ok;
}

Status TableParser::getAttributesOfNode_Row(NodeHandle row, SeenAttributes& seen, std::int32_t& type,
                                            std::int32_t& index, std::int32_t& level, std::int32_t& sumLevel,
                                            bool& collapsed) {
    static constexpr TextView method = u"getAttributesOfNode_Row";
    m_trace.enter(method);
    collapsed = false;
    std::int32_t count = 0;
    Status status = m_dom->attribute_count(row, count);
    if (failed(status)) {
        m_trace.error(u"get_attributes failed", status);
        return status;
    }
    Text name;
    Text value;
    for (std::int32_t i = 0; i < count; ++i) {
        if (failed(status = m_dom->attribute_name(row, i, name))) {
            m_trace.error(u"get_nodeName failed", status);
            return status;
        }
        const std::int32_t code =
            GetXmlIndexFromName(name, static_cast<std::int32_t>(LookupTable::row_attributes));
        if (code == not_found || code == 3 || code == 6) {
            continue;
        }
        if (failed(status = m_dom->attribute_value(row, i, value))) {
            m_trace.error(u"get_nodeTypedValue failed", status);
            return status;
        }
        seen.push_back(code);
        switch (code) {
        case 0:
            type = GetXmlIndexFromName(value, static_cast<std::int32_t>(LookupTable::row_types));
            if (type == not_found) {
                m_trace.error(u"Unknow row attribute type", status_fail);
                return status_fail;
            }
            break;
        case 1:
            index = read_integer(value);
            break;
        case 2:
            level = read_integer(value);
            break;
        case 4:
            sumLevel = read_integer(value);
            break;
        case 5:
            collapsed = value == u"X";
            break;
        default:
            break;
        }
    }
    m_trace.leave(method, status_ok);
    return status_ok;
}

Status TableParser::collapse_Row(std::int32_t columnCount, bool pending, CellValues& cellValues) {
    static constexpr TextView method = u"collapse_Row";
    m_trace.enter(method);
    const std::size_t padding = columnCount > 1 ? static_cast<std::size_t>(columnCount - 1) : 0;
    if (!pending) {
        // The collapsed row is the last one appended: fill it to the full width.
        cellValues.append_empty(padding);
    } else if (!cellValues.empty()) {
        // The padding of the first row was deferred: it goes right after the first value.
        cellValues.insert_empty(1, padding);
    } else {
        // No first value was read: an empty one stands for it.
        cellValues.append_empty(1 + padding);
    }
    m_trace.leave(method, status_ok);
    return status_ok;
}

} // namespace vex::table
