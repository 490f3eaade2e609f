// vex-render benchmark: a generated table document of 10,000, 100,000 and 1,000,000 cells (20 columns)
// rendered by vex-render into an .xlsx file, against the two bare limits on the same data:
//
//   parse   pugixml loads the file and walks every node: the least reading the text costs
//   write   libxlsxwriter writes the same cells in constant_memory mode (numbers as numbers, texts as
//           strings, a number format and fill per column; the cells are collected before the clock
//           starts): the least writing the file costs
//   render  vex-render INPUT -o OUTPUT, the whole program
//
// Each run is a fresh process; its peak resident set is getrusage's ru_maxrss. Times are the best of
// REPEATS runs. The ratios: render time to parse + write time, render's peak resident set to 64 MB.
//
//   render_xlsx_bench [REPEATS [CELLS...]]
//   render_xlsx_bench --run parse|write FILE OUTPUT    one limit run, as the above starts it
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
#include <xlsxwriter.h>

#include "table_document_generator.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int columns = 20;
constexpr double memory_limit_mb = 64;

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::size_t parse_and_walk(const char* path) {
    pugi::xml_document document;
    if (!document.load_file(path)) {
        std::fprintf(stderr, "parse: the document does not load\n");
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

// The texts of the document's cells, rows of the list, the blocks above and below it, by a plain
// scan of the text.
struct Cells {
    std::vector<std::vector<std::string>> rows;
};

Cells collect_cells(const char* path) {
    std::ifstream in(path, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    Cells cells;
    for (std::size_t at = 0; (at = text.find("<ROW", at)) != std::string::npos; ++at) {
        if (text[at + 4] != '>' && text[at + 4] != ' ') {
            continue; // <ROWNUMBER>
        }
        const std::size_t end = text.find("</ROW>", at);
        std::vector<std::string> row;
        for (std::size_t v = text.find('<', at + 1); v < end; v = text.find('<', v + 1)) {
            if (text.compare(v, 6, "<VALUE") != 0 && text.compare(v, 3, "<C>") != 0) {
                continue;
            }
            const std::size_t start = text.find('>', v) + 1;
            v = text.find('<', start);
            row.emplace_back(text[start - 2] == '/' ? std::string() : text.substr(start, v - start));
            --v;
        }
        cells.rows.push_back(std::move(row));
        at = end;
    }
    return cells;
}

std::size_t write_cells(const Cells& cells, const char* output) {
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook* workbook = workbook_new_opt(output, &options);
    lxw_worksheet* worksheet = workbook_add_worksheet(workbook, "Generated");
    std::vector<lxw_format*> formats;
    for (int c = 0; c < columns; ++c) {
        lxw_format* format = workbook_add_format(workbook);
        format_set_num_format(format, c % 2 == 1 ? "#########0.00" : "@");
        format_set_pattern(format, LXW_PATTERN_SOLID);
        format_set_bg_color(format, 0xFFFFFF);
        formats.push_back(format);
    }
    std::size_t written = 0;
    for (std::size_t r = 0; r < cells.rows.size(); ++r) {
        const auto& row = cells.rows[r];
        for (std::size_t c = 0; c < row.size(); ++c) {
            const char* text = row[c].c_str();
            char* end = nullptr;
            const double number = std::strtod(text, &end);
            lxw_format* format = formats[c % formats.size()];
            const auto at = static_cast<lxw_row_t>(r);
            const auto column = static_cast<lxw_col_t>(c);
            if (*text != 0 && *end == 0) {
                worksheet_write_number(worksheet, at, column, number, format);
            } else {
                worksheet_write_string(worksheet, at, column, text, format);
            }
            ++written;
        }
    }
    if (workbook_close(workbook) != LXW_NO_ERROR) {
        std::fprintf(stderr, "write: the workbook was not written\n");
        std::exit(1);
    }
    return written;
}

// One limit run: prints its seconds.
int run(const std::string& what, const char* file, const char* output) {
    if (what == "parse") {
        const auto start = Clock::now();
        const std::size_t checksum = parse_and_walk(file);
        std::printf("%.6f %zu\n", seconds_since(start), checksum);
        return 0;
    }
    if (what == "write") {
        const Cells cells = collect_cells(file);
        const auto start = Clock::now();
        const std::size_t written = write_cells(cells, output);
        std::printf("%.6f %zu\n", seconds_since(start), written);
        return 0;
    }
    std::fprintf(stderr, "unknown run %s\n", what.c_str());
    return 2;
}

struct Measurement {
    double seconds = 0;
    double rssMb = 0;
};

// Runs program with arguments in a child and measures it: the child's own time when it prints one,
// else the time from start to exit.
Measurement measure(const std::string& program, const std::vector<std::string>& arguments, bool reportsTime) {
    int channel[2];
    if (pipe(channel) != 0) {
        std::perror("pipe");
        std::exit(1);
    }
    const auto start = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        dup2(channel[1], STDOUT_FILENO);
        close(channel[0]);
        close(channel[1]);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
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
    m.seconds = seconds_since(start);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 ||
        (reportsTime && std::sscanf(output, "%lf", &m.seconds) != 1)) {
        std::fprintf(stderr, "%s %s failed\n", program.c_str(),
                     arguments.empty() ? "" : arguments[0].c_str());
        std::exit(1);
    }
    m.rssMb = static_cast<double>(usage.ru_maxrss) / 1024.0;
    return m;
}

Measurement best_of(int repeats, const std::string& program, const std::vector<std::string>& arguments,
                    bool reportsTime) {
    Measurement best;
    for (int i = 0; i < repeats; ++i) {
        const Measurement m = measure(program, arguments, reportsTime);
        best.seconds = i == 0 ? m.seconds : std::min(best.seconds, m.seconds);
        best.rssMb = std::max(best.rssMb, m.rssMb);
    }
    return best;
}

std::string own_directory() {
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    const std::string self(path, n > 0 ? static_cast<std::size_t>(n) : 0);
    return self.substr(0, self.rfind('/'));
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::strcmp(argv[1], "--run") == 0) {
        return run(argv[2], argv[3], argv[4]);
    }
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    std::vector<int> sizes;
    for (int i = 2; i < argc; ++i) {
        sizes.push_back(std::atoi(argv[i]));
    }
    if (sizes.empty()) {
        sizes = {10000, 100000, 1000000};
    }
    const std::string directory = own_directory();
    const std::string self = directory + "/render_xlsx_bench";
    const std::string renderer = directory + "/vex-render";
    if (access(renderer.c_str(), X_OK) != 0) {
        std::fprintf(stderr, "no vex-render next to this program (%s)\n", renderer.c_str());
        return 1;
    }
    const char* temporary = std::getenv("TMPDIR");
    const std::string base = std::string(temporary != nullptr && *temporary != 0 ? temporary : "/tmp") +
                             "/render_xlsx_bench_" + std::to_string(getpid());
    const std::string file = base + ".xml";
    const std::string output = base + ".xlsx";
    std::printf("best of %d runs, each in a fresh process; RSS is the process's peak resident set\n",
                repeats);
    std::printf("%9s  %8s  %15s  %15s  %15s  %10s  %10s\n", "cells", "XML MB", "parse s (RSS)",
                "write s (RSS)", "render s (RSS)", "time ratio", "RSS/64 MB");
    for (const int cells : sizes) {
        vex::table::bench::GeneratorOptions options;
        options.rows = std::max(1, cells / columns);
        options.columns = columns;
        {
            std::ofstream out(file, std::ios::binary);
            out << vex::table::bench::generate_table_document(options);
        }
        std::ifstream in(file, std::ios::binary | std::ios::ate);
        const double fileMb = static_cast<double>(in.tellg()) / 1e6;
        const Measurement parse = best_of(repeats, self, {"--run", "parse", file, output}, true);
        const Measurement write = best_of(repeats, self, {"--run", "write", file, output}, true);
        const Measurement render = best_of(repeats, renderer, {file, "-o", output}, false);
        std::printf("%9d  %8.1f  %7.3f (%5.1f)  %7.3f (%5.1f)  %7.3f (%5.1f)  %9.2fx  %9.2fx\n",
                    options.rows * columns, fileMb, parse.seconds, parse.rssMb, write.seconds, write.rssMb,
                    render.seconds, render.rssMb, render.seconds / (parse.seconds + write.seconds),
                    render.rssMb / memory_limit_mb);
        std::fflush(stdout);
    }
    std::remove(file.c_str());
    std::remove(output.c_str());
    return 0;
}
