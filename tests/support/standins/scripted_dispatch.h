// An automation object whose members the test defines, logging every call it receives (member,
// invoke kind, locale, argument counts). The base of the Office stand-ins.
#pragma once

#include "com/com_ptr.h"
#include "com/object.h"

#include <oaidl.h>

#include <functional>
#include <string>
#include <vector>

namespace vex::test {

struct DispatchCall {
    std::wstring member;
    WORD flags = 0;
    LCID locale = 0;
    UINT arguments = 0;
    UINT named_arguments = 0;
    bool exception_block = false; // the caller offered an EXCEPINFO
};

class ScriptedDispatch : public com::ObjectRoot, public IDispatch {
public:
    // flags, arguments, result (may be null), exception block (may be null)
    using Handler = std::function<HRESULT(WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*)>;

    static std::span<const com::InterfaceEntry> interfaces();
    static com::com_ptr<ScriptedDispatch> make();

    // Adds a member; DISPIDs run from 1 in the order members are added.
    void add(const std::wstring& name, Handler handler);
    // A property that answers gets with value and takes puts (by value only).
    void add_property(const std::wstring& name, const VARIANT& value);
    const VARIANT& property(const std::wstring& name) const;

    std::vector<DispatchCall> calls;
    std::vector<std::wstring> looked_up; // names asked for through GetIDsOfNames

    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* arg_error) override;

protected:
    ScriptedDispatch() = default;
    ~ScriptedDispatch();

private:
    struct Member {
        std::wstring name;
        Handler handler;
        VARIANT value{}; // for properties
    };
    std::vector<Member> m_members;
};

} // namespace vex::test
