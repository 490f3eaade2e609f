#include "automation/ole_shutdown.h"

#include <ocidl.h>
#include <oleidl.h>

namespace vex {
namespace {

constexpr wchar_t operation[] = L"release_member_oleobject";

void trace_entry(const Tracer& trace, const OleShutdownStyle& style) {
    if (style.bracket == OleShutdownStyle::Bracket::level2)
        trace.enter2(operation);
    else if (style.bracket == OleShutdownStyle::Bracket::plain)
        trace.enter(operation);
}

HRESULT trace_exit(const Tracer& trace, const OleShutdownStyle& style, HRESULT status) {
    if (style.bracket == OleShutdownStyle::Bracket::level2)
        trace.leave2(operation, status);
    else if (style.bracket == OleShutdownStyle::Bracket::plain)
        trace.leave(operation, status);
    return status;
}

} // namespace

HRESULT shut_down_ole_object(const Tracer& trace, IUnknown* object, const OleShutdownStyle& style) noexcept {
    trace_entry(trace, style);

    com::com_ptr<IOleObject> ole_object;
    HRESULT hr = object ? object->QueryInterface(IID_IOleObject, ole_object.put_void()) : E_POINTER;
    if (FAILED(hr)) {
        trace.error(style.query_failure_text, hr);
        if (style.stop_on_failure)
            return hr;
    }
    if (!ole_object) {
        trace.warning(L"pOleObjectTmp == null", S_OK);
        return trace_exit(trace, style, S_OK);
    }

    auto in_place = ole_object.try_query<IOleInPlaceObjectWindowless>();
    if (!in_place) {
        trace.warning(L"EmbededOleInPlaceObjectWindowless == null", S_OK);
        return trace_exit(trace, style, S_OK);
    }

    hr = ole_object->Close(OLECLOSE_NOSAVE);
    if (FAILED(hr)) {
        trace.error(L"OLECLOSE", hr);
        if (style.stop_on_failure)
            return hr;
    }
    hr = in_place->InPlaceDeactivate();
    if (FAILED(hr)) {
        trace.error(L"pEmbededOleInPlaceObjectWindowless->InPlaceDeactivate", hr);
        return hr;
    }
    return trace_exit(trace, style, hr);
}

} // namespace vex
