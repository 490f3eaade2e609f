// Parse benchmark: a generated table document of ROWS x COLUMNS cells (default 50,000 x 20, one
// million cells), parsed to table models through the pugixml adapter, against the bare pugixml load
// and walk of the same UTF-16 text in the same run.
//
//   table_parse_bench [ROWS COLUMNS [REPEATS]]
//
// Each measurement runs in a child process of its own, so every phase starts from the same fresh
// heap whatever ran before it ("cold"). The same phases are then timed once more inside this
// process, alternating, on a heap that earlier runs have warmed ("warm"); those times depend on what
// ran before and are shown for information. Memory is counted by the benchmark's own allocation hooks
// (operator new and pugixml's allocator), as the peak of live heap bytes above what was live when the phase
// started: the input text, which all phases share, is not part of the figures. The children's peak
// resident sets are shown as well.
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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
    std::size_t max_rss_kb = 0;
};

// Runs phase in a child process and reads its measurement back through a pipe.
template <typename Phase>
Measurement measure(Phase phase) {
    int channel[2];
    if (pipe(channel) != 0) {
        std::perror("pipe");
        std::exit(1);
    }
    const pid_t child = fork();
    if (child < 0) {
        std::perror("fork");
        std::exit(1);
    }
    if (child == 0) {
        close(channel[0]);
        const std::size_t start_live = g_live;
        g_peak = g_live;
        const auto start = Clock::now();
        Measurement m;
        m.checksum = phase();
        m.seconds = std::chrono::duration<double>(Clock::now() - start).count();
        m.peak_bytes = g_peak - start_live;
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        m.max_rss_kb = static_cast<std::size_t>(usage.ru_maxrss);
        const bool written = write(channel[1], &m, sizeof m) == static_cast<ssize_t>(sizeof m);
        _exit(written ? 0 : 1);
    }
    close(channel[1]);
    Measurement m;
    const bool read_all = read(channel[0], &m, sizeof m) == static_cast<ssize_t>(sizeof m);
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!read_all || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "measurement failed\n");
        std::exit(1);
    }
    return m;
}

// Runs phase in this process.
template <typename Phase>
Measurement measure_here(Phase phase) {
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
    Status update_TBXToExcel(const TableModel& area) override {
        cells = area.cellValues.size();
        formats = area.cellFormats.size();
        rows = area.rowCount;
        columns = area.columnCount;
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
    void enter2(TextView) override { ++calls; }
    void leave2(TextView, Status) override { ++calls; }
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
    const int repeats = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    pugi::set_memory_management_functions(counted_allocate, counted_free);

    const Text text = from_utf8(bench::generate_table_document(options));
    std::printf("document: %d rows x %d columns, %zu UTF-16 units (%.1f MB as UTF-8)\n", options.rows,
                options.columns, text.size(), static_cast<double>(text.size()) / 1e6);

    // The parse runs without a trace sink (tracing off) and with one that discards every record.
    CountingEngine engine;
    SilentTrace trace;
    const auto parse = [&](TraceSink* sink) {
        native::PugiXmlDomFactory doms;
        TableParser parser(doms, engine, sink);
        const Status status = parser.parse_xmlData(text);
        if (failed(status) || trace.errors != 0) {
            std::fprintf(stderr, "parse failed: 0x%08X\n", static_cast<unsigned>(status));
            std::exit(1);
        }
        return engine.cells;
    };
    // Once here, for the model's figures and the number of trace records.
    parse(&trace);
    const std::size_t trace_records = trace.calls;

    std::vector<Measurement> bare;
    std::vector<Measurement> parsed;
    std::vector<Measurement> traced;
    for (int i = 0; i < repeats; ++i) {
        bare.push_back(measure([&] { return bare_load_and_walk(text); }));
        parsed.push_back(measure([&] { return parse(nullptr); }));
        traced.push_back(measure([&] { return parse(&trace); }));
    }
    const auto best = [](std::vector<Measurement> runs) {
        std::sort(runs.begin(), runs.end(),
                  [](const auto& a, const auto& b) { return a.seconds < b.seconds; });
        return runs.front();
    };
    const Measurement b = best(bare);
    const Measurement p = best(parsed);
    const Measurement t = best(traced);
    std::vector<Measurement> warm_bare;
    std::vector<Measurement> warm_parsed;
    for (int i = 0; i < repeats; ++i) {
        warm_bare.push_back(measure_here([&] { return bare_load_and_walk(text); }));
        warm_parsed.push_back(measure_here([&] { return parse(nullptr); }));
    }
    const Measurement wb = best(warm_bare);
    const Measurement wp = best(warm_parsed);
    const auto mb = [](std::size_t bytes) { return static_cast<double>(bytes) / 1e6; };
    const auto ratio = [](double a, double b) { return a / b; };
    std::printf("model: %zu cells, %zu cell formats, %d rows, %d columns\n", engine.cells, engine.formats,
                engine.rows, engine.columns);
    std::printf("cold: best of %d runs each, each run in a fresh process\n", repeats);
    std::printf("bare pugixml load+walk  : %6.3f s  heap peak %6.1f MB  RSS %6.1f MB\n", b.seconds,
                mb(b.peak_bytes), static_cast<double>(b.max_rss_kb) / 1e3);
    std::printf("parse to models         : %6.3f s  heap peak %6.1f MB  RSS %6.1f MB\n", p.seconds,
                mb(p.peak_bytes), static_cast<double>(p.max_rss_kb) / 1e3);
    std::printf(
        "parse to models, traced : %6.3f s  heap peak %6.1f MB  RSS %6.1f MB  (%zu records discarded)\n",
        t.seconds, mb(t.peak_bytes), static_cast<double>(t.max_rss_kb) / 1e3, trace_records);
    std::printf("ratio                   : %6.2fx time  %5.2fx heap peak  (targets 1.5x, 1.5x)\n",
                ratio(p.seconds, b.seconds),
                ratio(static_cast<double>(p.peak_bytes), static_cast<double>(b.peak_bytes)));
    std::printf("ratio, traced           : %6.2fx time  %5.2fx heap peak\n", ratio(t.seconds, b.seconds),
                ratio(static_cast<double>(t.peak_bytes), static_cast<double>(b.peak_bytes)));
    std::printf("warm, in one process    : bare %.3f s, parse %.3f s, %.2fx time\n", wb.seconds, wp.seconds,
                ratio(wp.seconds, wb.seconds));
    std::printf("input text              : %6.1f MB, live in all phases, in the RSS, not in the heap peaks\n",
                mb(text.size() * sizeof(char16_t)));
    const bool ok = p.seconds <= 1.5 * b.seconds && p.peak_bytes <= 1.5 * static_cast<double>(b.peak_bytes);
    std::printf("%s\n", ok ? "within targets" : "TARGETS MISSED");
    return ok ? 0 : 1;
}
