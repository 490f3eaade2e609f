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

// Between the factory and the components it wires, in process only and not in the type library. The
// factory keeps its components; a component keeping its factory as well would make a reference cycle
// no host could break. So a component holds the factory without a reference, registers with it, and
// is told to forget it when the factory goes.
struct IVEX_FactoryClient : public IUnknown {
    // The factory is going: the component must no longer use it.
    virtual void STDMETHODCALLTYPE forgetFactory() = 0;
};

struct IVEX_FactoryClients : public IUnknown {
    // client is told to forget the factory when it goes; no reference is taken.
    virtual void STDMETHODCALLTYPE attachClient(IVEX_FactoryClient* client) = 0;
    // client goes first: it must not be told anything any more.
    virtual void STDMETHODCALLTYPE detachClient(IVEX_FactoryClient* client) = 0;
};

// Whether a trace object of this module passes records on at all, in process only. A component asks
// before it builds a record's text, so that a host that traces nothing pays nothing for the records
// (the parser traces once per document node).
struct IVEX_TraceFilter : public IUnknown {
    virtual BOOL STDMETHODCALLTYPE recording() = 0;
};

__CRT_UUID_DECL(IVEX_TraceFilter, 0x7ccda085, 0x9144, 0x466f, 0x91, 0x0d, 0xd1, 0x87, 0xea, 0x9f, 0xc7, 0xea)
__CRT_UUID_DECL(IVEX_FactoryClient, 0xc946b50d, 0x2204, 0x4936, 0xa2, 0x29, 0x4f, 0x42, 0xbe, 0xf4, 0x81,
                0xdc)
__CRT_UUID_DECL(IVEX_FactoryClients, 0x0cf490f4, 0x5250, 0x4436, 0x94, 0xa7, 0xfb, 0x43, 0xba, 0x7a, 0xd4,
                0x00)
__CRT_UUID_DECL(IVEX_FactoryFull, 0x23482b30, 0x4e56, 0x4731, 0xaf, 0x52, 0x64, 0xd4, 0xca, 0x79, 0xaf, 0x6c)
__CRT_UUID_DECL(IVEX_GeneralDocumentContainerFull, 0x17609d5a, 0x4606, 0x4ffc, 0x8d, 0xbf, 0xf6, 0x2f, 0xdd,
                0x60, 0xc8, 0x83)
