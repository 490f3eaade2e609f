// IOleControl, class information and property pages of the module's controls.
#include "com/control/control.h"

#include "com/type_library.h"

namespace vex::com {

STDMETHODIMP ControlBase::GetControlInfo(CONTROLINFO* info) {
    if (!info)
        return E_POINTER;
    // No mnemonics: the control takes no keyboard accelerators of its own.
    info->hAccel = nullptr;
    info->cAccel = 0;
    info->dwFlags = 0;
    return S_OK;
}

STDMETHODIMP ControlBase::OnMnemonic(MSG*) {
    return E_NOTIMPL;
}

STDMETHODIMP ControlBase::OnAmbientPropertyChange(DISPID) {
    return S_OK;
}

STDMETHODIMP ControlBase::FreezeEvents(BOOL freeze) {
    if (freeze)
        ++m_frozen_events;
    else if (m_frozen_events > 0)
        --m_frozen_events;
    return S_OK;
}

STDMETHODIMP ControlBase::InterfaceSupportsErrorInfo(REFIID iid) {
    return m_class.errors.iid && IsEqualIID(iid, *m_class.errors.iid) ? S_OK : S_FALSE;
}

STDMETHODIMP ControlBase::GetClassInfo(ITypeInfo** info) {
    if (!info)
        return E_POINTER;
    return type_info_of(*m_class.clsid, info);
}

STDMETHODIMP ControlBase::GetGUID(DWORD kind, GUID* guid) {
    if (!guid)
        return E_POINTER;
    if (kind == GUIDKIND_DEFAULT_SOURCE_DISP_IID && m_class.default_source) {
        *guid = *m_class.default_source;
        return S_OK;
    }
    *guid = GUID_NULL;
    return E_FAIL;
}

STDMETHODIMP ControlBase::GetPages(CAUUID* pages) {
    if (!pages)
        return E_POINTER;
    pages->cElems = 0;
    pages->pElems = nullptr;
    return S_OK;
}

} // namespace vex::com
