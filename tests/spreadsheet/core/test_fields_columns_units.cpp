// "tbx:FIELDS" with their format blocks, "tbx:COLUMNS" and "tbx:UNITS".
#include "support/document_test.h"

namespace vex::table::testing {
namespace {

using Fields = DocumentTest;
using Columns = DocumentTest;
using Units = DocumentTest;
VEX_DOCUMENT_TEST_SUITE(Fields);
VEX_DOCUMENT_TEST_SUITE(Columns);
VEX_DOCUMENT_TEST_SUITE(Units);

std::string fields(std::string_view content) {
    return "<tbx:FIELDS>" + std::string(content) + "</tbx:FIELDS>";
}
std::string columns(std::string_view content) {
    return "<tbx:COLUMNS>" + std::string(content) + "</tbx:COLUMNS>";
}

ColumnFormat format(std::int32_t category, std::int32_t intLen, std::int32_t outputLen, std::int32_t decimals,
                    std::int32_t columnIndex, const char16_t* title) {
    ColumnFormat f;
    f.category = category;
    f.intLen = intLen;
    f.outputLen = outputLen;
    f.decimals = decimals;
    f.columnIndex = columnIndex;
    f.title = title;
    return f;
}

TEST_P(Fields, FormatBlockSetsLengthsDecimalsCategoryAndJustification) {
    const std::string doc = document_with_table(
        fields(field("AMOUNT", "CURR",
                     "<INTLEN>12</INTLEN><OUTPUTLEN>16</OUTPUTLEN><DECIMALS>2</DECIMALS><JUST>R</JUST>")) +
        columns(column("AMOUNT", "Amount")));
    EXPECT_EQ(parse(doc), status_ok);
    ColumnFormat expected = format(3, 12, 16, 2, 0, u"Amount");
    expected.justify = -4152;
    expected.hasJustify = true;
    EXPECT_EQ(area().columns, std::vector<ColumnFormat>{expected});
    EXPECT_EQ(engine.justify_codes, std::vector<std::string>{"R"});
}

TEST_P(Fields, TwinNamesOfTheVocabularyActLikeTheirCodes) {
    const std::string block =
        "<S_ELEM><COLNAME>QUAN</COLNAME><HEADER_BIND_KDEF_ELEMENT>7</HEADER_BIND_KDEF_ELEMENT>"
        "<HEADER_BIND_KDEF_FIELD>9</HEADER_BIND_KDEF_FIELD><IS_VISIBLE>3</IS_VISIBLE>"
        "<REPTEXT>C</REPTEXT><TOOLTIP>ignored</TOOLTIP><DOMAIN>ignored too</DOMAIN></S_ELEM>";
    const std::string doc =
        document_with_table(fields("<FIELD><NAME>Q</NAME><KIND>E</KIND>" + block + "</FIELD>") +
                            columns(column("Q", "Quantity")));
    EXPECT_EQ(parse(doc), status_ok);
    ColumnFormat expected = format(4, 7, 9, 3, 0, u"Quantity");
    expected.justify = -4108;
    expected.hasJustify = true;
    EXPECT_EQ(area().columns, std::vector<ColumnFormat>{expected});
}

TEST_P(Fields, InternalTypeCountsOnlyWhileNoDataTypeWasRead) {
    const std::string doc = document_with_table(
        fields("<FIELD><NAME>A</NAME><KIND>E</KIND><S_ELEM><INTTYPE>D</INTTYPE></S_ELEM></FIELD>"
               "<FIELD><NAME>B</NAME><KIND>E</KIND><S_ELEM><DATATYPE>TIMS</DATATYPE><INTTYPE>D</INTTYPE></"
               "S_ELEM></FIELD>"
               "<FIELD><NAME>C</NAME><KIND>E</KIND><S_ELEM><INTTYPE>N</INTTYPE><DATATYPE>INT4</DATATYPE></"
               "S_ELEM></FIELD>"
               "<FIELD><NAME>D</NAME><KIND>E</KIND><S_ELEM><DATATYPE>NOPE</DATATYPE><INTTYPE>D</INTTYPE></"
               "S_ELEM></FIELD>") +
        columns(column("A", "a") + column("B", "b") + column("C", "c") + column("D", "d")));
    EXPECT_EQ(parse(doc), status_ok);
    const auto& cols = area().columns;
    ASSERT_EQ(cols.size(), 4u);
    EXPECT_EQ(cols[0].category, 6);
    EXPECT_EQ(cols[1].category, 7);
    EXPECT_EQ(cols[2].category, 5);
    EXPECT_EQ(cols[3].category, -1);
    // The unknown data type is reported by the name lookup and does not end the parse.
    EXPECT_EQ(trace.errors(), std::vector<std::string>{"can't find NOPE in map..ToIndexLookupTable"});
}

TEST_P(Fields, OnlyElementaryFieldsAreRecordedAndFormatBlocksBeforeTheKindAreSkipped) {
    const std::string doc = document_with_table(
        fields("<FIELD><NAME>S</NAME><KIND>S</KIND><S_ELEM><DATATYPE>CURR</DATATYPE></S_ELEM></FIELD>"
               "<FIELD><NAME>EARLY</NAME><S_ELEM><DATATYPE>CURR</DATATYPE></S_ELEM><KIND>E</KIND></FIELD>"
               "<FIELD><NAME>BARE</NAME><KIND>E</KIND><PARENT_ID/><ID/><PATH/><SUB_PATH/><S_STRUC/><S_TABLE/"
               "></FIELD>") +
        columns(column("S", "s") + column("EARLY", "e") + column("BARE", "b")));
    EXPECT_EQ(parse(doc), status_ok);
    EXPECT_EQ(area().columns,
              (std::vector<ColumnFormat>{format(0, 0, 0, 0, 0, u"s"), format(0, 0, 0, 0, 1, u"e"),
                                         format(0, 0, 0, 0, 2, u"b")}));
}

TEST_P(Fields, FirstFieldOfANameIsKept) {
    const std::string doc =
        document_with_table(fields(field("A", "CURR") + field("A", "DATS")) + columns(column("A", "a")));
    EXPECT_EQ(parse(doc), status_ok);
    EXPECT_EQ(area().columns.at(0).category, 3);
}

TEST_P(Fields, RejectionsWithTheirMessages) {
    EXPECT_EQ(parse(document_with_table(fields("<COLUMN/>"))), status_fail);
    EXPECT_EQ(trace.errors().at(0), "Node not equal COLUMN: COLUMN");
    trace.clear();
    EXPECT_EQ(parse(document_with_table(fields("<FIELD><NAME>A</NAME><TYPE/></FIELD>"))), status_fail);
    EXPECT_EQ(trace.errors().at(1), "extract_xmlData_Field: invalid task type: TYPE");
    trace.clear();
    EXPECT_EQ(parse(document_with_table(fields(field("A", "CHAR", "<COLOR/>")))), status_fail);
    EXPECT_EQ(trace.errors(),
              (std::vector<std::string>{"can't find COLOR in map..ToIndexLookupTable",
                                        ": invalid task type: COLOR", "extract_xmlData_Columnformat",
                                        "extract_xmlData_Field", "extract_xmlData_OneArea failed",
                                        "extract_xmlData_Areas ", "parse_xmlTBX "}));
    EXPECT_TRUE(engine.areas.empty());
}

TEST_P(Fields, JustificationFailureOfTheEngineEndsTheArea) {
    engine.justify_status = static_cast<Status>(0x80020009u);
    EXPECT_EQ(parse(document_with_table(fields(field("A", "CHAR", "<JUST>L</JUST>")))),
              engine.justify_status);
    EXPECT_EQ(trace.errors().at(0), "m_spreadsheet->getJustifyValues");
    EXPECT_EQ(trace.errors_with_status().at(0).second, engine.justify_status);
}

TEST_P(Columns, UnknownFieldKeepsTheDefaultFormatAndShowsItsTitle) {
    EXPECT_EQ(parse(document_with_table(text_and_number_columns() + columns(column("NOWHERE", "Orphan")))),
              status_ok);
    const auto& cols = area().columns;
    ASSERT_EQ(cols.size(), 3u);
    EXPECT_EQ(cols[2], format(0, 0, 0, 0, 0, u"Orphan"));
    EXPECT_EQ(cols[0].category, 2);
    EXPECT_EQ(cols[1].category, 4);
    EXPECT_EQ(cols[1].columnIndex, 1);
}

TEST_P(Columns, ColAndColumnMeanTheSameAndIgnoredPropertiesPass) {
    const std::string col =
        "<COL><CHARLEN>A</CHARLEN><INTTYPE>Title</INTTYPE><NAME/><CATEGORY_TYPE/><COLNAME/>"
        "<DATATYPE/><INTLEN/><OUTPUTLEN/><IS_VISIBLE/><DECIMALS/><IS_HIERCOL/><STYLE/>"
        "<UI_ELEMENT/><IS_NUMERIC/><REPTEXT/><JUST/><TOOLTIP/><HAS_DIGITS/><COL_POS/><CONV/></COL>";
    EXPECT_EQ(
        parse(document_with_table("<tbx:FIELDS>" + field("A", "NUMC") + "</tbx:FIELDS>" + columns(col))),
        status_ok);
    EXPECT_EQ(area().columns, std::vector<ColumnFormat>{format(1, 0, 0, 0, 0, u"Title")});
}

TEST_P(Columns, ForbiddenPropertiesRejectTheDocument) {
    for (const char* name :
         {"DATAELEMENT", "DOMAIN", "IS_KEYFIGURE", "REFERENCE_FIELD", "REFERENCE_FIELD_TYPE"}) {
        trace.clear();
        EXPECT_EQ(parse(document_with_table(columns("<COLUMN><" + std::string(name) + "/></COLUMN>"))),
                  status_fail);
        EXPECT_EQ(trace.errors().at(0), ": invalid task type: " + std::string(name));
        EXPECT_EQ(trace.errors().at(1), "extract_xmlData_Column");
    }
    trace.clear();
    EXPECT_EQ(parse(document_with_table(columns("<FIELD/>"))), status_fail);
    EXPECT_EQ(trace.errors().at(0), "Node not equal COLUMN: FIELD");
    EXPECT_TRUE(engine.areas.empty());
}

TEST_P(Columns, FieldsAfterTheColumnsComeTooLate) {
    EXPECT_EQ(parse(document_with_table(columns(column("A", "a")) + "<tbx:FIELDS>" + field("A", "CURR") +
                                        "</tbx:FIELDS>")),
              status_ok);
    EXPECT_EQ(area().columns.at(0).category, 0);
}

TEST_P(Units, EachUnitGetsTheEngineFormatForItsDecimals) {
    const std::string units =
        "<tbx:UNITS><UNIT><ID>KG</ID><DEC>3</DEC></UNIT><UNIT><DEC>0</DEC><ID>EUR</ID></UNIT>"
        "<UNIT><ID>KG</ID><DEC>1</DEC></UNIT><UNIT><ID>M</ID></UNIT></tbx:UNITS>";
    EXPECT_EQ(parse(document_with_table(units)), status_ok);
    EXPECT_EQ(area().unitFormats, (UnitFormats{{u"KG", u"#0.000;[Red]#0.000;;@\"KG\""},
                                               {u"EUR", u"#0;[Red]#0;;@\"EUR\""},
                                               {u"M", u"#0;[Red]#0;;"}}));
}

TEST_P(Units, RejectionsWithTheirMessages) {
    EXPECT_EQ(parse(document_with_table("<tbx:UNITS><CURRENCY/></tbx:UNITS>")), status_fail);
    EXPECT_EQ(trace.errors().at(0), "Node not equal UNIT: CURRENCY");
    trace.clear();
    EXPECT_EQ(
        parse(document_with_table("<tbx:UNITS><UNIT><ID>A</ID><DECIMALS>2</DECIMALS></UNIT></tbx:UNITS>")),
        status_fail);
    EXPECT_EQ(trace.errors(),
              (std::vector<std::string>{"can't find DECIMALS in map..ToIndexLookupTable",
                                        ": invalid task type: DECIMALS", "extract_xmlData_Columnform_Units",
                                        "extract_xmlData_OneArea failed", "extract_xmlData_Areas ",
                                        "parse_xmlTBX "}));
}

TEST_P(Units, EngineFailureIsReportedUnderTheNumberFormatName) {
    engine.unit_status = static_cast<Status>(0x80010105u);
    EXPECT_EQ(parse(document_with_table("<tbx:UNITS><UNIT><ID>A</ID><DEC>2</DEC></UNIT></tbx:UNITS>")),
              engine.unit_status);
    EXPECT_EQ(trace.errors_with_status().at(0),
              std::make_pair(std::string("m_spreadsheet.getFormatNumber"), engine.unit_status));
}

} // namespace
} // namespace vex::table::testing
