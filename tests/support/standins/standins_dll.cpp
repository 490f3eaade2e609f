// standins.dll: the stand-ins as an in-process server, registered in the test prefix for script
// hosts and the main job.
#include "com/class_factory.h"
#include "com/module.h"
#include "document_services.h"
#include "host_trace_service.h"
#include "script_log.h"

#include <string>

namespace {

struct StandinClass {
    const CLSID* clsid;
    const wchar_t* progid; // null: created by class id only
    vex::com::CreateFunction create;
};

const StandinClass g_classes[] = {
    {&vex::test::host_trace_clsid, nullptr, vex::test::create_host_trace_service},
    {&vex::test::script_log_clsid, L"VexStandins.Log", vex::test::create_script_log},
    {&vex::test::document_proxy_clsid, L"VexStandins.DocumentProxy", vex::test::create_document_proxy},
};

std::wstring guid_text(const GUID& guid) {
    wchar_t text[64];
    StringFromGUID2(guid, text, 64);
    return text;
}

LSTATUS set_value(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    HKEY handle = nullptr;
    LSTATUS status = RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr);
    if (status != ERROR_SUCCESS)
        return status;
    status = RegSetValueExW(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(handle);
    return status;
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH)
        vex::com::Module::instance().set_handle(instance);
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return vex::com::Module::instance().lock_count() == 0 ? S_OK : S_FALSE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    for (const StandinClass& c : g_classes) {
        if (IsEqualCLSID(clsid, *c.clsid)) {
            auto* factory = new vex::com::ClassFactory(c.create, false);
            const HRESULT hr = factory->QueryInterface(iid, out);
            factory->Release();
            return hr;
        }
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
    const std::wstring path = vex::com::Module::instance().path();
    for (const StandinClass& c : g_classes) {
        const std::wstring key = L"CLSID\\" + guid_text(*c.clsid);
        LSTATUS status = set_value(HKEY_CLASSES_ROOT, key + L"\\InprocServer32", nullptr, path);
        if (status == ERROR_SUCCESS)
            status = set_value(HKEY_CLASSES_ROOT, key + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
        if (status == ERROR_SUCCESS && c.progid)
            status = set_value(HKEY_CLASSES_ROOT, std::wstring(c.progid) + L"\\CLSID", nullptr,
                               guid_text(*c.clsid));
        if (status != ERROR_SUCCESS)
            return HRESULT_FROM_WIN32(status);
    }
    return S_OK;
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
    for (const StandinClass& c : g_classes) {
        RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + guid_text(*c.clsid)).c_str());
        if (c.progid)
            RegDeleteTreeW(HKEY_CLASSES_ROOT, c.progid);
    }
    return S_OK;
}
