#include "com_test.h"

#include "com/class_factory.h"

#include <cstdio>

namespace vex::test {
namespace {

struct ProcessClass {
    const CLSID* clsid;
    com::CreateFunction create;
};

const ProcessClass process_classes[] = {
    {&host_trace_clsid, create_host_trace_service},
};

std::wstring module_directory(HMODULE module) {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(module, path, MAX_PATH);
    std::wstring text(path, n);
    return text.substr(0, text.find_last_of(L'\\'));
}

// Under Wine a crashing test program starts winedbg, which prints nothing useful into a test log:
// report the faulting module and offset, and the return addresses on the stack, before that.
void print_address(const char* what, void* address) {
    HMODULE module = nullptr;
    char name[MAX_PATH] = "?";
    if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                               GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           static_cast<LPCSTR>(address), &module))
        GetModuleFileNameA(module, name, MAX_PATH);
    std::fprintf(
        stderr, "%s %p = %s+0x%llx\n", what, address, name,
        static_cast<unsigned long long>(static_cast<char*>(address) - reinterpret_cast<char*>(module)));
}

LONG CALLBACK report_fault(EXCEPTION_POINTERS* info) {
    const DWORD code = info->ExceptionRecord->ExceptionCode;
    if (code != EXCEPTION_ACCESS_VIOLATION && code != EXCEPTION_STACK_OVERFLOW &&
        code != EXCEPTION_ILLEGAL_INSTRUCTION && code != EXCEPTION_INT_DIVIDE_BY_ZERO)
        return EXCEPTION_CONTINUE_SEARCH;
    std::fprintf(stderr, "fault 0x%08lx\n", static_cast<unsigned long>(code));
    print_address("  at", info->ExceptionRecord->ExceptionAddress);
    void* frames[32];
    const USHORT count = RtlCaptureStackBackTrace(0, 32, frames, nullptr);
    for (USHORT i = 0; i < count; ++i)
        print_address("  called from", frames[i]);
    std::fflush(stderr);
    return EXCEPTION_CONTINUE_SEARCH;
}

const PVOID fault_reporter = AddVectoredExceptionHandler(1, report_fault);

} // namespace

std::wstring vex_dll_path() {
    // Test programs live below the build directory that holds vex.dll.
    std::wstring dir = module_directory(nullptr);
    while (!dir.empty()) {
        const std::wstring candidate = dir + L"\\vex.dll";
        if (GetFileAttributesW(candidate.c_str()) != INVALID_FILE_ATTRIBUTES)
            return candidate;
        const size_t cut = dir.find_last_of(L'\\');
        if (cut == std::wstring::npos)
            break;
        dir.resize(cut);
    }
    return L"vex.dll";
}

std::wstring build_file(std::wstring_view relative) {
    const std::wstring dll = vex_dll_path();
    return dll.substr(0, dll.find_last_of(L'\\') + 1) + std::wstring(relative);
}

const VexExports& vex_exports() {
    static const VexExports exports = [] {
        VexExports e;
        e.module = LoadLibraryW(vex_dll_path().c_str());
        if (e.module) {
            e.can_unload_now = reinterpret_cast<decltype(e.can_unload_now)>(
                reinterpret_cast<void*>(GetProcAddress(e.module, "DllCanUnloadNow")));
            e.get_class_object = reinterpret_cast<decltype(e.get_class_object)>(
                reinterpret_cast<void*>(GetProcAddress(e.module, "DllGetClassObject")));
            e.register_server = reinterpret_cast<decltype(e.register_server)>(
                reinterpret_cast<void*>(GetProcAddress(e.module, "DllRegisterServer")));
            e.unregister_server = reinterpret_cast<decltype(e.unregister_server)>(
                reinterpret_cast<void*>(GetProcAddress(e.module, "DllUnregisterServer")));
        }
        return e;
    }();
    return exports;
}

void ComTest::SetUp() {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    HostTraceLog::instance().clear();
    HostServices::instance().clear();
    for (const ProcessClass& c : process_classes) {
        auto* factory = new com::ClassFactory(c.create, false);
        DWORD cookie = 0;
        ASSERT_EQ(CoRegisterClassObject(*c.clsid, factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie),
                  S_OK);
        factory->Release();
        m_registrations.push_back(cookie);
    }
    ASSERT_NE(vex_exports().module, nullptr);
}

void ComTest::TearDown() {
    if (expect_unloadable_after_test) {
        EXPECT_EQ(vex_exports().can_unload_now(), S_OK) << "vex objects or locks outlive the test";
    }
    for (DWORD cookie : m_registrations)
        CoRevokeClassObject(cookie);
    m_registrations.clear();
    CoUninitialize();
}

std::wstring hex(HRESULT status) {
    wchar_t buffer[16];
    std::swprintf(buffer, 16, L"0x%08lX", static_cast<unsigned long>(status));
    return buffer;
}

} // namespace vex::test
