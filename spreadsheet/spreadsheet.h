// The spreadsheet component: renders a table document into the Excel workbook the document container
// holds, area after area as the parser reads them, and prints the workbook and runs its macros. It
// opens no workbook itself: it asks the container for the live one.
#pragma once

#include "automation/automation_calls.h"
#include "automation/general_document_container.h"
#include "com/bstr.h"
#include "com/control/control.h"
#include "com/dispatch.h"
#include "com/object.h"
#include "core/engine_services.h"
#include "factory/factory_link.h"
#include "module/interfaces.h"
#include "trace/tracer.h"
#include "windows/excel_engine.h"
#include "windows/tracer_sink.h"

#include <optional>
#include <span>

namespace vex {

class CVEX_Spreadsheet_Wob : public com::ObjectRoot,
                             public com::DispatchImpl<IVEX_Spreadsheet>,
                             public com::ControlBase,
                             public IVEX_FactoryClient,
                             public CVEX_GeneralDocumentContainer,
                             private table::EngineServices,
                             private ExcelVisibility {
public:
    static std::span<const com::InterfaceEntry> interfaces();
    void FinalRelease();

    // Wiring.
    STDMETHODIMP setTrace(IDispatch* trace) override;
    STDMETHODIMP setTraceTyp(LONG type) override;
    STDMETHODIMP Initialize(IVEX_Factory* factory, IVEX_GeneralDocumentContainer* doccontainer,
                            IVEX_Environment* newval) override;
    void STDMETHODCALLTYPE forgetFactory() override;

    // Table documents.
    STDMETHODIMP activatexmlsource(VARIANT xmlData) override;
    STDMETHODIMP activatexmlsource_gui(BSTR url) override;
    STDMETHODIMP setxml_gui(VARIANT xmlData) override;
    STDMETHODIMP xmlSource(BSTR newval) override;

    // The workbook.
    STDMETHODIMP printdocument(LONG userprompt) override;
    STDMETHODIMP runmacro(BSTR name) override;

protected:
    CVEX_Spreadsheet_Wob();

private:
    // Makes the workbook object and a fresh engine for it ready, when none is or a rendering asked
    // for them anew.
    HRESULT getSpreadsheet();
    // The document text: a string or UTF-8 bytes handed in, else the factory's last transfer. text is
    // the string handed in, or m_xmlSource.
    HRESULT take_document_text(const VARIANT& xmlData, BSTR& text);
    HRESULT parse_xmlData(BSTR xml);
    HRESULT setExcelVisible(BYTE visible);
    HRESULT setExcelVisible_OutplaceWorkaround(BYTE visible) override;

    // What the parser asks of the engine while it reads, and where each area goes.
    table::Status getDecimalseparator(table::Text& separator) override;
    table::Status getJustifyValues(table::TextView code, std::int32_t& value) override;
    table::Status getFormatUnit(std::int32_t decimals, table::TextView unit, table::Text& format) override;
    table::Status update_TBXToExcel(const table::TableModel& area) override;

    IVEX_Spreadsheet* self() noexcept { return static_cast<IVEX_Spreadsheet*>(this); }

    Tracer m_trace;
    table::windows::TracerSink m_traceSink{m_trace};
    FactoryLink m_pfactory;
    com::com_ptr<IVEX_GeneralDocumentContainer> m_pdoccontainer;
    com::com_ptr<IVEX_Environment> m_penvironment;
    com::unique_bstr m_xmlSource;
    com::unique_variant m_xmlData_gui;
    CVEX_AutomationCalls m_automation;
    // The engine for the current workbook object, re-created with it.
    std::optional<CVEX_Spreadsheet_Excel_Wob> m_spreadsheet;
    // The engine's own trace object, handed to each engine.
    com::com_ptr<IVEX_Trace> m_engineTrace;
    com::com_ptr<IDispatch> m_pspreadsheet;
    double m_minVersion = 2.1;
    bool m_reload = true;
};

HRESULT create_spreadsheet_component(IUnknown* outer, REFIID iid, void** out) noexcept;

} // namespace vex
