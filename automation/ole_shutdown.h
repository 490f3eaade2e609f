// Shutting an embedded OLE object down before its last reference is dropped: OLE close without
// saving, then in-place deactivation. The object itself is not released here.
#pragma once

#include "trace/tracer.h"

namespace vex {

struct OleShutdownStyle {
    enum class Bracket { level2, plain, none };
    // How the sequence traces its own entry and exit ("release_member_oleobject").
    Bracket bracket;
    // Error text when the query for IOleObject fails.
    const wchar_t* query_failure_text;
    // True: a failed query or Close ends the sequence with its status. False: the sequence goes on
    // (a failed query counts as "no IOleObject"; a failed Close still deactivates).
    bool stop_on_failure;
};

// Automation calls of the Office-driving components: traced with the finer level.
inline constexpr OleShutdownStyle member_object_shutdown{OleShutdownStyle::Bracket::level2,
                                                         L"obj->QueryInterface", true};
// The factory closing its components: traced with the plain entry and exit.
inline constexpr OleShutdownStyle component_shutdown{OleShutdownStyle::Bracket::plain, L"obj->QueryInterface",
                                                     true};
// The environment closing its own trace object, tracing through that very object.
inline constexpr OleShutdownStyle trace_object_shutdown{OleShutdownStyle::Bracket::none,
                                                        L"pTraceObject->QueryInterface", false};

HRESULT shut_down_ole_object(const Tracer& trace, IUnknown* object, const OleShutdownStyle& style) noexcept;

} // namespace vex
