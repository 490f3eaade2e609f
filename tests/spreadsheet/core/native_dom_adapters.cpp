// The native build runs the document tests against the pugixml adapter.
#include "native/pugixml_dom.h"
#include "support/dom_adapters.h"

namespace vex::table::testing {

std::vector<DomAdapter> dom_adapters() {
    return {{"pugixml", [] { return std::make_unique<native::PugiXmlDomFactory>(); }, true}};
}

} // namespace vex::table::testing
