// "tbx:TOP_OF_LIST" and "tbx:END_OF_LIST": the free text blocks above and below the list.
#include "core/name_lookup.h"
#include "core/table_parser.h"

namespace vex::table {

Status TableParser::extract_xmlData_TopOfList(NodeHandle block, std::int32_t& rowCount,
                                              std::int32_t& columnCount, CellValues& cells) {
    static constexpr TextView method = u"extract_xmlData_TopOfList";
    m_trace.enter(method);
    Status status = getAttributesOfNode_TopOfList(block, rowCount, columnCount);
    if (failed(status)) {
        m_trace.error(u"getAttributesOfNode_TopOfList", status);
        return status;
    }
    if (rowCount == 0 && columnCount == 0) {
        m_trace.leave(method, status_ok);
        return status_ok;
    }
    std::int32_t rowsRead = 0;
    std::int32_t cellsInRow = 0;
    NodeRef row(*m_dom);
    status = first_child(block, row);
    Text name;
    Text value;
    for (; row; status = getNextSibling(row)) {
        if (failed(status)) {
            return status;
        }
        if (failed(status = read_name(row.get(), name, u"pChildNode->get_nodeName failed"))) {
            return status;
        }
        if (name != u"ROW") {
            m_trace.error(u"Node not equal ROW: ", name, status_fail);
            return status_fail;
        }
        ++rowsRead;
        cellsInRow = 0;
        NodeRef cell(*m_dom);
        status = first_child(row.get(), cell);
        for (; cell; status = getNextSibling(cell)) {
            if (failed(status)) {
                return status;
            }
            if (failed(status = read_value(cell.get(), value, u"pChildNode->get_nodeTypedValue failed"))) {
                return status;
            }
            cells.push_back_text(value);
            ++cellsInRow;
        }
        if (failed(status)) {
            return status;
        }
    }
    if (failed(status)) {
        return status;
    }
    if (rowsRead != rowCount || cellsInRow != columnCount) {
        m_trace.error(u"Mismatch between xml count of rows,columns and contained data", status_fail);
        return status_fail;
    }
    m_trace.leave(method, status_ok);
    return status_ok;
}

Status TableParser::getAttributesOfNode_TopOfList(NodeHandle block, std::int32_t& rowCount,
                                                  std::int32_t& columnCount) {
    static constexpr TextView method = u"getAttributesOfNode_TopOfList";
    m_trace.enter(method);
    rowCount = 0;
    columnCount = 0;
    std::int32_t count = 0;
    Status status = m_dom->attribute_count(block, count);
    if (failed(status)) {
        m_trace.error(u"get_attributes failed", status);
        return status;
    }
    Text name;
    Text value;
    for (std::int32_t i = 0; i < count; ++i) {
        if (failed(status = m_dom->attribute_name(block, i, name))) {
            m_trace.error(u"get_nodeName failed", status);
            return status;
        }
        const std::int32_t code =
            GetXmlIndexFromName(name, static_cast<std::int32_t>(LookupTable::list_block_attributes));
        if (code == not_found) {
            m_trace.error(u"getAttributesOfNode_TopOfList: node name: ", name, status_fail);
            continue;
        }
        if (failed(status = m_dom->attribute_value(block, i, value))) {
            m_trace.error(u"get_nodeTypedValue failed", status);
            return status;
        }
        (code == 0 ? rowCount : columnCount) = read_integer(value);
    }
    m_trace.leave(method, status_ok);
    return status_ok;
}

} // namespace vex::table
