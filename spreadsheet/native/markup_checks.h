// Checks on the markup of a document text that MSXML makes and pugixml does not: namespace prefixes
// declared in scope, defined references, no "<" in attribute values, no duplicate attributes, no
// DOCTYPE, the XML declaration only at the start.
//
// They run over the UTF-16 text in one linear pass, after pugixml has accepted its structure, so
// they cost about as much as reading the text once and nothing per DOM node.
#pragma once

#include <cstddef>

#include "core/text.h"

namespace vex::table::native {

struct MarkupFailure {
    const char* reason = nullptr; // null when the text passed
    std::size_t position = 0;     // UTF-16 offset of the fault
    // Some element of a text that passed carries an "xml:space" attribute, which changes how
    // whitespace is read inside it.
    bool xmlSpace = false;
};

MarkupFailure check_markup(TextView text);

} // namespace vex::table::native
