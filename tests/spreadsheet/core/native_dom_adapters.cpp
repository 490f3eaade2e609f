// The native build runs the document tests against the pugixml adapter and the streaming adapter.
// The streaming adapter runs twice: as configured by default, and reading two units at a time while
// holding nothing for the text of an ancestor, so that the tests pass its read boundaries and the
// pass it makes for such a text; the second reads each document as a stream from a file, a few bytes
// at a time, as the command line reads one.
#include <cstdio>

#include "native/file_text.h"
#include "native/pugixml_dom.h"
#include "native/streaming_dom.h"
#include "support/document_test.h"

namespace vex::table::testing {

Status parse_from_file(TableParser& parser, std::string_view utf8, std::size_t read_size) {
    std::FILE* file = std::tmpfile();
    std::fwrite(utf8.data(), 1, utf8.size(), file);
    std::fflush(file);
    std::rewind(file);
    std::unique_ptr<native::FileText> text;
    Status status = native::FileText::spool(fileno(file), text);
    std::fclose(file);
    if (succeeded(status)) {
        text->set_read_size(read_size);
        status = parser.parse_document(*text);
    }
    return status;
}

std::vector<DomAdapter> dom_adapters() {
    return {
        {"pugixml", [] { return std::make_unique<native::PugiXmlDomFactory>(); }, true, false, {}},
        {"streaming", [] { return std::make_unique<native::StreamingXmlDomFactory>(); }, true, false, {}},
        {"streaming_tight",
         [] {
             return std::make_unique<native::StreamingXmlDomFactory>(native::StreamingOptions{2, 0});
         },
         true, false,
         [](TableParser& parser, std::string_view utf8) { return parse_from_file(parser, utf8, 3); }},
    };
}

} // namespace vex::table::testing
