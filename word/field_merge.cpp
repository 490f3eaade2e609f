// Field merge: the host's field data (the bytes of a mail-merge data source) are written to a file in
// Word's temporary folder, made the data source of the container's document, and merged by Word into
// a new document, whose text is carried back into a fresh document of the container. Word, the
// container and the environment are left as they were, and no data file is left behind.
#include "word/word.h"

#include "automation/byte_array.h"

#include <algorithm>

namespace vex {
namespace {

// Word's mail merge destination for a new document, and PasteAndFormat's default paste.
constexpr LONG new_document = 0;
constexpr LONG paste_default = 0;

VARIANT long_value(LONG value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

VARIANT bool_value(bool value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BOOL;
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

} // namespace

STDMETHODIMP CVEX_Word_Wob::setFields(VARIANT data) {
    const auto scope = pTraceObject.call(L"setFields");
    Names documents;
    bool wasOpen = false, wasInplace = false;
    // Every failure after the first step restores Word, the container and the environment.
    const auto fail = [this](const wchar_t* text, HRESULT status) {
        pTraceObject.error(text, status);
        restoreFieldEnviroment();
        return status;
    };
#define VEX_MERGE_STEP(text, expr)                                                                           \
    if (const HRESULT step_status = (expr); FAILED(step_status))                                             \
    return fail(text, step_status)

    VEX_MERGE_STEP(L"checkFieldEnviroment", checkFieldEnviroment(wasOpen, wasInplace));
    m_fieldsMerged = true;
    VEX_MERGE_STEP(L"setFields: getWordobject", getWordobject());
    com::com_ptr<IDispatch> mailmerge, merged;
    {
        com::unique_variant value;
        VEX_MERGE_STEP(L"getPropertyByName", m_automation.getPropertyByName(
                                                 m_wordobject, com::unique_bstr(L"MailMerge"), value.get()));
        if (value->vt != VT_DISPATCH || !value->pdispVal)
            return fail(L" mailmergeobject.pdispVal", E_FAIL);
        mailmerge = value->pdispVal;
    }
    com::unique_variant file;
    VEX_MERGE_STEP(L"writeFieldsToFile", writeFieldsToFile(data, file.get()));
    DISPPARAMS source{file.get(), nullptr, 1, 0};
    VEX_MERGE_STEP(
        L"invokeMethodByName: OpenDataSource",
        m_automation.invokeMethodByName(mailmerge, com::unique_bstr(L"OpenDataSource"), &source, nullptr));
    VARIANT destination = long_value(new_document);
    VEX_MERGE_STEP(L"invokeMethodByName: Destination",
                   m_automation.putPropertyByName(mailmerge, com::unique_bstr(L"Destination"), &destination));
    VEX_MERGE_STEP(L"invokeMethodByName: getListofDocumentnames", getListofDocumentnames(documents));
    VEX_MERGE_STEP(
        L"invokeMethodByName: Execute",
        m_automation.invokeMethodByName(mailmerge, com::unique_bstr(L"Execute"), nullptr, nullptr));
    VEX_MERGE_STEP(L"invokeMethodByName: getNewDocument", getNewDocument(documents, merged));
    VEX_MERGE_STEP(L"invokeMethodByName: copyNewDocument", copyNewDocument(merged.get(), wasInplace));
#undef VEX_MERGE_STEP
    VEX_RETURN_IF_FAILED(pTraceObject, L"restoreFieldEnviroment", restoreFieldEnviroment());
    m_refreshWordobject = true;
    pTraceObject.leave(L"setFields", S_OK);
    return S_OK;
}

STDMETHODIMP CVEX_Word_Wob::setFields_gui(BSTR url) {
    const auto scope = pTraceObject.call(L"setFields_gui");
    if (!m_pfactory)
        return pTraceObject.fail(L"get_dp_table", E_FAIL);
    com::unique_variant data;
    VEX_RETURN_IF_FAILED(pTraceObject, L"get_dp_table", m_pfactory->get_dp_table(url, data.get()));
    if (data->vt == VT_EMPTY || ((data->vt & VT_ARRAY) && !data->parray))
        return pTraceObject.fail(L"Data_gui == NULL", E_FAIL);
    VEX_RETURN_IF_FAILED(pTraceObject, L"setFields", setFields(*data.get()));
    pTraceObject.leave(L"setFields_gui", S_OK);
    return S_OK;
}

// The merge always works on a document opened out of place and hidden: an in-place document is closed
// and reopened out of place, and from the second merge on the open document is closed, reloaded from
// the factory's meta source and opened again.
HRESULT CVEX_Word_Wob::checkFieldEnviroment(bool& wasOpen, bool& wasInplace) {
    pTraceObject.enter(L"checkFieldEnviroment");
    wasInplace = false;
    if (!m_pdoccontainer)
        return pTraceObject.fail(L"m_pdoccontainer.p == NULL", E_FAIL);
    if (!m_penvironment)
        return pTraceObject.fail(L"getInplace", E_FAIL);
    VARIANT_BOOL state = VARIANT_FALSE;
    VEX_RETURN_IF_FAILED(pTraceObject, L"isOpen", m_pdoccontainer->isOpen(&state));
    wasOpen = state == VARIANT_TRUE;
    bool open = wasOpen;
    LONG inplace = 0;
    VEX_RETURN_IF_FAILED(pTraceObject, L"getInplace", m_penvironment->getInplace(&inplace));
    com::unique_variant meta;
    if (!m_pfactory)
        return pTraceObject.fail(L"m_pfactory->metaSource", E_FAIL);
    VEX_RETURN_IF_FAILED(pTraceObject, L"m_pfactory->metaSource", m_pfactory->metaSource(meta.get()));
    // Eventing and automatic save go off together.
    VEX_RETURN_IF_FAILED(pTraceObject, L"disableEventing",
                         m_pdoccontainer->put_disableEventing(VARIANT_TRUE));
    if (wasOpen && (m_fieldsMerged || inplace == 1)) {
        VEX_RETURN_IF_FAILED(pTraceObject, L"checkFieldEnviroment: closedocument",
                             m_pdoccontainer->closedocument());
        open = false;
    }
    if (m_fieldsMerged)
        VEX_RETURN_IF_FAILED(pTraceObject, L"setDocumentdata", m_pdoccontainer->setDocumentdata(*meta.get()));
    if (inplace == 1) {
        wasInplace = true;
        VEX_RETURN_IF_FAILED(pTraceObject, L"setInplace", m_penvironment->setInplace(0));
    }
    VEX_RETURN_IF_FAILED(pTraceObject, L"put_visible", m_pdoccontainer->put_visible(VARIANT_FALSE));
    if (!open)
        VEX_RETURN_IF_FAILED(pTraceObject, L"checkFieldEnviroment: opendocument",
                             m_pdoccontainer->opendocument());
    pTraceObject.leave(L"checkFieldEnviroment", S_OK);
    return S_OK;
}

// The data are written as they are: the file Word opens holds exactly the host's bytes.
HRESULT CVEX_Word_Wob::writeFieldsToFile(const VARIANT& data, VARIANT* fileName) {
    pTraceObject.enter(L"writeFieldsToFile");
    std::unique_ptr<BYTE[]> bytes;
    ULONG count = 0;
    HRESULT hr = getBytes(data, bytes, count);
    if (hr == no_byte_data) // fewer than two bytes carry no data source
        hr = E_INVALIDARG;
    VEX_RETURN_IF_FAILED(pTraceObject, L"getBytes", hr);
    com::com_ptr<IDispatch> application;
    VEX_RETURN_IF_FAILED(pTraceObject, L"writeFieldsToFile: getWordApplicationobject",
                         getWordApplicationobject(application));
    std::wstring folder;
    VEX_RETURN_IF_FAILED(pTraceObject, L"get_OutputPath", get_OutputPath(application.get(), folder));
    com::unique_bstr directory(folder), name_part(m_fieldNamePart), file;
    VEX_RETURN_IF_FAILED(pTraceObject, L"writeTmpFile",
                         writeTmpFile(directory.get(), name_part.get(), bytes.get(), count, file.put()));
    VariantClear(fileName);
    fileName->vt = VT_BSTR;
    fileName->bstrVal = file.release();
    pTraceObject.leave(L"writeFieldsToFile", S_OK);
    return S_OK;
}

// The full names of Word's open documents, each once, in Word's order.
HRESULT CVEX_Word_Wob::getListofDocumentnames(Names& list) {
    pTraceObject.enter(L"getListofDocumentnames");
    com::com_ptr<IDispatch> application, documents;
    VEX_RETURN_IF_FAILED(pTraceObject, L"getListofDocumentnames: getWordApplicationobject",
                         getWordApplicationobject(application));
    VEX_RETURN_IF_FAILED(pTraceObject, L"get_Documents", get_Documents(application.get(), documents));
    LONG count = 0;
    if (const HRESULT hr = document_count(documents.get(), count); FAILED(hr))
        return hr;
    for (LONG i = 1; i <= count; ++i) {
        com::com_ptr<IDispatch> document;
        if (const HRESULT hr = get_Document(documents.get(), i, document); FAILED(hr))
            return hr;
        com::unique_variant name;
        if (const HRESULT hr =
                read(document.get(), L"FullName", name.get(), L"invokeMethodByName: documentname");
            FAILED(hr))
            return hr;
        VariantChangeType(name.get(), name.get(), 0, VT_BSTR);
        std::wstring full(name->vt == VT_BSTR ? com::bstr_view(name->bstrVal) : L"");
        if (std::find(list.begin(), list.end(), full) == list.end())
            list.push_back(std::move(full));
    }
    pTraceObject.leave(L"getListofDocumentnames", S_OK);
    return S_OK;
}

// The merge result is the first open document that was not open before the merge; without one there
// is nothing to hand out.
HRESULT CVEX_Word_Wob::getNewDocument(const Names& list, com::com_ptr<IDispatch>& document) {
    pTraceObject.enter(L"getNewDocument");
    com::com_ptr<IDispatch> application, documents;
    VEX_RETURN_IF_FAILED(pTraceObject, L"getNewDocument: getWordApplicationobject",
                         getWordApplicationobject(application));
    VEX_RETURN_IF_FAILED(pTraceObject, L"get_Documents", get_Documents(application.get(), documents));
    LONG count = 0;
    if (const HRESULT hr = document_count(documents.get(), count); FAILED(hr))
        return hr;
    for (LONG i = 1; i <= count && !document; ++i) {
        com::com_ptr<IDispatch> candidate;
        if (const HRESULT hr = get_Document(documents.get(), i, candidate); FAILED(hr))
            return hr;
        com::unique_variant name;
        if (const HRESULT hr =
                read(candidate.get(), L"FullName", name.get(), L"invokeMethodByName: documentname");
            FAILED(hr))
            return hr;
        VariantChangeType(name.get(), name.get(), 0, VT_BSTR);
        const std::wstring full(name->vt == VT_BSTR ? com::bstr_view(name->bstrVal) : L"");
        if (std::find(list.begin(), list.end(), full) == list.end())
            document = std::move(candidate);
    }
    if (!document)
        return pTraceObject.fail(L"getNewDocument: no merged document", E_FAIL);
    pTraceObject.leave(L"getNewDocument", S_OK);
    return S_OK;
}

// The merged text goes through Word's own copy and paste into a fresh document of the container;
// the merge result is closed without saving.
HRESULT CVEX_Word_Wob::copyNewDocument(IDispatch* merged, bool wasInplace) {
    pTraceObject.enter(L"copyNewDocument");
    com::com_ptr<IDispatch> window, selection;
    if (const HRESULT hr = read_object(merged, L"ActiveWindow", window, L"getPropertyByName: ActiveWindow",
                                       L"wind.pdispVal");
        FAILED(hr))
        return hr;
    if (const HRESULT hr = call(window.get(), L"Activate", {}, L"invokeMethodByName : Activate"); FAILED(hr))
        return hr;
    if (const HRESULT hr = read_object(window.get(), L"Selection", selection, L"getPropertyByName: Selection",
                                       L"selection.pdispVal");
        FAILED(hr))
        return hr;
    if (const HRESULT hr = call(selection.get(), L"WholeStory", {}, L"invokeMethodByName : WholeStory");
        FAILED(hr))
        return hr;
    if (const HRESULT hr = call(selection.get(), L"Copy", {}, L"invokeMethodByName : Copy"); FAILED(hr))
        return hr;

    VEX_RETURN_IF_FAILED(pTraceObject, L"invokeMethodByName: closedocument",
                         m_pdoccontainer->closedocument());
    VEX_RETURN_IF_FAILED(pTraceObject, L"put_visible", m_pdoccontainer->put_visible(VARIANT_TRUE));
    if (wasInplace)
        VEX_RETURN_IF_FAILED(pTraceObject, L"setInplace", m_penvironment->setInplace(1));
    VEX_RETURN_IF_FAILED(pTraceObject, L"invokeMethodByName: createdocument",
                         m_pdoccontainer->createdocument());
    m_refreshWordobject = true;
    VEX_RETURN_IF_FAILED(pTraceObject, L"copyNewDocument: getWordobject", getWordobject());

    com::com_ptr<IDispatch> created_window, created_selection;
    if (const HRESULT hr = read_object(m_wordobject.get(), L"ActiveWindow", created_window,
                                       L"getPropertyByName: ActiveWindow 2", L"windcreated.pdispVal");
        FAILED(hr))
        return hr;
    if (const HRESULT hr = call(created_window.get(), L"Activate", {}, L"invokeMethodByName : Activate 2");
        FAILED(hr))
        return hr;
    if (const HRESULT hr = read_object(created_window.get(), L"Selection", created_selection,
                                       L"getPropertyByName: Selectioncreated", L"selectioncreated.pdispVal");
        FAILED(hr))
        return hr;
    if (const HRESULT hr =
            call(created_selection.get(), L"WholeStory", {}, L"invokeMethodByName : WholeStory 2");
        FAILED(hr))
        return hr;
    if (const HRESULT hr = call(created_selection.get(), L"PasteAndFormat", {long_value(paste_default)},
                                L"invokeMethodByName : Paste");
        FAILED(hr))
        return hr;
    if (const HRESULT hr = call(window.get(), L"Close", {long_value(0)}, L"invokeMethodByName : Close");
        FAILED(hr))
        return hr;
    pTraceObject.leave(L"copyNewDocument", S_OK);
    return S_OK;
}

// Every step is tried, whatever the one before did, so that eventing and automatic save come back and
// no data file stays even when Word cannot be reached any more; the first failure is the result.
HRESULT CVEX_Word_Wob::restoreFieldEnviroment() {
    pTraceObject.enter(L"restoreFieldEnviroment");
    HRESULT result = S_OK;
    const auto step = [&](const wchar_t* text, HRESULT hr) {
        if (FAILED(hr)) {
            pTraceObject.error(text, hr);
            if (SUCCEEDED(result))
                result = hr;
        }
    };
    com::com_ptr<IDispatch> application;
    const HRESULT reached = getWordApplicationobject(application);
    step(L"restoreFieldEnviroment: getWordApplicationobject", reached);
    if (SUCCEEDED(reached)) {
        VARIANT on = bool_value(true);
        step(L"putPropertyByName: ScreenUpdating",
             m_automation.putPropertyByName(application, com::unique_bstr(L"ScreenUpdating"), &on));
    }
    if (m_pdoccontainer)
        step(L"put_automaticSave", m_pdoccontainer->put_disableEventing(VARIANT_FALSE));
    if (!m_outputPath.empty()) {
        com::unique_bstr directory(m_outputPath), name_part(m_fieldNamePart);
        step(L"deleteTmpFile", deleteTmpFile(directory.get(), name_part.get()));
    }
    if (SUCCEEDED(result))
        pTraceObject.leave(L"restoreFieldEnviroment", result);
    return result;
}

} // namespace vex
