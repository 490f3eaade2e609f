#include "com/error_info.h"

#include "com/bstr.h"
#include "com/com_ptr.h"

#include <cwchar>

namespace vex::com {
namespace {

// What the call in progress on this thread has noted. The module's objects live in single-threaded
// apartments, so each thread has its own.
struct CallRecord {
    int depth = 0;
    ErrorSource source;
    std::wstring method;
    std::wstring text;     // the first error with a failing status
    HRESULT status = S_OK; // its status
    std::wstring fallback; // the first error traced with a status that is no failure
    unsigned long completed = 0;
};

thread_local CallRecord t_call;

std::wstring hex(HRESULT status) {
    wchar_t text[16];
    std::swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(status));
    return text;
}

// Sets the thread's error object; nothing when it cannot be made.
void set_error(const ErrorSource& source, const std::wstring& description) noexcept {
    com_ptr<ICreateErrorInfo> info;
    if (FAILED(CreateErrorInfo(info.put())))
        return;
    info->SetGUID(source.iid ? *source.iid : GUID_NULL);
    info->SetSource(const_cast<LPOLESTR>(source.progid ? source.progid : L""));
    info->SetDescription(const_cast<LPOLESTR>(description.c_str()));
    if (auto error = info.try_query<IErrorInfo>())
        SetErrorInfo(0, error.get());
}

} // namespace

CallScope::CallScope(const ErrorSource& source, std::wstring_view method) noexcept {
    CallRecord& call = t_call;
    if (call.depth++ > 0)
        return;
    try {
        const unsigned long completed = call.completed;
        call = CallRecord{};
        call.depth = 1;
        call.completed = completed;
        call.source = source;
        call.method = method;
    } catch (...) {
    }
}

CallScope::~CallScope() {
    CallRecord& call = t_call;
    if (--call.depth > 0)
        return;
    ++call.completed;
    try {
        if (FAILED(call.status))
            set_error(call.source, call.method + L": " + call.text + L" (" + hex(call.status) + L")");
        else
            SetErrorInfo(0, nullptr);
    } catch (...) {
    }
}

void note_error(std::wstring_view text, HRESULT status) noexcept {
    CallRecord& call = t_call;
    if (call.depth == 0)
        return;
    try {
        if (FAILED(status) && SUCCEEDED(call.status)) {
            call.text = text;
            call.status = status;
        } else if (SUCCEEDED(status) && call.fallback.empty()) {
            call.fallback = text;
        }
    } catch (...) {
    }
}

unsigned long completed_calls() noexcept {
    return t_call.completed;
}

bool fill_exception(HRESULT status, EXCEPINFO& exception) noexcept {
    const CallRecord& call = t_call;
    const bool failed = FAILED(call.status);
    if (!failed && call.fallback.empty())
        return false;
    try {
        const std::wstring description = call.method + L": " + (failed ? call.text : call.fallback) + L" (" +
                                         hex(failed ? call.status : status) + L")";
        exception = EXCEPINFO{};
        exception.scode = status;
        exception.bstrSource = SysAllocString(call.source.progid ? call.source.progid : L"");
        exception.bstrDescription =
            SysAllocStringLen(description.data(), static_cast<UINT>(description.size()));
        set_error(call.source, description);
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace vex::com
