// The host's trace service: an outside component of the desktop front end, created by class id and
// called through its method table. Only the slots the trace component uses carry meaning here; the
// others keep their places.
#pragma once

#include <objbase.h>

// {9DE5C794-1990-11D1-A911-080009B0CB9D}
inline constexpr CLSID CLSID_HostTraceService = {
    0x9de5c794, 0x1990, 0x11d1, {0xa9, 0x11, 0x08, 0x00, 0x09, 0xb0, 0xcb, 0x9d}};

// Kinds of the message slot.
inline constexpr LONG host_trace_error = 1;
inline constexpr LONG host_trace_warning = 2;

struct IHostTraceService : public IUnknown {
    // Slot 3: opens the channel for one object.
    virtual HRESULT STDMETHODCALLTYPE Open(LPCWSTR component, LPCWSTR subcomponent, BSTR objectName,
                                           const CLSID* clsid, IUnknown* object) = 0;
    // Slot 4: ends the record made by the call before it.
    virtual HRESULT STDMETHODCALLTYPE EndRecord() = 0;
    virtual HRESULT STDMETHODCALLTYPE Slot5() = 0;
    // Slot 6: an error (kind 1) or warning (kind 2) with its status.
    virtual HRESULT STDMETHODCALLTYPE Message(LONG kind, BSTR text, HRESULT status) = 0;
    virtual HRESULT STDMETHODCALLTYPE Slot7() = 0;
    virtual HRESULT STDMETHODCALLTYPE Slot8() = 0;
    virtual HRESULT STDMETHODCALLTYPE Slot9() = 0;
    // Slot 10: method entry.
    virtual HRESULT STDMETHODCALLTYPE Enter(BSTR text) = 0;
    virtual HRESULT STDMETHODCALLTYPE Slot11() = 0;
    // Slot 12: method exit with its status.
    virtual HRESULT STDMETHODCALLTYPE Leave(BSTR text, HRESULT status) = 0;
    virtual HRESULT STDMETHODCALLTYPE Slot13() = 0;
    // Slot 14: an exception.
    virtual HRESULT STDMETHODCALLTYPE Exception(BSTR text) = 0;
};

__CRT_UUID_DECL(IHostTraceService, 0x9de5c793, 0x1990, 0x11d1, 0xa9, 0x11, 0x08, 0x00, 0x09, 0xb0, 0xcb, 0x9d)
