// A trace sink that keeps every record, for comparing messages exactly. Records of the finer level
// (enter2, leave2) have kinds of their own, so that tests of the other messages do not see the
// per-node sibling steps.
#pragma once

#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "core/text.h"
#include "core/trace_sink.h"

namespace vex::table::testing {

struct TraceRecord {
    enum class Kind { enter, leave, error, warning, enter2, leave2, time_enter, time_leave };
    Kind kind;
    std::string text; // UTF-8 for readable test failures
    Status status;

    bool operator==(const TraceRecord&) const = default;
};

inline std::string hex(Status status) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(status));
    return text;
}

inline void PrintTo(const TraceRecord& record, std::ostream* os) {
    static constexpr const char* kinds[] = {"enter",  "leave",  "error",      "warning",
                                            "enter2", "leave2", "time_enter", "time_leave"};
    *os << kinds[static_cast<int>(record.kind)] << " \"" << record.text << "\" " << hex(record.status);
}

class RecordingTrace final : public TraceSink {
public:
    void enter(TextView method) override { add(TraceRecord::Kind::enter, method, 0); }
    void leave(TextView method, Status status) override { add(TraceRecord::Kind::leave, method, status); }
    void enter2(TextView method) override { add(TraceRecord::Kind::enter2, method, 0); }
    void leave2(TextView method, Status status) override { add(TraceRecord::Kind::leave2, method, status); }
    void error(TextView text, Status status) override { add(TraceRecord::Kind::error, text, status); }
    void warning(TextView text, Status status) override { add(TraceRecord::Kind::warning, text, status); }
    void time_enter(TextView method) override { add(TraceRecord::Kind::time_enter, method, 0); }
    void time_leave(TextView method) override { add(TraceRecord::Kind::time_leave, method, 0); }

    // The error texts in order, each followed by " [status]" unless its status is status_fail.
    std::vector<std::string> errors() const {
        std::vector<std::string> result;
        for (const auto& record : records) {
            if (record.kind == TraceRecord::Kind::error) {
                result.push_back(record.text +
                                 (record.status == status_fail ? "" : " [" + hex(record.status) + "]"));
            }
        }
        return result;
    }
    std::size_t count(TraceRecord::Kind kind) const {
        std::size_t result = 0;
        for (const auto& record : records) {
            result += record.kind == kind ? 1 : 0;
        }
        return result;
    }
    void clear() { records.clear(); }

    // Every record of every kind, in order.
    std::vector<TraceRecord> records;

private:
    void add(TraceRecord::Kind kind, TextView text, Status status) {
        records.push_back({kind, to_utf8(text), status});
    }
};

} // namespace vex::table::testing
