// What the stand-in Excel's files share: the locale tables, the typing of entries, the dispatch base
// of its automation objects and the functions that create them. Not for tests.
#pragma once

#include "excel.h"

#include "com/bstr.h"
#include "com/object.h"

#include <span>

namespace vex::test::excel {

// The application's regional settings, as Application.International answers them, and the words
// Excel shows in that language.
struct Locale {
    wchar_t decimal, thousands, date_separator, time_separator;
    wchar_t year, month, day, hour, minute, second; // format code letters
    LONG date_order;                                // 0 month-day-year, 1 day-month-year, 2 year-month-day
    const wchar_t* sheet_prefix;                    // "Sheet" of "Sheet1"
    const wchar_t* true_text;
    const wchar_t* false_text;
    const wchar_t* general; // the General format's local name
    const wchar_t* short_date_format;
};
const Locale& locale_of(ExcelLocale locale);

// Cells Value, NumberFormat, alignment and fill puts may create in one call: the stand-in keeps cells
// one by one, so a put on a whole sheet is refused instead of exhausting memory.
inline constexpr long long max_cells_per_call = 1000000;

// A text put into a cell, typed as Excel types a user's entry.
struct Entry {
    ExcelValue value;
    std::wstring format; // the number format Excel gives a General cell for it; empty: none
};
Entry type_entry(std::wstring_view text, const Locale& locale, bool text_cell);
// "=..." in a cell that is not text: a formula for Excel.
inline bool is_formula(std::wstring_view text) {
    return text.size() > 1 && text.front() == L'=';
}

// Excel serial day numbers (day 1 is 1900-01-01 from 1900-03-01 on) and civil dates.
double serial_of(int year, int month, int day);
void civil_of(long long serial, int& year, int& month, int& day);

// "A" for column 1, "AA" for 27.
std::wstring column_letters(LONG column);

// Whether Excel would take the number format text (sections, quotes, brackets, length).
bool valid_number_format(std::wstring_view format);

// A copy of value with a by-reference value followed, and the same converted to type
// (DISP_E_TYPEMISMATCH when it cannot be).
HRESULT copy_of(const VARIANT& value, ExcelValue& out);
HRESULT coerce(const VARIANT& value, VARTYPE type, ExcelValue& out);

// A short text of an argument for the call log: 3, 2.5, "text", True, Empty, Range A1:B2, Array 3x4.
std::wstring describe(const VARIANT& value);

// The error Excel refuses with: fills exception (source "Microsoft Excel", scode, description) when
// offered, and answers DISP_E_EXCEPTION.
HRESULT refuse(EXCEPINFO* exception, std::wstring_view description, HRESULT scode = excel_error_refused);
// The scripted failure for object.member, counting the call; S_OK when the call may go through.
HRESULT scripted_failure(std::wstring_view object, std::wstring_view member, EXCEPINFO* exception);

// Members of the object model, one DISPID per name across every object as in Excel.
enum Member : DISPID {
    m_activate = 1,
    m_active_window,
    m_active_workbook,
    m_add,
    m_application,
    m_autofit,
    m_cells,
    m_clear,
    m_color,
    m_columns,
    m_count,
    m_display_alerts,
    m_freeze_panes,
    m_horizontal_alignment,
    m_interior,
    m_international,
    m_item,
    m_merge,
    m_name,
    m_number_format,
    m_range,
    m_run,
    m_screen_updating,
    m_sheets,
    m_split_column,
    m_value,
    m_vba_signed,
    m_visible,
    m_workbooks,
    m_worksheets,
};
const wchar_t* member_name(DISPID id);

enum class Access { get, get_put, method };
struct MemberAccess {
    DISPID id;
    Access access;
};

// One Invoke, as the objects' handlers see it.
struct Request {
    DISPID member;
    bool put; // else a get or a method call
    DISPPARAMS* params;
    EXCEPINFO* exception;
    ExcelValue result;

    // Arguments without the put's value, and the one at index (0 is the first the caller wrote),
    // with a by-reference VARIANT followed.
    UINT count() const { return params->cArgs - params->cNamedArgs; }
    const VARIANT& argument(UINT index) const;
    const VARIANT& value() const; // a put's value
    // The argument as a number, DISP_E_TYPEMISMATCH when it is none.
    HRESULT number(UINT index, LONG& out) const;
    HRESULT refuse(std::wstring_view description) { return excel::refuse(exception, description); }
    void set(IDispatch* object);
    void set(std::wstring_view text);
    void set_bool(bool value);
    void set_long(LONG value);
};

// The base of every automation object of the stand-in: member lookup, logging, scripted failures
// and the checks every member shares; the object kinds answer their members in invoke.
class Dispatch : public com::ObjectRoot, public IDispatch {
public:
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* arg_error) override;

protected:
    Dispatch();
    virtual ~Dispatch();

    virtual const wchar_t* kind() const = 0;
    virtual std::span<const MemberAccess> members() const = 0;
    // What the call log names as the call's target (a range's "Sheet1!A1:B2").
    virtual std::wstring target() const { return {}; }
    virtual HRESULT invoke(Request& request) = 0;
};

// Creates an object of class T (derived from Dispatch) and lets setup fill in what it names; null
// when out of memory.
template <class T, class Setup>
com::com_ptr<IDispatch> make(Setup setup) {
    com::ComObject<T>* created = nullptr;
    com::ComObject<T>::create_instance(&created);
    if (created)
        setup(static_cast<T&>(*created));
    return com::com_ptr<IDispatch>::attach(static_cast<IDispatch*>(created));
}
template <class T>
com::com_ptr<IDispatch> make() {
    return make<T>([](T&) {});
}

com::com_ptr<IDispatch> make_application();
com::com_ptr<IDispatch> make_window();
com::com_ptr<IDispatch> make_workbook(unsigned workbook);
com::com_ptr<IDispatch> make_sheet(unsigned workbook, unsigned sheet);
com::com_ptr<IDispatch> make_range(unsigned workbook, unsigned sheet, const ExcelArea& area, bool columns);

// The workbook and sheet of a range object of this stand-in; false for any other object.
bool range_of(IDispatch* object, unsigned& workbook, unsigned& sheet, ExcelArea& area);

} // namespace vex::test::excel
