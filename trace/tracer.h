// The tracing convention every component follows: one IVEX_Trace reference, possibly null; every
// call skipped while it is null and guarded on its own, so tracing never changes a result.
#pragma once

#include "com/com_ptr.h"
#include "com/error_info.h"
#include "module/interfaces.h"

#include <string_view>

namespace vex {

// The plain entry and exit methods, or the "Level2" ones of the shared automation and conversion
// operations (the same threshold; a finer name for the host).
enum class TraceLevel { plain, level2 };

class Tracer {
public:
    Tracer() = default;

    IVEX_Trace* get() const noexcept { return m_trace.get(); }
    explicit operator bool() const noexcept { return static_cast<bool>(m_trace); }
    // Replaces the reference (null silences the component).
    void set(com::com_ptr<IVEX_Trace> trace) noexcept;
    // Stores whatever the object answers for IVEX_Trace; an object that answers nothing leaves the
    // component without trace.
    void set_from(IUnknown* object) noexcept;
    void reset() noexcept { set(nullptr); }

    // The class whose interface methods this tracer's calls are: failures are reported to the host
    // for its ProgID and dual interface.
    void describe(const com::ErrorSource& source) noexcept { m_source = source; }
    // Entry of an interface method: traces it like enter and keeps, until the returned scope ends,
    // the reason a failure of the call gives the host.
    [[nodiscard]] com::CallScope call(std::wstring_view name) const noexcept;

    void enter(std::wstring_view name) const noexcept;
    void leave(std::wstring_view name, HRESULT status) const noexcept;
    void enter2(std::wstring_view name) const noexcept;
    void leave2(std::wstring_view name, HRESULT status) const noexcept;
    void enter(TraceLevel level, std::wstring_view name) const noexcept {
        level == TraceLevel::level2 ? enter2(name) : enter(name);
    }
    void leave(TraceLevel level, std::wstring_view name, HRESULT status) const noexcept {
        level == TraceLevel::level2 ? leave2(name, status) : leave(name, status);
    }
    void error(std::wstring_view text, HRESULT status) const noexcept;
    void warning(std::wstring_view text, HRESULT status) const noexcept;
    void exception(std::wstring_view text, HRESULT status) const noexcept;
    void time_enter(std::wstring_view name) const noexcept;
    void time_leave(std::wstring_view name) const noexcept;

    // Traces a failing step and hands its status back, for `return trace.fail(...)`.
    HRESULT fail(std::wstring_view text, HRESULT status) const noexcept {
        error(text, status);
        return status;
    }

private:
    // The trace object when it wants records now; null while it passes none on, so that no record's
    // text is built for nothing.
    IVEX_Trace* recording() const noexcept;

    com::com_ptr<IVEX_Trace> m_trace;
    // A trace object of this module says whether it passes records on; others are always called.
    com::com_ptr<IVEX_TraceFilter> m_filter;
    com::ErrorSource m_source;
};

} // namespace vex

// Runs a step; when it fails, traces the text with the step's status and returns that status.
#define VEX_RETURN_IF_FAILED(tracer, text, expr)                                                             \
    do {                                                                                                     \
        const HRESULT vex_step_status_ = (expr);                                                             \
        if (FAILED(vex_step_status_))                                                                        \
            return (tracer).fail((text), vex_step_status_);                                                  \
    } while (0)
