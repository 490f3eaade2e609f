// Self-registration through regsvr32: what a host needs to find and create each class is written,
// unregistering removes it again and leaves the shared keys, and the caller's thread locale survives.
#include "class_list.h"
#include "support/com_test.h"

namespace vex::test {
namespace {

// Runs regsvr32 silently on vex.dll and returns its exit code.
DWORD regsvr32(const wchar_t* switches) {
    std::wstring command = L"regsvr32.exe /s " + std::wstring(switches) + L" \"" + vex_dll_path() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return GetLastError() | 0x80000000u;
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

// The default value of a key below HKEY_CLASSES_ROOT, "<none>" when there is no such key.
std::wstring value(const std::wstring& key, const wchar_t* name = nullptr) {
    wchar_t data[MAX_PATH] = {};
    DWORD size = sizeof(data);
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_REG_SZ, nullptr, data, &size) !=
        ERROR_SUCCESS)
        return L"<none>";
    return data;
}

std::wstring clsid_key(const CLSID& clsid) {
    wchar_t text[64];
    StringFromGUID2(clsid, text, 64);
    return L"CLSID\\" + std::wstring(text);
}

using RegistrationTest = ComTest;

TEST_F(RegistrationTest, HostsFindEveryClassByProgIdUntilItIsUnregistered) {
    for (const wchar_t* round : {L"", L"/u", L""}) {
        ASSERT_EQ(regsvr32(round), 0u) << std::wstring(round);
        const bool registered = *round == 0;
        for (const auto& c : all_classes) {
            SCOPED_TRACE(std::string(c.name, c.name + wcslen(c.name)));
            const std::wstring versioned = std::wstring(c.progid) + L".1";
            CLSID found{};
            EXPECT_EQ(CLSIDFromProgID(c.progid, &found), registered ? S_OK : CO_E_CLASSSTRING);
            EXPECT_EQ(CLSIDFromProgID(versioned.c_str(), &found), registered ? S_OK : CO_E_CLASSSTRING);
            EXPECT_EQ(IsEqualCLSID(found, *c.clsid), registered);
            const std::wstring key = clsid_key(*c.clsid);
            EXPECT_EQ(value(key + L"\\InprocServer32"), registered ? vex_dll_path() : L"<none>");
            EXPECT_EQ(value(key + L"\\ProgID"), registered ? versioned : L"<none>");
            EXPECT_EQ(value(key + L"\\InprocServer32", L"ThreadingModel"),
                      registered && std::wstring(c.name) != L"environment" ? L"Apartment" : L"<none>");
            com::com_ptr<IUnknown> object;
            EXPECT_EQ(SUCCEEDED(CoCreateInstance(*c.clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                                 object.put_void())),
                      registered);
        }
        com::com_ptr<ITypeLib> library;
        EXPECT_EQ(SUCCEEDED(LoadRegTypeLib(LIBID_vexkarvo, 1, 0, 0x409, library.put())), registered);
        // The keys every server shares stay.
        for (const wchar_t* shared_key : {L"CLSID", L"AppID", L"TypeLib"}) {
            HKEY shared = nullptr;
            EXPECT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, shared_key, 0, KEY_READ, &shared), ERROR_SUCCESS);
            RegCloseKey(shared);
        }
    }
}

TEST_F(RegistrationTest, RegistrationRestoresTheCallersThreadLocale) {
    const LCID german = MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), SORT_DEFAULT);
    const LCID saved = GetThreadLocale();
    ASSERT_TRUE(SetThreadLocale(german));
    EXPECT_EQ(vex_exports().register_server(), S_OK);
    EXPECT_EQ(GetThreadLocale(), german);
    SetThreadLocale(saved);
}

} // namespace
} // namespace vex::test
