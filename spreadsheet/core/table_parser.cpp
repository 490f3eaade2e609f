// The parse entry, the header and the areas of a table document, and the parser's walking helpers.
#include "core/table_parser.h"

#include <algorithm>
#include <exception>
#include <iterator>
#include <new>

#include "core/name_lookup.h"

namespace vex::table {

namespace {

constexpr TextView root_name = u"tbx:BI_BS_XML";
// How much of the text the load failure messages quote.
constexpr std::size_t quoted_length = 20;
constexpr std::size_t quoted_length_after_second_tag = 15;

// What the checks before loading learn from the raw text, read forward once and only as far as they
// need: where its first two tags are, whether the root name follows the second, and the pieces of the
// text that the messages quote.
struct TextPreview {
    // Units read: the length of the text when the reading came to its end, else more than
    // quoted_length.
    std::size_t length = 0;
    bool hasTag = false;
    bool hasSecondTag = false;
    bool rootFound = false;
    // The whole text, kept while no "<" has been met: the message for a text without one quotes it.
    Text whole;
    Text head;
    Text fromSecondTag;
};

Status preview_text(DocumentText& text, TextPreview& preview) {
    std::unique_ptr<TextReader> reader;
    if (const Status status = text.open(reader); failed(status)) {
        return status;
    }
    char16_t buffer[4096];
    // The end of the text read so far from the second tag on, long enough to hold the root name.
    Text window;
    while (preview.length <= quoted_length || !preview.rootFound ||
           preview.fromSecondTag.size() < quoted_length_after_second_tag) {
        std::size_t count = 0;
        if (const Status status = reader->read(buffer, std::size(buffer), count); failed(status)) {
            return status;
        }
        if (count == 0) {
            break;
        }
        const TextView piece(buffer, count);
        preview.length += count;
        if (preview.head.size() < quoted_length) {
            preview.head.append(piece.substr(0, quoted_length - preview.head.size()));
        }
        std::size_t at = 0;
        if (!preview.hasTag) {
            const std::size_t first = piece.find(u'<');
            if (first == TextView::npos) {
                preview.whole.append(piece);
                continue;
            }
            preview.hasTag = true;
            Text().swap(preview.whole);
            at = first + 1;
        }
        if (!preview.hasSecondTag) {
            at = piece.find(u'<', at);
            if (at == TextView::npos) {
                continue;
            }
            preview.hasSecondTag = true;
        }
        const TextView rest = piece.substr(at);
        if (preview.fromSecondTag.size() < quoted_length_after_second_tag) {
            preview.fromSecondTag.append(
                rest.substr(0, quoted_length_after_second_tag - preview.fromSecondTag.size()));
        }
        if (!preview.rootFound) {
            window.append(rest);
            preview.rootFound = window.find(root_name) != Text::npos;
            window.erase(0, window.size() - std::min(window.size(), root_name.size() - 1));
        }
    }
    return status_ok;
}

} // namespace

TableParser::TableParser(XmlDomFactory& doms, EngineServices& engine, TraceSink* trace, double minVersion)
    : m_doms(doms), m_engine(engine), m_trace(trace), m_minVersion(minVersion) {}

Status TableParser::parse_xmlData(TextView xml) {
    TextViewDocument document(xml);
    return parse_document(document);
}

Status TableParser::parse_document(DocumentText& text) {
    static constexpr TextView method = u"parse_xmlData";
    try {
        m_trace.enter(method);
        TextPreview preview;
        if (const Status status = preview_text(text, preview); failed(status)) {
            m_trace.error(u"reading the document failed", status);
            return status;
        }
        if (preview.length <= quoted_length) {
            // The head is the whole text.
            m_trace.error(u"Wrong input xml: ", preview.head, status_fail);
            return status_fail;
        }
        if (!preview.hasTag) {
            m_trace.error(u"No generic tbx xml, sended file is: ", preview.whole, status_fail);
            return status_fail;
        }
        // The root must follow the first tag (which may be the XML declaration).
        if (!preview.hasSecondTag || !preview.rootFound) {
            m_trace.error(u"No generic tbx file", status_fail);
            return status_fail;
        }

        Status status = m_doms.create(m_dom);
        if (failed(status) || !m_dom) {
            status = failed(status) ? status : status_fail;
            m_trace.error(u"pDom.CoCreateInstance ", status);
            return status;
        }
        // The DOM lives for this parse only.
        struct DomReset {
            std::unique_ptr<XmlDom>& dom;
            ~DomReset() { dom.reset(); }
        } dom_reset{m_dom};

        bool loaded = false;
        const Status load_status = m_dom->load_document(text, loaded);
        if (failed(load_status) || !loaded) {
            m_trace.error(u"first lines xml: ", preview.head, load_status);
            Text last;
            if (const Status status = text.tail(quoted_length, last); failed(status)) {
                m_trace.error(u"reading the document failed", status);
                return status;
            }
            m_trace.error(u"last lines xml: ", last, load_status);
            const TextView from_second_tag = preview.fromSecondTag;
            if (failed(load_status)) {
                m_trace.error(u"loadXML: hr failed", from_second_tag, load_status);
            } else {
                m_trace.error(u"loadXML: issuccessful", from_second_tag, load_status);
            }
            LoadError details;
            if (succeeded(m_dom->load_error(details))) {
                m_trace.error(u"\tReason= ", details.reason, status_ok);
                m_trace.error(u"\tErrorCode= ", decimal_text(details.errorCode), status_ok);
                m_trace.error(u"\tLineNumber= ", decimal_text(details.line), status_ok);
                m_trace.error(u"\tLinePosition= ", decimal_text(details.linePosition), status_ok);
                m_trace.error(u"\tSourceText= ", details.sourceText, status_ok);
            }
            return failed(load_status) ? load_status : status_fail;
        }

        NodeHandle document_handle = no_node;
        status = m_dom->document(document_handle);
        NodeRef document(*m_dom, document_handle);
        if (failed(status) || !document) {
            m_trace.error(u"pRootNode == NULL", status_fail);
            return status_fail;
        }
        NodeRef child(*m_dom);
        if (failed(status = first_child(document.get(), child))) {
            return status;
        }
        Text name;
        for (; child; status = getNextSibling(child)) {
            if (failed(status)) {
                return status;
            }
            const Status name_status = m_dom->name(child.get(), name);
            if (failed(name_status)) {
                m_trace.error(u"pRootChildNode->get_nodeName failed: can't get root child node name",
                              name_status);
                return name_status;
            }
            if (name == u"xml") {
                continue;
            }
            if (name != root_name) {
                Text message = concat(u"toplevel node name ", name);
                message.append(u" is not equal 'tbx:BI_BS_XML ' -> not a valid WobReqeust xml document");
                m_trace.error(message, status_fail);
                return status_fail;
            }
            break;
        }
        if (failed(status)) {
            return status;
        }
        if (!child) {
            // Nothing but the declaration: there is no root element to read.
            m_trace.error(u"pRootNode == NULL", status_fail);
            return status_fail;
        }
        status = parse_xmlTBX(child.get());
        if (failed(status)) {
            m_trace.error(u"parse_xmlTBX ", status);
            return status;
        }
        m_trace.leave(method, status);
        return status;
    } catch (const std::bad_alloc&) {
        m_trace.error(u"generalcatch", status_out_of_memory);
        return status_out_of_memory;
    } catch (...) {
        m_trace.error(u"generalcatch", status_fail);
        return status_fail;
    }
}

Status TableParser::parse_xmlTBX(NodeHandle root) {
    static constexpr TextView method = u"parse_xmlTBX";
    m_trace.enter(method);
    NodeRef child(*m_dom);
    Status status = first_child(root, child);
    Text name;
    Text value;
    for (; child; status = getNextSibling(child)) {
        if (failed(status)) {
            return status;
        }
        if (failed(status = read_name(child.get(), name, u"pChildNode->get_nodeName failed"))) {
            return status;
        }
        const std::int32_t code =
            GetXmlIndexFromName(name, static_cast<std::int32_t>(LookupTable::root_children));
        if (code == 0) {
            if (failed(status = read_value(child.get(), value, u"pChildNode->get_nodeTypedValue failed"))) {
                return status;
            }
            if (read_double(value) < m_minVersion) {
                m_trace.error(u"Wrong TBX xml version", status_fail);
                return status_fail;
            }
        } else if (code == 11) {
            status = extract_xmlData_Areas(child.get());
            if (failed(status)) {
                m_trace.error(u"extract_xmlData_Areas ", status);
                return status;
            }
        } else if (code == not_found) {
            m_trace.error(u"not a valid TBXElement: ", name, status_fail);
            return status_fail;
        }
    }
    if (failed(status)) {
        return status;
    }
    m_trace.leave(method, status_ok);
    return status_ok;
}

Status TableParser::extract_xmlData_Areas(NodeHandle areas) {
    static constexpr TextView method = u"extract_xmlData_Areas";
    m_trace.enter(method);
    NodeRef child(*m_dom);
    Status status = first_child(areas, child);
    Text name;
    for (; child; status = getNextSibling(child)) {
        if (failed(status)) {
            return status;
        }
        if (failed(status = read_name(child.get(), name, u"pChildNode->get_nodeName failed"))) {
            return status;
        }
        if (GetXmlIndexFromName(name, static_cast<std::int32_t>(LookupTable::areas_children)) != 0) {
            m_trace.error(u"extract_xmlData_Areas: not a valid TBXElement: ", name, status_fail);
            return status_fail;
        }
        status = extract_xmlData_OneArea(child.get());
        if (failed(status)) {
            m_trace.error(u"extract_xmlData_OneArea failed", status);
            return status;
        }
    }
    if (failed(status)) {
        return status;
    }
    m_trace.leave(method, status_ok);
    return status_ok;
}

Status TableParser::extract_xmlData_OneArea(NodeHandle table) {
    static constexpr TextView method = u"extract_xmlData_OneArea";
    m_trace.enter(method);
    TableModel model;
    FieldTable fieldTable;
    NodeRef child(*m_dom);
    Status status = first_child(table, child);
    Text name;
    Text value;
    for (; child; status = getNextSibling(child)) {
        if (failed(status)) {
            return status;
        }
        if (failed(status = read_name(child.get(), name, u"pChildNode->get_nodeName failed"))) {
            return status;
        }
        const std::int32_t code =
            GetXmlIndexFromName(name, static_cast<std::int32_t>(LookupTable::table_children));
        switch (code) {
        case 0:
            if (failed(status = extract_xmlData_Layout(child.get(), model.colours, model.fixedColumns))) {
                m_trace.error(u"extract_xmlData_Layout ", status);
                return status;
            }
            break;
        case 1:
            if (failed(status = extract_xmlData_Column(child.get(), fieldTable, model.columns))) {
                m_trace.error(u"extract_xmlData_Column", status);
                return status;
            }
            break;
        case 2:
            if (failed(status = extract_xmlData_Rows(child.get(), model))) {
                m_trace.error(u"extract_xmlData_Rows ", status);
                return status;
            }
            break;
        case 3:
            // A broken block is reported by the block reader; the area is rendered all the same.
            extract_xmlData_TopOfList(child.get(), model.topRowCount, model.topColumnCount, model.topCells);
            break;
        case 4:
            extract_xmlData_TopOfList(child.get(), model.endRowCount, model.endColumnCount, model.endCells);
            break;
        case 7:
            if (failed(status = read_value(child.get(), value, u"pChildNode->get_nodeTypedValue failed"))) {
                return status;
            }
            model.sheetNames.push_back(value.empty() ? Text(u"defaultsheet") : value);
            break;
        case 9:
            if (failed(status = extract_xmlData_Columnform_Units(child.get(), model.unitFormats))) {
                m_trace.error(u"extract_xmlData_Columnform_Units", status);
                return status;
            }
            break;
        case 10:
            if (failed(status = extract_xmlData_Field(child.get(), fieldTable))) {
                m_trace.error(u"extract_xmlData_Field", status);
                return status;
            }
            break;
        case not_found:
            m_trace.error(u"extract_xmlData_OneArea: not a valid TBXElement: ", name, status_fail);
            return status_fail;
        default:
            break;
        }
    }
    if (failed(status)) {
        return status;
    }
    status = m_engine.update_TBXToExcel(model);
    if (failed(status)) {
        m_trace.error(u"update_TBXToExcel", status);
        return status;
    }
    m_trace.leave(method, status);
    return status;
}

std::int32_t TableParser::GetXmlIndexFromName(TextView name, std::int32_t tableId) {
    if (!has_lookup_table(tableId)) {
        m_trace.error(u"No valid mapping used", status_fail);
        return not_found;
    }
    const std::int32_t code = lookup_code(name, tableId);
    if (code == not_found) {
        Text message = concat(u"can't find ", name);
        message.append(u" in map..ToIndexLookupTable");
        m_trace.error(message, status_fail);
    }
    return code;
}

Status TableParser::first_child(NodeHandle parent, NodeRef& child) {
    NodeHandle handle = no_node;
    const Status status = m_dom->first_child(parent, handle);
    child.reset(handle);
    if (failed(status)) {
        m_trace.error(u"get_firstChild failed", status);
    }
    return status;
}

// Runs once per node, so it traces at the finer level.
Status TableParser::getNextSibling(NodeRef& node) {
    static constexpr TextView method = u"getNextSibling";
    m_trace.enter2(method);
    NodeHandle handle = no_node;
    const Status status = m_dom->next_sibling(node.get(), handle);
    node.reset(handle);
    if (failed(status)) {
        m_trace.error(u"get_nextSibling failed", status);
        return status;
    }
    m_trace.leave2(method, status);
    return status;
}

Status TableParser::read_name(NodeHandle node, Text& name, TextView failureText) {
    const Status status = m_dom->name(node, name);
    if (failed(status)) {
        m_trace.error(failureText, status);
    }
    return status;
}

Status TableParser::read_value(NodeHandle node, Text& value, TextView failureText) {
    const Status status = m_dom->typed_value(node, value);
    if (failed(status)) {
        m_trace.error(failureText, status);
    }
    return status;
}

} // namespace vex::table
