// The streaming adapter's own concerns: it refuses to walk back, a document read as a stream is
// checked and quoted as the whole text is, and standard input is read through a spooled file. How it
// presents documents is tested for every adapter by the document tests.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>
#include <thread>

#include "core/table_parser.h"
#include "native/file_text.h"
#include "native/pugixml_dom.h"
#include "native/streaming_dom.h"
#include "support/documents.h"
#include "support/recording_engine.h"
#include "support/recording_trace.h"

namespace vex::table::testing {
namespace {

using native::FileText;
using native::StreamingXmlDom;

// A loaded "<r><a><x/></a><b/></r>" and handles to walk it.
struct Walk {
    Walk() {
        bool loaded = false;
        EXPECT_EQ(dom.load(u"<r><a><x/></a><b/></r>", loaded), status_ok);
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
         [](Walk& w) {
             w.dom.next_sibling(w.a, w.next);
             return w.dom.first_child(w.a, w.next);
         }},
        {"sibling of a passed node",
         [](Walk& w) {
             w.dom.next_sibling(w.a, w.next);
             return w.dom.next_sibling(w.a, w.next);
         }},
        {"text of a passed node",
         [](Walk& w) {
             w.dom.next_sibling(w.a, w.next);
             return w.dom.typed_value(w.a, w.text);
         }},
        {"children asked for twice",
         [](Walk& w) {
             w.dom.first_child(w.a, w.next);
             return w.dom.first_child(w.a, w.next);
         }},
        {"children of an ancestor", [](Walk& w) { return w.dom.first_child(w.document, w.next); }},
        {"name of a node given back",
         [](Walk& w) {
             w.dom.release(w.a);
             return w.dom.name(w.a, w.text);
         }},
        {"attributes after a handle went back twice",
         [](Walk& w) {
             w.dom.release(w.a);
             w.dom.release(w.a);
             std::int32_t count = 0;
             return w.dom.attribute_count(w.r, count);
         }},
        {"node of an earlier load",
         [](Walk& w) {
             bool loaded = false;
             w.dom.load(u"<r><a/></r>", loaded);
             return w.dom.name(w.a, w.text);
         }},
    };
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

struct ParseResult {
    Status status;
    std::vector<TraceRecord> records;
    std::vector<TableModel> areas;
};

ParseResult parse_with(XmlDomFactory& doms, const std::string& utf8) {
    RecordingTrace trace;
    RecordingEngine engine;
    const Status status = TableParser(doms, engine, &trace).parse_xmlData(from_utf8(utf8));
    return {status, trace.records, engine.areas};
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
        const ParseResult expected = parse_with(pugixml, document);
        for (XmlDomFactory* doms :
             {static_cast<XmlDomFactory*>(&streaming), static_cast<XmlDomFactory*>(&tight)}) {
            const ParseResult result = parse_with(*doms, document);
            EXPECT_EQ(result.status, expected.status) << document;
            EXPECT_EQ(result.records, expected.records) << document;
            EXPECT_TRUE(result.areas == expected.areas) << document;
        }
    }
}

// A temporary file holding bytes, removed again.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& bytes) {
        char name[] = "/tmp/vex-test-XXXXXX";
        const int descriptor = mkstemp(name);
        EXPECT_GE(descriptor, 0);
        EXPECT_EQ(write(descriptor, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        close(descriptor);
        m_path = name;
    }
    ~TemporaryFile() { std::remove(m_path.c_str()); }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

std::vector<TraceRecord> parse_records(XmlDomFactory& doms, TextView whole, DocumentText* stream) {
    RecordingTrace trace;
    RecordingEngine engine;
    TableParser parser(doms, engine, &trace);
    if (stream != nullptr) {
        parser.parse_document(*stream);
    } else {
        parser.parse_xmlData(whole);
    }
    return trace.records;
}

TEST(StreamingDom, AStreamIsCheckedAndQuotedAsTheWholeText) {
    const std::string twenty_units = "\xF0\x9F\x98\x80<a>\xC3\xA9\xC3\xA9\xC3\xA9\xE2\x82\xAC\xE2\x82\xAC"
                                     "1234567890";
    const std::string documents[] = {
        "<tbx:BI_BS_XML>aaaaa",                           // 20 units
        twenty_units,                                     // 20 units, 35 bytes
        twenty_units + "x",                               // 21
        std::string(9000, 'x'),                           // no "<", longer than the checks read at once
        "this text has no markup at all",                 //
        "<tbx:BI_BS_XML xmlns:tbx='u'> and no more tags", // no second "<"
        "<tbx:BI_BS_XML xmlns:tbx='u'><a/></tbx:BI_BS_XM>" + std::string(9000, ' '), // no root name after it
        "<a>" + std::string(4086, ' ') + root_open + "</a>", // the root name across pieces of the checks
        "<?xml version=\"1.0\"?>\n" + root_open + "<VERSION>2.1</VERSION><tbx:AREAS>", // malformed
        "\xEF\xBB\xBF" + root_open + "\n<\xE2\x82\xAC\xC3\xA9\xF0\x9F\x98\x80/><a \xFF\xC3>\xE2\x82" +
            root_close +
            "\xE2\x82\xAC\xF0\x9F\x98\x80\xC3\xA9 "
            "\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80\x80\x80\xE2",
        "<?xml version=\"1.0\"?>" + document_with_table("<NAME>S\xC3\xA9</NAME>"),
    };
    native::PugiXmlDomFactory pugixml;
    native::StreamingXmlDomFactory streaming;
    for (const std::string& bytes : documents) {
        const Text whole = from_utf8(bytes);
        const TemporaryFile file(bytes);
        for (XmlDomFactory* doms :
             {static_cast<XmlDomFactory*>(&pugixml), static_cast<XmlDomFactory*>(&streaming)}) {
            const std::vector<TraceRecord> expected = parse_records(*doms, whole, nullptr);
            ASSERT_FALSE(expected.empty());
            for (const std::size_t read_size :
                 {std::size_t{1}, std::size_t{3}, FileText::default_read_size}) {
                std::unique_ptr<FileText> stream;
                ASSERT_EQ(FileText::open_path(file.path(), stream), status_ok);
                stream->set_read_size(read_size);
                EXPECT_EQ(parse_records(*doms, whole, stream.get()), expected)
                    << bytes.substr(0, 60) << " read by " << read_size;
            }
        }
    }
}

TEST(StreamingDom, StandardInputIsSpooledAndReadLikeAFile) {
    // More than a pipe holds, so that the writer waits for the spooling reader.
    std::string rows;
    for (int i = 0; i < 5000; ++i) {
        rows += row(cell("value " + std::to_string(i)));
    }
    const std::string bytes = document_with_table("<NAME>S</NAME><tbx:COLUMNS>" + column("A", "a") +
                                                  "</tbx:COLUMNS><tbx:ROWS>" + rows + "</tbx:ROWS>");
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

    RecordingTrace trace;
    RecordingEngine engine;
    native::StreamingXmlDomFactory streaming;
    EXPECT_EQ(TableParser(streaming, engine, &trace).parse_document(*input), status_ok);
    ASSERT_EQ(engine.areas.size(), 1u);
    EXPECT_EQ(engine.areas[0].cellValues.size(), 5000u);
    EXPECT_EQ(engine.areas[0].cellValues[4999].text(), u"value 4999");
}

} // namespace
} // namespace vex::table::testing
