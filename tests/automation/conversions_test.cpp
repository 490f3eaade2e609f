// Byte arrays, byte buffers, lock bytes, UTF-8 text and temporary files.
#include "automation/general_document_container.h"
#include "support/com_test.h"

#include <cstdio>
#include <ctime>

namespace vex::test {
namespace {

// The base class is only ever a base; the tests reach its operations through this.
struct Conversions : CVEX_GeneralDocumentContainer {};

VARIANT byte_array(LONG lower, const Bytes& bytes) {
    SAFEARRAYBOUND bound{static_cast<ULONG>(bytes.size()), lower};
    VARIANT v;
    v.vt = VT_ARRAY | VT_UI1;
    v.parray = SafeArrayCreate(VT_UI1, 1, &bound);
    void* data = nullptr;
    SafeArrayAccessData(v.parray, &data);
    if (!bytes.empty())
        memcpy(data, bytes.data(), bytes.size());
    SafeArrayUnaccessData(v.parray);
    return v;
}

Bytes array_bytes(const VARIANT& v, LONG* lower = nullptr, LONG* upper = nullptr) {
    LONG lo = 0, hi = -1;
    SafeArrayGetLBound(v.parray, 1, &lo);
    SafeArrayGetUBound(v.parray, 1, &hi);
    if (lower)
        *lower = lo;
    if (upper)
        *upper = hi;
    void* data = nullptr;
    SafeArrayAccessData(v.parray, &data);
    Bytes out(static_cast<BYTE*>(data), static_cast<BYTE*>(data) + (hi - lo + 1));
    SafeArrayUnaccessData(v.parray);
    return out;
}

class ConversionsTest : public ComTest {
protected:
    void SetUp() override {
        ComTest::SetUp();
        trace = create<IVEX_Trace>(L"KEM.VEX_Trace_Gui");
        com::unique_bstr name(L"base");
        trace->InitialiseTrace(name.get(), nullptr);
        ASSERT_EQ(base.setTrace(trace.get()), S_OK);
        trace_log().records.clear();
    }
    void TearDown() override {
        base = Conversions();
        trace = nullptr;
        ComTest::TearDown();
    }
    Lines traced() { return lines(L"base"); }

    com::com_ptr<IVEX_Trace> trace;
    Conversions base;
};

// Bytes become an array from one; none gives no array and leaves the out value.
TEST_F(ConversionsTest, BytesBecomeAnArrayWithLowerBoundOne) {
    EXPECT_EQ(base.setTrace(nullptr), E_FAIL);
    const BYTE bytes[] = {1, 2, 3};
    com::unique_variant out;
    ASSERT_EQ(base.getByteToVariant(3, bytes, out.get()), S_OK);
    EXPECT_EQ(out->vt, VT_ARRAY | VT_UI1);
    LONG lower = 0, upper = 0;
    EXPECT_EQ(array_bytes(*out.get(), &lower, &upper), (Bytes{1, 2, 3}));
    EXPECT_EQ(lower, 1);
    EXPECT_EQ(upper, 3);
    VARIANT untouched;
    untouched.vt = VT_I4;
    EXPECT_EQ(base.getByteToVariant(0, nullptr, &untouched), E_FAIL);
    EXPECT_EQ(untouched.vt, VT_I4);
    EXPECT_EQ(traced().at(traced().size() - 2), L"error m_bufferSize == 0 0x80004005");
}

// The bounds come from the array (any lower bound, also by reference); one element or none is no
// data (the status 8); what is no byte array is refused with its own status and text.
TEST_F(ConversionsTest, GetBytesReadsWhatTheArrayHolds) {
    com::unique_variant ten, one, none, strings;
    *ten.get() = byte_array(0, Bytes{0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
    *one.get() = byte_array(1, Bytes{7});
    *none.get() = byte_array(1, Bytes{});
    SAFEARRAYBOUND bound{3, 0};
    strings->vt = VT_ARRAY | VT_BSTR;
    strings->parray = SafeArrayCreate(VT_BSTR, 1, &bound);
    VARIANT by_reference, empty, number;
    by_reference.vt = VT_ARRAY | VT_UI1 | VT_BYREF;
    by_reference.pparray = &ten->parray;
    VariantInit(&empty);
    number.vt = VT_I4;
    number.lVal = 3;
    struct Case {
        const VARIANT* data;
        HRESULT status;
        ULONG count;
        const wchar_t* error;
    };
    const Case cases[] = {
        {ten.get(), S_OK, 10, nullptr},
        {&by_reference, S_OK, 10, nullptr},
        {one.get(), 8, 99, nullptr},
        {none.get(), 8, 99, nullptr},
        {&empty, E_FAIL, 99, L"error Empty data input! 0x80004005"},
        {&number, E_INVALIDARG, 99, L"error SafeArrayGetLBound 0x80070057"},
        {strings.get(), DISP_E_TYPEMISMATCH, 99, L"error not a byte array 0x80020005"},
    };
    for (const Case& c : cases) {
        trace_log().records.clear();
        std::unique_ptr<BYTE[]> buffer;
        ULONG count = 99;
        EXPECT_EQ(base.getBytes(*c.data, buffer, count), c.status);
        EXPECT_EQ(count, c.count);
        EXPECT_EQ(static_cast<bool>(buffer), c.status == S_OK);
        if (buffer) {
            EXPECT_EQ(Bytes(buffer.get(), buffer.get() + count), (Bytes{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
        }
        EXPECT_EQ(traced().back(), c.error ? c.error : L"leave getBytes " + hex(c.status));
    }
}

// UTF-8 becomes a string that ends at the first NUL of the text; empty or invalid UTF-8 gives no
// string and no failure, only a warning.
TEST_F(ConversionsTest, Utf8BecomesAString) {
    const std::pair<std::string, const wchar_t*> cases[] = {
        {"Gr\xC3\xBC\xC3\x9F"
         "e",
         L"Gr\u00FC\u00DFe"}, // the German greeting: seven bytes, five characters
        {"abc", L"abc"},
        {std::string("ab\0cd", 5), L"ab"},
        {"", nullptr},
        {"a\xFF\xFE"
         "b",
         nullptr},
    };
    for (const auto& [utf8, expected] : cases) {
        com::unique_bstr text;
        EXPECT_EQ(base.ConvertUTF8toBSTR(reinterpret_cast<const BYTE*>(utf8.data()), text.put(),
                                         static_cast<ULONG>(utf8.size())),
                  S_OK);
        if (expected) {
            EXPECT_EQ(std::wstring(text.view()), expected);
        } else {
            EXPECT_EQ(text.get(), nullptr);
        }
    }
    EXPECT_EQ(traced().back(), L"warning iNoOfNeededWideChars == 0 0x00000000");
}

class LockBytesTest : public ConversionsTest {
protected:
    HRESULT convert(const Bytes& content, VARIANT* out) {
        com::com_ptr<ILockBytes> bytes;
        EXPECT_EQ(create_memory_lock_bytes(content, bytes.put()), S_OK);
        return base.get_ILockBytesToVariant(count, buffer, bytes.get(), out);
    }
    ULONG count = 0;
    std::unique_ptr<BYTE[]> buffer;
};

TEST_F(LockBytesTest, WholeContentBecomesAByteArray) {
    com::unique_variant out;
    ASSERT_EQ(convert(bytes_of("0123456789"), out.get()), S_OK);
    EXPECT_EQ(count, 10u);
    EXPECT_EQ(Bytes(buffer.get(), buffer.get() + count), bytes_of("0123456789"));
    LONG lower = 0, upper = 0;
    EXPECT_EQ(array_bytes(*out.get(), &lower, &upper), bytes_of("0123456789"));
    EXPECT_EQ(lower, 1);
    EXPECT_EQ(upper, 10);
    EXPECT_EQ(host().calls, (Lines{L"Stat(0)", L"ReadAt(0, 10)"}));
}

TEST_F(LockBytesTest, AShortReadGivesWhatWasRead) {
    host().lock_bytes.read_short_by = 3;
    com::unique_variant out;
    ASSERT_EQ(convert(bytes_of("0123456789"), out.get()), S_OK);
    EXPECT_EQ(count, 7u);
    EXPECT_EQ(array_bytes(*out.get()), bytes_of("0123456"));
}

TEST_F(LockBytesTest, FailuresAreTracedAndLeaveTheOutValue) {
    struct Case {
        const char* what;
        LockBytesScript script;
        Bytes content;
        HRESULT expected;
        Lines errors;
    };
    const Case cases[] = {
        {"Stat fails",
         {STG_E_ACCESSDENIED, STGTY_LOCKBYTES, S_OK, 0},
         bytes_of("x"),
         STG_E_ACCESSDENIED,
         {L"error Stat 0x80030005"}},
        {"not lock bytes",
         {S_OK, STGTY_STREAM, S_OK, 0},
         bytes_of("x"),
         DISP_E_TYPEMISMATCH,
         {L"error Stat 0x80020005"}},
        {"ReadAt fails",
         {S_OK, STGTY_LOCKBYTES, STG_E_READFAULT, 0},
         bytes_of("x"),
         STG_E_READFAULT,
         {L"error ReadAt 0x8003001E"}},
        {"nothing to read",
         {},
         Bytes{},
         E_FAIL,
         {L"error m_bufferSize == 0 0x80004005", L"error getByteToVariant 0x80004005"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        host().lock_bytes = c.script;
        trace_log().records.clear();
        VARIANT out;
        out.vt = VT_I4;
        out.lVal = 5;
        EXPECT_EQ(convert(c.content, &out), c.expected);
        EXPECT_EQ(out.vt, VT_I4);
        Lines errors;
        for (const std::wstring& line : traced())
            if (line.starts_with(L"error"))
                errors.push_back(line);
        EXPECT_EQ(errors, c.errors);
    }
}

// A private directory for temporary files, removed with everything in it.
class TempFilesTest : public ConversionsTest {
protected:
    void SetUp() override {
        ConversionsTest::SetUp();
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        dir = std::wstring(temp) + L"vex-test-" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(dir.c_str(), nullptr);
        directory = com::unique_bstr(dir);
    }
    void TearDown() override {
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((dir + L"\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do
                DeleteFileW((dir + L"\\" + found.cFileName).c_str());
            while (FindNextFileW(search, &found));
            FindClose(search);
        }
        RemoveDirectoryW(dir.c_str());
        ConversionsTest::TearDown();
    }
    static std::string content(const std::wstring& file) {
        std::string out;
        if (std::FILE* f = _wfopen(file.c_str(), L"rb")) {
            char chunk[256];
            size_t n = 0;
            while ((n = std::fread(chunk, 1, sizeof(chunk), f)) > 0)
                out.append(chunk, n);
            std::fclose(f);
        }
        return out;
    }
    static void write(const std::wstring& file, const char* text) {
        if (std::FILE* f = _wfopen(file.c_str(), L"wb")) {
            std::fputs(text, f);
            std::fclose(f);
        }
    }
    std::vector<std::wstring> files() {
        std::vector<std::wstring> out;
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((dir + L"\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do
                if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                    out.emplace_back(found.cFileName);
            while (FindNextFileW(search, &found));
            FindClose(search);
        }
        return out;
    }
    static std::wstring stamp(std::time_t t) {
        wchar_t text[32];
        std::tm local{};
        localtime_s(&local, &t);
        wcsftime(text, 32, L"%Y%m%d%H%M%S", &local);
        return text;
    }

    std::wstring dir;
    com::unique_bstr directory;
    com::unique_bstr part{L"KEMfield"};
};

// The name is the directory, the local time to the second, the name part and ".txt"; the file holds
// exactly the bytes; two writes in one second share the file; a failed write still names it.
TEST_F(TempFilesTest, WrittenFilesAreNamedByTheSecond) {
    const std::string data("field\0data\r\n", 12);
    com::unique_bstr first, second;
    for (int attempt = 0; attempt < 5 && (first.empty() || first.view() != second.view()); ++attempt) {
        const std::time_t before = std::time(nullptr);
        ASSERT_EQ(base.writeTmpFile(directory.get(), part.get(), reinterpret_cast<const BYTE*>("one"), 3,
                                    first.put()),
                  S_OK);
        ASSERT_EQ(base.writeTmpFile(directory.get(), part.get(), reinterpret_cast<const BYTE*>(data.data()),
                                    static_cast<ULONG>(data.size()), second.put()),
                  S_OK);
        const std::time_t after = std::time(nullptr);
        const std::wstring got(second.view());
        EXPECT_TRUE(got == dir + L"\\" + stamp(before) + L"KEMfield.txt" ||
                    got == dir + L"\\" + stamp(after) + L"KEMfield.txt");
    }
    ASSERT_EQ(first.view(), second.view());
    EXPECT_EQ(content(std::wstring(second.view())), data);

    com::unique_bstr missing(dir + L"\\no such directory"), name;
    EXPECT_EQ(base.writeTmpFile(missing.get(), part.get(), reinterpret_cast<const BYTE*>("x"), 1, name.put()),
              E_FAIL);
    EXPECT_TRUE(name.view().starts_with(dir + L"\\no such directory\\"));
    EXPECT_EQ(traced().back(), L"error fp == NULL 0x80004005");
}

TEST_F(TempFilesTest, DeleteRemovesEveryFileOfTheNamePartAndNothingElse) {
    com::unique_bstr name;
    base.writeTmpFile(directory.get(), part.get(), reinterpret_cast<const BYTE*>("a"), 1, name.put());
    write(dir + L"\\KEMfield-older.txt", "b");
    write(dir + L"\\other.txt", "c");
    EXPECT_EQ(base.deleteTmpFile(directory.get(), part.get()), S_OK);
    EXPECT_EQ(files(), std::vector<std::wstring>{L"other.txt"});
    EXPECT_EQ(base.deleteTmpFile(directory.get(), part.get()), S_OK); // no matches is fine
}

TEST_F(TempFilesTest, DeleteStopsAtAFileThatCannotBeDeleted) {
    write(dir + L"\\KEMfield-held.txt", "held");
    HANDLE held = CreateFileW((dir + L"\\KEMfield-held.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    trace_log().records.clear();
    EXPECT_EQ(base.deleteTmpFile(directory.get(), part.get()), E_FAIL);
    CloseHandle(held);
    EXPECT_EQ(traced(), (Lines{L"enter deleteTmpFile",
                               L"error not possible to delete file: KEMfield-held.txt 0x80004005"}));
}

} // namespace
} // namespace vex::test
