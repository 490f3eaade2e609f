// IDispatch by hand: the log object has a handful of methods and no type library.
//   TraceLines(objectName) -> the trace lines of that object, joined by "\n"
//   TraceCalls()           -> number of calls that reached any trace service
//   Clear()                -> forgets everything recorded so far
#include "script_log.h"

#include "com/bstr.h"
#include "com/object.h"
#include "host_trace_service.h"

#include <oaidl.h>

#include <cwchar>

namespace vex::test {
namespace {

enum : DISPID { id_trace_lines = 1, id_trace_calls = 2, id_clear = 3 };

struct Member {
    const wchar_t* name;
    DISPID id;
};
constexpr Member members[] = {{L"TraceLines", id_trace_lines}, {L"TraceCalls", id_trace_calls}, {L"Clear", id_clear}};

class ScriptLog : public com::ObjectRoot, public IDispatch {
public:
    static std::span<const com::InterfaceEntry> interfaces() {
        static const com::InterfaceEntry entries[] = {VEX_INTERFACE_ENTRY(ScriptLog, IDispatch)};
        return entries;
    }

    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        HRESULT hr = S_OK;
        for (UINT i = 0; i < count; ++i) {
            ids[i] = DISPID_UNKNOWN;
            for (const Member& m : members)
                if (_wcsicmp(names[i], m.name) == 0)
                    ids[i] = m.id;
            if (ids[i] == DISPID_UNKNOWN)
                hr = DISP_E_UNKNOWNNAME;
        }
        return hr;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                        UINT*) override {
        auto& log = HostTraceLog::instance();
        switch (id) {
        case id_trace_lines: {
            if (params->cArgs != 1)
                return DISP_E_BADPARAMCOUNT;
            com::unique_variant name;
            HRESULT hr = VariantChangeType(name.get(), &params->rgvarg[0], 0, VT_BSTR);
            if (FAILED(hr))
                return hr;
            std::wstring joined;
            for (const std::wstring& line : log.lines(com::bstr_view(name->bstrVal))) {
                if (!joined.empty())
                    joined += L'\n';
                joined += line;
            }
            if (result) {
                result->vt = VT_BSTR;
                result->bstrVal = SysAllocStringLen(joined.data(), static_cast<UINT>(joined.size()));
            }
            return S_OK;
        }
        case id_trace_calls:
            if (result) {
                result->vt = VT_I4;
                result->lVal = static_cast<LONG>(log.calls());
            }
            return S_OK;
        case id_clear:
            log.clear();
            return S_OK;
        default:
            return DISP_E_MEMBERNOTFOUND;
        }
    }

protected:
    ScriptLog() = default;
};

} // namespace

HRESULT create_script_log(IUnknown* outer, REFIID iid, void** out) noexcept {
    return com::ComObject<ScriptLog>::create(outer, iid, out);
}

} // namespace vex::test
