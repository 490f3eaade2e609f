// "tbx:FIELDS": the field descriptions and their format blocks ("S_ELEM").
#include "core/name_lookup.h"
#include "core/table_parser.h"

namespace vex::table {

namespace {

constexpr TextView elementary_kind = u"E";

} // namespace

Status TableParser::extract_xmlData_Field(NodeHandle fields, FieldTable& fieldTable) {
    static constexpr TextView method = u"extract_xmlData_Field";
    m_trace.enter(method);
    NodeRef field(*m_dom);
    Status status = first_child(fields, field);
    Text name;
    Text fieldName;
    Text kind;
    for (; field; status = getNextSibling(field)) {
        if (failed(status)) {
            return status;
        }
        if (failed(status = read_name(field.get(), name, u"pChildNode->get_nodeName failed"))) {
            return status;
        }
        if (name != u"FIELD") {
            m_trace.error(u"Node not equal COLUMN: ", name, status_fail);
            return status_fail;
        }
        fieldName.clear();
        kind.clear();
        NodeRef child(*m_dom);
        status = first_child(field.get(), child);
        for (; child; status = getNextSibling(child)) {
            if (failed(status)) {
                return status;
            }
            if (failed(status = read_name(child.get(), name, u"pChildNode->get_nodeNameFormat failed"))) {
                return status;
            }
            const std::int32_t code =
                GetXmlIndexFromName(name, static_cast<std::int32_t>(LookupTable::field_children));
            if (code == 4 || code == 5) {
                Text& target = code == 4 ? fieldName : kind;
                if (failed(status = read_value(child.get(), target,
                                               u"pChildNode->get_nodeNameFormatValue failed"))) {
                    return status;
                }
            } else if (code == 6) {
                // The format block counts only for an elementary field whose kind came before it.
                if (kind == elementary_kind) {
                    if (failed(status = extract_xmlData_Columnformat(child.get(), fieldName, fieldTable))) {
                        m_trace.error(u"extract_xmlData_Columnformat", status);
                        return status;
                    }
                }
            } else if (code == not_found) {
                m_trace.error(u"extract_xmlData_Field: invalid task type: ", name, status_fail);
                return status_fail;
            }
        }
        if (failed(status)) {
            return status;
        }
        // An elementary field without a format block gets the default format; a name already
        // recorded keeps its first format.
        if (kind == elementary_kind) {
            fieldTable.emplace(fieldName, ColumnFormat{});
        }
    }
    if (failed(status)) {
        return status;
    }
    m_trace.leave(method, status_ok);
    return status_ok;
}

Status TableParser::extract_xmlData_Columnformat(NodeHandle sElem, const Text& fieldName,
                                                 FieldTable& fieldTable) {
    static constexpr TextView method = u"extract_xmlData_Columnformat";
    m_trace.enter(method);
    ColumnFormat format;
    NodeRef child(*m_dom);
    Status status = first_child(sElem, child);
    Text name;
    Text value;
    for (; child; status = getNextSibling(child)) {
        if (failed(status)) {
            return status;
        }
        if (failed(status = read_name(child.get(), name, u"pChildNode->get_nodeNameFormat failed"))) {
            return status;
        }
        const std::int32_t code =
            GetXmlIndexFromName(name, static_cast<std::int32_t>(LookupTable::column_vocabulary));
        if (code == not_found) {
            m_trace.error(u": invalid task type: ", name, status_fail);
            return status_fail;
        }
        const bool reads_text = code == 1 || code == 2 || code == 3 || code == 5 || code == 8 ||
                                (code == 9 && format.category == 0);
        if (!reads_text) {
            continue;
        }
        if (failed(status = read_value(child.get(), value, u"pChildNode->get_nodeNameFormatValue failed"))) {
            return status;
        }
        switch (code) {
        case 1:
            format.category = GetXmlIndexFromName(value, static_cast<std::int32_t>(LookupTable::data_types));
            break;
        case 2:
            format.intLen = read_integer(value);
            break;
        case 3:
            format.outputLen = read_integer(value);
            break;
        case 5:
            format.decimals = read_integer(value);
            break;
        case 8: {
            std::int32_t justify = justify_general;
            if (failed(status = m_engine.getJustifyValues(value, justify))) {
                m_trace.error(u"m_spreadsheet->getJustifyValues", status);
                return status;
            }
            format.justify = justify;
            format.hasJustify = true;
            break;
        }
        case 9:
            // The internal type counts only while no data type has set the category.
            format.category =
                GetXmlIndexFromName(value, static_cast<std::int32_t>(LookupTable::internal_types));
            break;
        default:
            break;
        }
    }
    if (failed(status)) {
        return status;
    }
    fieldTable.emplace(fieldName, format);
    m_trace.leave(method, status_ok);
    return status_ok;
}

} // namespace vex::table
