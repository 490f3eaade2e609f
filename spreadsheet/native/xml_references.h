// Character and entity references in raw XML text ("&amp;", "&#233;", "&#xE9;").
#pragma once

#include <string_view>

#include "core/text.h"

namespace vex::table::native {

// True when every "&" in raw text starts one of the five predefined entity references or a
// character reference to a character that XML allows.
bool references_valid(std::string_view raw);

// Appends raw UTF-8 text to out as UTF-16, replacing each reference by its character.
void append_decoded(Text& out, std::string_view raw);

} // namespace vex::table::native
