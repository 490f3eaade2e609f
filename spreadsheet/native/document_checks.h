// Load-time checks that make a pugixml document refuse what MSXML refuses.
#pragma once

#include <pugixml.hpp>

namespace vex::table::native {

struct CheckFailure {
    const char* reason = nullptr; // null when the document passed
    pugi::xml_node node;          // the node at fault
};

// Walks the whole document without recursion, so nesting depth costs no stack.
CheckFailure check_document(const pugi::xml_document& document);

} // namespace vex::table::native
