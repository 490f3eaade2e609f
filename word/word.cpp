// The word component's wiring, its life, the document's content, printing and macros, and its way
// to Word from the container's document.
#include "word/word.h"

#include "module/class_table.h"

#include <docobj.h>

#include <algorithm>

namespace vex {
namespace {

// The status of setTraceTyp for a component without a factory: a success code, not S_OK.
constexpr HRESULT no_factory = 4;

// Word's DefaultFilePath indexes: the temporary-file folder and the user templates folder.
constexpr LONG temp_file_path = 13;
constexpr LONG user_templates_path = 2;

VARIANT long_value(LONG value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

} // namespace

CVEX_Word_Wob::CVEX_Word_Wob() : ControlBase(module::control_class(module::ClassIndex::word)) {
    pTraceObject.describe(control_class().errors);
}

std::span<const com::InterfaceEntry> CVEX_Word_Wob::interfaces() {
    static const com::InterfaceEntry entries[] = {
        VEX_INTERFACE_ENTRY(CVEX_Word_Wob, IVEX_Word),
        VEX_INTERFACE_ENTRY_IID(CVEX_Word_Wob, IID_IDispatch, IVEX_Word),
        VEX_DOCUMENT_CONTROL_INTERFACE_ENTRIES(CVEX_Word_Wob),
        VEX_INTERFACE_ENTRY(CVEX_Word_Wob, ISpecifyPropertyPages),
    };
    return entries;
}

void CVEX_Word_Wob::FinalRelease() {
    pTraceObject.enter(L"FinalRelease");
    m_pfactory.reset();
    m_wordobject = nullptr;
    const auto release = [this](auto& member, const wchar_t* failure) {
        if (!member)
            return;
        if (const HRESULT hr = m_automation.release_member_oleobject(member.get()); FAILED(hr))
            pTraceObject.error(failure, hr);
        member = nullptr;
    };
    release(m_pdoccontainer, L"release_member_oleobject m_pdoccontainer");
    release(m_penvironment, L"release_member_oleobject m_penvironment");
    if (pTraceObject) {
        com::com_ptr<IVEX_Trace> trace_object(pTraceObject.get());
        release(trace_object, L"release_member_oleobject pTraceObject");
        pTraceObject.reset();
    }
    m_automation.setTrace(nullptr);
    m_baseTrace.reset();
}

// Late-bound calls with the texts of the step that makes them.

HRESULT CVEX_Word_Wob::read(IDispatch* from, const wchar_t* name, VARIANT* value, std::wstring_view failure) {
    VEX_RETURN_IF_FAILED(pTraceObject, failure,
                         m_automation.getPropertyByName(from, com::unique_bstr(name), value));
    return S_OK;
}

HRESULT CVEX_Word_Wob::read_object(IDispatch* from, const wchar_t* name, com::com_ptr<IDispatch>& value,
                                   std::wstring_view failure, std::wstring_view not_object) {
    com::unique_variant result;
    if (const HRESULT hr = read(from, name, result.get(), failure); FAILED(hr))
        return hr;
    if (result->vt != VT_DISPATCH || !result->pdispVal)
        return pTraceObject.fail(not_object, E_FAIL);
    value = result->pdispVal;
    return S_OK;
}

HRESULT CVEX_Word_Wob::write(IDispatch* to, const wchar_t* name, VARIANT value, std::wstring_view failure) {
    VEX_RETURN_IF_FAILED(pTraceObject, failure,
                         m_automation.putPropertyByName(to, com::unique_bstr(name), &value));
    return S_OK;
}

// arguments in the order the member declares them; the caller keeps what they hold.
HRESULT CVEX_Word_Wob::call(IDispatch* on, const wchar_t* name, std::vector<VARIANT> arguments,
                            std::wstring_view failure, VARIANT* result) {
    std::reverse(arguments.begin(), arguments.end()); // automation arguments travel last first
    DISPPARAMS args{arguments.data(), nullptr, static_cast<UINT>(arguments.size()), 0};
    VEX_RETURN_IF_FAILED(pTraceObject, failure,
                         m_automation.invokeMethodByName(on, com::unique_bstr(name), &args, result));
    return S_OK;
}

// Wiring.

STDMETHODIMP CVEX_Word_Wob::setTrace(IDispatch* trace) {
    if (!trace)
        return E_FAIL;
    pTraceObject.set_from(trace);
    const auto scope = pTraceObject.call(L"setTrace");
    m_automation.setTrace(trace);
    CVEX_GeneralDocumentContainer::setTrace(trace);
    pTraceObject.leave(L"setTrace", S_OK);
    return S_OK;
}

STDMETHODIMP CVEX_Word_Wob::setTraceTyp(LONG type) {
    const auto scope = pTraceObject.call(L"setTraceTyp");
    HRESULT status = no_factory;
    if (m_pfactory) {
        m_pfactory->setTraceTyp(type);
        status = S_OK;
    }
    pTraceObject.leave(L"setTraceTyp", status);
    return status;
}

// Each argument is kept on its own: what was given stays even when another is missing.
STDMETHODIMP CVEX_Word_Wob::Initialize(IVEX_Factory* factory, IVEX_GeneralDocumentContainer* doccontainer,
                                       IVEX_Environment* newval) {
    const auto scope = pTraceObject.call(L"Initialize");
    HRESULT status = S_OK;
    if (factory) {
        m_pfactory.set(factory, this);
    } else {
        pTraceObject.error(L"factory is null!", S_OK);
        status = E_FAIL;
    }
    if (doccontainer) {
        m_pdoccontainer = doccontainer;
    } else {
        pTraceObject.error(L"doccontainer is null!", status);
        status = E_FAIL;
    }
    if (!newval) {
        pTraceObject.error(L"environment is null!", status);
        return E_FAIL;
    }
    m_penvironment = newval;
    return status;
}

void CVEX_Word_Wob::forgetFactory() {
    m_pfactory.forget();
}

// Word, reached from the container's document.

HRESULT CVEX_Word_Wob::getWordobject() {
    pTraceObject.enter(L"getWordobject");
    if (!m_pdoccontainer)
        return pTraceObject.fail(L"m_pdoccontainer.p == NULL", E_FAIL);
    if (!m_wordobject || m_refreshWordobject) {
        VEX_RETURN_IF_FAILED(pTraceObject, L" getApplication",
                             m_pdoccontainer->getApplication(m_wordobject.put()));
        if (!m_wordobject)
            return pTraceObject.fail(L"m_wordobject == NULL", E_FAIL);
        m_refreshWordobject = false;
    }
    pTraceObject.leave(L"getWordobject", S_OK);
    return S_OK;
}

// The document object is read anew each time: it follows the container's current document.
HRESULT CVEX_Word_Wob::getWordApplicationobject(com::com_ptr<IDispatch>& application) {
    pTraceObject.enter(L"getWordApplicationobject");
    m_refreshWordobject = true;
    VEX_RETURN_IF_FAILED(pTraceObject, L"getWordApplicationobject: getWordobject", getWordobject());
    if (const HRESULT hr = read_object(m_wordobject.get(), L"Application", application,
                                       L"invokeMethodByName: Application", L" application.pdispVal");
        FAILED(hr))
        return hr;
    pTraceObject.leave(L"getWordApplicationobject", S_OK);
    return S_OK;
}

// Word's folders are read once: later changes in Word are not seen.
HRESULT CVEX_Word_Wob::get_OutputPath(IDispatch* application, std::wstring& path) {
    pTraceObject.enter(L"get_OutputPath");
    if (!m_outputPath.empty()) {
        path = m_outputPath;
        return S_OK;
    }
    com::com_ptr<IDispatch> options;
    if (const HRESULT hr = read_object(application, L"Options", options, L"getPropertyByName: optionsobject",
                                       L"optionsobject.pdispVal");
        FAILED(hr))
        return hr;
    com::unique_variant folders[2];
    const LONG indexes[2] = {temp_file_path, user_templates_path};
    for (int i = 0; i < 2; ++i) {
        VARIANT index = long_value(indexes[i]);
        DISPPARAMS args{&index, nullptr, 1, 0};
        VEX_RETURN_IF_FAILED(pTraceObject, L"getIndexedPropertyByName: defaultpath",
                             m_automation.getIndexedPropertyByName(
                                 options, com::unique_bstr(L"DefaultFilePath"), &args, folders[i].get()));
        if (FAILED(VariantChangeType(folders[i].get(), folders[i].get(), 0, VT_BSTR)))
            return pTraceObject.fail(L"getIndexedPropertyByName: defaultpath", E_FAIL);
    }
    m_outputPath = com::bstr_view(folders[0]->bstrVal);
    m_templatePath = com::bstr_view(folders[1]->bstrVal);
    path = m_outputPath;
    pTraceObject.leave(L"get_OutputPath", S_OK);
    return S_OK;
}

HRESULT CVEX_Word_Wob::get_Documents(IDispatch* application, com::com_ptr<IDispatch>& documents) {
    return read_object(application, L"Documents", documents, L"invokeMethodByName: Documents",
                       L"documentlist.pdispVal");
}

HRESULT CVEX_Word_Wob::get_Document(IDispatch* documents, LONG index, com::com_ptr<IDispatch>& document) {
    com::unique_variant result;
    if (const HRESULT hr =
            call(documents, L"Item", {long_value(index)}, L"invokeMethodByName: Item", result.get());
        FAILED(hr))
        return hr;
    if (result->vt != VT_DISPATCH || !result->pdispVal)
        return pTraceObject.fail(L"result.pdispVal", E_FAIL);
    document = result->pdispVal;
    return S_OK;
}

HRESULT CVEX_Word_Wob::document_count(IDispatch* documents, LONG& count) {
    com::unique_variant value;
    if (const HRESULT hr = read(documents, L"Count", value.get(), L"invokeMethodByName: Count"); FAILED(hr))
        return hr;
    if (FAILED(VariantChangeType(value.get(), value.get(), 0, VT_I4)))
        return pTraceObject.fail(L"invokeMethodByName: Documents", E_FAIL);
    count = value->lVal;
    return S_OK;
}

// The document.

// The bytes are always the document as the document proxy saves it: saveasPDF is not used.
STDMETHODIMP CVEX_Word_Wob::getContent(LONG, VARIANT* document) {
    const auto scope = pTraceObject.call(L"getContent");
    if (!m_pdoccontainer)
        return pTraceObject.fail(L"m_pdoccontainer.p == NULL", E_FAIL);
    VEX_RETURN_IF_FAILED(pTraceObject, L"m_pdoccontainer->getContent", m_pdoccontainer->getContent(document));
    pTraceObject.leave(L"getContent", S_OK);
    return S_OK;
}

// 0 prints the whole document with Word's defaults; any other value shows Word's print dialog.
STDMETHODIMP CVEX_Word_Wob::printdocument(LONG userprompt) {
    const auto scope = pTraceObject.call(L"printdocument");
    VEX_RETURN_IF_FAILED(pTraceObject, L"printdocument: getWordobject", getWordobject());
    m_refreshWordobject = true;
    if (userprompt == 0) {
        com::com_ptr<IDispatch> application, document;
        VEX_RETURN_IF_FAILED(pTraceObject, L"printdocument: getWordApplicationobject",
                             getWordApplicationobject(application));
        if (const HRESULT hr = read_object(application.get(), L"ActiveDocument", document,
                                           L"invokeMethodByName: ActiveDocument", L"document.pdispVal");
            FAILED(hr))
            return hr;
        if (const HRESULT hr = call(document.get(), L"PrintOut", {}, L"invokeMethodByName: Printout");
            FAILED(hr))
            return hr;
    } else {
        auto target = m_wordobject.try_query<IOleCommandTarget>();
        if (!target)
            return pTraceObject.fail(L"pTarget == NULL!", E_FAIL);
        VEX_RETURN_IF_FAILED(
            pTraceObject, L"Exec(",
            target->Exec(nullptr, OLECMDID_PRINT, OLECMDEXECOPT_PROMPTUSER, nullptr, nullptr));
    }
    pTraceObject.leave(L"printdocument", S_OK);
    return S_OK;
}

// A plain macro name runs in the active document; "Template.Module.Macro" (or "...!...") runs in the
// open document whose full name contains the part before the first dot, with that template attached.
// Only macros of a signed project run.
STDMETHODIMP CVEX_Word_Wob::runmacro(BSTR name) {
    const auto scope = pTraceObject.call(L"runmacro");
    com::com_ptr<IDispatch> application, document;
    VEX_RETURN_IF_FAILED(pTraceObject, L"runmacro: getWordApplicationobject",
                         getWordApplicationobject(application));
    const std::wstring macro(com::bstr_view(name));
    if (macro.empty())
        return pTraceObject.fail(L"No macroname defined!", E_FAIL);
    Names documents;
    VEX_RETURN_IF_FAILED(pTraceObject, L"invokeMethodByName: getListofDocumentnames",
                         getListofDocumentnames(documents));
    const bool qualified = macro.find(L'!') != std::wstring::npos || macro.find(L'.') != std::wstring::npos;
    if (qualified) {
        const std::wstring part = macro.substr(0, macro.find(L'.'));
        const bool open = std::any_of(documents.begin(), documents.end(), [&](const std::wstring& full) {
            return full.find(part) != std::wstring::npos;
        });
        if (!open)
            return pTraceObject.fail(L"No open document containg macro found! Searched document: " + part,
                                     E_FAIL);
        std::wstring unused;
        VEX_RETURN_IF_FAILED(pTraceObject, L"get_OutputPath", get_OutputPath(application.get(), unused));
    }
    if (const HRESULT hr = call(m_wordobject.get(), L"Activate", {}, L"getDispPropertyByName Activate");
        FAILED(hr))
        return hr;
    VEX_RETURN_IF_FAILED(
        pTraceObject, L"getDispPropertyByName: ActiveDocument",
        m_automation.getDispPropertyByName(application, com::unique_bstr(L"ActiveDocument"), document.put()));
    if (qualified) {
        const std::wstring part = macro.substr(0, macro.find(L'.'));
        com::unique_bstr file(m_templatePath + L"\\" + part + L".dot");
        VARIANT template_file;
        VariantInit(&template_file);
        template_file.vt = VT_BSTR;
        template_file.bstrVal = file.get();
        if (const HRESULT hr = write(document.get(), L"AttachedTemplate", template_file, L"AttachedTemplate");
            FAILED(hr))
            return hr;
    }
    com::unique_variant signature;
    if (const HRESULT hr =
            read(document.get(), L"VBASigned", signature.get(), L"getPropertyByName: VBASigned");
        FAILED(hr))
        return hr;
    if (FAILED(VariantChangeType(signature.get(), signature.get(), 0, VT_BOOL)) ||
        signature->boolVal == VARIANT_FALSE)
        return pTraceObject.fail(L"Macro:" + macro + L" not signed!", E_FAIL);
    VARIANT macro_name;
    VariantInit(&macro_name);
    macro_name.vt = VT_BSTR;
    macro_name.bstrVal = name;
    if (const HRESULT hr =
            call(application.get(), L"Run", {macro_name}, L"invokeMethodByName: Runmacro: " + macro);
        FAILED(hr))
        return hr;
    pTraceObject.leave(L"runmacro", S_OK);
    return S_OK;
}

HRESULT create_word_component(IUnknown* outer, REFIID iid, void** out) noexcept {
    return com::ComObject<CVEX_Word_Wob>::create(outer, iid, out);
}

} // namespace vex
