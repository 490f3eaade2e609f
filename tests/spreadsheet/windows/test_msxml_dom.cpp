// The MSXML adapter's own concerns: how its document is set up, what it does where MSXML's answers go
// beyond the port (typed data, texts beyond ASCII), and that a document of realistic size is read
// whole, parse after parse, without leaving anything behind.
#include "support/com_test.h"
#include "wine.h"

#include "core/table_parser.h"
#include "support/document_test.h"
#include "table_document_generator.h"
#include "windows/msxml_dom.h"
#include "windows/msxml_guids.h"
#include "windows/text_bstr.h"

#include <psapi.h>

namespace vex::table::windows {
namespace {

using MsxmlDomTest = test::ComTest;

TEST_F(MsxmlDomTest, DocumentIsSetUpToLoadTheTextAsItIs) {
    com::com_ptr<IXMLDOMDocument> document;
    ASSERT_EQ(create_dom_document(document), S_OK);
    for (const auto getter :
         {&IXMLDOMDocument::get_async, &IXMLDOMDocument::get_validateOnParse,
          &IXMLDOMDocument::get_resolveExternals, &IXMLDOMDocument::get_preserveWhiteSpace}) {
        VARIANT_BOOL value = 7;
        EXPECT_EQ((document.get()->*getter)(&value), S_OK);
        EXPECT_EQ(value, VARIANT_FALSE);
    }
    com::com_ptr<IXMLDOMDocument2> settings;
    ASSERT_EQ(document.query_to(iid_xml_dom_document2, settings.put_void()), S_OK);
    com::unique_bstr name(L"ProhibitDTD");
    com::unique_variant value;
    const HRESULT hr = settings->getProperty(name.get(), value.put());
    if (testing::running_under_wine()) {
        // Wine's MSXML accepts ProhibitDTD but keeps no such property. Real MSXML answers true.
        EXPECT_EQ(hr, E_FAIL);
        return;
    }
    ASSERT_EQ(hr, S_OK);
    EXPECT_EQ(value->vt, VT_BOOL);
    EXPECT_EQ(value->boolVal, VARIANT_TRUE);
}

TEST_F(MsxmlDomTest, TypedValuesAndTextsBeyondAsciiComeThroughAsWritten) {
    // MSXML gives typed values (numbers, booleans, dates) for elements with a data type attribute; the
    // core reads texts, so the adapter hands over the text, whatever the locale would make of a number.
    com::com_ptr<IXMLDOMDocument> document;
    ASSERT_EQ(create_dom_document(document), S_OK);
    MsxmlDom dom(std::move(document));
    bool loaded = false;
    ASSERT_EQ(
        dom.load(from_utf8("<r xmlns:dt=\"urn:schemas-microsoft-com:datatypes\"><a dt:dt=\"r8\">1.50</a>"
                           "<b dt:dt=\"int\"> 42 </b><c dt:dt=\"boolean\">1</c><d dt:dt=\"date\">2024-01-31"
                           "</d><e dt:dt=\"bin.hex\">0aff</e><\xC3\xA9l a\xE2\x82\xAC=\"\xF0\x9F\x98\x80\">"
                           "\xE2\x82\xAC \xF0\x9F\x98\x80</\xC3\xA9l></r>"),
                 loaded),
        status_ok);
    ASSERT_TRUE(loaded);
    NodeHandle handle = no_node;
    ASSERT_EQ(dom.document(handle), status_ok);
    NodeRef root(dom, handle);
    ASSERT_EQ(dom.first_child(root.get(), handle), status_ok);
    root.reset(handle);
    ASSERT_EQ(dom.first_child(root.get(), handle), status_ok);
    NodeRef node(dom, handle);
    // MSXML itself gives a number for the first one: the text below is the adapter's doing.
    com::unique_variant typed;
    ASSERT_EQ(reinterpret_cast<IXMLDOMNode*>(node.get())->get_nodeTypedValue(typed.put()), S_OK);
    EXPECT_EQ(typed->vt, VT_R8);
    std::string read;
    Text text;
    const auto add = [&](Status status, const char* separator) {
        EXPECT_EQ(status, status_ok);
        read += to_utf8(text) + separator;
    };
    for (; node; node.reset(handle)) {
        add(dom.name(node.get(), text), "[");
        add(dom.attribute_name(node.get(), 0, text), "=");
        add(dom.attribute_value(node.get(), 0, text), "]=");
        add(dom.typed_value(node.get(), text), ";");
        ASSERT_EQ(dom.next_sibling(node.get(), handle), status_ok);
    }
    EXPECT_EQ(
        read,
        "a[dt:dt=r8]=1.50;b[dt:dt=int]=42;c[dt:dt=boolean]=1;d[dt:dt=date]=2024-01-31;"
        "e[dt:dt=bin.hex]=0aff;\xC3\xA9l[a\xE2\x82\xAC=\xF0\x9F\x98\x80]=\xE2\x82\xAC \xF0\x9F\x98\x80;");
}

TEST_F(MsxmlDomTest, TextConversionsKeepLengthAndEveryUnit) {
    const Text text{u'a', 0, 0xD800, u'z', 0xDFFF};
    com::unique_bstr bstr = to_bstr(text);
    ASSERT_EQ(bstr.length(), 5u);
    EXPECT_EQ(to_text(bstr.get()), text);
    EXPECT_EQ(to_text(nullptr), Text());
    EXPECT_EQ(wide_view(text).size(), 5u);
}

// Memory committed to the process (Wine leaves PrivateUsage at 0; PagefileUsage is the same figure).
SIZE_T committed_bytes() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    EXPECT_TRUE(GetProcessMemoryInfo(
        GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof(counters)));
    return counters.PagefileUsage;
}

TEST_F(MsxmlDomTest, AGeneratedDocumentIsReadWholeAndRepeatedParsesLeaveNothingBehind) {
    bench::GeneratorOptions options;
    options.rows = 400;
    options.columns = 10;
    const Text text = from_utf8(bench::generate_table_document(options));
    MsxmlDomFactory factory;
    const auto parse = [&] {
        testing::RecordingEngine engine;
        testing::RecordingTrace trace;
        EXPECT_EQ(TableParser(factory, engine, &trace).parse_xmlData(text), status_ok);
        EXPECT_EQ(trace.errors(), std::vector<std::string>{});
        return engine.areas;
    };
    const std::vector<TableModel> areas = parse();
    ASSERT_EQ(areas.size(), 1u);
    // Every row and column, the collapsed groups among them padded to the full width.
    EXPECT_EQ(areas.front().rowCount * areas.front().columnCount, 400 * 10);
    EXPECT_EQ(areas.front().cellValues.size(), 400u * 10u);
    // A node, BSTR or document kept by a parse would keep its whole DOM: a few hundred kilobytes each.
    for (int i = 0; i < 4; ++i) {
        parse();
    }
    const SIZE_T before = committed_bytes();
    for (int i = 0; i < 20; ++i) {
        parse();
    }
    EXPECT_LT(committed_bytes(), before + 2 * 1024 * 1024) << before;
}

} // namespace
} // namespace vex::table::windows
