// The progress bar of vex-render: a document text that counts what its readers read, and a bar on
// standard error drawn from that count and the cells written.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

#include "core/document_text.h"

namespace vex::render {

class Progress {
public:
    // Draws nothing unless enabled. inputBytes is the size of the document; it is read twice (the
    // check at load and the walk), so the bar counts twice that many units.
    Progress(bool enabled, std::uint64_t inputBytes) : m_enabled(enabled), m_inputBytes(inputBytes) {}

    // Where the number of cells written comes from.
    void count_cells(std::function<std::uint64_t()> cells) { m_cells = std::move(cells); }
    // The document is rendered again from its start.
    void restart();
    void read(std::size_t units);
    // Cells were written.
    void wrote() { draw(false); }
    // Draws the finished bar with the number of cells written and ends its line.
    void finish(std::uint64_t cells);
    // Takes the bar off the line, so that a message takes its place.
    void clear();

private:
    void draw(bool force);

    bool m_enabled;
    std::uint64_t m_inputBytes;
    std::uint64_t m_units = 0;
    int m_pass = 1;
    std::function<std::uint64_t()> m_cells;
    std::chrono::steady_clock::time_point m_drawn{};
    bool m_shown = false;
};

// A document text whose readers tell the progress what they read.
class ProgressText final : public table::DocumentText {
public:
    ProgressText(table::DocumentText& text, Progress& progress) : m_text(text), m_progress(progress) {}

    table::Status open(std::unique_ptr<table::TextReader>& reader) override;
    table::Status tail(std::size_t units, table::Text& out) override { return m_text.tail(units, out); }

private:
    table::DocumentText& m_text;
    Progress& m_progress;
};

} // namespace vex::render
