// What the document tests share: the DOM adapters they run against, building blocks for table
// documents (UTF-8), a readable description of a table model, and the fixture that parses a document
// through one adapter with a recording trace and a recording engine.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "core/table_parser.h"
#include "support/recording_engine.h"
#include "support/recording_trace.h"
#include "support/watched_dom.h"

namespace vex::table::testing {

struct DomAdapter {
    std::string name;
    std::function<std::unique_ptr<XmlDomFactory>()> make;
    // False where the DOM gives no line and position for a load error (Wine's MSXML).
    bool reports_error_position = true;
    // MSXML as Wine provides it. Where it differs from real MSXML the tests say so and expect what
    // Wine does, with what real MSXML does beside it.
    bool wine_msxml = false;
    // Where set, how a document in UTF-8 is parsed instead of whole from memory (natively: as a stream
    // from a file).
    std::function<Status(TableParser&, std::string_view)> parse_stream;
};

// The adapters of the build: natively pugixml and the streaming adapter, on Windows MSXML.
std::vector<DomAdapter> dom_adapters();

inline void PrintTo(const DomAdapter& adapter, std::ostream* os) {
    *os << adapter.name;
}

inline const std::string root_open = R"(<tbx:BI_BS_XML xmlns:tbx="urn:vex:table">)";
inline const std::string root_close = "</tbx:BI_BS_XML>";

inline std::string document_with_areas(std::string_view areas,
                                       std::string_view header = "<VERSION>2.1</VERSION>") {
    return root_open + std::string(header) + "<tbx:AREAS>" + std::string(areas) + "</tbx:AREAS>" + root_close;
}
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

inline std::string file_bytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}
// The sample document: every section of a table document, in two areas.
inline std::string sample_document() {
    return file_bytes(std::string(VEX_TABLECORE_TEST_DOCUMENTS) + "/full_table.xml");
}

// A text in UTF-8 with line breaks and tabs written as escapes, so that it stays on one line.
inline std::string shown(TextView text) {
    std::string out;
    for (const char c : to_utf8(text)) {
        out += c == '\n' ? "\\n" : c == '\r' ? "\\r" : c == '\t' ? "\\t" : std::string(1, c);
    }
    return out;
}

// Values joined by "|": texts as shown, "=n" for numbers, "<empty>" for empty values.
inline std::string describe(const CellValues& cells) {
    std::ostringstream out;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const CellValue cell = cells[i];
        out << (i ? "|" : "");
        if (cell.is_number()) {
            out << '=' << cell.number();
        } else {
            out << (cell.is_empty() ? "<empty>" : shown(cell.text()));
        }
    }
    return out.str();
}

// The parts of a model that differ from an empty one, one line each:
//   sheets A|B, grid ROWSxCOLUMNS, cells ..., column INDEX "TITLE" cCATEGORY iINTLEN oOUTPUTLEN dDECIMALS
//   [jJUSTIFY], format COLUMN,ROW [dDECIMALS] [uUNIT] [text], top ROWSxCOLUMNS ..., end ROWSxCOLUMNS ...,
//   colours COUNT SLOT:RGB... (RGB as stored, red in the low byte), subtotals ..., nested ...,
//   collapsed ..., fixed N, unit KEY FORMAT; "(empty)" for an empty model.
inline std::string describe(const TableModel& m) {
    std::ostringstream out;
    const auto list = [&](const char* label, const auto& items, const char* separator = " ") {
        if (!items.empty()) {
            out << label;
            for (std::size_t i = 0; i < items.size(); ++i) {
                out << (i ? separator : " ") << items[i];
            }
            out << '\n';
        }
    };
    std::vector<std::string> sheets;
    for (const Text& name : m.sheetNames) {
        sheets.push_back(shown(name));
    }
    list("sheets", sheets, "|");
    if (m.rowCount || m.columnCount) {
        out << "grid " << m.rowCount << 'x' << m.columnCount << '\n';
    }
    if (!m.cellValues.empty()) {
        out << "cells " << describe(m.cellValues) << '\n';
    }
    for (const ColumnFormat& c : m.columns) {
        out << "column " << c.columnIndex << " \"" << shown(c.title) << "\" c" << c.category << " i"
            << c.intLen << " o" << c.outputLen << " d" << c.decimals
            << (c.hasJustify ? " j" + std::to_string(c.justify) : "") << '\n';
    }
    for (const CellFormat& f : m.cellFormats) {
        out << "format " << f.column << ',' << f.row
            << (f.hasDecimals ? " d" + std::to_string(f.decimals) : "")
            << (f.hasUnit ? " u" + shown(f.unit) : "") << (f.isText ? " text" : "") << '\n';
    }
    if (m.topRowCount || m.topColumnCount || !m.topCells.empty()) {
        out << "top " << m.topRowCount << 'x' << m.topColumnCount << ' ' << describe(m.topCells) << '\n';
    }
    if (m.endRowCount || m.endColumnCount || !m.endCells.empty()) {
        out << "end " << m.endRowCount << 'x' << m.endColumnCount << ' ' << describe(m.endCells) << '\n';
    }
    if (!m.colours.empty()) {
        out << "colours " << m.colours.size();
        for (std::size_t i = 0; i < m.colours.size(); ++i) {
            char rgb[16];
            std::snprintf(rgb, sizeof rgb, " %zu:%06X", i, m.colours[i].value_or(0));
            out << (m.colours[i] ? rgb : "");
        }
        out << '\n';
    }
    list("subtotals", m.subtotalRows);
    list("nested", m.nestedSubtotalRows);
    list("collapsed", m.collapsedRows);
    if (m.fixedColumns != 0.0f) {
        out << "fixed " << m.fixedColumns << '\n';
    }
    for (const auto& [key, format] : m.unitFormats) {
        out << "unit " << shown(key) << ' ' << shown(format) << '\n';
    }
    const std::string text = out.str();
    return text.empty() ? "(empty)" : text.substr(0, text.size() - 1);
}

// Every area handed over, described and separated by "\n--\n"; "no area" when there was none.
inline std::string describe(const std::vector<TableModel>& areas) {
    std::string text = areas.empty() ? "no area" : "";
    for (std::size_t i = 0; i < areas.size(); ++i) {
        text += (i ? "\n--\n" : "") + describe(areas[i]);
    }
    return text;
}

// Parses documents through one adapter, watched, with a recording trace and a recording engine, and
// checks what every parse must do: give back every handle, and trace each step to a next sibling at
// the finer level, entered just before the DOM's call and left with its status just after it, or,
// where the call failed, followed by the error and not left.
class DocumentTest : public ::testing::TestWithParam<DomAdapter> {
protected:
    // A document in UTF-8, read as a stream where the adapter reads documents so; through watch when
    // given, and to sink instead of the recording trace when given (unchecked).
    Status parse(std::string_view utf8, Watch* watch = nullptr, TraceSink* sink = nullptr) {
        const auto& stream = GetParam().parse_stream;
        return run(watch, sink, [&](TableParser& parser) {
            return stream ? stream(parser, utf8) : parser.parse_xmlData(from_utf8(utf8));
        });
    }
    // A text in UTF-16 (which may hold what UTF-8 cannot), whole.
    Status parse_text(TextView text) {
        return run(nullptr, nullptr, [&](TableParser& parser) { return parser.parse_xmlData(text); });
    }
    template <class Parse>
    Status run(Watch* given, TraceSink* sink, Parse parse) {
        Watch fresh;
        Watch& watch = given != nullptr ? *given : fresh;
        trace.clear();
        engine.areas.clear();
        watch.trace = &trace;
        auto real = GetParam().make();
        WatchedFactory factory(*real, watch);
        TableParser parser(factory, engine, sink != nullptr ? sink : &trace);
        const Status status = parse(parser);
        if (sink == nullptr) {
            expect_handles_back(watch);
            expect_steps_traced(watch);
        }
        return status;
    }
    void expect_handles_back(const Watch& watch) {
        EXPECT_EQ(watch.givesBack ? watch.outstanding() : 0, 0);
        EXPECT_EQ(watch.unknownGivenBack, 0);
    }
    void expect_steps_traced(const Watch& watch) {
        std::size_t failedSteps = 0;
        for (std::size_t i = 0; i < watch.steps.size(); ++i) {
            const auto [before, status] = watch.steps[i];
            ASSERT_GE(before, 1u) << "step " << i;
            ASSERT_LT(before, trace.records.size()) << "step " << i;
            EXPECT_EQ(trace.records[before - 1],
                      (TraceRecord{TraceRecord::Kind::enter2, "getNextSibling", 0}));
            const bool failedStep = status == injected;
            failedSteps += failedStep ? 1 : 0;
            const TraceRecord after =
                failedStep ? TraceRecord{TraceRecord::Kind::error, "get_nextSibling failed", injected}
                           : TraceRecord{TraceRecord::Kind::leave2, "getNextSibling", status};
            EXPECT_EQ(trace.records[before], after) << "step " << i;
        }
        EXPECT_EQ(trace.count(TraceRecord::Kind::enter2), watch.steps.size());
        EXPECT_EQ(trace.count(TraceRecord::Kind::leave2), watch.steps.size() - failedSteps);
    }

    RecordingTrace trace;
    RecordingEngine engine;
};

} // namespace vex::table::testing

// Runs a document test suite against every DOM adapter of the build.
#define VEX_DOCUMENT_TEST_SUITE(suite)                                                                       \
    INSTANTIATE_TEST_SUITE_P(Dom, suite, ::testing::ValuesIn(::vex::table::testing::dom_adapters()),         \
                             [](const auto& info) { return info.param.name; })
