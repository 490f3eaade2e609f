// The stand-in Excel's Range and Interior objects: values, number formats, alignments, fills, merged
// areas and auto-fits of a rectangle of one sheet, stored cell by cell.
#include "excel_internal.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <iterator>
#include <optional>

namespace vex::test::excel {
namespace {

// {3C6F2A51-8E0B-4C7D-9A41-52D7E0B8F6A3}: how the stand-in recognises its own ranges among the
// arguments of Worksheet.Range.
constexpr IID range_identity_iid = {
    0x3c6f2a51, 0x8e0b, 0x4c7d, {0x9a, 0x41, 0x52, 0xd7, 0xe0, 0xb8, 0xf6, 0xa3}};

struct RangeIdentity : public IUnknown {
    virtual void STDMETHODCALLTYPE where(unsigned& workbook, unsigned& sheet, ExcelArea& area) = 0;
};

// xlGeneral, xlLeft, xlCenter, xlRight, xlFill, xlJustify, xlCenterAcrossSelection, xlDistributed.
constexpr LONG horizontal_alignments[] = {1, -4131, -4108, -4152, 5, -4130, 7, -4117};
constexpr double no_fill_colour = 16777215; // what Interior.Color answers for a cell without fill

long long cell_count(const ExcelArea& area) {
    return static_cast<long long>(area.rows()) * area.columns();
}

bool blank(const ExcelCell& cell) {
    return cell.value.empty() && cell.number_format.empty() && !cell.alignment && !cell.fill;
}

// Calls change for every cell of the area that exists, then drops the cells left blank.
void change_existing(ExcelSheet& sheet, const ExcelArea& area,
                     const std::function<void(ExcelCell&)>& change) {
    if (!ExcelStandIn::instance().keep_values)
        return;
    auto it = sheet.cells.lower_bound({area.top, area.left});
    while (it != sheet.cells.end() && it->first.first <= area.bottom) {
        if (!area.contains(it->first.first, it->first.second)) {
            ++it;
            continue;
        }
        change(it->second);
        it = blank(it->second) ? sheet.cells.erase(it) : std::next(it);
    }
}

// Calls change for every cell of the area, creating the missing ones; drops the cells left blank.
HRESULT change_all(Request& request, ExcelSheet& sheet, const ExcelArea& area,
                   const std::function<HRESULT(ExcelCell&, LONG, LONG)>& change) {
    if (!ExcelStandIn::instance().keep_values)
        return S_OK;
    if (cell_count(area) > max_cells_per_call)
        return request.refuse(L"The stand-in Excel keeps cells one by one and takes at most " +
                              std::to_wstring(max_cells_per_call) + L" in one call, not " +
                              std::to_wstring(cell_count(area)) + L" (" + area.address() + L")");
    for (LONG row = area.top; row <= area.bottom; ++row) {
        for (LONG column = area.left; column <= area.right; ++column) {
            auto it = sheet.cells.try_emplace({row, column}).first;
            const HRESULT hr = change(it->second, row, column);
            if (blank(it->second))
                sheet.cells.erase(it);
            if (FAILED(hr))
                return hr;
        }
    }
    return S_OK;
}

// The one value of an attribute over the area (cells never written count with the default), nothing
// when the cells differ.
template <class T>
std::optional<T> uniform(const ExcelSheet& sheet, const ExcelArea& area, T absent,
                         const std::function<T(const ExcelCell&)>& attribute) {
    std::optional<T> found;
    long long existing = 0;
    bool mixed = false;
    for (auto it = sheet.cells.lower_bound({area.top, area.left});
         it != sheet.cells.end() && it->first.first <= area.bottom; ++it) {
        if (!area.contains(it->first.first, it->first.second))
            continue;
        ++existing;
        const T value = attribute(it->second);
        mixed = mixed || (found && *found != value);
        found = value;
    }
    if (existing < cell_count(area)) {
        mixed = mixed || (found && *found != absent);
        found = absent;
    }
    return mixed ? std::nullopt : found;
}

bool is_number_type(VARTYPE type) {
    switch (type) {
    case VT_I1:
    case VT_UI1:
    case VT_I2:
    case VT_UI2:
    case VT_I4:
    case VT_UI4:
    case VT_I8:
    case VT_UI8:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DECIMAL:
        return true;
    default:
        return false;
    }
}

// Whether Value takes the element, and when it is a formula, which Excel would evaluate.
HRESULT check_element(Request& request, const VARIANT& element, bool text_cell) {
    switch (element.vt) {
    case VT_EMPTY:
    case VT_NULL:
    case VT_BOOL:
    case VT_ERROR:
    case VT_DATE:
        return S_OK;
    case VT_BSTR:
        if (!text_cell && is_formula(com::bstr_view(element.bstrVal)))
            return request.refuse(L"The stand-in Excel does not evaluate formulas: " +
                                  std::wstring(com::bstr_view(element.bstrVal)));
        return S_OK;
    default:
        return is_number_type(element.vt) ? S_OK : DISP_E_TYPEMISMATCH;
    }
}

// Stores a value put into a cell as Excel does: texts typed like a user's entry, numbers as doubles,
// a General cell given a date or a typed entry's format.
void store(ExcelCell& cell, const VARIANT& element, const Locale& locale) {
    const bool general = cell.number_format.empty();
    switch (element.vt) {
    case VT_EMPTY:
    case VT_NULL:
        cell.value.put();
        return;
    case VT_ERROR:
        if (element.scode == DISP_E_PARAMNOTFOUND) // a missing argument: nothing
            cell.value.put();
        else
            copy_of(element, cell.value);
        return;
    case VT_BOOL:
        copy_of(element, cell.value);
        return;
    case VT_DATE:
        copy_of(element, cell.value);
        if (general)
            cell.number_format = locale.short_date_format;
        return;
    case VT_BSTR: {
        Entry entry = type_entry(com::bstr_view(element.bstrVal), locale, cell.number_format == L"@");
        cell.value = std::move(entry.value);
        if (general)
            cell.number_format = entry.format;
        return;
    }
    default:
        coerce(element, VT_R8, cell.value);
        return;
    }
}

class Interior : public Dispatch {
public:
    static std::span<const com::InterfaceEntry> interfaces() {
        static const com::InterfaceEntry entries[] = {VEX_INTERFACE_ENTRY(Interior, IDispatch)};
        return entries;
    }
    unsigned workbook = 0, sheet = 0;
    ExcelArea area;

protected:
    const wchar_t* kind() const override { return L"Interior"; }
    std::wstring target() const override;
    std::span<const MemberAccess> members() const override {
        static constexpr MemberAccess table[] = {{m_color, Access::get_put}};
        return table;
    }
    HRESULT invoke(Request& request) override;
};

class Range : public Dispatch, public RangeIdentity {
public:
    static std::span<const com::InterfaceEntry> interfaces() {
        static const com::InterfaceEntry entries[] = {
            VEX_INTERFACE_ENTRY(Range, IDispatch),
            VEX_INTERFACE_ENTRY_IID(Range, range_identity_iid, RangeIdentity)};
        return entries;
    }
    unsigned workbook = 0, sheet = 0;
    ExcelArea area;
    bool columns = false; // got through Columns: AutoFit works on it

    void STDMETHODCALLTYPE where(unsigned& workbook_id, unsigned& sheet_id, ExcelArea& cells) override {
        workbook_id = workbook;
        sheet_id = sheet;
        cells = area;
    }

protected:
    const wchar_t* kind() const override { return L"Range"; }
    std::wstring target() const override;
    std::span<const MemberAccess> members() const override {
        static constexpr MemberAccess table[] = {{m_item, Access::get},
                                                 {m_value, Access::get_put},
                                                 {m_number_format, Access::get_put},
                                                 {m_horizontal_alignment, Access::get_put},
                                                 {m_interior, Access::get},
                                                 {m_merge, Access::method},
                                                 {m_clear, Access::method},
                                                 {m_columns, Access::get},
                                                 {m_autofit, Access::method}};
        return table;
    }
    HRESULT invoke(Request& request) override {
        ExcelSheet* cells = locate(workbook, sheet);
        if (!cells)
            return RPC_E_DISCONNECTED;
        switch (request.member) {
        case m_item:
            return item(request);
        case m_value:
            return request.put ? put_value(request, *cells) : get_value(request, *cells);
        case m_number_format:
            return number_format(request, *cells);
        case m_horizontal_alignment:
            return alignment(request, *cells);
        case m_interior: {
            const auto interior = make<Interior>([&](Interior& object) {
                object.workbook = workbook;
                object.sheet = sheet;
                object.area = area;
            });
            if (!interior)
                return E_OUTOFMEMORY;
            request.set(interior.get());
            return S_OK;
        }
        case m_merge:
            return merge(request, *cells);
        case m_clear:
            return clear(request, *cells);
        case m_columns:
            return columns_of(request);
        case m_autofit:
            if (!columns)
                return request.refuse(L"AutoFit method of Range class failed");
            cells->autofits.push_back(area);
            return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
    }

public:
    static ExcelSheet* locate(unsigned workbook_id, unsigned sheet_id) {
        auto& excel = ExcelStandIn::instance();
        ExcelWorkbook* book = excel.workbook_by_id(workbook_id);
        return book && book->open ? excel.sheet_by_id(*book, sheet_id) : nullptr;
    }

private:
    HRESULT reply(Request& request, const ExcelArea& cells, bool whole_columns) {
        request.set(make_range(workbook, sheet, cells, whole_columns).get());
        return S_OK;
    }

    // Item(row, column) relative to the top left cell, or Item(index) counting across the rows.
    HRESULT item(Request& request) {
        LONG row = 0, column = 0;
        if (request.count() == 2) {
            if (FAILED(request.number(0, row)) || FAILED(request.number(1, column)))
                return DISP_E_TYPEMISMATCH;
        } else if (request.count() == 1) {
            LONG index = 0;
            if (FAILED(request.number(0, index)))
                return DISP_E_TYPEMISMATCH;
            row = index < 1 ? index : (index - 1) / area.columns() + 1;
            column = index < 1 ? 1 : (index - 1) % area.columns() + 1;
        } else {
            return DISP_E_BADPARAMCOUNT;
        }
        const long long r = static_cast<long long>(area.top) + row - 1,
                        c = static_cast<long long>(area.left) + column - 1;
        if (!excel_sheet_area.contains(static_cast<LONG>(std::clamp(r, 0LL, 1LL << 30)),
                                       static_cast<LONG>(std::clamp(c, 0LL, 1LL << 30))))
            return request.refuse(L"Application-defined or object-defined error");
        const LONG at_row = static_cast<LONG>(r), at_column = static_cast<LONG>(c);
        return reply(request, {at_row, at_column, at_row, at_column}, false);
    }

    HRESULT columns_of(Request& request) {
        if (request.count() == 0)
            return reply(request, area, true);
        LONG index = 0;
        if (request.count() != 1 || FAILED(request.number(0, index)))
            return DISP_E_BADPARAMCOUNT;
        if (index < 1 || index > excel_sheet_area.right - area.left + 1)
            return request.refuse(L"Application-defined or object-defined error");
        const LONG column = area.left + index - 1;
        return reply(request, {area.top, column, area.bottom, column}, true);
    }

    HRESULT get_value(Request& request, const ExcelSheet& cells) {
        if (area.top == area.bottom && area.left == area.right) {
            if (const ExcelCell* cell = cells.cell(area.top, area.left))
                copy_of(cell->value.get(), request.result);
            return S_OK;
        }
        if (cell_count(area) > max_cells_per_call)
            return request.refuse(L"The stand-in Excel reads at most " + std::to_wstring(max_cells_per_call) +
                                  L" cells in one call");
        // A 2-D array with lower bounds 1, rows first, as Excel answers for several cells.
        SAFEARRAYBOUND bounds[2] = {{static_cast<ULONG>(area.rows()), 1},
                                    {static_cast<ULONG>(area.columns()), 1}};
        SAFEARRAY* array = SafeArrayCreate(VT_VARIANT, 2, bounds);
        if (!array)
            return E_OUTOFMEMORY;
        for (LONG row = area.top; row <= area.bottom; ++row) {
            for (LONG column = area.left; column <= area.right; ++column) {
                const ExcelCell* cell = cells.cell(row, column);
                LONG index[2] = {row - area.top + 1, column - area.left + 1};
                VARIANT empty{};
                SafeArrayPutElement(array, index, const_cast<VARIANT*>(cell ? &cell->value.get() : &empty));
            }
        }
        VARIANT* out = request.result.put();
        out->vt = VT_ARRAY | VT_VARIANT;
        out->parray = array;
        return S_OK;
    }

    // Value put as Excel does it: a scalar fills every cell; a 1-D or 2-D array fills the overlap,
    // is repeated across the range when it has one row or one column, and leaves #N/A in the cells
    // beyond it.
    HRESULT put_value(Request& request, ExcelSheet& cells) {
        auto& excel = ExcelStandIn::instance();
        const Locale& locale = locale_of(excel.locale);
        const VARIANT& value = request.value();
        if (!(value.vt & VT_ARRAY)) {
            ExcelValue scalar;
            if (FAILED(copy_of(value, scalar)))
                return DISP_E_TYPEMISMATCH;
            ++excel.values_walked;
            if (!excel.keep_values)
                return S_OK;
            if (scalar.empty()) {
                change_existing(cells, area, [](ExcelCell& cell) { cell.value.put(); });
                return S_OK;
            }
            if (cell_count(area) <= max_cells_per_call)
                for (LONG row = area.top; row <= area.bottom; ++row)
                    for (LONG column = area.left; column <= area.right; ++column) {
                        const ExcelCell* cell = cells.cell(row, column);
                        if (HRESULT hr =
                                check_element(request, scalar.get(), cell && cell->number_format == L"@");
                            FAILED(hr))
                            return hr;
                    }
            return change_all(request, cells, area, [&](ExcelCell& cell, LONG, LONG) {
                store(cell, scalar.get(), locale);
                return S_OK;
            });
        }
        SAFEARRAY* array = (value.vt & VT_BYREF) ? (value.pparray ? *value.pparray : nullptr) : value.parray;
        const UINT dims = array ? SafeArrayGetDim(array) : 0;
        VARTYPE type = VT_EMPTY;
        if ((dims != 1 && dims != 2) || FAILED(SafeArrayGetVartype(array, &type)))
            return DISP_E_TYPEMISMATCH;
        LONG bounds[4] = {0, 0, 0, 0};
        for (UINT d = 0; d < dims; ++d) {
            SafeArrayGetLBound(array, d + 1, &bounds[2 * d]);
            SafeArrayGetUBound(array, d + 1, &bounds[2 * d + 1]);
        }
        const long long rows = dims == 2 ? bounds[1] - bounds[0] + 1 : 1;
        const long long columns = dims == 2 ? bounds[3] - bounds[2] + 1 : bounds[1] - bounds[0] + 1;
        const UINT size = SafeArrayGetElemsize(array);
        void* data = nullptr;
        if (FAILED(SafeArrayAccessData(array, &data)))
            return E_UNEXPECTED;
        // The element at (row, column) counted from 0, VARIANT elements as they are, others wrapped.
        const auto element = [&](long long row, long long column, VARIANT& wrapped) -> const VARIANT& {
            const long long offset = row + column * rows; // first dimension fastest
            if (type == VT_VARIANT)
                return static_cast<const VARIANT*>(data)[offset];
            wrapped = VARIANT{};
            wrapped.vt = type;
            std::memcpy(&wrapped.llVal, static_cast<const char*>(data) + offset * size,
                        std::min<size_t>(size, sizeof(wrapped.llVal)));
            return wrapped;
        };
        HRESULT hr = S_OK;
        if (type != VT_VARIANT && type != VT_BSTR && type != VT_BOOL && type != VT_DATE &&
            !is_number_type(type))
            hr = DISP_E_TYPEMISMATCH;
        if (!excel.keep_values) {
            // Walked so that the cost of reading every element stays in a benchmark.
            VARIANT wrapped{};
            for (long long row = 0; SUCCEEDED(hr) && row < rows; ++row)
                for (long long column = 0; column < columns; ++column)
                    excel.values_walked += element(row, column, wrapped).vt != VT_RECORD;
            SafeArrayUnaccessData(array);
            return hr;
        }
        excel.values_walked += static_cast<size_t>(rows * columns);
        // Which element a cell of the range gets; null: #N/A.
        const auto source = [&](LONG row, LONG column, VARIANT& wrapped) -> const VARIANT* {
            const long long r = rows == 1 ? 0 : row - area.top, c = columns == 1 ? 0 : column - area.left;
            return r < rows && c < columns ? &element(r, c, wrapped) : nullptr;
        };
        if (SUCCEEDED(hr) && cell_count(area) <= max_cells_per_call) {
            VARIANT wrapped{};
            for (LONG row = area.top; SUCCEEDED(hr) && row <= area.bottom; ++row)
                for (LONG column = area.left; SUCCEEDED(hr) && column <= area.right; ++column) {
                    const ExcelCell* cell = cells.cell(row, column);
                    if (const VARIANT* from = source(row, column, wrapped))
                        hr = check_element(request, *from, cell && cell->number_format == L"@");
                }
        }
        if (SUCCEEDED(hr)) {
            hr = change_all(request, cells, area, [&](ExcelCell& cell, LONG row, LONG column) {
                VARIANT wrapped{};
                const VARIANT* from = source(row, column, wrapped);
                VARIANT missing{};
                missing.vt = VT_ERROR;
                missing.scode = excel_error_na;
                store(cell, from ? *from : missing, locale);
                return S_OK;
            });
        }
        SafeArrayUnaccessData(array);
        return hr;
    }

    HRESULT number_format(Request& request, ExcelSheet& cells) {
        if (!request.put) {
            const auto format =
                uniform<std::wstring>(cells, area, L"", [](const ExcelCell& c) { return c.number_format; });
            if (!format)
                request.result.put()->vt = VT_NULL;
            else
                request.set(format->empty() ? L"General" : *format);
            return S_OK;
        }
        ExcelValue text;
        if (FAILED(coerce(request.value(), VT_BSTR, text)))
            return DISP_E_TYPEMISMATCH;
        std::wstring format(com::bstr_view(text.get().bstrVal));
        if (!valid_number_format(format))
            return request.refuse(L"Unable to set the NumberFormat property of the Range class");
        if (_wcsicmp(format.c_str(), L"General") == 0 || _wcsicmp(format.c_str(), L"Standard") == 0)
            format.clear();
        if (format.empty()) {
            change_existing(cells, area, [](ExcelCell& cell) { cell.number_format.clear(); });
            return S_OK;
        }
        return change_all(request, cells, area, [&](ExcelCell& cell, LONG, LONG) {
            cell.number_format = format;
            return S_OK;
        });
    }

    HRESULT alignment(Request& request, ExcelSheet& cells) {
        if (!request.put) {
            const auto value =
                uniform<LONG>(cells, area, 1, [](const ExcelCell& c) { return c.alignment.value_or(1); });
            if (value)
                request.set_long(*value);
            else
                request.result.put()->vt = VT_NULL;
            return S_OK;
        }
        ExcelValue number;
        if (FAILED(coerce(request.value(), VT_I4, number)))
            return DISP_E_TYPEMISMATCH;
        const LONG value = number.get().lVal;
        if (std::find(std::begin(horizontal_alignments), std::end(horizontal_alignments), value) ==
            std::end(horizontal_alignments))
            return request.refuse(L"Unable to set the HorizontalAlignment property of the Range class");
        return change_all(request, cells, area, [&](ExcelCell& cell, LONG, LONG) {
            cell.alignment = value;
            return S_OK;
        });
    }

    // Merge([across]): one merged area (one per row when across); areas it touches join it, and
    // only the top left value stays, as in Excel.
    HRESULT merge(Request& request, ExcelSheet& cells) {
        bool across = false;
        if (request.count() > 1)
            return DISP_E_BADPARAMCOUNT;
        if (request.count() == 1) {
            ExcelValue flag;
            if (FAILED(coerce(request.argument(0), VT_BOOL, flag)))
                return DISP_E_TYPEMISMATCH;
            across = flag.get().boolVal != VARIANT_FALSE;
        }
        for (LONG row = area.top; row <= (across ? area.bottom : area.top); ++row) {
            ExcelArea merged = across ? ExcelArea{row, area.left, row, area.right} : area;
            if (merged.rows() * static_cast<long long>(merged.columns()) == 1)
                continue;
            for (bool grown = true; grown;) {
                grown = false;
                for (auto it = cells.merged.begin(); it != cells.merged.end(); ++it) {
                    if (it->overlaps(merged)) {
                        merged = {std::min(merged.top, it->top), std::min(merged.left, it->left),
                                  std::max(merged.bottom, it->bottom), std::max(merged.right, it->right)};
                        cells.merged.erase(it);
                        grown = true;
                        break;
                    }
                }
            }
            change_existing(cells, merged, [&](ExcelCell& cell) {
                if (&cell != cells.cell(merged.top, merged.left))
                    cell.value.put();
            });
            cells.merged.push_back(merged);
        }
        return S_OK;
    }

    // Clear: values, formats, alignments, fills and merged areas; a merged area the range cuts
    // through is refused as Excel refuses it.
    HRESULT clear(Request& request, ExcelSheet& cells) {
        for (const ExcelArea& merged : cells.merged)
            if (merged.overlaps(area) &&
                !(area.contains(merged.top, merged.left) && area.contains(merged.bottom, merged.right)))
                return request.refuse(L"Cannot change part of a merged cell.");
        std::erase_if(cells.merged, [&](const ExcelArea& merged) { return merged.overlaps(area); });
        change_existing(cells, area, [](ExcelCell& cell) { cell = ExcelCell(); });
        return S_OK;
    }
};

std::wstring address_on(unsigned workbook, unsigned sheet, const ExcelArea& area) {
    auto& excel = ExcelStandIn::instance();
    ExcelWorkbook* book = excel.workbook_by_id(workbook);
    const ExcelSheet* found = book ? excel.sheet_by_id(*book, sheet) : nullptr;
    return (found ? found->name : L"?") + L"!" + area.address();
}

std::wstring Range::target() const {
    return address_on(workbook, sheet, area);
}

std::wstring Interior::target() const {
    return address_on(workbook, sheet, area);
}

// Interior.Color: an RGB value (red in the low byte) fills every cell; Empty takes the fill away.
HRESULT Interior::invoke(Request& request) {
    ExcelSheet* cells = Range::locate(workbook, sheet);
    if (!cells)
        return RPC_E_DISCONNECTED;
    if (!request.put) {
        const auto fill = uniform<std::optional<DWORD>>(*cells, area, std::nullopt,
                                                        [](const ExcelCell& c) { return c.fill; });
        if (!fill) {
            request.result.put()->vt = VT_NULL;
        } else {
            VARIANT* out = request.result.put();
            out->vt = VT_R8;
            out->dblVal = *fill ? static_cast<double>(**fill) : no_fill_colour;
        }
        return S_OK;
    }
    if (request.value().vt == VT_EMPTY) {
        change_existing(*cells, area, [](ExcelCell& cell) { cell.fill.reset(); });
        return S_OK;
    }
    ExcelValue number;
    if (FAILED(coerce(request.value(), VT_R8, number)))
        return DISP_E_TYPEMISMATCH;
    const double colour = std::round(number.get().dblVal);
    if (!(colour >= 0 && colour <= no_fill_colour))
        return request.refuse(L"Unable to set the Color property of the Interior class");
    return change_all(request, *cells, area, [&](ExcelCell& cell, LONG, LONG) {
        cell.fill = static_cast<DWORD>(colour);
        return S_OK;
    });
}

} // namespace

com::com_ptr<IDispatch> make_range(unsigned workbook, unsigned sheet, const ExcelArea& area, bool columns) {
    return make<Range>([&](Range& range) {
        range.workbook = workbook;
        range.sheet = sheet;
        range.area = area;
        range.columns = columns;
    });
}

bool range_of(IDispatch* object, unsigned& workbook, unsigned& sheet, ExcelArea& area) {
    com::com_ptr<RangeIdentity> identity;
    if (!object || FAILED(object->QueryInterface(range_identity_iid, identity.put_void())))
        return false;
    identity->where(workbook, sheet, area);
    return true;
}

} // namespace vex::test::excel
