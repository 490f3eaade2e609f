// Renders a table document through the spreadsheet component into the stand-in Excel, as a host does
// (factory, document container, spreadsheet component), and writes the workbook as JSON for the
// comparison with vex-render's .xlsx file (tests/render/compare_workbooks.py):
//
//   {"status": "0x00000000", "error": "<first failing step the component traced>",
//    "sheets": [{"name": ..., "frozen": 1.0, "merged": ["A8:F8"],
//                "cells": [{"cell": "A1", "value": ["s", "text"] | ["n", 1.5] | ["d", serial] |
//                           ["b", true] | ["e", scode] | null,
//                           "format": "<as stored; empty: General>", "fill": "RRGGBB" | null,
//                           "align": -4131 | null}]}]}
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

std::string utf8_of(std::wstring_view text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                        nullptr);
    return out;
}

std::string json_text(std::wstring_view text) {
    std::string out = "\"";
    for (const char c : utf8_of(text)) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string json_number(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

std::string json_value(const VARIANT& value) {
    switch (value.vt) {
    case VT_EMPTY:
        return "null";
    case VT_BSTR:
        return "[\"s\", " + json_text(com::bstr_view(value.bstrVal)) + "]";
    case VT_DATE:
        return "[\"d\", " + json_number(value.date) + "]";
    case VT_BOOL:
        return std::string("[\"b\", ") + (value.boolVal ? "true" : "false") + "]";
    case VT_ERROR:
        return "[\"e\", " + std::to_string(static_cast<unsigned long>(value.scode)) + "]";
    default: {
        VARIANT number;
        VariantInit(&number);
        if (FAILED(VariantChangeType(&number, const_cast<VARIANT*>(&value), 0, VT_R8)))
            return "[\"?\", " + std::to_string(value.vt) + "]";
        return "[\"n\", " + json_number(number.dblVal) + "]";
    }
    }
}

std::string json_sheet(const test::ExcelSheet& sheet) {
    std::string out = "{\"name\": " + json_text(sheet.name) +
                      ", \"frozen\": " + json_number(sheet.frozen_columns) + ", \"merged\": [";
    for (size_t i = 0; i < sheet.merged.size(); ++i)
        out += (i ? ", " : "") + json_text(sheet.merged[i].address());
    out += "], \"cells\": [";
    bool first = true;
    for (const auto& [at, cell] : sheet.cells) {
        char fill[16] = "null";
        if (cell.fill) // Excel's colours hold red in the low byte
            std::snprintf(fill, sizeof fill, "\"%02X%02X%02X\"", static_cast<unsigned>(*cell.fill & 0xFF),
                          static_cast<unsigned>(*cell.fill >> 8 & 0xFF),
                          static_cast<unsigned>(*cell.fill >> 16 & 0xFF));
        out += (first ? "\n  " : ",\n  ");
        first = false;
        out +=
            "{\"cell\": " + json_text(test::ExcelArea{at.first, at.second, at.first, at.second}.address()) +
            ", \"value\": " + json_value(cell.value.get()) +
            ", \"format\": " + json_text(cell.number_format) + ", \"fill\": " + fill +
            ", \"align\": " + (cell.alignment ? std::to_string(*cell.alignment) : std::string("null")) + "}";
    }
    return out + "]}";
}

// The first failing step any vex object traced to the host.
std::wstring first_error() {
    for (const auto& record : test::HostTraceLog::instance().records)
        if (record.kind == 1 && FAILED(record.status))
            return record.text;
    return L"";
}

template <class I>
com::com_ptr<I> component(IVEX_Factory* factory, LONG type) {
    com::com_ptr<IDispatch> dispatch;
    factory->createproxy(type, dispatch.put());
    return com::query<I>(dispatch.get());
}

int dump(const char* document, const std::string& locale, const char* output) {
    std::ifstream in(document, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "workbook_dump: cannot read %s\n", document);
        return 2;
    }
    const std::string utf8{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const int units = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    com::unique_bstr text;
    text.reset(SysAllocStringLen(nullptr, static_cast<UINT>(units)));
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.get(), units);

    auto& excel = test::ExcelStandIn::instance();
    test::HostServices::instance().clear(); // clears the stand-in Excel too
    excel.locale = locale == "de" ? test::ExcelLocale::german : test::ExcelLocale::english;
    com::com_ptr<IVEX_Factory> factory;
    CLSID clsid{};
    CLSIDFromProgID(L"KEM.VEX_Factory_Gui", &clsid);
    if (FAILED(
            CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IVEX_Factory, factory.put_void()))) {
        std::fprintf(stderr, "workbook_dump: vex.dll is not registered in this prefix\n");
        return 2;
    }
    com::com_ptr<IUnknown> proxy;
    test::create_document_proxy(nullptr, IID_IUnknown, proxy.put_void());
    factory->setControl(proxy.get());
    factory->put_activateInPlace(VARIANT_FALSE);
    factory->setDocumentType(2);
    auto container = component<IVEX_GeneralDocumentContainer>(factory.get(), 3);
    if (!container || FAILED(container->createdocument())) {
        std::fprintf(stderr, "workbook_dump: no workbook from the container\n");
        return 2;
    }
    auto spreadsheet = component<IVEX_Spreadsheet>(factory.get(), 5);
    VARIANT argument;
    VariantInit(&argument);
    argument.vt = VT_BSTR;
    argument.bstrVal = text.get();
    const HRESULT hr = spreadsheet->activatexmlsource(argument);

    char status[16];
    std::snprintf(status, sizeof status, "0x%08lX", static_cast<unsigned long>(hr));
    std::string json = std::string("{\"status\": \"") + status +
                       "\", \"error\": " + json_text(first_error()) + ", \"sheets\": [";
    const test::ExcelWorkbook* workbook = excel.workbook(L"Book1");
    for (size_t i = 0; workbook && i < workbook->sheets.size(); ++i)
        json += (i ? ",\n" : "\n") + json_sheet(workbook->sheets[i]);
    json += "]}\n";
    std::ofstream out(output, std::ios::binary);
    out << json;
    spreadsheet = nullptr;
    container = nullptr;
    factory = nullptr;
    proxy = nullptr;
    test::HostServices::instance().clear();
    return out ? 0 : 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: workbook_dump DOCUMENT.xml en|de OUT.json\n");
        return 2;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 2;
    // The host's trace service as a class object of this process: the component's traces are kept.
    auto* traces = new com::ClassFactory(vex::test::create_host_trace_service, false);
    DWORD cookie = 0;
    CoRegisterClassObject(vex::test::host_trace_clsid, traces, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                          &cookie);
    traces->Release();
    const int status = dump(argv[1], argv[2], argv[3]);
    CoRevokeClassObject(cookie);
    CoUninitialize();
    return status;
}
