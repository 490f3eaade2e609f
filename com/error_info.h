// Error information for the host: why a call into one of the module's objects failed, as COM's
// error objects carry it (GetErrorInfo; script hosts show it as Err.Description / e.description).
//
// A call of an interface method opens a scope on the thread; calls it makes into other objects of the
// module open scopes inside it. Every error the components trace while a scope is open is noted, and
// the first one with a failing status wins: it is the innermost step, the one that names the cause.
// When the outermost scope closes, the thread's error object is set to "method: text (0x80004005)"
// from the class's ProgID for its interface, or cleared when nothing failed, so that no stale reason
// follows a good call.
#pragma once

#include <objbase.h>
#include <oaidl.h>

#include <string>
#include <string_view>

namespace vex::com {

// Whose calls a scope covers: the class's ProgID and the dual interface its methods belong to.
struct ErrorSource {
    const wchar_t* progid = nullptr;
    const IID* iid = nullptr;
};

class CallScope {
public:
    CallScope(const ErrorSource& source, std::wstring_view method) noexcept;
    ~CallScope();
    CallScope(const CallScope&) = delete;
    CallScope& operator=(const CallScope&) = delete;
};

// An error a component traced, noted for the call in progress on this thread (none: ignored).
void note_error(std::wstring_view text, HRESULT status) noexcept;

// The number of outermost calls completed on this thread, so that a caller can tell whether a call
// it made ran any method at all.
unsigned long completed_calls() noexcept;

// For the IDispatch path: after a method failed with status, fills the exception block from what
// the call noted (also when it noted only errors traced with a status that is no failure) and sets
// the thread's error object. False when nothing was noted.
bool fill_exception(HRESULT status, EXCEPINFO& exception) noexcept;

} // namespace vex::com
