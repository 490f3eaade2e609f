// "tbx:TOP_OF_LIST" and "tbx:END_OF_LIST".
#include "support/document_test.h"

namespace vex::table::testing {
namespace {

using ListBlocks = DocumentTest;
VEX_DOCUMENT_TEST_SUITE(ListBlocks);

const std::string mismatch = "Mismatch between xml count of rows,columns and contained data";

TEST_P(ListBlocks, MatchingCountsPassSilently) {
    const std::string block =
        "<tbx:TOP_OF_LIST rowcount=\"2\" colcount=\"3\"><ROW><A>a</A><B>b</B><C>c</C></ROW>"
        "<ROW><X>d</X><X>e</X><X/></ROW></tbx:TOP_OF_LIST>";
    EXPECT_EQ(parse(document_with_table(block)), status_ok);
    EXPECT_TRUE(trace.errors().empty());
    EXPECT_EQ(area().topRowCount, 2);
    EXPECT_EQ(area().topColumnCount, 3);
    EXPECT_EQ(cell_texts(area().topCells), (std::vector<std::string>{"a", "b", "c", "d", "e", ""}));
    EXPECT_TRUE(area().endCells.empty());
}

TEST_P(ListBlocks, MismatchIsReportedAndTheAreaIsStillRendered) {
    const std::string block =
        "<tbx:TOP_OF_LIST rowcount=\"2\" colcount=\"3\"><ROW><A>a</A><B>b</B><C>c</C></ROW>"
        "<ROW><X>d</X><X>e</X></ROW></tbx:TOP_OF_LIST>";
    EXPECT_EQ(parse(document_with_table(block + "<NAME>after</NAME>")), status_ok);
    EXPECT_EQ(trace.errors_with_status(),
              (std::vector<std::pair<std::string, Status>>{{mismatch, status_fail}}));
    EXPECT_EQ(area().topRowCount, 2);
    EXPECT_EQ(area().topColumnCount, 3);
    EXPECT_EQ(area().topCells.size(), 5u);
    EXPECT_EQ(area().sheetNames, std::vector<Text>{u"after"});
}

TEST_P(ListBlocks, RowCountMismatchAndForeignChildren) {
    EXPECT_EQ(parse(document_with_table(
                  "<tbx:END_OF_LIST rowcount=\"3\" colcount=\"1\"><ROW><A>a</A></ROW></tbx:END_OF_LIST>")),
              status_ok);
    EXPECT_EQ(trace.errors(), std::vector<std::string>{mismatch});
    EXPECT_EQ(area().endRowCount, 3);
    EXPECT_EQ(area().endColumnCount, 1);

    trace.clear();
    engine.areas.clear();
    EXPECT_EQ(
        parse(document_with_table("<tbx:END_OF_LIST rowcount=\"2\" colcount=\"1\"><ROW><A>a</A></ROW><LINE/>"
                                  "<ROW><A>b</A></ROW></tbx:END_OF_LIST>")),
        status_ok);
    EXPECT_EQ(trace.errors(), std::vector<std::string>{"Node not equal ROW: LINE"});
    EXPECT_EQ(cell_texts(area().endCells), std::vector<std::string>{"a"});
}

TEST_P(ListBlocks, ZeroCountsLeaveTheContentUnread) {
    EXPECT_EQ(parse(document_with_table(
                  "<tbx:TOP_OF_LIST><ROW><A>a</A></ROW><JUNK/></tbx:TOP_OF_LIST>"
                  "<tbx:END_OF_LIST rowcount=\"0\" colcount=\"0\"><JUNK/></tbx:END_OF_LIST>")),
              status_ok);
    EXPECT_TRUE(trace.errors().empty());
    EXPECT_EQ(area(), TableModel{});
}

TEST_P(ListBlocks, UnknownAttributesAreReportedAndSkipped) {
    EXPECT_EQ(parse(document_with_table(
                  "<tbx:TOP_OF_LIST rowcount=\"1\" width=\"9\" colcount=\"1\"><ROW><A>a</A></ROW>"
                  "</tbx:TOP_OF_LIST>")),
              status_ok);
    EXPECT_EQ(trace.errors(), (std::vector<std::string>{"can't find width in map..ToIndexLookupTable",
                                                        "getAttributesOfNode_TopOfList: node name: width"}));
    EXPECT_EQ(area().topCells.size(), 1u);
}

TEST_P(ListBlocks, CellsAreAnyChildOfARow) {
    EXPECT_EQ(parse(document_with_table(
                  "<tbx:END_OF_LIST rowcount=\"1\" colcount=\"2\"><ROW><A>x<I>y</I></A><!--c--></ROW>"
                  "</tbx:END_OF_LIST>")),
              status_ok);
    EXPECT_EQ(cell_texts(area().endCells), (std::vector<std::string>{"xy", "c"}));
    EXPECT_TRUE(trace.errors().empty());
}

TEST_P(ListBlocks, TopAndEndOfListFillTheirOwnParts) {
    EXPECT_EQ(parse(document_with_table(
                  "<tbx:END_OF_LIST rowcount=\"1\" colcount=\"1\"><ROW><A>end</A></ROW></tbx:END_OF_LIST>"
                  "<tbx:TOP_OF_LIST rowcount=\"1\" "
                  "colcount=\"2\"><ROW><A>t1</A><A>t2</A></ROW></tbx:TOP_OF_LIST>")),
              status_ok);
    const TableModel& model = area();
    EXPECT_EQ(model.topColumnCount, 2);
    EXPECT_EQ(model.topRowCount, 1);
    EXPECT_EQ(model.endColumnCount, 1);
    EXPECT_EQ(model.endRowCount, 1);
    EXPECT_EQ(cell_texts(model.topCells), (std::vector<std::string>{"t1", "t2"}));
    EXPECT_EQ(cell_texts(model.endCells), std::vector<std::string>{"end"});
}

} // namespace
} // namespace vex::table::testing
