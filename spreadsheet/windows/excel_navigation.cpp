// The engine's way through Excel: from the workbook to its application, the workbooks, the sheets
// (found or added), ranges built from cell coordinates, clearing a sheet and freezing columns.
#include "windows/excel_engine.h"

#include "windows/text_bstr.h"

#include <cmath>
#include <string>

namespace vex {
namespace {

VARIANT long_value(std::int32_t value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

// A property that must be an object.
HRESULT take_dispatch(VARIANT& value, com::com_ptr<IDispatch>& out) {
    if (value.vt != VT_DISPATCH || !value.pdispVal)
        return E_FAIL;
    out = value.pdispVal;
    return S_OK;
}

} // namespace

CVEX_Spreadsheet_Excel_Wob::~CVEX_Spreadsheet_Excel_Wob() {
    m_trace.enter(L"~CVEX_Spreadsheet_Excel_Wob");
}

HRESULT CVEX_Spreadsheet_Excel_Wob::get(IDispatch* object, const wchar_t* name, VARIANT* value) {
    return m_automation.getPropertyByName(object, com::unique_bstr(name), value);
}

HRESULT CVEX_Spreadsheet_Excel_Wob::put(IDispatch* object, const wchar_t* name, VARIANT* value) {
    return m_automation.putPropertyByName(object, com::unique_bstr(name), value);
}

HRESULT CVEX_Spreadsheet_Excel_Wob::call(IDispatch* object, const wchar_t* name, DISPPARAMS* args,
                                         VARIANT* result) {
    return m_automation.invokeMethodByName(object, com::unique_bstr(name), args, result);
}

HRESULT CVEX_Spreadsheet_Excel_Wob::item(IDispatch* object, const wchar_t* name, DISPPARAMS* args,
                                         VARIANT* result) {
    return m_automation.getIndexedPropertyByName(object, com::unique_bstr(name), args, result);
}

HRESULT CVEX_Spreadsheet_Excel_Wob::object(IDispatch* object, const wchar_t* name,
                                           com::com_ptr<IDispatch>& value) {
    return m_automation.getDispPropertyByName(object, com::unique_bstr(name), value.put());
}

HRESULT CVEX_Spreadsheet_Excel_Wob::setTrace(IVEX_Trace* trace) {
    m_trace.set(trace);
    m_automation.setTrace(trace);
    m_trace.enter(L"setTrace");
    m_trace.leave(L"setTrace", S_OK);
    return S_OK;
}

HRESULT CVEX_Spreadsheet_Excel_Wob::getSpreadsheet(IDispatch* workbook) {
    m_trace.enter(L"getSpreadsheet");
    m_workbook = workbook;
    m_trace.leave(L"setTrace", S_OK);
    return S_OK;
}

// The application is asked for anew each time; the International settings are read once.
HRESULT CVEX_Spreadsheet_Excel_Wob::getSpreadsheet_Application(com::com_ptr<IDispatch>& application) {
    m_trace.enter(L"getSpreadsheet_Application");
    VEX_RETURN_IF_FAILED(m_trace, L"getDispPropertyByName",
                         object(m_workbook.get(), L"Application", application));
    if (m_application != application)
        m_application = application;
    VEX_RETURN_IF_FAILED(m_trace, L"initInternational", initInternational());
    m_trace.leave(L"getSpreadsheet_Application", S_OK);
    return S_OK;
}

HRESULT CVEX_Spreadsheet_Excel_Wob::getSpreadsheet_Workbooks(com::com_ptr<IDispatch>& workbooks) {
    m_trace.enter(L"getSpreadsheet_Workbooks");
    com::com_ptr<IDispatch> application;
    VEX_RETURN_IF_FAILED(m_trace, L"getSpreadsheet_Application", getSpreadsheet_Application(application));
    VEX_RETURN_IF_FAILED(m_trace, L"getDispPropertyByName",
                         object(application.get(), L"Workbooks", workbooks));
    m_trace.leave(L"getSpreadsheet_Workbooks", S_OK);
    return S_OK;
}

HRESULT CVEX_Spreadsheet_Excel_Wob::getSpreadsheet_Workbook(std::wstring_view name,
                                                            com::com_ptr<IDispatch>& workbook) {
    m_trace.enter(L"getSpreadsheet_Workbook");
    com::com_ptr<IDispatch> workbooks;
    VEX_RETURN_IF_FAILED(m_trace, L"getSpreadsheet_Workbooks", getSpreadsheet_Workbooks(workbooks));
    com::unique_variant argument, result;
    argument->vt = VT_BSTR;
    argument->bstrVal = SysAllocStringLen(name.data(), static_cast<UINT>(name.size()));
    if (!argument->bstrVal)
        return m_trace.fail(L"getIndexedPropertyByName Item", E_OUTOFMEMORY);
    DISPPARAMS args{argument.get(), nullptr, 1, 0};
    VEX_RETURN_IF_FAILED(m_trace, L"getIndexedPropertyByName Item",
                         item(workbooks.get(), L"Item", &args, result.get()));
    if (FAILED(take_dispatch(*result.get(), workbook)))
        return m_trace.fail(L"no result dispatch", E_FAIL);
    m_trace.leave(L"getSpreadsheet_Workbook", S_OK);
    return S_OK;
}

HRESULT CVEX_Spreadsheet_Excel_Wob::getSpreadsheet_Sheets(com::com_ptr<IDispatch>& sheets) {
    m_trace.enter(L"getSpreadsheet_Sheets");
    VEX_RETURN_IF_FAILED(m_trace, L"getDispPropertyByName", object(m_workbook.get(), L"Sheets", sheets));
    m_trace.leave(L"getSpreadsheet_Sheets", S_OK);
    return S_OK;
}

// Excel answers a missing name with a failure: that is the question "does the sheet exist?".
HRESULT CVEX_Spreadsheet_Excel_Wob::AddSheet(IDispatch*, IDispatch* sheets, std::wstring_view name,
                                             com::com_ptr<IDispatch>& sheet) {
    m_trace.enter(L"AddSheet");
    sheet = nullptr;
    com::unique_variant argument, found;
    argument->vt = VT_BSTR;
    argument->bstrVal = SysAllocStringLen(name.data(), static_cast<UINT>(name.size()));
    if (!argument->bstrVal)
        return m_trace.fail(L"AddSheet", E_OUTOFMEMORY);
    DISPPARAMS args{argument.get(), nullptr, 1, 0};
    HRESULT hr = item(sheets, L"Item", &args, found.get());
    if (SUCCEEDED(hr)) {
        m_trace.warning(L"sheet is available, no creation necessary", hr);
        take_dispatch(*found.get(), sheet);
        m_trace.leave(L"AddSheet", hr);
        return hr;
    }
    m_trace.warning(L"sheet is not available, creation necessary, error before ignored", hr);
    com::unique_variant added;
    VEX_RETURN_IF_FAILED(m_trace, L"invokeMethodByName", call(sheets, L"Add", nullptr, added.get()));
    if (FAILED(take_dispatch(*added.get(), sheet)))
        return E_FAIL;
    // A name Excel refuses leaves the new sheet under Excel's own name.
    VEX_RETURN_IF_FAILED(m_trace, L"PutPropertyByName", put(sheet.get(), L"Name", argument.get()));
    m_trace.leave(L"AddSheet", S_OK);
    return S_OK;
}

HRESULT CVEX_Spreadsheet_Excel_Wob::defineRange(IDispatch* sheet, IDispatch* cells,
                                                const table::CellRect& rect, com::com_ptr<IDispatch>& range) {
    m_trace.enter(L"defineRange");
    if (!sheet || !cells)
        return m_trace.fail(L"theCells, theSheets == NULL", E_FAIL);
    // Automation arguments travel last first: Excel sees (row, column).
    VARIANT first[] = {long_value(rect.firstColumn), long_value(rect.firstRow)};
    VARIANT last[] = {long_value(rect.lastColumn), long_value(rect.lastRow)};
    DISPPARAMS first_args{first, nullptr, 2, 0};
    DISPPARAMS last_args{last, nullptr, 2, 0};
    com::unique_variant corner1, corner2, result;
    VEX_RETURN_IF_FAILED(m_trace, L"GetIndexedPropertyByName(LItem",
                         item(cells, L"Item", &first_args, corner1.get()));
    VEX_RETURN_IF_FAILED(m_trace, L"GetIndexedPropertyByName(LItem 2",
                         item(cells, L"Item", &last_args, corner2.get()));
    VARIANT corners[] = {*corner2.get(), *corner1.get()}; // borrowed: the holders keep the references
    DISPPARAMS corner_args{corners, nullptr, 2, 0};
    VEX_RETURN_IF_FAILED(m_trace, L"GetIndexedPropertyByNameRange",
                         item(sheet, L"Range", &corner_args, result.get()));
    if (FAILED(take_dispatch(*result.get(), range)))
        return m_trace.fail(L"no range dispatch", E_FAIL);
    m_trace.leave(L"defineRange", S_OK);
    return S_OK;
}

HRESULT CVEX_Spreadsheet_Excel_Wob::defineRange(IDispatch* sheet, const table::CellRect& rect,
                                                com::com_ptr<IDispatch>& range) {
    m_trace.enter(L"defineRange");
    com::com_ptr<IDispatch> cells;
    VEX_RETURN_IF_FAILED(m_trace, L"getDispPropertyByName: Cells", object(sheet, L"Cells", cells));
    VEX_RETURN_IF_FAILED(m_trace, L"defineRange", defineRange(sheet, cells.get(), rect, range));
    m_trace.leave(L"defineRange", S_OK);
    return S_OK;
}

HRESULT CVEX_Spreadsheet_Excel_Wob::clearSheet(IDispatch* sheet) {
    m_trace.enter(L"clearSheet");
    com::com_ptr<IDispatch> cells;
    VEX_RETURN_IF_FAILED(m_trace, L"getDispPropertyByName: sheet", object(sheet, L"Cells", cells));
    VEX_RETURN_IF_FAILED(m_trace, L"invokeMethodByName: Clear:",
                         call(cells.get(), L"Clear", nullptr, nullptr));
    m_trace.leave(L"clearSheet", S_OK);
    return S_OK;
}

// Freezes the leftmost columns of the active window; the caller has reached the application before.
HRESULT CVEX_Spreadsheet_Excel_Wob::setFixedColumns(float count) {
    m_trace.enter(L"setFixedColumns");
    com::com_ptr<IDispatch> window;
    VEX_RETURN_IF_FAILED(m_trace, L"getDispPropertyByName",
                         object(m_application.get(), L"ActiveWindow", window));
    const std::wstring columns = std::to_wstring(static_cast<long long>(std::trunc(count)));
    VARIANT split;
    VariantInit(&split);
    split.vt = VT_R4;
    split.fltVal = count;
    VEX_RETURN_IF_FAILED(m_trace, L"PutPropertyByName: SplitColumn:" + columns,
                         put(window.get(), L"SplitColumn", &split));
    VARIANT freeze;
    VariantInit(&freeze);
    freeze.vt = VT_I2;
    freeze.iVal = -1;
    VEX_RETURN_IF_FAILED(m_trace, L"PutPropertyByName: FreezePanes:" + columns,
                         put(window.get(), L"FreezePanes", &freeze));
    m_trace.leave(L"setFixedColumns", S_OK);
    return S_OK;
}

} // namespace vex
