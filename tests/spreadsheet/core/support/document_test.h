// Fixture of the document tests: parses a document through one DOM adapter with a recording trace
// and a recording engine.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "core/table_parser.h"
#include "support/documents.h"
#include "support/dom_adapters.h"
#include "support/printing.h"
#include "support/recording_engine.h"
#include "support/recording_trace.h"

namespace vex::table::testing {

class DocumentTest : public ::testing::TestWithParam<DomAdapter> {
protected:
    Status parse(std::string_view utf8) { return parse_text(from_utf8(utf8)); }
    Status parse_text(TextView text) {
        auto factory = GetParam().make();
        TableParser parser(*factory, engine, &trace);
        return parser.parse_xmlData(text);
    }

    // The model of the only area handed over; fails the test when there is not exactly one.
    const TableModel& area() {
        static const TableModel none;
        EXPECT_EQ(engine.areas.size(), 1u);
        return engine.areas.empty() ? none : engine.areas.front();
    }

    RecordingTrace trace;
    RecordingEngine engine;
};

// Texts of cell values, "<empty>" for empty ones and "=n" for numbers.
inline std::vector<std::string> cell_texts(const CellValues& cells) {
    std::vector<std::string> result;
    for (const CellValue cell : cells) {
        if (cell.is_empty()) {
            result.push_back("<empty>");
        } else if (cell.is_number()) {
            result.push_back("=" + std::to_string(cell.number()));
        } else {
            result.push_back(to_utf8(cell.text()));
        }
    }
    return result;
}

} // namespace vex::table::testing

// Runs a document test suite against every DOM adapter of the build.
#define VEX_DOCUMENT_TEST_SUITE(suite)                                                                       \
    INSTANTIATE_TEST_SUITE_P(Dom, suite, ::testing::ValuesIn(::vex::table::testing::dom_adapters()),         \
                             [](const auto& info) { return info.param.name; })
