// The engine's range writers: a block of values and the header row, each in one Value assignment of a
// two-dimensional array, colours, merged rows, column widths and alignment.
#include "windows/excel_engine.h"

#include "core/justify.h"
#include "windows/text_bstr.h"

#include <limits>
#include <string>

namespace vex {
namespace {

// A rows x columns array of VARIANT with lower bounds 0; rows are the first dimension, as Excel
// reads a range's Value. Null when the counts make no array.
SAFEARRAY* create_block(std::int32_t rowCount, std::int32_t columnCount) {
    if (rowCount < 0 || columnCount < 0)
        return nullptr;
    SAFEARRAYBOUND bounds[2] = {{static_cast<ULONG>(rowCount), 0}, {static_cast<ULONG>(columnCount), 0}};
    return SafeArrayCreate(VT_VARIANT, 2, bounds);
}

struct BlockDeleter {
    void operator()(SAFEARRAY* block) const noexcept { SafeArrayDestroy(block); }
};
using unique_block = std::unique_ptr<SAFEARRAY, BlockDeleter>;

// Stores a cell value into an element of a fresh array (VT_EMPTY before). False when out of memory.
bool store(VARIANT& element, const table::CellValue& value) {
    switch (value.kind()) {
    case table::CellValue::Kind::text: {
        const auto text = table::windows::wide_view(value.text());
        element.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        if (!element.bstrVal)
            return false;
        element.vt = VT_BSTR;
        return true;
    }
    case table::CellValue::Kind::number:
        element.vt = VT_R8;
        element.dblVal = value.number();
        return true;
    case table::CellValue::Kind::empty:
        return true;
    }
    return true;
}

VARIANT colour_value(const table::Colour& colour) {
    VARIANT v;
    VariantInit(&v);
    if (colour) {
        v.vt = VT_UI4;
        v.ulVal = *colour;
    }
    return v;
}

} // namespace

HRESULT CVEX_Spreadsheet_Excel_Wob::put_block(IDispatch* range, SAFEARRAY* block) {
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_ARRAY | VT_VARIANT;
    value.parray = block; // borrowed: the caller destroys the array
    return put(range, L"Value", &value);
}

HRESULT CVEX_Spreadsheet_Excel_Wob::setRange(IDispatch* sheet, std::int32_t columnCount,
                                             std::int32_t rowCount, const table::CellRect& rect,
                                             const table::CellValues& values) {
    m_trace.enter(L"setRange");
    com::com_ptr<IDispatch> cells, range;
    VEX_RETURN_IF_FAILED(m_trace, L"getDispPropertyByName: sheet", object(sheet, L"Cells", cells));
    VEX_RETURN_IF_FAILED(m_trace, L"defineRange", defineRange(sheet, cells.get(), rect, range));
    unique_block block(create_block(rowCount, columnCount));
    if (!block)
        return m_trace.fail(L"psa == NULL", E_FAIL);
    const auto rows = static_cast<std::size_t>(rowCount);
    const auto columns = static_cast<std::size_t>(columnCount);
    if (rows != 0 && columns > values.size() / rows)
        return m_trace.fail(L"Check: mismatch between data and cellarray", E_FAIL);

    // The array is filled in place, each text copied once into its element. A SAFEARRAY keeps its
    // first dimension fastest: element (row i, column j) lies at j * rows + i.
    VARIANT* elements = nullptr;
    VEX_RETURN_IF_FAILED(m_trace, L"SafeArrayAccessData",
                         SafeArrayAccessData(block.get(), reinterpret_cast<void**>(&elements)));
    std::size_t k = 0;
    for (std::size_t i = 0; i < rows; ++i) {
        for (std::size_t j = 0; j < columns; ++j, ++k) {
            if (!store(elements[j * rows + i], values[k])) {
                SafeArrayUnaccessData(block.get());
                return m_trace.fail(L"SafeArrayPutElement: index" + std::to_wstring(k), E_OUTOFMEMORY);
            }
        }
    }
    SafeArrayUnaccessData(block.get());
    VEX_RETURN_IF_FAILED(m_trace, L"putPropertyByName: range-Value", put_block(range.get(), block.get()));
    block.reset();
    VEX_RETURN_IF_FAILED(m_trace, L"setColumnAutofit", setColumnAutofit(range.get()));
    m_trace.leave(L"setRange", S_OK);
    return S_OK;
}

HRESULT CVEX_Spreadsheet_Excel_Wob::setColumnHeader(IDispatch* sheet, std::int32_t columnCount, std::int32_t,
                                                    const table::CellRect& rect,
                                                    const std::vector<table::ColumnFormat>& columns,
                                                    const table::Colour& colour) {
    m_trace.enter(L"setColumnHeader");
    com::com_ptr<IDispatch> cells, range;
    VEX_RETURN_IF_FAILED(m_trace, L"getDispPropertyByName: sheet", object(sheet, L"Cells", cells));
    VEX_RETURN_IF_FAILED(m_trace, L"defineRange", defineRange(sheet, cells.get(), rect, range));
    unique_block block(create_block(1, columnCount));
    if (!block)
        return m_trace.fail(L"psa == NULL", E_FAIL);
    VARIANT* elements = nullptr;
    VEX_RETURN_IF_FAILED(m_trace, L"SafeArrayAccessData",
                         SafeArrayAccessData(block.get(), reinterpret_cast<void**>(&elements)));
    for (std::int32_t j = 0; j < columnCount; ++j) {
        HRESULT hr = S_OK;
        const wchar_t* failure = L"Check: index";
        if (static_cast<std::size_t>(j) >= columns.size()) {
            hr = E_FAIL;
        } else if (!store(elements[j], table::CellValue(columns[static_cast<std::size_t>(j)].title))) {
            hr = E_OUTOFMEMORY;
            failure = L"SafeArrayPutElement: index";
        }
        if (FAILED(hr)) {
            SafeArrayUnaccessData(block.get());
            return m_trace.fail(failure, hr);
        }
    }
    SafeArrayUnaccessData(block.get());
    VEX_RETURN_IF_FAILED(m_trace, L"putPropertyByName: range-Value", put_block(range.get(), block.get()));
    block.reset();
    VEX_RETURN_IF_FAILED(m_trace, L"setColourRow", setColourRange(sheet, rect, colour));
    m_trace.leave(L"setColumnHeader", S_OK);
    return S_OK;
}

// An empty colour goes to Excel as it is.
HRESULT CVEX_Spreadsheet_Excel_Wob::setColourRange(IDispatch* sheet, const table::CellRect& rect,
                                                   const table::Colour& colour) {
    m_trace.enter(L"setColourRange");
    com::com_ptr<IDispatch> range, interior;
    VEX_RETURN_IF_FAILED(m_trace, L"defineRange", defineRange(sheet, rect, range));
    VEX_RETURN_IF_FAILED(m_trace, L"getDispPropertyByName: Interior",
                         object(range.get(), L"Interior", interior));
    VARIANT value = colour_value(colour);
    VEX_RETURN_IF_FAILED(m_trace, L"getDispPropertyByName: ColorIndex",
                         put(interior.get(), L"Color", &value));
    m_trace.leave(L"setColourRange", S_OK);
    return S_OK;
}

HRESULT CVEX_Spreadsheet_Excel_Wob::setCollapsed(IDispatch* sheet, const std::vector<std::int32_t>& rows,
                                                 std::int32_t firstColumn, std::int32_t lastColumn,
                                                 std::int32_t rowOffset) {
    m_trace.enter(L"setCollapsed");
    for (const std::int32_t row : rows) {
        // A row beyond what 32 bits hold is one Excel refuses, not an overflow.
        const std::int64_t sheetRow = std::int64_t{row} + rowOffset;
        const auto clamped = static_cast<std::int32_t>(
            std::min<std::int64_t>(std::max<std::int64_t>(sheetRow, std::numeric_limits<std::int32_t>::min()),
                                   std::numeric_limits<std::int32_t>::max()));
        com::com_ptr<IDispatch> range;
        VEX_RETURN_IF_FAILED(m_trace, L"defineRange",
                             defineRange(sheet, {firstColumn, clamped, lastColumn, clamped}, range));
        VEX_RETURN_IF_FAILED(m_trace, L"invokeMethodByName: Merge:",
                             call(range.get(), L"Merge", nullptr, nullptr));
    }
    m_trace.leave(L"setCollapsed", S_OK);
    return S_OK;
}

HRESULT CVEX_Spreadsheet_Excel_Wob::setColumnAutofit(IDispatch* range) {
    m_trace.enter(L"setColumnAutofit");
    com::com_ptr<IDispatch> columns;
    VEX_RETURN_IF_FAILED(m_trace, L"invokeMethodByName: AutoFit:", object(range, L"Columns", columns));
    VEX_RETURN_IF_FAILED(m_trace, L"invokeMethodByName: AutoFit:",
                         call(columns.get(), L"AutoFit", nullptr, nullptr));
    m_trace.leave(L"setColumnAutofit", S_OK);
    return S_OK;
}

HRESULT CVEX_Spreadsheet_Excel_Wob::setColumnJustify(IDispatch* range, std::int32_t alignment) {
    m_trace.enter(L"setColumnJustify");
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_I4;
    value.lVal = alignment;
    VEX_RETURN_IF_FAILED(m_trace, L"putPropertyByName(range, HorizontalAlignment",
                         put(range, L"HorizontalAlignment", &value));
    m_trace.leave(L"setColumnJustify", S_OK);
    return S_OK;
}

HRESULT CVEX_Spreadsheet_Excel_Wob::getJustifyValues(std::wstring_view code, std::int32_t& value) {
    m_trace.enter(L"getJustifyValues");
    table::Text text;
    table::windows::assign_text(text, code);
    value = table::justify_general;
    if (const auto alignment = table::justify_value(text)) {
        value = *alignment;
    } else {
        m_trace.warning(table::windows::wide_view(table::invalid_justify_warning(text)), S_OK);
    }
    m_trace.leave(L"getJustifyValues", S_OK);
    return S_OK;
}

} // namespace vex
