// Checks on the top level of a parsed pugixml document that MSXML makes at load.
#pragma once

#include <pugixml.hpp>

namespace vex::table::native {

struct CheckFailure {
    const char* reason = nullptr; // null when the document passed
    pugi::xml_node node;          // the node at fault
};

// One root element, no text beside it, no DOCTYPE, the declaration only as the first node.
CheckFailure check_top_level(const pugi::xml_document& document);

} // namespace vex::table::native
