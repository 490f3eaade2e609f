// Renders a table document through the spreadsheet component into the stand-in Excel, as a host does
// (factory, document container, spreadsheet component), and writes the workbook as JSON for
// compare_workbooks.py: {"status": "0x...", "error": first failing step traced, "sheets": [{"name",
// "frozen", "merged": ["A8:F8"], "cells": [{"cell", "value", "format", "fill": "RRGGBB", "align"}]}]}
// with values as JSON strings, numbers (dates as serials), booleans, null, or {"error": scode}.
//
//   workbook_dump.exe DOCUMENT.xml en|de OUT.json
#include "com/bstr.h"
#include "com/class_factory.h"
#include "com/com_ptr.h"
#include "module/interfaces.h"
#include "standins/document_services.h"
#include "standins/excel.h"
#include "standins/host_trace_service.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace {

using namespace vex;

// JSON escapes every UTF-16 unit outside printable ASCII, so the file stays ASCII.
std::string json_text(std::wstring_view text) {
    std::string out = "\"";
    for (const wchar_t c : text) {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
        out += c == L'"' || c == L'\\' ? std::string{'\\', static_cast<char>(c)}
               : c < 0x20 || c > 0x7E  ? std::string(escaped)
                                       : std::string(1, static_cast<char>(c));
    }
    return out + "\"";
}

std::string json_value(const VARIANT& value) {
    VARIANT number{};
    if (value.vt == VT_EMPTY)
        return "null";
    if (value.vt == VT_BSTR)
        return json_text(com::bstr_view(value.bstrVal));
    if (value.vt == VT_BOOL)
        return value.boolVal ? "true" : "false";
    if (value.vt == VT_ERROR)
        return "{\"error\": " + std::to_string(static_cast<unsigned long>(value.scode)) + "}";
    if (FAILED(VariantChangeType(&number, const_cast<VARIANT*>(&value), 0, VT_R8)))
        return "{\"type\": " + std::to_string(value.vt) + "}";
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", number.dblVal);
    return text;
}

std::string json_sheet(const test::ExcelSheet& sheet) {
    std::string out = "{\"name\": " + json_text(sheet.name) +
                      ", \"frozen\": " + std::to_string(sheet.frozen_columns) + ", \"merged\": [";
    for (size_t i = 0; i < sheet.merged.size(); ++i)
        out += (i ? ", " : "") + json_text(sheet.merged[i].address());
    out += "], \"cells\": [";
    for (const auto& [at, cell] : sheet.cells) {
        char fill[16] = "null";
        if (cell.fill) // Excel's colours hold red in the low byte
            std::snprintf(fill, sizeof fill, "\"%02lX%02lX%02lX\"", *cell.fill & 0xFF, *cell.fill >> 8 & 0xFF,
                          *cell.fill >> 16 & 0xFF);
        out += (out.ends_with("[") ? "\n  {\"cell\": " : ",\n  {\"cell\": ") +
               json_text(test::ExcelArea{at.first, at.second, at.first, at.second}.address()) +
               ", \"value\": " + json_value(cell.value.get()) +
               ", \"format\": " + json_text(cell.number_format) + ", \"fill\": " + fill +
               ", \"align\": " + (cell.alignment ? std::to_string(*cell.alignment) : "null") + "}";
    }
    return out + "]}";
}

template <class I>
com::com_ptr<I> component(IVEX_Factory* factory, LONG type) {
    com::com_ptr<IDispatch> dispatch;
    factory->createproxy(type, dispatch.put());
    return com::query<I>(dispatch.get());
}

int dump(const char* document, const std::string& locale, const char* output) {
    std::ifstream in(document, std::ios::binary);
    const std::string utf8{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::wstring wide(utf8.size(), L'\0');
    wide.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                                    static_cast<int>(wide.size())));
    com::unique_bstr text(wide);

    auto& excel = test::ExcelStandIn::instance();
    excel.locale = locale == "de" ? test::ExcelLocale::german : test::ExcelLocale::english;
    com::com_ptr<IVEX_Factory> factory;
    CLSID clsid{};
    CLSIDFromProgID(L"KEM.VEX_Factory_Gui", &clsid);
    if (!in || FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IVEX_Factory,
                                       factory.put_void()))) {
        std::fprintf(stderr, "workbook_dump: cannot read %s or vex.dll is not registered\n", document);
        return 2;
    }
    com::com_ptr<IUnknown> proxy;
    test::create_document_proxy(nullptr, IID_IUnknown, proxy.put_void());
    factory->setControl(proxy.get());
    factory->put_activateInPlace(VARIANT_FALSE);
    factory->setDocumentType(2);
    auto container = component<IVEX_GeneralDocumentContainer>(factory.get(), 3);
    if (!container || FAILED(container->createdocument()))
        return std::fprintf(stderr, "workbook_dump: no workbook from the container\n"), 2;
    VARIANT argument{};
    argument.vt = VT_BSTR;
    argument.bstrVal = text.get();
    const HRESULT hr = component<IVEX_Spreadsheet>(factory.get(), 5)->activatexmlsource(argument);

    std::wstring error; // the first failing step any vex object traced to the host
    for (const auto& record : test::HostTraceLog::instance().records)
        if (error.empty() && record.kind == 1 && FAILED(record.status))
            error = record.text;
    char status[16];
    std::snprintf(status, sizeof status, "0x%08lX", static_cast<unsigned long>(hr));
    std::ofstream out(output, std::ios::binary);
    out << "{\"status\": \"" << status << "\", \"error\": " << json_text(error) << ", \"sheets\": [";
    const test::ExcelWorkbook* workbook = excel.workbook(L"Book1");
    for (size_t i = 0; workbook && i < workbook->sheets.size(); ++i)
        out << (i ? ",\n" : "\n") << json_sheet(workbook->sheets[i]);
    out << "]}\n";
    return out ? 0 : 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4 || FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        std::fprintf(stderr, "usage: workbook_dump DOCUMENT.xml en|de OUT.json\n");
        return 2;
    }
    // The host's trace service as a class object of this process: the component's traces are kept.
    auto* traces = new com::ClassFactory(vex::test::create_host_trace_service, false);
    DWORD cookie = 0;
    CoRegisterClassObject(vex::test::host_trace_clsid, traces, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                          &cookie);
    traces->Release();
    const int status = dump(argv[1], argv[2], argv[3]);
    test::HostServices::instance().clear(); // closes the stand-in Excel's workbooks too
    CoRevokeClassObject(cookie);
    CoUninitialize();
    return status;
}
