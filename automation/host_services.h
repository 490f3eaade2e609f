// The host's office-integration services, outside this system: the document proxy, which opens,
// creates, closes and saves Office documents, and the document provider, which holds a document's
// bytes. Both are called through their method tables; only the positions this system uses carry
// meaning, the others keep their places.
#pragma once

#include <objbase.h>

#define VEX_RESERVED_SLOT(n) virtual HRESULT STDMETHODCALLTYPE Reserved##n() = 0

// {CBC60070-A140-11D0-A8CF-080009B0CB9D}
struct IHostDocumentProxy : public IUnknown {
    VEX_RESERVED_SLOT(3);
    VEX_RESERVED_SLOT(4);
    VEX_RESERVED_SLOT(5);
    VEX_RESERVED_SLOT(6);
    VEX_RESERVED_SLOT(7);
    VEX_RESERVED_SLOT(8);
    // 9: after a successful open or create, 0 when the document is open, else a failure code.
    virtual HRESULT STDMETHODCALLTYPE GetOperationStatus(LONG* status) = 0;
    VEX_RESERVED_SLOT(10);
    VEX_RESERVED_SLOT(11);
    VEX_RESERVED_SLOT(12);
    VEX_RESERVED_SLOT(13);
    VEX_RESERVED_SLOT(14);
    // 15: a new document of the given type.
    virtual HRESULT STDMETHODCALLTYPE CreateDocument(BSTR documentType, BSTR format, BSTR url, LONG placement,
                                                     LONG flags, LONG* handle) = 0;
    // 16: the document read from url, shown in place (-4) or out of place (-2).
    virtual HRESULT STDMETHODCALLTYPE OpenDocument(BSTR documentType, BSTR format, BSTR url, LONG placement,
                                                   LONG flags, LONG* handle) = 0;
    VEX_RESERVED_SLOT(17);
    // 18
    virtual HRESULT STDMETHODCALLTYPE CloseDocument(LONG handle, LONG options, LONG* result) = 0;
    // 19: writes the document to url; a non-zero error is the proxy's own complaint.
    virtual HRESULT STDMETHODCALLTYPE SaveDocumentToURL(LONG handle, BSTR url, LONG* error) = 0;
    VEX_RESERVED_SLOT(20);
    VEX_RESERVED_SLOT(21);
    VEX_RESERVED_SLOT(22);
    VEX_RESERVED_SLOT(23);
    VEX_RESERVED_SLOT(24);
    VEX_RESERVED_SLOT(25);
    VEX_RESERVED_SLOT(26);
    // 27: the document's automation object.
    virtual HRESULT STDMETHODCALLTYPE GetDocument(LONG handle, IDispatch** document) = 0;
    VEX_RESERVED_SLOT(28);
    // 29: an object to query for the document provider.
    virtual HRESULT STDMETHODCALLTYPE GetDocumentProvider(LONG handle, IUnknown** provider) = 0;
};

// {799104C1-04C5-11D0-AC56-080009D23306}
struct IHostDocumentProvider : public IUnknown {
    VEX_RESERVED_SLOT(3);
    VEX_RESERVED_SLOT(4);
    VEX_RESERVED_SLOT(5);
    VEX_RESERVED_SLOT(6);
    VEX_RESERVED_SLOT(7);
    VEX_RESERVED_SLOT(8);
    VEX_RESERVED_SLOT(9);
    VEX_RESERVED_SLOT(10);
    VEX_RESERVED_SLOT(11);
    VEX_RESERVED_SLOT(12);
    VEX_RESERVED_SLOT(13);
    VEX_RESERVED_SLOT(14);
    VEX_RESERVED_SLOT(15);
    VEX_RESERVED_SLOT(16);
    VEX_RESERVED_SLOT(17);
    VEX_RESERVED_SLOT(18);
    VEX_RESERVED_SLOT(19);
    VEX_RESERVED_SLOT(20);
    VEX_RESERVED_SLOT(21);
    VEX_RESERVED_SLOT(22);
    VEX_RESERVED_SLOT(23);
    VEX_RESERVED_SLOT(24);
    VEX_RESERVED_SLOT(25);
    VEX_RESERVED_SLOT(26);
    VEX_RESERVED_SLOT(27);
    VEX_RESERVED_SLOT(28);
    VEX_RESERVED_SLOT(29);
    VEX_RESERVED_SLOT(30);
    // 31: the provider takes the data at url.
    virtual HRESULT STDMETHODCALLTYPE SetDataFromURL(BSTR reserved1, BSTR reserved2, BSTR url) = 0;
    VEX_RESERVED_SLOT(32);
    // 33: the data as a lock-bytes object.
    virtual HRESULT STDMETHODCALLTYPE GetDataAsLockBytes(BSTR reserved1, BSTR reserved2,
                                                         ILockBytes** data) = 0;
};

#undef VEX_RESERVED_SLOT

__CRT_UUID_DECL(IHostDocumentProxy, 0xcbc60070, 0xa140, 0x11d0, 0xa8, 0xcf, 0x08, 0x00, 0x09, 0xb0, 0xcb,
                0x9d)
__CRT_UUID_DECL(IHostDocumentProvider, 0x799104c1, 0x04c5, 0x11d0, 0xac, 0x56, 0x08, 0x00, 0x09, 0xd2, 0x33,
                0x06)
