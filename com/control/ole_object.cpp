// IOleObject of the module's controls.
#include "com/control/control.h"

namespace vex::com {

ControlBase::ControlBase(const ControlClass& info) noexcept : m_class(info) {}

ControlBase::~ControlBase() {
    destroy_window();
}

STDMETHODIMP ControlBase::SetClientSite(IOleClientSite* site) {
    m_client_site = site;
    if (!site) {
        // Leaving the container: nothing of it may be kept.
        InPlaceDeactivate();
        m_ole_advise = nullptr;
        m_data_advise = nullptr;
        m_view_sink = nullptr;
    }
    return S_OK;
}

STDMETHODIMP ControlBase::GetClientSite(IOleClientSite** site) {
    if (!site)
        return E_POINTER;
    m_client_site.copy_to(site);
    return S_OK;
}

STDMETHODIMP ControlBase::SetHostNames(LPCOLESTR, LPCOLESTR) {
    return S_OK;
}

// Leaves the in-place state, saves through the site when asked to and the object changed, tells the
// advise sinks, and drops the in-place site.
STDMETHODIMP ControlBase::Close(DWORD save_option) {
    if (m_in_place_active) {
        const HRESULT hr = InPlaceDeactivate();
        if (FAILED(hr))
            return hr;
    }
    if ((save_option == OLECLOSE_SAVEIFDIRTY || save_option == OLECLOSE_PROMPTSAVE) && m_dirty) {
        if (m_client_site)
            m_client_site->SaveObject();
        if (m_ole_advise)
            m_ole_advise->SendOnSave();
    }
    if (m_ole_advise)
        m_ole_advise->SendOnClose();
    m_in_place_site = nullptr;
    m_frame = nullptr;
    m_document_window = nullptr;
    m_windowless = false;
    return S_OK;
}

STDMETHODIMP ControlBase::SetMoniker(DWORD, IMoniker*) {
    return E_NOTIMPL;
}

STDMETHODIMP ControlBase::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    if (moniker)
        *moniker = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP ControlBase::InitFromData(IDataObject*, BOOL, DWORD) {
    return E_NOTIMPL;
}

STDMETHODIMP ControlBase::GetClipboardData(DWORD, IDataObject** data) {
    if (data)
        *data = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP ControlBase::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent, LPCRECT pos) {
    if (site && !m_client_site)
        m_client_site = site;
    switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_UIACTIVATE:
        return in_place_activate(true, parent, pos);
    case OLEIVERB_INPLACEACTIVATE:
        return in_place_activate(false, parent, pos);
    case OLEIVERB_HIDE:
        UIDeactivate();
        if (m_window)
            ShowWindow(m_window, SW_HIDE);
        return S_OK;
    case OLEIVERB_OPEN:
    case OLEIVERB_DISCARDUNDOSTATE:
        return S_OK;
    case OLEIVERB_PROPERTIES:
        return E_NOTIMPL;
    default:
        return verb > 0 ? OLEOBJ_S_INVALIDVERB : E_NOTIMPL;
    }
}

STDMETHODIMP ControlBase::EnumVerbs(IEnumOLEVERB** verbs) {
    if (!verbs)
        return E_POINTER;
    return OleRegEnumVerbs(*m_class.clsid, verbs);
}

STDMETHODIMP ControlBase::Update() {
    return S_OK;
}

STDMETHODIMP ControlBase::IsUpToDate() {
    return S_OK;
}

STDMETHODIMP ControlBase::GetUserClassID(CLSID* clsid) {
    if (!clsid)
        return E_POINTER;
    *clsid = *m_class.clsid;
    return S_OK;
}

STDMETHODIMP ControlBase::GetUserType(DWORD form, LPOLESTR* type) {
    if (!type)
        return E_POINTER;
    return OleRegGetUserType(*m_class.clsid, form, type);
}

STDMETHODIMP ControlBase::SetExtent(DWORD aspect, SIZEL* size) {
    if (aspect != DVASPECT_CONTENT)
        return E_FAIL;
    if (!size)
        return E_POINTER;
    if (size->cx != m_extent.cx || size->cy != m_extent.cy) {
        m_extent = *size;
        m_dirty = true;
    }
    return S_OK;
}

STDMETHODIMP ControlBase::GetExtent(DWORD aspect, SIZEL* size) {
    if (aspect != DVASPECT_CONTENT)
        return E_FAIL;
    if (!size)
        return E_POINTER;
    *size = m_extent;
    return S_OK;
}

STDMETHODIMP ControlBase::Advise(IAdviseSink* sink, DWORD* cookie) {
    if (!m_ole_advise) {
        const HRESULT hr = CreateOleAdviseHolder(m_ole_advise.put());
        if (FAILED(hr))
            return hr;
    }
    return m_ole_advise->Advise(sink, cookie);
}

STDMETHODIMP ControlBase::Unadvise(DWORD cookie) {
    return m_ole_advise ? m_ole_advise->Unadvise(cookie) : OLE_E_NOCONNECTION;
}

STDMETHODIMP ControlBase::EnumAdvise(IEnumSTATDATA** advise) {
    if (!advise)
        return E_POINTER;
    *advise = nullptr;
    return m_ole_advise ? m_ole_advise->EnumAdvise(advise) : E_FAIL;
}

STDMETHODIMP ControlBase::GetMiscStatus(DWORD, DWORD* status) {
    if (!status)
        return E_POINTER;
    *status = m_class.misc_status;
    return S_OK;
}

STDMETHODIMP ControlBase::SetColorScheme(LOGPALETTE*) {
    return E_NOTIMPL;
}

} // namespace vex::com
