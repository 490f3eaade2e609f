// The spreadsheet component's wiring, its life, and its entries for table documents.
#include "spreadsheet/spreadsheet.h"

#include "core/table_parser.h"
#include "module/class_table.h"
#include "trace/trace_objects.h"
#include "windows/msxml_dom.h"
#include "windows/text_bstr.h"

#include <new>

namespace vex {

CVEX_Spreadsheet_Wob::CVEX_Spreadsheet_Wob()
    : ControlBase(module::control_class(module::ClassIndex::spreadsheet)) {
    m_spreadsheet.emplace();
    m_trace.describe(control_class().errors);
}

std::span<const com::InterfaceEntry> CVEX_Spreadsheet_Wob::interfaces() {
    static const com::InterfaceEntry entries[] = {
        VEX_INTERFACE_ENTRY(CVEX_Spreadsheet_Wob, IVEX_Spreadsheet),
        VEX_INTERFACE_ENTRY_IID(CVEX_Spreadsheet_Wob, IID_IDispatch, IVEX_Spreadsheet),
        VEX_DOCUMENT_CONTROL_INTERFACE_ENTRIES(CVEX_Spreadsheet_Wob),
        VEX_INTERFACE_ENTRY(CVEX_Spreadsheet_Wob, ISpecifyPropertyPages),
    };
    return entries;
}

void CVEX_Spreadsheet_Wob::FinalRelease() {
    m_trace.enter(L"FinalRelease");
    m_pfactory.reset();
    if (m_pdoccontainer) {
        if (const HRESULT hr = m_automation.release_member_oleobject(m_pdoccontainer.get()); FAILED(hr))
            m_trace.error(L"release_member_oleobject m_pdoccontainer", hr);
        m_pdoccontainer = nullptr;
    }
    m_pspreadsheet = nullptr;
    if (m_penvironment) {
        if (const HRESULT hr = m_automation.release_member_oleobject(m_penvironment.get()); FAILED(hr))
            m_trace.error(L"release_member_oleobject m_penvironment", hr);
        m_penvironment = nullptr;
    }
    m_spreadsheet.reset();
    m_engineTrace = nullptr;
    if (m_trace) {
        com::com_ptr<IVEX_Trace> trace_object(m_trace.get());
        if (const HRESULT hr = m_automation.release_member_oleobject(trace_object.get()); FAILED(hr))
            m_trace.error(L"release_member_oleobject pTraceObject", hr);
        m_trace.reset();
    }
    m_automation.setTrace(nullptr);
    m_baseTrace.reset();
}

// The component's trace object traces it; the engine gets one of its own.
STDMETHODIMP CVEX_Spreadsheet_Wob::setTrace(IDispatch* trace) {
    m_trace.set_from(trace);
    const auto scope = m_trace.call(L"setTrace");
    VEX_RETURN_IF_FAILED(m_trace, L"pTraceObject.CopyTo",
                         create_trace_object(L"CVEX_Spreadsheet_Excel_Wob", self(), m_engineTrace));
    m_spreadsheet->setTrace(m_engineTrace.get());
    m_automation.setTrace(trace);
    CVEX_GeneralDocumentContainer::setTrace(trace);
    m_trace.leave(L"setTrace", S_OK);
    return S_OK;
}

STDMETHODIMP CVEX_Spreadsheet_Wob::setTraceTyp(LONG type) {
    const auto scope = m_trace.call(L"setTraceTyp");
    if (m_pfactory)
        m_pfactory->setTraceTyp(type);
    m_trace.leave(L"setTraceTyp", S_OK);
    return S_OK;
}

// Each argument is kept on its own: what was given stays even when another is missing.
STDMETHODIMP CVEX_Spreadsheet_Wob::Initialize(IVEX_Factory* factory,
                                              IVEX_GeneralDocumentContainer* doccontainer,
                                              IVEX_Environment* newval) {
    const auto scope = m_trace.call(L"Initialize");
    HRESULT hr = S_OK;
    if (factory) {
        m_pfactory.set(factory, this);
    } else {
        m_trace.error(L"factory is null!", S_OK);
        hr = E_FAIL;
    }
    if (doccontainer) {
        m_pdoccontainer = doccontainer;
    } else {
        m_trace.error(L"doccontainer is null!", hr);
        hr = E_FAIL;
    }
    if (newval) {
        m_penvironment = newval;
    } else {
        m_trace.error(L"environment is null!", hr);
        hr = E_FAIL;
    }
    m_trace.leave(L"Initialize", hr);
    return hr;
}

void CVEX_Spreadsheet_Wob::forgetFactory() {
    m_pfactory.forget();
}

HRESULT CVEX_Spreadsheet_Wob::getSpreadsheet() {
    if (m_pspreadsheet && !m_reload)
        return S_OK;
    m_trace.enter(L"getSpreadsheet");
    if (!m_pdoccontainer)
        return m_trace.fail(L"m_pdoccontainer == NULL", E_FAIL);
    VEX_RETURN_IF_FAILED(m_trace, L" getApplication", m_pdoccontainer->getApplication(m_pspreadsheet.put()));
    if (!m_pspreadsheet)
        return m_trace.fail(L" m_pspreadsheet == NULL", E_FAIL);
    m_spreadsheet.emplace();
    m_spreadsheet->setVisibility(this);
    VEX_RETURN_IF_FAILED(m_trace, L"m_spreadsheet.Initialize",
                         m_spreadsheet->getSpreadsheet(m_pspreadsheet.get()));
    VEX_RETURN_IF_FAILED(m_trace, L"m_spreadsheet.setTrace", m_spreadsheet->setTrace(m_engineTrace.get()));
    m_reload = false;
    m_trace.leave(L"getSpreadsheet", S_OK);
    return S_OK;
}

HRESULT CVEX_Spreadsheet_Wob::take_document_text(const VARIANT& xmlData, BSTR& text) {
    const VARIANT& data =
        xmlData.vt == (VT_BYREF | VT_VARIANT) && xmlData.pvarVal ? *xmlData.pvarVal : xmlData;
    const VARTYPE type = data.vt & ~VT_BYREF;
    // A text handed in is read where it is: a large document is not copied.
    if (type == VT_BSTR) {
        text = (data.vt & VT_BYREF) ? *data.pbstrVal : data.bstrVal;
        return S_OK;
    }
    text = nullptr;
    if (type == (VT_ARRAY | VT_UI1)) {
        std::unique_ptr<BYTE[]> bytes;
        ULONG count = 0;
        VEX_RETURN_IF_FAILED(m_trace, L"getBytes", getBytes(data, bytes, count));
        m_xmlSource.reset();
        VEX_RETURN_IF_FAILED(m_trace, L"ConvertUTF8toBSTR",
                             ConvertUTF8toBSTR(bytes.get(), m_xmlSource.put(), count));
        text = m_xmlSource.get();
        return S_OK;
    }
    if (!m_pfactory)
        return m_trace.fail(L"factory->getMethodParamAsString ", E_FAIL);
    com::unique_bstr method(L"activatexmlsource");
    m_xmlSource.reset();
    VEX_RETURN_IF_FAILED(m_trace, L"factory->getMethodParamAsString ",
                         m_pfactory->getMethodParamAsString(method.get(), 0, xmlData, m_xmlSource.put()));
    text = m_xmlSource.get();
    return S_OK;
}

STDMETHODIMP CVEX_Spreadsheet_Wob::activatexmlsource(VARIANT xmlData) {
    const auto scope = m_trace.call(L"activatexmlsource");
    m_trace.time_enter(L"activatexmlsource");
    try {
        BSTR text = nullptr;
        if (const HRESULT hr = take_document_text(xmlData, text); FAILED(hr))
            return hr;
        VEX_RETURN_IF_FAILED(m_trace, L"getSpreadsheet ", getSpreadsheet());
        const HRESULT parsed = parse_xmlData(text);
        // The text is not kept: a large document would occupy the host's memory for nothing.
        m_xmlSource.reset();
        VEX_RETURN_IF_FAILED(m_trace, L"parse_xmlData", parsed);
    } catch (const std::bad_alloc&) {
        m_trace.exception(L"activatexmlsource", E_OUTOFMEMORY);
        return E_OUTOFMEMORY;
    } catch (...) {
        m_trace.exception(L"activatexmlsource", E_FAIL);
        return E_FAIL;
    }
    // The next call fetches the workbook object anew.
    m_reload = true;
    m_trace.time_leave(L"activatexmlsource");
    m_trace.leave(L"activatexmlsource", S_OK);
    return S_OK;
}

HRESULT CVEX_Spreadsheet_Wob::parse_xmlData(BSTR xml) {
    table::windows::MsxmlDomFactory doms(xml);
    table::TableParser parser(doms, *this, &m_traceSink, m_minVersion);
    return parser.parse_xmlData(table::windows::text_view(xml));
}

STDMETHODIMP CVEX_Spreadsheet_Wob::activatexmlsource_gui(BSTR url) {
    const auto scope = m_trace.call(L"activatexmlsource_gui");
    if (!m_pfactory)
        return m_trace.fail(L"get_dp_table ", E_FAIL);
    VEX_RETURN_IF_FAILED(m_trace, L"get_dp_table ", m_pfactory->get_dp_table(url, m_xmlData_gui.put()));
    const VARIANT& data = *m_xmlData_gui.get();
    const bool holds_data = (data.vt == VT_BSTR && data.bstrVal) || ((data.vt & VT_ARRAY) && data.parray);
    if (!holds_data)
        return m_trace.fail(L"m_xmlData_gui == NULL ", E_FAIL);
    VEX_RETURN_IF_FAILED(m_trace, L"activatexmlsource ", activatexmlsource(data));
    m_xmlData_gui.reset();
    m_trace.leave(L"activatexmlsource_gui", S_OK);
    return S_OK;
}

// Keeps the data for later; nothing is parsed.
STDMETHODIMP CVEX_Spreadsheet_Wob::setxml_gui(VARIANT xmlData) {
    const auto scope = m_trace.call(L"setxml_gui");
    com::unique_variant copy;
    if (const HRESULT hr = VariantCopy(copy.get(), &xmlData); FAILED(hr))
        return hr;
    m_xmlData_gui.reset();
    *m_xmlData_gui.get() = copy.release();
    m_trace.leave(L"setxml_gui", S_OK);
    return S_OK;
}

// Keeps the text up to its first NUL character; nothing is parsed.
STDMETHODIMP CVEX_Spreadsheet_Wob::xmlSource(BSTR newval) {
    const auto scope = m_trace.call(L"xmlSource");
    m_xmlSource.reset(newval ? SysAllocString(newval) : nullptr);
    m_trace.leave(L"xmlSource", S_OK);
    return S_OK;
}

HRESULT create_spreadsheet_component(IUnknown* outer, REFIID iid, void** out) noexcept {
    return com::ComObject<CVEX_Spreadsheet_Wob>::create(outer, iid, out);
}

} // namespace vex
