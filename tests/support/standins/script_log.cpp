// IDispatch by hand: the log object has a handful of methods and no type library.
//   TraceLines(objectName) -> the trace lines of that object, joined by "\n"
//   TraceCalls()           -> number of calls that reached any trace service
//   Clear()                -> forgets everything recorded so far
#include "script_log.h"

#include "com/bstr.h"
#include "com/object.h"
#include "host_trace_service.h"
#include "script_members.h"

#include <oaidl.h>

namespace vex::test {
namespace {

enum : DISPID { id_trace_lines = 1, id_trace_calls = 2, id_clear = 3 };

constexpr ScriptMember members[] = {
    {L"TraceLines", id_trace_lines}, {L"TraceCalls", id_trace_calls}, {L"Clear", id_clear}};

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
        return ids_of_names(members, names, count, ids);
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                        UINT*) override {
        auto& log = HostTraceLog::instance();
        switch (id) {
        case id_trace_lines: {
            com::unique_variant name;
            if (HRESULT hr = script_argument(params, 0, VT_BSTR, name.get()); FAILED(hr))
                return hr;
            std::wstring joined;
            for (const std::wstring& line : log.lines(com::bstr_view(name->bstrVal))) {
                if (!joined.empty())
                    joined += L'\n';
                joined += line;
            }
            return string_result(result, joined);
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
