// Top-level checks of a parsed document.
#include "native/document_checks.h"

namespace vex::table::native {

CheckFailure check_top_level(const pugi::xml_document& document) {
    int elements = 0;
    for (pugi::xml_node node = document.first_child(); node; node = node.next_sibling()) {
        switch (node.type()) {
        case pugi::node_element:
            if (++elements > 1) {
                return {"Only one top level element is allowed in an XML document.", node};
            }
            break;
        case pugi::node_pcdata:
        case pugi::node_cdata:
            return {"Text is not allowed at the top level of a document.", node};
        case pugi::node_doctype:
            return {"DTD is prohibited.", node};
        case pugi::node_declaration:
            if (node != document.first_child()) {
                return {"The XML declaration must be the first node.", node};
            }
            break;
        default:
            break;
        }
    }
    return {};
}

} // namespace vex::table::native
