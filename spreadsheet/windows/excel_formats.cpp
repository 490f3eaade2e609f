// The engine's number formats: Excel's International settings, read once, and the formats of
// columns and cells written to ranges.
#include "windows/excel_engine.h"

#include "windows/text_bstr.h"

#include <string>

namespace vex {
namespace {

// Application.International indexes, in the order they are read, with the error text of each.
struct InternationalIndex {
    LONG index;
    const wchar_t* failure;
};
constexpr InternationalIndex international_indexes[] = {
    {3, L"GetIndexedPropertyByName(LInternational"},
    {4, L"GetIndexedPropertyByName(LInternational:Thousand"},
    {21, L"GetIndexedPropertyByName(LInternational:DayCode"},
    {20, L"GetIndexedPropertyByName(LInternational:MonthCode"},
    {19, L"GetIndexedPropertyByName(LInternational:YearCode"},
    {17, L"GetIndexedPropertyByName(LInternational:DateSeparator"},
    {32, L"GetIndexedPropertyByName(LInternational:DateOrder"},
    {18, L"GetIndexedPropertyByName(LInternational:DateOrder"},
    {24, L"GetIndexedPropertyByName(LInternational:DateOrder"},
    {23, L"GetIndexedPropertyByName(LInternational:DateOrder"},
    {22, L"GetIndexedPropertyByName(LInternational:DateOrder"},
};

table::Text text_of(const VARIANT& value) {
    return value.vt == VT_BSTR ? table::windows::to_text(value.bstrVal) : table::Text();
}

// Excel answers the date order as a whole number; anything numeric is taken.
double number_of(const VARIANT& value) {
    VARIANT number;
    VariantInit(&number);
    if (FAILED(VariantChangeType(&number, const_cast<VARIANT*>(&value), 0, VT_R8)))
        return -1.0;
    return number.dblVal;
}

} // namespace

// Nothing is stored unless all eleven settings were read.
HRESULT CVEX_Spreadsheet_Excel_Wob::initInternational() {
    m_trace.enter(L"initInternational");
    if (m_internationalLoaded) {
        m_trace.leave(L"initInternational", S_OK);
        return S_OK;
    }
    com::unique_variant values[std::size(international_indexes)];
    for (std::size_t i = 0; i < std::size(international_indexes); ++i) {
        VARIANT index;
        VariantInit(&index);
        index.vt = VT_I4;
        index.lVal = international_indexes[i].index;
        DISPPARAMS args{&index, nullptr, 1, 0};
        VEX_RETURN_IF_FAILED(m_trace, international_indexes[i].failure,
                             item(m_application.get(), L"International", &args, values[i].get()));
    }
    table::International& s = m_international;
    s.decimalSeparator = text_of(*values[0].get());
    s.thousandsSeparator = text_of(*values[1].get());
    s.dayCode = text_of(*values[2].get());
    s.monthCode = text_of(*values[3].get());
    s.yearCode = text_of(*values[4].get());
    s.dateSeparator = text_of(*values[5].get());
    s.dateOrder = number_of(*values[6].get());
    s.timeSeparator = text_of(*values[7].get());
    s.secondCode = text_of(*values[8].get());
    s.minuteCode = text_of(*values[9].get());
    s.hourCode = text_of(*values[10].get());
    m_internationalLoaded = true;
    m_trace.leave(L"initInternational", S_OK);
    return S_OK;
}

HRESULT CVEX_Spreadsheet_Excel_Wob::check_initInternational() {
    m_trace.enter(L"check_initInternational");
    if (!m_internationalLoaded) {
        com::com_ptr<IDispatch> application;
        VEX_RETURN_IF_FAILED(m_trace, L" getSpreadsheet_Application",
                             getSpreadsheet_Application(application));
    }
    m_trace.leave(L"check_initInternational", S_OK);
    return S_OK;
}

HRESULT CVEX_Spreadsheet_Excel_Wob::getDecimalseparator(table::Text& separator) {
    m_trace.enter(L"getDecimalseparator");
    VEX_RETURN_IF_FAILED(m_trace, L"check_initInternational", check_initInternational());
    separator = m_international.decimalSeparator;
    m_trace.leave(L"getDecimalseparator", S_OK);
    return S_OK;
}

HRESULT CVEX_Spreadsheet_Excel_Wob::getFormatCustom(std::int32_t decimals, table::TextView unit,
                                                    table::Text& format) {
    m_trace.enter(L"getFormatCustom");
    VEX_RETURN_IF_FAILED(m_trace, L"check_initInternational", check_initInternational());
    format = table::getFormatCustom(m_international, decimals, unit);
    m_trace.leave(L"getFormatCustom", S_OK);
    return S_OK;
}

// A category without a format is reported but is no failure: the alignment is still written.
HRESULT CVEX_Spreadsheet_Excel_Wob::SetFormat(IDispatch* range, const table::ColumnFormat& column) {
    m_trace.enter(L"SetFormat");
    if (!table::is_managed_category(column.category)) {
        m_trace.error(L"Not managed format: CVEX_Spreadsheet_Excel_ColumnFormat:" +
                          std::to_wstring(column.category),
                      S_OK);
    }
    if (const auto format = table::column_number_format(m_international, column)) {
        com::unique_variant value;
        value->vt = VT_BSTR;
        value->bstrVal = table::windows::to_bstr(*format).release();
        VEX_RETURN_IF_FAILED(
            m_trace, L"PutPropertyByName: NumberFormat:" + std::wstring(table::windows::wide_view(*format)),
            put(range, L"NumberFormat", value.get()));
    }
    if (column.hasJustify)
        VEX_RETURN_IF_FAILED(m_trace, L"setColumnJustify", setColumnJustify(range, column.justify));
    m_trace.leave(L"SetFormat", S_OK);
    return S_OK;
}

// An empty format resets the cell to Excel's general format.
HRESULT CVEX_Spreadsheet_Excel_Wob::SetFormatCell(IDispatch* range, const table::ColumnFormat& column,
                                                  const table::CellFormat& cell,
                                                  const table::UnitFormats& units) {
    m_trace.enter(L"SetFormatCell");
    const table::Text format = table::cell_number_format(m_international, column, cell, units);
    com::unique_variant value;
    value->vt = VT_BSTR;
    value->bstrVal = table::windows::to_bstr(format).release();
    VEX_RETURN_IF_FAILED(
        m_trace, L"PutPropertyByName: NumberFormat:" + std::wstring(table::windows::wide_view(format)),
        put(range, L"NumberFormat", value.get()));
    m_trace.leave(L"SetFormatCell", S_OK);
    return S_OK;
}

} // namespace vex
