#include "windows/tracer_sink.h"

#include "windows/text_bstr.h"

namespace vex::table::windows {

// The tracer copies each text into a fresh BSTR and guards every call, so nothing here can fail or
// throw.

void TracerSink::enter(TextView method) {
    m_tracer.enter(wide_view(method));
}

void TracerSink::leave(TextView method, Status status) {
    m_tracer.leave(wide_view(method), static_cast<HRESULT>(status));
}

void TracerSink::enter2(TextView method) {
    m_tracer.enter2(wide_view(method));
}

void TracerSink::leave2(TextView method, Status status) {
    m_tracer.leave2(wide_view(method), static_cast<HRESULT>(status));
}

void TracerSink::error(TextView text, Status status) {
    m_tracer.error(wide_view(text), static_cast<HRESULT>(status));
}

void TracerSink::warning(TextView text, Status status) {
    m_tracer.warning(wide_view(text), static_cast<HRESULT>(status));
}

} // namespace vex::table::windows
