// "tbx:ROWS": row attributes carried over, subtotal lists, collapse padding and counts.
#include "support/document_test.h"

namespace vex::table::testing {
namespace {

using Rows = DocumentTest;
VEX_DOCUMENT_TEST_SUITE(Rows);

std::string five_columns() {
    std::string fields = "<tbx:FIELDS>";
    std::string columns = "<tbx:COLUMNS>";
    for (int i = 0; i < 5; ++i) {
        const std::string name = "F" + std::to_string(i);
        fields += field(name, "CHAR");
        columns += column(name, name);
    }
    return fields + "</tbx:FIELDS>" + columns + "</tbx:COLUMNS>";
}

std::string cells(int count, const std::string& prefix) {
    std::string result;
    for (int i = 0; i < count; ++i) {
        result += cell(prefix + std::to_string(i));
    }
    return result;
}

std::string rows(std::string_view content) {
    return "<tbx:ROWS>" + std::string(content) + "</tbx:ROWS>";
}

TEST_P(Rows, CountsRowsAndTheWidestRow) {
    EXPECT_EQ(parse(document_with_table(five_columns() +
                                        rows(row(cells(2, "a")) + row(cells(5, "b")) + row(cells(3, "c"))))),
              status_ok);
    EXPECT_EQ(area().rowCount, 3);
    EXPECT_EQ(area().columnCount, 5);
    EXPECT_EQ(area().cellValues.size(), 10u);
    EXPECT_EQ(cell_texts(area().cellValues).at(2), "b0");
}

TEST_P(Rows, SubtotalRowsGoToTheListOfTheirLevel) {
    const std::string content = row(cells(1, "d"), "type=\"D\" index=\"0\"") +
                                row(cells(1, "s"), "type=\"S\" index=\"1\" level=\"0\"") +
                                row(cells(1, "n"), "type=\"S\" index=\"2\" level=\"2\"") +
                                row(cells(1, "g"), "type=\"G\" index=\"3\" level=\"0\"");
    EXPECT_EQ(parse(document_with_table(five_columns() + rows(content))), status_ok);
    EXPECT_EQ(area().subtotalRows, std::vector<std::int32_t>{1});
    EXPECT_EQ(area().nestedSubtotalRows, std::vector<std::int32_t>{2});
}

TEST_P(Rows, MissingAttributesAreCarriedFromTheLastRowThatGaveThem) {
    // The second row repeats the first row's type, index and level: it is listed again.
    const std::string content = row(cells(1, "a"), "type=\"S\" index=\"4\" level=\"0\"") +
                                row(cells(1, "b")) + row(cells(1, "c"), "index=\"9\" level=\"1\"") +
                                row(cells(1, "d"), "type=\"D\"");
    EXPECT_EQ(parse(document_with_table(five_columns() + rows(content))), status_ok);
    EXPECT_EQ(area().subtotalRows, (std::vector<std::int32_t>{4, 4}));
    EXPECT_EQ(area().nestedSubtotalRows, std::vector<std::int32_t>{9});
}

TEST_P(Rows, CarriedAttributesStartAgainInEachRowsElement) {
    const std::string content =
        rows(row(cells(1, "a"), "type=\"S\" index=\"1\" level=\"0\"")) + rows(row(cells(1, "b")));
    EXPECT_EQ(parse(document_with_table(five_columns() + content)), status_ok);
    EXPECT_EQ(area().subtotalRows, std::vector<std::int32_t>{1});
    // Counts belong to the last rows element; the cells of both stay.
    EXPECT_EQ(area().rowCount, 1);
    EXPECT_EQ(area().cellValues.size(), 2u);
}

TEST_P(Rows, SubtotalWithoutLevelOrIndexUsesMinusOne) {
    EXPECT_EQ(parse(document_with_table(five_columns() + rows(row(cells(1, "a"), "type=\"S\"")))), status_ok);
    EXPECT_EQ(area().nestedSubtotalRows, std::vector<std::int32_t>{-1});
}

TEST_P(Rows, UnknownRowTypeRejectsTheDocument) {
    EXPECT_EQ(parse(document_with_table(five_columns() + rows(row(cells(1, "a"), "type=\"d\"")))),
              status_fail);
    EXPECT_EQ(trace.errors(),
              (std::vector<std::string>{"can't find d in map..ToIndexLookupTable",
                                        "Unknow row attribute type", "getAttributesOfNode_Row",
                                        "extract_xmlData_Rows ", "extract_xmlData_OneArea failed",
                                        "extract_xmlData_Areas ", "parse_xmlTBX "}));
}

TEST_P(Rows, IgnoredAndUnknownRowAttributes) {
    EXPECT_EQ(parse(document_with_table(
                  five_columns() +
                  rows(row(cells(1, "a"), "subRows=\"2\" invisible=\"X\" sum_level=\"1\" colour=\"red\"")))),
              status_ok);
    EXPECT_EQ(trace.errors(), std::vector<std::string>{"can't find colour in map..ToIndexLookupTable"});
}

TEST_P(Rows, CollapsedRowIsPaddedToTheFullWidth) {
    const std::string content =
        row(cells(5, "a")) + row(cell("group"), "collapsed=\"X\"") + row(cells(5, "c"));
    EXPECT_EQ(parse(document_with_table(five_columns() + rows(content))), status_ok);
    EXPECT_EQ(area().collapsedRows, std::vector<std::int32_t>{1});
    const auto texts = cell_texts(area().cellValues);
    ASSERT_EQ(texts.size(), 15u);
    EXPECT_EQ(std::vector<std::string>(texts.begin() + 5, texts.begin() + 10),
              (std::vector<std::string>{"group", "<empty>", "<empty>", "<empty>", "<empty>"}));
    EXPECT_EQ(texts[10], "c0");
}

TEST_P(Rows, CollapsedFlagIsOnlyAnUpperCaseX) {
    const std::string content =
        row(cells(5, "a")) + row(cell("g"), "collapsed=\"x\"") + row(cell("h"), "collapsed=\"X \"");
    EXPECT_EQ(parse(document_with_table(five_columns() + rows(content))), status_ok);
    EXPECT_TRUE(area().collapsedRows.empty());
    EXPECT_EQ(area().cellValues.size(), 7u);
}

TEST_P(Rows, CollapsedFirstRowIsPaddedOnceTheWidthIsKnown) {
    const std::string content =
        row(cell("group"), "collapsed=\"X\"") + row(cells(4, "b")) + row(cells(4, "c"));
    EXPECT_EQ(parse(document_with_table(five_columns() + rows(content))), status_ok);
    EXPECT_EQ(area().collapsedRows, std::vector<std::int32_t>{0});
    EXPECT_EQ(area().columnCount, 4);
    EXPECT_EQ(cell_texts(area().cellValues),
              (std::vector<std::string>{"group", "<empty>", "<empty>", "<empty>", "b0", "b1", "b2", "b3",
                                        "c0", "c1", "c2", "c3"}));
}

TEST_P(Rows, CollapsedOnlyRowStaysUnpadded) {
    EXPECT_EQ(parse(document_with_table(five_columns() + rows(row(cell("group"), "collapsed=\"X\"")))),
              status_ok);
    EXPECT_EQ(area().collapsedRows, std::vector<std::int32_t>{0});
    EXPECT_EQ(cell_texts(area().cellValues), std::vector<std::string>{"group"});
}

TEST_P(Rows, RowNumbersAreSkippedAndRowPositionsCountRowsOnly) {
    const std::string content = "<ROWNUMBER>1</ROWNUMBER>" + row(cells(5, "a")) + "<ROWNUMBER>2</ROWNUMBER>" +
                                row(cell("g"), "collapsed=\"X\"");
    EXPECT_EQ(parse(document_with_table(five_columns() + rows(content))), status_ok);
    EXPECT_EQ(area().rowCount, 2);
    EXPECT_EQ(area().collapsedRows, std::vector<std::int32_t>{1});
}

TEST_P(Rows, RowNumberAtTheEndOrBeforeAnotherElement) {
    EXPECT_EQ(
        parse(document_with_table(five_columns() + rows(row(cells(1, "a")) + "<ROWNUMBER>9</ROWNUMBER>"))),
        status_fail);
    EXPECT_EQ(trace.errors_with_status().at(0),
              std::make_pair(std::string("No row behind rownumber"), status_fail));
    trace.clear();
    EXPECT_EQ(
        parse(document_with_table(five_columns() + rows("<ROWNUMBER/><ROWNUMBER/>" + row(cells(1, "a"))))),
        status_fail);
    EXPECT_EQ(trace.errors().at(0), "Node not equal ROW: ROWNUMBER");
    trace.clear();
    EXPECT_EQ(parse(document_with_table(five_columns() + rows("<LINE/>"))), status_fail);
    EXPECT_EQ(trace.errors().at(0), "Node not equal ROW: LINE");
    EXPECT_TRUE(engine.areas.empty());
}

TEST_P(Rows, DecimalSeparatorIsAskedOncePerRowsElement) {
    EXPECT_EQ(parse(document_with_table(five_columns() + rows(row(cells(1, "a")) + row(cells(1, "b"))))),
              status_ok);
    EXPECT_EQ(engine.separator_calls, 1);
    trace.clear();
    engine.separator_status = static_cast<Status>(0x80004001u);
    EXPECT_EQ(parse(document_with_table(five_columns() + rows(row(cells(1, "a"))))), engine.separator_status);
    EXPECT_EQ(trace.errors_with_status().at(0),
              std::make_pair(std::string("getDecimalseparator"), engine.separator_status));
}

TEST_P(Rows, WhitespaceBetweenRowsIsNotAChild) {
    const std::string content = "\n  " + row("\n    " + cell("a") + "\n    " + cell("b") + "\n  ") + "\n";
    EXPECT_EQ(parse(document_with_table(five_columns() + rows(content))), status_ok);
    EXPECT_EQ(cell_texts(area().cellValues), (std::vector<std::string>{"a", "b"}));
}

} // namespace
} // namespace vex::table::testing
