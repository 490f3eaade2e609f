// Mapping of justification codes.
#include "core/justify.h"

namespace vex::table {

std::optional<std::int32_t> justify_value(TextView code) {
    if (code == u"L") {
        return justify_left;
    }
    if (code == u"R") {
        return justify_right;
    }
    if (code == u"C") {
        return justify_centre;
    }
    return std::nullopt;
}

Text invalid_justify_warning(TextView code) {
    return concat(u"No valid JustifyValue:", code);
}

} // namespace vex::table
