// The document container: the life of one Office document in the desktop front end, through the
// host's document proxy. It opens a document from a URL or creates one, saves it back, hands out its
// automation object and its bytes, and closes it; it opens no Office file itself.
#pragma once

#include "automation/general_document_container.h"
#include "automation/host_services.h"
#include "com/bstr.h"
#include "com/connection_point.h"
#include "com/control/control.h"
#include "com/dispatch.h"
#include "com/object.h"
#include "module/interfaces.h"
#include "trace/tracer.h"

#include <memory>
#include <span>

namespace vex {

class CVEX_GeneralDocumentContainer_Karvo
    : public com::ObjectRoot,
      public com::DispatchImpl<IVEX_GeneralDocumentContainerFull, IVEX_GeneralDocumentContainer>,
      public com::ControlBase,
      public com::ConnectionPointContainer,
      public CVEX_GeneralDocumentContainer {
public:
    static std::span<const com::InterfaceEntry> interfaces();
    HRESULT FinalConstruct();
    void FinalRelease();

    // Documents.
    STDMETHODIMP opendocument() override;
    STDMETHODIMP createdocument() override;
    STDMETHODIMP closedocument() override;
    STDMETHODIMP savedocument() override;
    STDMETHODIMP setDocumentType(LONG documentType) override;
    STDMETHODIMP getDocumentType(LONG* documentType) override;
    STDMETHODIMP setDocumentdata(VARIANT binarydocument) override;
    STDMETHODIMP setDocumentdataUrl(BSTR url, BSTR url2) override;
    STDMETHODIMP setDocumentName(BSTR documentName) override;

    // Wiring, live document, content and flags.
    STDMETHODIMP QueryGeneralDocumentInterface(IDispatch** proxy) override;
    STDMETHODIMP setControl(IUnknown* pControl) override;
    STDMETHODIMP getApplication(IDispatch** proxy) override;
    STDMETHODIMP setTrace(IDispatch* trace) override;
    STDMETHODIMP setEnvironment(IVEX_Environment* newval) override;
    STDMETHODIMP setEnvironment(IUnknown* environment) override;
    STDMETHODIMP Initialize(IVEX_Factory* factory) override;
    STDMETHODIMP getFactory(IVEX_Factory** factory) override;
    STDMETHODIMP put_automaticSave(VARIANT_BOOL newVal) override;
    STDMETHODIMP getContent(VARIANT* document) override;
    STDMETHODIMP isOpen(VARIANT_BOOL* state) override;
    STDMETHODIMP put_disableEventing(VARIANT_BOOL newVal) override;
    STDMETHODIMP put_visible(VARIANT_BOOL newVal) override;
    STDMETHODIMP sendApplicationVisible() override;
    STDMETHODIMP put_closeApplication(VARIANT_BOOL newVal) override;
    STDMETHODIMP QueryContainer(IUnknown** container) override;
    STDMETHODIMP getDocumentdata(VARIANT* data) override;

protected:
    CVEX_GeneralDocumentContainer_Karvo();

private:
    // The document type name handed to the proxy for m_documentType.
    HRESULT getDocumenttype(BSTR* name);
    // Saves the open document to url (getContent saves to the second URL this way).
    HRESULT savedocument_tourl(BSTR url);
    HRESULT save_to(const wchar_t* entry, BSTR url);
    // The host's document proxy behind m_control.
    HRESULT document_proxy(com::com_ptr<IHostDocumentProxy>& proxy) const;
    // The placement code for an in-place mode, and for the environment's mode.
    LONG placement_of(LONG inplace) const;
    HRESULT placement_code(LONG* code) const;
    // After a successful open or create: keeps the new handle, reads the operation status, sets the
    // open state from it and traces the exit of entry with the result.
    HRESULT check_operation_status(IHostDocumentProxy* proxy, LONG handle, const wchar_t* entry);

    // The document proxy as the factory handed it in. No reference is taken: the factory owns one for
    // as long as it owns this container.
    IUnknown* m_control = nullptr;
    LONG m_documentHandle = -1;
    // Hosts set the type (through the factory) before opening or creating; until then it is 0,
    // which names no application.
    LONG m_documentType = 0;
    com::unique_bstr m_url;
    com::unique_bstr m_url2;
    com::com_ptr<IVEX_Factory> m_pfactory;
    bool m_closeApplication = true;
    com::com_ptr<IVEX_Environment> m_penvironment;
    Tracer pTraceObject;
    std::unique_ptr<BYTE[]> m_buffer;
    ULONG m_bufferSize = 0;
    const LONG m_inplaceCode = -4;
    const LONG m_outplaceCode = -2;
};

HRESULT create_container_component(IUnknown* outer, REFIID iid, void** out) noexcept;

} // namespace vex
