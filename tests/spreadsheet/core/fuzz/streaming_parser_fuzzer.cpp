// libFuzzer target: the parse of a table document read as a stream through the streaming adapter,
// held against the parse of the whole text through the pugixml adapter.
//
// Input as for table_parser_fuzzer: UTF-16 code units after the bytes FF FE, UTF-8 otherwise. A
// UTF-8 input is read from a file (decoded as it is read), a UTF-16 one from memory; the size of the
// pieces read and how much the adapter holds for an ancestor's text follow from the input.
//
// Both parses must trace the same records and hand over the same areas. A document pugixml's adapter
// refuses must be refused with the same quotes (the error details may differ). The streaming adapter
// may refuse more, where expat finds the XML not well-formed and pugixml lets it pass, but never for
// one of the checks both adapters make on top of XML.
#include <sys/mman.h>
#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "core/table_parser.h"
#include "native/file_text.h"
#include "native/pugixml_dom.h"
#include "native/streaming_dom.h"
#include "support/recording_engine.h"
#include "support/recording_trace.h"

namespace {

using namespace vex::table;
using native::FileText;
using testing::RecordingEngine;
using testing::RecordingTrace;
using testing::TraceRecord;

struct Outcome {
    Status status = status_ok;
    std::vector<TraceRecord> records;
    std::vector<TableModel> areas;
    std::string reason;
    bool refusedAtLoad = false;
};

// The parse's records without the load error details, which differ between the adapters.
Outcome outcome_of(Status status, const RecordingTrace& trace, RecordingEngine& engine) {
    Outcome outcome;
    outcome.status = status;
    outcome.areas = std::move(engine.areas);
    for (const TraceRecord& record : trace.records) {
        const std::string_view text = record.text;
        if (record.kind == TraceRecord::Kind::error && text.substr(0, 9) == "\tReason= ") {
            outcome.reason = text.substr(9);
        }
        if (record.kind == TraceRecord::Kind::error && text.substr(0, 1) == "\t") {
            continue;
        }
        outcome.refusedAtLoad = outcome.refusedAtLoad || text.substr(0, 17) == "first lines xml: ";
        outcome.records.push_back(record);
    }
    return outcome;
}

// Reasons of the checks both adapters make: refusing for one of them where pugixml's adapter accepts
// is a fault.
bool shared_check(const std::string& reason) {
    static const std::array<const char*, 8> reasons = {
        "Reference to undefined entity.",
        "Duplicate attribute.",
        "The XML declaration must be the first node.",
        "DTD is prohibited.",
        "A namespace prefix may not be declared empty.",
        "Invalid qualified name.",
        "Elements may not use the prefix 'xmlns'.",
        "Reference to undeclared namespace prefix.",
    };
    for (const char* shared : reasons) {
        if (reason == shared) {
            return true;
        }
    }
    return false;
}

void print(const char* title, const Outcome& outcome) {
    std::fprintf(stderr, "%s: status 0x%08X, %zu areas, reason \"%s\"\n", title,
                 static_cast<unsigned>(outcome.status), outcome.areas.size(), outcome.reason.c_str());
    for (const TraceRecord& record : outcome.records) {
        if (record.kind != TraceRecord::Kind::enter2 && record.kind != TraceRecord::Kind::leave2) {
            std::fprintf(stderr, "  %d %s 0x%08X\n", static_cast<int>(record.kind), record.text.c_str(),
                         static_cast<unsigned>(record.status));
        }
    }
}

void differ(const char* what, const Outcome& whole, const Outcome& streamed) {
    std::fprintf(stderr, "the streaming parse differs: %s\n", what);
    print("pugixml", whole);
    print("streaming", streamed);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const bool utf16 = size >= 2 && data[0] == 0xFF && data[1] == 0xFE;
    Text text;
    if (utf16) {
        text.resize((size - 2) / 2);
        std::memcpy(text.data(), data + 2, text.size() * sizeof(char16_t));
    } else {
        text = from_utf8(std::string_view(reinterpret_cast<const char*>(data), size));
    }
    std::uint32_t hash = 2166136261u;
    for (std::size_t i = 0; i < size; ++i) {
        hash = (hash ^ data[i]) * 16777619u;
    }
    // One input in four is read in small pieces, which takes longer but passes every boundary.
    const bool small_pieces = hash % 4 == 0;
    native::StreamingOptions options;
    options.readUnits = small_pieces ? 2 + hash / 4 % 61 : 4096;
    options.retainBytes = hash / 244 % 3 == 0 ? 0 : hash / 244 % 3 == 1 ? 600 : 1u << 20;

    RecordingTrace wholeTrace;
    RecordingEngine wholeEngine;
    native::PugiXmlDomFactory pugixml;
    const Status wholeStatus = TableParser(pugixml, wholeEngine, &wholeTrace).parse_xmlData(text);
    const Outcome whole = outcome_of(wholeStatus, wholeTrace, wholeEngine);

    RecordingTrace streamTrace;
    RecordingEngine streamEngine;
    native::StreamingXmlDomFactory streaming(options);
    TableParser parser(streaming, streamEngine, &streamTrace);
    Status streamStatus = status_ok;
    if (utf16) {
        TextViewDocument document(text);
        streamStatus = parser.parse_document(document);
    } else {
        const int file = memfd_create("fuzz-input", MFD_CLOEXEC);
        if (file < 0 || write(file, data, size) != static_cast<ssize_t>(size)) {
            std::abort();
        }
        std::unique_ptr<FileText> document;
        if (failed(FileText::open_path("/proc/self/fd/" + std::to_string(file), document))) {
            std::abort();
        }
        close(file);
        document->set_read_size(small_pieces ? 1 + hash / 4 % 13 : FileText::default_read_size);
        streamStatus = parser.parse_document(*document);
    }
    const Outcome streamed = outcome_of(streamStatus, streamTrace, streamEngine);

    if (!whole.refusedAtLoad && streamed.refusedAtLoad) {
        if (shared_check(streamed.reason)) {
            differ("refused for a check pugixml's adapter passes", whole, streamed);
        }
        return 0;
    }
    if (whole.status != streamed.status) {
        differ("status", whole, streamed);
    }
    if (whole.records != streamed.records) {
        differ("trace", whole, streamed);
    }
    if (whole.areas != streamed.areas) {
        differ("areas", whole, streamed);
    }
    return 0;
}
