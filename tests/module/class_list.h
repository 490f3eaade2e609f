// The six classes as a host sees them, for tests that go over all of them.
#pragma once

#include "module/interfaces.h"

#include <objbase.h>

namespace vex::test {

struct ClassUnderTest {
    const wchar_t* name;
    const CLSID* clsid;
    const wchar_t* progid;
    const IID* default_interface;
    bool aggregatable;
};

inline const ClassUnderTest all_classes[] = {
    {L"environment", &CLSID_VEX_Environment_Karvo, L"KEM.VEX_Environment_Gui", &IID_IVEX_Environment, false},
    {L"factory", &CLSID_VEX_Factory, L"KEM.VEX_Factory_Gui", &IID_IVEX_Factory, true},
    {L"container", &CLSID_VEX_GeneralDocumentContainer_Karvo, L"KEM.VEX_GeneralDContainer_Gui",
     &IID_IVEX_GeneralDocumentContainer, true},
    {L"spreadsheet", &CLSID_VEX_Spreadsheet_Wob, L"KEM.VEX_Spreadsheet_Gui", &IID_IVEX_Spreadsheet, true},
    {L"trace", &CLSID_VEX_Trace_Karvo, L"KEM.VEX_Trace_Gui", &IID_IVEX_Trace, true},
    {L"word", &CLSID_VEX_Word_Wob, L"KEM.VEX_Word_Gui", &IID_IVEX_Word, true},
};

} // namespace vex::test
