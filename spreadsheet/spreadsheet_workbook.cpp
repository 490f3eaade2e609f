// The spreadsheet component on the workbook: printing, macros, showing Excel, and what the parser asks
// of the engine while it reads and renders a table document.
#include "spreadsheet/spreadsheet.h"

#include "core/area_renderer.h"
#include "windows/text_bstr.h"

#include <docobj.h>

#include <string>

namespace vex {

STDMETHODIMP CVEX_Spreadsheet_Wob::printdocument(LONG userprompt) {
    const auto scope = m_trace.call(L"printdocument");
    VEX_RETURN_IF_FAILED(m_trace, L"getSpreadsheet", getSpreadsheet());
    auto target = m_pspreadsheet.try_query<IOleCommandTarget>();
    if (!target)
        return m_trace.fail(L"pTarget == NULL!", E_FAIL);
    // Only 1 asks Excel to show its print dialog.
    const DWORD option = userprompt == 1 ? OLECMDEXECOPT_PROMPTUSER : OLECMDEXECOPT_DODEFAULT;
    VEX_RETURN_IF_FAILED(m_trace, L"Exec(", target->Exec(nullptr, OLECMDID_PRINT, option, nullptr, nullptr));
    m_trace.leave(L"printdocument", S_OK);
    return S_OK;
}

// "Book.xlsm!Module.Macro" runs in the workbook it names; a bare name runs in the component's own
// workbook. Only macros of a signed project run.
STDMETHODIMP CVEX_Spreadsheet_Wob::runmacro(BSTR name) {
    const auto scope = m_trace.call(L"runmacro");
    VEX_RETURN_IF_FAILED(m_trace, L"getSpreadsheet", getSpreadsheet());
    com::com_ptr<IDispatch> application, workbook;
    VEX_RETURN_IF_FAILED(m_trace, L" getSpreadsheet_Application",
                         m_spreadsheet->getSpreadsheet_Application(application));
    const std::wstring_view macro = com::bstr_view(name);
    if (macro.empty())
        return m_trace.fail(L"No macroname defined!", E_FAIL);
    const std::size_t bang = macro.find(L'!');
    if (bang != std::wstring_view::npos) {
        VEX_RETURN_IF_FAILED(m_trace, L" getSpreadsheet_Workbook",
                             m_spreadsheet->getSpreadsheet_Workbook(macro.substr(0, bang), workbook));
    } else {
        VEX_RETURN_IF_FAILED(
            m_trace, L"getDispPropertyByName Activate",
            m_automation.invokeMethodByName(m_pspreadsheet, com::unique_bstr(L"Activate"), nullptr, nullptr));
        VEX_RETURN_IF_FAILED(m_trace, L"getDispPropertyByName: ActiveWorkbook",
                             m_automation.getDispPropertyByName(
                                 application, com::unique_bstr(L"ActiveWorkbook"), workbook.put()));
    }
    com::unique_variant signature;
    VEX_RETURN_IF_FAILED(
        m_trace, L"getPropertyByName: VBASigned",
        m_automation.getPropertyByName(workbook, com::unique_bstr(L"VBASigned"), signature.get()));
    if (FAILED(VariantChangeType(signature.get(), signature.get(), 0, VT_BOOL)) ||
        signature->boolVal == VARIANT_FALSE)
        return m_trace.fail(L"Macro:" + std::wstring(macro) + L" not signed!", E_FAIL);

    com::unique_variant argument;
    argument->vt = VT_BSTR;
    argument->bstrVal = com::unique_bstr::copy_of(name).release();
    DISPPARAMS args{argument.get(), nullptr, 1, 0};
    const std::wstring shown =
        bang != std::wstring_view::npos ? std::wstring(macro) : L"ThisWorkbook." + std::wstring(macro);
    VEX_RETURN_IF_FAILED(
        m_trace, L"invokeMethodByName: Runmacro:" + shown,
        m_automation.invokeMethodByName(application, com::unique_bstr(L"Run"), &args, nullptr));
    m_trace.leave(L"runmacro", S_OK);
    return S_OK;
}

HRESULT CVEX_Spreadsheet_Wob::setExcelVisible(BYTE visible) {
    m_trace.enter(L"setExcelVisible");
    VEX_RETURN_IF_FAILED(m_trace, L"getSpreadsheet ", getSpreadsheet());
    com::com_ptr<IDispatch> application;
    VEX_RETURN_IF_FAILED(m_trace, L" getSpreadsheet_Application",
                         m_spreadsheet->getSpreadsheet_Application(application));
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BOOL;
    value.boolVal = visible ? VARIANT_TRUE : VARIANT_FALSE;
    VEX_RETURN_IF_FAILED(m_trace, L"putPropertyByName: Visible",
                         m_automation.putPropertyByName(application, com::unique_bstr(L"Visible"), &value));
    m_trace.leave(L"setExcelVisible", S_OK);
    return S_OK;
}

// Shown in place, Excel lives inside the host's window and is not made visible on its own.
HRESULT CVEX_Spreadsheet_Wob::setExcelVisible_OutplaceWorkaround(BYTE visible) {
    m_trace.enter(L"setExcelVisible_OutplaceWorkaround");
    if (!m_penvironment)
        return m_trace.fail(L"m_penvironment == NULL", E_FAIL);
    LONG inplace = 0;
    VEX_RETURN_IF_FAILED(m_trace, L"getInplace", m_penvironment->getInplace(&inplace));
    HRESULT hr = S_OK;
    if (inplace == 0)
        hr = setExcelVisible(visible);
    m_trace.leave(L"setExcelVisible_OutplaceWorkaround", hr);
    return hr;
}

table::Status CVEX_Spreadsheet_Wob::getDecimalseparator(table::Text& separator) {
    return m_spreadsheet->getDecimalseparator(separator);
}

table::Status CVEX_Spreadsheet_Wob::getJustifyValues(table::TextView code, std::int32_t& value) {
    return m_spreadsheet->getJustifyValues(table::windows::wide_view(code), value);
}

table::Status CVEX_Spreadsheet_Wob::getFormatUnit(std::int32_t decimals, table::TextView unit,
                                                  table::Text& format) {
    return m_spreadsheet->getFormatCustom(decimals, unit, format);
}

table::Status CVEX_Spreadsheet_Wob::update_TBXToExcel(const table::TableModel& area) {
    return table::render_area(area, *m_spreadsheet, &m_traceSink);
}

} // namespace vex
