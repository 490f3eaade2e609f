// What a DOM adapter does beyond what the parser shows of it (test_documents.cpp reads node names,
// texts, whitespace and attributes through the parser): attributes in any order, namespace
// declarations, and what never loads. Every adapter of a build must pass these, so that the parser
// sees a document the same way on every platform: the way MSXML shows it.
#include "support/document_test.h"

namespace vex::table::testing {
namespace {

class DomReading : public ::testing::TestWithParam<DomAdapter> {
protected:
    void SetUp() override { ASSERT_EQ(m_factory->create(m_dom), status_ok); }

    XmlDom& dom() { return *m_dom; }
    // Loads UTF-8 text; the call itself must succeed whether or not the document loads.
    bool load(std::string_view utf8) {
        m_held.clear();
        bool loaded = false;
        EXPECT_TRUE(succeeded(m_dom->load(from_utf8(utf8), loaded))) << utf8;
        return loaded;
    }
    NodeHandle document() {
        NodeHandle node = no_node;
        EXPECT_EQ(m_dom->document(node), status_ok);
        return hold(node);
    }
    NodeHandle first(NodeHandle node) {
        NodeHandle child = no_node;
        EXPECT_EQ(m_dom->first_child(node, child), status_ok);
        return hold(child);
    }
    // The name and "name=value" of each attribute in order, separated by spaces.
    std::string element(NodeHandle node) {
        Text name;
        Text value;
        EXPECT_EQ(m_dom->name(node, name), status_ok);
        std::string result = to_utf8(name);
        std::int32_t count = -1;
        EXPECT_EQ(m_dom->attribute_count(node, count), status_ok);
        for (std::int32_t i = 0; i < count; ++i) {
            EXPECT_EQ(m_dom->attribute_name(node, i, name), status_ok);
            EXPECT_EQ(m_dom->attribute_value(node, i, value), status_ok);
            result += " " + to_utf8(name) + "=" + to_utf8(value);
        }
        return result;
    }

private:
    NodeHandle hold(NodeHandle node) {
        if (node != no_node) {
            m_held.emplace_back(*m_dom, node);
        }
        return node;
    }

    std::unique_ptr<XmlDomFactory> m_factory = GetParam().make();
    std::unique_ptr<XmlDom> m_dom;
    std::vector<NodeRef> m_held; // last, so that handles go back before their DOM does
};

VEX_DOCUMENT_TEST_SUITE(DomReading);

TEST_P(DomReading, AttributesAreReadInAnyOrderAndOnlyWhereThere) {
    ASSERT_TRUE(load("<r z=\"1\" a=\"2\" m=\"3\"/>"));
    const NodeHandle r = first(document());
    Text text;
    EXPECT_EQ(dom().attribute_value(r, 2, text), status_ok);
    EXPECT_EQ(text, u"3");
    EXPECT_EQ(dom().attribute_name(r, 0, text), status_ok);
    EXPECT_EQ(text, u"z");
    EXPECT_TRUE(failed(dom().attribute_name(r, 3, text)));
    EXPECT_TRUE(failed(dom().attribute_value(r, -1, text)));
}

TEST_P(DomReading, NamespaceDeclarationsAreAttributes) {
    ASSERT_TRUE(load("<r xmlns:p=\"urn:p\" z=\"1\" p:q=\"2\"><e xmlns=\"urn:d\" y=\"3\"/></r>"));
    const NodeHandle r = first(document());
    if (GetParam().wine_msxml) {
        // Wine's MSXML lists prefixed declarations after the other attributes; a default declaration
        // counts but cannot be read (E_OUTOFMEMORY). Real MSXML lists every declaration where the
        // document has it, as below.
        EXPECT_EQ(element(r), "r z=1 p:q=2 xmlns:p=urn:p");
        std::int32_t count = 0;
        Text text;
        EXPECT_EQ(dom().attribute_count(first(r), count), status_ok);
        EXPECT_EQ(count, 2);
        EXPECT_EQ(dom().attribute_name(first(r), 1, text), status_out_of_memory);
        return;
    }
    EXPECT_EQ(element(r), "r xmlns:p=urn:p z=1 p:q=2");
    EXPECT_EQ(element(first(r)), "e xmlns=urn:d y=3");
}

TEST_P(DomReading, WhatDoesNotLoadHasErrorDetailsAndNoDocument) {
    EXPECT_EQ(document(), no_node); // nothing before a load
    NodeHandle node = no_node;
    Text text;
    std::int32_t count = 0;
    for (const Status status :
         {dom().first_child(no_node, node), dom().next_sibling(no_node, node), dom().name(no_node, text),
          dom().typed_value(no_node, text), dom().attribute_count(no_node, count)}) {
        EXPECT_TRUE(failed(status));
    }
    ASSERT_TRUE(load("<first/>"));
    for (const char* refused : {"<r>\n<a>\xC3\xA9\xC3\xA9</b>\n</r>", "<!DOCTYPE r><r/>",
                                "<?xml version=\"1.0\"?><!DOCTYPE r [<!ELEMENT r ANY>]><r/>",
                                "<!DOCTYPE r [<!ENTITY e \"expanded\">]><r>&e;</r>",
                                "<!DOCTYPE r [<!ENTITY e SYSTEM \"file:///etc/hostname\">]><r>&e;</r>",
                                "<!DOCTYPE r SYSTEM \"file:///nonexistent.dtd\"><r/>"}) {
        SCOPED_TRACE(refused);
        EXPECT_FALSE(load(refused));
        EXPECT_EQ(document(), no_node);
        LoadError error;
        ASSERT_EQ(dom().load_error(error), status_ok);
        EXPECT_TRUE(failed(error.errorCode));
        EXPECT_FALSE(error.reason.empty());
    }
    // The line, position and line of the first fault; Wine's MSXML gives none of them, real MSXML does.
    LoadError error;
    EXPECT_FALSE(load("<r>\n<a>\xC3\xA9\xC3\xA9</b>\n</r>"));
    ASSERT_EQ(dom().load_error(error), status_ok);
    const bool position = GetParam().reports_error_position;
    EXPECT_EQ(error.line, position ? 2 : 0);
    EXPECT_EQ(error.linePosition >= 6 && error.linePosition <= 9, position) << error.linePosition;
    EXPECT_EQ(error.sourceText, position ? u"<a>\u00e9\u00e9</b>" : u"");
    // A later load replaces the document.
    ASSERT_TRUE(load("<second a=\"1\"/>"));
    EXPECT_EQ(element(first(document())), "second a=1");
}

} // namespace
} // namespace vex::table::testing
