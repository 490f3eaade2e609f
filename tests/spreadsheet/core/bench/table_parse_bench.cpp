// Parse benchmark: a generated table document of ROWS x COLUMNS cells (default 50,000 x 20, one
// million cells), parsed to table models through the pugixml adapter, against the bare pugixml load
// and walk of the same UTF-16 text in the same run.
//
//   table_parse_bench [ROWS COLUMNS [REPEATS]]
//
// Memory is counted by the benchmark's own allocation hooks (operator new and pugixml's allocator),
// as the peak of live heap bytes above what was live when the phase started: the input text, which
// both phases share, is not part of either figure.
#include <malloc.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <vector>

#include <pugixml.hpp>

#include "core/table_parser.h"
#include "native/pugixml_dom.h"
#include "table_document_generator.h"

namespace {

std::size_t g_live = 0;
std::size_t g_peak = 0;

void* counted_allocate(std::size_t size) {
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block != nullptr) {
        g_live += malloc_usable_size(block);
        g_peak = std::max(g_peak, g_live);
    }
    return block;
}

void counted_free(void* block) {
    if (block != nullptr) {
        g_live -= malloc_usable_size(block);
        std::free(block);
    }
}

} // namespace

void* operator new(std::size_t size) {
    if (void* block = counted_allocate(size)) {
        return block;
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void operator delete(void* block) noexcept {
    counted_free(block);
}
void operator delete[](void* block) noexcept {
    counted_free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    counted_free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    counted_free(block);
}

namespace {

using namespace vex::table;
using Clock = std::chrono::steady_clock;

struct Measurement {
    double seconds = 0;
    std::size_t peak_bytes = 0;
    std::size_t checksum = 0;
};

template <typename Phase>
Measurement measure(Phase phase) {
    const std::size_t start_live = g_live;
    g_peak = g_live;
    const auto start = Clock::now();
    Measurement m;
    m.checksum = phase();
    m.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    m.peak_bytes = g_peak - start_live;
    return m;
}

// The bare load: pugixml's default parse of the UTF-16 text, then a walk over every node that reads
// its name, value and attributes.
std::size_t bare_load_and_walk(const Text& text) {
    pugi::xml_document document;
    const auto result = document.load_buffer(text.data(), text.size() * sizeof(char16_t), pugi::parse_default,
                                             pugi::encoding_utf16);
    if (!result) {
        std::fprintf(stderr, "bare load failed: %s\n", result.description());
        std::exit(1);
    }
    std::size_t checksum = 0;
    pugi::xml_node node = document.first_child();
    while (node) {
        checksum +=
            std::char_traits<char>::length(node.name()) + std::char_traits<char>::length(node.value());
        for (pugi::xml_attribute attribute = node.first_attribute(); attribute;
             attribute = attribute.next_attribute()) {
            checksum += std::char_traits<char>::length(attribute.value());
        }
        if (node.first_child()) {
            node = node.first_child();
            continue;
        }
        while (node && !node.next_sibling()) {
            node = node.parent();
        }
        if (node) {
            node = node.next_sibling();
        }
    }
    return checksum;
}

class CountingEngine final : public EngineServices {
public:
    Status getDecimalseparator(Text& separator) override {
        separator = u",";
        return status_ok;
    }
    Status getJustifyValues(TextView, std::int32_t& value) override {
        value = -4152;
        return status_ok;
    }
    Status getFormatUnit(std::int32_t, TextView unit, Text& format) override {
        format = Text(u"#0.00;[Red]#0.00;;") + Text(unit);
        return status_ok;
    }
    Status update_TBXToExcel(std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t columnCount,
                             std::int32_t rowCount, const CellValues& cellValues, const CellValues&,
                             const CellValues&, const std::vector<CellFormat>& cellFormats,
                             const std::vector<ColumnFormat>&, const std::vector<Text>&,
                             const std::vector<Colour>&, const std::vector<std::int32_t>&,
                             const std::vector<std::int32_t>&, float, const UnitFormats&,
                             const std::vector<std::int32_t>&) override {
        cells = cellValues.size();
        formats = cellFormats.size();
        rows = rowCount;
        columns = columnCount;
        return status_ok;
    }
    std::size_t cells = 0;
    std::size_t formats = 0;
    std::int32_t rows = 0;
    std::int32_t columns = 0;
};

class SilentTrace final : public TraceSink {
public:
    void enter(TextView) override { ++calls; }
    void leave(TextView, Status) override { ++calls; }
    void error(TextView, Status) override { ++errors; }
    void warning(TextView, Status) override {}
    std::size_t calls = 0;
    std::size_t errors = 0;
};

} // namespace

int main(int argc, char** argv) {
    bench::GeneratorOptions options;
    options.rows = argc > 2 ? std::atoi(argv[1]) : 50000;
    options.columns = argc > 2 ? std::atoi(argv[2]) : 20;
    const int repeats = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;
    pugi::set_memory_management_functions(counted_allocate, counted_free);

    const Text text = from_utf8(bench::generate_table_document(options));
    std::printf("document: %d rows x %d columns, %zu UTF-16 units (%.1f MB as UTF-8)\n", options.rows,
                options.columns, text.size(), static_cast<double>(text.size()) / 1e6);

    std::vector<Measurement> bare;
    std::vector<Measurement> parsed;
    CountingEngine engine;
    SilentTrace trace;
    for (int i = 0; i < repeats; ++i) {
        bare.push_back(measure([&] { return bare_load_and_walk(text); }));
        parsed.push_back(measure([&] {
            native::PugiXmlDomFactory doms;
            TableParser parser(doms, engine, &trace);
            const Status status = parser.parse_xmlData(text);
            if (failed(status) || trace.errors != 0) {
                std::fprintf(stderr, "parse failed: 0x%08X\n", static_cast<unsigned>(status));
                std::exit(1);
            }
            return engine.cells;
        }));
    }
    const auto best = [](std::vector<Measurement> runs) {
        std::sort(runs.begin(), runs.end(),
                  [](const auto& a, const auto& b) { return a.seconds < b.seconds; });
        return runs.front();
    };
    const Measurement b = best(bare);
    const Measurement p = best(parsed);
    std::printf("model: %zu cells, %zu cell formats, %d rows, %d columns\n", engine.cells, engine.formats,
                engine.rows, engine.columns);
    std::printf("bare pugixml load+walk : %7.3f s  peak %7.1f MB\n", b.seconds,
                static_cast<double>(b.peak_bytes) / 1e6);
    std::printf("parse to models        : %7.3f s  peak %7.1f MB\n", p.seconds,
                static_cast<double>(p.peak_bytes) / 1e6);
    std::printf("ratio                  : %7.2fx time   %5.2fx memory (targets 1.5x, 1.5x)\n",
                p.seconds / b.seconds, static_cast<double>(p.peak_bytes) / static_cast<double>(b.peak_bytes));
    std::printf("input text             : %7.1f MB (live in both phases, not counted above)\n",
                static_cast<double>(text.size() * sizeof(char16_t)) / 1e6);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("process peak RSS       : %7.1f MB\n", static_cast<double>(usage.ru_maxrss) / 1e3);
    const bool ok = p.seconds <= 1.5 * b.seconds && p.peak_bytes <= 1.5 * static_cast<double>(b.peak_bytes);
    std::printf("%s\n", ok ? "within targets" : "TARGETS MISSED");
    return ok ? 0 : 1;
}
