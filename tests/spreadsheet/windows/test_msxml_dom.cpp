// The MSXML adapter's own concerns: how its document is set up, what it does where MSXML's answers go
// beyond the port (typed data, document types), that repeated parses leave nothing behind, and a
// document of realistic size read through it.
#include "support/com_test.h"
#include "wine.h"

#include "core/table_parser.h"
#include "support/recording_engine.h"
#include "support/recording_trace.h"
#include "table_document_generator.h"
#include "windows/msxml_dom.h"
#include "windows/msxml_guids.h"
#include "windows/text_bstr.h"

#include <psapi.h>

namespace vex::table::windows {
namespace {

using test::ComTest;

class MsxmlDomTest : public ComTest {
protected:
    bool load(MsxmlDom& dom, std::string_view utf8) {
        bool loaded = false;
        EXPECT_TRUE(succeeded(dom.load(from_utf8(utf8), loaded))) << utf8;
        return loaded;
    }
    // The typed values of the children of the root element.
    std::vector<Text> root_child_values(MsxmlDom& dom) {
        std::vector<Text> values;
        NodeHandle document = no_node;
        EXPECT_EQ(dom.document(document), status_ok);
        NodeRef documentRef(dom, document);
        NodeHandle root = no_node;
        EXPECT_EQ(dom.first_child(document, root), status_ok);
        NodeRef rootRef(dom, root);
        NodeHandle child = no_node;
        EXPECT_EQ(dom.first_child(root, child), status_ok);
        NodeRef childRef(dom, child);
        while (childRef) {
            Text value;
            EXPECT_EQ(dom.typed_value(childRef.get(), value), status_ok);
            values.push_back(value);
            NodeHandle next = no_node;
            EXPECT_EQ(dom.next_sibling(childRef.get(), next), status_ok);
            childRef.reset(next);
        }
        return values;
    }
    std::unique_ptr<MsxmlDom> make_dom() {
        com::com_ptr<IXMLDOMDocument> document;
        EXPECT_EQ(create_dom_document(document), S_OK);
        return std::make_unique<MsxmlDom>(std::move(document));
    }
};

VARIANT_BOOL flag(HRESULT (STDMETHODCALLTYPE IXMLDOMDocument::*getter)(VARIANT_BOOL*),
                  IXMLDOMDocument* document) {
    VARIANT_BOOL value = 7;
    EXPECT_EQ((document->*getter)(&value), S_OK);
    return value;
}

TEST_F(MsxmlDomTest, DocumentIsSetUpToLoadTheTextAsItIs) {
    com::com_ptr<IXMLDOMDocument> document;
    ASSERT_EQ(create_dom_document(document), S_OK);
    ASSERT_TRUE(document);
    EXPECT_EQ(flag(&IXMLDOMDocument::get_async, document.get()), VARIANT_FALSE);
    EXPECT_EQ(flag(&IXMLDOMDocument::get_validateOnParse, document.get()), VARIANT_FALSE);
    EXPECT_EQ(flag(&IXMLDOMDocument::get_resolveExternals, document.get()), VARIANT_FALSE);
    EXPECT_EQ(flag(&IXMLDOMDocument::get_preserveWhiteSpace, document.get()), VARIANT_FALSE);

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

TEST_F(MsxmlDomTest, DocumentTypeIsRefusedEvenWhereMsxmlParsesIt) {
    const wchar_t* text = L"<!DOCTYPE r [<!ENTITY e \"expanded\">]><r>&e;</r>";
    com::com_ptr<IXMLDOMDocument> document;
    ASSERT_EQ(create_dom_document(document), S_OK);
    com::unique_bstr source{std::wstring_view(text)};
    VARIANT_BOOL successful = 7;
    const HRESULT hr = document->loadXML(source.get(), &successful);
    if (testing::running_under_wine()) {
        // Wine's MSXML ignores ProhibitDTD and loads the document with its document type. Real MSXML
        // refuses it while parsing ("DTD is prohibited"), S_FALSE.
        EXPECT_EQ(hr, S_OK);
        EXPECT_EQ(successful, VARIANT_TRUE);
    } else {
        EXPECT_EQ(hr, S_FALSE);
        EXPECT_EQ(successful, VARIANT_FALSE);
    }

    // The adapter refuses it either way.
    MsxmlDom dom(std::move(document));
    bool loaded = true;
    EXPECT_EQ(dom.load(std::u16string_view(reinterpret_cast<const char16_t*>(text)), loaded), status_false);
    EXPECT_FALSE(loaded);
    LoadError error;
    ASSERT_EQ(dom.load_error(error), status_ok);
    EXPECT_TRUE(failed(error.errorCode));
    EXPECT_FALSE(error.reason.empty());
    NodeHandle node = 1;
    EXPECT_EQ(dom.document(node), status_ok);
    EXPECT_EQ(node, no_node);
}

TEST_F(MsxmlDomTest, DataTypedElementsGiveTheTextAsWritten) {
    // MSXML gives typed values (numbers, booleans, dates) for elements with a data type attribute; the
    // core reads texts, so the adapter hands over the text, whatever the locale would make of a number.
    auto dom = make_dom();
    ASSERT_TRUE(load(*dom,
                     "<r xmlns:dt=\"urn:schemas-microsoft-com:datatypes\"><a dt:dt=\"r8\">1.50</a>"
                     "<b dt:dt=\"int\"> 42 </b><c dt:dt=\"boolean\">1</c><d dt:dt=\"date\">2024-01-31</d>"
                     "<e dt:dt=\"bin.hex\">0aff</e><f>plain</f></r>"));
    EXPECT_EQ(root_child_values(*dom),
              (std::vector<Text>{u"1.50", u"42", u"1", u"2024-01-31", u"0aff", u"plain"}));

    // MSXML itself gives a number for the first one: the text above is the adapter's doing.
    NodeHandle document = no_node;
    ASSERT_EQ(dom->document(document), status_ok);
    NodeRef documentRef(*dom, document);
    com::com_ptr<IXMLDOMNode> first;
    ASSERT_EQ(reinterpret_cast<IXMLDOMNode*>(document)->get_firstChild(first.put()), S_OK);
    com::com_ptr<IXMLDOMNode> a;
    ASSERT_EQ(first->get_firstChild(a.put()), S_OK);
    com::unique_variant typed;
    ASSERT_EQ(a->get_nodeTypedValue(typed.put()), S_OK);
    EXPECT_EQ(typed->vt, VT_R8);
}

TEST_F(MsxmlDomTest, NonAsciiTextsAndNamesComeThroughUnitForUnit) {
    auto dom = make_dom();
    ASSERT_TRUE(load(
        *dom, "<r><\xC3\xA9l\xC3\xA9ment a\xE2\x82\xAC=\"\xF0\x9F\x98\x80\">\xE2\x82\xAC \xF0\x9F\x98\x80"
              "</\xC3\xA9l\xC3\xA9ment></r>"));
    NodeHandle document = no_node;
    ASSERT_EQ(dom->document(document), status_ok);
    NodeRef documentRef(*dom, document);
    NodeHandle root = no_node;
    ASSERT_EQ(dom->first_child(document, root), status_ok);
    NodeRef rootRef(*dom, root);
    NodeHandle element = no_node;
    ASSERT_EQ(dom->first_child(root, element), status_ok);
    NodeRef elementRef(*dom, element);
    Text text;
    ASSERT_EQ(dom->name(element, text), status_ok);
    EXPECT_EQ(text, u"\u00E9l\u00E9ment");
    ASSERT_EQ(dom->typed_value(element, text), status_ok);
    EXPECT_EQ(text, (Text{0x20AC, u' ', 0xD83D, 0xDE00}));
    ASSERT_EQ(dom->attribute_name(element, 0, text), status_ok);
    EXPECT_EQ(text, u"a\u20AC");
    ASSERT_EQ(dom->attribute_value(element, 0, text), status_ok);
    EXPECT_EQ(text, (Text{0xD83D, 0xDE00}));
}

TEST_F(MsxmlDomTest, TextConversionsKeepLengthAndEveryUnit) {
    const Text text{u'a', 0, 0xD800, u'z', 0xDFFF};
    com::unique_bstr bstr = to_bstr(text);
    ASSERT_EQ(bstr.length(), 5u);
    EXPECT_EQ(bstr.get()[1], 0);
    EXPECT_EQ(bstr.get()[2], 0xD800);
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

TEST_F(MsxmlDomTest, RepeatedParsesLeaveNothingBehind) {
    // A node, BSTR or document kept by a parse would keep its whole DOM: a few hundred kilobytes each.
    bench::GeneratorOptions options;
    options.rows = 150;
    options.columns = 8;
    const Text text = from_utf8(bench::generate_table_document(options));
    MsxmlDomFactory factory;
    const auto parse = [&] {
        testing::RecordingEngine engine;
        testing::RecordingTrace trace;
        TableParser parser(factory, engine, &trace);
        EXPECT_EQ(parser.parse_xmlData(text), status_ok);
    };
    for (int i = 0; i < 5; ++i) {
        parse();
    }
    const SIZE_T before = committed_bytes();
    for (int i = 0; i < 30; ++i) {
        parse();
    }
    const SIZE_T after = committed_bytes();
    EXPECT_LT(after, before + 2 * 1024 * 1024) << before << " -> " << after;
}

TEST_F(MsxmlDomTest, GeneratedDocumentIsReadWhole) {
    bench::GeneratorOptions options;
    options.rows = 400;
    options.columns = 10;
    const Text text = from_utf8(bench::generate_table_document(options));
    MsxmlDomFactory factory;
    testing::RecordingEngine engine;
    testing::RecordingTrace trace;
    TableParser parser(factory, engine, &trace);
    ASSERT_EQ(parser.parse_xmlData(text), status_ok)
        << (trace.errors().empty() ? "" : trace.errors().front());
    ASSERT_EQ(engine.areas.size(), 1u);
    const TableModel& model = engine.areas.front();
    EXPECT_EQ(model.rowCount, 400);
    EXPECT_EQ(model.columnCount, 10);
    EXPECT_EQ(model.columns.size(), 10u);
    // Collapsed group rows carry one cell and are padded to the full width.
    EXPECT_EQ(model.cellValues.size(), 400u * 10u);
    // Every 50th row from the second is a collapsed group, every 20th a subtotal of level 1.
    EXPECT_EQ(model.collapsedRows.size(), 8u);
    EXPECT_EQ(model.nestedSubtotalRows.size(), 20u);
    EXPECT_TRUE(model.subtotalRows.empty());
    EXPECT_FALSE(model.cellFormats.empty());
    EXPECT_EQ(model.topRowCount, 2);
    EXPECT_TRUE(trace.errors().empty());
}

} // namespace
} // namespace vex::table::windows
