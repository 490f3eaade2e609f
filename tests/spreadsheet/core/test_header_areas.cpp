// The header (version check) and the walk over the areas.
#include "support/document_test.h"

namespace vex::table::testing {
namespace {

using Header = DocumentTest;
using Areas = DocumentTest;
VEX_DOCUMENT_TEST_SUITE(Header);
VEX_DOCUMENT_TEST_SUITE(Areas);

const std::string one_area = "<tbx:TABLE><NAME>S</NAME></tbx:TABLE>";

TEST_P(Header, VersionTwoPointOnePassesTwoPointZeroNineIsRejected) {
    EXPECT_EQ(parse(document_with_areas(one_area, "<VERSION>2.1</VERSION>")), status_ok);
    EXPECT_EQ(engine.areas.size(), 1u);

    trace.clear();
    EXPECT_EQ(parse(document_with_areas(one_area, "<VERSION>2.09</VERSION>")), status_fail);
    EXPECT_EQ(trace.errors_with_status(),
              (std::vector<std::pair<std::string, Status>>{{"Wrong TBX xml version", status_fail},
                                                           {"parse_xmlTBX ", status_fail}}));
    EXPECT_EQ(engine.areas.size(), 1u); // nothing more rendered
}

TEST_P(Header, VersionTwoIsRejectedAndAMissingVersionIsNotChecked) {
    EXPECT_EQ(parse(document_with_areas(one_area, "<VERSION>2</VERSION>")), status_fail);
    EXPECT_EQ(trace.errors().at(0), "Wrong TBX xml version");
    trace.clear();
    EXPECT_EQ(parse(document_with_areas(one_area, "<USER>me</USER>")), status_ok);
    EXPECT_TRUE(trace.errors().empty());
    EXPECT_EQ(engine.areas.size(), 1u);
}

TEST_P(Header, VersionIsReadWithAPointNotAComma) {
    // "2,5" reads as 2: below the minimum.
    EXPECT_EQ(parse(document_with_areas(one_area, "<VERSION>2,5</VERSION>")), status_fail);
    EXPECT_EQ(trace.errors().at(0), "Wrong TBX xml version");
    trace.clear();
    EXPECT_EQ(parse(document_with_areas(one_area, "<VERSION> 10.0 beta</VERSION>")), status_ok);
}

TEST_P(Header, VersionAfterTheAreasComesTooLate) {
    // Elements are processed in document order: the areas are rendered before the version is seen.
    EXPECT_EQ(parse(root_open + "<tbx:AREAS>" + one_area + "</tbx:AREAS><VERSION>1.0</VERSION>" + root_close),
              status_fail);
    EXPECT_EQ(engine.areas.size(), 1u);
    EXPECT_EQ(trace.errors().at(0), "Wrong TBX xml version");
}

TEST_P(Header, MinimumVersionIsAParserSetting) {
    auto factory = GetParam().make();
    TableParser strict(*factory, engine, &trace, 3.0);
    EXPECT_EQ(strict.minVersion(), 3.0);
    EXPECT_EQ(strict.parse_xmlData(from_utf8(document_with_areas(one_area, "<VERSION>2.5</VERSION>"))),
              status_fail);
    EXPECT_EQ(trace.errors().at(0), "Wrong TBX xml version");
    TableParser standard(*factory, engine, &trace);
    EXPECT_EQ(standard.minVersion(), 2.1);
}

TEST_P(Header, IgnoredHeaderElementsAndUnknownOnes) {
    const std::string header = "<VERSION>2.1</VERSION><USER>u</USER><FLAVOUR/><TIME>1</TIME><SYSTEM/><TITLE/>"
                               "<TCODE/><REPORT/><QUILLPAGE_COMPONENT/><QUILLPAGE_USAGE/><DATE/>";
    EXPECT_EQ(parse(document_with_areas(one_area, header)), status_ok);
    EXPECT_TRUE(trace.errors().empty());

    trace.clear();
    EXPECT_EQ(parse(document_with_areas(one_area, "<VERSION>2.1</VERSION><version>2.1</version>")),
              status_fail);
    EXPECT_EQ(trace.errors_with_status(), (std::vector<std::pair<std::string, Status>>{
                                              {"can't find version in map..ToIndexLookupTable", status_fail},
                                              {"not a valid TBXElement: version", status_fail},
                                              {"parse_xmlTBX ", status_fail}}));
}

TEST_P(Header, CommentInsideTheRootRejectsTheDocument) {
    EXPECT_EQ(parse(document_with_areas(one_area, "<VERSION>2.1</VERSION><!-- c -->")), status_fail);
    EXPECT_EQ(trace.errors().at(1), "not a valid TBXElement: #comment");
}

TEST_P(Areas, AreasAreHandedOverInDocumentOrder) {
    const std::string areas =
        "<tbx:TABLE><NAME>first</NAME></tbx:TABLE><tbx:TABLE><NAME>second</NAME></tbx:TABLE>";
    EXPECT_EQ(parse(document_with_areas(areas)), status_ok);
    ASSERT_EQ(engine.areas.size(), 2u);
    EXPECT_EQ(engine.areas[0].sheetNames, std::vector<Text>{u"first"});
    EXPECT_EQ(engine.areas[1].sheetNames, std::vector<Text>{u"second"});
}

TEST_P(Areas, SeveralAreaListsAreAllRead) {
    const std::string body = "<VERSION>2.1</VERSION><tbx:AREAS>" + one_area + "</tbx:AREAS><tbx:AREAS>" +
                             one_area + "</tbx:AREAS>";
    EXPECT_EQ(parse(root_open + body + root_close), status_ok);
    EXPECT_EQ(engine.areas.size(), 2u);
}

TEST_P(Areas, FailingAreaStopsTheWalkAndEarlierAreasStay) {
    const std::string areas = one_area + "<tbx:TABLE><BOGUS/></tbx:TABLE>" + one_area;
    EXPECT_EQ(parse(document_with_areas(areas)), status_fail);
    EXPECT_EQ(engine.areas.size(), 1u);
    EXPECT_EQ(trace.errors_with_status(),
              (std::vector<std::pair<std::string, Status>>{
                  {"can't find BOGUS in map..ToIndexLookupTable", status_fail},
                  {"extract_xmlData_OneArea: not a valid TBXElement: BOGUS", status_fail},
                  {"extract_xmlData_OneArea failed", status_fail},
                  {"extract_xmlData_Areas ", status_fail},
                  {"parse_xmlTBX ", status_fail}}));
}

TEST_P(Areas, OnlyTablesMayStandInTheAreaList) {
    EXPECT_EQ(parse(document_with_areas(one_area + "<NAME>x</NAME>")), status_fail);
    EXPECT_EQ(trace.errors().at(1), "extract_xmlData_Areas: not a valid TBXElement: NAME");
    EXPECT_EQ(engine.areas.size(), 1u);
}

TEST_P(Areas, RendererFailureEndsTheParseWithItsStatus) {
    const Status renderer_status = static_cast<Status>(0x800A03ECu);
    engine.fail_render_call = 2;
    engine.render_status = renderer_status;
    EXPECT_EQ(parse(document_with_areas(one_area + one_area + one_area)), renderer_status);
    EXPECT_EQ(engine.render_calls, 2);
    EXPECT_EQ(engine.areas.size(), 1u);
    EXPECT_EQ(trace.errors_with_status(), (std::vector<std::pair<std::string, Status>>{
                                              {"update_TBXToExcel", renderer_status},
                                              {"extract_xmlData_OneArea failed", renderer_status},
                                              {"extract_xmlData_Areas ", renderer_status},
                                              {"parse_xmlTBX ", renderer_status}}));
}

TEST_P(Areas, EmptyAreaHandsOverAnEmptyModel) {
    EXPECT_EQ(parse(document_with_areas("<tbx:TABLE/>")), status_ok);
    EXPECT_EQ(area(), TableModel{});
}

TEST_P(Areas, SheetNamesCollectEveryNameAndEmptyMeansDefault) {
    EXPECT_EQ(parse(document_with_table("<NAME>one</NAME><NAME></NAME><NAME>three</NAME>")), status_ok);
    EXPECT_EQ(area().sheetNames, (std::vector<Text>{u"one", u"defaultsheet", u"three"}));
}

TEST_P(Areas, SheetNamesAreTrimmedAndWhitespaceOnlyMeansDefault) {
    EXPECT_EQ(parse(document_with_table("<NAME>  Sales 2024\t</NAME><NAME>\n   \n</NAME>")), status_ok);
    EXPECT_EQ(area().sheetNames, (std::vector<Text>{u"Sales 2024", u"defaultsheet"}));
}

TEST_P(Areas, PreservedWhitespaceIsPartOfTheName) {
    EXPECT_EQ(parse(document_with_table("<NAME xml:space=\"preserve\"> padded </NAME>")), status_ok);
    EXPECT_EQ(area().sheetNames, std::vector<Text>{u" padded "});
}

TEST_P(Areas, IgnoredAreaElementsKeepTheirContentUnread) {
    const std::string ignored =
        "<tbx:IMAGEINFOS><junk/></tbx:IMAGEINFOS><tbx:IMAGES/><tbx:SERVICES/>"
        "<tbx:HYPERLINKS/><tbx:VALUESETS/><tbx:SELECTIONS/><tbx:DATA><x>1</x></tbx:DATA>";
    EXPECT_EQ(parse(document_with_table(ignored)), status_ok);
    EXPECT_TRUE(trace.errors().empty());
    EXPECT_EQ(area(), TableModel{});
}

TEST_P(Areas, CommentInsideATableRejectsTheDocument) {
    EXPECT_EQ(parse(document_with_table("<NAME>S</NAME><!-- c -->")), status_fail);
    EXPECT_EQ(trace.errors().at(1), "extract_xmlData_OneArea: not a valid TBXElement: #comment");
    EXPECT_TRUE(engine.areas.empty());
}

TEST_P(Areas, NullTraceChangesNothing) {
    auto factory = GetParam().make();
    TableParser parser(*factory, engine, nullptr);
    EXPECT_EQ(
        parser.parse_xmlData(from_utf8(document_with_areas(one_area + "<tbx:TABLE><BOGUS/></tbx:TABLE>"))),
        status_fail);
    EXPECT_EQ(engine.areas.size(), 1u);
}

} // namespace
} // namespace vex::table::testing
