// A trace sink that keeps every record, for comparing messages exactly. Records of the finer level
// (enter2, leave2) have kinds of their own: the accessors for the other kinds never see them, so
// tests that check other messages are not disturbed by the per-node sibling steps.
#pragma once

#include <cstdio>
#include <ostream>
#include <string>
#include <utility>
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

inline void PrintTo(const TraceRecord& record, std::ostream* os) {
    static constexpr const char* kinds[] = {"enter",  "leave",  "error",      "warning",
                                            "enter2", "leave2", "time_enter", "time_leave"};
    char status[16];
    std::snprintf(status, sizeof status, "0x%08X", static_cast<unsigned>(record.status));
    *os << kinds[static_cast<int>(record.kind)] << " \"" << record.text << "\" " << status;
}

class RecordingTrace final : public TraceSink {
public:
    void enter(TextView method) override {
        records.push_back({TraceRecord::Kind::enter, to_utf8(method), 0});
    }
    void leave(TextView method, Status status) override {
        records.push_back({TraceRecord::Kind::leave, to_utf8(method), status});
    }
    void enter2(TextView method) override {
        records.push_back({TraceRecord::Kind::enter2, to_utf8(method), 0});
    }
    void leave2(TextView method, Status status) override {
        records.push_back({TraceRecord::Kind::leave2, to_utf8(method), status});
    }
    void error(TextView text, Status status) override {
        records.push_back({TraceRecord::Kind::error, to_utf8(text), status});
    }
    void warning(TextView text, Status status) override {
        records.push_back({TraceRecord::Kind::warning, to_utf8(text), status});
    }
    void time_enter(TextView method) override {
        records.push_back({TraceRecord::Kind::time_enter, to_utf8(method), 0});
    }
    void time_leave(TextView method) override {
        records.push_back({TraceRecord::Kind::time_leave, to_utf8(method), 0});
    }

    // Texts of the error records, in order.
    std::vector<std::string> errors() const { return texts(TraceRecord::Kind::error); }
    // Error records with their status, in order.
    std::vector<std::pair<std::string, Status>> errors_with_status() const {
        std::vector<std::pair<std::string, Status>> result;
        for (const auto& record : records) {
            if (record.kind == TraceRecord::Kind::error) {
                result.emplace_back(record.text, record.status);
            }
        }
        return result;
    }
    // Names of the methods left, in order, with their status.
    std::vector<std::pair<std::string, Status>> leaves() const {
        std::vector<std::pair<std::string, Status>> result;
        for (const auto& record : records) {
            if (record.kind == TraceRecord::Kind::leave) {
                result.emplace_back(record.text, record.status);
            }
        }
        return result;
    }
    std::vector<std::string> entered() const { return texts(TraceRecord::Kind::enter); }
    // Number of records of one kind.
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
    std::vector<std::string> texts(TraceRecord::Kind kind) const {
        std::vector<std::string> result;
        for (const auto& record : records) {
            if (record.kind == kind) {
                result.push_back(record.text);
            }
        }
        return result;
    }
};

} // namespace vex::table::testing
