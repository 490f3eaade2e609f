#include "com/module.h"

namespace vex::com {

Module::Module() noexcept {
    m_init_failed = !InitializeCriticalSectionAndSpinCount(&m_cs, 0);
}

Module::~Module() {
    if (!m_init_failed)
        DeleteCriticalSection(&m_cs);
}

// Constructed during the C runtime's start-up of the DLL, before the entry hook runs.
Module Module::s_instance;

Module& Module::instance() noexcept {
    return s_instance;
}

std::wstring Module::path() const {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(m_handle, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0)
            return {};
        if (n < buffer.size()) {
            buffer.resize(n);
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace vex::com
