#include "module/class_table.h"

#include "container/container.h"
#include "environment/environment.h"
#include "factory/factory.h"
#include "module/interfaces.h"
#include "module/resource.h"
#include "spreadsheet/spreadsheet.h"
#include "trace/trace.h"
#include "word/word.h"

namespace vex::module {
namespace {

// OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE | OLEMISC_ACTIVATEWHENVISIBLE |
// OLEMISC_SETCLIENTSITEFIRST | OLEMISC_INSIDEOUT
constexpr DWORD control_misc = 0x20191;
// ... and OLEMISC_INVISIBLEATRUNTIME for the factory.
constexpr DWORD factory_misc = 0x20591;

const ClassEntry g_classes[] = {
    {&CLSID_VEX_Environment_Karvo,
     IDR_VEX_ENVIRONMENT,
     {&CLSID_VEX_Environment_Karvo,
      control_misc,
      "ATL 7.0 : VEX_Environment_Karvo",
      nullptr,
      {L"KEM.VEX_Environment_Gui", &IID_IVEX_Environment}},
     false,
     create_environment_component},
    {&CLSID_VEX_Factory,
     IDR_VEX_FACTORY,
     {&CLSID_VEX_Factory,
      factory_misc,
      "ATL 7.0 : VEX_Factory",
      nullptr,
      {L"KEM.VEX_Factory_Gui", &IID_IVEX_Factory}},
     true,
     create_factory_component},
    {&CLSID_VEX_GeneralDocumentContainer_Karvo,
     IDR_VEX_GENERALDOCUMENTCONTAINER,
     {&CLSID_VEX_GeneralDocumentContainer_Karvo,
      control_misc,
      "ATL 7.0 : VEX_GeneralDocumentContainer",
      &DIID__IVEX_GeneralDocumentContainerEvents,
      {L"KEM.VEX_GeneralDContainer_Gui", &IID_IVEX_GeneralDocumentContainer}},
     true,
     create_container_component},
    {&CLSID_VEX_Spreadsheet_Wob,
     IDR_VEX_SPREADSHEET,
     {&CLSID_VEX_Spreadsheet_Wob,
      control_misc,
      "ATL 7.0 : VEX_Spreadsheet_Wob",
      nullptr,
      {L"KEM.VEX_Spreadsheet_Gui", &IID_IVEX_Spreadsheet}},
     true,
     create_spreadsheet_component},
    {&CLSID_VEX_Trace_Karvo,
     IDR_VEX_TRACE,
     {&CLSID_VEX_Trace_Karvo,
      control_misc,
      "ATL 7.0 : VEX_Trace",
      nullptr,
      {L"KEM.VEX_Trace_Gui", &IID_IVEX_Trace}},
     true,
     create_trace_component},
    {&CLSID_VEX_Word_Wob,
     IDR_VEX_WORD,
     {&CLSID_VEX_Word_Wob,
      control_misc,
      "ATL 8.0 : VEX_Word_Wob",
      nullptr,
      {L"KEM.VEX_Word_Gui", &IID_IVEX_Word}},
     true,
     create_word_component},
};

} // namespace

std::span<const ClassEntry> class_table() noexcept {
    return g_classes;
}

const com::ControlClass& control_class(ClassIndex index) noexcept {
    return g_classes[static_cast<size_t>(index)].control;
}

} // namespace vex::module
