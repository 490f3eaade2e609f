// Persistence of the control's property set, which is empty: the stream holds only its version.
#include "com/control/control.h"

namespace vex::com {
namespace {

constexpr DWORD property_set_version = 0x0800;
constexpr wchar_t contents_stream[] = L"Contents";

} // namespace

STDMETHODIMP ControlBase::GetClassID(CLSID* clsid) {
    if (!clsid)
        return E_POINTER;
    *clsid = *m_class.clsid;
    return S_OK;
}

STDMETHODIMP ControlBase::IsDirty() {
    return m_dirty ? S_OK : S_FALSE;
}

STDMETHODIMP ControlBase::Load(LPSTREAM stream) {
    if (!stream)
        return E_POINTER;
    DWORD version = 0;
    ULONG read = 0;
    const HRESULT hr = stream->Read(&version, sizeof(version), &read);
    if (FAILED(hr))
        return hr;
    if (read != sizeof(version) || version > property_set_version)
        return E_FAIL;
    m_dirty = false;
    return S_OK;
}

STDMETHODIMP ControlBase::Save(LPSTREAM stream, BOOL clear_dirty) {
    if (!stream)
        return E_POINTER;
    const DWORD version = property_set_version;
    const HRESULT hr = stream->Write(&version, sizeof(version), nullptr);
    if (SUCCEEDED(hr) && clear_dirty)
        m_dirty = false;
    return hr;
}

STDMETHODIMP ControlBase::GetSizeMax(ULARGE_INTEGER* size) {
    if (!size)
        return E_POINTER;
    size->QuadPart = sizeof(DWORD);
    return S_OK;
}

STDMETHODIMP ControlBase::InitNew() {
    m_dirty = false;
    return S_OK;
}

STDMETHODIMP ControlBase::InitNew(IStorage* storage) {
    if (!storage)
        return E_POINTER;
    return InitNew();
}

STDMETHODIMP ControlBase::Load(IStorage* storage) {
    if (!storage)
        return E_POINTER;
    com_ptr<IStream> stream;
    const HRESULT hr =
        storage->OpenStream(contents_stream, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, stream.put());
    if (FAILED(hr))
        return hr;
    return Load(stream.get());
}

STDMETHODIMP ControlBase::Save(IStorage* storage, BOOL) {
    if (!storage)
        return E_POINTER;
    com_ptr<IStream> stream;
    const HRESULT hr = storage->CreateStream(
        contents_stream, STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_CREATE, 0, 0, stream.put());
    if (FAILED(hr))
        return hr;
    return Save(stream.get(), TRUE);
}

STDMETHODIMP ControlBase::SaveCompleted(IStorage*) {
    return S_OK;
}

STDMETHODIMP ControlBase::HandsOffStorage() {
    return S_OK;
}

} // namespace vex::com
