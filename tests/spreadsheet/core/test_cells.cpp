// Cells: values, the 200-unit cut, decimal marks and "VALUE" attributes in document order.
#include "support/document_test.h"

namespace vex::table::testing {
namespace {

using Cells = DocumentTest;
VEX_DOCUMENT_TEST_SUITE(Cells);

// Columns: text, number, currency, date.
std::string typed_columns() {
    return "<tbx:FIELDS>" + field("T", "CHAR") + field("N", "FLTP") + field("C", "CURR") +
           field("D", "DATS") + "</tbx:FIELDS><tbx:COLUMNS>" + column("T", "t") + column("N", "n") +
           column("C", "c") + column("D", "d") + "</tbx:COLUMNS>";
}

std::string one_row(std::string_view cells) {
    return "<tbx:ROWS>" + row(cells) + "</tbx:ROWS>";
}

TEST_P(Cells, DecimalMarksAreLocalisedInNumberAndCurrencyColumnsOnly) {
    EXPECT_EQ(parse(document_with_table(typed_columns() +
                                        one_row(cell("2.5") + cell("1,5") + cell("2.5") + cell("2.5")))),
              status_ok);
    EXPECT_EQ(cell_texts(area().cellValues), (std::vector<std::string>{"2.5", "1.5", "2.5", "2.5"}));

    engine.areas.clear();
    engine.settings.decimalSeparator = u",";
    EXPECT_EQ(parse(document_with_table(typed_columns() +
                                        one_row(cell("2.5") + cell("1.5") + cell("2.5") + cell("2.5")))),
              status_ok);
    EXPECT_EQ(cell_texts(area().cellValues), (std::vector<std::string>{"2.5", "1,5", "2,5", "2.5"}));
}

TEST_P(Cells, BothMarksAreReplacedAtThePlacesReadOnlyTheFirstOfEach) {
    engine.settings.decimalSeparator = u",";
    EXPECT_EQ(parse(document_with_table(typed_columns() +
                                        one_row(cell("t") + cell("1,234.5") + cell("1.2.3,4,5")))),
              status_ok);
    EXPECT_EQ(cell_texts(area().cellValues), (std::vector<std::string>{"t", "1,234,5", "1,2.3,4,5"}));

    engine.areas.clear();
    engine.settings.decimalSeparator = u"";
    EXPECT_EQ(parse(document_with_table(typed_columns() + one_row(cell("t") + cell("1,234.5")))), status_ok);
    EXPECT_EQ(cell_texts(area().cellValues).at(1), "12345");
}

TEST_P(Cells, LongTextsAreCutToTwoHundredUtf16Units) {
    const std::string long_text(250, 'x');
    std::string surrogates;
    for (int i = 0; i < 150; ++i) {
        surrogates += "\xF0\x9F\x98\x80"; // two UTF-16 units each
    }
    EXPECT_EQ(parse(document_with_table(typed_columns() +
                                        one_row(cell(long_text) + cell(std::string(100000, '9'))) +
                                        "<tbx:ROWS>" + row(cell(surrogates)) + "</tbx:ROWS>")),
              status_ok);
    const auto& cells = area().cellValues;
    ASSERT_EQ(cells.size(), 3u);
    EXPECT_EQ(cells[0].text(), Text(200, u'x'));
    EXPECT_EQ(cells[1].text(), Text(200, u'9'));
    EXPECT_EQ(cells[2].text().size(), 200u);
    EXPECT_EQ(cells[2].text(), from_utf8(surrogates).substr(0, 200));
}

TEST_P(Cells, ValueIsTheTextOfTheWholeCell) {
    EXPECT_EQ(parse(document_with_table(
                  typed_columns() + one_row("<CELL><NOTE>n</NOTE><VALUE>v<B>b</B></VALUE><X>x</X></CELL>"))),
              status_ok);
    EXPECT_EQ(cell_texts(area().cellValues), std::vector<std::string>{"nvbx"});
}

TEST_P(Cells, PrettyPrintedCellsReadAsTheirTrimmedText) {
    // Indented documents: the whitespace around a value is no part of it, as MSXML reads it.
    EXPECT_EQ(
        parse(document_with_table(typed_columns() + "<tbx:ROWS>\n  <ROW>\n    <CELL>\n      <VALUE>"
                                                    " pad </VALUE>\n    </CELL>\n    <CELL><VALUE>\n  1,5\n"
                                                    "</VALUE></CELL>\n  </ROW>\n</tbx:ROWS>")),
        status_ok);
    EXPECT_EQ(cell_texts(area().cellValues), (std::vector<std::string>{"pad", "1.5"}));
    EXPECT_EQ(area().columnCount, 2);
}

TEST_P(Cells, WhitespaceOnlyValueIsAnEmptyTextAndCdataKeepsItsSpaces) {
    EXPECT_EQ(parse(document_with_table(typed_columns() +
                                        one_row(cell("   ") + cell("<![CDATA[ 2.5 ]]>") + cell(" a  b ")))),
              status_ok);
    EXPECT_EQ(cell_texts(area().cellValues), (std::vector<std::string>{"", " 2.5 ", "a  b"}));
}

TEST_P(Cells, WhitespaceBetweenElementsOfACellReadsAsOneSpace) {
    EXPECT_EQ(parse(document_with_table(typed_columns() +
                                        one_row("<CELL><VALUE>a</VALUE>\n  <NOTE>b</NOTE></CELL>"))),
              status_ok);
    EXPECT_EQ(cell_texts(area().cellValues), std::vector<std::string>{"a b"});
}

TEST_P(Cells, IstextValueIsTheTrimmedTextOfTheValueElement) {
    EXPECT_EQ(parse(document_with_table(typed_columns() + one_row(cell(" 0042 ", "istext=\"\"") +
                                                                  cell("<![CDATA[ 7 ]]>", "istext=\"\"")))),
              status_ok);
    EXPECT_EQ(cell_texts(area().cellValues), (std::vector<std::string>{"0042", " 7 "}));
}

TEST_P(Cells, CellWithoutValueIsEmptyAndStillTakesAPosition) {
    EXPECT_EQ(parse(document_with_table(typed_columns() + one_row("<CELL/><CELL><OTHER>o</OTHER></CELL>" +
                                                                  cell("1.5", "decimals=\"1\"")))),
              status_ok);
    EXPECT_EQ(cell_texts(area().cellValues), (std::vector<std::string>{"<empty>", "<empty>", "1.5"}));
    ASSERT_EQ(area().cellFormats.size(), 1u);
    EXPECT_EQ(area().cellFormats[0].column, 2);
}

TEST_P(Cells, EmptyValueIsAnEmptyTextNotAnEmptyCell) {
    EXPECT_EQ(parse(document_with_table(typed_columns() + one_row(cell("")))), status_ok);
    ASSERT_EQ(area().cellValues.size(), 1u);
    EXPECT_TRUE(area().cellValues[0].is_text());
}

TEST_P(Cells, FormatAttributesAreRecordedWithThePosition) {
    const std::string rows = "<tbx:ROWS>" + row(cell("a") + cell("1.5")) +
                             row(cell("b") + cell("2", "decimals=\"3\"") +
                                 cell("7.25", "curr=\"EUR\" name=\"n\"") + cell("0815", "istext=\"X\"")) +
                             "</tbx:ROWS>";
    EXPECT_EQ(parse(document_with_table(typed_columns() + rows)), status_ok);
    CellFormat decimals;
    decimals.decimals = 3;
    decimals.hasDecimals = 1;
    decimals.column = 1;
    decimals.row = 1;
    CellFormat currency;
    currency.unit = u"EUR";
    currency.hasUnit = 1;
    currency.column = 2;
    currency.row = 1;
    CellFormat text;
    text.isText = 1;
    text.column = 3;
    text.row = 1;
    EXPECT_EQ(area().cellFormats, (std::vector<CellFormat>{decimals, currency, text}));
    EXPECT_EQ(cell_texts(area().cellValues),
              (std::vector<std::string>{"a", "1.5", "b", "2", "7.25", "0815"}));
}

TEST_P(Cells, UnitAndCurrMeanTheSame) {
    EXPECT_EQ(parse(document_with_table(typed_columns() + one_row(cell("1", "unit=\"KG\" curr=\"EUR\"")))),
              status_ok);
    ASSERT_EQ(area().cellFormats.size(), 1u);
    EXPECT_EQ(area().cellFormats[0].unit, u"EUR");
    EXPECT_EQ(area().cellFormats[0].hasUnit, 1);
}

TEST_P(Cells, OnlyTheLastValueAttributeDecidesTheValue) {
    const std::string cells =
        cell("1.5", "attribute01=\"42.5\"") + cell("1.5", "imageid=\"IMG1\" decimals=\"2\"") +
        cell("1.5", "decimals=\"2\" imageid=\"IMG2\"") + cell("x", "imageid=\"I\" istext=\"\"");
    EXPECT_EQ(parse(document_with_table(typed_columns() + one_row(cells))), status_ok);
    const auto& values = area().cellValues;
    ASSERT_EQ(values.size(), 4u);
    EXPECT_EQ(values[0], CellValue(42.5));
    EXPECT_EQ(values[1].text(), u"1.5"); // "decimals" after "imageid" leaves the value as read
    EXPECT_EQ(values[2].text(), u"IMG2");
    EXPECT_EQ(values[3].text(), u"x");
    EXPECT_EQ(area().cellFormats.size(), 3u);
}

TEST_P(Cells, IstextTakesTheValueElementsOwnUncutText) {
    const std::string long_text(300, 'z');
    EXPECT_EQ(parse(document_with_table(typed_columns() + one_row("<CELL><VALUE istext=\"X\">" + long_text +
                                                                  "</VALUE><N>9</N></CELL>"))),
              status_ok);
    EXPECT_EQ(area().cellValues.at(0).text(), from_utf8(long_text));
}

TEST_P(Cells, NumberAttributeIsReadWithAPoint) {
    EXPECT_EQ(parse(document_with_table(typed_columns() + one_row(cell("", "attribute01=\"1,5\"") +
                                                                  cell("", "attribute01=\"abc\"")))),
              status_ok);
    EXPECT_EQ(area().cellValues.at(0), CellValue(1.0));
    EXPECT_EQ(area().cellValues.at(1), CellValue(0.0));
    EXPECT_TRUE(area().cellFormats.empty());
}

TEST_P(Cells, RefcolAndUnknownAttributesAreReportedAndSkipped) {
    EXPECT_EQ(
        parse(document_with_table(
            typed_columns() + one_row(cell("a", "refcol=\"1\" href=\"h\" imagefirst=\"X\" style=\"s\"")))),
        status_ok);
    EXPECT_EQ(trace.errors(), (std::vector<std::string>{"getAttributesOfNode_Cell: node name: refcol",
                                                        "can't find style in map..ToIndexLookupTable",
                                                        "getAttributesOfNode_Cell: node name: style"}));
    EXPECT_EQ(cell_texts(area().cellValues), std::vector<std::string>{"a"});
    EXPECT_TRUE(area().cellFormats.empty());
}

TEST_P(Cells, MoreCellsThanColumnsRejectTheDocument) {
    const std::string cells = cell("1") + cell("2") + cell("3") + cell("4") + "<CELL/>" + cell("6");
    EXPECT_EQ(parse(document_with_table(typed_columns() + one_row(cells))), status_fail);
    EXPECT_EQ(trace.errors().at(1), "extract_xmlData_Cell");
    EXPECT_TRUE(engine.areas.empty());
    // An empty cell beyond the columns has no child and is accepted.
    trace.clear();
    EXPECT_EQ(parse(document_with_table(typed_columns() +
                                        one_row(cell("1") + cell("2") + cell("3") + cell("4") + "<CELL/>"))),
              status_ok);
    EXPECT_EQ(area().columnCount, 5);
}

TEST_P(Cells, CellsWithoutColumnsAreRejected) {
    EXPECT_EQ(parse(document_with_table("<tbx:ROWS>" + row(cell("a")) + "</tbx:ROWS>")), status_fail);
    EXPECT_TRUE(engine.areas.empty());
}

TEST_P(Cells, OnlyCellsMayStandInARow) {
    EXPECT_EQ(parse(document_with_table(typed_columns() + one_row(cell("a") + "<VALUE>b</VALUE>"))),
              status_fail);
    EXPECT_EQ(trace.errors().at(0), "Node not equal CELL: VALUE");
    trace.clear();
    EXPECT_EQ(parse(document_with_table(typed_columns() + one_row("text in a row"))), status_fail);
    EXPECT_EQ(trace.errors().at(0), "Node not equal CELL: #text");
}

TEST_P(Cells, CdataAndReferencesArePartOfTheValue) {
    EXPECT_EQ(parse(document_with_table(typed_columns() + one_row(cell("<![CDATA[<b>&amp;]]>&amp;&#65;")))),
              status_ok);
    EXPECT_EQ(cell_texts(area().cellValues), std::vector<std::string>{"<b>&amp;&A"});
}

} // namespace
} // namespace vex::table::testing
