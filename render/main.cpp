// vex-render: a table document rendered into an .xlsx file, laid out as the spreadsheet component
// lays it out in Excel, without Excel. The document is read as a stream; the file is written row by
// row (see spreadsheet/native/xlsx_workbook.h), so memory stays bounded for documents of any size.
//
//   vex-render INPUT.xml -o OUTPUT.xlsx [--locale en|de] [--progress]
//
// Exit status 0 on success, 1 when the document or a file fails, 2 for a wrong command line; every
// failure is one line on standard error, and no output file is left behind.
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <exception>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>

#include "core/table_parser.h"
#include "core/trace_sink.h"
#include "native/excel_locale.h"
#include "native/file_text.h"
#include "native/streaming_dom.h"
#include "native/xlsx_engine.h"
#include "native/xlsx_workbook.h"
#include "progress.h"

namespace {

using namespace vex::table;

constexpr const char* usage = R"(Usage: vex-render INPUT.xml -o OUTPUT.xlsx [--locale en|de] [--progress]

Renders a table document into an .xlsx workbook with the layout the spreadsheet component gives it
in Excel: one sheet per area, top of list, column titles, data and end of list, number formats,
colours, merged collapsed rows, frozen columns and fitted column widths.

  INPUT.xml        the table document; - reads standard input
  -o OUTPUT.xlsx   the workbook to write (replaced only when the rendering succeeds)
  --locale en|de   the Excel whose settings the number formats and the typing of values follow:
                   en US English (default), de German
  --progress       draws a progress bar on standard error (never drawn without it)
  --help           shows this text

Exit status: 0 written, 1 the document or a file failed, 2 wrong command line.
)";

// Keeps the text of the first failing step the parser, the renderer or the workbook traces: the
// innermost step, since a failure is traced where it happens before its callers trace theirs.
class FirstError final : public TraceSink {
public:
    void enter(TextView) override {}
    void leave(TextView, Status) override {}
    void enter2(TextView) override {}
    void leave2(TextView, Status) override {}
    void error(TextView text, Status status) override {
        if (failed(status) && !m_text) {
            m_text = Text(text);
        }
    }
    void warning(TextView, Status) override {}

    const std::optional<Text>& text() const { return m_text; }

private:
    std::optional<Text> m_text;
};

struct CommandLine {
    std::string input;
    std::string output;
    const native::ExcelLocale* locale = &native::english_excel();
    bool progress = false;
    bool help = false;
};

// The command line, or the reason it is wrong.
std::optional<std::string> read_command_line(int argc, char** argv, CommandLine& line) {
    bool haveInput = false;
    bool haveOutput = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        const auto value = [&](std::string_view option, std::string& out) -> std::optional<std::string> {
            if (argument.size() > option.size() && argument.substr(0, option.size()) == option &&
                argument[option.size()] == '=') {
                out = argument.substr(option.size() + 1);
                return std::nullopt;
            }
            if (i + 1 >= argc) {
                return std::string(option) + " needs a value";
            }
            out = argv[++i];
            return std::nullopt;
        };
        if (argument == "--help" || argument == "-h") {
            line.help = true;
        } else if (argument == "--progress") {
            line.progress = true;
        } else if (argument == "-o" || argument.starts_with("--output")) {
            if (auto problem = value(argument == "-o" ? "-o" : "--output", line.output)) {
                return problem;
            }
            if (haveOutput) {
                return "more than one output file";
            }
            haveOutput = true;
        } else if (argument.starts_with("--locale")) {
            std::string name;
            if (auto problem = value("--locale", name)) {
                return problem;
            }
            line.locale = native::excel_locale(name);
            if (line.locale == nullptr) {
                return "unknown locale " + name + " (en or de)";
            }
        } else if (argument.size() > 1 && argument[0] == '-') {
            return "unknown option " + std::string(argument);
        } else if (haveInput) {
            return "more than one input document";
        } else {
            line.input = argument;
            haveInput = true;
        }
    }
    if (line.help) {
        return std::nullopt;
    }
    if (!haveInput) {
        return std::string("no input document");
    }
    if (!haveOutput || line.output.empty()) {
        return std::string("no output file (-o OUTPUT.xlsx)");
    }
    return std::nullopt;
}

// The temporary file the workbook is written to, next to the target so that renaming it there is
// atomic; removed unless committed, on a signal too.
char g_temporary[4096];

extern "C" void remove_temporary(int signal) {
    if (g_temporary[0] != 0) {
        unlink(g_temporary);
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

class OutputFile {
public:
    ~OutputFile() {
        if (!m_committed && g_temporary[0] != 0) {
            unlink(g_temporary);
            g_temporary[0] = 0;
        }
    }

    std::optional<std::string> create(const std::string& target) {
        struct stat info {};
        if (stat(target.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
            return target + " is a directory";
        }
        const std::size_t slash = target.rfind('/');
        const std::string folder = slash == std::string::npos ? "."
                                   : slash == 0               ? "/"
                                                              : target.substr(0, slash);
        const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
        std::string name = folder + "/." + base + ".XXXXXX";
        if (name.size() >= sizeof g_temporary) {
            return target + ": the name is too long";
        }
        std::signal(SIGINT, remove_temporary);
        std::signal(SIGTERM, remove_temporary);
        std::signal(SIGHUP, remove_temporary);
        const int descriptor = mkstemp(name.data());
        if (descriptor < 0) {
            return "cannot write to " + folder + ": " + std::strerror(errno);
        }
        std::memcpy(g_temporary, name.c_str(), name.size() + 1);
        // mkstemp makes the file for its owner only: the workbook gets the usual permissions.
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(descriptor, 0666 & ~mask);
        close(descriptor);
        m_target = target;
        return std::nullopt;
    }
    const char* temporary() const { return g_temporary; }
    std::optional<std::string> commit() {
        if (rename(g_temporary, m_target.c_str()) != 0) {
            return "cannot write " + m_target + ": " + std::strerror(errno);
        }
        m_committed = true;
        g_temporary[0] = 0;
        return std::nullopt;
    }

private:
    std::string m_target;
    bool m_committed = false;
};

// A message on one line: the line breaks and other control characters of quoted input escaped.
std::string one_line(const std::string& message) {
    std::string line;
    for (const char c : message) {
        if (c == '\n') {
            line += "\\n";
        } else if (c == '\r') {
            line += "\\r";
        } else if (c == '\t') {
            line += "\\t";
        } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            line += '?';
        } else {
            line += c;
        }
    }
    return line;
}

int current_year() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local.tm_year + 1900;
}

std::string input_name(const std::string& input) {
    return input == "-" ? "standard input" : input;
}

// Opens the document, or says why it cannot be read.
std::optional<std::string> open_input(const std::string& input, std::unique_ptr<native::FileText>& text) {
    if (input != "-") {
        struct stat info {};
        if (stat(input.c_str(), &info) != 0) {
            return "cannot read " + input + ": " + std::strerror(errno);
        }
        if (S_ISDIR(info.st_mode)) {
            return "cannot read " + input + ": it is a directory";
        }
    }
    const Status status = native::FileText::open_path(input, text);
    if (failed(status)) {
        const char* reason = status == static_cast<Status>(0x80070005u)   ? "permission denied"
                             : status == static_cast<Status>(0x80070002u) ? "no such file"
                                                                          : "reading failed";
        return "cannot read " + input_name(input) + ": " + reason;
    }
    if (text->size_in_bytes() == 0) {
        return input_name(input) + " is empty";
    }
    return std::nullopt;
}

// Renders the document into the temporary file, twice when an area overwrites a sheet an earlier
// one wrote (see XlsxWorkbook::superseded_areas).
std::optional<std::string> render(const CommandLine& line, DocumentText& document, const char* path,
                                  vex::render::Progress& progress, std::uint64_t& cells) {
    native::XlsxWorkbook::Options options;
    options.locale = line.locale;
    options.currentYear = current_year();
    if (const char* directory = std::getenv("TMPDIR"); directory != nullptr && *directory != 0) {
        options.temporaryDirectory = directory;
    }
    options.writing = [&] { progress.wrote(); };
    vex::render::ProgressText text(document, progress);
    for (int pass = 1;; ++pass) {
        FirstError trace;
        native::XlsxWorkbook workbook(options, &trace);
        progress.count_cells([&] { return workbook.cells_written(); });
        Status status = workbook.open(path);
        if (succeeded(status)) {
            native::WorkbookEngine engine(*line.locale, workbook, &trace);
            native::StreamingXmlDomFactory doms;
            TableParser parser(doms, engine, &trace);
            status = parser.parse_document(text);
        }
        if (succeeded(status) && workbook.rewrote_sheet() && pass == 1) {
            options.superseded = workbook.superseded_areas();
            progress.count_cells({});
            progress.restart();
            continue;
        }
        if (succeeded(status)) {
            status = workbook.close();
        }
        cells = workbook.cells_written();
        progress.count_cells({});
        if (failed(status)) {
            char code[16];
            std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(status));
            return input_name(line.input) + ": " +
                   (trace.text() ? to_utf8(*trace.text()) : std::string("rendering failed ") + code);
        }
        return std::nullopt;
    }
}

int run(int argc, char** argv) {
    CommandLine line;
    if (const auto problem = read_command_line(argc, argv, line)) {
        std::fprintf(stderr, "vex-render: %s (vex-render --help shows the usage)\n", problem->c_str());
        return 2;
    }
    if (line.help) {
        std::fputs(usage, stdout);
        return 0;
    }
    const auto fail = [](const std::string& message) {
        std::fprintf(stderr, "vex-render: %s\n", one_line(message).c_str());
        return 1;
    };
    std::unique_ptr<native::FileText> document;
    if (const auto problem = open_input(line.input, document)) {
        return fail(*problem);
    }
    OutputFile output;
    if (const auto problem = output.create(line.output)) {
        return fail(*problem);
    }
    vex::render::Progress progress(line.progress, document->size_in_bytes());
    std::uint64_t cells = 0;
    if (const auto problem = render(line, *document, output.temporary(), progress, cells)) {
        progress.clear();
        return fail(*problem);
    }
    if (const auto problem = output.commit()) {
        progress.clear();
        return fail(*problem);
    }
    progress.finish(cells);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fputs("vex-render: out of memory\n", stderr);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vex-render: %s\n", e.what());
    }
    return 1;
}
