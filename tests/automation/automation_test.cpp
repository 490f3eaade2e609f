// The automation helpers: late-bound calls by name against scripted automation objects (how each kind
// of call reaches the callee, and what each failure traces), and the conversions of byte arrays, byte
// buffers, lock bytes, UTF-8 text and temporary files.
#include "automation/automation_calls.h"
#include "automation/general_document_container.h"
#include "standins/scripted_dispatch.h"
#include "support/com_test.h"

#include <ctime>
#include <filesystem>
#include <fstream>

namespace vex::test {
namespace {

namespace fs = std::filesystem;

// The base class is only ever a base; the tests reach its operations through this.
struct Conversions : CVEX_GeneralDocumentContainer {};

VARIANT byte_array(LONG lower, const Bytes& bytes) {
    SAFEARRAYBOUND bound{static_cast<ULONG>(bytes.size()), lower};
    VARIANT v{};
    v.vt = VT_ARRAY | VT_UI1;
    v.parray = SafeArrayCreate(VT_UI1, 1, &bound);
    std::copy(bytes.begin(), bytes.end(), static_cast<BYTE*>(v.parray->pvData));
    return v;
}

// A trace for the objects under test, and a scripted automation object for the calls to reach.
class AutomationTest : public ComTest {
protected:
    void SetUp() override {
        ComTest::SetUp();
        trace = create<IVEX_Trace>(L"KEM.VEX_Trace_Gui");
        trace->InitialiseTrace(com::unique_bstr(L"automation").get(), nullptr);
        calls.setTrace(trace.get());
        ASSERT_EQ(base.setTrace(trace.get()), S_OK);
        object = ScriptedDispatch::make();
        VARIANT number{};
        number.vt = VT_I4;
        number.lVal = 42;
        object->add_property(L"Number", number);
        object->add_property(L"Slot", number);
        object->add(L"Sum", [](WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*) {
            result->vt = VT_I4;
            result->lVal = 0;
            for (UINT i = 0; i < params->cArgs; ++i)
                result->lVal += params->rgvarg[i].lVal;
            return S_OK;
        });
        object->add(L"Break", [](WORD, DISPPARAMS*, VARIANT*, EXCEPINFO* info) {
            info->bstrDescription = SysAllocString(L"Protected.");
            info->scode = E_ACCESSDENIED;
            return DISP_E_EXCEPTION;
        });
        object->add(L"Item", [](WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*) {
            if (params->cArgs != 1 || params->rgvarg[0].lVal != 1)
                return DISP_E_BADINDEX;
            result->vt = VT_DISPATCH;
            result->pdispVal = ScriptedDispatch::make().detach();
            return S_OK;
        });
        object->add(L"Throws", [](WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*) -> HRESULT { throw 1; });
        object->add(L"Ref", [](WORD flags, DISPPARAMS*, VARIANT*, EXCEPINFO*) {
            return flags == DISPATCH_PROPERTYPUTREF ? S_OK : E_UNEXPECTED;
        });
        trace_log().records.clear();
    }
    void TearDown() override {
        object = nullptr;
        calls = CVEX_AutomationCalls();
        base = Conversions();
        trace = nullptr;
        ComTest::TearDown();
    }
    Lines traced() { return lines(L"automation"); }
    // The trace's errors and warnings.
    Lines complaints() {
        Lines out;
        for (const auto& line : traced())
            if (!line.starts_with(L"enter") && !line.starts_with(L"leave"))
                out.push_back(line);
        return out;
    }

    com::com_ptr<IVEX_Trace> trace;
    com::com_ptr<ScriptedDispatch> object;
    CVEX_AutomationCalls calls;
    Conversions base;
};

// Properties are read and written in the user's locale, methods run in the system's with an exception
// block, indexed reads are neutral; objects are put by reference first and by value when the callee
// refuses that. Every failure traces its text with the status and returns the status unchanged.
TEST_F(AutomationTest, EachKindOfCallAndItsFailures) {
    VARIANT number{}, child{};
    number.vt = VT_I4;
    number.lVal = 7;
    child.vt = VT_DISPATCH;
    child.pdispVal = object.get();
    VARIANT two[2] = {number, number}, one = number;
    one.lVal = 1;
    DISPPARAMS pair{two, nullptr, 2, 0}, first{&one, nullptr, 1, 0};
    com::unique_variant result;
    IDispatch* out = reinterpret_cast<IDispatch*>(0x1234);
    enum Kind { get, put, method, indexed, disp }; // disp: an object read
    constexpr WORD G = DISPATCH_PROPERTYGET, P = DISPATCH_PROPERTYPUT, R = DISPATCH_PROPERTYPUTREF,
                   M = DISPATCH_METHOD;
    constexpr LCID user = 0x400, system = 0x800;
    constexpr HRESULT unknown = DISP_E_UNKNOWNNAME;
    IDispatch* o = object.get();
    void* r = result.get();
    // What the callee got: (invoke kind, locale) of each call; the traced complaints, each with the status.
    const struct {
        Kind kind;
        IDispatch* target;
        const wchar_t* name;
        void* argument; // the value or the arguments
        HRESULT status;
        std::vector<std::pair<WORD, LCID>> reached;
        Lines complaints;
    } cases[] = {
        {get, o, L"number", r, S_OK, {{G, user}}, {}},
        {get, o, L"Missing", r, unknown, {}, {L"error proxy->GetIDsOfNames"}},
        {get, o, L"Number", nullptr, E_POINTER, {}, {L"error GetProperty"}},
        {get, nullptr, L"Number", r, E_FAIL, {}, {L"error proxy == NULL"}},
        {put, o, L"Slot", &number, S_OK, {{P, user}}, {}},
        {put, o, L"Slot", &child, S_OK, {{R, user}, {P, user}}, {}}, // by value when refused by reference
        {put, o, L"Ref", &child, S_OK, {{R, user}}, {}},
        {put, o, L"Ref", &number, E_UNEXPECTED, {{P, user}}, {L"error PutProperty"}},
        {method, o, L"Sum", &pair, S_OK, {{M, system}}, {}},
        {method, o, L"Break", {}, DISP_E_EXCEPTION, {{M, system}}, {L"error proxy->Invoke: Protected."}},
        {indexed, o, L"Item", &first, S_OK, {{G, 0}}, {}},
        {indexed, o, L"Item", &pair, DISP_E_BADINDEX, {{G, 0}}, {L"warning proxy->Invoke: Item"}},
        {indexed, o, L"No", nullptr, unknown, {}, {L"error getIDsOfNames"}},
        {indexed, nullptr, L"Item", nullptr, E_FAIL, {}, {L"error proxy == NULL"}},
        {indexed, o, L"Throws", nullptr, E_FAIL, {{G, 0}}, {L"error catch exception"}},
        {disp, o, L"Number", nullptr, E_FAIL, {{G, user}}, {}}, // a number is no object
        {disp, o, L"No", {}, unknown, {}, {L"error proxy->GetIDsOfNames", L"error getPropertyByName"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases << ": " << c.name);
        object->calls.clear();
        trace_log().records.clear();
        result.reset();
        com::com_ptr<IDispatch> target(c.target);
        com::unique_bstr name(c.name);
        auto* arguments = static_cast<DISPPARAMS*>(c.argument);
        auto* value = static_cast<VARIANT*>(c.argument);
        EXPECT_EQ(c.kind == get   ? calls.getPropertyByName(target, std::move(name), value)
                  : c.kind == put ? calls.putPropertyByName(target, std::move(name), value)
                  : c.kind == method
                      ? calls.invokeMethodByName(target, std::move(name), arguments, result.get())
                  : c.kind == indexed
                      ? calls.getIndexedPropertyByName(target, std::move(name), arguments, result.get())
                      : calls.getDispPropertyByName(target, std::move(name), &out),
                  c.status);
        std::vector<std::pair<WORD, LCID>> reached;
        for (const DispatchCall& call : object->calls)
            reached.emplace_back(call.flags, call.locale);
        EXPECT_EQ(reached, c.reached);
        Lines complaints = c.complaints;
        for (std::wstring& line : complaints)
            line += L" " + hex(c.status);
        EXPECT_EQ(this->complaints(), complaints);
    }
    EXPECT_EQ(out, reinterpret_cast<IDispatch*>(0x1234)); // a failed object read leaves it as it was
    ASSERT_EQ(calls.invokeMethodByName(object.get(), com::unique_bstr(L"Sum"), &pair, result.put()), S_OK);
    EXPECT_EQ(result->lVal, 14);
    EXPECT_TRUE(object->calls.back().exception_block);
    object->add_property(L"Child", child);
    ASSERT_EQ(calls.getDispPropertyByName(object.get(), com::unique_bstr(L"Child"), &out), S_OK);
    EXPECT_EQ(out, object.get());
    out->Release();
}

// A control is closed and deactivated; an object without IOleObject is refused with the query's status.
TEST_F(AutomationTest, ReleaseMemberObject) {
    auto control = create<IUnknown>(L"KEM.VEX_Environment_Gui");
    EXPECT_EQ(calls.release_member_oleobject(control.get()), S_OK);
    EXPECT_EQ(complaints(), Lines{});
    EXPECT_EQ(calls.release_member_oleobject(object.get()), E_NOINTERFACE);
    EXPECT_EQ(complaints(), Lines{L"error obj->QueryInterface 0x80004002"});
}

// Bytes become an array from one; no bytes give no array and leave the out value. Read back, the
// bounds come from the array (any lower bound, also by reference); one element or none is no data
// (the status 8); what is no byte array is refused with its own status and text.
TEST_F(AutomationTest, BytesBecomeAByteArrayAndBack) {
    EXPECT_EQ(base.setTrace(nullptr), E_FAIL);
    const Bytes digits{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    com::unique_variant packed, ten, one, none, strings;
    ASSERT_EQ(base.getByteToVariant(10, digits.data(), packed.get()), S_OK);
    LONG lower = 0;
    EXPECT_EQ(packed->vt, VT_ARRAY | VT_UI1);
    EXPECT_EQ(SafeArrayGetLBound(packed->parray, 1, &lower), S_OK);
    EXPECT_EQ(lower, 1);
    VARIANT untouched{};
    untouched.vt = VT_I4;
    EXPECT_EQ(base.getByteToVariant(0, nullptr, &untouched), E_FAIL);
    EXPECT_EQ(untouched.vt, VT_I4);
    EXPECT_EQ(complaints(), Lines{L"error m_bufferSize == 0 0x80004005"});

    *ten.get() = byte_array(0, digits);
    *one.get() = byte_array(1, Bytes{7});
    *none.get() = byte_array(1, Bytes{});
    SAFEARRAYBOUND bound{3, 0};
    strings->vt = VT_ARRAY | VT_BSTR;
    strings->parray = SafeArrayCreate(VT_BSTR, 1, &bound);
    VARIANT by_reference{}, empty{}, number{};
    by_reference.vt = VT_ARRAY | VT_UI1 | VT_BYREF;
    by_reference.pparray = &ten->parray;
    number.vt = VT_I4;
    const struct {
        const VARIANT* data;
        HRESULT status;
        const wchar_t* error;
    } cases[] = {
        {packed.get(), S_OK, nullptr},
        {ten.get(), S_OK, nullptr},
        {&by_reference, S_OK, nullptr},
        {one.get(), 8, nullptr},
        {none.get(), 8, nullptr},
        {&empty, E_FAIL, L"error Empty data input! 0x80004005"},
        {&number, E_INVALIDARG, L"error SafeArrayGetLBound 0x80070057"},
        {strings.get(), DISP_E_TYPEMISMATCH, L"error not a byte array 0x80020005"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        trace_log().records.clear();
        std::unique_ptr<BYTE[]> buffer;
        ULONG count = 99;
        EXPECT_EQ(base.getBytes(*c.data, buffer, count), c.status);
        EXPECT_EQ(Bytes(buffer.get(), buffer.get() + (buffer ? count : 0)),
                  c.status == S_OK ? digits : Bytes{});
        EXPECT_EQ(count, c.status == S_OK ? 10u : 99u);
        EXPECT_EQ(traced().back(), c.error ? c.error : L"leave getBytes " + hex(c.status));
    }
}

// UTF-8 becomes a string that ends at the first NUL of the text; empty or invalid UTF-8 gives no
// string and no failure, only a warning.
TEST_F(AutomationTest, Utf8BecomesAString) {
    const std::pair<std::string, const wchar_t*> cases[] = {
        {"Gr\xC3\xBC\xC3\x9F\x65", L"Gr\u00FC\u00DFe"}, // the German greeting: seven bytes, five characters
        {std::string("ab\0cd", 5), L"ab"},
        {"", nullptr},
        {"a\xFF\xFE\x62", nullptr},
    };
    for (const auto& [utf8, expected] : cases) {
        SCOPED_TRACE(utf8);
        com::unique_bstr text;
        EXPECT_EQ(base.ConvertUTF8toBSTR(reinterpret_cast<const BYTE*>(utf8.data()), text.put(),
                                         static_cast<ULONG>(utf8.size())),
                  S_OK);
        EXPECT_EQ(text.get() ? std::wstring(text.view()) : L"(none)", expected ? expected : L"(none)");
    }
    EXPECT_EQ(traced().back(), L"warning iNoOfNeededWideChars == 0 0x00000000");
}

// A private directory for temporary files, removed with everything in it.
class TempFilesTest : public AutomationTest {
protected:
    void SetUp() override {
        AutomationTest::SetUp();
        dir = fs::temp_directory_path() / (L"vex-test-" + std::to_wstring(GetCurrentProcessId()));
        fs::create_directories(dir);
        directory = com::unique_bstr(dir.wstring());
    }
    void TearDown() override {
        fs::remove_all(dir);
        AutomationTest::TearDown();
    }
    void write(const wchar_t* file) { std::ofstream(dir / file) << "x"; }

    fs::path dir;
    com::unique_bstr directory;
    com::unique_bstr part{L"KEMfield"};
};

// The name is the directory, the local time to the second, the name part and ".txt"; the file holds
// exactly the bytes; two writes in one second share the file; a failed write still names it.
TEST_F(TempFilesTest, WrittenFilesAreNamedByTheSecond) {
    const std::string data("field\0data\r\n", 12);
    const auto stamp = [](std::time_t t) {
        wchar_t text[32];
        std::tm local{};
        localtime_s(&local, &t);
        wcsftime(text, 32, L"%Y%m%d%H%M%S", &local);
        return std::wstring(text);
    };
    com::unique_bstr first, second;
    for (int attempt = 0; attempt < 5 && (first.empty() || first.view() != second.view()); ++attempt) {
        const std::time_t before = std::time(nullptr);
        ASSERT_EQ(base.writeTmpFile(directory.get(), part.get(), bytes_of("one").data(), 3, first.put()),
                  S_OK);
        ASSERT_EQ(base.writeTmpFile(directory.get(), part.get(), reinterpret_cast<const BYTE*>(data.data()),
                                    static_cast<ULONG>(data.size()), second.put()),
                  S_OK);
        const std::wstring got(second.view()), prefix = dir.wstring() + L"\\";
        EXPECT_TRUE(got == prefix + stamp(before) + L"KEMfield.txt" ||
                    got == prefix + stamp(std::time(nullptr)) + L"KEMfield.txt");
    }
    ASSERT_EQ(first.view(), second.view());
    std::ifstream file(fs::path(second.view()), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), data);

    com::unique_bstr missing((dir / L"no such directory").wstring()), name;
    EXPECT_EQ(base.writeTmpFile(missing.get(), part.get(), bytes_of("x").data(), 1, name.put()), E_FAIL);
    EXPECT_TRUE(name.view().starts_with(std::wstring(missing.view()) + L"\\"));
    EXPECT_EQ(traced().back(), L"error fp == NULL 0x80004005");
}

// Deleting stops at a file that cannot be deleted; then removes every file of the name part (and those
// named after it by the second) and nothing else; none left is fine.
TEST_F(TempFilesTest, DeleteRemovesEveryFileOfTheNamePart) {
    write(L"KEMfield-held.txt");
    HANDLE held = CreateFileW((dir / L"KEMfield-held.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(base.deleteTmpFile(directory.get(), part.get()), E_FAIL);
    CloseHandle(held);
    EXPECT_EQ(traced(), (Lines{L"enter deleteTmpFile",
                               L"error not possible to delete file: KEMfield-held.txt 0x80004005"}));

    com::unique_bstr name;
    base.writeTmpFile(directory.get(), part.get(), bytes_of("a").data(), 1, name.put());
    write(L"other.txt");
    EXPECT_EQ(base.deleteTmpFile(directory.get(), part.get()), S_OK);
    std::vector<fs::path> left(fs::directory_iterator(dir), {});
    EXPECT_EQ(left, std::vector<fs::path>{dir / L"other.txt"});
    EXPECT_EQ(base.deleteTmpFile(directory.get(), part.get()), S_OK);
}

} // namespace
} // namespace vex::test
