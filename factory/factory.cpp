// The factory's life: its own trace, lazy creation and wiring of the components, hand-out by
// component type code, and release in a fixed order.
#include "factory/factory.h"

#include "automation/ole_shutdown.h"
#include "module/class_table.h"
#include "trace/trace_objects.h"

#include <algorithm>
#include <utility>

namespace vex {
namespace {

// Component type codes of createproxy.
enum ComponentType : LONG {
    no_component = 0,
    environment_component = 1,
    trace_component = 2,
    container_component = 3,
    factory_itself = 4,
    spreadsheet_component = 5,
    word_component = 6,
};

constexpr wchar_t environment_progid[] = L"KEM.VEX_Environment_Gui";
constexpr wchar_t container_progid[] = L"KEM.VEX_GeneralDContainer_Gui";

// The spreadsheet and word classes may be served from anywhere COM finds them.
constexpr DWORD component_context =
    CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;

} // namespace

CVEX_Factory::CVEX_Factory() : ControlBase(module::control_class(module::ClassIndex::factory)) {
    m_trace.describe(control_class().errors);
}

CVEX_Factory::~CVEX_Factory() {
    m_wordtrace = nullptr;
    m_word = nullptr;
    m_spreadsheettrace = nullptr;
    m_spreadsheet = nullptr;
    m_trace.reset();
    m_control = nullptr;
    m_pgeneraldocumentcontainer = nullptr;
    m_penvironment = nullptr;
}

std::span<const com::InterfaceEntry> CVEX_Factory::interfaces() {
    static const com::InterfaceEntry entries[] = {
        VEX_INTERFACE_ENTRY_IID(CVEX_Factory, IID_IVEX_Factory, IVEX_FactoryFull),
        VEX_INTERFACE_ENTRY_IID(CVEX_Factory, IID_IDispatch, IVEX_FactoryFull),
        VEX_INTERFACE_ENTRY(CVEX_Factory, IVEX_FactoryClients),
        VEX_DOCUMENT_CONTROL_INTERFACE_ENTRIES(CVEX_Factory),
    };
    return entries;
}

HRESULT CVEX_Factory::FinalConstruct() {
    m_trace.set(create_own_trace(L"CVEX_Factory", self()));
    m_trace.enter(L"FinalConstruct");
    m_trace.leave(L"FinalConstruct", S_OK);
    return S_OK;
}

void CVEX_Factory::FinalRelease() {
    m_trace.enter(L"FinalRelease");
    // The components hold the factory without a reference: they must not use it any more.
    for (IVEX_FactoryClient* client : std::exchange(m_clients, {}))
        client->forgetFactory();
    // Each step runs whatever the one before it did.
    const auto step = [this](const wchar_t* text, HRESULT hr) {
        if (FAILED(hr))
            m_trace.error(text, hr);
    };
    step(L"delete_generaldocumentcontainer", delete_generaldocumentcontainer());
    step(L"delete_spreadsheet", delete_spreadsheet());
    step(L"delete_word", delete_word());
    step(L"delete_environment", delete_environment());
    m_trace.leave(L"FinalRelease", S_OK);
}

// The internal operations trace the exits and failures their steps name; only the interface
// methods trace an entry.
HRESULT CVEX_Factory::create_environment() {
    if (m_penvironment)
        return S_OK;
    CLSID clsid{};
    CLSIDFromProgID(environment_progid, &clsid); // an unknown ProgID shows in the creation's status
    com::com_ptr<IVEX_Environment> created;
    HRESULT hr =
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IVEX_Environment, created.put_void());
    if (SUCCEEDED(hr))
        hr = created.query_to(m_penvironment);
    m_trace.leave(L"create_environment", hr);
    return hr;
}

HRESULT CVEX_Factory::create_generaldocumentcontainer() {
    if (m_pgeneraldocumentcontainer)
        return S_OK;
    CLSID clsid{};
    VEX_RETURN_IF_FAILED(m_trace, L"CLSIDFromProgI", CLSIDFromProgID(container_progid, &clsid));
    com::com_ptr<IVEX_GeneralDocumentContainer> created;
    VEX_RETURN_IF_FAILED(m_trace, L"CoCreateInstanc",
                         CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER,
                                          IID_IVEX_GeneralDocumentContainer, created.put_void()));
    HRESULT hr = created.query_to(m_pgeneraldocumentcontainer);
    if (FAILED(hr))
        m_trace.error(L"QueryInterface", hr);
    if (!m_pgeneraldocumentcontainer)
        return m_trace.fail(L"m_pgeneraldocumentcontainer == NULL", FAILED(hr) ? hr : E_FAIL);

    VEX_RETURN_IF_FAILED(m_trace, L"setControl", m_pgeneraldocumentcontainer->setControl(m_control.get()));
    VEX_RETURN_IF_FAILED(m_trace, L"create_environment", create_environment());
    VEX_RETURN_IF_FAILED(m_trace, L"m_pgeneraldocumentcontainer->setEnvironment",
                         m_pgeneraldocumentcontainer->setEnvironment(m_penvironment.get()));
    m_trace.leave(L"create_generaldocumentcontainer", S_OK);
    return S_OK;
}

HRESULT CVEX_Factory::create_trace(const wchar_t* object_name, com::com_ptr<IVEX_Trace>& trace) {
    VEX_RETURN_IF_FAILED(m_trace, L"CoCreateInstance", create_trace_object(object_name, self(), trace));
    return S_OK;
}

// The spreadsheet and word components are created, traced and initialised the same way.
template <class Component>
HRESULT CVEX_Factory::create_office_component(const wchar_t* name, const CLSID& clsid,
                                              com::com_ptr<Component>& component,
                                              com::com_ptr<IVEX_Trace>& component_trace,
                                              const wchar_t* trace_name, const wchar_t* null_text) {
    if (component) {
        m_trace.warning(L"No action necessary", S_OK);
        m_trace.leave(name, S_OK);
        return S_OK;
    }
    VEX_RETURN_IF_FAILED(m_trace, L"create_generaldocumentcontainer", create_generaldocumentcontainer());
    VEX_RETURN_IF_FAILED(
        m_trace, L"CoCreateInstance",
        CoCreateInstance(clsid, nullptr, component_context, __uuidof(Component), component.put_void()));
    if (!component)
        return m_trace.fail(null_text, E_FAIL); // a creation that reports success without an object
    if (!component_trace)
        VEX_RETURN_IF_FAILED(m_trace, L"create_trace", create_trace(trace_name, component_trace));
    HRESULT hr = component->setTrace(component_trace.get());
    if (SUCCEEDED(hr))
        hr = component->Initialize(self(), m_pgeneraldocumentcontainer.get(), m_penvironment.get());
    if (FAILED(hr))
        return m_trace.fail(L"set_trace", hr);
    m_trace.leave(name, S_OK);
    return S_OK;
}

HRESULT CVEX_Factory::create_spreadsheet() {
    return create_office_component(L"create_spreadsheet", CLSID_VEX_Spreadsheet_Wob, m_spreadsheet,
                                   m_spreadsheettrace, L"CVEX_Spreadsheet", L"m_spreadsheet == NULL");
}

HRESULT CVEX_Factory::create_word() {
    return create_office_component(L"create_word", CLSID_VEX_Word_Wob, m_word, m_wordtrace, L"CVEX_Word_WOB",
                                   L"m_word == NULL");
}

HRESULT CVEX_Factory::release_member_oleobject(IUnknown* object) {
    return shut_down_ole_object(m_trace, object, component_shutdown);
}

HRESULT CVEX_Factory::delete_generaldocumentcontainer() {
    if (m_pgeneraldocumentcontainer) {
        VEX_RETURN_IF_FAILED(m_trace, L"release_member_oleobject m_pgeneraldocumentcontainer",
                             release_member_oleobject(m_pgeneraldocumentcontainer.get()));
        m_pgeneraldocumentcontainer = nullptr;
    }
    return S_OK;
}

template <class Component>
HRESULT CVEX_Factory::delete_office_component(com::com_ptr<Component>& component) {
    if (!component)
        return S_OK;
    VEX_RETURN_IF_FAILED(m_trace, L"delete_generaldocumentcontainer", delete_generaldocumentcontainer());
    component = nullptr;
    return S_OK;
}

HRESULT CVEX_Factory::delete_spreadsheet() {
    return delete_office_component(m_spreadsheet);
}

HRESULT CVEX_Factory::delete_word() {
    return delete_office_component(m_word);
}

HRESULT CVEX_Factory::delete_environment() {
    if (m_penvironment) {
        VEX_RETURN_IF_FAILED(m_trace, L"release_member_oleobject m_penvironment",
                             release_member_oleobject(m_penvironment.get()));
        m_penvironment = nullptr;
    }
    return S_OK;
}

STDMETHODIMP CVEX_Factory::createproxy(LONG type, IDispatch** proxy) {
    const auto scope = m_trace.call(L"createproxy");
    HRESULT hr = S_OK;
    switch (type) {
    case environment_component:
        VEX_RETURN_IF_FAILED(m_trace, L"create_environment", create_environment());
        break;
    case container_component:
        VEX_RETURN_IF_FAILED(m_trace, L"create_generaldocumentcontainer", create_generaldocumentcontainer());
        break;
    case spreadsheet_component:
        VEX_RETURN_IF_FAILED(m_trace, L"create_spreadsheet", create_spreadsheet());
        break;
    case word_component:
        VEX_RETURN_IF_FAILED(m_trace, L"create_word", create_word());
        break;
    case factory_itself:
        m_trace.warning(L"Factory created", S_OK);
        break;
    case no_component:
    case trace_component:
        break;
    default:
        hr = E_FAIL;
        m_trace.error(L"Unknown type", E_FAIL);
        break;
    }

    // The reference handed out is the member itself: asking twice gives the same object.
    IDispatch* handed_out = nullptr;
    switch (type) {
    case environment_component:
        handed_out = m_penvironment.get();
        break;
    case container_component:
        handed_out = m_pgeneraldocumentcontainer.get();
        break;
    case spreadsheet_component:
        handed_out = m_spreadsheet.get();
        break;
    case word_component:
        handed_out = m_word.get();
        break;
    case factory_itself:
        handed_out = self();
        m_trace.warning(L"Factory created", hr);
        break;
    case no_component:
    case trace_component:
        m_trace.leave(L"createproxy", hr);
        return hr; // proxy is left as the caller passed it
    default:
        break;
    }
    if (!proxy) {
        hr = E_POINTER;
    } else {
        if (handed_out)
            handed_out->AddRef();
        *proxy = handed_out;
    }
    m_trace.leave(L"createproxy", hr);
    return hr;
}

STDMETHODIMP CVEX_Factory::setControl(IUnknown* pControl) {
    const auto scope = m_trace.call(L"setControl");
    if (m_control.get() != pControl)
        m_control = pControl;
    if (m_pgeneraldocumentcontainer) {
        const HRESULT hr = m_pgeneraldocumentcontainer->setControl(m_control.get());
        if (FAILED(hr)) {
            m_trace.error(L"m_pgeneraldocumentcontainer->setControl", hr);
            return E_FAIL;
        }
    }
    m_trace.leave(L"setControl", S_OK);
    return S_OK;
}

// Components are created only through createproxy and released only with the factory.
STDMETHODIMP CVEX_Factory::createcomponent(LONG) {
    return accepted(L"createcomponent", L"createcomponent");
}

STDMETHODIMP CVEX_Factory::deletecomponent(LONG) {
    return accepted(L"deletecomponent", L"deletecomponent");
}

HRESULT CVEX_Factory::accepted(const wchar_t* entry, const wchar_t* exit) const noexcept {
    const auto scope = m_trace.call(entry);
    m_trace.leave(exit, S_OK);
    return S_OK;
}

void CVEX_Factory::attachClient(IVEX_FactoryClient* client) {
    if (client && std::find(m_clients.begin(), m_clients.end(), client) == m_clients.end())
        m_clients.push_back(client);
}

void CVEX_Factory::detachClient(IVEX_FactoryClient* client) {
    m_clients.erase(std::remove(m_clients.begin(), m_clients.end(), client), m_clients.end());
}

HRESULT create_factory_component(IUnknown* outer, REFIID iid, void** out) noexcept {
    return com::ComObject<CVEX_Factory>::create(outer, iid, out);
}

} // namespace vex
