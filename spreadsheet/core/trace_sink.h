// Port to the trace channel. On Windows it forwards to the component's IVEX_Trace; a sink that is
// not given (null) silences the parser without changing what it does.
#pragma once

#include "core/status.h"
#include "core/text.h"

namespace vex::table {

class TraceSink {
public:
    virtual ~TraceSink() = default;
    virtual void enter(TextView method) = 0;
    virtual void leave(TextView method, Status status) = 0;
    // Entry and exit at the finer level, for the helpers that run once per node (on Windows
    // IVEX_Trace's TraceEnterLevel2 and TraceLeaveLevel2).
    virtual void enter2(TextView method) = 0;
    virtual void leave2(TextView method, Status status) = 0;
    virtual void error(TextView text, Status status) = 0;
    virtual void warning(TextView text, Status status) = 0;
    // Start and end of a timed stretch of work (on Windows IVEX_Trace's TraceTimeEnter and
    // TraceTimeLeave). A sink that keeps no timings may leave them out.
    virtual void time_enter(TextView) {}
    virtual void time_leave(TextView) {}
};

} // namespace vex::table
