// Streaming benchmark: generated documents of 10,000, 100,000 and 1,000,000 cells (20 columns) read
// from a file three ways, each run in a fresh process (the program runs itself), with the time and
// the peak resident set (getrusage's ru_maxrss of that process) of each:
//
//   bare       pugixml loads the file and walks every node: the least a DOM of the text costs
//   pugixml    the parse to table models through the pugixml adapter, the file read into UTF-16 first
//   streaming  the parse to table models through the streaming adapter, the file read as a stream
//
// The renderer discards each area after noting its size. Times are the best of REPEATS runs.
//
//   table_stream_bench [REPEATS [CELLS...]]
//   table_stream_bench --run bare|pugixml|streaming FILE      one run, as the above starts it
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "core/table_parser.h"
#include "native/file_text.h"
#include "native/pugixml_dom.h"
#include "native/streaming_dom.h"
#include "table_document_generator.h"

namespace {

using namespace vex::table;

constexpr int columns = 20;

// Notes the size of each area and lets it go.
class DiscardingEngine final : public EngineServices {
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
        cells += area.cellValues.size();
        textUnits += area.cellValues.text_units();
        formats += area.cellFormats.size();
        return status_ok;
    }
    std::size_t cells = 0;
    std::size_t textUnits = 0;
    std::size_t formats = 0;
};

std::size_t bare_load_and_walk(const char* path) {
    pugi::xml_document document;
    const pugi::xml_parse_result result = document.load_file(path);
    if (!result) {
        std::fprintf(stderr, "bare load failed: %s\n", result.description());
        std::exit(1);
    }
    std::size_t checksum = 0;
    pugi::xml_node node = document.first_child();
    while (node) {
        checksum += std::strlen(node.name()) + std::strlen(node.value());
        for (pugi::xml_attribute attribute = node.first_attribute(); attribute;
             attribute = attribute.next_attribute()) {
            checksum += std::strlen(attribute.value());
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

// One run: prints seconds, a checksum and the model's cells, text units and cell formats.
int run(const std::string& path, const char* file) {
    DiscardingEngine engine;
    const auto start = std::chrono::steady_clock::now();
    std::size_t checksum = 0;
    Status status = status_ok;
    if (path == "bare") {
        checksum = bare_load_and_walk(file);
    } else if (path == "pugixml") {
        std::ifstream in(file, std::ios::binary);
        const Text text = from_utf8(std::string(std::istreambuf_iterator<char>(in), {}));
        native::PugiXmlDomFactory doms;
        status = TableParser(doms, engine, nullptr).parse_xmlData(text);
    } else if (path == "streaming") {
        std::unique_ptr<native::FileText> text;
        status = native::FileText::open_path(file, text);
        if (succeeded(status)) {
            native::StreamingXmlDomFactory doms;
            status = TableParser(doms, engine, nullptr).parse_document(*text);
        }
    } else {
        std::fprintf(stderr, "unknown path %s\n", path.c_str());
        return 2;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (failed(status)) {
        std::fprintf(stderr, "%s: parse failed: 0x%08X\n", path.c_str(), static_cast<unsigned>(status));
        return 1;
    }
    std::printf("%.6f %zu %zu %zu %zu\n", seconds, checksum + engine.cells, engine.cells, engine.textUnits,
                engine.formats);
    return 0;
}

struct Measurement {
    double seconds = 0;
    double rssMb = 0;
    std::size_t cells = 0;
    std::size_t textUnits = 0;
    std::size_t formats = 0;
};

// Runs this program with --run in a child process and reads its figures and peak resident set.
Measurement measure(const std::string& path, const std::string& file) {
    int channel[2];
    if (pipe(channel) != 0) {
        std::perror("pipe");
        std::exit(1);
    }
    const pid_t child = fork();
    if (child == 0) {
        dup2(channel[1], STDOUT_FILENO);
        close(channel[0]);
        close(channel[1]);
        execl("/proc/self/exe", "table_stream_bench", "--run", path.c_str(), file.c_str(), nullptr);
        _exit(127);
    }
    close(channel[1]);
    char output[256] = {};
    std::size_t used = 0;
    for (ssize_t n = 0; (n = read(channel[0], output + used, sizeof output - 1 - used)) > 0;) {
        used += static_cast<std::size_t>(n);
    }
    close(channel[0]);
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    Measurement m;
    std::size_t checksum = 0;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 ||
        std::sscanf(output, "%lf %zu %zu %zu %zu", &m.seconds, &checksum, &m.cells, &m.textUnits,
                    &m.formats) != 5) {
        std::fprintf(stderr, "the %s run failed\n", path.c_str());
        std::exit(1);
    }
    m.rssMb = static_cast<double>(usage.ru_maxrss) / 1024.0;
    return m;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--run") == 0) {
        return run(argv[2], argv[3]);
    }
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    std::vector<int> sizes;
    for (int i = 2; i < argc; ++i) {
        sizes.push_back(std::atoi(argv[i]));
    }
    if (sizes.empty()) {
        sizes = {10000, 100000, 1000000};
    }
    const char* directory = std::getenv("TMPDIR");
    const std::string file = std::string(directory != nullptr && *directory != 0 ? directory : "/tmp") +
                             "/table_stream_bench_" + std::to_string(getpid()) + ".xml";
    std::printf("best of %d runs, each in a fresh process; RSS is the process's peak resident set\n",
                repeats);
    std::printf("%9s  %-9s  %9s  %9s  %s\n", "cells", "path", "time s", "RSS MB", "");
    for (const int cells : sizes) {
        bench::GeneratorOptions options;
        options.rows = std::max(1, cells / columns);
        options.columns = columns;
        {
            std::ofstream out(file, std::ios::binary);
            out << bench::generate_table_document(options);
        }
        std::ifstream in(file, std::ios::binary | std::ios::ate);
        const double fileMb = static_cast<double>(in.tellg()) / 1e6;
        Measurement bare;
        for (const char* path : {"bare", "pugixml", "streaming"}) {
            Measurement best;
            double rss = 0;
            for (int i = 0; i < repeats; ++i) {
                const Measurement m = measure(path, file);
                rss = std::max(rss, m.rssMb);
                if (i == 0 || m.seconds < best.seconds) {
                    best = m;
                }
            }
            best.rssMb = rss;
            if (std::strcmp(path, "bare") == 0) {
                bare = best;
                std::printf("%9d  %-9s  %9.3f  %9.1f  (file %.1f MB)\n", options.rows * columns, path,
                            best.seconds, best.rssMb, fileMb);
                continue;
            }
            // The model handed to the renderer: 16 bytes per cell, 2 per text unit, the cell formats.
            const double modelMb = static_cast<double>(best.cells * 16 + best.textUnits * 2 +
                                                       best.formats * sizeof(CellFormat)) /
                                   1e6;
            std::printf(
                "%9d  %-9s  %9.3f  %9.1f  (%.2fx bare time; model %.1f MB: %zu cells, %zu text units, "
                "%zu cell formats)\n",
                options.rows * columns, path, best.seconds, best.rssMb, best.seconds / bare.seconds, modelMb,
                best.cells, best.textUnits, best.formats);
        }
    }
    std::remove(file.c_str());
    return 0;
}
