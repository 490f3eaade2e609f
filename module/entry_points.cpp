// The module's four exported entry points and its load hook.
#include "com/class_factory.h"
#include "com/module.h"
#include "com/type_library.h"
#include "module/class_table.h"
#include "module/registration.h"

#include <array>

namespace {

// Class objects, created on first request under the module's lock and kept for the module's life.
std::array<vex::com::ClassFactory*, 6> g_class_objects{};

void release_class_objects() noexcept {
    for (auto*& object : g_class_objects) {
        if (object) {
            object->Release();
            object = nullptr;
        }
    }
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    auto& module = vex::com::Module::instance();
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        if (module.init_failed())
            return FALSE;
        module.set_handle(instance);
        DisableThreadLibraryCalls(instance);
        break;
    case DLL_PROCESS_DETACH:
        // On process exit (reserved non-null) other DLLs may be gone already; leave everything be.
        if (!reserved) {
            release_class_objects();
            vex::com::release_type_information();
        }
        break;
    default:
        break;
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return vex::com::Module::instance().lock_count() == 0 ? S_OK : S_FALSE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    const auto table = vex::module::class_table();
    for (size_t i = 0; i < table.size(); ++i) {
        const auto& entry = table[i];
        if (!IsEqualCLSID(clsid, *entry.clsid))
            continue;
        if (!entry.create)
            break;
        auto& module = vex::com::Module::instance();
        vex::com::ClassFactory* object = nullptr;
        {
            auto guard = module.guard();
            if (!g_class_objects[i]) {
                g_class_objects[i] =
                    new (std::nothrow) vex::com::ClassFactory(entry.create, entry.aggregatable);
                if (!g_class_objects[i])
                    return E_OUTOFMEMORY;
            }
            object = g_class_objects[i];
        }
        return object->QueryInterface(iid, out);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
    return vex::module::register_server();
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
    return vex::module::unregister_server();
}
