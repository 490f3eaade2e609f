// Hostile and broken input: deep nesting, huge texts, and the kept fuzz findings.
#include "support/document_test.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace vex::table::testing {
namespace {

using BadInput = DocumentTest;
VEX_DOCUMENT_TEST_SUITE(BadInput);

std::string nested(const std::string& name, int depth, const std::string& inner) {
    std::string text;
    text.reserve(static_cast<std::size_t>(depth) * (2 * name.size() + 5) + inner.size());
    for (int i = 0; i < depth; ++i) {
        text += "<" + name + ">";
    }
    text += inner;
    for (int i = 0; i < depth; ++i) {
        text += "</" + name + ">";
    }
    return text;
}

TEST_P(BadInput, DeepNestingInsideIgnoredAndReadElementsDoesNotExhaustTheStack) {
    // Inside an ignored element, and inside a cell whose whole text is read.
    const std::string deep = nested("D", 100000, "x");
    const Status status = parse(
        document_with_table("<tbx:DATA>" + deep + "</tbx:DATA>" + text_and_number_columns() +
                            "<tbx:ROWS><ROW><CELL><VALUE>" + deep + "</VALUE></CELL></ROW></tbx:ROWS>"));
    if (GetParam().wine_msxml) {
        // Wine's MSXML (libxml2) refuses elements nested deeper than 257 levels at load. Real MSXML 3
        // sets no depth limit (MaxElementDepth 0) and loads the document.
        EXPECT_EQ(status, status_fail);
        EXPECT_EQ(trace.errors().at(2).rfind("loadXML: issuccessful", 0), 0u);
        EXPECT_TRUE(engine.areas.empty());
        return;
    }
    EXPECT_EQ(status, status_ok);
    EXPECT_EQ(cell_texts(area().cellValues), std::vector<std::string>{"x"});
}

TEST_P(BadInput, NestingWithinEveryDomsLimitIsReadThrough) {
    const std::string deep = nested("D", 250, " x ");
    EXPECT_EQ(parse(document_with_table("<tbx:DATA>" + deep + "</tbx:DATA>" + text_and_number_columns() +
                                        "<tbx:ROWS><ROW><CELL><VALUE>" + nested("D", 240, " x ") +
                                        "</VALUE></CELL></ROW></tbx:ROWS>")),
              status_ok);
    EXPECT_EQ(cell_texts(area().cellValues), std::vector<std::string>{"x"});
}

TEST_P(BadInput, DeepNestingOfUnknownElementsIsRejectedAtTheFirstLevel) {
    EXPECT_EQ(parse(document_with_table(nested("tbx:TABLE", 100000, ""))), status_fail);
    EXPECT_TRUE(engine.areas.empty());
}

TEST_P(BadInput, UnbalancedDeepNestingFailsToLoad) {
    std::string text = "<?xml version=\"1.0\"?>" + root_open;
    for (int i = 0; i < 100000; ++i) {
        text += "<a>";
    }
    EXPECT_EQ(parse(text), status_fail);
    EXPECT_EQ(trace.errors().at(0).rfind("first lines xml: ", 0), 0u);
}

TEST_P(BadInput, ManyAreasAreRenderedOneByOne) {
    std::string areas;
    for (int i = 0; i < 500; ++i) {
        areas += "<tbx:TABLE><NAME>s" + std::to_string(i) + "</NAME></tbx:TABLE>";
    }
    EXPECT_EQ(parse(document_with_areas(areas)), status_ok);
    ASSERT_EQ(engine.areas.size(), 500u);
    EXPECT_EQ(engine.areas.back().sheetNames, std::vector<Text>{u"s499"});
}

TEST_P(BadInput, NulAndControlCharactersInTheText) {
    Text text = from_utf8(document_with_table("<NAME>S</NAME>"));
    text.insert(text.find(u"S</NAME>"), 1, u'\0');
    EXPECT_EQ(parse_text(text), status_fail); // NUL is no XML character
    EXPECT_TRUE(engine.areas.empty());
}

TEST_P(BadInput, UnpairedSurrogatesDoNotCrash) {
    Text text = from_utf8(document_with_table("<NAME>S</NAME>"));
    text.insert(text.find(u"S</NAME>"), 1, static_cast<char16_t>(0xD800));
    const Status status = parse_text(text);
    EXPECT_TRUE(status == status_ok || status == status_fail);
}

TEST_P(BadInput, KeptFuzzFindingsParseWithoutCrashing) {
    // Each file is a fuzz input that once crashed or misbehaved; see the fuzzer for the format.
    std::size_t replayed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(VEX_TABLECORE_REGRESSIONS)) {
        if (!entry.is_regular_file() || entry.path().extension() == ".md") {
            continue;
        }
        std::ifstream file(entry.path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        Text text;
        if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
            static_cast<unsigned char>(bytes[1]) == 0xFE) {
            for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
                text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                                     (static_cast<unsigned char>(bytes[i + 1]) << 8)));
            }
        } else {
            text = from_utf8(bytes);
        }
        const Status status = parse_text(text);
        EXPECT_TRUE(status == status_ok || failed(status)) << entry.path();
        ++replayed;
    }
    if (replayed == 0) {
        GTEST_SKIP() << "no fuzz findings kept";
    }
}

TEST_P(BadInput, SampleDocumentsParse) {
    std::size_t parsed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(VEX_TABLECORE_TEST_DOCUMENTS)) {
        std::ifstream file(entry.path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        trace.clear();
        engine.areas.clear();
        EXPECT_EQ(parse(bytes), status_ok) << entry.path() << "\n"
                                           << (trace.errors().empty() ? "" : trace.errors().at(0));
        EXPECT_FALSE(engine.areas.empty()) << entry.path();
        ++parsed;
    }
    EXPECT_GT(parsed, 0u);
}

} // namespace
} // namespace vex::table::testing
