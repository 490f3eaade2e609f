// Temporary files through which data reaches Office: named from the local date and time.
#include "automation/general_document_container.h"

#include <cstdio>
#include <ctime>
#include <string>

namespace vex {
namespace {

// directory\<yyyymmddhhmmss><name part>.txt, the time read once, as local time.
std::wstring temporary_file_name(std::wstring_view directory, std::wstring_view name_part) {
    const std::time_t now = std::time(nullptr);
    char stamp[128] = {};
    std::tm local{};
    if (localtime_s(&local, &now) == 0)
        std::strftime(stamp, sizeof(stamp), "%Y%m%d%H%M%S", &local);
    wchar_t wide[128] = {};
    MultiByteToWideChar(CP_ACP, 0, stamp, -1, wide, 128);
    std::wstring name(directory);
    name += L'\\';
    name += wide;
    name += name_part;
    name += L".txt";
    return name;
}

bool starts_with_nocase(std::wstring_view text, std::wstring_view prefix) {
    return text.size() >= prefix.size() &&
           CompareStringOrdinal(text.data(), static_cast<int>(prefix.size()), prefix.data(),
                                static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL;
}

// The files that belong to a name part: those whose name starts with it, and those writeTmpFile
// made with it (fourteen digits of date and time, the name part, ".txt"). File names compare
// without regard to case, as the file system does.
bool belongs_to(std::wstring_view file, std::wstring_view name_part) {
    if (starts_with_nocase(file, name_part))
        return true;
    constexpr size_t stamp_length = 14;
    if (file.size() != stamp_length + name_part.size() + 4)
        return false;
    for (size_t i = 0; i < stamp_length; ++i)
        if (file[i] < L'0' || file[i] > L'9')
            return false;
    return starts_with_nocase(file.substr(stamp_length), name_part) &&
           starts_with_nocase(file.substr(stamp_length + name_part.size()), L".txt");
}

} // namespace

HRESULT CVEX_GeneralDocumentContainer::getTmpFilename(BSTR directory, BSTR namePart, BSTR* out) {
    if (!out)
        return E_POINTER;
    const std::wstring name = temporary_file_name(com::bstr_view(directory), com::bstr_view(namePart));
    *out = SysAllocStringLen(name.data(), static_cast<UINT>(name.size()));
    return S_OK;
}

HRESULT CVEX_GeneralDocumentContainer::writeTmpFile(BSTR directory, BSTR namePart, const BYTE* bytes,
                                                    ULONG count, BSTR* out) {
    m_baseTrace.enter2(L"writeTmpFile");
    const std::wstring name = temporary_file_name(com::bstr_view(directory), com::bstr_view(namePart));
    if (out) // handed out before anything is written
        *out = SysAllocStringLen(name.data(), static_cast<UINT>(name.size()));
    std::FILE* file = _wfopen(name.c_str(), L"wb");
    if (!file)
        return m_baseTrace.fail(L"fp == NULL", E_FAIL);
    const size_t written = count ? std::fwrite(bytes, 1, count, file) : 0;
    // The data is on disk only once the file is closed: a failing close is a short write too.
    const bool closed = std::fclose(file) == 0;
    if (written != count || !closed) {
        m_baseTrace.warning(L"ulBytesWritten != databufferSize", E_FAIL);
        return E_FAIL;
    }
    m_baseTrace.leave2(L"writeTmpFile", S_OK);
    return S_OK;
}

HRESULT CVEX_GeneralDocumentContainer::deleteTmpFile(BSTR directory, BSTR namePart) {
    m_baseTrace.enter2(L"deleteTmpFile");
    const std::wstring dir(com::bstr_view(directory));
    const std::wstring_view part = com::bstr_view(namePart);
    const std::wstring pattern = dir + L"\\*";
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !belongs_to(found.cFileName, part))
                continue; // only files are written here
            const std::wstring file = dir + L'\\' + found.cFileName;
            if (!DeleteFileW(file.c_str())) {
                m_baseTrace.error(L"not possible to delete file: " + std::wstring(found.cFileName), E_FAIL);
                FindClose(search);
                return E_FAIL;
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    m_baseTrace.leave2(L"deleteTmpFile", S_OK);
    return S_OK;
}

} // namespace vex
