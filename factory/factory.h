// The factory: the object a host creates first. It creates the environment, the document container
// and the spreadsheet and word components on demand, keeps one reference to each, wires them
// together and releases them in a fixed order; it forwards the document type and the in-place mode
// and moves table data from the host's document provider.
#pragma once

#include "automation/general_document_container.h"
#include "com/bstr.h"
#include "com/control/control.h"
#include "com/dispatch.h"
#include "com/object.h"
#include "module/interfaces.h"
#include "trace/tracer.h"

#include <memory>
#include <span>
#include <vector>

namespace vex {

class CVEX_Factory : public com::ObjectRoot,
                     public com::DispatchImpl<IVEX_FactoryFull, IVEX_Factory>,
                     public com::ControlBase,
                     public IVEX_FactoryClients,
                     public CVEX_GeneralDocumentContainer {
public:
    static std::span<const com::InterfaceEntry> interfaces();
    HRESULT FinalConstruct();
    void FinalRelease();

    // Component creation and wiring.
    STDMETHODIMP createproxy(LONG type, IDispatch** proxy) override;
    STDMETHODIMP setControl(IUnknown* pControl) override;
    STDMETHODIMP createcomponent(LONG type) override;
    STDMETHODIMP deletecomponent(LONG type) override;

    // Settings forwarded to the container and the environment, and members accepted without effect.
    STDMETHODIMP sendonSave() override;
    STDMETHODIMP sendonClose() override;
    STDMETHODIMP sendDocumentdata(VARIANT varPropertyValue) override;
    STDMETHODIMP put_dataSource(VARIANT newVal) override;
    STDMETHODIMP put_expertMode(VARIANT_BOOL newVal) override;
    STDMETHODIMP put_documentType(LONG newVal) override;
    STDMETHODIMP put_activateInPlace(VARIANT_BOOL newVal) override;
    STDMETHODIMP put_showDecoration(VARIANT_BOOL newVal) override;
    STDMETHODIMP put_visible(VARIANT_BOOL newVal) override;
    STDMETHODIMP put_documentName(BSTR newVal) override;
    STDMETHODIMP setdocumentUrl(BSTR name, BSTR url) override;
    STDMETHODIMP setTraceTyp(LONG type) override;
    STDMETHODIMP put_xmlSource(VARIANT newVal) override;
    STDMETHODIMP setDocumentType(LONG documentType) override;
    STDMETHODIMP get_documentType(LONG* documentType) override;
    STDMETHODIMP get_DocumentName(BSTR* documentName) override;

    // Data transfer from the host's document provider.
    STDMETHODIMP getMethodParamAsString(BSTR methodname, LONG param, VARIANT vval, BSTR* bval) override;
    STDMETHODIMP metaSource(VARIANT* newval) override;
    STDMETHODIMP dp_table_identifier(BSTR proxy, BSTR name, BSTR url, LONG* internalerror) override;
    STDMETHODIMP get_dp_table(BSTR url, VARIANT* data) override;

    // The components that hold the factory without a reference.
    void STDMETHODCALLTYPE attachClient(IVEX_FactoryClient* client) override;
    void STDMETHODCALLTYPE detachClient(IVEX_FactoryClient* client) override;

protected:
    CVEX_Factory();
    ~CVEX_Factory();

private:
    HRESULT create_environment();
    HRESULT create_generaldocumentcontainer();
    HRESULT create_spreadsheet();
    HRESULT create_word();
    HRESULT create_trace(const wchar_t* object_name, com::com_ptr<IVEX_Trace>& trace);
    template <class Component>
    HRESULT create_office_component(const wchar_t* name, const CLSID& clsid,
                                    com::com_ptr<Component>& component,
                                    com::com_ptr<IVEX_Trace>& component_trace, const wchar_t* trace_name,
                                    const wchar_t* null_text);
    HRESULT delete_generaldocumentcontainer();
    HRESULT delete_spreadsheet();
    HRESULT delete_word();
    HRESULT delete_environment();
    template <class Component>
    HRESULT delete_office_component(com::com_ptr<Component>& component);
    HRESULT release_member_oleobject(IUnknown* object);
    // The container the host must have created before URLs or content can go through it.
    HRESULT require_container() const noexcept;
    // m_buffer as a byte array VARIANT.
    HRESULT getDocumentdata(VARIANT* data) const noexcept;
    // Traces entry and exit of a member that has no effect.
    HRESULT accepted(const wchar_t* entry, const wchar_t* exit) const noexcept;

    IVEX_Factory* self() noexcept { return static_cast<IVEX_Factory*>(this); }

    Tracer m_trace;
    com::com_ptr<IVEX_Environment> m_penvironment;
    com::com_ptr<IVEX_GeneralDocumentContainer> m_pgeneraldocumentcontainer;
    com::com_ptr<IVEX_Spreadsheet> m_spreadsheet;
    com::com_ptr<IVEX_Trace> m_spreadsheettrace;
    com::com_ptr<IVEX_Word> m_word;
    com::com_ptr<IVEX_Trace> m_wordtrace;
    com::com_ptr<IUnknown> m_control;
    std::vector<IVEX_FactoryClient*> m_clients;

    // Data-transfer state. The component name keys are what dp_table_identifier looks for in its
    // proxy argument.
    static constexpr wchar_t m_factoryKey[] = L"factory";
    static constexpr wchar_t m_environmentKey[] = L"environment";
    static constexpr wchar_t m_containerKey[] = L"generaldoccontainer";
    static constexpr wchar_t m_spreadsheetKey[] = L"spreadsheet";
    static constexpr wchar_t m_wordKey[] = L"wordprocessing";
    com::unique_bstr m_documentName;
    com::unique_bstr m_documentUrl;
    std::unique_ptr<BYTE[]> m_buffer;
    ULONG m_bufferSize = 0;
    com::unique_variant m_table;
    com::unique_variant m_meta;
};

HRESULT create_factory_component(IUnknown* outer, REFIID iid, void** out) noexcept;

} // namespace vex
