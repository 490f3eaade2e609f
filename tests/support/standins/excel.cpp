// The stand-in Excel's process-wide state: workbooks, the call log, scripted failures and the objects
// whose identity stays the same while the state lives.
#include "excel_internal.h"

#include <cwchar>

namespace vex::test {
namespace {

bool same_name(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() && _wcsnicmp(a.data(), b.data(), a.size()) == 0;
}

} // namespace

std::wstring excel::column_letters(LONG column) {
    std::wstring letters;
    for (; column > 0; column = (column - 1) / 26)
        letters.insert(letters.begin(), static_cast<wchar_t>(L'A' + (column - 1) % 26));
    return letters;
}

std::wstring ExcelArea::address() const {
    const std::wstring first = excel::column_letters(left) + std::to_wstring(top);
    if (top == bottom && left == right)
        return first;
    return first + L":" + excel::column_letters(right) + std::to_wstring(bottom);
}

const ExcelCell* ExcelSheet::cell(LONG row, LONG column) const {
    const auto found = cells.find({row, column});
    return found == cells.end() ? nullptr : &found->second;
}

ExcelStandIn& ExcelStandIn::instance() {
    static ExcelStandIn excel;
    return excel;
}

void ExcelStandIn::clear() {
    // Swapped out first so that objects released on the way find a consistent (empty) state.
    ExcelStandIn old;
    std::swap(calls, old.calls);
    std::swap(m_workbooks, old.m_workbooks);
    std::swap(m_objects, old.m_objects);
    std::swap(m_application, old.m_application);
    std::swap(m_window, old.m_window);
    *this = ExcelStandIn();
}

com::com_ptr<IDispatch> ExcelStandIn::new_workbook(const std::wstring& name) {
    ExcelWorkbook workbook;
    workbook.id = next_id();
    workbook.name = name;
    ExcelSheet sheet;
    sheet.id = next_id();
    sheet.name = excel::locale_of(locale).sheet_prefix + std::wstring(L"1");
    workbook.sheets.push_back(std::move(sheet));
    m_workbooks.push_back(std::move(workbook));
    m_active_workbook = m_workbooks.back().id;
    return workbook_object(m_active_workbook);
}

void ExcelStandIn::close_workbook(const std::wstring& name) {
    for (auto it = m_workbooks.rbegin(); it != m_workbooks.rend(); ++it) {
        if (it->open && same_name(it->name, name)) {
            it->open = false;
            break;
        }
    }
    if (const ExcelWorkbook* active = workbook_by_id(m_active_workbook); active && !active->open) {
        m_active_workbook = 0;
        for (const ExcelWorkbook& workbook : m_workbooks)
            if (workbook.open)
                m_active_workbook = workbook.id;
    }
}

ExcelWorkbook* ExcelStandIn::workbook(std::wstring_view name) {
    for (auto it = m_workbooks.rbegin(); it != m_workbooks.rend(); ++it)
        if (same_name(it->name, name))
            return &*it;
    return nullptr;
}

const ExcelWorkbook* ExcelStandIn::workbook(std::wstring_view name) const {
    return const_cast<ExcelStandIn*>(this)->workbook(name);
}

const ExcelSheet* ExcelStandIn::sheet(std::wstring_view workbook_name, std::wstring_view sheet_name) const {
    if (const ExcelWorkbook* found = workbook(workbook_name))
        for (const ExcelSheet& sheet : found->sheets)
            if (same_name(sheet.name, sheet_name))
                return &sheet;
    return nullptr;
}

ExcelWorkbook* ExcelStandIn::workbook_by_id(unsigned id) {
    for (ExcelWorkbook& workbook : m_workbooks)
        if (workbook.id == id)
            return &workbook;
    return nullptr;
}

ExcelSheet* ExcelStandIn::sheet_by_id(ExcelWorkbook& workbook, unsigned id) {
    for (ExcelSheet& sheet : workbook.sheets)
        if (sheet.id == id)
            return &sheet;
    return nullptr;
}

size_t ExcelStandIn::count(std::wstring_view object, std::wstring_view member, std::wstring_view kind) const {
    size_t n = 0;
    for (const ExcelCall& call : calls)
        if ((object.empty() || call.object == object) && (member.empty() || call.member == member) &&
            (kind.empty() || call.kind == kind))
            ++n;
    for (const auto& [key, tally] : tallies) {
        const auto& [o, m, k] = key;
        if ((object.empty() || o == object) && (member.empty() || m == member) && (kind.empty() || k == kind))
            n += tally;
    }
    return n;
}

void ExcelStandIn::fail(std::wstring object_member, HRESULT status, size_t after, std::wstring description) {
    if (description.empty())
        description = L"Stand-in Excel refused " + object_member;
    m_failures.push_back({std::move(object_member), status, after, std::move(description)});
}

com::com_ptr<IDispatch> ExcelStandIn::application_object() {
    if (!m_application)
        m_application = excel::make_application();
    return m_application;
}

com::com_ptr<IDispatch> ExcelStandIn::window_object() {
    if (!m_window)
        m_window = excel::make_window();
    return m_window;
}

com::com_ptr<IDispatch> ExcelStandIn::workbook_object(unsigned workbook) {
    auto& object = m_objects[workbook];
    if (!object)
        object = excel::make_workbook(workbook);
    return object;
}

com::com_ptr<IDispatch> ExcelStandIn::sheet_object(unsigned workbook, unsigned sheet) {
    auto& object = m_objects[sheet];
    if (!object)
        object = excel::make_sheet(workbook, sheet);
    return object;
}

namespace excel {

HRESULT refuse(EXCEPINFO* exception, std::wstring_view description, HRESULT scode) {
    if (exception) {
        *exception = {};
        exception->bstrSource = SysAllocString(L"Microsoft Excel");
        exception->bstrDescription = com::unique_bstr(description).release();
        exception->scode = scode;
    }
    return DISP_E_EXCEPTION;
}

HRESULT scripted_failure(std::wstring_view object, std::wstring_view member, EXCEPINFO* exception) {
    if (ExcelStandIn::instance().failures().empty())
        return S_OK;
    const std::wstring name = std::wstring(object) + L"." + std::wstring(member);
    for (ExcelStandIn::Failure& failure : ExcelStandIn::instance().failures()) {
        if (!same_name(failure.object_member, name))
            continue;
        if (failure.after > 0) {
            --failure.after;
            return S_OK;
        }
        if (exception)
            refuse(exception, failure.description,
                   failure.status == DISP_E_EXCEPTION ? excel_error_refused : failure.status);
        return failure.status;
    }
    return S_OK;
}

} // namespace excel
ExcelValue excel_value(int number) {
    return excel_value(static_cast<long>(number));
}

ExcelValue excel_value(long number) {
    ExcelValue value;
    VARIANT* out = value.put();
    out->vt = VT_I4;
    out->lVal = number;
    return value;
}

ExcelValue excel_value(double number) {
    ExcelValue value;
    VARIANT* out = value.put();
    out->vt = VT_R8;
    out->dblVal = number;
    return value;
}

ExcelValue excel_value(bool flag) {
    ExcelValue value;
    VARIANT* out = value.put();
    out->vt = VT_BOOL;
    out->boolVal = flag ? VARIANT_TRUE : VARIANT_FALSE;
    return value;
}

ExcelValue excel_value(const wchar_t* text) {
    return excel_value(std::wstring_view(text));
}

ExcelValue excel_value(std::wstring_view text) {
    ExcelValue value;
    VARIANT* out = value.put();
    out->vt = VT_BSTR;
    out->bstrVal = com::unique_bstr(text).release();
    return value;
}

ExcelValue excel_value(IDispatch* object) {
    ExcelValue value;
    VARIANT* out = value.put();
    out->vt = VT_DISPATCH;
    out->pdispVal = object;
    if (object)
        object->AddRef();
    return value;
}

ExcelValue excel_array(const std::vector<std::vector<ExcelValue>>& rows, LONG row_base, LONG column_base) {
    const size_t columns = rows.empty() ? 0 : rows.front().size();
    SAFEARRAYBOUND bounds[2] = {{static_cast<ULONG>(rows.size()), row_base},
                                {static_cast<ULONG>(columns), column_base}};
    ExcelValue value;
    SAFEARRAY* array = SafeArrayCreate(VT_VARIANT, 2, bounds);
    if (!array)
        return value;
    for (size_t r = 0; r < rows.size(); ++r) {
        for (size_t c = 0; c < columns && c < rows[r].size(); ++c) {
            LONG index[2] = {row_base + static_cast<LONG>(r), column_base + static_cast<LONG>(c)};
            SafeArrayPutElement(array, index, const_cast<VARIANT*>(&rows[r][c].get()));
        }
    }
    VARIANT* out = value.put();
    out->vt = VT_ARRAY | VT_VARIANT;
    out->parray = array;
    return value;
}

HRESULT excel_invoke(IDispatch* object, const wchar_t* member, WORD kind,
                     const std::vector<ExcelValue>& arguments, ExcelValue* result, EXCEPINFO* exception) {
    if (!object)
        return E_POINTER;
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR name = const_cast<LPOLESTR>(member);
    if (HRESULT hr = object->GetIDsOfNames(IID_NULL, &name, 1, 0, &id); FAILED(hr))
        return hr;
    // Shallow copies, last argument first; the caller's values stay theirs.
    std::vector<VARIANT> reversed;
    for (auto it = arguments.rbegin(); it != arguments.rend(); ++it)
        reversed.push_back(it->get());
    DISPID put_id = DISPID_PROPERTYPUT;
    const bool put = kind & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
    DISPPARAMS params{reversed.data(), put ? &put_id : nullptr, static_cast<UINT>(reversed.size()),
                      put && !reversed.empty() ? 1u : 0u};
    VARIANT out;
    VariantInit(&out);
    const HRESULT hr = object->Invoke(id, IID_NULL, 0, kind, &params, &out, exception, nullptr);
    if (result)
        *result->put() = out;
    else
        VariantClear(&out);
    return hr;
}

com::com_ptr<IDispatch> excel_object(IDispatch* object, const wchar_t* member,
                                     const std::vector<ExcelValue>& arguments) {
    ExcelValue value;
    if (FAILED(excel_invoke(object, member, DISPATCH_PROPERTYGET, arguments, &value)) ||
        value.type() != VT_DISPATCH)
        return nullptr;
    return com::com_ptr<IDispatch>(value.get().pdispVal);
}

} // namespace vex::test
