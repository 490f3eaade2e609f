// The engine as the workbook the area renderer writes into: each step of the rendering carried out
// on the sheet, cells and range of the current rendering.
#include "windows/excel_engine.h"

#include "windows/text_bstr.h"

namespace vex {

using table::Status;

Status CVEX_Spreadsheet_Excel_Wob::reach_application() {
    com::com_ptr<IDispatch> application;
    return getSpreadsheet_Application(application);
}

Status CVEX_Spreadsheet_Excel_Wob::reach_sheets() {
    return getSpreadsheet_Sheets(m_sheets);
}

Status CVEX_Spreadsheet_Excel_Wob::add_sheet(table::TextView name, bool& found) {
    m_cells = nullptr;
    m_range = nullptr;
    const HRESULT hr =
        AddSheet(m_application.get(), m_sheets.get(), table::windows::wide_view(name), m_sheet);
    found = static_cast<bool>(m_sheet);
    return hr;
}

Status CVEX_Spreadsheet_Excel_Wob::clear_sheet() {
    return clearSheet(m_sheet.get());
}

Status CVEX_Spreadsheet_Excel_Wob::reach_cells() {
    return object(m_sheet.get(), L"Cells", m_cells);
}

Status CVEX_Spreadsheet_Excel_Wob::write_header(std::int32_t columnCount, const table::CellRect& rect,
                                                const std::vector<table::ColumnFormat>& columns,
                                                const table::Colour& colour) {
    return setColumnHeader(m_sheet.get(), columnCount, columnCount, rect, columns, colour);
}

Status CVEX_Spreadsheet_Excel_Wob::select_range(const table::CellRect& rect) {
    return defineRange(m_sheet.get(), m_cells.get(), rect, m_range);
}

Status CVEX_Spreadsheet_Excel_Wob::format_column(const table::ColumnFormat& column) {
    return SetFormat(m_range.get(), column);
}

Status CVEX_Spreadsheet_Excel_Wob::format_cell(const table::ColumnFormat& column,
                                               const table::CellFormat& cell,
                                               const table::UnitFormats& units) {
    return SetFormatCell(m_range.get(), column, cell, units);
}

Status CVEX_Spreadsheet_Excel_Wob::write_values(std::int32_t columnCount, std::int32_t rowCount,
                                                const table::CellRect& rect,
                                                const table::CellValues& values) {
    return setRange(m_sheet.get(), columnCount, rowCount, rect, values);
}

Status CVEX_Spreadsheet_Excel_Wob::colour_range(const table::CellRect& rect, const table::Colour& colour) {
    return setColourRange(m_sheet.get(), rect, colour);
}

Status CVEX_Spreadsheet_Excel_Wob::merge_rows(const std::vector<std::int32_t>& rows, std::int32_t firstColumn,
                                              std::int32_t lastColumn, std::int32_t rowOffset) {
    return setCollapsed(m_sheet.get(), rows, firstColumn, lastColumn, rowOffset);
}

// Excel freezes in the active window: the sheet just rendered is activated first, so that its columns
// freeze even when it existed before and another sheet was the active one.
Status CVEX_Spreadsheet_Excel_Wob::freeze_columns(float count) {
    VEX_RETURN_IF_FAILED(m_trace, L"invokeMethodByName: Activate",
                         call(m_sheet.get(), L"Activate", nullptr, nullptr));
    return setFixedColumns(count);
}

Status CVEX_Spreadsheet_Excel_Wob::show_application() {
    return m_visibility ? m_visibility->setExcelVisible_OutplaceWorkaround(1) : S_OK;
}

Status CVEX_Spreadsheet_Excel_Wob::screen_updating_on() {
    VARIANT on;
    VariantInit(&on);
    on.vt = VT_BOOL;
    on.boolVal = VARIANT_TRUE;
    return put(m_application.get(), L"ScreenUpdating", &on);
}

} // namespace vex
