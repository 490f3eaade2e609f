#include "trace/tracer.h"

#include "com/bstr.h"

namespace vex {
namespace {

// One guarded call of the trace object with a freshly allocated text; nothing escapes.
template <class Call>
void guarded(IVEX_Trace* trace, std::wstring_view text, Call call) noexcept {
    if (!trace)
        return;
    try {
        com::unique_bstr bstr(text);
        call(trace, bstr.get());
    } catch (...) {
    }
}

} // namespace

void Tracer::set(com::com_ptr<IVEX_Trace> trace) noexcept {
    m_trace = std::move(trace);
    m_filter = com::query<IVEX_TraceFilter>(m_trace.get());
}

void Tracer::set_from(IUnknown* object) noexcept {
    set(object ? com::query<IVEX_Trace>(object) : nullptr);
}

IVEX_Trace* Tracer::recording() const noexcept {
    return m_filter && !m_filter->recording() ? nullptr : m_trace.get();
}

com::CallScope Tracer::call(std::wstring_view name) const noexcept {
    enter(name);
    return com::CallScope(m_source, name);
}

void Tracer::enter(std::wstring_view name) const noexcept {
    guarded(recording(), name, [](IVEX_Trace* t, BSTR s) { t->TraceEnter(s); });
}

void Tracer::leave(std::wstring_view name, HRESULT status) const noexcept {
    guarded(recording(), name, [status](IVEX_Trace* t, BSTR s) { t->TraceLeave(s, status); });
}

void Tracer::enter2(std::wstring_view name) const noexcept {
    guarded(recording(), name, [](IVEX_Trace* t, BSTR s) { t->TraceEnterLevel2(s); });
}

void Tracer::leave2(std::wstring_view name, HRESULT status) const noexcept {
    guarded(recording(), name, [status](IVEX_Trace* t, BSTR s) { t->TraceLeaveLevel2(s, status); });
}

void Tracer::error(std::wstring_view text, HRESULT status) const noexcept {
    com::note_error(text, status);
    guarded(recording(), text, [status](IVEX_Trace* t, BSTR s) { t->TraceError(s, status); });
}

void Tracer::warning(std::wstring_view text, HRESULT status) const noexcept {
    guarded(recording(), text, [status](IVEX_Trace* t, BSTR s) { t->TraceWarning(s, status); });
}

void Tracer::exception(std::wstring_view text, HRESULT status) const noexcept {
    guarded(recording(), text, [status](IVEX_Trace* t, BSTR s) { t->TraceException(s, status); });
}

void Tracer::time_enter(std::wstring_view name) const noexcept {
    guarded(recording(), name, [](IVEX_Trace* t, BSTR s) { t->TraceTimeEnter(s); });
}

void Tracer::time_leave(std::wstring_view name) const noexcept {
    guarded(recording(), name, [](IVEX_Trace* t, BSTR s) { t->TraceTimeLeave(s); });
}

} // namespace vex
