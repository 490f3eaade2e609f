// The workbook port on libxlsxwriter: an area rendered into a sheet of an .xlsx file, which then holds
// what Excel holds after the same calls.
//
// The renderer's calls come in its order (header, formats, data, colours, merges, frozen columns, top
// and end of list), not row by row, and the file is written in constant_memory mode, which takes rows
// in order only. So the calls of an area are kept, with references to the model's values (valid until
// the rendering returns), and carried out when the area ends (screen_updating_on, the rendering's last
// step): row after row, each row gets the calls that reach it in the order they came, as Excel carried
// them out on its cells; then the row is written. A rendering that fails leaves its calls unwritten.
//
// What Excel does with each call is modelled here: a text put into Value is typed as Excel types an
// entry in the locale, unless the cell's number format at that moment is text; a General cell takes
// the format Excel gives a typed entry; merging keeps the top left value; Columns.AutoFit fits each
// column of the range to the characters its cells show, the last fit of a column counting; Cells.Clear
// keeps column widths and frozen panes. Number formats go to the file in its own (US) form.
//
// Excel overwrites a sheet that a later area names again; a file in constant_memory mode cannot take
// a sheet's rows twice. rewrote_sheet() tells that this happened; superseded_areas() then says which
// areas a later one overwrites, and a second rendering given them (Options::superseded) measures those
// areas for their column widths and frozen panes but writes only the last table of each sheet.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/trace_sink.h"
#include "core/tracing.h"
#include "core/workbook.h"
#include "native/excel_locale.h"
#include "native/excel_number_format.h"

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace vex::table::native {

class XlsxWorkbook final : public Workbook {
public:
    struct Options {
        const ExcelLocale* locale = &english_excel();
        // The year a date typed without one gets.
        int currentYear = 2000;
        // Where libxlsxwriter keeps its temporary files; empty: the system's.
        std::string temporaryDirectory;
        // Areas, by their position in the document, whose table a later area overwrites.
        std::vector<bool> superseded;
        // Called now and then while rows are written (cells_written() tells how far it got).
        std::function<void()> writing;
    };

    // trace (may be null) receives the reason of each failing call before the call returns.
    XlsxWorkbook(Options options, TraceSink* trace);
    ~XlsxWorkbook() override;
    XlsxWorkbook(const XlsxWorkbook&) = delete;
    XlsxWorkbook& operator=(const XlsxWorkbook&) = delete;

    // Starts the file at path (written by close).
    Status open(const std::string& path);
    // Gives the sheets their column widths and frozen panes and writes the file.
    Status close();

    // An area's table went to a sheet an earlier area had written: the file cannot be finished as
    // Excel's workbook would be (areas after that one were checked, not written).
    bool rewrote_sheet() const { return m_rewrote; }
    // For each area rendered, whether a later area's table goes to its sheet.
    std::vector<bool> superseded_areas() const;
    // Cells written to the file so far.
    std::uint64_t cells_written() const { return m_cellsWritten; }

    Status reach_application() override;
    Status reach_sheets() override;
    Status add_sheet(TextView name, bool& found) override;
    Status clear_sheet() override;
    Status reach_cells() override;
    Status write_header(std::int32_t columnCount, const CellRect& rect,
                        const std::vector<ColumnFormat>& columns, const Colour& colour) override;
    Status select_range(const CellRect& rect) override;
    Status format_column(const ColumnFormat& column) override;
    Status format_cell(const ColumnFormat& column, const CellFormat& cell, const UnitFormats& units) override;
    Status write_values(std::int32_t columnCount, std::int32_t rowCount, const CellRect& rect,
                        const CellValues& values) override;
    Status colour_range(const CellRect& rect, const Colour& colour) override;
    Status merge_rows(const std::vector<std::int32_t>& rows, std::int32_t firstColumn,
                      std::int32_t lastColumn, std::int32_t rowOffset) override;
    Status freeze_columns(float count) override;
    Status show_application() override;
    Status screen_updating_on() override;

private:
    struct Sheet {
        Text name;
        Text key; // the name folded for Excel's lookup, which ignores case
        lxw_worksheet* worksheet = nullptr;
        bool written = false;
        std::vector<float> widths; // by column from 1; 0: the standard width
        float frozenColumns = 0;
    };
    // What one area does with its calls.
    enum class Mode { write, measure, check };
    enum class OpKind : std::uint8_t { values, fit, format, align, fill, merge };
    // One call on a range of the current sheet, its rectangle normalised as Excel's Range does.
    struct Op {
        CellRect rect;
        std::uint32_t detail; // values: block; fit: fit; format: area format; align: value; fill: colour
        OpKind kind;
    };
    // The array a Value put carries: the header's titles or a block of cell values.
    struct Block {
        const std::vector<ColumnFormat>* titles = nullptr;
        const CellValues* values = nullptr;
        std::int32_t rows = 0;
        std::int32_t columns = 0;
    };
    struct Fit {
        std::int32_t firstColumn;
        std::vector<std::uint16_t> longest; // characters shown, by column of the range
    };
    enum class ValueKind : std::uint8_t { empty, text, number, formula, error };
    struct CellState {
        std::uint32_t format = 0; // area format; 0: General
        std::uint32_t fill;
        std::int32_t alignment = 0; // 0: none put
        ValueKind kind = ValueKind::empty;
        bool touched = false;
        double number = 0;
        TextView text;
    };

    Status fail(TextView text, Status status = status_fail);
    Status range_of(const CellRect& rect, CellRect& normal);
    void record(OpKind kind, const CellRect& rect, std::uint32_t detail);
    std::uint32_t area_format(TextView format);
    Status put_format(TextView format);
    Status put_values(const CellRect& rect, const Block& block);
    Status put_fill(const CellRect& rect, const Colour& colour);

    Status flush();
    void carry_out(const Op& op, std::int64_t row);
    void put_value(CellState& cell, const CellValue& value);
    std::size_t shown_length(const CellState& cell);
    void merge_in_row(std::int32_t first, std::int32_t last);
    Status write_row(std::int64_t row);
    lxw_format* format_of(const CellState& cell);
    const char* utf8(TextView text);

    Options m_options;
    International m_international;
    Tracing m_trace;
    lxw_workbook* m_workbook = nullptr;
    std::string m_path;
    bool m_rewrote = false;
    std::uint64_t m_cellsWritten = 0;

    std::vector<Sheet> m_sheets;
    std::map<Text, std::size_t> m_sheetByKey;
    std::vector<std::size_t> m_targets; // the sheet of each area's table
    std::optional<std::size_t> m_sheet;
    std::optional<CellRect> m_range;
    std::int64_t m_area = -1;
    Mode m_mode = Mode::write;

    // The current area's calls and what they refer to.
    std::vector<Op> m_ops;
    std::vector<Block> m_blocks;
    std::vector<Fit> m_fits;
    std::vector<Text> m_formats; // area formats by id; 0 is General
    std::map<Text, std::uint32_t> m_formatIds;
    std::vector<std::optional<FormatShape>> m_shapes;
    std::vector<std::int32_t> m_fileFormats; // area format to file format id; -1: not yet known
    std::uint32_t m_textFormat = 0;          // the id of "@"
    std::uint32_t m_entryFormats[10] = {};   // typed entries' formats by EntryFormat; 0: not yet known

    // The row being carried out.
    std::vector<CellState> m_cells;
    std::vector<std::int32_t> m_touched;
    std::vector<std::pair<std::int32_t, std::int32_t>> m_rowMerges;

    // Formats of the file, shared by every sheet.
    std::map<std::string, std::int32_t> m_fileFormatIds;
    std::vector<std::string> m_fileFormatTexts;
    std::unordered_map<std::uint64_t, lxw_format*> m_xlsxFormats;
    std::string m_utf8;
};

} // namespace vex::table::native
