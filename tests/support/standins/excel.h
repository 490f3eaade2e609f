// Stand-in for the part of Microsoft Excel's automation object model that vex drives late-bound:
// Application, Workbooks, Workbook, Sheets, Worksheet, Range, Interior and Window, each an IDispatch
// object looked up by name without regard to case, as Excel does. The objects keep no state of their
// own: they name a workbook, a sheet and an area of this process-wide stand-in, which tests read and
// script through ExcelStandIn.
//
// It behaves like Excel where vex relies on it:
// - texts put into Value are typed as Excel types a user's entry in the application's locale (numbers,
//   dates, times and percentages become values, with the number format Excel gives a General cell),
//   unless the cell's number format is text ("@");
// - a 2-D array put into Value fills the overlap with the range, range cells beyond the array get #N/A
//   (a one-row or one-column array is repeated across the range first, as Excel does), array elements
//   beyond the range are dropped;
// - by-reference puts of value properties are refused with DISP_E_MEMBERNOTFOUND;
// - a missing sheet or workbook name is DISP_E_BADINDEX; refused sheet names, number formats,
//   alignments and auto-fits of ranges that are not whole columns are Excel's DISP_E_EXCEPTION with
//   the error 0x800A03EC (1004) and a description;
// - number formats use the format codes and separators of the application's locale, the ones
//   Application.International answers (English "#,##0.00" and "mm/dd/yyyy", German "#.##0,00" and
//   "TT.MM.JJJJ").
// It does not evaluate formulas: a text that starts with "=" put into a cell that is not text is
// refused with a description saying so.
#pragma once

#include "com/com_ptr.h"

#include <oaidl.h>

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

namespace vex::test {

// An owned VARIANT that can be copied and moved (cells move when sheets are inserted).
class ExcelValue {
public:
    ExcelValue() noexcept { VariantInit(&m_value); }
    ExcelValue(const ExcelValue& other) : ExcelValue() {
        VariantCopy(&m_value, const_cast<VARIANT*>(&other.m_value));
    }
    ExcelValue(ExcelValue&& other) noexcept : m_value(other.m_value) { VariantInit(&other.m_value); }
    ExcelValue& operator=(ExcelValue other) noexcept {
        std::swap(m_value, other.m_value);
        return *this;
    }
    ~ExcelValue() { VariantClear(&m_value); }

    const VARIANT& get() const noexcept { return m_value; }
    VARIANT* put() noexcept {
        VariantClear(&m_value);
        return &m_value;
    }
    // Hands the value over to the caller, which then owns it; this holder is left VT_EMPTY.
    VARIANT release() noexcept {
        VARIANT out = m_value;
        VariantInit(&m_value);
        return out;
    }
    VARTYPE type() const noexcept { return m_value.vt; }
    bool empty() const noexcept { return m_value.vt == VT_EMPTY; }

private:
    VARIANT m_value;
};

// Excel's error values as a cell holds them (VT_ERROR, scode 0x800A0000 + the xlErr number).
inline constexpr SCODE excel_error_na = static_cast<SCODE>(0x800A07FA); // xlErrNA 2042: #N/A
// The error Excel reports its refusals with, inside DISP_E_EXCEPTION (run-time error 1004).
inline constexpr HRESULT excel_error_refused = static_cast<HRESULT>(0x800A03EC);

// A rectangle of cells, 1-based and inclusive: rows top..bottom, columns left..right.
struct ExcelArea {
    LONG top = 1, left = 1, bottom = 1, right = 1;

    LONG rows() const { return bottom - top + 1; }
    LONG columns() const { return right - left + 1; }
    bool contains(LONG row, LONG column) const {
        return row >= top && row <= bottom && column >= left && column <= right;
    }
    bool overlaps(const ExcelArea& other) const {
        return top <= other.bottom && other.top <= bottom && left <= other.right && other.left <= right;
    }
    // "B2" for one cell, else "A1:C3".
    std::wstring address() const;
    friend bool operator==(const ExcelArea&, const ExcelArea&) = default;
};

// The whole sheet, as Worksheet.Cells covers it.
inline constexpr ExcelArea excel_sheet_area{1, 1, 1048576, 16384};

struct ExcelCell {
    ExcelValue value;              // VT_EMPTY, VT_R8, VT_DATE, VT_BSTR, VT_BOOL or VT_ERROR
    std::wstring number_format;    // empty: General
    std::optional<LONG> alignment; // HorizontalAlignment as put (xlLeft -4131, xlCenter -4108 ...)
    std::optional<DWORD> fill;     // Interior.Color: red in the low byte; none: no fill
};

struct ExcelSheet {
    unsigned id = 0; // identity of the sheet for its automation objects; never reused
    std::wstring name;
    // Cells by (row, column); a cell that was never given a value, format, alignment or fill is absent.
    std::map<std::pair<LONG, LONG>, ExcelCell> cells;
    std::vector<ExcelArea> merged;   // no cell is in two of them
    float split_column = 0;          // Window.SplitColumn put while this sheet was active
    float frozen_columns = 0;        // columns frozen by Window.FreezePanes; 0: none
    std::vector<ExcelArea> autofits; // the ranges Columns.AutoFit was called on, in order

    // The cell at (row, column), null when absent.
    const ExcelCell* cell(LONG row, LONG column) const;
};

struct ExcelWorkbook {
    unsigned id = 0; // identity for the automation objects; never reused
    std::wstring name;
    std::vector<ExcelSheet> sheets; // in tab order
    size_t active_sheet = 0;        // index into sheets
    bool vba_signed = true;         // Workbook.VBASigned
    bool open = true;               // false once closed: out of Application.Workbooks, state kept
    unsigned sheets_named = 1;      // the number of the last "SheetN" name Sheets.Add gave

    ExcelSheet& active() { return sheets[active_sheet]; }
};

// One Invoke the stand-in received.
struct ExcelCall {
    std::wstring object;    // "Application", "Workbooks", "Workbook", "Sheets", "Worksheet", "Range",
                            // "Interior", "Window"
    std::wstring member;    // as Excel spells it ("Value", "NumberFormat" ...), whatever the caller wrote
    std::wstring kind;      // "get", "put", "putref" or "call"
    std::wstring arguments; // first argument first, ", " between; a put's value last (see describe)
    std::wstring target;    // "Sheet1!A1:C3" for ranges and interiors, the sheet's or workbook's name
    HRESULT status = S_OK;  // what the call answered
};

enum class ExcelLocale { english, german };

class ExcelStandIn {
public:
    static ExcelStandIn& instance();

    // Forgets every workbook, call, failure and recorded value, and lets go of the objects the state
    // keeps; objects callers still hold answer RPC_E_DISCONNECTED from then on. The locale goes back
    // to English and keep_values to true.
    void clear();

    // The application's locale: what International answers, how texts are typed and formats read.
    ExcelLocale locale = ExcelLocale::english;
    // False for benchmarks: Value puts are logged and their array walked, but no cell is stored (no
    // value, format, alignment or fill), so that what is measured is the caller's work.
    bool keep_values = true;
    // False for benchmarks: calls are only counted (see count), not logged one by one.
    bool log_calls = true;

    // A new workbook named name, with one sheet ("Sheet1", German "Tabelle1"), made the application's
    // active workbook; returns its automation object (the same object every time it is asked for).
    com::com_ptr<IDispatch> new_workbook(const std::wstring& name);
    // Takes the workbook out of Application.Workbooks; its state stays for tests to read.
    void close_workbook(const std::wstring& name);

    // Every workbook ever created since clear(), in creation order (closed ones too).
    std::vector<ExcelWorkbook>& workbooks() { return m_workbooks; }
    // The last workbook of that name (case-insensitive), null when none.
    ExcelWorkbook* workbook(std::wstring_view name);
    const ExcelWorkbook* workbook(std::wstring_view name) const;
    const ExcelSheet* sheet(std::wstring_view workbook, std::wstring_view sheet) const;

    // Every Invoke received (and IOleCommandTarget::Exec, logged as Workbook "Exec" "call").
    std::vector<ExcelCall> calls;
    // Calls not logged while log_calls was false, by (object, member, kind). The names are the
    // stand-in's own static texts, so a tally costs no copy of them.
    std::map<std::tuple<std::wstring_view, std::wstring_view, std::wstring_view>, size_t> tallies;
    // Calls of object.member of that kind, logged or tallied; an empty argument matches anything.
    size_t count(std::wstring_view object, std::wstring_view member, std::wstring_view kind) const;

    // Makes calls of object_member ("Range.Value", "Sheets.Item", "Workbook.Exec" ...) of any kind
    // fail with status once `after` of them went through, until clear(). A caller that offered an
    // EXCEPINFO gets it filled: source "Microsoft Excel", the description (default "Stand-in Excel
    // refused Range.Value") and scode the status, or 0x800A03EC when the status is DISP_E_EXCEPTION.
    // By-reference puts of value properties are refused before this and do not count.
    void fail(std::wstring object_member, HRESULT status, size_t after = 0, std::wstring description = {});

    std::vector<std::wstring> macros_run;         // names given to Application.Run
    std::vector<std::pair<DWORD, DWORD>> prints;  // (command id, option) of IOleCommandTarget::Exec
    bool screen_updating = true, visible = false; // last values put
    bool display_alerts = true;
    size_t values_walked = 0; // array elements and scalars Value puts handled (kept or not)

    // The text Excel shows for the cell with its number format, in the application's locale:
    // General numbers, "@" text, sections with [Red] and quoted texts, "#,##0.00", "0.00E+00",
    // percent, dates and times; booleans and errors in the locale's words ("#N/A", German "#NV").
    std::wstring display(const ExcelCell& cell) const;

    // The workbook (the last of that name) as text, for tests and the main job to print:
    //   workbook <name>, active sheet <name>
    //   sheet <name>[, frozen columns N][, merged A1:B1 C3:C4][, autofits A1:C9]
    //   then a grid: a header row of column letters, and per row its number and each cell's
    //   displayed text, followed by " [fill #RRGGBB]" when it has a fill.
    // An unknown workbook gives "no workbook <name>".
    std::wstring workbook_text(const std::wstring& workbook) const;

    // Automation objects of the stand-in alive in this process (the state's own included).
    static long live_objects();

    // For the automation objects: the state behind them and what they share.
    struct Failure {
        std::wstring object_member;
        HRESULT status;
        size_t after;
        std::wstring description;
    };
    std::vector<Failure>& failures() { return m_failures; }
    ExcelWorkbook* workbook_by_id(unsigned id);
    ExcelSheet* sheet_by_id(ExcelWorkbook& workbook, unsigned id);
    unsigned active_workbook() const { return m_active_workbook; }
    void activate(unsigned workbook) { m_active_workbook = workbook; }
    unsigned next_id() { return ++m_last_id; }
    // The objects the state keeps so that their identity is stable, as Excel's are.
    com::com_ptr<IDispatch> application_object();
    com::com_ptr<IDispatch> workbook_object(unsigned workbook);
    com::com_ptr<IDispatch> sheet_object(unsigned workbook, unsigned sheet);
    com::com_ptr<IDispatch> window_object();

private:
    ExcelStandIn() = default;

    std::vector<ExcelWorkbook> m_workbooks;
    std::vector<Failure> m_failures;
    unsigned m_active_workbook = 0; // id; 0: none
    unsigned m_last_id = 0;
    com::com_ptr<IDispatch> m_application, m_window;
    std::map<unsigned, com::com_ptr<IDispatch>> m_objects; // workbook and sheet objects by id
};

// Late-bound access for tests, made as vex makes it: GetIDsOfNames for the one name, then Invoke with
// the arguments in call order; a put's value is the last argument and goes as the one named
// DISPID_PROPERTYPUT argument.
ExcelValue excel_value(int number);
ExcelValue excel_value(long number);
ExcelValue excel_value(double number);
ExcelValue excel_value(bool flag);
ExcelValue excel_value(const wchar_t* text);
ExcelValue excel_value(std::wstring_view text);
ExcelValue excel_value(IDispatch* object);
// A VT_ARRAY | VT_VARIANT of rows (the first dimension) and columns, with the given lower bounds.
ExcelValue excel_array(const std::vector<std::vector<ExcelValue>>& rows, LONG row_base = 1,
                       LONG column_base = 1);
HRESULT excel_invoke(IDispatch* object, const wchar_t* member, WORD kind,
                     const std::vector<ExcelValue>& arguments = {}, ExcelValue* result = nullptr,
                     EXCEPINFO* exception = nullptr);
// A property get that answers an object (Workbook.Sheets, Sheets.Item(1) ...); null when it fails.
com::com_ptr<IDispatch> excel_object(IDispatch* object, const wchar_t* member,
                                     const std::vector<ExcelValue>& arguments = {});

} // namespace vex::test
