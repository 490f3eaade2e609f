// The class object of one creatable class: created on first request, cached for the module's life.
#pragma once

#include <objbase.h>

namespace vex::com {

using CreateFunction = HRESULT (*)(IUnknown* outer, REFIID iid, void** out);

class ClassFactory final : public IClassFactory {
public:
    // create is the class's creator; aggregatable false makes any outer unknown fail with
    // CLASS_E_NOAGGREGATION.
    ClassFactory(CreateFunction create, bool aggregatable) noexcept;
    ClassFactory(const ClassFactory&) = delete;
    ClassFactory& operator=(const ClassFactory&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    // The module's cache holds one reference; while anyone else holds one too, the module stays locked.
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
    STDMETHODIMP LockServer(BOOL lock) override;

private:
    ~ClassFactory() = default;

    CreateFunction m_create;
    bool m_aggregatable;
    volatile LONG m_refs = 1;
};

} // namespace vex::com
