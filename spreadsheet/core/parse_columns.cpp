// "tbx:COLUMNS": the columns of an area, each taking the format of the field it names.
#include "core/name_lookup.h"
#include "core/table_parser.h"

namespace vex::table {

namespace {

constexpr std::int32_t field_name_code = 4;
constexpr std::int32_t title_code = 9;
// Codes above this one name column properties that the document must not carry.
constexpr std::int32_t last_accepted_code = 11;

} // namespace

Status TableParser::extract_xmlData_Column(NodeHandle columnsNode, const FieldTable& fieldTable,
                                           std::vector<ColumnFormat>& columns) {
    static constexpr TextView method = u"extract_xmlData_Column";
    m_trace.enter(method);
    std::int32_t position = 0;
    NodeRef column(*m_dom);
    Status status = first_child(columnsNode, column);
    Text name;
    Text fieldName;
    Text title;
    for (; column; status = getNextSibling(column)) {
        if (failed(status)) {
            return status;
        }
        if (failed(status = read_name(column.get(), name, u"pChildNode->get_nodeName failed"))) {
            return status;
        }
        if (name != u"COL" && name != u"COLUMN") {
            m_trace.error(u"Node not equal COLUMN: ", name, status_fail);
            return status_fail;
        }
        fieldName.clear();
        title.clear();
        NodeRef child(*m_dom);
        status = first_child(column.get(), child);
        for (; child; status = getNextSibling(child)) {
            if (failed(status)) {
                return status;
            }
            if (failed(status = read_name(child.get(), name, u"pChildNode->get_nodeNameFormat failed"))) {
                return status;
            }
            const std::int32_t code =
                GetXmlIndexFromName(name, static_cast<std::int32_t>(LookupTable::column_vocabulary));
            if (code == not_found || code > last_accepted_code) {
                m_trace.error(u": invalid task type: ", name, status_fail);
                return status_fail;
            }
            if (code == field_name_code || code == title_code) {
                Text& target = code == field_name_code ? fieldName : title;
                if (failed(status = read_value(child.get(), target,
                                               u"pChildNode->get_nodeNameFormatValue failed"))) {
                    return status;
                }
            }
        }
        if (failed(status)) {
            return status;
        }
        ColumnFormat format;
        if (const auto field = fieldTable.find(fieldName); field != fieldTable.end()) {
            format = field->second;
        }
        format.columnIndex = position;
        format.title = title;
        columns.push_back(std::move(format));
        ++position;
    }
    if (failed(status)) {
        return status;
    }
    m_trace.leave(method, status_ok);
    return status_ok;
}

} // namespace vex::table
