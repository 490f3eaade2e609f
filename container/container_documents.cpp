// The container's documents: type selection, open, create, save and close through the host's
// document proxy.
#include "container/container.h"

namespace vex {
namespace {

// What the proxy takes besides the document: the format and the operation flags.
constexpr wchar_t native_format[] = L"native";
constexpr LONG proxy_flags = 0x501;

// opendocument's success-class answer when no document URL is set.
constexpr HRESULT no_document_url = 8;

const wchar_t* document_type_name(LONG type) {
    switch (type) {
    case 1:
        return L"Word.Document";
    case 2:
        return L"Excel.";
    case 3:
        return L"POWERPOINT.";
    case 4:
        return L"MSPROJECT.";
    case 5:
        return L"VISIO.";
    default:
        return L"";
    }
}

} // namespace

// Every document operation goes through the proxy the factory handed in. Without one that answers
// the proxy interface there is nothing to work with: the operation fails with E_FAIL and says so.
HRESULT CVEX_GeneralDocumentContainer_Karvo::document_proxy(com::com_ptr<IHostDocumentProxy>& proxy) const {
    if (m_control)
        m_control->QueryInterface(__uuidof(IHostDocumentProxy), proxy.put_void());
    if (!proxy)
        return pTraceObject.fail(L"no document proxy", E_FAIL);
    return S_OK;
}

// In place (-4) only when the environment says exactly 1; out of place (-2) for any other value.
LONG CVEX_GeneralDocumentContainer_Karvo::placement_of(LONG inplace) const {
    return inplace == 1 ? m_inplaceCode : m_outplaceCode;
}

// Opening needs the environment: without one it fails with E_FAIL and says so.
HRESULT CVEX_GeneralDocumentContainer_Karvo::placement_code(LONG* code) const {
    if (!m_penvironment)
        return pTraceObject.fail(L"m_penvironment == NULL", E_FAIL);
    LONG inplace = 0;
    VEX_RETURN_IF_FAILED(pTraceObject, L"getInplace", m_penvironment->getInplace(&inplace));
    *code = placement_of(inplace);
    return S_OK;
}

HRESULT CVEX_GeneralDocumentContainer_Karvo::check_operation_status(IHostDocumentProxy* proxy, LONG handle,
                                                                    const wchar_t* entry) {
    m_documentHandle = handle;
    LONG status = 0;
    HRESULT result = proxy->GetOperationStatus(&status);
    if (status != 0) {
        m_open = false;
        result = status;
    } else {
        m_open = true;
    }
    pTraceObject.leave(entry, result);
    return result;
}

HRESULT CVEX_GeneralDocumentContainer_Karvo::getDocumenttype(BSTR* name) {
    pTraceObject.enter(L"getDocumenttype");
    *name = SysAllocString(document_type_name(m_documentType));
    pTraceObject.leave(L"getDocumenttype", S_OK);
    return S_OK;
}

STDMETHODIMP CVEX_GeneralDocumentContainer_Karvo::opendocument() {
    const auto scope = pTraceObject.call(L"opendocument");
    com::com_ptr<IHostDocumentProxy> proxy;
    if (const HRESULT hr = document_proxy(proxy); FAILED(hr))
        return hr;
    com::unique_bstr type;
    getDocumenttype(type.put());
    LONG placement = 0;
    if (const HRESULT hr = placement_code(&placement); FAILED(hr))
        return hr;
    if (m_url.empty()) {
        pTraceObject.error(L"document is empty", no_document_url);
        return no_document_url;
    }
    com::unique_bstr format(native_format);
    LONG handle = m_documentHandle;
    VEX_RETURN_IF_FAILED(
        pTraceObject, L"pDisp->OpenDocument",
        proxy->OpenDocument(type.get(), format.get(), m_url.get(), placement, proxy_flags, &handle));
    return check_operation_status(proxy.get(), handle, L"opendocument");
}

STDMETHODIMP CVEX_GeneralDocumentContainer_Karvo::createdocument() {
    const auto scope = pTraceObject.call(L"createdocument");
    com::com_ptr<IHostDocumentProxy> proxy;
    if (const HRESULT hr = document_proxy(proxy); FAILED(hr))
        return hr;
    com::unique_bstr type;
    getDocumenttype(type.put());
    // The proxy gets the placement opening would use; creating needs no environment, so without an
    // answer from one the document is created out of place.
    LONG inplace = 0;
    if (!m_penvironment || FAILED(m_penvironment->getInplace(&inplace)))
        inplace = 0;
    const LONG placement = placement_of(inplace);
    com::unique_bstr format(native_format), no_url(L"");
    LONG handle = m_documentHandle;
    VEX_RETURN_IF_FAILED(
        pTraceObject, L"pDisp->CreateDocument",
        proxy->CreateDocument(type.get(), format.get(), no_url.get(), placement, proxy_flags, &handle));
    return check_operation_status(proxy.get(), handle, L"createdocument");
}

STDMETHODIMP CVEX_GeneralDocumentContainer_Karvo::closedocument() {
    const auto scope = pTraceObject.call(L"closedocument");
    if (!m_open) {
        pTraceObject.leave(L"closedocument", S_OK);
        return S_OK; // nothing to close: the proxy is not asked
    }
    if (!m_automaticSave)
        pTraceObject.warning(L"Automaticsave disabled!", S_OK);
    com::com_ptr<IHostDocumentProxy> proxy;
    if (const HRESULT hr = document_proxy(proxy); FAILED(hr))
        return hr;
    LONG ignored = 0;
    VEX_RETURN_IF_FAILED(pTraceObject, L"CloseDocument", proxy->CloseDocument(m_documentHandle, 0, &ignored));
    m_open = false; // the handle keeps its value
    pTraceObject.leave(L"closedocument", S_OK);
    return S_OK;
}

HRESULT CVEX_GeneralDocumentContainer_Karvo::save_to(const wchar_t* entry, BSTR url) {
    const auto scope = pTraceObject.call(entry);
    com::com_ptr<IHostDocumentProxy> proxy;
    if (const HRESULT hr = document_proxy(proxy); FAILED(hr))
        return hr;
    LONG error = 0;
    const HRESULT hr = proxy->SaveDocumentToURL(m_documentHandle, url, &error);
    // The proxy's own complaint is reported; the call's status is what the caller gets.
    if (error != 0)
        pTraceObject.error(L"ERror in SaveDocumentToURL", hr);
    return hr;
}

STDMETHODIMP CVEX_GeneralDocumentContainer_Karvo::savedocument() {
    return save_to(L"savedocument", m_url.get());
}

HRESULT CVEX_GeneralDocumentContainer_Karvo::savedocument_tourl(BSTR url) {
    return save_to(L"savedocument_tourl", url);
}

STDMETHODIMP CVEX_GeneralDocumentContainer_Karvo::setDocumentType(LONG documentType) {
    const auto scope = pTraceObject.call(L"setDocumentType");
    m_documentType = documentType;
    pTraceObject.leave(L"setDocumentType", S_OK);
    return S_OK;
}

STDMETHODIMP CVEX_GeneralDocumentContainer_Karvo::getDocumentType(LONG* documentType) {
    const auto scope = pTraceObject.call(L"getDocumentType");
    if (!documentType)
        return pTraceObject.fail(L"documentType == NULL", E_POINTER);
    *documentType = m_documentType;
    pTraceObject.leave(L"getDocumentType", S_OK);
    return S_OK;
}

STDMETHODIMP CVEX_GeneralDocumentContainer_Karvo::setDocumentdataUrl(BSTR url, BSTR url2) {
    const auto scope = pTraceObject.call(L"setDocumentdataUrl");
    m_url = com::unique_bstr::copy_of(url);
    m_url2 = com::unique_bstr::copy_of(url2);
    pTraceObject.leave(L"setDocumentdataUrl", S_OK);
    return S_OK;
}

// Accepted for compatibility: the document's data comes from its URL, not from here.
STDMETHODIMP CVEX_GeneralDocumentContainer_Karvo::setDocumentdata(VARIANT) {
    const auto scope = pTraceObject.call(L"setDocumentdata");
    pTraceObject.leave(L"setDocumentdata", S_OK);
    return S_OK;
}

STDMETHODIMP CVEX_GeneralDocumentContainer_Karvo::setDocumentName(BSTR) {
    const auto scope = pTraceObject.call(L"notimpl");
    return S_OK;
}

} // namespace vex
