#include "module/registration.h"

#include "com/com_ptr.h"
#include "com/module.h"
#include "module/class_table.h"
#include "module/interfaces.h"
#include "module/registrar.h"
#include "module/resource.h"

#include <string>

namespace vex::module {
namespace {

constexpr LCID type_library_lcid = 0x409;
#ifdef _WIN64
constexpr SYSKIND type_library_syskind = SYS_WIN64;
#else
constexpr SYSKIND type_library_syskind = SYS_WIN32;
#endif

// Runs the registration with the system default locale as the thread locale and puts the caller's
// locale back afterwards, whatever happens.
class SystemLocaleScope {
public:
    SystemLocaleScope() noexcept : m_saved(GetThreadLocale()) { SetThreadLocale(LOCALE_SYSTEM_DEFAULT); }
    ~SystemLocaleScope() { SetThreadLocale(m_saved); }
    SystemLocaleScope(const SystemLocaleScope&) = delete;
    SystemLocaleScope& operator=(const SystemLocaleScope&) = delete;

private:
    LCID m_saved;
};

// The registrar is a COM object: make sure this thread has COM for the length of the call.
class ComScope {
public:
    ComScope() noexcept : m_initialized(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComScope() {
        if (m_initialized)
            CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    bool m_initialized;
};

enum class Mode { register_keys, unregister_keys };

// Runs one registrar script of the module with %MODULE%, %APPID% and, for class scripts, %OLEMISC%.
HRESULT run_script(const std::wstring& module_path, UINT script, const DWORD* misc_status,
                   Mode mode) noexcept {
    com::com_ptr<IRegistrar> registrar;
    HRESULT hr = CoCreateInstance(CLSID_SystemRegistrar, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IRegistrar),
                                  registrar.put_void());
    if (FAILED(hr))
        return hr;
    hr = registrar->AddReplacement(L"MODULE", module_path.c_str());
    if (SUCCEEDED(hr))
        hr = registrar->AddReplacement(L"APPID", app_id);
    if (SUCCEEDED(hr) && misc_status)
        hr = registrar->AddReplacement(L"OLEMISC", std::to_wstring(*misc_status).c_str());
    if (FAILED(hr))
        return hr;
    return mode == Mode::register_keys
               ? registrar->ResourceRegister(module_path.c_str(), script, L"REGISTRY")
               : registrar->ResourceUnregister(module_path.c_str(), script, L"REGISTRY");
}

HRESULT register_type_library(const std::wstring& module_path) noexcept {
    com::com_ptr<ITypeLib> library;
    HRESULT hr = LoadTypeLibEx(module_path.c_str(), REGKIND_NONE, library.put());
    if (FAILED(hr))
        return hr;
    std::wstring path = module_path;
    std::wstring help_dir = module_path.substr(0, module_path.find_last_of(L'\\'));
    return RegisterTypeLib(library.get(), path.data(), help_dir.data());
}

HRESULT unregister_type_library() noexcept {
    return UnRegisterTypeLib(LIBID_vexkarvo, 1, 0, type_library_lcid, type_library_syskind);
}

} // namespace

HRESULT register_server() noexcept {
    SystemLocaleScope locale;
    ComScope com;
    const std::wstring path = com::Module::instance().path();

    HRESULT hr = run_script(path, IDR_VEX_APPID, nullptr, Mode::register_keys);
    if (FAILED(hr))
        return hr;
    for (const ClassEntry& entry : class_table()) {
        hr = run_script(path, entry.script, &entry.control.misc_status, Mode::register_keys);
        if (FAILED(hr))
            return hr;
    }
    hr = register_type_library(path);
    return FAILED(hr) ? hr : S_OK;
}

HRESULT unregister_server() noexcept {
    SystemLocaleScope locale;
    ComScope com;
    const std::wstring path = com::Module::instance().path();

    for (const ClassEntry& entry : class_table()) {
        const HRESULT hr = run_script(path, entry.script, &entry.control.misc_status, Mode::unregister_keys);
        if (FAILED(hr))
            return hr;
    }
    HRESULT hr = unregister_type_library();
    if (SUCCEEDED(hr))
        hr = run_script(path, IDR_VEX_APPID, nullptr, Mode::unregister_keys);
    return FAILED(hr) ? hr : S_OK;
}

} // namespace vex::module
