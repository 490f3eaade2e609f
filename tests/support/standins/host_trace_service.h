// Stand-in for the host's trace service: records every call it receives so that tests can compare
// trace records exactly (text, status, kind and order). Its method table is declared here slot by
// slot, independently of the product's declaration, so a call into a wrong slot shows up as an
// "unexpected slot" record.
#pragma once

#include <objbase.h>

#include <string>
#include <string_view>
#include <vector>

namespace vex::test {

// {9DE5C794-1990-11D1-A911-080009B0CB9D}
inline constexpr CLSID host_trace_clsid = {
    0x9de5c794, 0x1990, 0x11d1, {0xa9, 0x11, 0x08, 0x00, 0x09, 0xb0, 0xcb, 0x9d}};
// {9DE5C793-1990-11D1-A911-080009B0CB9D}
inline constexpr IID host_trace_iid = {
    0x9de5c793, 0x1990, 0x11d1, {0xa9, 0x11, 0x08, 0x00, 0x09, 0xb0, 0xcb, 0x9d}};

enum HostTraceSlot : int {
    slot_open = 3,
    slot_end = 4,
    slot_message = 6,
    slot_enter = 10,
    slot_leave = 12,
    slot_exception = 14
};

struct HostTraceRecord {
    int channel = -1;         // which service object received the call (creation order, never reused)
    std::wstring object_name; // the object name that service was opened for
    int slot = 0;
    LONG kind = 0; // message kind: 1 error, 2 warning
    std::wstring text;
    HRESULT status = S_OK;
};

// One open call of a service object by a trace component.
struct HostTraceChannel {
    int channel = -1;
    bool opened = false; // the open call succeeded
    std::wstring component;
    std::wstring subcomponent;
    std::wstring object_name;
    CLSID clsid{};
    IUnknown* object = nullptr; // identity of the object given to the open call (not owned)
};

class HostTraceLog {
public:
    static HostTraceLog& instance();

    // Forgets everything recorded and resets the scripted behaviour; service objects that are still
    // alive go on recording under their names.
    void clear();

    // Scripted behaviour: the result of creating a service object and of its open call.
    HRESULT create_result = S_OK;
    HRESULT open_result = S_OK;

    std::vector<HostTraceChannel> channels;
    std::vector<HostTraceRecord> records;

    // The records of every channel opened for object_name, one line each ("enter createproxy",
    // "leave createproxy 0x00000000", "error Unknown type 0x80004005", "warning ...", "exception ..."),
    // in order. A record that is not followed by exactly one end-of-record call shows as
    // "<missing end of record>"; a call into a slot the service does not use as "<unexpected slot N>".
    std::vector<std::wstring> lines(std::wstring_view object_name) const;
    // The channels opened for object_name.
    std::vector<HostTraceChannel> opened(std::wstring_view object_name) const;
    // Number of calls (open, records and ends) that reached any service object.
    size_t calls() const { return records.size(); }
};

// Creates a service object (IUnknown for the aggregation-free stand-in), honouring create_result.
HRESULT create_host_trace_service(IUnknown* outer, REFIID iid, void** out) noexcept;

} // namespace vex::test
