// The module's interfaces as C++ sees them: the widl-generated declarations of the type library,
// plus the vtable slots that follow the described methods of two interfaces. Those slots are part
// of the same interface (same IID) but are reachable only from code holding the pointer, not
// through IDispatch.
#pragma once

#include "vex.h"

#include <objbase.h>

struct IVEX_FactoryFull : public IVEX_Factory {
    // The container's document type code (creates the container if needed).
    virtual HRESULT STDMETHODCALLTYPE get_documentType(long* documentType) = 0;
    // Accepted for compatibility; has no effect.
    virtual HRESULT STDMETHODCALLTYPE get_DocumentName(BSTR* documentName) = 0;
};

struct IVEX_GeneralDocumentContainerFull : public IVEX_GeneralDocumentContainer {
    // Accepted for compatibility; traces its name and returns S_OK.
    virtual HRESULT STDMETHODCALLTYPE QueryContainer(IUnknown** container) = 0;
    // Accepted for compatibility; traces its name and returns S_OK.
    virtual HRESULT STDMETHODCALLTYPE getDocumentdata(VARIANT* data) = 0;
    // setEnvironment for any interface pointer: queried for IVEX_Environment; a failed query stores null.
    virtual HRESULT STDMETHODCALLTYPE setEnvironment(IUnknown* environment) = 0;
    using IVEX_GeneralDocumentContainer::setEnvironment;
};

__CRT_UUID_DECL(IVEX_FactoryFull, 0x23482b30, 0x4e56, 0x4731, 0xaf, 0x52, 0x64, 0xd4, 0xca, 0x79, 0xaf, 0x6c)
__CRT_UUID_DECL(IVEX_GeneralDocumentContainerFull, 0x17609d5a, 0x4606, 0x4ffc, 0x8d, 0xbf, 0xf6, 0x2f, 0xdd,
                0x60, 0xc8, 0x83)
