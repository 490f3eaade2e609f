// "tbx:LAYOUT": the colour table and the number of fixed columns of an area.
#include <cmath>
#include <cstdint>
#include <limits>

#include "core/colour_text.h"
#include "core/name_lookup.h"
#include "core/table_parser.h"

namespace vex::table {

namespace {

constexpr std::int32_t colour_slots = 8;
constexpr std::int32_t last_colour_code = 8;
constexpr std::int32_t fixed_columns_code = 11;

// Narrows to single precision; a value beyond its range becomes an infinity of the same sign.
float to_float(double value) {
    if (std::fabs(value) > std::numeric_limits<float>::max()) {
        return value > 0 ? std::numeric_limits<float>::infinity() : -std::numeric_limits<float>::infinity();
    }
    return static_cast<float>(value);
}

} // namespace

Status TableParser::extract_xmlData_Layout(NodeHandle layout, std::vector<Colour>& colours,
                                           float& fixedColumns) {
    static constexpr TextView method = u"extract_xmlData_Layout";
    m_trace.enter(method);
    fixedColumns = 0.0f;
    colours.assign(colour_slots, Colour{});
    NodeRef child(*m_dom);
    Status status = first_child(layout, child);
    Text name;
    Text value;
    for (; child; status = getNextSibling(child)) {
        if (failed(status)) {
            return status;
        }
        if (failed(status = read_name(child.get(), name, u"pChildNode->get_nodeName failed"))) {
            return status;
        }
        const std::int32_t code =
            GetXmlIndexFromName(name, static_cast<std::int32_t>(LookupTable::layout_children));
        if (code == not_found) {
            m_trace.error(u": invalid task type: ", name, status_fail);
            return status_fail;
        }
        if (code > last_colour_code && code != fixed_columns_code) {
            continue;
        }
        if (failed(status = read_value(child.get(), value, u"pChildNode->get_nodeTypedValue failed"))) {
            return status;
        }
        if (code == fixed_columns_code) {
            fixedColumns = to_float(read_double(value));
            continue;
        }
        // Each colour is inserted at its slot; the entries from there on move one place back.
        Colour colour;
        if (!value.empty()) {
            std::uint32_t rgb = 0;
            if (failed(status = getRGBValue(value, rgb))) {
                m_trace.error(u"getRGBValue", status);
                return status;
            }
            colour = rgb;
        }
        colours.insert(colours.begin() + code, colour);
    }
    if (failed(status)) {
        return status;
    }
    m_trace.leave(method, status_ok);
    return status_ok;
}

} // namespace vex::table
