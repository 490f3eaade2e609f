// Conversion of "#RRGGBB" colour texts.
#include "core/colour_text.h"

namespace vex::table {

std::uint8_t CharToByt(char16_t digit) {
    if (digit >= u'0' && digit <= u'9') {
        return static_cast<std::uint8_t>(digit - u'0');
    }
    if (digit >= u'A' && digit <= u'F') {
        return static_cast<std::uint8_t>(digit - u'A' + 10);
    }
    return 0;
}

Status getRGBValue(TextView text, std::uint32_t& rgb) {
    if (text.size() < 7) {
        return status_fail;
    }
    std::uint32_t bytes[3];
    for (int i = 0; i < 3; ++i) {
        bytes[i] = static_cast<std::uint32_t>(CharToByt(text[1 + 2 * i]) * 16 + CharToByt(text[2 + 2 * i]));
    }
    rgb = bytes[0] + 256u * bytes[1] + 65536u * bytes[2];
    return status_ok;
}

} // namespace vex::table
