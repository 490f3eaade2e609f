// The DOM adapters the document tests run against. Each build defines dom_adapters() with the
// adapters it has: natively pugixml, on Windows MSXML.
#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "core/xml_dom.h"

namespace vex::table::testing {

struct DomAdapter {
    std::string name;
    std::function<std::unique_ptr<XmlDomFactory>()> make;
    // False where the DOM gives no line and position for a load error (Wine's MSXML).
    bool reports_error_position = true;
    // MSXML as Wine provides it. Where it differs from real MSXML the tests say so and expect what
    // Wine does, with what real MSXML does beside it.
    bool wine_msxml = false;
    // Walks forward only (the streaming adapter): a test that looks at a document again loads it
    // again.
    bool forward_only = false;
};

std::vector<DomAdapter> dom_adapters();

inline void PrintTo(const DomAdapter& adapter, std::ostream* os) {
    *os << adapter.name;
}

} // namespace vex::table::testing
