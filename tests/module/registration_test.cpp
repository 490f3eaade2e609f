// Self-registration through regsvr32: the keys and values of every class, the AppID and the type
// library, an unregister/register round trip, and the thread locale around DllRegisterServer.
#include "class_list.h"
#include "support/com_test.h"

#include <map>
#include <set>

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

std::wstring value_text(DWORD type, const std::vector<BYTE>& data) {
    if (type == REG_SZ || type == REG_EXPAND_SZ)
        return std::wstring(reinterpret_cast<const wchar_t*>(data.data())).insert(0, L"s:");
    return L"type " + std::to_wstring(type);
}

// Every key below root\path (names as stored, case included) with its values, one line each.
void dump(HKEY root, const std::wstring& path, std::vector<std::wstring>& out) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    out.push_back(path);
    wchar_t name[512];
    for (DWORD i = 0;; ++i) {
        DWORD name_length = 512, type = 0, size = 0;
        if (RegEnumValueW(key, i, name, &name_length, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            break;
        std::vector<BYTE> data(size + sizeof(wchar_t), 0);
        name_length = 512;
        RegEnumValueW(key, i, name, &name_length, nullptr, &type, data.data(), &size);
        out.push_back(path + L" [" + name + L"] = " + value_text(type, data));
    }
    std::vector<std::wstring> children;
    for (DWORD i = 0;; ++i) {
        DWORD name_length = 512;
        if (RegEnumKeyExW(key, i, name, &name_length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        children.emplace_back(name, name_length);
    }
    RegCloseKey(key);
    for (const auto& child : children)
        dump(root, path + L"\\" + child, out);
}

// The keys a registration of vex.dll writes, found by enumeration so that their case shows.
std::vector<std::wstring> registered_keys() {
    std::vector<std::wstring> out;
    const std::set<std::wstring> clsids = {
        L"{2258646B-A383-41D6-B05A-451A8799816C}", L"{CEBCF412-3DB0-498C-AE3F-65580BE4BFF4}",
        L"{E327C3D7-8ADA-4D29-92C6-B96CEBED6F77}", L"{41ECF11B-9473-4181-9906-5E244F872639}",
        L"{F4C21D04-46DD-40EE-9F6F-4B0FDE51B67C}", L"{D4FBFA83-6804-49D7-AEEA-1C368F952F69}"};
    HKEY key = nullptr;
    RegOpenKeyExW(HKEY_CLASSES_ROOT, L"CLSID", 0, KEY_READ, &key);
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        std::wstring upper(name);
        for (auto& ch : upper)
            ch = towupper(ch);
        if (clsids.count(upper))
            dump(HKEY_CLASSES_ROOT, L"CLSID\\" + std::wstring(name), out);
    }
    RegCloseKey(key);
    for (const auto& c : all_classes) {
        dump(HKEY_CLASSES_ROOT, c.progid, out);
        dump(HKEY_CLASSES_ROOT, std::wstring(c.progid) + L".1", out);
    }
    dump(HKEY_CLASSES_ROOT, L"AppID\\{6B5E2E5D-B987-492D-95AC-465C7126F277}", out);
    dump(HKEY_CLASSES_ROOT, L"AppID\\vex.DLL", out);
    dump(HKEY_CLASSES_ROOT, L"TypeLib\\{6B4D8A6D-0BBA-492D-AA35-4E338BE96981}", out);
    return out;
}

bool contains(const std::vector<std::wstring>& lines, const std::wstring& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

bool key_exists(const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

class RegistrationTest : public ComTest {};

struct ClassKeys {
    const wchar_t* progid;
    const wchar_t* clsid_as_written;
    const wchar_t* description;
    const wchar_t* independent_description;
    const wchar_t* threading; // null: no ThreadingModel value
    int bitmap;
    const wchar_t* misc;
};

const ClassKeys class_keys[] = {
    {L"KEM.VEX_Environment_Gui", L"{2258646B-A383-41d6-B05A-451A8799816C}", L"VEX_Environment Class",
     L"VEX_Environment Class", nullptr, 110, L"131473"},
    {L"KEM.VEX_Factory_Gui", L"{CEBCF412-3DB0-498c-AE3F-65580BE4BFF4}", L"VEX_Factory Class",
     L"VEX_Factory Class", L"Apartment", 104, L"132497"},
    {L"KEM.VEX_GeneralDContainer_Gui", L"{E327C3D7-8ADA-4D29-92C6-B96CEBED6F77}",
     L"VEX_GeneralDocumentContainer_Karvo Class", L"VEX_GeneralDocumentContainer_Karvo Class", L"Apartment",
     104, L"131473"},
    {L"KEM.VEX_Spreadsheet_Gui", L"{41ECF11B-9473-4181-9906-5E244F872639}", L"KEM VEX_Spreadsheet_Gui Class",
     L"KEM VEX_Spreadsheet_Gui Class", L"Apartment", 112, L"131473"},
    {L"KEM.VEX_Trace_Gui", L"{F4C21D04-46DD-40ee-9F6F-4B0FDE51B67C}", L"VEX_Trace_Karvo Class",
     L"VEX_Trace_Karvo Class", L"Apartment", 108, L"131473"},
    {L"KEM.VEX_Word_Gui", L"{D4FBFA83-6804-49d7-AEEA-1C368F952F69}", L"KEM VEX_Word_Gui Class",
     L"VEX_Word_Gui Class", L"Apartment", 114, L"131473"},
};

TEST_F(RegistrationTest, EveryClassIsRegisteredAsWritten) {
    ASSERT_EQ(regsvr32(L""), 0u);
    const auto keys = registered_keys();
    const std::wstring module = vex_dll_path();
    const std::wstring appid = L"{6B5E2E5D-B987-492D-95AC-465C7126F277}";
    for (const ClassKeys& c : class_keys) {
        SCOPED_TRACE(std::string(c.progid, c.progid + wcslen(c.progid)));
        const std::wstring progid = c.progid, versioned = progid + L".1",
                           clsid = L"CLSID\\" + std::wstring(c.clsid_as_written);
        EXPECT_TRUE(contains(keys, versioned + L" [] = s:" + c.description));
        EXPECT_TRUE(contains(keys, versioned + L"\\CLSID [] = s:" + c.clsid_as_written));
        EXPECT_TRUE(contains(keys, progid + L" [] = s:" + c.independent_description));
        EXPECT_TRUE(contains(keys, progid + L"\\CLSID [] = s:" + c.clsid_as_written));
        EXPECT_TRUE(contains(keys, progid + L"\\CurVer [] = s:" + versioned));
        EXPECT_TRUE(contains(keys, clsid + L" [] = s:" + c.description));
        EXPECT_TRUE(contains(keys, clsid + L" [AppID] = s:" + appid));
        EXPECT_TRUE(contains(keys, clsid + L"\\ProgID [] = s:" + versioned));
        EXPECT_TRUE(contains(keys, clsid + L"\\VersionIndependentProgID [] = s:" + progid));
        EXPECT_TRUE(contains(keys, clsid + L"\\Programmable"));
        EXPECT_TRUE(contains(keys, clsid + L"\\Control"));
        EXPECT_TRUE(contains(keys, clsid + L"\\InprocServer32 [] = s:" + module));
        EXPECT_EQ(contains(keys, clsid + L"\\InprocServer32 [ThreadingModel] = s:Apartment"),
                  c.threading != nullptr);
        EXPECT_TRUE(contains(keys, clsid + L"\\ToolboxBitmap32 [] = s:" + module + L", " +
                                       std::to_wstring(c.bitmap)));
        EXPECT_TRUE(contains(keys, clsid + L"\\MiscStatus [] = s:0"));
        EXPECT_TRUE(contains(keys, clsid + L"\\MiscStatus\\1 [] = s:" + c.misc));
        EXPECT_TRUE(contains(keys, clsid + L"\\TypeLib [] = s:{6B4D8A6D-0BBA-492D-AA35-4E338BE96981}"));
        EXPECT_TRUE(contains(keys, clsid + L"\\Version [] = s:1.0"));
    }
    // The environment's InprocServer32 carries no ThreadingModel at all.
    EXPECT_FALSE(contains(
        keys, L"CLSID\\{2258646B-A383-41d6-B05A-451A8799816C}\\InprocServer32 [ThreadingModel] = s:"));
    EXPECT_TRUE(contains(keys, L"AppID\\" + appid + L" [] = s:vex"));
    EXPECT_TRUE(contains(keys, L"AppID\\vex.DLL [AppID] = s:" + appid));
    EXPECT_TRUE(key_exists(L"TypeLib\\{6B4D8A6D-0BBA-492D-AA35-4E338BE96981}\\1.0"));
}

TEST_F(RegistrationTest, UnregisterRemovesWhatRegisterWroteAndARoundTripRestoresIt) {
    ASSERT_EQ(regsvr32(L""), 0u);
    const auto once = registered_keys();
    ASSERT_FALSE(once.empty());

    ASSERT_EQ(regsvr32(L"/u"), 0u);
    EXPECT_EQ(registered_keys(), std::vector<std::wstring>{});
    EXPECT_TRUE(key_exists(L"CLSID"));
    EXPECT_TRUE(key_exists(L"AppID"));
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromProgID(L"KEM.VEX_Factory_Gui", &clsid), CO_E_CLASSSTRING);

    ASSERT_EQ(regsvr32(L""), 0u);
    EXPECT_EQ(registered_keys(), once);
    auto factory = create<IVEX_Factory>(L"KEM.VEX_Factory_Gui");
    EXPECT_TRUE(factory);
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
