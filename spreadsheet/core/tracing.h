// Guarded calls of a trace sink, shared by the parser and the renderer: every call is skipped while
// there is no sink, and nothing a sink throws gets out, so tracing never changes what the traced code
// does.
#pragma once

#include "core/status.h"
#include "core/text.h"
#include "core/trace_sink.h"

namespace vex::table {

class Tracing {
public:
    explicit Tracing(TraceSink* sink) noexcept : m_sink(sink) {}

    void enter(TextView method) noexcept {
        call([&](TraceSink& t) { t.enter(method); });
    }
    void leave(TextView method, Status status) noexcept {
        call([&](TraceSink& t) { t.leave(method, status); });
    }
    void enter2(TextView method) noexcept {
        call([&](TraceSink& t) { t.enter2(method); });
    }
    void leave2(TextView method, Status status) noexcept {
        call([&](TraceSink& t) { t.leave2(method, status); });
    }
    void error(TextView text, Status status) noexcept {
        call([&](TraceSink& t) { t.error(text, status); });
    }
    // An error whose text is text followed by detail (a name, a number, a quoted piece of input).
    void error(TextView text, TextView detail, Status status) noexcept {
        call([&](TraceSink& t) { t.error(concat(text, detail), status); });
    }
    void warning(TextView text, Status status) noexcept {
        call([&](TraceSink& t) { t.warning(text, status); });
    }
    void time_enter(TextView method) noexcept {
        call([&](TraceSink& t) { t.time_enter(method); });
    }
    void time_leave(TextView method) noexcept {
        call([&](TraceSink& t) { t.time_leave(method); });
    }
    // Traces a failing step and hands its status back, for `return trace.fail(...)`.
    Status fail(TextView text, Status status) noexcept {
        error(text, status);
        return status;
    }

private:
    template <class Call>
    void call(Call&& work) noexcept {
        if (m_sink == nullptr) {
            return;
        }
        try {
            work(*m_sink);
        } catch (...) {
        }
    }

    TraceSink* m_sink;
};

} // namespace vex::table

// Runs a step; when it fails, traces the text with the step's status and returns that status.
#define VEX_TABLE_RETURN_IF_FAILED(trace, text, expr)                                                        \
    do {                                                                                                     \
        const ::vex::table::Status vex_table_step_status_ = (expr);                                          \
        if (::vex::table::failed(vex_table_step_status_))                                                    \
            return (trace).fail((text), vex_table_step_status_);                                             \
    } while (0)
