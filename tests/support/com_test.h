// Shared test support for the Windows tests: an apartment per test, the stand-ins registered as
// class objects of the test process (they take precedence over the registry), and access to
// vex.dll's exports and objects.
#pragma once

#include "com/bstr.h"
#include "com/com_ptr.h"
#include "module/interfaces.h"
#include "standins/document_services.h"
#include "standins/excel.h"
#include "standins/host_trace_service.h"
#include "standins/word.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vex::test {

using Lines = std::vector<std::wstring>;

// Full path of vex.dll of this build (the one registered in the test prefix).
std::wstring vex_dll_path();
// Full path of a file next to vex.dll.
std::wstring build_file(std::wstring_view relative);

// vex.dll's own exports, from the module COM loaded.
struct VexExports {
    HMODULE module = nullptr;
    HRESULT(STDAPICALLTYPE* can_unload_now)() = nullptr;
    HRESULT(STDAPICALLTYPE* get_class_object)(REFCLSID, REFIID, void**) = nullptr;
    HRESULT(STDAPICALLTYPE* register_server)() = nullptr;
    HRESULT(STDAPICALLTYPE* unregister_server)() = nullptr;
};
const VexExports& vex_exports();

class ComTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    HostTraceLog& trace_log() { return HostTraceLog::instance(); }
    HostServices& host() { return HostServices::instance(); }
    // The stand-in Excel behind the proxy's Excel documents; cleared with the host's services.
    ExcelStandIn& excel() { return ExcelStandIn::instance(); }
    // The stand-in Word behind the proxy's Word documents; cleared with the host's services.
    WordStandIn& word() { return WordStandIn::instance(); }
    // The trace lines of one traced object ("CVEX_Factory", "CVEX_Environment_Karvo" ...).
    Lines lines(std::wstring_view object_name) { return trace_log().lines(object_name); }

    // Set false by tests that keep vex objects alive past the test body on purpose.
    bool expect_unloadable_after_test = true;

private:
    std::vector<DWORD> m_registrations;
};

// Creates an object by ProgID for an interface; fails the test if that is not possible.
template <class I>
com::com_ptr<I> create(const wchar_t* progid) {
    CLSID clsid{};
    com::com_ptr<I> object;
    HRESULT hr = CLSIDFromProgID(progid, &clsid);
    if (SUCCEEDED(hr))
        hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(I), object.put_void());
    EXPECT_EQ(hr, S_OK) << "creating " << std::string(progid, progid + wcslen(progid));
    return object;
}

// The IUnknown identity of an object (for comparisons).
inline IUnknown* identity(IUnknown* object) {
    com::com_ptr<IUnknown> unknown = com::query<IUnknown>(object);
    return unknown.get();
}

// "0x80004005" etc., as the trace lines write statuses.
std::wstring hex(HRESULT status);

} // namespace vex::test
