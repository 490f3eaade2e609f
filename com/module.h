// The process-wide module object: lock count, the lock that guards lazily created class objects,
// and the module's handle and path.
#pragma once

#include <windows.h>

#include <string>

namespace vex::com {

class Module {
public:
    static Module& instance() noexcept;

    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    // Counts live objects, external references on class objects and server locks.
    void lock() noexcept { InterlockedIncrement(&m_locks); }
    void unlock() noexcept { InterlockedDecrement(&m_locks); }
    LONG lock_count() const noexcept { return m_locks; }

    // True when the critical section could not be initialised at load; the entry hook refuses the load.
    bool init_failed() const noexcept { return m_init_failed; }

    void set_handle(HINSTANCE handle) noexcept { m_handle = handle; }
    HINSTANCE handle() const noexcept { return m_handle; }
    // Full path of the module file ("C:\...\vex.dll").
    std::wstring path() const;

    class Guard {
    public:
        explicit Guard(Module& m) noexcept : m_cs(&m.m_cs) { EnterCriticalSection(m_cs); }
        ~Guard() { LeaveCriticalSection(m_cs); }
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;

    private:
        CRITICAL_SECTION* m_cs;
    };
    Guard guard() noexcept { return Guard(*this); }

private:
    Module() noexcept;
    ~Module();

    static Module s_instance;

    volatile LONG m_locks = 0;
    CRITICAL_SECTION m_cs{};
    bool m_init_failed = false;
    HINSTANCE m_handle = nullptr;
};

} // namespace vex::com
