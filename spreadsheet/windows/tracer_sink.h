// The table core's trace port on a component's tracer: each record goes to the component's
// IVEX_Trace with its exact text and status, and is skipped while the component has no trace object.
#pragma once

#include "core/trace_sink.h"
#include "trace/tracer.h"

namespace vex::table::windows {

class TracerSink final : public TraceSink {
public:
    // Refers to the component's tracer, so that a trace object set or dropped later is the one used.
    explicit TracerSink(const Tracer& tracer) noexcept : m_tracer(tracer) {}

    void enter(TextView method) override;
    void leave(TextView method, Status status) override;
    // The finer level goes to TraceEnterLevel2 and TraceLeaveLevel2.
    void enter2(TextView method) override;
    void leave2(TextView method, Status status) override;
    void error(TextView text, Status status) override;
    void warning(TextView text, Status status) override;

private:
    const Tracer& m_tracer;
};

} // namespace vex::table::windows
