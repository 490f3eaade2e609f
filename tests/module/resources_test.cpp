// Resources of vex.dll: project name, version, registrar scripts, type library and manifest.
#include "support/com_test.h"

#include <winver.h>

#include <string>

namespace vex::test {
namespace {

const WORD german = MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN);
const WORD english_us = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

class ResourcesTest : public ComTest {
protected:
    HMODULE module() { return vex_exports().module; }

    std::string resource_text(LPCWSTR type, LPCWSTR name, WORD language) {
        HRSRC found = FindResourceExW(module(), type, name, language);
        if (!found)
            return {};
        HGLOBAL loaded = LoadResource(module(), found);
        const char* data = static_cast<const char*>(LockResource(loaded));
        return std::string(data, SizeofResource(module(), found));
    }
};

TEST_F(ResourcesTest, ProjectNameIsStringHundred) {
    wchar_t text[32] = {};
    ASSERT_GT(LoadStringW(module(), 100, text, 32), 0);
    EXPECT_STREQ(text, L"vex");
    // String table block 7 holds ids 96 to 111, stored in German.
    EXPECT_NE(FindResourceExW(module(), RT_STRING, MAKEINTRESOURCEW(100 / 16 + 1), german), nullptr);
}

TEST_F(ResourcesTest, TypeLibraryAndScriptsAreStoredInGerman) {
    EXPECT_NE(FindResourceExW(module(), L"TYPELIB", MAKEINTRESOURCEW(1), german), nullptr);
    for (int id : {101, 105, 107, 109, 111, 113, 115})
        EXPECT_NE(FindResourceExW(module(), L"REGISTRY", MAKEINTRESOURCEW(id), german), nullptr) << id;
    const std::string factory_script = resource_text(L"REGISTRY", MAKEINTRESOURCEW(107), german);
    EXPECT_NE(factory_script.find("'%MODULE%, 104'"), std::string::npos);
    EXPECT_NE(factory_script.find("{CEBCF412-3DB0-498c-AE3F-65580BE4BFF4}"), std::string::npos);
}

TEST_F(ResourcesTest, ManifestDeclaresTheAtlRuntimeInEnglish) {
    const std::string manifest = resource_text(RT_MANIFEST, MAKEINTRESOURCEW(2), english_us);
    ASSERT_FALSE(manifest.empty());
    EXPECT_NE(manifest.find("name=\"Microsoft.VC80.ATL\""), std::string::npos);
    EXPECT_NE(manifest.find("version=\"8.0.50727.762\""), std::string::npos);
    EXPECT_NE(manifest.find("processorArchitecture=\"x86\""), std::string::npos);
}

TEST_F(ResourcesTest, VersionIsSevenThousandAndTwo) {
    const std::wstring path = vex_dll_path();
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::string block(size, '\0');
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, (7u << 16) | 1002u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, (7u << 16) | 1002u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);

    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    EXPECT_EQ(translation[0], 0x0407);
    EXPECT_EQ(translation[1], 0x04E4);

    const auto string_value = [&](const wchar_t* name) {
        wchar_t* value = nullptr;
        UINT chars = 0;
        const std::wstring key = std::wstring(L"\\StringFileInfo\\040704e4\\") + name;
        if (!VerQueryValueW(block.data(), key.c_str(), reinterpret_cast<void**>(&value), &chars))
            return std::wstring(L"<missing>");
        return std::wstring(value);
    };
    EXPECT_EQ(string_value(L"InternalName"), L"vex.dll");
    EXPECT_EQ(string_value(L"OriginalFilename"), L"vex.dll");
    EXPECT_EQ(string_value(L"FileVersion"), L"7, 1002, 0, 0");
    EXPECT_EQ(string_value(L"ProductVersion"), L"7, 1002, 0, 0");
}

} // namespace
} // namespace vex::test
