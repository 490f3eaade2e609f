// The container's wiring, its live document and content, its flags, and its life.
#include "container/container.h"

#include "module/class_table.h"
#include "trace/trace_objects.h"

namespace vex {

CVEX_GeneralDocumentContainer_Karvo::CVEX_GeneralDocumentContainer_Karvo()
    : ControlBase(module::control_class(module::ClassIndex::container)),
      ConnectionPointContainer(DIID__IVEX_GeneralDocumentContainerEvents) {
    pTraceObject.describe(control_class().errors);
}

std::span<const com::InterfaceEntry> CVEX_GeneralDocumentContainer_Karvo::interfaces() {
    using Self = CVEX_GeneralDocumentContainer_Karvo;
    static const com::InterfaceEntry entries[] = {
        VEX_INTERFACE_ENTRY_IID(Self, IID_IVEX_GeneralDocumentContainer, IVEX_GeneralDocumentContainerFull),
        VEX_INTERFACE_ENTRY_IID(Self, IID_IDispatch, IVEX_GeneralDocumentContainerFull),
        VEX_DOCUMENT_CONTROL_INTERFACE_ENTRIES(Self),
        VEX_INTERFACE_ENTRY(Self, IConnectionPointContainer),
    };
    return entries;
}

HRESULT CVEX_GeneralDocumentContainer_Karvo::FinalConstruct() {
    pTraceObject.set(create_own_trace(L"CCVEX_GeneralDocumentContainer_Karvo",
                                      static_cast<IVEX_GeneralDocumentContainer*>(this)));
    pTraceObject.enter(L"FinalConstruct");
    // The conversions of getContent report to the same trace object.
    CVEX_GeneralDocumentContainer::setTrace(pTraceObject.get());
    pTraceObject.leave(L"FinalConstruct", S_OK);
    return S_OK;
}

void CVEX_GeneralDocumentContainer_Karvo::FinalRelease() {
    pTraceObject.enter(L"FinalRelease");
    // A document still open is closed, without saving.
    m_automaticSave = false;
    if (const HRESULT hr = closedocument(); FAILED(hr))
        pTraceObject.error(L"OLECLOSE", hr);
    m_penvironment = nullptr;
    m_pfactory = nullptr;
    pTraceObject.reset();
    m_baseTrace.reset();
}

STDMETHODIMP CVEX_GeneralDocumentContainer_Karvo::setControl(IUnknown* pControl) {
    const auto scope = pTraceObject.call(L"setControl");
    m_control = pControl;
    pTraceObject.leave(L"setControl", S_OK);
    return S_OK;
}

STDMETHODIMP CVEX_GeneralDocumentContainer_Karvo::setEnvironment(IVEX_Environment* newval) {
    const auto scope = pTraceObject.call(L"setEnvironment");
    m_penvironment = newval;
    return S_OK;
}

STDMETHODIMP CVEX_GeneralDocumentContainer_Karvo::setEnvironment(IUnknown* environment) {
    const auto scope = pTraceObject.call(L"setEnvironment");
    m_penvironment = environment ? com::query<IVEX_Environment>(environment) : nullptr;
    return S_OK;
}

STDMETHODIMP CVEX_GeneralDocumentContainer_Karvo::Initialize(IVEX_Factory* factory) {
    const auto scope = pTraceObject.call(L"Initialize");
    if (!factory) {
        pTraceObject.error(L"factory is null!", S_OK);
        return E_FAIL;
    }
    m_pfactory = factory;
    return S_OK;
}

// The container's trace object is its own, from construction; one handed in is not taken.
STDMETHODIMP CVEX_GeneralDocumentContainer_Karvo::setTrace(IDispatch*) {
    const auto scope = pTraceObject.call(L"notimpl");
    return S_OK;
}

STDMETHODIMP CVEX_GeneralDocumentContainer_Karvo::getFactory(IVEX_Factory** factory) {
    const auto scope = pTraceObject.call(L"getFactory");
    if (!m_pfactory)
        return E_FAIL;
    if (!factory)
        return pTraceObject.fail(L"getFactory: QueryInterface", E_POINTER);
    VEX_RETURN_IF_FAILED(pTraceObject, L"getFactory: QueryInterface",
                         m_pfactory->QueryInterface(IID_IVEX_Factory, reinterpret_cast<void**>(factory)));
    pTraceObject.leave(L"getFactory", S_OK);
    return S_OK;
}

STDMETHODIMP CVEX_GeneralDocumentContainer_Karvo::QueryGeneralDocumentInterface(IDispatch** proxy) {
    const auto scope = pTraceObject.call(L"QueryGeneralDocumentInterface");
    HRESULT status = E_NOINTERFACE;
    try {
        com::com_ptr<IVEX_GeneralDocumentContainer> self;
        static_cast<IVEX_GeneralDocumentContainer*>(this)->QueryInterface(IID_IVEX_GeneralDocumentContainer,
                                                                          self.put_void());
        if (self && proxy) {
            *proxy = self.detach(); // one reference, for the caller
            status = S_OK;
        } else if (!proxy) {
            status = E_POINTER;
        }
    } catch (...) {
        status = E_FAIL;
    }
    pTraceObject.leave(L"QueryGeneralDocumentInterface", status);
    return status;
}

STDMETHODIMP CVEX_GeneralDocumentContainer_Karvo::getApplication(IDispatch** proxy) {
    const auto scope = pTraceObject.call(L"getApplication");
    com::com_ptr<IHostDocumentProxy> documents;
    if (const HRESULT hr = document_proxy(documents); FAILED(hr))
        return hr;
    const HRESULT hr = documents->GetDocument(m_documentHandle, proxy);
    if (FAILED(hr))
        pTraceObject.error(L"pDisp->GetDocument", hr);
    return hr;
}

STDMETHODIMP CVEX_GeneralDocumentContainer_Karvo::getContent(VARIANT* document) {
    const auto scope = pTraceObject.call(L"notimpl");
    com::com_ptr<IHostDocumentProxy> documents;
    if (const HRESULT hr = document_proxy(documents); FAILED(hr))
        return hr;
    com::com_ptr<IUnknown> provided;
    VEX_RETURN_IF_FAILED(pTraceObject, L"GetDocumentProvider",
                         documents->GetDocumentProvider(m_documentHandle, provided.put()));
    auto provider = com::query<IHostDocumentProvider>(provided.get());
    if (!provider)
        return pTraceObject.fail(L"dataprovider == NULL", E_FAIL);
    // The open document is saved to the second URL first; the provider then has its bytes.
    VEX_RETURN_IF_FAILED(pTraceObject, L"savedocument_tourl", savedocument_tourl(m_url2.get()));
    com::unique_bstr empty1(L""), empty2(L"");
    com::com_ptr<ILockBytes> bytes;
    VEX_RETURN_IF_FAILED(pTraceObject, L"dataprovider->GetDataAsLockBytes",
                         provider->GetDataAsLockBytes(empty1.get(), empty2.get(), bytes.put()));
    VEX_RETURN_IF_FAILED(pTraceObject, L"getBytes ..",
                         get_ILockBytesToVariant(m_bufferSize, m_buffer, bytes.get(), document));
    return S_OK;
}

STDMETHODIMP CVEX_GeneralDocumentContainer_Karvo::isOpen(VARIANT_BOOL* state) {
    const auto scope = pTraceObject.call(L"isOpen");
    if (!state)
        return pTraceObject.fail(L"state == NULL", E_POINTER);
    *state = m_open ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

// The flag properties take VARIANT_TRUE (-1) as true and any other value as false.
STDMETHODIMP CVEX_GeneralDocumentContainer_Karvo::put_automaticSave(VARIANT_BOOL newVal) {
    const auto scope = pTraceObject.call(L"put_automaticSave");
    m_automaticSave = newVal == VARIANT_TRUE;
    return S_OK;
}

// Eventing and automatic save go off and on together.
STDMETHODIMP CVEX_GeneralDocumentContainer_Karvo::put_disableEventing(VARIANT_BOOL newVal) {
    const auto scope = pTraceObject.call(L"put_disableEventing");
    m_eventing = m_automaticSave = newVal != VARIANT_TRUE;
    return S_OK;
}

STDMETHODIMP CVEX_GeneralDocumentContainer_Karvo::put_visible(VARIANT_BOOL newVal) {
    const auto scope = pTraceObject.call(L"put_visible");
    m_visible = newVal == VARIANT_TRUE;
    return S_OK;
}

STDMETHODIMP CVEX_GeneralDocumentContainer_Karvo::put_closeApplication(VARIANT_BOOL newVal) {
    const auto scope = pTraceObject.call(L"put_closeApplication");
    m_closeApplication = newVal == VARIANT_TRUE;
    pTraceObject.leave(L"put_closeApplication", S_OK);
    return S_OK;
}

STDMETHODIMP CVEX_GeneralDocumentContainer_Karvo::sendApplicationVisible() {
    const auto scope = pTraceObject.call(L"notimpl");
    return S_OK;
}

// Accepted for compatibility, without effect.
STDMETHODIMP CVEX_GeneralDocumentContainer_Karvo::QueryContainer(IUnknown**) {
    const auto scope = pTraceObject.call(L"QueryContainer");
    return S_OK;
}

STDMETHODIMP CVEX_GeneralDocumentContainer_Karvo::getDocumentdata(VARIANT*) {
    const auto scope = pTraceObject.call(L"getDocumentdata");
    return S_OK;
}

HRESULT create_container_component(IUnknown* outer, REFIID iid, void** out) noexcept {
    return com::ComObject<CVEX_GeneralDocumentContainer_Karvo>::create(outer, iid, out);
}

} // namespace vex
