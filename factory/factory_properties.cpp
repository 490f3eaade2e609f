// The factory's settings: document type and in-place mode forwarded to the container and the
// environment, document URLs, and the members a host may call that have no effect.
#include "factory/factory.h"

namespace vex {
namespace {

// A value of the documentType put other than Word and Excel: reported as a success code, not S_OK.
constexpr HRESULT unsupported_document_type = 7;
constexpr LONG word_document = 1;
constexpr LONG excel_document = 2;

} // namespace

STDMETHODIMP CVEX_Factory::put_documentType(LONG newVal) {
    const auto scope = m_trace.call(L"put_documentType");
    if (newVal != word_document && newVal != excel_document)
        return unsupported_document_type;
    VEX_RETURN_IF_FAILED(m_trace, L"create_generaldocumentcontainer", create_generaldocumentcontainer());
    m_pgeneraldocumentcontainer->setDocumentType(newVal);
    m_trace.leave(L"put_documentType", S_OK);
    return S_OK;
}

STDMETHODIMP CVEX_Factory::setDocumentType(LONG documentType) {
    const auto scope = m_trace.call(L"setDocumentType");
    const HRESULT hr = put_documentType(documentType);
    if (FAILED(hr))
        return m_trace.fail(L"put_documentType", hr);
    m_trace.leave(L"setDocumentType", hr);
    return hr;
}

STDMETHODIMP CVEX_Factory::get_documentType(LONG* documentType) {
    const auto scope = m_trace.call(L"get_documentType");
    VEX_RETURN_IF_FAILED(m_trace, L"create_generaldocumentcontainer", create_generaldocumentcontainer());
    VEX_RETURN_IF_FAILED(m_trace, L"m_pgeneraldocumentcontainer->getDocumentType",
                         m_pgeneraldocumentcontainer->getDocumentType(documentType));
    m_trace.leave(L"get_documentType", S_OK);
    return S_OK;
}

STDMETHODIMP CVEX_Factory::put_activateInPlace(VARIANT_BOOL newVal) {
    const auto scope = m_trace.call(L"put_ActivateInPlacee");
    create_environment(); // without an environment there is nothing to set
    if (m_penvironment)
        m_penvironment->setInplace(newVal == VARIANT_TRUE ? 1 : 0);
    m_trace.leave(L"put_ActivateInPlace", S_OK);
    return S_OK;
}

STDMETHODIMP CVEX_Factory::setdocumentUrl(BSTR name, BSTR url) {
    const auto scope = m_trace.call(L"setdocumentUrl");
    m_documentName = com::unique_bstr::copy_of(name);
    m_documentUrl = com::unique_bstr::copy_of(url);
    if (const HRESULT hr = require_container(); FAILED(hr))
        return hr;
    VEX_RETURN_IF_FAILED(m_trace, L"setDocumentdataUrl",
                         m_pgeneraldocumentcontainer->setDocumentdataUrl(m_documentName.get(), url));
    m_trace.leave(L"setdocumentUrl", S_OK);
    return S_OK;
}

STDMETHODIMP CVEX_Factory::sendonSave() {
    return accepted(L"sendonSave", L"sendonSave");
}

STDMETHODIMP CVEX_Factory::sendonClose() {
    return accepted(L"sendonClose", L"sendonClose");
}

STDMETHODIMP CVEX_Factory::sendDocumentdata(VARIANT) {
    return accepted(L"sendDocumentdata", L"sendDocumentdata");
}

STDMETHODIMP CVEX_Factory::put_dataSource(VARIANT) {
    return accepted(L"put_dataSource", L"put_dataSource");
}

STDMETHODIMP CVEX_Factory::put_expertMode(VARIANT_BOOL) {
    return accepted(L"put_expertMode", L"put_expertMode");
}

STDMETHODIMP CVEX_Factory::put_xmlSource(VARIANT) {
    return accepted(L"put_xmlSource", L"put_xmlSource");
}

STDMETHODIMP CVEX_Factory::put_showDecoration(VARIANT_BOOL) {
    return accepted(L"put_ShowDecoratione", L"put_ShowDecoration");
}

STDMETHODIMP CVEX_Factory::put_visible(VARIANT_BOOL) {
    return accepted(L"put_Visiblee", L"put_Visible");
}

STDMETHODIMP CVEX_Factory::put_documentName(BSTR) {
    return accepted(L"put_DocumentNamee", L"put_DocumentName");
}

STDMETHODIMP CVEX_Factory::setTraceTyp(LONG) {
    return accepted(L"setTraceTyp", L"setTraceTyp");
}

STDMETHODIMP CVEX_Factory::get_DocumentName(BSTR*) {
    return accepted(L"get_DocumentName", L"get_DocumentName");
}

} // namespace vex
