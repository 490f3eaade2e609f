// Table documents through the whole parser, one table of cases run against every DOM adapter: each
// document's status, its error messages in order and the model of every area handed over.
#include "support/document_test.h"

#include <filesystem>
#include <set>

namespace vex::table::testing {
namespace {

using Errors = std::vector<std::string>;

// What a parse gave, one line each: "status ok" ("fail", or the status), "error TEXT" for each error
// message in order (see RecordingTrace::errors), then the areas handed over (see describe). The eight
// messages of a document the DOM refused are "error refused at load" (their texts are tested below).
std::string outcome(Status status, const RecordingTrace& trace, const std::vector<TableModel>& areas) {
    std::string text = "status " +
                       (status == status_ok     ? "ok"
                        : status == status_fail ? "fail"
                                                : hex(status)) +
                       "\n";
    const Errors errors = trace.errors();
    if (errors.size() == 8 && errors[0].starts_with("first lines xml: ") &&
        errors[2].starts_with("loadXML: issuccessful") && errors[3].starts_with("\tReason= ")) {
        return text + "error refused at load\n" + describe(areas);
    }
    for (const std::string& error : errors) {
        text += "error " + error + "\n";
    }
    return text + describe(areas);
}

// The lines of an actual outcome that an expected one compares, and the expected lines: the status and
// errors always; of the model, the lines of the labels (first words) the expected outcome names, where a
// label alone expects no line of it; all lines where it expects "no area" or "(empty)".
std::pair<std::string, std::string> compared(const std::string& actual, const std::string& expected) {
    const auto label = [](const std::string& line) { return line.substr(0, line.find(' ')); };
    std::set<std::string> labels = {"status", "error", "--"};
    std::string wanted;
    std::istringstream in(expected);
    for (std::string line; std::getline(in, line);) {
        labels.insert(label(line));
        wanted += line.find(' ') != std::string::npos || line == "--" ? line + "\n" : "";
    }
    if (labels.count("(empty)") || labels.count("no")) {
        return {actual + "\n", expected + "\n"};
    }
    std::string kept;
    std::istringstream lines(actual);
    for (std::string line; std::getline(lines, line);) {
        kept += labels.count(label(line)) ? line + "\n" : "";
    }
    return {kept, wanted};
}

// The messages with which a failing section ends the area and the parse after its own, each marked
// with the status unless it is status_fail.
std::string ends(std::initializer_list<const char*> sections, Status status = status_fail) {
    std::string lines;
    const std::string mark = status == status_fail ? "" : " [" + hex(status) + "]";
    for (const char* section : sections) {
        lines += "\nerror " + std::string(section) + mark;
    }
    for (const char* outer : {"extract_xmlData_OneArea failed", "extract_xmlData_Areas ", "parse_xmlTBX "}) {
        lines += "\nerror " + std::string(outer) + mark;
    }
    return lines;
}

std::string lookup_failure(const std::string& name) {
    return "error can't find " + name + " in map..ToIndexLookupTable\n";
}

std::string wrapped(const char* element, std::string_view content) {
    return std::string("<") + element + ">" + std::string(content) + "</" + element + ">";
}
std::string fields(std::string_view content) {
    return wrapped("tbx:FIELDS", content);
}
std::string columns(std::string_view content) {
    return wrapped("tbx:COLUMNS", content);
}
std::string rows(std::string_view content) {
    return wrapped("tbx:ROWS", content);
}
std::string layout(std::string_view content) {
    return document_with_table(wrapped("tbx:LAYOUT", content));
}
std::string units(std::string_view content) {
    return document_with_table(wrapped("tbx:UNITS", content));
}
// A text, a number, a currency and a date column, and the given rows.
std::string typed_rows(std::string_view rows_content) {
    return document_with_table(
        fields(field("T", "CHAR") + field("N", "FLTP") + field("C", "CURR") + field("D", "DATS")) +
        columns(column("T", "t") + column("N", "n") + column("C", "c") + column("D", "d")) +
        rows(rows_content));
}
std::string typed_row(std::string_view cells) {
    return typed_rows(row(cells));
}
// count characters outside the BMP, two UTF-16 units each.
std::string emoji(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += "\xF0\x9F\x98\x80";
    }
    return text;
}
// Five text columns and the given content of a rows element, in a table or a document of its own.
std::string five_columns_content(std::string_view rows_content) {
    std::string names;
    std::string titles;
    for (const char* name : {"F0", "F1", "F2", "F3", "F4"}) {
        names += field(name, "CHAR");
        titles += column(name, name);
    }
    return fields(names) + columns(titles) + rows(rows_content);
}
std::string five_columns(std::string_view rows_content) {
    return document_with_table(five_columns_content(rows_content));
}
std::string cells(int count, const std::string& prefix) {
    std::string result;
    for (int i = 0; i < count; ++i) {
        result += cell(prefix + std::to_string(i));
    }
    return result;
}

struct Case {
    const char* name;
    std::string document;
    std::string outcome; // compared as described for compared()
    void (*setup)(RecordingEngine&) = nullptr;
    // Where Wine's MSXML gives another outcome than real MSXML, Wine's.
    std::string wine = "";
};

std::string nested(const std::string& name, int depth, const std::string& inner) {
    std::string open;
    std::string close;
    for (int i = 0; i < depth; ++i) {
        open += "<" + name + ">";
        close += "</" + name + ">";
    }
    return open + inner + close;
}

const std::string one_area = "<tbx:TABLE><NAME>S</NAME></tbx:TABLE>";
const std::string twenty_units = "\xF0\x9F\x98\x80<a>\xC3\xA9\xC3\xA9\xC3\xA9\xE2\x82\xAC\xE2\x82\xAC"
                                 "1234567890";
const std::string not_tbx = "' -> not a valid WobReqeust xml document\nno area";
const std::string bad_version = "status fail\nerror Wrong TBX xml version\nerror parse_xmlTBX ";
const std::string mismatch = "error Mismatch between xml count of rows,columns and contained data\n";
constexpr Status refused = static_cast<Status>(0x800A03ECu);

std::vector<Case> cases() {
    std::vector<Case> all = {
        // The checks on the text before it is loaded, and the root.
        // The length is counted in UTF-16 units: twenty (in 35 bytes) are too short, twenty-one pass.
        {"twenty units in 35 bytes", twenty_units,
         "status fail\nerror Wrong input xml: " + twenty_units + "\nno area"},
        {"twenty-one units in 36 bytes", twenty_units + "x",
         "status fail\nerror No generic tbx file\nno area"},
        {"no markup in more than the checks read at once", std::string(9000, 'x'),
         "status fail\nerror No generic tbx xml, sended file is: " + std::string(9000, 'x') + "\nno area"},
        {"the root name across the pieces the checks read",
         "<a>" + std::string(4086, ' ') + root_open + "</a>", "status fail\nerror refused at load\nno area"},
        {"a byte order mark and bytes that are no UTF-8",
         "\xEF\xBB\xBF" + root_open + "\n<\xE2\x82\xAC\xC3\xA9\xF0\x9F\x98\x80/><a \xFF\xC3>\xE2\x82" +
             root_close + "\xE2\x82\xAC\xF0\x9F\x98\x80\xC3\xA9 \xF0\x9F\x98\x80\x80\x80\xE2",
         "status fail\nerror refused at load\nno area"},
        {"the root name only in the first tag",
         "<tbx:BI_BS_XML xmlns:tbx='u'><a/></tbx:BI_BS_XM>" + std::string(9000, ' '),
         "status fail\nerror No generic tbx file\nno area"},
        {"a declaration before the root", "<?xml version=\"1.0\"?>" + document_with_areas(""),
         "status ok\nno area"},
        {"a comment before the root", "<?xml version=\"1.0\"?><!-- note -->" + document_with_areas(""),
         "status fail\nerror toplevel node name #comment is not equal 'tbx:BI_BS_XML " + not_tbx},
        {"an instruction before the root is named by its target",
         "<?xml-stylesheet href=\"a\"?>" + document_with_areas(""),
         "status fail\nerror toplevel node name xml-stylesheet is not equal 'tbx:BI_BS_XML " + not_tbx},
        {"another root element", "<tbx:OTHER xmlns:tbx='u'><x>tbx:BI_BS_XML</x></tbx:OTHER>",
         "status fail\nerror toplevel node name tbx:OTHER is not equal 'tbx:BI_BS_XML " + not_tbx},
        {"any namespace name, whitespace between elements and around the root",
         "<?xml version=\"1.0\"?>\n<tbx:BI_BS_XML xmlns:tbx=\"http://example.invalid/other\">\n  "
         "<VERSION>2.5</VERSION>\n"
         "  <tbx:AREAS>\n    <tbx:TABLE>\n      <NAME>S</NAME>\n    </tbx:TABLE>\n  "
         "</tbx:AREAS>\n</tbx:BI_BS_XML>\n",
         "status ok\nsheets S"},

        // The header and the areas.
        {"version 2.1 and the ignored header elements",
         document_with_areas(one_area,
                             "<VERSION>2.1</VERSION><USER>u</USER><FLAVOUR/><TIME>1</TIME><SYSTEM/>"
                             "<TITLE/><TCODE/><REPORT/><QUILLPAGE_COMPONENT/><QUILLPAGE_USAGE/><DATE/>"),
         "status ok\nsheets S"},
        {"version 2.09", document_with_areas(one_area, "<VERSION>2.09</VERSION>"), bad_version + "\nno area"},
        {"the version is read with a point", document_with_areas(one_area, "<VERSION>2,5</VERSION>"),
         bad_version + "\nno area"},
        {"the version is read up to what is no number",
         document_with_areas(one_area, "<VERSION> 10.0 beta</VERSION>"), "status ok\nsheets S"},
        {"no version is not checked", document_with_areas(one_area, "<USER>me</USER>"),
         "status ok\nsheets S"},
        {"a version after the areas comes too late",
         root_open + "<tbx:AREAS>" + one_area + "</tbx:AREAS><VERSION>1.0</VERSION>" + root_close,
         bad_version + "\nsheets S"},
        {"header names are case-sensitive",
         document_with_areas(one_area, "<VERSION>2.1</VERSION><version>2.1</version>"),
         "status fail\n" + lookup_failure("version") +
             "error not a valid TBXElement: version\nerror parse_xmlTBX \nno area"},
        {"a comment inside the root", document_with_areas(one_area, "<VERSION>2.1</VERSION><!-- c -->"),
         "status fail\n" + lookup_failure("#comment") +
             "error not a valid TBXElement: #comment\nerror parse_xmlTBX \nno area"},
        {"areas in document order, from every area list",
         root_open +
             "<tbx:AREAS><tbx:TABLE><NAME>first</NAME></tbx:TABLE><tbx:TABLE><NAME>second</NAME></tbx:TABLE>"
             "</tbx:AREAS><tbx:AREAS><tbx:TABLE><NAME>third</NAME></tbx:TABLE></tbx:AREAS>" +
             root_close,
         "status ok\nsheets first\n--\nsheets second\n--\nsheets third"},
        {"a failing area ends the walk, earlier areas stay",
         document_with_areas(one_area + "<tbx:TABLE><BOGUS/></tbx:TABLE>" + one_area),
         "status fail\n" + lookup_failure("BOGUS") +
             "error extract_xmlData_OneArea: not a valid TBXElement: BOGUS" + ends({}) + "\nsheets S"},
        {"only tables in the area list", document_with_areas(one_area + "<NAME>x</NAME>"),
         "status fail\n" + lookup_failure("NAME") +
             "error extract_xmlData_Areas: not a valid TBXElement: NAME\n"
             "error extract_xmlData_Areas \nerror parse_xmlTBX \nsheets S"},
        {"a renderer failure ends the parse with its status",
         document_with_areas(one_area + one_area + one_area),
         "status 0x800A03EC" + ends({"update_TBXToExcel"}, refused) + "\nsheets S",
         [](RecordingEngine& e) {
             e.fail_render_call = 2;
             e.render_status = refused;
         }},
        {"an empty area", document_with_areas("<tbx:TABLE/>"), "status ok\n(empty)"},
        {"element texts as names: trimmed, joined in document order, a space for blank text between texts, "
         "CDATA kept, whitespace preserved until xml:space=\"default\"; empty or blank for the default sheet",
         document_with_areas(
             "<tbx:TABLE><NAME>one</NAME><NAME></NAME><NAME>\n   \n</NAME><NAME>  two  words \t</NAME>"
             "<NAME>\r\n line one\r\n line two \r\n</NAME><NAME>&#32;x&#9;</NAME>"
             "<NAME>a<b>b&amp;<c>&#x41;</c></b><![CDATA[&lt;]]><!--no--><?pi no?>d&#10;</NAME>"
             "<NAME><a>x</a> \n <b>y</b><!--c-->\t<b>z</b> </NAME><NAME>x <b> y </b> z</NAME>"
             "<NAME><a>x </a><b>y</b></NAME><NAME> <![CDATA[ x ]]> </NAME><NAME> a <![CDATA[ b ]]> c </NAME>"
             "<NAME><![CDATA[]]></NAME><NAME xml:space=\"preserve\"> <a> x </a> </NAME>"
             "<NAME xml:space=\"preserve\"><e xml:space=\"default\"> <a> y </a> </e></NAME></tbx:TABLE>"
             "<tbx:TABLE xml:space=\"preserve\"><NAME xml:space=\"default\"> <a> y </a> </NAME></tbx:TABLE>"),
         "status ok\nsheets one|defaultsheet|defaultsheet|two  words|line one\\n line two|x|ab&A&lt;d|"
         "x y z|x  y  z|x y| x |a  b  c|defaultsheet|  x  | y \n--\nsheets y"},
        {"ignored area elements are not read",
         document_with_table(
             "<tbx:IMAGEINFOS><junk/></tbx:IMAGEINFOS><tbx:IMAGES/><tbx:SERVICES/><tbx:HYPERLINKS/>"
             "<tbx:VALUESETS/><tbx:SELECTIONS/><tbx:DATA><x>1</x></tbx:DATA>"),
         "status ok\n(empty)"},
        {"a comment inside a table", document_with_table("<NAME>S</NAME><!-- c -->"),
         "status fail\n" + lookup_failure("#comment") +
             "error extract_xmlData_OneArea: not a valid TBXElement: #comment" + ends({}) + "\nno area"},

        // The layout: colours inserted at their slots, fixed columns.
        {"colours in ascending slot order",
         layout("<COLOR_HEADER>#FF0000</COLOR_HEADER><COLOR_TOTAL>#00FF00</COLOR_TOTAL>"
                "<COLOR_SUBTOTAL>#0000FF</COLOR_SUBTOTAL><COLOR_CELL>#FFFFFF</COLOR_CELL>"),
         "status ok\ncolours 12 0:0000FF 2:00FF00 3:FF0000 4:FFFFFF\nfixed"},
        {"a later lower slot pushes earlier colours back",
         layout("<COLOR_CELL>#112233</COLOR_CELL><COLOR_HEADER>#445566</COLOR_HEADER>"),
         "status ok\ncolours 10 0:665544 5:332211"},
        {"an empty colour text inserts an empty entry",
         layout("<COLOR_TOTAL></COLOR_TOTAL><COLOR_HEADER>#010203</COLOR_HEADER>"),
         "status ok\ncolours 10 0:030201"},
        {"fixed columns; ignored layout elements",
         layout("<FIXED_COL>2.5</FIXED_COL><SUM_ROWS_BEFORE_DETAIL>X</SUM_ROWS_BEFORE_DETAIL><HIERARCHY>#zz"
                "</HIERARCHY><FIXED_COL_RIGHT>3</FIXED_COL_RIGHT><VISIBLE/><ENABLED/><READONLY/>"),
         "status ok\ncolours 8\nfixed 2.5"},
        {"a second layout starts the colour table again",
         document_with_table(
             "<tbx:LAYOUT><COLOR_CELL>#FFFFFF</COLOR_CELL><FIXED_COL>3</FIXED_COL></tbx:LAYOUT>"
             "<tbx:LAYOUT><COLOR_TOTAL>#000001</COLOR_TOTAL></tbx:LAYOUT>"),
         "status ok\ncolours 9 2:010000\nfixed"},
        {"an unknown layout element", layout("<FIXED_COL>2</FIXED_COL><COLOR_HIERARCHY_FONT_NOT_READ/>"),
         "status fail\n" + lookup_failure("COLOR_HIERARCHY_FONT_NOT_READ") +
             "error : invalid task type: COLOR_HIERARCHY_FONT_NOT_READ" + ends({"extract_xmlData_Layout "}) +
             "\nno area"},
        {"a short colour text", layout("<COLOR_CELL>#FFF</COLOR_CELL>"),
         "status fail\nerror getRGBValue" + ends({"extract_xmlData_Layout "}) + "\nno area"},

        // Fields, columns and units.
        {"a format block: lengths, decimals, category and justification",
         document_with_table(fields(field("AMOUNT", "CURR",
                                          "<INTLEN>12</INTLEN><OUTPUTLEN>16</OUTPUTLEN>"
                                          "<DECIMALS>2</DECIMALS><JUST>R</JUST>")) +
                             columns(column("AMOUNT", "Amount"))),
         "status ok\ncolumn 0 \"Amount\" c3 i12 o16 d2 j-4152"},
        {"the twin names of the column vocabulary",
         document_with_table(
             fields("<FIELD><NAME>Q</NAME><KIND>E</KIND><S_ELEM><COLNAME>QUAN</COLNAME>"
                    "<HEADER_BIND_KDEF_ELEMENT>7</HEADER_BIND_KDEF_ELEMENT><HEADER_BIND_KDEF_FIELD>9"
                    "</HEADER_BIND_KDEF_FIELD><IS_VISIBLE>3</IS_VISIBLE><REPTEXT>C</REPTEXT>"
                    "<TOOLTIP>ignored</TOOLTIP><DOMAIN>ignored too</DOMAIN></S_ELEM></FIELD>") +
             columns(column("Q", "Quantity"))),
         "status ok\ncolumn 0 \"Quantity\" c4 i7 o9 d3 j-4108"},
        {"the internal type counts only while no data type was read",
         document_with_table(
             fields("<FIELD><NAME>A</NAME><KIND>E</KIND><S_ELEM><INTTYPE>D</INTTYPE></S_ELEM></FIELD>" +
                    field("B", "TIMS", "<INTTYPE>D</INTTYPE>") +
                    "<FIELD><NAME>C</NAME><KIND>E</KIND><S_ELEM><INTTYPE>N</INTTYPE><DATATYPE>INT4</DATATYPE>"
                    "</S_ELEM></FIELD>" +
                    field("D", "NOPE", "<INTTYPE>D</INTTYPE>")) +
             columns(column("A", "a") + column("B", "b") + column("C", "c") + column("D", "d"))),
         "status ok\n" + lookup_failure("NOPE") +
             "column 0 \"a\" c6 i0 o0 d0\ncolumn 1 \"b\" c7 i0 o0 d0\ncolumn 2 \"c\" c5 i0 o0 d0\n"
             "column 3 \"d\" c-1 i0 o0 d0"},
        {"only elementary fields with their kind first get a format; the first field of a name stays",
         document_with_table(
             fields(
                 "<FIELD><NAME>S</NAME><KIND>S</KIND><S_ELEM><DATATYPE>CURR</DATATYPE></S_ELEM></FIELD>"
                 "<FIELD><NAME>EARLY</NAME><S_ELEM><DATATYPE>CURR</DATATYPE></S_ELEM><KIND>E</KIND></FIELD>"
                 "<FIELD><NAME>BARE</NAME><KIND>E</KIND><PARENT_ID/><ID/><PATH/><SUB_PATH/><S_STRUC/>"
                 "<S_TABLE/></FIELD>" +
                 field("A", "CURR") + field("A", "DATS")) +
             columns(column("S", "s") + column("EARLY", "e") + column("BARE", "b") + column("A", "a"))),
         "status ok\ncolumn 0 \"s\" c0 i0 o0 d0\ncolumn 1 \"e\" c0 i0 o0 d0\ncolumn 2 \"b\" c0 i0 o0 d0\n"
         "column 3 \"a\" c3 i0 o0 d0"},
        {"a field list holds fields only", document_with_table(fields("<COLUMN/>")),
         "status fail\nerror Node not equal COLUMN: COLUMN" + ends({"extract_xmlData_Field"}) + "\nno area"},
        {"an unknown field element", document_with_table(fields("<FIELD><NAME>A</NAME><TYPE/></FIELD>")),
         "status fail\n" + lookup_failure("TYPE") + "error extract_xmlData_Field: invalid task type: TYPE" +
             ends({"extract_xmlData_Field"}) + "\nno area"},
        {"an unknown format element", document_with_table(fields(field("A", "CHAR", "<COLOR/>"))),
         "status fail\n" + lookup_failure("COLOR") + "error : invalid task type: COLOR" +
             ends({"extract_xmlData_Columnformat", "extract_xmlData_Field"}) + "\nno area"},
        {"the engine refuses a justification",
         document_with_table(fields(field("A", "CHAR", "<JUST>L</JUST>"))),
         "status 0x80020009" +
             ends(
                 {"m_spreadsheet->getJustifyValues", "extract_xmlData_Columnformat", "extract_xmlData_Field"},
                 static_cast<Status>(0x80020009u)) +
             "\nno area",
         [](RecordingEngine& e) { e.justify_status = static_cast<Status>(0x80020009u); }},
        {"a column of an unknown field keeps the default format; positions count per list",
         document_with_table(text_and_number_columns() + columns(column("NOWHERE", "Orphan"))),
         "status ok\ncolumn 0 \"Text\" c2 i0 o0 d0\ncolumn 1 \"Number\" c4 i0 o0 d0\ncolumn 0 \"Orphan\" c0 "
         "i0 o0 d0"},
        {"COL is COLUMN; ignored column elements",
         document_with_table(
             fields(field("A", "NUMC")) +
             columns("<COL><CHARLEN>A</CHARLEN><INTTYPE>Title</INTTYPE><NAME/><CATEGORY_TYPE/>"
                     "<COLNAME/><DATATYPE/><INTLEN/><OUTPUTLEN/><IS_VISIBLE/><DECIMALS/>"
                     "<IS_HIERCOL/><STYLE/><UI_ELEMENT/><IS_NUMERIC/><REPTEXT/><JUST/><TOOLTIP/>"
                     "<HAS_DIGITS/><COL_POS/><CONV/></COL>")),
         "status ok\ncolumn 0 \"Title\" c1 i0 o0 d0"},
        {"a column list holds columns only", document_with_table(columns("<FIELD/>")),
         "status fail\nerror Node not equal COLUMN: FIELD" + ends({"extract_xmlData_Column"}) + "\nno area"},
        {"fields after the columns come too late",
         document_with_table(columns(column("A", "a")) + fields(field("A", "CURR"))),
         "status ok\ncolumn 0 \"a\" c0 i0 o0 d0"},
        {"units: the engine's format for the decimals, the first of a key stays",
         units("<UNIT><ID>KG</ID><DEC>3</DEC></UNIT><UNIT><DEC>0</DEC><ID>EUR</ID></UNIT>"
               "<UNIT><ID>KG</ID><DEC>1</DEC></UNIT><UNIT><ID>M</ID></UNIT>"),
         "status ok\nunit EUR #0;[Red]#0;;@\"EUR\"\nunit KG #0.000;[Red]#0.000;;@\"KG\"\nunit M "
         "#0;[Red]#0;;"},
        {"a unit list holds units only", units("<CURRENCY/>"),
         "status fail\nerror Node not equal UNIT: CURRENCY" + ends({"extract_xmlData_Columnform_Units"}) +
             "\nno area"},
        {"an unknown unit element", units("<UNIT><ID>A</ID><DECIMALS>2</DECIMALS></UNIT>"),
         "status fail\n" + lookup_failure("DECIMALS") + "error : invalid task type: DECIMALS" +
             ends({"extract_xmlData_Columnform_Units"}) + "\nno area"},
        {"the engine refuses a unit format", units("<UNIT><ID>A</ID><DEC>2</DEC></UNIT>"),
         "status 0x80010105" +
             ends({"m_spreadsheet.getFormatNumber", "extract_xmlData_Columnform_Units"},
                  static_cast<Status>(0x80010105u)) +
             "\nno area",
         [](RecordingEngine& e) { e.unit_status = static_cast<Status>(0x80010105u); }},

        // The blocks above and below the list.
        {"a block whose counts match",
         document_with_table(
             "<tbx:TOP_OF_LIST rowcount=\"2\" colcount=\"3\"><ROW><A>a</A><B>b</B><C>c</C></ROW>"
             "<ROW><X>d</X><X>e</X><X/></ROW></tbx:TOP_OF_LIST>"),
         "status ok\ntop 2x3 a|b|c|d|e|\nend"},
        {"a count mismatch is reported and the area rendered all the same",
         document_with_table(
             "<tbx:TOP_OF_LIST rowcount=\"2\" colcount=\"3\"><ROW><A>a</A><B>b</B><C>c</C></ROW>"
             "<ROW><X>d</X><X>e</X></ROW></tbx:TOP_OF_LIST><NAME>after</NAME>"),
         "status ok\n" + mismatch + "sheets after\ntop 2x3 a|b|c|d|e"},
        {"a row count mismatch",
         document_with_table(
             "<tbx:END_OF_LIST rowcount=\"3\" colcount=\"1\"><ROW><A>a</A></ROW></tbx:END_OF_LIST>"),
         "status ok\n" + mismatch + "end 3x1 a"},
        {"a block holds rows only",
         document_with_table(
             "<tbx:END_OF_LIST rowcount=\"2\" colcount=\"1\"><ROW><A>a</A></ROW><LINE/><ROW><A>b"
             "</A></ROW></tbx:END_OF_LIST>"),
         "status ok\nerror Node not equal ROW: LINE\nend 2x1 a"},
        {"zero counts leave a block unread",
         document_with_table("<tbx:TOP_OF_LIST><ROW><A>a</A></ROW><JUNK/></tbx:TOP_OF_LIST>"
                             "<tbx:END_OF_LIST rowcount=\"0\" colcount=\"0\"><JUNK/></tbx:END_OF_LIST>"),
         "status ok\n(empty)"},
        {"an unknown block attribute",
         document_with_table("<tbx:TOP_OF_LIST rowcount=\"1\" width=\"9\" colcount=\"1\"><ROW><A>a</A></ROW>"
                             "</tbx:TOP_OF_LIST>"),
         "status ok\n" + lookup_failure("width") +
             "error getAttributesOfNode_TopOfList: node name: width\ntop 1x1 a"},
        {"block cells are any child of a row; top and end fill their own parts",
         document_with_table(
             "<tbx:END_OF_LIST rowcount=\"1\" colcount=\"3\"><ROW><A>x<I>y</I></A><!-- c --><?p a b?></ROW>"
             "</tbx:END_OF_LIST><tbx:TOP_OF_LIST rowcount=\"1\" colcount=\"2\"><ROW><A>t1</A>"
             "<A>t2</A></ROW></tbx:TOP_OF_LIST>"),
         "status ok\ntop 1x2 t1|t2\nend 1x3 xy| c |a b"},

        // Rows: counts, carried attributes, subtotals and collapsed rows.
        {"rows are counted, the widest row sets the width",
         five_columns(row(cells(2, "a")) + row(cells(5, "b")) + row(cells(3, "c"))),
         "status ok\ngrid 3x5\ncells a0|a1|b0|b1|b2|b3|b4|c0|c1|c2"},
        {"subtotal rows go to the list of their level",
         five_columns(row(cell("d"), "type=\"D\" index=\"0\"") +
                      row(cell("s"), "type=\"S\" index=\"1\" level=\"0\"") +
                      row(cell("n"), "type=\"S\" index=\"2\" level=\"2\"") +
                      row(cell("g"), "type=\"G\" index=\"3\" level=\"0\"")),
         "status ok\nsubtotals 1\nnested 2"},
        {"missing row attributes are carried from the last row that gave them",
         five_columns(row(cell("a"), "type=\"S\" index=\"4\" level=\"0\"") + row(cell("b")) +
                      row(cell("c"), "index=\"9\" level=\"1\"") + row(cell("d"), "type=\"D\"")),
         "status ok\nsubtotals 4 4\nnested 9"},
        {"carried attributes start again in each rows element, counts are the last one's",
         five_columns(row(cell("a"), "type=\"S\" index=\"1\" level=\"0\"") + "</tbx:ROWS><tbx:ROWS>" +
                      row(cell("b"))),
         "status ok\ngrid 1x1\ncells a|b\nsubtotals 1\nnested"},
        {"a subtotal without level or index", five_columns(row(cell("a"), "type=\"S\"")),
         "status ok\nsubtotals\nnested -1"},
        {"an unknown row type", five_columns(row(cell("a"), "type=\"d\"")),
         "status fail\n" + lookup_failure("d") + "error Unknow row attribute type" +
             ends({"getAttributesOfNode_Row", "extract_xmlData_Rows "}) + "\nno area"},
        {"ignored and unknown row attributes",
         five_columns(row(cell("a"), "subRows=\"2\" invisible=\"X\" sum_level=\"1\" colour=\"red\"")),
         "status ok\n" + lookup_failure("colour") + "grid 1x1\ncells a"},
        {"a collapsed row is padded to the full width",
         five_columns(row(cells(5, "a")) + row(cell("g"), "collapsed=\"X\"") + row(cells(5, "c"))),
         "status ok\ngrid 3x5\ncells "
         "a0|a1|a2|a3|a4|g|<empty>|<empty>|<empty>|<empty>|c0|c1|c2|c3|c4\ncollapsed 1"},
        {"collapsed is an upper-case X only",
         five_columns(row(cells(5, "a")) + row(cell("g"), "collapsed=\"x\"") +
                      row(cell("h"), "collapsed=\"X \"")),
         "status ok\ngrid 3x5\ncells a0|a1|a2|a3|a4|g|h\ncollapsed"},
        {"a collapsed first row is padded once the width is known",
         five_columns(row(cell("g"), "collapsed=\"X\"") + row(cells(4, "b")) + row(cells(4, "c"))),
         "status ok\ngrid 3x4\ncells g|<empty>|<empty>|<empty>|b0|b1|b2|b3|c0|c1|c2|c3\ncollapsed 0"},
        {"a collapsed only row stays as it is", five_columns(row(cell("g"), "collapsed=\"X\"")),
         "status ok\ngrid 1x1\ncells g\ncollapsed 0"},
        {"row numbers are skipped, positions count rows",
         five_columns("<ROWNUMBER>1</ROWNUMBER>" + row(cells(5, "a")) + "<ROWNUMBER>2</ROWNUMBER>" +
                      row(cell("g"), "collapsed=\"X\"")),
         "status ok\ngrid 2x5\ncollapsed 1"},
        {"a row number at the end", five_columns(row(cell("a")) + "<ROWNUMBER>9</ROWNUMBER>"),
         "status fail\nerror No row behind rownumber" + ends({"extract_xmlData_Rows "}) + "\nno area"},
        {"two row numbers", five_columns("<ROWNUMBER/><ROWNUMBER/>" + row(cell("a"))),
         "status fail\nerror Node not equal ROW: ROWNUMBER" + ends({"extract_xmlData_Rows "}) + "\nno area"},
        {"a rows element holds rows only", five_columns("<LINE/>"),
         "status fail\nerror Node not equal ROW: LINE" + ends({"extract_xmlData_Rows "}) + "\nno area"},
        {"the engine refuses the decimal separator", five_columns(row(cell("a"))),
         "status 0x80004001" +
             ends({"getDecimalseparator", "extract_xmlData_Rows "}, static_cast<Status>(0x80004001u)) +
             "\nno area",
         [](RecordingEngine& e) { e.separator_status = static_cast<Status>(0x80004001u); }},
        {"whitespace preserved is a node, xml:space=\"default\" drops it again",
         document_with_areas(wrapped("tbx:TABLE", five_columns_content("<ROW xml:space=\"default\"> " +
                                                                       cell("a") + " </ROW>")) +
                             wrapped("tbx:TABLE", five_columns_content("<ROW xml:space=\"preserve\"> " +
                                                                       cell("b") + "</ROW>"))),
         "status fail\n" + lookup_failure("xml:space") + lookup_failure("xml:space") +
             "error Node not equal CELL: #text" + ends({"extract_xmlData_Cell", "extract_xmlData_Rows "}) +
             "\ncells a"},
        {"whitespace between rows and cells is no node",
         five_columns("\n  " + row("\n    " + cell("a") + "\n    " + cell("b") + "\n  ") + "\n"),
         "status ok\ncells a|b"},

        // Cells: values, decimal marks, the cut and the value attributes.
        {"decimal marks become the separator in number and currency columns",
         typed_row(cell("2.5") + cell("1.5") + cell("2.5") + cell("2.5")), "status ok\ncells 2.5|1,5|2,5|2.5",
         [](RecordingEngine& e) { e.settings.decimalSeparator = u","; }},
        {"a comma becomes the decimal point",
         typed_row(cell("2,5") + cell("1,5") + cell("2,5") + cell("2,5")),
         "status ok\ncells 2,5|1.5|2.5|2,5"},
        {"the first point and the first comma are replaced",
         typed_row(cell("t") + cell("1,234.5") + cell("1.2.3,4,5")), "status ok\ncells t|1,234,5|1,2.3,4,5",
         [](RecordingEngine& e) { e.settings.decimalSeparator = u","; }},
        {"an empty separator removes the marks", typed_row(cell("t") + cell("1,234.5")),
         "status ok\ncells t|12345", [](RecordingEngine& e) { e.settings.decimalSeparator = u""; }},
        {"a separator of two units", typed_row(cell("t") + cell("1,234.5")), "status ok\ncells t|1::234::5",
         [](RecordingEngine& e) { e.settings.decimalSeparator = u"::"; }},
        {"texts are cut to 200 UTF-16 units",
         typed_row(cell(std::string(250, 'x')) + cell(std::string(100000, '9')) + cell(emoji(150))),
         "status ok\ncells " + std::string(200, 'x') + "|" + std::string(200, '9') + "|" + emoji(100)},
        {"the value is the text of the whole cell",
         typed_row("<CELL><NOTE>n</NOTE><VALUE>v<B>b</B></VALUE><X>x</X></CELL>" +
                   cell("<![CDATA[<b>&amp;]]>&amp;&#65;")),
         "status ok\ncells nvbx|<b>&amp;&A"},
        {"whitespace: trimmed values, blank ones empty, one space between elements",
         typed_row("\n    <CELL>\n      <VALUE> pad </VALUE>\n    </CELL>\n    <CELL><VALUE>\n  "
                   "1,5\n</VALUE></CELL>" +
                   cell("   ") + "<CELL><VALUE>a</VALUE>\n  <NOTE>b</NOTE></CELL>"),
         "status ok\ngrid 1x4\ncells pad|1.5||a b"},
        {"whitespace inside a value stays, CDATA keeps its ends",
         typed_row(cell("<![CDATA[ 2.5 ]]>") + cell(" a  b ")), "status ok\ncells  2.5 |a  b"},
        {"a cell without VALUE is empty and takes its position; an empty VALUE is an empty text",
         typed_row("<CELL/><CELL><OTHER>o</OTHER></CELL>" + cell("1.5", "decimals=\"1\"") + cell("")),
         "status ok\ncells <empty>|<empty>|1.5|\nformat 2,0 d1"},
        {"format attributes are recorded with their position",
         typed_rows(row(cell("a") + cell("1.5")) +
                    row(cell("b") + cell("2", "decimals=\"3\"") + cell("7.25", "curr=\"EUR\" name=\"n\"") +
                        cell("0815", "istext=\"X\""))),
         "status ok\ncells a|1.5|b|2|7.25|0815\nformat 1,1 d3\nformat 2,1 uEUR\nformat 3,1 text"},
        {"istext: the trimmed text of the VALUE element itself, uncut",
         typed_row(cell(" 0042 ", "istext=\"\"") + cell("<![CDATA[ 7 ]]>", "istext=\"\"") +
                   "<CELL><VALUE istext=\"X\">" + std::string(300, 'z') + "</VALUE><N>9</N></CELL>"),
         "status ok\ncells 0042| 7 |" + std::string(300, 'z') +
             "\nformat 0,0 text\nformat 1,0 text\nformat 2,0 text"},
        {"unit and curr mean the same; references and line breaks in attribute values",
         typed_row(cell("1", "unit=\"KG\" curr=\"&quot;E\nU&apos;&#9;&lt;\"")),
         "status ok\nformat 0,0 u\"E U'\\t<"},
        {"the last value attribute decides the value",
         typed_row(cell("1.5", "attribute01=\"42.5\"") + cell("1.5", "imageid=\"IMG1\" decimals=\"2\"") +
                   cell("1.5", "decimals=\"2\" imageid=\"IMG2\"") + cell("x", "imageid=\"I\" istext=\"\"")),
         "status ok\ncells =42.5|1.5|IMG2|x\nformat 1,0 d2\nformat 2,0 d2\nformat 3,0 text"},
        {"a number attribute is read with a point",
         typed_row(cell("", "attribute01=\"1,5\"") + cell("", "attribute01=\"abc\"")),
         "status ok\ncells =1|=0\nformat"},
        {"refcol and unknown value attributes are reported and skipped",
         typed_row(cell("a", "refcol=\"1\" href=\"h\" imagefirst=\"X\" style=\"s\"")),
         "status ok\nerror getAttributesOfNode_Cell: node name: refcol\n" + lookup_failure("style") +
             "error getAttributesOfNode_Cell: node name: style\ncells a\nformat"},
        {"more cells than columns",
         typed_row(cell("1") + cell("2") + cell("3") + cell("4") + "<CELL/>" + cell("6")),
         "status fail\nerror extract_xmlData_Cell: more cells than columns" +
             ends({"extract_xmlData_Cell", "extract_xmlData_Rows "}) + "\nno area"},
        {"an empty cell beyond the columns",
         typed_row(cell("1") + cell("2") + cell("3") + cell("4") + "<CELL/>"), "status ok\ngrid 1x5"},
        {"cells without columns", document_with_table(rows(row(cell("a")))),
         "status fail\nerror extract_xmlData_Cell: more cells than columns" +
             ends({"extract_xmlData_Cell", "extract_xmlData_Rows "}) + "\nno area"},
        {"CDATA sections are nodes of their own", typed_row(cell("a") + "<![CDATA[x]]>"),
         "status fail\nerror Node not equal CELL: #cdata-section" +
             ends({"extract_xmlData_Cell", "extract_xmlData_Rows "}) + "\nno area"},
        {"a row holds cells only", typed_row(cell("a") + "text in a row"),
         "status fail\nerror Node not equal CELL: #text" +
             ends({"extract_xmlData_Cell", "extract_xmlData_Rows "}) + "\nno area"},
    };
    // Documents the DOM refuses, and nesting.
    const std::string whole = "<?xml version=\"1.0\"?>" + typed_row(cell("a") + cell("1.5"));
    const std::string refused = "status fail\nerror refused at load\nno area";
    for (std::size_t cut = 40; cut < whole.size(); cut += 7) {
        all.push_back({"a document cut short", whole.substr(0, cut), refused});
    }
    std::string bomb = "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol0 \"lol\">";
    for (int i = 1; i < 10; ++i) {
        bomb += "<!ENTITY lol" + std::to_string(i) + " \"";
        for (int k = 0; k < 10; ++k) {
            bomb += "&lol" + std::to_string(i - 1) + ";";
        }
        bomb += "\">";
    }
    const auto nesting = [](int ignored, int read) {
        return document_with_table("<tbx:DATA>" + nested("D", ignored, " x ") + "</tbx:DATA>" +
                                   text_and_number_columns() + rows(row(cell(nested("D", read, " x ")))));
    };
    const std::vector<Case> more = {
        {"an entity expansion bomb", bomb + "]>" + document_with_table("<NAME>&lol9;</NAME>"), refused},
        {"a second root", document_with_areas("") + "<tbx:BI_BS_XML xmlns:tbx='u'/>", refused},
        {"NUL is no XML character", document_with_table("<NAME>S" + std::string(1, '\0') + "</NAME>"),
         refused},
        {"an open element nested 100000 deep",
         "<?xml version=\"1.0\"?>" + root_open + nested("a", 100000, ""), refused},
        // Wine's MSXML loads a document with an undeclared prefix and names the root without it; real
        // MSXML refuses it at load.
        {"an undeclared prefix", "<tbx:BI_BS_XML><VERSION>2.1</VERSION></tbx:BI_BS_XML>", refused, nullptr,
         "status fail\nerror toplevel node name BI_BS_XML is not equal 'tbx:BI_BS_XML " + not_tbx},
        // Wine's MSXML (libxml2) refuses elements nested deeper than 257 levels; real MSXML has no limit.
        {"nesting within every DOM's limit", nesting(250, 240), "status ok\ncells x"},
        {"deep nesting does not exhaust the stack", nesting(100000, 100000), "status ok\ncells x", nullptr,
         refused},
        {"deeply nested unknown elements", document_with_table(nested("tbx:TABLE", 100000, "")),
         "status fail\n" + lookup_failure("tbx:TABLE") +
             "error extract_xmlData_OneArea: not a valid TBXElement: tbx:TABLE" + ends({}) + "\nno area",
         nullptr, refused},
    };
    all.insert(all.end(), more.begin(), more.end());
    for (const std::string name :
         {"DATAELEMENT", "DOMAIN", "IS_KEYFIGURE", "REFERENCE_FIELD", "REFERENCE_FIELD_TYPE"}) {
        all.push_back({"a column element the document must not carry",
                       document_with_table(columns("<COLUMN><" + name + "/></COLUMN>")),
                       "status fail\nerror : invalid task type: " + name + ends({"extract_xmlData_Column"}) +
                           "\nno area"});
    }
    return all;
}

using Documents = DocumentTest;
VEX_DOCUMENT_TEST_SUITE(Documents);

TEST_P(Documents, EachDocumentGivesItsStatusMessagesAndModel) {
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.name);
        engine = RecordingEngine();
        if (c.setup != nullptr) {
            c.setup(engine);
        }
        const Status status = parse(c.document);
        const auto [actual, expected] =
            compared(outcome(status, trace, engine.areas),
                     GetParam().wine_msxml && !c.wine.empty() ? c.wine : c.outcome);
        EXPECT_EQ(actual, expected);
    }
}

TEST_P(Documents, AParseEntersAndLeavesWithItsStatus) {
    ASSERT_EQ(parse(document_with_table("<NAME>S</NAME>")), status_ok);
    EXPECT_EQ(trace.records.front(), (TraceRecord{TraceRecord::Kind::enter, "parse_xmlData", status_ok}));
    EXPECT_EQ(trace.records.back(), (TraceRecord{TraceRecord::Kind::leave, "parse_xmlData", status_ok}));
}

TEST_P(Documents, TheMinimumVersionIsAParserSettingAndTheTraceMayBeMissing) {
    auto factory = GetParam().make();
    TableParser strict(*factory, engine, &trace, 3.0);
    EXPECT_EQ(strict.minVersion(), 3.0);
    EXPECT_EQ(strict.parse_xmlData(from_utf8(document_with_areas(one_area, "<VERSION>2.5</VERSION>"))),
              status_fail);
    EXPECT_EQ(trace.errors(), (Errors{"Wrong TBX xml version", "parse_xmlTBX "}));
    TableParser untraced(*factory, engine, nullptr);
    EXPECT_EQ(untraced.minVersion(), default_min_version);
    EXPECT_EQ(
        untraced.parse_xmlData(from_utf8(document_with_areas(one_area + "<tbx:TABLE><BOGUS/></tbx:TABLE>"))),
        status_fail);
    EXPECT_EQ(describe(engine.areas), "sheets S");
}

// The messages of a refused document quote its first and last 20 units and 15 from its second tag,
// with the DOM's details after them.
TEST_P(Documents, ALoadFailureQuotesTheTextAndGivesTheDomsDetails) {
    const std::string text = "<?xml version=\"1.0\"?>\n" + root_open +
                             "\n<VERSION>2.1</VERSION>\n<tbx:AREAS></tbx:WRONG>\n" + root_close;
    EXPECT_EQ(parse(text), status_fail);
    Errors errors = trace.errors();
    ASSERT_EQ(errors.size(), 8u);
    EXPECT_EQ(Errors(errors.begin(), errors.begin() + 3),
              (Errors{"first lines xml: <?xml version=\"1.0\"? [0x00000001]",
                      "last lines xml: NG>\n</tbx:BI_BS_XML> [0x00000001]",
                      "loadXML: issuccessful<tbx:BI_BS_XML  [0x00000001]"}));
    EXPECT_EQ(errors[3].rfind("\tReason= ", 0), 0u);
    EXPECT_EQ(errors[4].rfind("\tErrorCode= -", 0), 0u);
    const Errors details(errors.begin() + 5, errors.end());
    if (GetParam().reports_error_position) {
        EXPECT_EQ(details[0], "\tLineNumber= 4 [0x00000000]");
        EXPECT_EQ(details[2], "\tSourceText= <tbx:AREAS></tbx:WRONG> [0x00000000]");
    } else {
        // Wine's MSXML gives no position and no source text; real MSXML gives both, as above.
        EXPECT_EQ(details, (Errors{"\tLineNumber= 0 [0x00000000]", "\tLinePosition= 0 [0x00000000]",
                                   "\tSourceText=  [0x00000000]"}));
    }
}

TEST_P(Documents, ManyAreasAreRenderedOneByOne) {
    std::string areas;
    for (int i = 0; i < 500; ++i) {
        areas += "<tbx:TABLE><NAME>s" + std::to_string(i) + "</NAME></tbx:TABLE>";
    }
    EXPECT_EQ(parse(document_with_areas(areas)), status_ok);
    ASSERT_EQ(engine.areas.size(), 500u);
    EXPECT_EQ(describe(engine.areas.back()), "sheets s499");
}

TEST_P(Documents, UnpairedSurrogatesDoNotCrash) {
    Text text = from_utf8(document_with_table("<NAME>S</NAME>"));
    text.insert(text.find(u"S</NAME>"), 1, static_cast<char16_t>(0xD800));
    const Status status = parse_text(text);
    EXPECT_TRUE(status == status_ok || status == status_fail) << hex(status);
}

// Each kept file is a fuzz input that once crashed or misbehaved: UTF-16LE after a byte order mark,
// else UTF-8.
TEST_P(Documents, KeptFuzzFindingsAndSampleDocumentsParse) {
    for (const auto& entry : std::filesystem::directory_iterator(VEX_TABLECORE_REGRESSIONS)) {
        if (!entry.is_regular_file() || entry.path().extension() == ".md") {
            continue;
        }
        const std::string bytes = file_bytes(entry.path().string());
        Text text;
        if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
            for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
                text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                                     (static_cast<unsigned char>(bytes[i + 1]) << 8)));
            }
        } else {
            text = from_utf8(bytes);
        }
        const Status status = parse_text(text);
        EXPECT_TRUE(status == status_ok || failed(status)) << entry.path();
    }
    std::size_t samples = 0;
    for (const auto& entry : std::filesystem::directory_iterator(VEX_TABLECORE_TEST_DOCUMENTS)) {
        EXPECT_EQ(parse(file_bytes(entry.path().string())), status_ok) << entry.path();
        EXPECT_EQ(trace.errors(), Errors{}) << entry.path();
        EXPECT_FALSE(engine.areas.empty()) << entry.path();
        ++samples;
    }
    EXPECT_GT(samples, 0u);
}

} // namespace
} // namespace vex::table::testing
