// The spreadsheet engine: the only part of the spreadsheet component that talks to Excel. It reaches
// the application, the workbooks and the sheets of the workbook it was given, builds ranges, writes
// blocks of values, headers, colours, merges, frozen columns and number formats built from Excel's
// own International settings, every call late-bound by name. To the area renderer it is the
// workbook an area is written into.
#pragma once

#include "automation/automation_calls.h"
#include "com/com_ptr.h"
#include "core/number_formats.h"
#include "core/workbook.h"
#include "module/interfaces.h"
#include "trace/tracer.h"

#include <oaidl.h>

#include <string_view>
#include <vector>

namespace vex {

// Whether Excel is shown is the component's decision (it depends on the environment's placement);
// the engine asks it at the end of each area.
class ExcelVisibility {
public:
    virtual HRESULT setExcelVisible_OutplaceWorkaround(BYTE visible) = 0;

protected:
    ~ExcelVisibility() = default;
};

class CVEX_Spreadsheet_Excel_Wob final : public table::Workbook {
public:
    CVEX_Spreadsheet_Excel_Wob() = default;
    ~CVEX_Spreadsheet_Excel_Wob() override;
    CVEX_Spreadsheet_Excel_Wob(const CVEX_Spreadsheet_Excel_Wob&) = delete;
    CVEX_Spreadsheet_Excel_Wob& operator=(const CVEX_Spreadsheet_Excel_Wob&) = delete;

    // Wiring: the engine's own trace object, the workbook it works on, and who decides about showing
    // Excel (may be null: Excel is then left as it is).
    HRESULT setTrace(IVEX_Trace* trace);
    HRESULT getSpreadsheet(IDispatch* workbook);
    void setVisibility(ExcelVisibility* visibility) noexcept { m_visibility = visibility; }

    // Navigation. Every call reaches Excel anew from the workbook.
    HRESULT getSpreadsheet_Application(com::com_ptr<IDispatch>& application);
    HRESULT getSpreadsheet_Workbooks(com::com_ptr<IDispatch>& workbooks);
    HRESULT getSpreadsheet_Workbook(std::wstring_view name, com::com_ptr<IDispatch>& workbook);
    HRESULT getSpreadsheet_Sheets(com::com_ptr<IDispatch>& sheets);
    // Finds the sheet of that name, or adds one (Excel puts it before the active sheet) and names it.
    HRESULT AddSheet(IDispatch* application, IDispatch* sheets, std::wstring_view name,
                     com::com_ptr<IDispatch>& sheet);
    HRESULT defineRange(IDispatch* sheet, IDispatch* cells, const table::CellRect& rect,
                        com::com_ptr<IDispatch>& range);
    HRESULT defineRange(IDispatch* sheet, const table::CellRect& rect, com::com_ptr<IDispatch>& range);
    HRESULT clearSheet(IDispatch* sheet);

    // Ranges.
    HRESULT setRange(IDispatch* sheet, std::int32_t columnCount, std::int32_t rowCount,
                     const table::CellRect& rect, const table::CellValues& values);
    HRESULT setColumnHeader(IDispatch* sheet, std::int32_t columnCount, std::int32_t ignored,
                            const table::CellRect& rect, const std::vector<table::ColumnFormat>& columns,
                            const table::Colour& colour);
    HRESULT setColourRange(IDispatch* sheet, const table::CellRect& rect, const table::Colour& colour);
    HRESULT setCollapsed(IDispatch* sheet, const std::vector<std::int32_t>& rows, std::int32_t firstColumn,
                         std::int32_t lastColumn, std::int32_t rowOffset);
    HRESULT setFixedColumns(float count);
    HRESULT setColumnAutofit(IDispatch* range);
    HRESULT setColumnJustify(IDispatch* range, std::int32_t alignment);
    // Excel's alignment for a justification code; general alignment and a warning for an unknown one.
    HRESULT getJustifyValues(std::wstring_view code, std::int32_t& value);

    // International settings and number formats.
    HRESULT initInternational();
    HRESULT check_initInternational();
    HRESULT getDecimalseparator(table::Text& separator);
    HRESULT getFormatCustom(std::int32_t decimals, table::TextView unit, table::Text& format);
    HRESULT SetFormat(IDispatch* range, const table::ColumnFormat& column);
    HRESULT SetFormatCell(IDispatch* range, const table::ColumnFormat& column, const table::CellFormat& cell,
                          const table::UnitFormats& units);

    // The workbook the area renderer writes into.
    table::Status reach_application() override;
    table::Status reach_sheets() override;
    table::Status add_sheet(table::TextView name, bool& found) override;
    table::Status clear_sheet() override;
    table::Status reach_cells() override;
    table::Status write_header(std::int32_t columnCount, const table::CellRect& rect,
                               const std::vector<table::ColumnFormat>& columns,
                               const table::Colour& colour) override;
    table::Status select_range(const table::CellRect& rect) override;
    table::Status format_column(const table::ColumnFormat& column) override;
    table::Status format_cell(const table::ColumnFormat& column, const table::CellFormat& cell,
                              const table::UnitFormats& units) override;
    table::Status write_values(std::int32_t columnCount, std::int32_t rowCount, const table::CellRect& rect,
                               const table::CellValues& values) override;
    table::Status colour_range(const table::CellRect& rect, const table::Colour& colour) override;
    table::Status merge_rows(const std::vector<std::int32_t>& rows, std::int32_t firstColumn,
                             std::int32_t lastColumn, std::int32_t rowOffset) override;
    table::Status freeze_columns(float count) override;
    table::Status show_application() override;
    table::Status screen_updating_on() override;

    const table::International& international() const noexcept { return m_international; }

private:
    // Late-bound calls through the automation helper, each traced there on failure.
    HRESULT get(IDispatch* object, const wchar_t* name, VARIANT* value);
    HRESULT put(IDispatch* object, const wchar_t* name, VARIANT* value);
    HRESULT call(IDispatch* object, const wchar_t* name, DISPPARAMS* args, VARIANT* result);
    HRESULT item(IDispatch* object, const wchar_t* name, DISPPARAMS* args, VARIANT* result);
    HRESULT object(IDispatch* object, const wchar_t* name, com::com_ptr<IDispatch>& value);
    // Writes a whole block (rows x columns, VT_ARRAY | VT_VARIANT) to a range's Value.
    HRESULT put_block(IDispatch* range, SAFEARRAY* block);

    Tracer m_trace;
    CVEX_AutomationCalls m_automation;
    com::com_ptr<IDispatch> m_workbook;
    com::com_ptr<IDispatch> m_application;
    table::International m_international;
    bool m_internationalLoaded = false;
    ExcelVisibility* m_visibility = nullptr;

    // What one rendering works on: the sheets, the current sheet, its cells, the chosen range.
    com::com_ptr<IDispatch> m_sheets;
    com::com_ptr<IDispatch> m_sheet;
    com::com_ptr<IDispatch> m_cells;
    com::com_ptr<IDispatch> m_range;
};

} // namespace vex
