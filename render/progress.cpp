// The progress bar on standard error.
#include "progress.h"

#include <algorithm>
#include <cstdio>

namespace vex::render {

namespace {

constexpr int bar_width = 30;
constexpr auto redraw_interval = std::chrono::milliseconds(100);

class CountingReader final : public table::TextReader {
public:
    CountingReader(std::unique_ptr<table::TextReader> reader, Progress& progress)
        : m_reader(std::move(reader)), m_progress(progress) {}

    table::Status read(char16_t* buffer, std::size_t capacity, std::size_t& count) override {
        const table::Status status = m_reader->read(buffer, capacity, count);
        m_progress.read(count);
        return status;
    }

private:
    std::unique_ptr<table::TextReader> m_reader;
    Progress& m_progress;
};

} // namespace

void Progress::restart() {
    m_units = 0;
    ++m_pass;
    draw(true);
}

void Progress::read(std::size_t units) {
    m_units += units;
    draw(false);
}

void Progress::draw(bool force) {
    if (!m_enabled) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (!force && m_shown && now - m_drawn < redraw_interval) {
        return;
    }
    m_drawn = now;
    m_shown = true;
    // Units stand for bytes: exact for ASCII, a little short for other text.
    const double total = 2.0 * static_cast<double>(std::max<std::uint64_t>(m_inputBytes, 1));
    const double done = std::min(1.0, static_cast<double>(m_units) / total);
    const int filled = static_cast<int>(done * bar_width);
    char bar[bar_width + 1];
    std::fill(bar, bar + bar_width, '-');
    std::fill(bar, bar + filled, '#');
    bar[bar_width] = 0;
    std::fprintf(stderr, "\rvex-render: [%s] %3d%%  %.1f MB read, %llu cells written%s", bar,
                 static_cast<int>(done * 100), static_cast<double>(m_units) / 1e6,
                 static_cast<unsigned long long>(m_cells ? m_cells() : 0),
                 m_pass > 1 ? " (second pass)" : "");
    std::fflush(stderr);
}

void Progress::finish(std::uint64_t cells) {
    if (!m_enabled) {
        return;
    }
    m_units = 2 * m_inputBytes;
    m_cells = [cells] { return cells; };
    draw(true);
    std::fputc('\n', stderr);
    m_shown = false;
}

void Progress::clear() {
    if (!m_enabled || !m_shown) {
        return;
    }
    std::fprintf(stderr, "\r%*s\r", 110, "");
    std::fflush(stderr);
    m_shown = false;
}

table::Status ProgressText::open(std::unique_ptr<table::TextReader>& reader) {
    std::unique_ptr<table::TextReader> inner;
    const table::Status status = m_text.open(inner);
    if (table::succeeded(status)) {
        reader = std::make_unique<CountingReader>(std::move(inner), m_progress);
    }
    return status;
}

} // namespace vex::render
