// The native build runs the document tests against the pugixml adapter and the streaming adapter.
// The streaming adapter runs twice: as configured by default, and reading two units at a time while
// holding nothing for the text of an ancestor, so that the tests pass its read boundaries and the
// pass it makes for such a text.
#include "native/pugixml_dom.h"
#include "native/streaming_dom.h"
#include "support/dom_adapters.h"

namespace vex::table::testing {

std::vector<DomAdapter> dom_adapters() {
    const native::StreamingOptions tight{2, 0};
    return {
        {"pugixml", [] { return std::make_unique<native::PugiXmlDomFactory>(); }, true},
        {"streaming", [] { return std::make_unique<native::StreamingXmlDomFactory>(); }, true, false, true},
        {"streaming_tight", [tight] { return std::make_unique<native::StreamingXmlDomFactory>(tight); }, true,
         false, true},
    };
}

} // namespace vex::table::testing
