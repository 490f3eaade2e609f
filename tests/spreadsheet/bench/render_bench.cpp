// Benchmark, not a test: a generated table document of 10 k, 100 k and 1 M cells rendered through the
// spreadsheet component's activatexmlsource into the stand-in Excel (which keeps no values and only
// counts calls), against MSXML's loadXML of the same text alone, in the same process under Wine.
// MSXML's own walk of that loaded document, making the calls the parser makes with no vex code in
// between, and the release of the document show the floor that any reading through the DOM stands
// on. Prints the calls into Excel by kind, the times, their ratios and the process's peak memory.
//
//   render_bench.exe [--plain] [CELLS ...]     (default 10000 100000 1000000; 10 columns)
// --plain generates documents without subtotal or collapsed rows and without cell attributes: the
// calls into Excel then stay the same for any number of rows.
#include "bench/table_document_generator.h"
#include "com/bstr.h"
#include "com/class_factory.h"
#include "com/com_ptr.h"
#include "module/interfaces.h"
#include "standins/document_services.h"
#include "standins/excel.h"
#include "standins/host_trace_service.h"
#include "windows/msxml_dom.h"
#include "windows/msxml_guids.h"

#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace vex;
using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

com::unique_bstr widen(const std::string& utf8) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    com::unique_bstr text;
    text.reset(SysAllocStringLen(nullptr, static_cast<UINT>(n)));
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.get(), n);
    return text;
}

struct Alone {
    double loading = -1;   // loadXML of the text
    double walking = -1;   // MSXML's own walk of the loaded document
    double releasing = -1; // MSXML freeing the document
    long nodes = 0;
};

// What the parser asks of each node, made straight on MSXML with no vex code in between: the name
// of every node it reaches, the attribute map of "ROW" and "VALUE" with each attribute's name and
// value, the typed value of "CELL"; the children of "VALUE" are not visited (the cell's typed value
// reads them).
void walk(IXMLDOMNode* node, long& nodes) {
    ++nodes;
    com::unique_bstr name;
    node->get_nodeName(name.put());
    const std::wstring_view n = name.view();
    if (n == L"ROW" || n == L"VALUE") {
        com::com_ptr<IXMLDOMNamedNodeMap> attributes;
        long length = 0;
        if (SUCCEEDED(node->get_attributes(attributes.put())) && attributes)
            attributes->get_length(&length);
        for (long i = 0; i < length; ++i) {
            com::com_ptr<IXMLDOMNode> attribute;
            com::unique_bstr attribute_name;
            com::unique_variant attribute_value;
            if (SUCCEEDED(attributes->get_item(i, attribute.put())) && attribute) {
                attribute->get_nodeName(attribute_name.put());
                attribute->get_nodeValue(attribute_value.put());
            }
        }
    }
    if (n == L"CELL") {
        com::unique_variant value;
        node->get_nodeTypedValue(value.put());
    }
    if (n == L"VALUE")
        return;
    com::com_ptr<IXMLDOMNode> child;
    node->get_firstChild(child.put());
    while (child) {
        walk(child.get(), nodes);
        com::com_ptr<IXMLDOMNode> next;
        child->get_nextSibling(next.put());
        child = std::move(next);
    }
}

Alone alone(BSTR text) {
    Alone result;
    com::com_ptr<IXMLDOMDocument> document;
    if (FAILED(table::windows::create_dom_document(document)))
        return result;
    auto start = Clock::now();
    VARIANT_BOOL loaded = VARIANT_FALSE;
    document->loadXML(text, &loaded);
    if (loaded != VARIANT_TRUE)
        return result;
    result.loading = seconds_since(start);
    com::com_ptr<IXMLDOMNode> root;
    if (FAILED(document.query_to(table::windows::iid_xml_dom_node, root.put_void())))
        return result;
    start = Clock::now();
    walk(root.get(), result.nodes);
    result.walking = seconds_since(start);
    start = Clock::now();
    root = nullptr;
    document = nullptr;
    result.releasing = seconds_since(start);
    return result;
}

struct Peak {
    double working_set_mb;
    double committed_mb;
};

Peak peak_memory() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return {counters.PeakWorkingSetSize / 1048576.0, counters.PeakPagefileUsage / 1048576.0};
}

template <class I>
com::com_ptr<I> component(IVEX_Factory* factory, LONG type) {
    com::com_ptr<IDispatch> dispatch;
    factory->createproxy(type, dispatch.put());
    return com::query<I>(dispatch.get());
}

int run(long cells, bool plain) {
    table::bench::GeneratorOptions options;
    options.columns = 10;
    options.rows = static_cast<std::int32_t>(cells / options.columns);
    if (plain)
        options.subtotal_every = options.collapsed_every = options.attribute_every = 0;
    const std::string xml = table::bench::generate_table_document(options);
    com::unique_bstr text = widen(xml);

    auto& excel = test::ExcelStandIn::instance();
    test::HostServices::instance().clear(); // clears the stand-in Excel too
    excel.keep_values = false;
    excel.log_calls = false;
    com::com_ptr<IVEX_Factory> factory;
    CLSID clsid{};
    CLSIDFromProgID(L"KEM.VEX_Factory_Gui", &clsid);
    if (FAILED(
            CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IVEX_Factory, factory.put_void()))) {
        std::fprintf(stderr, "vex.dll is not registered in this prefix\n");
        return 1;
    }
    com::com_ptr<IUnknown> proxy;
    test::create_document_proxy(nullptr, IID_IUnknown, proxy.put_void());
    factory->setControl(proxy.get());
    factory->put_activateInPlace(VARIANT_FALSE);
    factory->setDocumentType(2);
    auto container = component<IVEX_GeneralDocumentContainer>(factory.get(), 3);
    container->createdocument();
    auto spreadsheet = component<IVEX_Spreadsheet>(factory.get(), 5);

    const Alone msxml = alone(text.get());
    const Peak loaded = peak_memory();
    VARIANT argument;
    VariantInit(&argument);
    argument.vt = VT_BSTR;
    argument.bstrVal = text.get();
    const auto start = Clock::now();
    const HRESULT hr = spreadsheet->activatexmlsource(argument);
    const double rendering = seconds_since(start);
    const Peak peak = peak_memory();

    // Each MSXML time is set only when the steps before it succeeded.
    const double floor = msxml.releasing >= 0 ? msxml.loading + msxml.walking + msxml.releasing : 0.0;
    std::printf("%8ld cells, %6.1f MB of XML: activatexmlsource %7.3f s (0x%08lX), loadXML alone %7.3f s, "
                "ratio %.2f\n"
                "         MSXML's own walk of the loaded document %7.3f s (%ld nodes), its release %7.3f s; "
                "activatexmlsource against MSXML's load, walk and release %.2f\n"
                "         peak working set %6.1f MB (%6.1f MB after MSXML alone), peak committed %6.1f MB "
                "(%6.1f MB)\n",
                cells, xml.size() / 1048576.0, rendering, static_cast<unsigned long>(hr), msxml.loading,
                msxml.loading > 0 ? rendering / msxml.loading : 0.0, msxml.walking, msxml.nodes,
                msxml.releasing, floor > 0 ? rendering / floor : 0.0, peak.working_set_mb,
                loaded.working_set_mb, peak.committed_mb, loaded.committed_mb);
    std::printf("         calls into Excel: %zu in all; Range.Value puts %zu, NumberFormat puts %zu, "
                "Interior.Color puts %zu, Merge %zu, Cells.Item gets %zu, Sheets.Item %zu\n",
                excel.count(L"", L"", L""), excel.count(L"Range", L"Value", L"put"),
                excel.count(L"Range", L"NumberFormat", L"put"), excel.count(L"Interior", L"Color", L"put"),
                excel.count(L"Range", L"Merge", L""), excel.count(L"Range", L"Item", L"get"),
                excel.count(L"Sheets", L"Item", L""));
    spreadsheet = nullptr;
    container = nullptr;
    factory = nullptr;
    proxy = nullptr;
    test::HostServices::instance().clear();
    return FAILED(hr) ? 1 : 0;
}

} // namespace

int main(int argc, char** argv) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 1;
    // The trace objects find a host trace service that cannot be created: the rendering runs
    // untraced, as in a host that traces nothing.
    vex::test::HostTraceLog::instance().create_result = E_FAIL;
    auto* traces = new com::ClassFactory(vex::test::create_host_trace_service, false);
    DWORD cookie = 0;
    CoRegisterClassObject(vex::test::host_trace_clsid, traces, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                          &cookie);
    traces->Release();
    std::vector<long> sizes;
    bool plain = false;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--plain")
            plain = true;
        else
            sizes.push_back(std::strtol(argv[i], nullptr, 10));
    }
    if (sizes.empty())
        sizes = {10000, 100000, 1000000};
    int status = 0;
    for (long cells : sizes)
        status |= run(cells, plain);
    CoRevokeClassObject(cookie);
    CoUninitialize();
    return status;
}
