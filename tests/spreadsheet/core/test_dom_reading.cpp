// How a DOM adapter presents a document through the port: node names, which text is a node, the
// text of an element, attributes, and what never loads. Every adapter of a build must pass these, so
// that the parser sees a document the same way on every platform: the way MSXML shows it.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/xml_dom.h"
#include "support/document_test.h"

namespace vex::table::testing {
namespace {

using Names = std::vector<std::string>;
using Attributes = std::vector<std::pair<std::string, std::string>>;

class DomReading : public ::testing::TestWithParam<DomAdapter> {
protected:
    void SetUp() override {
        m_factory = GetParam().make();
        ASSERT_EQ(m_factory->create(m_dom), status_ok);
        ASSERT_TRUE(m_dom);
    }
    void TearDown() override {
        // Handles go back before their DOM does.
        m_held.clear();
        m_dom.reset();
        m_factory.reset();
    }

    XmlDom& dom() { return *m_dom; }

    // Loads UTF-8 text; the call itself must succeed whether or not the document loads.
    bool load(std::string_view utf8) {
        m_text.assign(utf8);
        m_looked = false;
        bool loaded = false;
        const Status status = m_dom->load(from_utf8(utf8), loaded);
        EXPECT_TRUE(succeeded(status)) << utf8;
        return loaded;
    }
    LoadError load_error() {
        LoadError error;
        EXPECT_EQ(m_dom->load_error(error), status_ok);
        return error;
    }

    // The document node. A DOM that walks forward only is walked once per load: each further look at
    // the document loads it again.
    NodeHandle document() {
        if (GetParam().forward_only && m_looked) {
            m_held.clear();
            bool loaded = false;
            EXPECT_TRUE(succeeded(m_dom->load(from_utf8(m_text), loaded)));
        }
        m_looked = true;
        NodeHandle node = no_node;
        EXPECT_EQ(m_dom->document(node), status_ok);
        return hold(node);
    }
    // Visits the children of a node in order, as the port presents them, while visit returns true.
    template <typename Visit>
    void each_child(NodeHandle node, Visit visit) {
        NodeHandle child = no_node;
        EXPECT_EQ(m_dom->first_child(node, child), status_ok);
        while (child != no_node && visit(hold(child))) {
            EXPECT_EQ(m_dom->next_sibling(child, child), status_ok);
        }
    }
    // The node reached from the document by child positions.
    NodeHandle at(std::initializer_list<std::size_t> path) {
        NodeHandle node = document();
        for (const std::size_t index : path) {
            NodeHandle found = no_node;
            std::size_t position = 0;
            each_child(node, [&](NodeHandle child) {
                found = position++ == index ? child : no_node;
                return found == no_node;
            });
            if (found == no_node) {
                ADD_FAILURE() << "no child " << index;
                return no_node;
            }
            node = found;
        }
        return node;
    }
    std::string name(NodeHandle node) {
        Text text;
        EXPECT_EQ(m_dom->name(node, text), status_ok);
        return to_utf8(text);
    }
    Names names(NodeHandle node) {
        Names result;
        each_child(node, [&](NodeHandle child) {
            result.push_back(name(child));
            return true;
        });
        return result;
    }
    // The typed value, with "|" marking both ends so that whitespace shows in failures.
    std::string value(NodeHandle node) {
        Text text;
        EXPECT_EQ(m_dom->typed_value(node, text), status_ok);
        return "|" + to_utf8(text) + "|";
    }
    Attributes attributes(NodeHandle node) {
        Attributes result;
        std::int32_t count = -1;
        EXPECT_EQ(m_dom->attribute_count(node, count), status_ok);
        Text name;
        Text value;
        for (std::int32_t i = 0; i < count; ++i) {
            const bool read = m_dom->attribute_name(node, i, name) == status_ok &&
                              m_dom->attribute_value(node, i, value) == status_ok;
            EXPECT_TRUE(read) << "attribute " << i;
            result.emplace_back(read ? to_utf8(name) : "<failed>", read ? to_utf8(value) : "<failed>");
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

    std::unique_ptr<XmlDomFactory> m_factory;
    std::unique_ptr<XmlDom> m_dom;
    std::vector<NodeRef> m_held;
    std::string m_text;
    bool m_looked = false;
};

VEX_DOCUMENT_TEST_SUITE(DomReading);

TEST_P(DomReading, DeclarationCommentsInstructionsAndTextAreNodesWithTheirNames) {
    ASSERT_TRUE(load("<?xml version=\"1.0\"?><!--c--><?pi data?><r xmlns:p=\"u\">t<p:e/><!--d--><![CDATA[x]]>"
                     "<?q?></r>"));
    EXPECT_EQ(name(document()), "#document");
    EXPECT_EQ(names(document()), (Names{"xml", "#comment", "pi", "r"}));
    EXPECT_EQ(names(at({3})), (Names{"#text", "p:e", "#comment", "#cdata-section", "q"}));
}

TEST_P(DomReading, CommentsAndInstructionsGiveTheirTextAsValue) {
    ASSERT_TRUE(load("<r><!-- note --><?pi some data?></r>"));
    EXPECT_EQ(value(at({0, 0})), "| note |");
    EXPECT_EQ(value(at({0, 1})), "|some data|");
    EXPECT_EQ(value(document()), "||"); // the document itself has no value
}

TEST_P(DomReading, WhitespaceOnlyTextIsNoNodeOtherTextIsOneNode) {
    ASSERT_TRUE(
        load("<?xml version=\"1.0\"?>\n<!-- c -->\n<r>\n  <a> x </a>\n\t<b>\r\n</b> <c/>text <d/>\n</r>\n"));
    EXPECT_EQ(names(document()), (Names{"xml", "#comment", "r"}));
    EXPECT_EQ(names(at({2})), (Names{"a", "b", "c", "#text", "d"}));
    EXPECT_EQ(names(at({2, 1})), Names{});
    EXPECT_EQ(names(at({2, 0})), Names{"#text"});
}

TEST_P(DomReading, ElementTextIsTrimmedAtBothEndsAndKeptInside) {
    ASSERT_TRUE(load("<r><a>  two  words \t</a><b>\r\n line one\r\n line two \r\n</b><c>   </c><d/>"
                     "<e>&#32;x&#9;</e></r>"));
    EXPECT_EQ(value(at({0, 0})), "|two  words|");
    EXPECT_EQ(value(at({0, 1})), "|line one\n line two|");
    EXPECT_EQ(value(at({0, 2})), "||");
    EXPECT_EQ(value(at({0, 3})), "||");
    EXPECT_EQ(value(at({0, 4})), "|x|"); // references are read before the ends are cut
}

TEST_P(DomReading, ElementTextJoinsAllDescendantTextInDocumentOrder) {
    ASSERT_TRUE(
        load("<r>a<b>b&amp;<c>&#x41;</c></b><![CDATA[&lt;]]><!--not text--><?pi not text?>d&#10;</r>"));
    EXPECT_EQ(value(at({0})), "|ab&A&lt;d|");
    EXPECT_EQ(value(at({0, 1})), "|b&A|");
}

TEST_P(DomReading, WhitespaceOnlyTextBetweenTextReadsAsOneSpace) {
    ASSERT_TRUE(load("<r><s><a>x</a> \n <b>y</b><!--c-->\t<b>z</b> </s><t>x <b> y </b> z</t>"
                     "<u><a>x </a><b>y</b></u></r>"));
    EXPECT_EQ(value(at({0, 0})), "|x y z|");
    // Whitespace inside text that is not only whitespace stays as it is.
    EXPECT_EQ(value(at({0, 1})), "|x  y  z|");
    EXPECT_EQ(value(at({0, 2})), "|x y|");
}

TEST_P(DomReading, CdataSectionsKeepTheirWhitespace) {
    ASSERT_TRUE(load("<r><a> <![CDATA[ x ]]> </a><b> a <![CDATA[ b ]]> c </b><c><![CDATA[]]></c></r>"));
    EXPECT_EQ(value(at({0, 0})), "| x |");
    EXPECT_EQ(value(at({0, 1})), "|a  b  c|");
    EXPECT_EQ(value(at({0, 2})), "||");
}

TEST_P(DomReading, PreservedWhitespaceIsTextAndIsNotTrimmed) {
    ASSERT_TRUE(load(
        "<r><p xml:space=\"preserve\"> <a> x </a> </p><d xml:space=\"preserve\"><e xml:space=\"default\">"
        " <a> y </a> </e></d></r>"));
    EXPECT_EQ(names(at({0, 0})), (Names{"#text", "a", "#text"}));
    EXPECT_EQ(value(at({0, 0})), "|  x  |");
    EXPECT_EQ(value(at({0, 0, 1})), "| x |");
    // An inner xml:space="default" drops and trims again.
    EXPECT_EQ(names(at({0, 1, 0})), Names{"a"});
    EXPECT_EQ(value(at({0, 1, 0})), "|y|");
}

TEST_P(DomReading, AttributesComeInDocumentOrderWithReferencesRead) {
    ASSERT_TRUE(load("<r z=\"1\" a=\"&quot;2&apos;\" m=\"a&#9;b &lt;\" e=\"\"/>"));
    const NodeHandle r = at({0});
    EXPECT_EQ(attributes(r), (Attributes{{"z", "1"}, {"a", "\"2'"}, {"m", "a\tb <"}, {"e", ""}}));
    // Any order of access gives the same answers.
    Text text;
    EXPECT_EQ(dom().attribute_value(r, 2, text), status_ok);
    EXPECT_EQ(text, u"a\tb <");
    EXPECT_EQ(dom().attribute_name(r, 0, text), status_ok);
    EXPECT_EQ(text, u"z");
    EXPECT_TRUE(failed(dom().attribute_name(r, 4, text)));
    EXPECT_TRUE(failed(dom().attribute_value(r, -1, text)));
}

TEST_P(DomReading, NodesWithoutAttributesHaveNone) {
    ASSERT_TRUE(load("<r>text<!--c--><e/></r>"));
    each_child(at({0}), [&](NodeHandle node) {
        EXPECT_EQ(attributes(node), Attributes{}) << name(node);
        return true;
    });
}

TEST_P(DomReading, NamespaceDeclarationsAreAttributes) {
    ASSERT_TRUE(load("<r xmlns:p=\"urn:p\" z=\"1\" p:q=\"2\"><e xmlns=\"urn:d\" y=\"3\"/></r>"));
    if (GetParam().wine_msxml) {
        // Wine's MSXML lists prefixed declarations after the other attributes; a default declaration
        // counts but cannot be read (E_OUTOFMEMORY). Real MSXML lists every declaration where the
        // document has it, as below.
        EXPECT_EQ(attributes(at({0})), (Attributes{{"z", "1"}, {"p:q", "2"}, {"xmlns:p", "urn:p"}}));
        const NodeHandle e = at({0, 0});
        std::int32_t count = 0;
        EXPECT_EQ(dom().attribute_count(e, count), status_ok);
        EXPECT_EQ(count, 2);
        Text text;
        EXPECT_EQ(dom().attribute_name(e, 0, text), status_ok);
        EXPECT_EQ(text, u"y");
        EXPECT_EQ(dom().attribute_name(e, 1, text), status_out_of_memory);
        return;
    }
    EXPECT_EQ(attributes(at({0})), (Attributes{{"xmlns:p", "urn:p"}, {"z", "1"}, {"p:q", "2"}}));
    EXPECT_EQ(attributes(at({0, 0})), (Attributes{{"xmlns", "urn:d"}, {"y", "3"}}));
}

TEST_P(DomReading, UndeclaredPrefixDoesNotLoad) {
    const std::string text = "<p:r><e>x</e></p:r>";
    if (GetParam().wine_msxml) {
        // Wine's MSXML loads it, drops the prefix from the name and adds an empty declaration.
        // Real MSXML refuses it: "Reference to undeclared namespace prefix".
        ASSERT_TRUE(load(text));
        EXPECT_EQ(name(at({0})), "r");
        EXPECT_EQ(attributes(at({0})), (Attributes{{"xmlns:p", ""}}));
        return;
    }
    EXPECT_FALSE(load(text));
    EXPECT_FALSE(load("<r p:a=\"1\"/>"));
    EXPECT_TRUE(load("<r xml:lang=\"en\"/>")); // the xml prefix needs no declaration
}

TEST_P(DomReading, DoctypeNeverLoads) {
    for (const char* text : {
             "<!DOCTYPE r><r/>",
             "<?xml version=\"1.0\"?><!DOCTYPE r [<!ELEMENT r ANY>]><r/>",
             "<!DOCTYPE r [<!ENTITY e \"expanded\">]><r>&e;</r>",
             "<!DOCTYPE r [<!ENTITY e SYSTEM \"file:///etc/hostname\">]><r>&e;</r>",
             "<!DOCTYPE r SYSTEM \"file:///nonexistent.dtd\"><r/>",
         }) {
        EXPECT_FALSE(load(text)) << text;
        EXPECT_TRUE(failed(load_error().errorCode)) << text;
        EXPECT_EQ(document(), no_node) << text;
    }
}

TEST_P(DomReading, FailedLoadHasErrorDetailsAndNoDocument) {
    EXPECT_FALSE(load("<r><a></r>"));
    const LoadError error = load_error();
    EXPECT_TRUE(failed(error.errorCode));
    EXPECT_FALSE(error.reason.empty());
    if (GetParam().reports_error_position) {
        EXPECT_EQ(error.line, 1);
        EXPECT_GT(error.linePosition, 0);
    } else {
        // Wine's MSXML gives no position; real MSXML does.
        EXPECT_EQ(error.line, 0);
        EXPECT_EQ(error.linePosition, 0);
    }
    EXPECT_EQ(document(), no_node);
}

TEST_P(DomReading, NothingIsThereBeforeALoad) {
    EXPECT_EQ(document(), no_node);
    NodeHandle child = no_node;
    EXPECT_TRUE(failed(dom().first_child(no_node, child)));
    EXPECT_EQ(child, no_node);
}

TEST_P(DomReading, ALaterLoadReplacesTheDocument) {
    ASSERT_TRUE(load("<first/>"));
    EXPECT_FALSE(load("<broken>"));
    EXPECT_EQ(document(), no_node);
    ASSERT_TRUE(load("<second a=\"1\"/>"));
    EXPECT_EQ(names(document()), Names{"second"});
    EXPECT_EQ(attributes(at({0})), (Attributes{{"a", "1"}}));
}

TEST_P(DomReading, NestingOfSomeHundredLevelsIsRead) {
    std::string text;
    for (int i = 0; i < 200; ++i) {
        text += "<d>";
    }
    text += " x ";
    for (int i = 0; i < 200; ++i) {
        text += "</d>";
    }
    ASSERT_TRUE(load(text));
    EXPECT_EQ(value(at({0})), "|x|");
}

} // namespace
} // namespace vex::table::testing
