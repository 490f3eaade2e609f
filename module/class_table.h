// The six creatable classes, in the order in which their class objects are looked up, registered
// and unregistered.
#pragma once

#include "com/class_factory.h"
#include "com/control/control.h"

#include <span>

namespace vex::module {

enum class ClassIndex { environment, factory, container, spreadsheet, trace, word };

struct ClassEntry {
    const CLSID* clsid;
    UINT script;               // REGISTRY resource with the class's registrar script
    com::ControlClass control; // misc status (also %OLEMISC%), label, default source interface
    bool aggregatable;
    com::CreateFunction create; // null for a class this build does not provide
};

std::span<const ClassEntry> class_table() noexcept;
const com::ControlClass& control_class(ClassIndex index) noexcept;

} // namespace vex::module
