// The native adapters' own concerns: what they refuse at load beyond what every adapter refuses, their
// error details, their cost on hostile input; the streaming adapter's refusal to walk back, a document
// read as a stream checked and quoted as the whole text is, the same reading as pugixml's where the
// two read the text differently, and standard input read through a spooled file.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>

#include "native/file_text.h"
#include "native/pugixml_dom.h"
#include "native/streaming_dom.h"
#include "native/xml_references.h"
#include "support/document_test.h"

namespace vex::table::testing {
namespace {

using native::FileText;
using native::StreamingXmlDom;

class NativeDom : public ::testing::TestWithParam<DomAdapter> {
protected:
    void SetUp() override { ASSERT_EQ(factory->create(dom), status_ok); }
    bool load(const std::string& utf8) {
        bool loaded = false;
        EXPECT_TRUE(succeeded(dom->load(from_utf8(utf8), loaded)));
        return loaded;
    }
    std::unique_ptr<XmlDomFactory> factory = GetParam().make();
    std::unique_ptr<XmlDom> dom;
};
VEX_DOCUMENT_TEST_SUITE(NativeDom);

TEST_P(NativeDom, RefusesWhatMsxmlRefusesAndAcceptsDeclaredPrefixesInScope) {
    const std::pair<const char*, bool> documents[] = {
        {"<p:r/>", false},                          // undeclared element prefix
        {"<r><p:e xmlns:q=\"u\"/></r>", false},     // prefix declared for another name
        {"<r xmlns:p=\"u\"><a/></r><p:b/>", false}, // declaration out of scope at a second root
        {"<r><a xmlns:q=\"v\"/><q:b/></r>", false}, // declaration out of scope after its element
        {"<r a:b=\"1\"/>", false},                  // undeclared attribute prefix
        {"<r xmlns:p=\"\"/>", false},               // empty prefix declaration
        {"<a:b:c xmlns:a=\"u\"/>", false},          // two colons
        {"<xmlns:r/>", false},                      // reserved prefix on an element
        {"<r/><?xml version=\"1.0\"?>", false},     // late declaration
        {"<r><?xml version=\"1.0\"?></r>", false},  // declaration inside an element
        {"<r><?XmL x?></r>", false},                // reserved target
        {"<r a=\"1\" a=\"2\"/>", false},            // duplicate attribute
        {"<r a=\"<\"/>", false},                    // "<" in an attribute value
        {"<r>&unknown;</r>", false},                // undefined entity
        {"<r a=\"&#0;\"/>", false},                 // reference to a non-character
        {"<r>&#xD800;</r>", false},                 // reference to a surrogate
        {"<r>& x</r>", false},                      // bare ampersand
        {"<r></s>", false},                         // mismatched end tag
        {"", false},                                // nothing
        {"<?xml version=\"1.0\"?>", false},         // no element
        {"<p:r xmlns:p=\"u\"><p:a><p:b q:x=\"1\" xmlns:q=\"v\"/></p:a><q:c xmlns:q=\"w\"/></p:r>", true},
        {"<r xml:lang=\"de\" xmlns=\"u\"><a/></r>", true}};
    for (const auto& [text, accepted] : documents) {
        EXPECT_EQ(load(text), accepted) << text;
        NodeHandle node = 7;
        EXPECT_EQ(dom->document(node), status_ok);
        EXPECT_EQ(node != no_node, accepted) << text;
        NodeRef held(*dom, node);
    }
}

// The position of a fault in a line with characters beyond ASCII is checked for every adapter
// (test_dom_reading.cpp); here the line and position of a namespace fault and the reason's words.
TEST_P(NativeDom, LoadErrorsGiveLinePositionAndSourceLine) {
    LoadError error;
    EXPECT_FALSE(load("<r>\n\n  <p:x/></r>"));
    ASSERT_EQ(dom->load_error(error), status_ok);
    EXPECT_EQ(error.errorCode, status_fail);
    EXPECT_EQ(error.line, 3);
    EXPECT_EQ(error.linePosition, 3);
    EXPECT_EQ(error.sourceText, u"  <p:x/></r>");
    EXPECT_EQ(error.reason, u"Reference to undeclared namespace prefix.");
    // An entity expansion bomb is refused without expanding it.
    std::string bomb = "<!DOCTYPE r [<!ENTITY a \"" + std::string(1000, 'x') + "\">";
    for (char name = 'b'; name <= 'k'; ++name) {
        bomb += std::string("<!ENTITY ") + name + " \"";
        for (int i = 0; i < 10; ++i) {
            bomb += std::string("&") + static_cast<char>(name - 1) + ";";
        }
        bomb += "\">";
    }
    EXPECT_FALSE(load(bomb + "]><r>&k;</r>"));
    ASSERT_EQ(dom->load_error(error), status_ok);
    EXPECT_EQ(error.reason, u"DTD is prohibited.");
}

TEST_P(NativeDom, DeepXmlSpaceScopesAreReadInOnePass) {
    // xml:space on the outermost element only, and whitespace on every level below it: a walk that
    // looked up the scope of each piece of text through all its ancestors would take quadratic time.
    constexpr int depth = 50000;
    std::string text = "<p xml:space=\"preserve\">";
    for (int i = 0; i < depth; ++i) {
        text += "<d> ";
    }
    text += "x";
    for (int i = 0; i < depth; ++i) {
        text += " </d>";
    }
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(load(text + "</p>"));
    NodeHandle document = no_node;
    ASSERT_EQ(dom->document(document), status_ok);
    NodeRef held(*dom, document);
    NodeHandle p = no_node;
    ASSERT_EQ(dom->first_child(document, p), status_ok);
    NodeRef heldP(*dom, p);
    Text value;
    ASSERT_EQ(dom->typed_value(p, value), status_ok);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(value, Text(depth, u' ') + u"x" + Text(depth, u' '));
}

TEST(XmlReferences, ValidatesAndDecodes) {
    for (const char* valid : {"no references", "&lt;&gt;&amp;&apos;&quot;&#65;&#x1F600;"}) {
        EXPECT_TRUE(native::references_valid(valid)) << valid;
    }
    for (const char* invalid :
         {"&", "&;", "&#;", "&#x;", "&#65x;", "&#X41;", "&#1114112;", "&#999999999999;"}) {
        EXPECT_FALSE(native::references_valid(invalid)) << invalid;
    }
    Text out;
    native::append_decoded(out, "a&lt;b&#x1F600;c&#233;");
    EXPECT_EQ(out, (Text{u'a', u'<', u'b', 0xD83D, 0xDE00, u'c', 0xE9}));
}

// A loaded "<r><a><x/></a><b/><c/></r>" and handles to walk it.
struct Walk {
    Walk() {
        bool loaded = false;
        EXPECT_EQ(dom.load(u"<r><a><x/></a><b/><c/></r>", loaded), status_ok);
        EXPECT_TRUE(loaded);
        EXPECT_EQ(dom.document(document), status_ok);
        EXPECT_EQ(dom.first_child(document, r), status_ok);
        EXPECT_EQ(dom.first_child(r, a), status_ok);
    }
    StreamingXmlDom dom;
    NodeHandle document = no_node;
    NodeHandle r = no_node;
    NodeHandle a = no_node;
    NodeHandle next = no_node;
    Text text;
};

TEST(StreamingDom, NodesGivenBackOrPassedCannotBeUsedAgain) {
    const std::pair<const char*, std::function<Status(Walk&)>> misuses[] = {
        {"children of a passed sibling",
         [](Walk& w) { return w.dom.next_sibling(w.a, w.next), w.dom.first_child(w.a, w.next); }},
        {"sibling of a passed node",
         [](Walk& w) { return w.dom.next_sibling(w.a, w.next), w.dom.next_sibling(w.a, w.next); }},
        {"text of a passed node",
         [](Walk& w) { return w.dom.next_sibling(w.a, w.next), w.dom.typed_value(w.a, w.text); }},
        {"children asked for twice",
         [](Walk& w) { return w.dom.first_child(w.a, w.next), w.dom.first_child(w.a, w.next); }},
        {"children of a childless node asked for twice",
         [](Walk& w) {
             NodeHandle none = no_node;
             w.dom.next_sibling(w.a, w.next);
             w.dom.first_child(w.next, none);
             return w.dom.first_child(w.next, none);
         }},
        {"children of an ancestor", [](Walk& w) { return w.dom.first_child(w.document, w.next); }},
        {"name of a node given back", [](Walk& w) { return w.dom.release(w.a), w.dom.name(w.a, w.text); }},
        {"attributes after a handle went back twice",
         [](Walk& w) {
             w.dom.release(w.a);
             w.dom.release(w.a);
             std::int32_t count = 0;
             return w.dom.attribute_count(w.r, count);
         }},
        {"node of an earlier load", [](Walk& w) {
             bool loaded = false;
             w.dom.load(u"<r><a/></r>", loaded);
             return w.dom.name(w.a, w.text);
         }}};
    for (const auto& [misuse, call] : misuses) {
        Walk walk;
        ASSERT_NE(walk.a, no_node) << misuse;
        EXPECT_EQ(call(walk), native::status_node_passed) << misuse;
    }
    // What the parser does stays allowed: the text of an ancestor from inside it, and the siblings of
    // an ancestor once its children are done.
    Walk walk;
    EXPECT_EQ(walk.dom.first_child(walk.a, walk.next), status_ok);
    EXPECT_EQ(walk.dom.typed_value(walk.r, walk.text), status_ok);
    EXPECT_EQ(walk.dom.next_sibling(walk.a, walk.next), status_ok);
    EXPECT_EQ(walk.dom.name(walk.next, walk.text), status_ok);
    EXPECT_EQ(walk.text, u"b");
}

struct Outcome {
    Status status;
    std::vector<TraceRecord> records;
    std::vector<TableModel> areas;
    bool operator==(const Outcome&) const = default;
};

Outcome parse_with(XmlDomFactory& doms, const std::string& utf8, DocumentText* stream = nullptr) {
    RecordingTrace trace;
    RecordingEngine engine;
    TableParser parser(doms, engine, &trace);
    const Status status =
        stream != nullptr ? parser.parse_document(*stream) : parser.parse_xmlData(from_utf8(utf8));
    return {status, trace.records, engine.areas};
}

} // namespace

// The document as a stream from a file, read read_size bytes at a time (native_dom_adapters.cpp).
Status parse_from_file(TableParser& parser, std::string_view utf8, std::size_t read_size);

namespace {

void PrintTo(const Outcome& outcome, std::ostream* os) {
    *os << hex(outcome.status) << " " << describe(outcome.areas);
}

TEST(StreamingDom, ReadsWhatThePugixmlAdapterReadsAsItReadsIt) {
    // pugixml's adapter decides on the text as written, where expat reports characters: whitespace
    // written as a reference is a node, xml:space with a reference in its value is neither word, and
    // references it cannot read are refused.
    const std::string cells = "<tbx:ROWS><ROW><CELL><VALUE>a</VALUE></CELL>";
    const std::string documents[] = {
        document_with_table(text_and_number_columns() + cells +
                            "&#32;<CELL><VALUE>1</VALUE></CELL></ROW></tbx:ROWS>"),
        document_with_table(text_and_number_columns() + cells +
                            " \r\n <CELL><VALUE>1</VALUE></CELL></ROW></tbx:ROWS>"),
        document_with_table("<NAME xml:space=\"&#112;reserve\"> <a> x </a> </NAME>"),
        document_with_table("<NAME xml:space=\"preserve\"> <a> x </a> </NAME>"),
        document_with_table("<NAME>&#0000065;</NAME>"),
        document_with_table("<NAME a=\"&#x0000041;\">x</NAME>"),
        document_with_table("<NAME> <![CDATA[ a ]]>&#10;<x/>\t<![CDATA[]]> b<?p x?></NAME>"),
    };
    native::PugiXmlDomFactory pugixml;
    native::StreamingXmlDomFactory streaming;
    native::StreamingXmlDomFactory tight(native::StreamingOptions{2, 0});
    for (const std::string& document : documents) {
        const Outcome expected = parse_with(pugixml, document);
        EXPECT_EQ(parse_with(streaming, document), expected) << document;
        EXPECT_EQ(parse_with(tight, document), expected) << document;
    }
}

// The streaming adapter reads every document of the document tests as a stream; the pugixml adapter
// gets a stream whole.
TEST(StreamingDom, AStreamIsCheckedAndQuotedAsTheWholeText) {
    native::PugiXmlDomFactory pugixml;
    for (const std::string& text :
         {"<?xml version=\"1.0\"?>\n" + root_open + "<VERSION>2.1</VERSION><tbx:AREAS>",
          "<?xml version=\"1.0\"?>" + document_with_table("<NAME>S\xC3\xA9</NAME>")}) {
        for (const std::size_t read_size : {std::size_t{1}, FileText::default_read_size}) {
            Outcome streamed;
            RecordingTrace trace;
            RecordingEngine engine;
            TableParser parser(pugixml, engine, &trace);
            streamed.status = parse_from_file(parser, text, read_size);
            streamed.records = trace.records;
            streamed.areas = engine.areas;
            EXPECT_EQ(streamed, parse_with(pugixml, text)) << text << " read by " << read_size;
        }
    }
}

TEST(StreamingDom, StandardInputIsSpooledAndReadLikeAFile) {
    // More than a pipe holds, so that the writer waits for the spooling reader.
    const std::string bytes = document_with_table("<NAME>" + std::string(100000, 'x') + "</NAME>");
    int channel[2];
    ASSERT_EQ(pipe(channel), 0);
    std::thread writer([&] {
        EXPECT_EQ(write(channel[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        close(channel[1]);
    });
    const int saved_input = dup(STDIN_FILENO);
    dup2(channel[0], STDIN_FILENO);
    close(channel[0]);
    std::unique_ptr<FileText> input;
    const Status opened = FileText::open_path("-", input);
    dup2(saved_input, STDIN_FILENO);
    close(saved_input);
    writer.join();
    ASSERT_EQ(opened, status_ok);
    EXPECT_EQ(input->size_in_bytes(), bytes.size());
    native::StreamingXmlDomFactory streaming;
    const Outcome outcome = parse_with(streaming, bytes, input.get());
    EXPECT_EQ(outcome.status, status_ok);
    EXPECT_EQ(describe(outcome.areas), "sheets " + std::string(100000, 'x'));
}

} // namespace
} // namespace vex::table::testing
