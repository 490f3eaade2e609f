// Well-formedness and namespace checks over a parsed document.
#include "native/document_checks.h"

#include <cstring>
#include <string_view>
#include <vector>

#include "native/xml_references.h"

namespace vex::table::native {

namespace {

struct Declaration {
    std::string_view prefix;
    int depth;
};

class Checker {
public:
    CheckFailure run(const pugi::xml_document& document);

private:
    const char* check_top_level(const pugi::xml_document& document);
    const char* check_element(pugi::xml_node element, int depth);
    const char* check_text(pugi::xml_node node);
    bool declared(std::string_view prefix) const;
    void leave(int depth) {
        while (!m_scopes.empty() && m_scopes.back().depth >= depth) {
            m_scopes.pop_back();
        }
    }

    std::vector<Declaration> m_scopes;
};

// Splits a qualified name; false when it is not a valid one ("a:", ":a", "a:b:c").
bool split_qualified(std::string_view name, std::string_view& prefix, std::string_view& local) {
    const std::size_t colon = name.find(':');
    if (colon == std::string_view::npos) {
        prefix = {};
        local = name;
        return !name.empty();
    }
    prefix = name.substr(0, colon);
    local = name.substr(colon + 1);
    return !prefix.empty() && !local.empty() && local.find(':') == std::string_view::npos;
}

bool is_reserved_target(std::string_view target) {
    return target.size() == 3 && (target[0] == 'x' || target[0] == 'X') &&
           (target[1] == 'm' || target[1] == 'M') && (target[2] == 'l' || target[2] == 'L');
}

CheckFailure Checker::run(const pugi::xml_document& document) {
    if (const char* reason = check_top_level(document)) {
        return {reason, {}};
    }
    pugi::xml_node node = document.first_child();
    int depth = 1;
    while (node) {
        const char* reason = nullptr;
        switch (node.type()) {
        case pugi::node_element:
            reason = check_element(node, depth);
            break;
        case pugi::node_pcdata:
            reason = check_text(node);
            break;
        case pugi::node_pi:
            reason = is_reserved_target(node.name()) ? "A processing instruction may not be named 'xml'."
                                                     : nullptr;
            break;
        case pugi::node_declaration:
            reason = node == document.first_child() ? nullptr : "The XML declaration must be the first node.";
            break;
        case pugi::node_doctype:
            reason = "DTD is prohibited.";
            break;
        default:
            break;
        }
        if (reason != nullptr) {
            return {reason, node};
        }
        if (node.first_child()) {
            node = node.first_child();
            ++depth;
            continue;
        }
        // Leave finished nodes until one has a next sibling.
        while (node) {
            leave(depth);
            if (node.next_sibling()) {
                node = node.next_sibling();
                break;
            }
            node = node.parent();
            --depth;
            if (node == document) {
                node = pugi::xml_node();
            }
        }
    }
    return {};
}

const char* Checker::check_top_level(const pugi::xml_document& document) {
    int elements = 0;
    for (pugi::xml_node node = document.first_child(); node; node = node.next_sibling()) {
        if (node.type() == pugi::node_element && ++elements > 1) {
            return "Only one top level element is allowed in an XML document.";
        }
        if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata) {
            return "Text is not allowed at the top level of a document.";
        }
    }
    return nullptr;
}

bool Checker::declared(std::string_view prefix) const {
    if (prefix == "xml") {
        return true;
    }
    for (auto it = m_scopes.rbegin(); it != m_scopes.rend(); ++it) {
        if (it->prefix == prefix) {
            return true;
        }
    }
    return false;
}

const char* Checker::check_element(pugi::xml_node element, int depth) {
    std::string_view prefix;
    std::string_view local;
    if (!split_qualified(element.name(), prefix, local)) {
        return "Invalid qualified name.";
    }
    // Declarations first: an element may use the prefix it declares itself.
    for (pugi::xml_attribute attribute = element.first_attribute(); attribute;
         attribute = attribute.next_attribute()) {
        const std::string_view name = attribute.name();
        const std::string_view value = attribute.value();
        if (value.find('<') != std::string_view::npos) {
            return "The character '<' cannot be used in an attribute value.";
        }
        if (!references_valid(value)) {
            return "Reference to undefined entity.";
        }
        for (pugi::xml_attribute other = element.first_attribute(); other != attribute;
             other = other.next_attribute()) {
            if (name == other.name()) {
                return "Duplicate attribute.";
            }
        }
        if (name.substr(0, 6) == "xmlns:") {
            if (value.empty()) {
                return "A namespace prefix may not be declared empty.";
            }
            m_scopes.push_back({name.substr(6), depth});
        }
    }
    if (prefix == "xmlns") {
        return "Elements may not use the prefix 'xmlns'.";
    }
    if (!prefix.empty() && !declared(prefix)) {
        return "Reference to undeclared namespace prefix.";
    }
    for (pugi::xml_attribute attribute = element.first_attribute(); attribute;
         attribute = attribute.next_attribute()) {
        std::string_view attribute_prefix;
        std::string_view attribute_local;
        if (!split_qualified(attribute.name(), attribute_prefix, attribute_local)) {
            return "Invalid qualified name.";
        }
        if (!attribute_prefix.empty() && attribute_prefix != "xmlns" && !declared(attribute_prefix)) {
            return "Reference to undeclared namespace prefix.";
        }
    }
    return nullptr;
}

const char* Checker::check_text(pugi::xml_node node) {
    return references_valid(node.value()) ? nullptr : "Reference to undefined entity.";
}

} // namespace

CheckFailure check_document(const pugi::xml_document& document) {
    return Checker().run(document);
}

} // namespace vex::table::native
