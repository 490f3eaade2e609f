// The workbook port on libxlsxwriter: calls kept per area, carried out row by row when it ends.
#include "native/xlsx_workbook.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <initializer_list>
#include <cmath>
#include <limits>
#include <numeric>

namespace vex::table::native {

namespace {

constexpr std::int64_t sheet_rows = 1048576;
constexpr std::int64_t sheet_columns = 16384;
// Interior.Color of a cell without fill.
constexpr std::uint32_t no_fill = 0xFFFFFFFFu;
constexpr std::uint32_t largest_colour = 0xFFFFFF;
constexpr std::uint32_t unknown_id = std::numeric_limits<std::uint32_t>::max();

// Excel's horizontal alignments (xlGeneral, xlLeft, xlCenter, xlRight, xlFill, xlJustify,
// xlCenterAcrossSelection, xlDistributed) and libxlsxwriter's for each.
struct Alignment {
    std::int32_t excel;
    std::uint8_t xlsx;
};
constexpr Alignment alignments[] = {
    {1, LXW_ALIGN_NONE},          {-4131, LXW_ALIGN_LEFT},
    {-4108, LXW_ALIGN_CENTER},    {-4152, LXW_ALIGN_RIGHT},
    {5, LXW_ALIGN_FILL},          {-4130, LXW_ALIGN_JUSTIFY},
    {7, LXW_ALIGN_CENTER_ACROSS}, {-4117, LXW_ALIGN_DISTRIBUTED},
};

std::optional<std::size_t> alignment_index(std::int32_t excel) {
    for (std::size_t i = 0; i < std::size(alignments); ++i) {
        if (alignments[i].excel == excel) {
            return i;
        }
    }
    return std::nullopt;
}

// Excel's lookup of sheet names ignores case, beyond ASCII too.
char16_t folded(char16_t c) {
    if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB) ||
        (c >= 0x410 && c <= 0x42F)) {
        return static_cast<char16_t>(c + 0x20);
    }
    if (c >= 0x400 && c <= 0x40F) {
        return static_cast<char16_t>(c + 0x50);
    }
    if (c >= 0x100 && c <= 0x17F && c % 2 == 0 && c != 0x130 && c != 0x138) {
        return static_cast<char16_t>(c + 1);
    }
    return c;
}

Text key_of(TextView name) {
    Text key(name);
    std::transform(key.begin(), key.end(), key.begin(), folded);
    return key;
}

// Why Excel refuses a sheet name, empty when it takes it.
TextView sheet_name_refusal(TextView name) {
    if (name.empty() || name.size() > 31 || name.find_first_of(u":\\/?*[]") != TextView::npos ||
        name.front() == u'\'' || name.back() == u'\'') {
        return u"You typed an invalid name for a sheet or chart: ";
    }
    return {};
}

Text join(std::initializer_list<TextView> pieces) {
    Text text;
    for (const TextView piece : pieces) {
        text.append(piece);
    }
    return text;
}

// "B7"; a column or row outside the sheet in R1C1 form ("R0C7").
Text cell_name(std::int64_t column, std::int64_t row) {
    if (column < 1 || column > sheet_columns || row < 1) {
        return join({u"R", decimal_text(row), u"C", decimal_text(column)});
    }
    Text letters;
    for (std::int64_t c = column; c > 0; c = (c - 1) / 26) {
        letters.insert(letters.begin(), static_cast<char16_t>(u'A' + (c - 1) % 26));
    }
    return letters + decimal_text(row);
}

// Column width Excel's AutoFit gives a column whose widest cell shows that many characters, in widths
// of the standard font's digit (the file adds the cell's margin); 0 keeps the standard width.
float fitted_width(std::size_t characters) {
    return static_cast<float>(std::min<std::size_t>(characters, 255));
}

} // namespace

XlsxWorkbook::XlsxWorkbook(Options options, TraceSink* trace)
    : m_options(std::move(options)), m_international(international_of(*m_options.locale)), m_trace(trace) {}

XlsxWorkbook::~XlsxWorkbook() {
    if (m_workbook != nullptr) {
        lxw_workbook_free(m_workbook);
    }
}

Status XlsxWorkbook::fail(TextView text, Status status) {
    return m_trace.fail(text, status);
}

Status XlsxWorkbook::open(const std::string& path) {
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = m_options.temporaryDirectory.empty() ? nullptr : m_options.temporaryDirectory.data();
    options.use_zip64 = LXW_TRUE;
    m_path = path;
    m_workbook = workbook_new_opt(m_path.c_str(), &options);
    if (m_workbook == nullptr) {
        return fail(u"Cannot start the workbook");
    }
    return status_ok;
}

Status XlsxWorkbook::close() {
    if (m_workbook == nullptr) {
        return fail(u"No workbook to write");
    }
    for (Sheet& sheet : m_sheets) {
        for (std::size_t c = 1; c < sheet.widths.size(); ++c) {
            if (sheet.widths[c] > 0 && worksheet_set_column(sheet.worksheet, static_cast<lxw_col_t>(c - 1),
                                                            static_cast<lxw_col_t>(c - 1), sheet.widths[c],
                                                            nullptr) != LXW_NO_ERROR) {
                return fail(u"Cannot set a column width");
            }
        }
        // Window.SplitColumn is a whole number of columns: Excel rounds what it is given.
        const double frozen = std::nearbyint(static_cast<double>(sheet.frozenColumns));
        if (frozen >= 1) {
            worksheet_freeze_panes(sheet.worksheet, 0,
                                   static_cast<lxw_col_t>(std::min<double>(frozen, sheet_columns - 1)));
        }
    }
    if (!m_targets.empty()) {
        worksheet_activate(m_sheets[m_targets.back()].worksheet);
    }
    lxw_workbook* workbook = m_workbook;
    m_workbook = nullptr;
    const lxw_error error = workbook_close(workbook);
    if (error != LXW_NO_ERROR) {
        return fail(concat(u"Cannot write the workbook: ", from_utf8(lxw_strerror(error))));
    }
    return status_ok;
}

std::vector<bool> XlsxWorkbook::superseded_areas() const {
    std::vector<bool> superseded(m_targets.size(), false);
    std::vector<bool> seen(m_sheets.size(), false);
    for (std::size_t i = m_targets.size(); i-- > 0;) {
        superseded[i] = seen[m_targets[i]];
        seen[m_targets[i]] = true;
    }
    return superseded;
}

// Each rendering starts by reaching the application: a new area begins.
Status XlsxWorkbook::reach_application() {
    ++m_area;
    m_sheet.reset();
    m_range.reset();
    const auto area = static_cast<std::size_t>(m_area);
    m_mode = m_rewrote                                                          ? Mode::check
             : area < m_options.superseded.size() && m_options.superseded[area] ? Mode::measure
                                                                                : Mode::write;
    m_ops.clear();
    m_blocks.clear();
    m_fits.clear();
    m_formats.assign(1, Text());
    m_formatIds.clear();
    m_shapes.assign(1, std::nullopt);
    m_fileFormats.assign(1, -1);
    m_textFormat = unknown_id;
    std::fill(std::begin(m_entryFormats), std::end(m_entryFormats), 0u);
    return m_workbook != nullptr ? status_ok : fail(u"No workbook is open");
}

Status XlsxWorkbook::reach_sheets() {
    return status_ok;
}

Status XlsxWorkbook::add_sheet(TextView name, bool& found) {
    found = false;
    m_range.reset();
    Text key = key_of(name);
    if (const auto it = m_sheetByKey.find(key); it != m_sheetByKey.end()) {
        m_sheet = it->second;
        found = true;
        return status_ok;
    }
    if (const TextView refusal = sheet_name_refusal(name); !refusal.empty()) {
        return fail(concat(refusal, name));
    }
    lxw_worksheet* worksheet = workbook_add_worksheet(m_workbook, utf8(name));
    if (worksheet == nullptr) {
        return fail(concat(u"Cannot add the sheet ", name));
    }
    m_sheetByKey.emplace(key, m_sheets.size());
    m_sheets.push_back(Sheet{Text(name), std::move(key), worksheet, false, {}, 0});
    m_sheet = m_sheets.size() - 1;
    found = true;
    return status_ok;
}

// What Cells.Clear takes away is never written here, but a sheet written already cannot be
// written again.
Status XlsxWorkbook::clear_sheet() {
    if (!m_sheet) {
        return fail(u"No sheet to clear");
    }
    m_targets.push_back(*m_sheet);
    if (m_sheets[*m_sheet].written && m_mode != Mode::check) {
        m_rewrote = true;
        m_mode = Mode::check;
    }
    return status_ok;
}

Status XlsxWorkbook::reach_cells() {
    return m_sheet ? status_ok : fail(u"No sheet to reach the cells of");
}

// Range(Cells(first row, first column), Cells(last row, last column)): both corners on the sheet,
// the rectangle between them whichever way round they are given.
Status XlsxWorkbook::range_of(const CellRect& rect, CellRect& normal) {
    if (!m_sheet) {
        return fail(u"No sheet to define a range on");
    }
    const auto on_sheet = [](std::int64_t column, std::int64_t row) {
        return column >= 1 && column <= sheet_columns && row >= 1 && row <= sheet_rows;
    };
    if (!on_sheet(rect.firstColumn, rect.firstRow) || !on_sheet(rect.lastColumn, rect.lastRow)) {
        return fail(join({u"A range reaches beyond the sheet: ", cell_name(rect.firstColumn, rect.firstRow),
                          u":", cell_name(rect.lastColumn, rect.lastRow)}));
    }
    normal = {std::min(rect.firstColumn, rect.lastColumn), std::min(rect.firstRow, rect.lastRow),
              std::max(rect.firstColumn, rect.lastColumn), std::max(rect.firstRow, rect.lastRow)};
    return status_ok;
}

void XlsxWorkbook::record(OpKind kind, const CellRect& rect, std::uint32_t detail) {
    if (m_mode != Mode::check) {
        m_ops.push_back(Op{rect, detail, kind});
    }
}

std::uint32_t XlsxWorkbook::area_format(TextView format) {
    if (is_general_format(format)) {
        return 0;
    }
    const auto [it, added] =
        m_formatIds.try_emplace(Text(format), static_cast<std::uint32_t>(m_formats.size()));
    if (added) {
        m_formats.emplace_back(format);
        m_shapes.emplace_back(std::nullopt);
        m_fileFormats.push_back(-1);
        if (format == u"@") {
            m_textFormat = it->second;
        }
    }
    return it->second;
}

Status XlsxWorkbook::put_format(TextView format) {
    if (!m_range) {
        return fail(u"No range to format");
    }
    if (!valid_number_format(format)) {
        return fail(concat(u"Unable to set the NumberFormat property of the Range class: ", format));
    }
    record(OpKind::format, *m_range, area_format(format));
    return status_ok;
}

Status XlsxWorkbook::put_values(const CellRect& rect, const Block& block) {
    if (m_mode != Mode::check) {
        m_blocks.push_back(block);
        record(OpKind::values, rect, static_cast<std::uint32_t>(m_blocks.size() - 1));
    }
    return status_ok;
}

Status XlsxWorkbook::put_fill(const CellRect& rect, const Colour& colour) {
    if (colour && *colour > largest_colour) {
        return fail(
            concat(u"Unable to set the Color property of the Interior class: ", decimal_text(*colour)));
    }
    record(OpKind::fill, rect, colour ? *colour : no_fill);
    return status_ok;
}

Status XlsxWorkbook::write_header(std::int32_t columnCount, const CellRect& rect,
                                  const std::vector<ColumnFormat>& columns, const Colour& colour) {
    CellRect range;
    if (const Status status = range_of(rect, range); failed(status)) {
        return status;
    }
    if (columnCount < 0) {
        return fail(u"The header has a negative number of columns");
    }
    if (static_cast<std::size_t>(columnCount) > columns.size()) {
        return fail(u"The header has more columns than column records");
    }
    if (const Status status = put_values(range, Block{&columns, nullptr, 1, columnCount}); failed(status)) {
        return status;
    }
    return put_fill(range, colour);
}

Status XlsxWorkbook::select_range(const CellRect& rect) {
    m_range.reset();
    CellRect range;
    if (const Status status = range_of(rect, range); failed(status)) {
        return status;
    }
    m_range = range;
    return status_ok;
}

// A category without a format is reported but is no failure: the alignment is still put.
Status XlsxWorkbook::format_column(const ColumnFormat& column) {
    if (!is_managed_category(column.category)) {
        m_trace.error(u"Not managed format: CVEX_Spreadsheet_Excel_ColumnFormat:",
                      decimal_text(column.category), status_ok);
    }
    if (const auto format = column_number_format(m_international, column)) {
        if (const Status status = put_format(*format); failed(status)) {
            return status;
        }
    }
    if (column.hasJustify) {
        if (!m_range) {
            return fail(u"No range to align");
        }
        if (!alignment_index(column.justify)) {
            return fail(concat(u"Unable to set the HorizontalAlignment property of the Range class: ",
                               decimal_text(column.justify)));
        }
        record(OpKind::align, *m_range, static_cast<std::uint32_t>(column.justify));
    }
    return status_ok;
}

// An empty format resets the cell to General.
Status XlsxWorkbook::format_cell(const ColumnFormat& column, const CellFormat& cell,
                                 const UnitFormats& units) {
    return put_format(cell_number_format(m_international, column, cell, units));
}

Status XlsxWorkbook::write_values(std::int32_t columnCount, std::int32_t rowCount, const CellRect& rect,
                                  const CellValues& values) {
    CellRect range;
    if (const Status status = range_of(rect, range); failed(status)) {
        return status;
    }
    if (rowCount < 0 || columnCount < 0) {
        return fail(u"A block of values has a negative number of rows or columns");
    }
    const auto rows = static_cast<std::size_t>(rowCount);
    if (rows != 0 && static_cast<std::size_t>(columnCount) > values.size() / rows) {
        return fail(u"Check: mismatch between data and cellarray");
    }
    if (const Status status = put_values(range, Block{nullptr, &values, rowCount, columnCount});
        failed(status)) {
        return status;
    }
    // Columns(range).AutoFit
    if (m_mode != Mode::check) {
        m_fits.push_back(Fit{range.firstColumn, std::vector<std::uint16_t>(static_cast<std::size_t>(
                                                    range.lastColumn - range.firstColumn + 1))});
        record(OpKind::fit, range, static_cast<std::uint32_t>(m_fits.size() - 1));
    }
    return status_ok;
}

Status XlsxWorkbook::colour_range(const CellRect& rect, const Colour& colour) {
    CellRect range;
    if (const Status status = range_of(rect, range); failed(status)) {
        return status;
    }
    return put_fill(range, colour);
}

Status XlsxWorkbook::merge_rows(const std::vector<std::int32_t>& rows, std::int32_t firstColumn,
                                std::int32_t lastColumn, std::int32_t rowOffset) {
    for (const std::int32_t row : rows) {
        const std::int64_t sheetRow =
            std::clamp<std::int64_t>(std::int64_t{row} + rowOffset, std::numeric_limits<std::int32_t>::min(),
                                     std::numeric_limits<std::int32_t>::max());
        CellRect range;
        const auto at = static_cast<std::int32_t>(sheetRow);
        if (const Status status = range_of({firstColumn, at, lastColumn, at}, range); failed(status)) {
            return status;
        }
        record(OpKind::merge, range, 0);
    }
    return status_ok;
}

Status XlsxWorkbook::freeze_columns(float count) {
    if (!m_sheet) {
        return fail(u"No sheet to freeze columns of");
    }
    if (!(count >= 0)) {
        return fail(u"Unable to set the SplitColumn property of the Window class");
    }
    m_sheets[*m_sheet].frozenColumns = count;
    return status_ok;
}

Status XlsxWorkbook::show_application() {
    return status_ok;
}

// The rendering's last step: the area's calls are carried out.
Status XlsxWorkbook::screen_updating_on() {
    if (m_mode == Mode::check || !m_sheet) {
        return status_ok;
    }
    const Status status = flush();
    m_ops.clear();
    m_blocks.clear();
    return status;
}

Status XlsxWorkbook::flush() {
    if (m_ops.empty()) {
        return status_ok;
    }
    std::vector<std::uint32_t> order(m_ops.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        return m_ops[a].rect.firstRow < m_ops[b].rect.firstRow;
    });
    std::int32_t lastColumn = 1;
    for (const Op& op : m_ops) {
        lastColumn = std::max(lastColumn, op.rect.lastColumn);
    }
    CellState blank;
    blank.fill = no_fill;
    m_cells.assign(static_cast<std::size_t>(lastColumn) + 1, blank);
    m_touched.clear();
    m_rowMerges.clear();

    // The calls reaching the current row, in the order they came.
    std::vector<std::uint32_t> active;
    bool wroteRows = false;
    std::int64_t row = 0;
    for (std::size_t next = 0; next < order.size() || !active.empty(); ++row) {
        if (active.empty()) {
            row = m_ops[order[next]].rect.firstRow;
        }
        for (; next < order.size() && m_ops[order[next]].rect.firstRow == row; ++next) {
            active.insert(std::upper_bound(active.begin(), active.end(), order[next]), order[next]);
        }
        for (const std::uint32_t op : active) {
            carry_out(m_ops[op], row);
        }
        if (m_mode == Mode::write && !m_touched.empty()) {
            if (const Status status = write_row(row); failed(status)) {
                return status;
            }
            wroteRows = true;
            if (m_options.writing && row % 4096 == 0) {
                m_options.writing();
            }
        }
        for (const std::int32_t column : m_touched) {
            m_cells[static_cast<std::size_t>(column)] = blank;
        }
        m_touched.clear();
        m_rowMerges.clear();
        std::erase_if(active, [&](std::uint32_t op) { return m_ops[op].rect.lastRow == row; });
    }

    // The last fit of a column decides its width; the sheet keeps it through later clearing.
    Sheet& sheet = m_sheets[*m_sheet];
    for (const Op& op : m_ops) {
        if (op.kind != OpKind::fit) {
            continue;
        }
        const Fit& fit = m_fits[op.detail];
        const std::size_t end = static_cast<std::size_t>(fit.firstColumn) + fit.longest.size();
        if (sheet.widths.size() < end) {
            sheet.widths.resize(end, 0.0f);
        }
        for (std::size_t i = 0; i < fit.longest.size(); ++i) {
            sheet.widths[static_cast<std::size_t>(fit.firstColumn) + i] = fitted_width(fit.longest[i]);
        }
    }
    sheet.written = sheet.written || wroteRows;
    return status_ok;
}

void XlsxWorkbook::carry_out(const Op& op, std::int64_t row) {
    const auto touch = [&](std::int32_t column) -> CellState& {
        CellState& cell = m_cells[static_cast<std::size_t>(column)];
        if (!cell.touched) {
            cell.touched = true;
            m_touched.push_back(column);
        }
        return cell;
    };
    const std::int32_t first = op.rect.firstColumn;
    const std::int32_t last = op.rect.lastColumn;
    switch (op.kind) {
    case OpKind::values: {
        // As Excel's Value put: a one-row (one-column) array repeats down (across) the range; cells
        // beyond the array get #N/A.
        const Block& block = m_blocks[op.detail];
        const std::int64_t r = block.rows == 1 ? 0 : row - op.rect.firstRow;
        for (std::int32_t column = first; column <= last; ++column) {
            CellState& cell = touch(column);
            const std::int64_t c = block.columns == 1 ? 0 : column - first;
            if (r >= block.rows || c >= block.columns) {
                cell.kind = ValueKind::error;
            } else if (block.titles != nullptr) {
                put_value(cell, CellValue(TextView((*block.titles)[static_cast<std::size_t>(c)].title)));
            } else {
                put_value(cell, (*block.values)[static_cast<std::size_t>(r * block.columns + c)]);
            }
        }
        return;
    }
    case OpKind::fit: {
        Fit& fit = m_fits[op.detail];
        for (std::int32_t column = first; column <= last; ++column) {
            const CellState& cell = m_cells[static_cast<std::size_t>(column)];
            const std::size_t length = cell.touched ? shown_length(cell) : 0;
            std::uint16_t& longest = fit.longest[static_cast<std::size_t>(column - first)];
            longest = static_cast<std::uint16_t>(
                std::max<std::size_t>(longest, std::min<std::size_t>(length, 255)));
        }
        return;
    }
    case OpKind::format:
        for (std::int32_t column = first; column <= last; ++column) {
            touch(column).format = op.detail;
        }
        return;
    case OpKind::align:
        for (std::int32_t column = first; column <= last; ++column) {
            touch(column).alignment = static_cast<std::int32_t>(op.detail);
        }
        return;
    case OpKind::fill:
        for (std::int32_t column = first; column <= last; ++column) {
            CellState& cell = m_cells[static_cast<std::size_t>(column)];
            if (op.detail != no_fill) {
                touch(column).fill = op.detail;
            } else if (cell.touched) {
                cell.fill = no_fill;
            }
        }
        return;
    case OpKind::merge:
        merge_in_row(first, last);
        return;
    }
}

// A value put into a cell: a text typed as Excel types an entry, a General cell given the format
// Excel gives the entry.
void XlsxWorkbook::put_value(CellState& cell, const CellValue& value) {
    switch (value.kind()) {
    case CellValue::Kind::empty:
        cell.kind = ValueKind::empty;
        return;
    case CellValue::Kind::number:
        cell.kind = ValueKind::number;
        cell.number = value.number();
        return;
    case CellValue::Kind::text:
        break;
    }
    const bool textCell = cell.format != 0 && cell.format == m_textFormat;
    const Entry entry = type_entry(value.text(), *m_options.locale, textCell, m_options.currentYear);
    switch (entry.kind) {
    case Entry::Kind::empty:
        cell.kind = ValueKind::empty;
        break;
    case Entry::Kind::text:
        cell.kind = ValueKind::text;
        cell.text = entry.text;
        break;
    case Entry::Kind::number:
        cell.kind = ValueKind::number;
        cell.number = entry.number;
        break;
    case Entry::Kind::formula:
        cell.kind = ValueKind::formula;
        cell.text = entry.text;
        break;
    }
    if (cell.format == 0 && entry.format != EntryFormat::none) {
        std::uint32_t& id = m_entryFormats[static_cast<std::size_t>(entry.format)];
        if (id == 0) {
            id = area_format(entry_format_text(entry.format, *m_options.locale));
        }
        cell.format = id;
    }
}

std::size_t XlsxWorkbook::shown_length(const CellState& cell) {
    if (cell.kind == ValueKind::empty) {
        return 0;
    }
    if (cell.kind == ValueKind::error) {
        return 4; // #N/A
    }
    if (cell.kind == ValueKind::formula) {
        return cell.text.size();
    }
    std::optional<FormatShape>& shape = m_shapes[cell.format];
    if (!shape) {
        shape.emplace(m_formats[cell.format], *m_options.locale);
    }
    return cell.kind == ValueKind::text ? shape->shown_length(cell.text) : shape->shown_length(cell.number);
}

// Merge: areas the new one touches join it; only the top left value stays.
void XlsxWorkbook::merge_in_row(std::int32_t first, std::int32_t last) {
    if (first == last) {
        return;
    }
    for (bool grown = true; grown;) {
        grown = false;
        for (auto it = m_rowMerges.begin(); it != m_rowMerges.end(); ++it) {
            if (it->first <= last && first <= it->second) {
                first = std::min(first, it->first);
                last = std::max(last, it->second);
                m_rowMerges.erase(it);
                grown = true;
                break;
            }
        }
    }
    for (std::int32_t column = first + 1; column <= last; ++column) {
        CellState& cell = m_cells[static_cast<std::size_t>(column)];
        if (cell.touched) {
            cell.kind = ValueKind::empty;
        }
    }
    m_rowMerges.emplace_back(first, last);
}

Status XlsxWorkbook::write_row(std::int64_t row) {
    lxw_worksheet* worksheet = m_sheets[*m_sheet].worksheet;
    const auto r = static_cast<lxw_row_t>(row - 1);
    const auto failure = [&](std::int32_t column, lxw_error error) {
        return fail(
            join({u"Cannot write cell ", cell_name(column, row), u": ", from_utf8(lxw_strerror(error))}));
    };
    for (const auto& [first, last] : m_rowMerges) {
        const lxw_error error = worksheet_merge_range(worksheet, r, static_cast<lxw_col_t>(first - 1), r,
                                                      static_cast<lxw_col_t>(last - 1), "", nullptr);
        if (error != LXW_NO_ERROR) {
            return failure(first, error);
        }
    }
    for (const std::int32_t column : m_touched) {
        const CellState& cell = m_cells[static_cast<std::size_t>(column)];
        lxw_format* format = format_of(cell);
        const auto c = static_cast<lxw_col_t>(column - 1);
        lxw_error error = LXW_NO_ERROR;
        switch (cell.kind) {
        case ValueKind::empty:
            if (format == nullptr) {
                continue;
            }
            error = worksheet_write_blank(worksheet, r, c, format);
            break;
        case ValueKind::text:
            error = cell.text.empty() ? worksheet_write_blank(worksheet, r, c, format)
                                      : worksheet_write_string(worksheet, r, c, utf8(cell.text), format);
            break;
        case ValueKind::number:
            error = worksheet_write_number(worksheet, r, c, cell.number, format);
            break;
        case ValueKind::formula:
            error = worksheet_write_formula(worksheet, r, c, utf8(cell.text), format);
            break;
        case ValueKind::error:
            error = worksheet_write_formula_str(worksheet, r, c, "=NA()", format, "#N/A");
            break;
        }
        if (error != LXW_NO_ERROR) {
            return failure(column, error);
        }
        ++m_cellsWritten;
    }
    return status_ok;
}

// The file's format for a cell's number format, alignment and fill, one for each combination.
lxw_format* XlsxWorkbook::format_of(const CellState& cell) {
    if (cell.format == 0 && cell.alignment == 0 && cell.fill == no_fill) {
        return nullptr;
    }
    std::int32_t& fileFormat = m_fileFormats[cell.format];
    if (fileFormat < 0) {
        std::string text = file_number_format(m_formats[cell.format], *m_options.locale);
        const auto [it, added] =
            m_fileFormatIds.try_emplace(text, static_cast<std::int32_t>(m_fileFormatTexts.size()));
        if (added) {
            m_fileFormatTexts.push_back(std::move(text));
        }
        fileFormat = it->second;
    }
    const std::size_t alignment = cell.alignment == 0 ? 0 : alignment_index(cell.alignment).value_or(0);
    const std::uint64_t key = static_cast<std::uint64_t>(fileFormat) << 36 | std::uint64_t{alignment} << 32 |
                              std::uint64_t{cell.fill};
    lxw_format*& format = m_xlsxFormats[key];
    if (format == nullptr) {
        format = workbook_add_format(m_workbook);
        const std::string& text = m_fileFormatTexts[static_cast<std::size_t>(fileFormat)];
        if (text != "General") {
            format_set_num_format(format, text.c_str());
        }
        if (alignments[alignment].xlsx != LXW_ALIGN_NONE) {
            format_set_align(format, alignments[alignment].xlsx);
        }
        if (cell.fill != no_fill) {
            // Excel's colours hold red in the low byte; the file's RGB holds it in the high byte.
            const std::uint32_t rgb =
                (cell.fill & 0xFFu) << 16 | (cell.fill & 0xFF00u) | (cell.fill >> 16 & 0xFFu);
            format_set_pattern(format, LXW_PATTERN_SOLID);
            format_set_bg_color(format, rgb == 0 ? static_cast<lxw_color_t>(LXW_COLOR_BLACK) : rgb);
        }
    }
    return format;
}

// UTF-8 of a text in a buffer reused for every cell; unpaired surrogates become U+FFFD.
const char* XlsxWorkbook::utf8(TextView text) {
    m_utf8.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t code = text[i];
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[++i] - 0xDC00);
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            code = 0xFFFD;
        }
        if (code < 0x80) {
            m_utf8 += static_cast<char>(code);
        } else if (code < 0x800) {
            m_utf8 += static_cast<char>(0xC0 | code >> 6);
            m_utf8 += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            m_utf8 += static_cast<char>(0xE0 | code >> 12);
            m_utf8 += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            m_utf8 += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            m_utf8 += static_cast<char>(0xF0 | code >> 18);
            m_utf8 += static_cast<char>(0x80 | (code >> 12 & 0x3F));
            m_utf8 += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            m_utf8 += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return m_utf8.c_str();
}

} // namespace vex::table::native
