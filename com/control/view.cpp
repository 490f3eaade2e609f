// Drawing: the label, IViewObjectEx, and the metafile picture that IDataObject hands out.
#include "com/control/control.h"

#include <cstring>

namespace vex::com {

void draw_label(HDC dc, const RECT& bounds, const char* text) noexcept {
    HRGN old_clip = CreateRectRgn(0, 0, 0, 0);
    const bool had_clip = old_clip && GetClipRgn(dc, old_clip) == 1;
    bool clipped = false;
    if (HRGN clip = CreateRectRgn(bounds.left, bounds.top, bounds.right, bounds.bottom)) {
        clipped = SelectClipRgn(dc, clip) != ERROR;
        DeleteObject(clip); // the device context keeps its own copy
    }

    Rectangle(dc, bounds.left, bounds.top, bounds.right, bounds.bottom);
    const UINT old_align = SetTextAlign(dc, TA_CENTER | TA_BASELINE);
    TextOutA(dc, (bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2, text,
             static_cast<int>(std::strlen(text)));
    SetTextAlign(dc, old_align);

    if (clipped)
        SelectClipRgn(dc, had_clip ? old_clip : nullptr);
    if (old_clip)
        DeleteObject(old_clip);
}

STDMETHODIMP ControlBase::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC draw_dc, LPCRECTL bounds,
                               LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
    if (aspect != DVASPECT_CONTENT && aspect != DVASPECT_OPAQUE && aspect != DVASPECT_TRANSPARENT)
        return DV_E_DVASPECT;
    if (!draw_dc)
        return E_INVALIDARG;
    RECT rect;
    if (bounds) {
        rect = {bounds->left, bounds->top, bounds->right, bounds->bottom};
    } else if (m_in_place_active && m_windowless) {
        rect = m_pos; // a windowless control draws at its place in the container's window
    } else {
        return E_INVALIDARG;
    }
    draw_label(draw_dc, rect, m_class.label);
    return S_OK;
}

STDMETHODIMP ControlBase::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** colors) {
    if (colors)
        *colors = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP ControlBase::Freeze(DWORD, LONG, void*, DWORD*) {
    return E_NOTIMPL;
}

STDMETHODIMP ControlBase::Unfreeze(DWORD) {
    return E_NOTIMPL;
}

STDMETHODIMP ControlBase::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) {
    m_view_aspects = aspects;
    m_view_flags = flags;
    m_view_sink = sink;
    return S_OK;
}

STDMETHODIMP ControlBase::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
    if (aspects)
        *aspects = m_view_aspects;
    if (flags)
        *flags = m_view_flags;
    if (sink)
        m_view_sink.copy_to(sink);
    return S_OK;
}

STDMETHODIMP ControlBase::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) {
    return GetExtent(aspect, size);
}

STDMETHODIMP ControlBase::GetRect(DWORD aspect, LPRECTL rect) {
    if (!rect)
        return E_POINTER;
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    *rect = {m_pos.left, m_pos.top, m_pos.right, m_pos.bottom};
    return S_OK;
}

STDMETHODIMP ControlBase::GetViewStatus(DWORD* status) {
    if (!status)
        return E_POINTER;
    *status = VIEWSTATUS_SOLIDBKGND | VIEWSTATUS_OPAQUE;
    return S_OK;
}

STDMETHODIMP ControlBase::QueryHitPoint(DWORD aspect, LPCRECT bounds, POINT location, LONG, DWORD* hit) {
    if (!bounds || !hit)
        return E_POINTER;
    if (aspect != DVASPECT_CONTENT)
        return E_FAIL;
    *hit = PtInRect(bounds, location) ? HITRESULT_HIT : HITRESULT_OUTSIDE;
    return S_OK;
}

STDMETHODIMP ControlBase::QueryHitRect(DWORD aspect, LPCRECT bounds, LPCRECT location, LONG, DWORD* hit) {
    if (!bounds || !location || !hit)
        return E_POINTER;
    if (aspect != DVASPECT_CONTENT)
        return E_FAIL;
    RECT overlap;
    *hit = IntersectRect(&overlap, bounds, location) ? HITRESULT_HIT : HITRESULT_OUTSIDE;
    return S_OK;
}

STDMETHODIMP ControlBase::GetNaturalExtent(DWORD, LONG, DVTARGETDEVICE*, HDC, DVEXTENTINFO*, LPSIZEL) {
    return E_NOTIMPL;
}

// The label as a metafile picture of the control's extent.
HRESULT ControlBase::render_metafile(STGMEDIUM* medium) noexcept {
    HDC dc = CreateMetaFileW(nullptr);
    if (!dc)
        return E_OUTOFMEMORY;
    HDC screen = GetDC(nullptr);
    const int width = MulDiv(m_extent.cx, GetDeviceCaps(screen, LOGPIXELSX), 2540);
    const int height = MulDiv(m_extent.cy, GetDeviceCaps(screen, LOGPIXELSY), 2540);
    ReleaseDC(nullptr, screen);
    SetWindowOrgEx(dc, 0, 0, nullptr);
    SetWindowExtEx(dc, width, height, nullptr);
    draw_label(dc, RECT{0, 0, width, height}, m_class.label);
    HMETAFILE metafile = CloseMetaFile(dc);
    if (!metafile)
        return E_OUTOFMEMORY;

    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE, sizeof(METAFILEPICT));
    auto* picture = memory ? static_cast<METAFILEPICT*>(GlobalLock(memory)) : nullptr;
    if (!picture) {
        if (memory)
            GlobalFree(memory);
        DeleteMetaFile(metafile);
        return E_OUTOFMEMORY;
    }
    picture->mm = MM_ANISOTROPIC;
    picture->xExt = m_extent.cx;
    picture->yExt = m_extent.cy;
    picture->hMF = metafile;
    GlobalUnlock(memory);
    medium->tymed = TYMED_MFPICT;
    medium->hMetaFilePict = memory;
    medium->pUnkForRelease = nullptr;
    return S_OK;
}

STDMETHODIMP ControlBase::GetData(FORMATETC* format, STGMEDIUM* medium) {
    if (!format || !medium)
        return E_POINTER;
    if (format->cfFormat != CF_METAFILEPICT || !(format->tymed & TYMED_MFPICT))
        return DATA_E_FORMATETC;
    if (format->dwAspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    return render_metafile(medium);
}

STDMETHODIMP ControlBase::GetDataHere(FORMATETC*, STGMEDIUM*) {
    return E_NOTIMPL;
}

STDMETHODIMP ControlBase::QueryGetData(FORMATETC* format) {
    if (!format)
        return E_POINTER;
    if (format->cfFormat != CF_METAFILEPICT || !(format->tymed & TYMED_MFPICT))
        return DATA_E_FORMATETC;
    return format->dwAspect == DVASPECT_CONTENT ? S_OK : DV_E_DVASPECT;
}

STDMETHODIMP ControlBase::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) {
    if (out)
        out->ptd = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP ControlBase::SetData(FORMATETC*, STGMEDIUM*, BOOL) {
    return E_NOTIMPL;
}

STDMETHODIMP ControlBase::EnumFormatEtc(DWORD, IEnumFORMATETC** formats) {
    if (formats)
        *formats = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP ControlBase::DAdvise(FORMATETC* format, DWORD flags, IAdviseSink* sink, DWORD* cookie) {
    if (!m_data_advise) {
        const HRESULT hr = CreateDataAdviseHolder(m_data_advise.put());
        if (FAILED(hr))
            return hr;
    }
    return m_data_advise->Advise(static_cast<IDataObject*>(this), format, flags, sink, cookie);
}

STDMETHODIMP ControlBase::DUnadvise(DWORD cookie) {
    return m_data_advise ? m_data_advise->Unadvise(cookie) : OLE_E_NOCONNECTION;
}

STDMETHODIMP ControlBase::EnumDAdvise(IEnumSTATDATA** advise) {
    if (!advise)
        return E_POINTER;
    *advise = nullptr;
    return m_data_advise ? m_data_advise->EnumAdvise(advise) : E_FAIL;
}

} // namespace vex::com
