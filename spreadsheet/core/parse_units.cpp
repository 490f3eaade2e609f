// "tbx:UNITS": the number format of each unit or currency key.
#include "core/name_lookup.h"
#include "core/table_parser.h"

namespace vex::table {

Status TableParser::extract_xmlData_Columnform_Units(NodeHandle units, UnitFormats& unitFormats) {
    static constexpr TextView method = u"extract_xmlData_Columnform_Units";
    m_trace.enter(method);
    NodeRef unit(*m_dom);
    Status status = first_child(units, unit);
    Text name;
    Text key;
    Text value;
    Text format;
    for (; unit; status = getNextSibling(unit)) {
        if (failed(status)) {
            return status;
        }
        if (failed(status = read_name(unit.get(), name, u"pChildNode->get_nodeName failed"))) {
            return status;
        }
        if (name != u"UNIT") {
            m_trace.error(u"Node not equal UNIT: ", name, status_fail);
            return status_fail;
        }
        key.clear();
        std::int32_t decimals = 0;
        NodeRef child(*m_dom);
        status = first_child(unit.get(), child);
        for (; child; status = getNextSibling(child)) {
            if (failed(status)) {
                return status;
            }
            if (failed(status = read_name(child.get(), name, u"pChildNodeFormat->get_nodeName failed"))) {
                return status;
            }
            const std::int32_t code =
                GetXmlIndexFromName(name, static_cast<std::int32_t>(LookupTable::unit_children));
            if (code == not_found) {
                m_trace.error(u": invalid task type: ", name, status_fail);
                return status_fail;
            }
            if (failed(status =
                           read_value(child.get(), value, u"pChildNode->get_nodeNameFormatValue failed"))) {
                return status;
            }
            if (code == 0) {
                key = value;
            } else {
                decimals = read_integer(value);
            }
        }
        if (failed(status)) {
            return status;
        }
        format.clear();
        if (failed(status = m_engine.getFormatUnit(decimals, key, format))) {
            m_trace.error(u"m_spreadsheet.getFormatNumber", status);
            return status;
        }
        // The first format of a key stays.
        unitFormats.emplace(key, format);
    }
    if (failed(status)) {
        return status;
    }
    m_trace.leave(method, status_ok);
    return status_ok;
}

} // namespace vex::table
