// The stand-in Word's Application, Options, Documents, Document, Window and Selection objects. Each
// document has one window and one selection; the objects name their document by id.
#include "word_internal.h"

#include <docobj.h>

#include <algorithm>
#include <cwchar>

namespace vex::test::word {
namespace {

// An optional argument the caller gave: present, and not the "missing" marker VB hands over.
bool given(const Request& request, UINT index) {
    if (index >= request.count())
        return false;
    const VARIANT& value = request.argument(index);
    return value.vt != VT_EMPTY && !(value.vt == VT_ERROR && value.scode == DISP_E_PARAMNOTFOUND);
}

class Options : public Dispatch {
public:
    static std::span<const com::InterfaceEntry> interfaces() {
        static const com::InterfaceEntry entries[] = {VEX_INTERFACE_ENTRY(Options, IDispatch)};
        return entries;
    }

protected:
    const wchar_t* kind() const override { return L"Options"; }
    std::span<const MemberAccess> members() const override {
        static constexpr MemberAccess table[] = {{m_default_file_path, Access::get}};
        return table;
    }
    // DefaultFilePath(index): Word answers the folder without a trailing backslash.
    HRESULT invoke(Request& request) override {
        LONG index = 0;
        if (request.count() != 1)
            return DISP_E_BADPARAMCOUNT;
        if (HRESULT hr = request.number(0, index); FAILED(hr))
            return hr;
        if (index != 2 && index != 13)
            return refuse(
                request.exception,
                L"The stand-in Word answers DefaultFilePath only for 2 (wdUserTemplatesPath) and 13 "
                L"(wdTempFilePath), not " +
                    std::to_wstring(index),
                word_error_command_failed);
        std::wstring folder = index == 13 ? WordStandIn::temp_folder() : WordStandIn::templates_folder();
        folder.pop_back();
        request.set(folder);
        return S_OK;
    }
};

class Documents : public Dispatch {
public:
    static std::span<const com::InterfaceEntry> interfaces() {
        static const com::InterfaceEntry entries[] = {VEX_INTERFACE_ENTRY(Documents, IDispatch)};
        return entries;
    }

protected:
    const wchar_t* kind() const override { return L"Documents"; }
    std::span<const MemberAccess> members() const override {
        static constexpr MemberAccess table[] = {{m_count, Access::get}, {m_item, Access::method}};
        return table;
    }
    HRESULT invoke(Request& request) override {
        auto& word = WordStandIn::instance();
        const std::vector<WordDocument*> open = word.open_documents();
        if (request.member == m_count) {
            request.set_long(static_cast<LONG>(open.size()));
            return S_OK;
        }
        // Item(index): a number from 1 (the newest document), a name or a full name.
        if (request.count() != 1)
            return DISP_E_BADPARAMCOUNT;
        const WordDocument* found = nullptr;
        ExcelValue index; // a name or number passed by reference too
        if (FAILED(excel::copy_of(request.argument(0), index)))
            return DISP_E_TYPEMISMATCH;
        if (index.type() == VT_BSTR) {
            const std::wstring key(com::bstr_view(index.get().bstrVal));
            for (auto it = open.begin(); it != open.end() && !found; ++it)
                if (_wcsicmp((*it)->name.c_str(), key.c_str()) == 0 ||
                    _wcsicmp((*it)->full_name.c_str(), key.c_str()) == 0)
                    found = *it;
        } else {
            LONG number = 0;
            if (HRESULT hr = request.number(0, number); FAILED(hr))
                return hr;
            if (number >= 1 && static_cast<size_t>(number) <= open.size())
                found = open[static_cast<size_t>(number - 1)];
        }
        if (!found)
            return refuse(request.exception, L"The requested member of the collection does not exist.",
                          error_no_member);
        request.set(word.document_object(found->id).get());
        return S_OK;
    }
};

class Application : public Dispatch {
public:
    static std::span<const com::InterfaceEntry> interfaces() {
        static const com::InterfaceEntry entries[] = {VEX_INTERFACE_ENTRY(Application, IDispatch)};
        return entries;
    }

protected:
    const wchar_t* kind() const override { return L"Application"; }
    std::span<const MemberAccess> members() const override {
        static constexpr MemberAccess table[] = {{m_options, Access::get},
                                                 {m_documents, Access::get},
                                                 {m_active_document, Access::get},
                                                 {m_run, Access::method},
                                                 {m_screen_updating, Access::get_put}};
        return table;
    }
    HRESULT invoke(Request& request) override {
        auto& word = WordStandIn::instance();
        switch (request.member) {
        case m_options:
            request.set(make<Options>().get());
            return S_OK;
        case m_documents:
            request.set(make<Documents>().get());
            return S_OK;
        case m_active_document: {
            const WordDocument* active = word.active_document();
            if (!active)
                return refuse(request.exception,
                              L"This command is not available because no document is open.",
                              error_no_document);
            request.set(word.document_object(active->id).get());
            return S_OK;
        }
        case m_run: { // Run(MacroName, arguments ...): the name is recorded
            std::wstring name;
            if (request.count() < 1)
                return DISP_E_BADPARAMCOUNT;
            if (HRESULT hr = text_argument(request.argument(0), name); FAILED(hr))
                return hr;
            word.macros_run.push_back(name);
            return S_OK;
        }
        case m_screen_updating: {
            if (!request.put) {
                request.set_bool(word.screen_updating);
                return S_OK;
            }
            ExcelValue flag;
            if (FAILED(coerce(request.value(), VT_BOOL, flag)))
                return DISP_E_TYPEMISMATCH;
            word.screen_updating = flag.get().boolVal != VARIANT_FALSE;
            return S_OK;
        }
        }
        return DISP_E_MEMBERNOTFOUND;
    }
};

// The window's selection: a range of its document's text.
class Selection : public Dispatch {
public:
    static std::span<const com::InterfaceEntry> interfaces() {
        static const com::InterfaceEntry entries[] = {VEX_INTERFACE_ENTRY(Selection, IDispatch)};
        return entries;
    }

protected:
    const wchar_t* kind() const override { return L"Selection"; }
    std::span<const MemberAccess> members() const override {
        static constexpr MemberAccess table[] = {
            {m_whole_story, Access::method}, {m_copy, Access::method}, {m_paste_and_format, Access::method}};
        return table;
    }
    HRESULT invoke(Request& request) override {
        auto& word = WordStandIn::instance();
        WordDocument& doc = *state();
        // Tests may have changed the text under the selection.
        doc.selection_end = std::min(doc.selection_end, doc.text.size());
        doc.selection_start = std::min(doc.selection_start, doc.selection_end);
        switch (request.member) {
        case m_whole_story:
            doc.selection_start = 0;
            doc.selection_end = doc.text.size();
            return S_OK;
        case m_copy:
            if (doc.selection_start >= doc.selection_end)
                return refuse(request.exception,
                              L"This method or property is not available because no text is selected.",
                              error_not_available);
            word.clipboard = doc.text.substr(doc.selection_start, doc.selection_end - doc.selection_start);
            return S_OK;
        case m_paste_and_format: { // PasteAndFormat(Type): a WdRecoveryType (0 wdPasteDefault,
                                   // 16 wdFormatOriginalFormatting, 22 wdFormatPlainText ...)
            LONG type = 0;
            if (request.count() != 1)
                return DISP_E_BADPARAMCOUNT;
            if (HRESULT hr = enumeration(request.argument(0),
                                         {0, 5, 6, 7, 8, 10, 11, 12, 13, 14, 15, 16, 19, 20, 22, 23, 24, 25},
                                         type, request.exception);
                FAILED(hr))
                return hr;
            if (word.clipboard.empty())
                return refuse(request.exception,
                              L"This method or property is not available because the Clipboard is empty or "
                              L"not valid.",
                              error_not_available);
            doc.text.replace(doc.selection_start, doc.selection_end - doc.selection_start, word.clipboard);
            doc.selection_start = doc.selection_end = doc.selection_start + word.clipboard.size();
            return S_OK;
        }
        }
        return DISP_E_MEMBERNOTFOUND;
    }
};

class Window : public Dispatch {
public:
    static std::span<const com::InterfaceEntry> interfaces() {
        static const com::InterfaceEntry entries[] = {VEX_INTERFACE_ENTRY(Window, IDispatch)};
        return entries;
    }

protected:
    const wchar_t* kind() const override { return L"Window"; }
    std::span<const MemberAccess> members() const override {
        static constexpr MemberAccess table[] = {
            {m_activate, Access::method}, {m_selection, Access::get}, {m_close, Access::method}};
        return table;
    }
    HRESULT invoke(Request& request) override {
        auto& word = WordStandIn::instance();
        switch (request.member) {
        case m_activate:
            word.activate(document);
            return S_OK;
        case m_selection:
            request.set(make<Selection>([&](Selection& object) { object.document = document; }).get());
            return S_OK;
        case m_close: { // Close([SaveChanges], [RouteDocument]): closed without saving whatever it says
            LONG save = 0;
            if (given(request, 0))
                if (HRESULT hr = enumeration(request.argument(0), {0, -1, -2}, save, request.exception);
                    FAILED(hr))
                    return hr;
            word.close(document);
            return S_OK;
        }
        }
        return DISP_E_MEMBERNOTFOUND;
    }
};

class Document : public Dispatch, public IOleCommandTarget {
public:
    static std::span<const com::InterfaceEntry> interfaces() {
        static const com::InterfaceEntry entries[] = {VEX_INTERFACE_ENTRY(Document, IDispatch),
                                                      VEX_INTERFACE_ENTRY(Document, IOleCommandTarget)};
        return entries;
    }

    STDMETHODIMP QueryStatus(const GUID* group, ULONG count, OLECMD* commands, OLECMDTEXT*) override {
        if (group)
            return OLECMDERR_E_UNKNOWNGROUP;
        for (ULONG i = 0; i < count; ++i)
            commands[i].cmdf = commands[i].cmdID == OLECMDID_PRINT ? OLECMDF_SUPPORTED | OLECMDF_ENABLED : 0;
        return S_OK;
    }
    // Printing through the document's command target: recorded as (command id, option).
    STDMETHODIMP Exec(const GUID* group, DWORD id, DWORD option, VARIANT*, VARIANT*) override {
        try {
            auto& word = WordStandIn::instance();
            WordDocument* doc = word.document_by_id(document);
            const std::wstring arguments = std::to_wstring(id) + L", " + std::to_wstring(option);
            word.calls.push_back({L"Document", L"Exec", L"call", arguments, doc ? doc->name : L""});
            HRESULT hr = group ? OLECMDERR_E_UNKNOWNGROUP : !state() ? RPC_E_DISCONNECTED : S_OK;
            if (hr == S_OK)
                hr = scripted_failure(L"Document", L"Exec", nullptr);
            if (hr == S_OK) {
                word.prints.emplace_back(id, option);
                doc->printouts.push_back(L"Exec(" + arguments + L")");
            }
            word.calls.back().status = hr;
            return hr;
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }

protected:
    const wchar_t* kind() const override { return L"Document"; }
    std::span<const MemberAccess> members() const override {
        static constexpr MemberAccess table[] = {{m_application, Access::get},
                                                 {m_name, Access::get},
                                                 {m_full_name, Access::get},
                                                 {m_mail_merge, Access::get},
                                                 {m_active_window, Access::get},
                                                 {m_activate, Access::method},
                                                 {m_attached_template, Access::get_put},
                                                 {m_vba_signed, Access::get},
                                                 {m_print_out, Access::method}};
        return table;
    }
    HRESULT invoke(Request& request) override {
        auto& word = WordStandIn::instance();
        WordDocument& doc = *state();
        switch (request.member) {
        case m_application:
            request.set(word.application_object().get());
            return S_OK;
        case m_name:
            request.set(doc.name);
            return S_OK;
        case m_full_name:
            request.set(doc.full_name);
            return S_OK;
        case m_mail_merge:
            request.set(make_mail_merge(document).get());
            return S_OK;
        case m_active_window:
            request.set(make<Window>([&](Window& object) { object.document = document; }).get());
            return S_OK;
        case m_activate:
            word.activate(document);
            return S_OK;
        case m_attached_template:
            if (!request.put) {
                request.set(doc.attached_template);
                return S_OK;
            }
            return text_argument(request.value(), doc.attached_template);
        case m_vba_signed:
            request.set_bool(doc.vba_signed);
            return S_OK;
        case m_print_out:
            doc.printouts.push_back(L"PrintOut(" + arguments_text(*request.params) + L")");
            return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
    }
};

} // namespace

com::com_ptr<IDispatch> make_application() {
    return make<Application>();
}

com::com_ptr<IDispatch> make_document(unsigned document) {
    return make<Document>([&](Document& object) { object.document = document; });
}

} // namespace vex::test::word
