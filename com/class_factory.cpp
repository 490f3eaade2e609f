#include "com/class_factory.h"

#include "com/module.h"

namespace vex::com {

ClassFactory::ClassFactory(CreateFunction create, bool aggregatable) noexcept
    : m_create(create), m_aggregatable(aggregatable) {}

STDMETHODIMP ClassFactory::QueryInterface(REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
        *out = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) ClassFactory::AddRef() {
    const LONG refs = InterlockedIncrement(&m_refs);
    if (refs == 2)
        Module::instance().lock();
    return static_cast<ULONG>(refs);
}

STDMETHODIMP_(ULONG) ClassFactory::Release() {
    const LONG refs = InterlockedDecrement(&m_refs);
    if (refs == 1)
        Module::instance().unlock();
    else if (refs == 0)
        delete this;
    return static_cast<ULONG>(refs);
}

STDMETHODIMP ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (outer && !m_aggregatable)
        return CLASS_E_NOAGGREGATION;
    return m_create(outer, iid, out);
}

STDMETHODIMP ClassFactory::LockServer(BOOL lock) {
    if (lock)
        Module::instance().lock();
    else
        Module::instance().unlock();
    return S_OK;
}

} // namespace vex::com
