// Object base for every COM class of the module: reference counting, aggregation, the module's
// lock count, FinalConstruct/FinalRelease hooks and QueryInterface from a table per class.
//
// A class T derives from its interfaces (and from ObjectRoot), declares
//     static std::span<const InterfaceEntry> interfaces();
// built with VEX_INTERFACE_ENTRY, and may hide FinalConstruct/FinalRelease. It stays abstract: the
// IUnknown methods are supplied by ComObject<T>, the most-derived class, whose three methods override
// those of every interface T derives from.
#pragma once

#include "com/module.h"

#include <objbase.h>

#include <climits>
#include <new>
#include <span>

namespace vex::com {

struct InterfaceEntry {
    const IID* iid;
    void* (*cast)(void* object); // object is the T*; returns the interface pointer
};

// One row of a QueryInterface table: iid answers with the Interface base of Class.
#define VEX_INTERFACE_ENTRY_IID(Class, iid, Interface)                                                       \
    ::vex::com::InterfaceEntry {                                                                             \
        &(iid), [](void* object) -> void* { return static_cast<Interface*>(static_cast<Class*>(object)); }   \
    }
#define VEX_INTERFACE_ENTRY(Class, Interface) VEX_INTERFACE_ENTRY_IID(Class, __uuidof(Interface), Interface)

class ObjectRoot {
public:
    // Runs once, right after construction, with the object protected by a temporary reference.
    HRESULT FinalConstruct() { return S_OK; }
    // Runs once when the last reference goes, before destruction.
    void FinalRelease() {}

protected:
    ObjectRoot() = default;
    ~ObjectRoot() = default;
    ObjectRoot(const ObjectRoot&) = delete;
    ObjectRoot& operator=(const ObjectRoot&) = delete;

    // The controlling unknown: the outer object when aggregated, else the object's own identity.
    IUnknown* controlling_unknown() const noexcept { return m_controlling; }

private:
    template <class T>
    friend class ComObject;
    IUnknown* m_controlling = nullptr;
};

template <class T>
class ComObject final : public T {
public:
    // Creates an instance; with an outer unknown only IID_IUnknown may be asked for, and the
    // non-delegating inner unknown is handed out.
    static HRESULT create(IUnknown* outer, REFIID iid, void** out) noexcept {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (outer && !IsEqualIID(iid, IID_IUnknown))
            return CLASS_E_NOAGGREGATION;
        auto* object = new (std::nothrow) ComObject(outer);
        if (!object)
            return E_OUTOFMEMORY;
        object->m_inner.m_refs = 1; // protects FinalConstruct from its own temporary references
        HRESULT hr = object->FinalConstruct();
        if (SUCCEEDED(hr))
            hr = object->m_inner.QueryInterface(iid, out);
        object->m_inner.Release();
        return hr;
    }

    // Creates an instance and returns it as a T*, holding one reference (no aggregation).
    static HRESULT create_instance(ComObject** out) noexcept {
        IUnknown* unknown = nullptr;
        const HRESULT hr = create(nullptr, IID_IUnknown, reinterpret_cast<void**>(&unknown));
        *out = SUCCEEDED(hr) ? static_cast<Inner*>(unknown)->m_self : nullptr;
        return hr;
    }

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        return this->m_controlling->QueryInterface(iid, out);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return this->m_controlling->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return this->m_controlling->Release(); }

private:
    // The non-delegating unknown: the object's identity and the owner of its reference count.
    struct Inner final : IUnknown {
        explicit Inner(ComObject* self) : m_self(self) {}

        STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
            if (!out)
                return E_POINTER;
            *out = nullptr;
            if (IsEqualIID(iid, IID_IUnknown)) {
                *out = static_cast<IUnknown*>(this);
            } else {
                for (const InterfaceEntry& entry : T::interfaces()) {
                    if (IsEqualIID(iid, *entry.iid)) {
                        *out = entry.cast(static_cast<T*>(m_self));
                        break;
                    }
                }
            }
            if (!*out)
                return E_NOINTERFACE;
            static_cast<IUnknown*>(*out)->AddRef();
            return S_OK;
        }
        STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
        STDMETHODIMP_(ULONG) Release() override {
            const LONG refs = InterlockedDecrement(&m_refs);
            if (refs == 0) {
                // A large negative count keeps references taken during FinalRelease from
                // destroying the object a second time.
                m_refs = -(LONG_MAX / 2);
                m_self->FinalRelease();
                delete m_self;
            }
            return static_cast<ULONG>(refs);
        }

        ComObject* m_self;
        volatile LONG m_refs = 0;
    };

    explicit ComObject(IUnknown* outer) noexcept : m_inner(this) {
        this->m_controlling = outer ? outer : static_cast<IUnknown*>(&m_inner);
        Module::instance().lock();
    }
    ~ComObject() { Module::instance().unlock(); }

    Inner m_inner;
};

} // namespace vex::com
