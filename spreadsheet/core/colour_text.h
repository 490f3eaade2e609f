// Colour texts of the table layout ("#RRGGBB") as Excel colour values.
#pragma once

#include <cstdint>

#include "core/status.h"
#include "core/text.h"

namespace vex::table {

// Value of one hexadecimal digit: "0"-"9" and upper-case "A"-"F"; any other character gives 0.
std::uint8_t CharToByt(char16_t digit);

// Reads the six digits after the first character, two per byte in the order red, green, blue, and
// gives red + 256 * green + 65536 * blue (Excel's order, red in the low byte). A text shorter than
// seven characters is not a colour text: status_fail.
Status getRGBValue(TextView text, std::uint32_t& rgb);

} // namespace vex::table
