// The pugixml adapter: what it refuses at load, its error details and its cost on hostile input.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "native/pugixml_dom.h"
#include "native/xml_references.h"

namespace vex::table::native {
namespace {

class PugiXmlDomTest : public ::testing::Test {
protected:
    bool load(const std::string& utf8) {
        bool loaded = false;
        EXPECT_TRUE(succeeded(dom.load(from_utf8(utf8), loaded)));
        return loaded;
    }
    NodeHandle document() {
        NodeHandle node = no_node;
        dom.document(node);
        return node;
    }
    NodeHandle first_child(NodeHandle node) {
        NodeHandle child = no_node;
        dom.first_child(node, child);
        return child;
    }

    PugiXmlDom dom;
};

// How the adapter presents names, text and whitespace is tested for every adapter in
// test_dom_reading.cpp; these are the pugixml adapter's own concerns.

TEST_F(PugiXmlDomTest, LineBreaksInAttributeValuesBecomeSpaces) {
    ASSERT_TRUE(load("<r a=\"x\ny\"/>"));
    Text value;
    dom.attribute_value(first_child(document()), 0, value);
    EXPECT_EQ(value, u"x y");
}

TEST_F(PugiXmlDomTest, RefusesWhatMsxmlRefuses) {
    const char* refused[] = {
        "<p:r/>",                          // undeclared element prefix
        "<r><p:e xmlns:q=\"u\"/></r>",     // prefix declared for another name
        "<r xmlns:p=\"u\"><a/></r><p:b/>", // declaration out of scope at the second root
        "<r a:b=\"1\"/>",                  // undeclared attribute prefix
        "<r xmlns:p=\"\"/>",               // empty prefix declaration
        "<a:b:c xmlns:a=\"u\"/>",          // two colons
        "<xmlns:r/>",                      // reserved prefix on an element
        "<!DOCTYPE r><r/>",                // any DOCTYPE
        "<r/><r/>",                        // two roots
        "<r/><?xml version=\"1.0\"?>",     // late declaration
        "<r><?xml version=\"1.0\"?></r>",  // declaration inside an element
        "<r><?XmL x?></r>",                // reserved target
        "<r a=\"1\" a=\"2\"/>",            // duplicate attribute
        "<r a=\"<\"/>",                    // "<" in an attribute value
        "<r>&unknown;</r>",                // undefined entity
        "<r a=\"&#0;\"/>",                 // reference to a non-character
        "<r>&#xD800;</r>",                 // reference to a surrogate
        "<r>& x</r>",                      // bare ampersand
        "<r></s>",                         // mismatched end tag
        "",                                // nothing
        "<?xml version=\"1.0\"?>",         // no element
    };
    for (const char* text : refused) {
        EXPECT_FALSE(load(text)) << text;
        NodeHandle node = 7;
        dom.document(node);
        EXPECT_EQ(node, no_node) << text;
    }
}

TEST_F(PugiXmlDomTest, AcceptsDeclaredPrefixesInScope) {
    EXPECT_TRUE(
        load("<p:r xmlns:p=\"u\"><p:a><p:b q:x=\"1\" xmlns:q=\"v\"/></p:a><q:c xmlns:q=\"w\"/></p:r>"));
    EXPECT_TRUE(load("<r xml:lang=\"de\" xmlns=\"u\"><a/></r>"));
    EXPECT_FALSE(load("<r><a xmlns:q=\"v\"/><q:b/></r>"));
}

TEST_F(PugiXmlDomTest, LoadErrorGivesReasonLinePositionAndSourceLine) {
    ASSERT_FALSE(load("<r>\n<a>\u00e9\u00e9</b>\n</r>"));
    LoadError error;
    ASSERT_EQ(dom.load_error(error), status_ok);
    EXPECT_EQ(error.errorCode, status_fail);
    EXPECT_FALSE(error.reason.empty());
    EXPECT_EQ(error.line, 2);
    EXPECT_EQ(error.sourceText, u"<a>\u00e9\u00e9</b>");
    EXPECT_GE(error.linePosition, 6);
    EXPECT_LE(error.linePosition, 9);

    ASSERT_FALSE(load("<r>\n\n  <p:x/></r>"));
    dom.load_error(error);
    EXPECT_EQ(error.line, 3);
    EXPECT_EQ(error.reason, u"Reference to undeclared namespace prefix.");
}

TEST_F(PugiXmlDomTest, NullHandlesAreRefused) {
    NodeHandle out = no_node;
    Text text;
    std::int32_t count = 0;
    EXPECT_TRUE(failed(dom.first_child(no_node, out)));
    EXPECT_TRUE(failed(dom.next_sibling(no_node, out)));
    EXPECT_TRUE(failed(dom.name(no_node, text)));
    EXPECT_TRUE(failed(dom.typed_value(no_node, text)));
    EXPECT_TRUE(failed(dom.attribute_count(no_node, count)));
}

TEST_F(PugiXmlDomTest, EntityExpansionBombIsRefusedWithoutExpanding) {
    std::string bomb = "<!DOCTYPE r [<!ENTITY a \"" + std::string(1000, 'x') + "\">";
    char previous = 'a';
    for (char name = 'b'; name <= 'k'; ++name, ++previous) {
        bomb += std::string("<!ENTITY ") + name + " \"";
        for (int i = 0; i < 10; ++i) {
            bomb += std::string("&") + previous + ";";
        }
        bomb += "\">";
    }
    bomb += "]><r>&k;</r>";
    EXPECT_FALSE(load(bomb));
    LoadError error;
    dom.load_error(error);
    EXPECT_EQ(error.reason, u"DTD is prohibited.");
}

TEST_F(PugiXmlDomTest, DeepXmlSpaceScopesAreReadInOnePass) {
    // xml:space on the outermost element only, and whitespace on every level below it: a walk that
    // looked up the scope of each piece of text through all its ancestors would take quadratic time.
    constexpr int depth = 50000;
    std::string text = "<p xml:space=\"preserve\">";
    text.reserve(depth * 10);
    for (int i = 0; i < depth; ++i) {
        text += "<d> ";
    }
    text += "x";
    for (int i = 0; i < depth; ++i) {
        text += " </d>";
    }
    text += "</p>";
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(load(text));
    Text value;
    ASSERT_EQ(dom.typed_value(first_child(document()), value), status_ok);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(value.size(), 2 * static_cast<std::size_t>(depth) + 1);
    EXPECT_EQ(value.find_first_not_of(u' '), static_cast<std::size_t>(depth));
    EXPECT_EQ(value[depth], u'x');
}

TEST(XmlReferences, ValidatesAndDecodes) {
    EXPECT_TRUE(references_valid("no references"));
    EXPECT_TRUE(references_valid("&lt;&gt;&amp;&apos;&quot;&#65;&#x1F600;"));
    EXPECT_FALSE(references_valid("&"));
    EXPECT_FALSE(references_valid("&;"));
    EXPECT_FALSE(references_valid("&#;"));
    EXPECT_FALSE(references_valid("&#x;"));
    EXPECT_FALSE(references_valid("&#65x;"));
    EXPECT_FALSE(references_valid("&#X41;"));
    EXPECT_FALSE(references_valid("&#1114112;"));
    EXPECT_FALSE(references_valid("&#999999999999;"));
    Text out;
    append_decoded(out, "a&lt;b&#x1F600;c&#233;");
    EXPECT_EQ(out, (Text{u'a', u'<', u'b', 0xD83D, 0xDE00, u'c', 0xE9}));
}

} // namespace
} // namespace vex::table::native
