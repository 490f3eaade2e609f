// The stand-in Excel's Application, Workbooks, Workbook, Sheets, Worksheet and Window objects. Each
// names its workbook and sheet by id: objects of a closed or cleared workbook answer
// RPC_E_DISCONNECTED, as Excel's objects do once their workbook is gone.
#include "excel_internal.h"

#include <docobj.h>

#include <cwchar>
#include <optional>

namespace vex::test::excel {
namespace {

ExcelWorkbook* open_workbook(unsigned id) {
    ExcelWorkbook* workbook = ExcelStandIn::instance().workbook_by_id(id);
    return workbook && workbook->open ? workbook : nullptr;
}

// The element that key names: a text names it without regard to case, a number counts from 1.
template <class Names>
HRESULT find_item(const Request& request, size_t count, Names name_at, size_t& index) {
    if (request.count() != 1)
        return DISP_E_BADPARAMCOUNT;
    ExcelValue copy; // a name or number passed by reference too
    if (FAILED(copy_of(request.argument(0), copy)))
        return DISP_E_TYPEMISMATCH;
    const VARIANT& key = copy.get();
    if (key.vt == VT_BSTR) {
        for (index = 0; index < count; ++index)
            if (_wcsicmp(name_at(index).c_str(), key.bstrVal ? key.bstrVal : L"") == 0)
                return S_OK;
        return DISP_E_BADINDEX;
    }
    LONG number = 0;
    if (FAILED(request.number(0, number)))
        return DISP_E_TYPEMISMATCH;
    if (number < 1 || static_cast<size_t>(number) > count)
        return DISP_E_BADINDEX;
    index = static_cast<size_t>(number - 1);
    return S_OK;
}

HRESULT put_bool(const Request& request, bool& out) {
    ExcelValue converted;
    if (FAILED(coerce(request.value(), VT_BOOL, converted)))
        return DISP_E_TYPEMISMATCH;
    out = converted.get().boolVal != VARIANT_FALSE;
    return S_OK;
}

HRESULT put_text(const Request& request, std::wstring& out) {
    ExcelValue converted;
    if (FAILED(coerce(request.value(), VT_BSTR, converted)))
        return DISP_E_TYPEMISMATCH;
    out = com::bstr_view(converted.get().bstrVal);
    return S_OK;
}

class Application : public Dispatch {
public:
    static std::span<const com::InterfaceEntry> interfaces() {
        static const com::InterfaceEntry entries[] = {VEX_INTERFACE_ENTRY(Application, IDispatch)};
        return entries;
    }

protected:
    const wchar_t* kind() const override { return L"Application"; }
    std::span<const MemberAccess> members() const override {
        static constexpr MemberAccess table[] = {
            {m_international, Access::get},   {m_active_window, Access::get},
            {m_active_workbook, Access::get}, {m_workbooks, Access::get},
            {m_run, Access::method},          {m_screen_updating, Access::get_put},
            {m_visible, Access::get_put},     {m_display_alerts, Access::get_put}};
        return table;
    }
    HRESULT invoke(Request& request) override {
        auto& excel = ExcelStandIn::instance();
        switch (request.member) {
        case m_international:
            return international(request);
        case m_active_window:
            request.set(excel.active_workbook() ? excel.window_object().get() : nullptr);
            return S_OK;
        case m_active_workbook:
            request.set(excel.active_workbook() ? excel.workbook_object(excel.active_workbook()).get()
                                                : nullptr);
            return S_OK;
        case m_workbooks:
            request.set(make_workbooks().get());
            return S_OK;
        case m_run: {
            ExcelValue name;
            if (request.count() < 1)
                return DISP_E_BADPARAMCOUNT;
            if (FAILED(coerce(request.argument(0), VT_BSTR, name)))
                return DISP_E_TYPEMISMATCH;
            excel.macros_run.emplace_back(com::bstr_view(name.get().bstrVal));
            return S_OK;
        }
        case m_screen_updating:
        case m_visible:
        case m_display_alerts: {
            bool& setting = request.member == m_screen_updating ? excel.screen_updating
                            : request.member == m_visible       ? excel.visible
                                                                : excel.display_alerts;
            if (request.put)
                return put_bool(request, setting);
            request.set_bool(setting);
            return S_OK;
        }
        }
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    // Application.International(index): the values the running Excel answers for the settings vex
    // builds number formats from.
    static HRESULT international(Request& request) {
        LONG index = 0;
        if (request.count() != 1)
            return DISP_E_BADPARAMCOUNT;
        if (HRESULT hr = request.number(0, index); FAILED(hr))
            return hr;
        const Locale& locale = locale_of(ExcelStandIn::instance().locale);
        std::optional<wchar_t> text;
        switch (index) {
        case 3:
            text = locale.decimal;
            break;
        case 4:
            text = locale.thousands;
            break;
        case 17:
            text = locale.date_separator;
            break;
        case 18:
            text = locale.time_separator;
            break;
        case 19:
            text = locale.year;
            break;
        case 20:
            text = locale.month;
            break;
        case 21:
            text = locale.day;
            break;
        case 22:
            text = locale.hour;
            break;
        case 23:
            text = locale.minute;
            break;
        case 24:
            text = locale.second;
            break;
        case 32:
            request.set_long(locale.date_order);
            return S_OK;
        default:
            return request.refuse(
                L"The stand-in Excel answers International only for 3, 4, 17 to 24 and 32, not " +
                std::to_wstring(index));
        }
        request.set(std::wstring_view(&*text, 1));
        return S_OK;
    }
    static com::com_ptr<IDispatch> make_workbooks();
};

class Workbooks : public Dispatch {
public:
    static std::span<const com::InterfaceEntry> interfaces() {
        static const com::InterfaceEntry entries[] = {VEX_INTERFACE_ENTRY(Workbooks, IDispatch)};
        return entries;
    }

protected:
    const wchar_t* kind() const override { return L"Workbooks"; }
    std::span<const MemberAccess> members() const override {
        static constexpr MemberAccess table[] = {{m_item, Access::get}, {m_count, Access::get}};
        return table;
    }
    HRESULT invoke(Request& request) override {
        auto& excel = ExcelStandIn::instance();
        std::vector<const ExcelWorkbook*> open;
        for (const ExcelWorkbook& workbook : excel.workbooks())
            if (workbook.open)
                open.push_back(&workbook);
        if (request.member == m_count) {
            request.set_long(static_cast<LONG>(open.size()));
            return S_OK;
        }
        size_t index = 0;
        if (HRESULT hr = find_item(
                request, open.size(), [&](size_t i) { return open[i]->name; }, index);
            FAILED(hr))
            return hr;
        request.set(excel.workbook_object(open[index]->id).get());
        return S_OK;
    }
};

com::com_ptr<IDispatch> Application::make_workbooks() {
    return make<Workbooks>();
}

class Sheets : public Dispatch {
public:
    static std::span<const com::InterfaceEntry> interfaces() {
        static const com::InterfaceEntry entries[] = {VEX_INTERFACE_ENTRY(Sheets, IDispatch)};
        return entries;
    }
    unsigned workbook = 0;

protected:
    const wchar_t* kind() const override { return L"Sheets"; }
    std::wstring target() const override {
        const ExcelWorkbook* found = ExcelStandIn::instance().workbook_by_id(workbook);
        return found ? found->name : L"";
    }
    std::span<const MemberAccess> members() const override {
        static constexpr MemberAccess table[] = {
            {m_item, Access::get}, {m_add, Access::method}, {m_count, Access::get}};
        return table;
    }
    HRESULT invoke(Request& request) override {
        auto& excel = ExcelStandIn::instance();
        ExcelWorkbook* book = open_workbook(workbook);
        if (!book)
            return RPC_E_DISCONNECTED;
        switch (request.member) {
        case m_count:
            request.set_long(static_cast<LONG>(book->sheets.size()));
            return S_OK;
        case m_item: {
            size_t index = 0;
            if (HRESULT hr = find_item(
                    request, book->sheets.size(), [&](size_t i) { return book->sheets[i].name; }, index);
                FAILED(hr))
                return hr;
            request.set(excel.sheet_object(workbook, book->sheets[index].id).get());
            return S_OK;
        }
        case m_add:
            return add(request, *book);
        }
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    // Sheets.Add without arguments, as Excel does it: a worksheet named with the next number, placed
    // before the active sheet and made the active one.
    HRESULT add(Request& request, ExcelWorkbook& book) {
        if (request.count() != 0)
            return DISP_E_BADPARAMCOUNT; // Before, After, Count and Type are not needed by vex
        auto& excel = ExcelStandIn::instance();
        const std::wstring prefix = locale_of(excel.locale).sheet_prefix;
        std::wstring name;
        bool taken = true;
        while (taken) {
            name = prefix + std::to_wstring(++book.sheets_named);
            taken = false;
            for (const ExcelSheet& sheet : book.sheets)
                taken = taken || _wcsicmp(sheet.name.c_str(), name.c_str()) == 0;
        }
        ExcelSheet sheet;
        sheet.id = excel.next_id();
        sheet.name = name;
        book.sheets.insert(book.sheets.begin() + static_cast<std::ptrdiff_t>(book.active_sheet),
                           std::move(sheet));
        request.set(excel.sheet_object(workbook, book.sheets[book.active_sheet].id).get());
        return S_OK;
    }
};

class Workbook : public Dispatch, public IOleCommandTarget {
public:
    static std::span<const com::InterfaceEntry> interfaces() {
        static const com::InterfaceEntry entries[] = {VEX_INTERFACE_ENTRY(Workbook, IDispatch),
                                                      VEX_INTERFACE_ENTRY(Workbook, IOleCommandTarget)};
        return entries;
    }
    unsigned workbook = 0;

    STDMETHODIMP QueryStatus(const GUID* group, ULONG count, OLECMD* commands, OLECMDTEXT*) override {
        if (group)
            return OLECMDERR_E_UNKNOWNGROUP;
        for (ULONG i = 0; i < count; ++i) {
            const bool printing = commands[i].cmdID == OLECMDID_PRINT ||
                                  commands[i].cmdID == OLECMDID_PRINTPREVIEW ||
                                  commands[i].cmdID == OLECMDID_PAGESETUP;
            commands[i].cmdf = printing ? OLECMDF_SUPPORTED | OLECMDF_ENABLED : 0;
        }
        return S_OK;
    }
    // Printing through the document's command target: recorded as (command id, option).
    STDMETHODIMP Exec(const GUID* group, DWORD id, DWORD option, VARIANT*, VARIANT*) override {
        try {
            auto& excel = ExcelStandIn::instance();
            excel.calls.push_back({L"Workbook", L"Exec", L"call",
                                   std::to_wstring(id) + L", " + std::to_wstring(option), target()});
            HRESULT hr = group ? OLECMDERR_E_UNKNOWNGROUP : scripted_failure(L"Workbook", L"Exec", nullptr);
            if (hr == S_OK && !open_workbook(workbook))
                hr = RPC_E_DISCONNECTED;
            if (hr == S_OK)
                excel.prints.emplace_back(id, option);
            excel.calls.back().status = hr;
            return hr;
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }

protected:
    const wchar_t* kind() const override { return L"Workbook"; }
    std::wstring target() const override {
        const ExcelWorkbook* found = ExcelStandIn::instance().workbook_by_id(workbook);
        return found ? found->name : L"";
    }
    std::span<const MemberAccess> members() const override {
        static constexpr MemberAccess table[] = {{m_sheets, Access::get},      {m_worksheets, Access::get},
                                                 {m_application, Access::get}, {m_name, Access::get},
                                                 {m_vba_signed, Access::get},  {m_activate, Access::method}};
        return table;
    }
    HRESULT invoke(Request& request) override {
        auto& excel = ExcelStandIn::instance();
        ExcelWorkbook* book = open_workbook(workbook);
        if (!book)
            return RPC_E_DISCONNECTED;
        switch (request.member) {
        case m_sheets:
        case m_worksheets: {
            const auto sheets = make<Sheets>([&](Sheets& object) { object.workbook = workbook; });
            if (!sheets)
                return E_OUTOFMEMORY;
            request.set(sheets.get());
            return S_OK;
        }
        case m_application:
            request.set(excel.application_object().get());
            return S_OK;
        case m_name:
            request.set(book->name);
            return S_OK;
        case m_vba_signed:
            request.set_bool(book->vba_signed);
            return S_OK;
        case m_activate:
            excel.activate(workbook);
            return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
    }
};

// Why Excel would refuse name for the sheet, nothing when it takes it.
std::optional<std::wstring> sheet_name_refusal(const ExcelWorkbook& book, unsigned sheet,
                                               std::wstring_view name) {
    const bool invalid = name.empty() || name.size() > 31 || name.find_first_of(L":\\/?*[]") != name.npos ||
                         name.front() == L'\'' || name.back() == L'\'';
    if (invalid)
        return L"You typed an invalid name for a sheet or chart. Make sure that: the name that you type does "
               L"not exceed 31 characters; the name does not contain any of the following characters: "
               L": \\ / ? * [ or ]; you did not leave the name blank.";
    for (const ExcelSheet& other : book.sheets)
        if (other.id != sheet && other.name.size() == name.size() &&
            _wcsnicmp(other.name.c_str(), name.data(), name.size()) == 0)
            return L"That name is already taken. Try a different one.";
    return std::nullopt;
}

class Worksheet : public Dispatch {
public:
    static std::span<const com::InterfaceEntry> interfaces() {
        static const com::InterfaceEntry entries[] = {VEX_INTERFACE_ENTRY(Worksheet, IDispatch)};
        return entries;
    }
    unsigned workbook = 0, sheet = 0;

protected:
    const wchar_t* kind() const override { return L"Worksheet"; }
    std::wstring target() const override {
        ExcelWorkbook* book = ExcelStandIn::instance().workbook_by_id(workbook);
        const ExcelSheet* found = book ? ExcelStandIn::instance().sheet_by_id(*book, sheet) : nullptr;
        return found ? found->name : L"";
    }
    std::span<const MemberAccess> members() const override {
        static constexpr MemberAccess table[] = {{m_cells, Access::get},
                                                 {m_range, Access::get},
                                                 {m_name, Access::get_put},
                                                 {m_activate, Access::method}};
        return table;
    }
    HRESULT invoke(Request& request) override {
        auto& excel = ExcelStandIn::instance();
        ExcelWorkbook* book = open_workbook(workbook);
        ExcelSheet* found = book ? excel.sheet_by_id(*book, sheet) : nullptr;
        if (!found)
            return RPC_E_DISCONNECTED;
        switch (request.member) {
        case m_cells:
            request.set(make_range(workbook, sheet, excel_sheet_area, false).get());
            return S_OK;
        case m_range:
            return range(request);
        case m_name: {
            if (!request.put) {
                request.set(found->name);
                return S_OK;
            }
            std::wstring name;
            if (HRESULT hr = put_text(request, name); FAILED(hr))
                return hr;
            if (auto refusal = sheet_name_refusal(*book, sheet, name))
                return request.refuse(*refusal);
            found->name = name;
            return S_OK;
        }
        case m_activate:
            book->active_sheet = static_cast<size_t>(found - book->sheets.data());
            return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    // Worksheet.Range(cell1, cell2): the rectangle spanning two ranges of this sheet, or one range
    // or A1 address.
    HRESULT range(Request& request) {
        if (request.count() < 1 || request.count() > 2)
            return DISP_E_BADPARAMCOUNT;
        constexpr const wchar_t* failed = L"Method 'Range' of object '_Worksheet' failed";
        ExcelArea spanned{};
        for (UINT i = 0; i < request.count(); ++i) {
            ExcelValue copy; // a range or address passed by reference too
            if (FAILED(copy_of(request.argument(i), copy)))
                return DISP_E_TYPEMISMATCH;
            const VARIANT& corner = copy.get();
            unsigned corner_book = 0, corner_sheet = 0;
            ExcelArea area;
            if (corner.vt == VT_BSTR) {
                if (!parse_address(com::bstr_view(corner.bstrVal), area))
                    return request.refuse(failed);
            } else if (corner.vt != VT_DISPATCH ||
                       !range_of(corner.pdispVal, corner_book, corner_sheet, area) ||
                       corner_book != workbook || corner_sheet != sheet) {
                return request.refuse(failed);
            }
            spanned = i == 0 ? area
                             : ExcelArea{std::min(spanned.top, area.top), std::min(spanned.left, area.left),
                                         std::max(spanned.bottom, area.bottom),
                                         std::max(spanned.right, area.right)};
        }
        request.set(make_range(workbook, sheet, spanned, false).get());
        return S_OK;
    }

    // "A1", "$B$2", "A1:C3".
    static bool parse_address(std::wstring_view text, ExcelArea& area) {
        const auto cell = [](std::wstring_view part, LONG& row, LONG& column) {
            size_t i = 0;
            long long letters = 0, digits = 0;
            if (i < part.size() && part[i] == L'$')
                ++i;
            for (; i < part.size() && iswalpha(part[i]) && letters <= excel_sheet_area.right; ++i)
                letters = letters * 26 + (towupper(part[i]) - L'A' + 1);
            if (i < part.size() && part[i] == L'$')
                ++i;
            const size_t digits_start = i;
            for (; i < part.size() && iswdigit(part[i]) && digits <= excel_sheet_area.bottom; ++i)
                digits = digits * 10 + (part[i] - L'0');
            row = static_cast<LONG>(digits);
            column = static_cast<LONG>(letters);
            return i == part.size() && i > digits_start && letters >= 1 &&
                   letters <= excel_sheet_area.right && digits >= 1 && digits <= excel_sheet_area.bottom;
        };
        const size_t colon = text.find(L':');
        LONG r1 = 0, c1 = 0, r2 = 0, c2 = 0;
        if (!cell(text.substr(0, colon), r1, c1))
            return false;
        if (colon == text.npos) {
            r2 = r1, c2 = c1;
        } else if (!cell(text.substr(colon + 1), r2, c2)) {
            return false;
        }
        area = {std::min(r1, r2), std::min(c1, c2), std::max(r1, r2), std::max(c1, c2)};
        return true;
    }
};

// The application's one window: it shows the active sheet of the active workbook, whose panes its
// SplitColumn and FreezePanes set.
class Window : public Dispatch {
public:
    static std::span<const com::InterfaceEntry> interfaces() {
        static const com::InterfaceEntry entries[] = {VEX_INTERFACE_ENTRY(Window, IDispatch)};
        return entries;
    }

protected:
    const wchar_t* kind() const override { return L"Window"; }
    std::span<const MemberAccess> members() const override {
        static constexpr MemberAccess table[] = {{m_split_column, Access::get_put},
                                                 {m_freeze_panes, Access::get_put}};
        return table;
    }
    HRESULT invoke(Request& request) override {
        auto& excel = ExcelStandIn::instance();
        ExcelWorkbook* book = open_workbook(excel.active_workbook());
        if (!book)
            return RPC_E_DISCONNECTED;
        ExcelSheet& sheet = book->active();
        if (request.member == m_split_column) {
            if (!request.put) {
                VARIANT* out = request.result.put();
                out->vt = VT_R4;
                out->fltVal = sheet.split_column;
                return S_OK;
            }
            ExcelValue number;
            if (FAILED(coerce(request.value(), VT_R4, number)))
                return DISP_E_TYPEMISMATCH;
            if (number.get().fltVal < 0)
                return request.refuse(L"Unable to set the SplitColumn property of the Window class");
            sheet.split_column = number.get().fltVal;
            if (sheet.frozen_columns > 0) // moving the split of frozen panes moves the freeze
                sheet.frozen_columns = sheet.split_column;
            return S_OK;
        }
        if (!request.put) {
            request.set_bool(sheet.frozen_columns > 0);
            return S_OK;
        }
        bool freeze = false;
        if (HRESULT hr = put_bool(request, freeze); FAILED(hr))
            return hr;
        sheet.frozen_columns = freeze ? sheet.split_column : 0;
        return S_OK;
    }
};

} // namespace

com::com_ptr<IDispatch> make_application() {
    return make<Application>();
}

com::com_ptr<IDispatch> make_window() {
    return make<Window>();
}

com::com_ptr<IDispatch> make_workbook(unsigned workbook) {
    return make<Workbook>([&](Workbook& object) { object.workbook = workbook; });
}

com::com_ptr<IDispatch> make_sheet(unsigned workbook, unsigned sheet) {
    return make<Worksheet>([&](Worksheet& object) {
        object.workbook = workbook;
        object.sheet = sheet;
    });
}

} // namespace vex::test::excel
