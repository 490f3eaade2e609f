// The table document parser: reads a table document area by area into table models and hands each
// finished model to the renderer.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "core/document_text.h"
#include "core/engine_services.h"
#include "core/status.h"
#include "core/table_model.h"
#include "core/text.h"
#include "core/trace_sink.h"
#include "core/tracing.h"
#include "core/xml_dom.h"

namespace vex::table {

// The lowest document version accepted.
inline constexpr double default_min_version = 2.1;

// Field name to the format recorded for it, filled from "tbx:FIELDS" and read by "tbx:COLUMNS".
using FieldTable = std::map<Text, ColumnFormat>;

class TableParser {
public:
    // trace may be null: the parser then writes no messages.
    TableParser(XmlDomFactory& doms, EngineServices& engine, TraceSink* trace,
                double minVersion = default_min_version);

    // Parses the document text and renders each area as soon as it is read. The first failure ends
    // the parse; areas handed to the renderer before it stay rendered.
    Status parse_xmlData(TextView xml);
    // The same for a text read forward as a stream (a file, standard input), with the same checks and
    // messages as on the whole text. The DOM gets it through XmlDom::load_document.
    Status parse_document(DocumentText& text);

    double minVersion() const { return m_minVersion; }

private:
    // Attribute codes of a "VALUE" element, in document order.
    using SeenAttributes = std::vector<std::int32_t>;

    Status parse_xmlTBX(NodeHandle root);
    Status extract_xmlData_Areas(NodeHandle areas);
    Status extract_xmlData_OneArea(NodeHandle table);
    Status extract_xmlData_Layout(NodeHandle layout, std::vector<Colour>& colours, float& fixedColumns);
    Status extract_xmlData_Field(NodeHandle fields, FieldTable& fieldTable);
    Status extract_xmlData_Columnformat(NodeHandle sElem, const Text& fieldName, FieldTable& fieldTable);
    Status extract_xmlData_Column(NodeHandle columnsNode, const FieldTable& fieldTable,
                                  std::vector<ColumnFormat>& columns);
    Status extract_xmlData_Columnform_Units(NodeHandle units, UnitFormats& unitFormats);
    Status extract_xmlData_Rows(NodeHandle rows, TableModel& model);
    Status extract_xmlData_Cell(NodeHandle row, const std::vector<ColumnFormat>& columns,
                                TextView decimalSeparator, CellValues& cellValues,
                                std::vector<CellFormat>& cellFormats, std::int32_t rowPosition,
                                std::int32_t& cellsInRow);
    Status extract_xmlData_TopOfList(NodeHandle block, std::int32_t& rowCount, std::int32_t& columnCount,
                                     CellValues& cells);
    Status getAttributesOfNode_Row(NodeHandle row, SeenAttributes& seen, std::int32_t& type,
                                   std::int32_t& index, std::int32_t& level, std::int32_t& sumLevel,
                                   bool& collapsed);
    Status getAttributesOfNode_Cell(NodeHandle value, SeenAttributes& seen, std::int32_t& decimals,
                                    Text& imageId, double& attribute01, Text& unitKey, Text& istextValue);
    Status getAttributesOfNode_TopOfList(NodeHandle block, std::int32_t& rowCount, std::int32_t& columnCount);
    Status collapse_Row(std::int32_t columnCount, bool pending, CellValues& cellValues);

    // The code of name in a lookup table; not found is reported and gives -1.
    std::int32_t GetXmlIndexFromName(TextView name, std::int32_t tableId);

    // Walking helpers: each reports a failing DOM call with the given text and its status.
    Status first_child(NodeHandle parent, NodeRef& child);
    Status getNextSibling(NodeRef& node);
    Status read_name(NodeHandle node, Text& name, TextView failureText);
    Status read_value(NodeHandle node, Text& value, TextView failureText);

    XmlDomFactory& m_doms;
    EngineServices& m_engine;
    Tracing m_trace;
    double m_minVersion;
    std::unique_ptr<XmlDom> m_dom;
    // Reused buffer for cell texts, so reading a million cells does not allocate a million times.
    Text m_cellText;
};

} // namespace vex::table
