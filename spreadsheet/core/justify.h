// Justification codes of the field descriptions as Excel horizontal alignment values.
#pragma once

#include <cstdint>
#include <optional>

#include "core/text.h"

namespace vex::table {

inline constexpr std::int32_t justify_left = -4131;
inline constexpr std::int32_t justify_right = -4152;
inline constexpr std::int32_t justify_centre = -4108;

// "L", "R", "C" (exact, case matters) give left, right, centre; any other code gives nothing, and
// the caller falls back to the general alignment (1) with the warning "No valid JustifyValue:".
std::optional<std::int32_t> justify_value(TextView code);

// The warning text for a code without alignment: "No valid JustifyValue:" followed by the code.
Text invalid_justify_warning(TextView code);

} // namespace vex::table
