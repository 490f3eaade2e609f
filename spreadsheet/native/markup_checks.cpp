// One pass over the markup of a document that pugixml has parsed.
#include "native/markup_checks.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "native/xml_references.h"

namespace vex::table::native {

namespace {

struct Declaration {
    TextView prefix;
    std::size_t depth;
};

struct Attribute {
    TextView name;
    TextView value;
};

bool is_space(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

bool is_name_end(char16_t c) {
    return c <= u'>' &&
           (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'/' || c == u'>' || c == u'=');
}

bool starts_with(TextView text, std::size_t at, TextView prefix) {
    return text.substr(at, prefix.size()) == prefix;
}

// Splits a qualified name; false when it is not a valid one ("a:", ":a", "a:b:c").
bool split_qualified(TextView name, TextView& prefix) {
    const std::size_t colon = name.find(u':');
    if (colon == TextView::npos) {
        prefix = {};
        return !name.empty();
    }
    prefix = name.substr(0, colon);
    const TextView local = name.substr(colon + 1);
    return !prefix.empty() && !local.empty() && local.find(u':') == TextView::npos;
}

bool is_xml_target(TextView target) {
    return target.size() == 3 && (target[0] | 0x20) == u'x' && (target[1] | 0x20) == u'm' &&
           (target[2] | 0x20) == u'l';
}

class MarkupChecker {
public:
    explicit MarkupChecker(TextView text) : m_text(text) {}
    MarkupFailure run();

private:
    MarkupFailure fail(const char* reason, std::size_t position) const { return {reason, position}; }
    bool references_valid(TextView raw) const;
    bool declared(TextView prefix) const;
    MarkupFailure start_tag(std::size_t& i);
    void close_scope() {
        while (!m_scopes.empty() && m_scopes.back().depth >= m_depth) {
            m_scopes.pop_back();
        }
    }

    TextView m_text;
    std::size_t m_depth = 0;
    std::vector<Declaration> m_scopes;
    std::vector<Attribute> m_attributes;
    bool m_xmlSpace = false;
};

bool MarkupChecker::references_valid(TextView raw) const {
    for (std::size_t at = raw.find(u'&'); at != TextView::npos; at = raw.find(u'&', at + 1)) {
        std::uint32_t code = 0;
        std::size_t length = 0;
        if (!read_reference<char16_t>(raw.substr(at + 1), code, length)) {
            return false;
        }
    }
    return true;
}

bool MarkupChecker::declared(TextView prefix) const {
    if (prefix == u"xml") {
        return true;
    }
    return std::any_of(m_scopes.rbegin(), m_scopes.rend(),
                       [&](const Declaration& d) { return d.prefix == prefix; });
}

// Index of the first "<" or "&" at or after i, or the size of the text. Eight units at a time
// where SSE2 is there: most of a document is names and values between tags.
std::size_t next_markup(TextView text, std::size_t i) {
    const std::size_t size = text.size();
    const char16_t* data = text.data();
#if defined(__SSE2__)
    const __m128i less = _mm_set1_epi16(static_cast<short>(u'<'));
    const __m128i ampersand = _mm_set1_epi16(static_cast<short>(u'&'));
    while (i + 8 <= size) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        const __m128i hits = _mm_or_si128(_mm_cmpeq_epi16(units, less), _mm_cmpeq_epi16(units, ampersand));
        const int mask = _mm_movemask_epi8(hits);
        if (mask != 0) {
            return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask))) / 2;
        }
        i += 8;
    }
#endif
    while (i < size && data[i] != u'<' && data[i] != u'&') {
        ++i;
    }
    return i;
}

MarkupFailure MarkupChecker::run() {
    const std::size_t size = m_text.size();
    // A leading byte order mark is no content.
    const std::size_t start = size > 0 && m_text[0] == 0xFEFF ? 1 : 0;
    std::size_t i = start;
    while ((i = next_markup(m_text, i)) < size) {
        if (m_text[i] == u'&') {
            std::uint32_t code = 0;
            std::size_t length = 0;
            if (!read_reference<char16_t>(m_text.substr(i + 1), code, length)) {
                return fail("Reference to undefined entity.", i);
            }
            i += 1 + length;
            continue;
        }
        const std::size_t tag = i;
        const char16_t kind = i + 1 < size ? m_text[i + 1] : u'\0';
        if (kind == u'/') {
            close_scope();
            if (m_depth > 0) {
                --m_depth;
            }
            // The rest of an end tag holds no "<" or "&": the scan for the next markup passes it.
            i += 2;
        } else if (kind == u'?') {
            std::size_t name_end = i + 2;
            while (name_end < size && !is_space(m_text[name_end]) && m_text[name_end] != u'?') {
                ++name_end;
            }
            if (is_xml_target(m_text.substr(i + 2, name_end - i - 2)) && tag != start) {
                return fail("The XML declaration must be the first node.", tag);
            }
            const std::size_t end = m_text.find(u"?>", name_end);
            i = end == TextView::npos ? size : end + 2;
        } else if (kind == u'!') {
            if (starts_with(m_text, i, u"<!--")) {
                const std::size_t end = m_text.find(u"-->", i + 4);
                i = end == TextView::npos ? size : end + 3;
            } else if (starts_with(m_text, i, u"<![CDATA[")) {
                const std::size_t end = m_text.find(u"]]>", i + 9);
                i = end == TextView::npos ? size : end + 3;
            } else {
                return fail("DTD is prohibited.", tag);
            }
        } else if (const MarkupFailure failure = start_tag(i); failure.reason != nullptr) {
            return failure;
        }
    }
    return {nullptr, 0, m_xmlSpace};
}

// Reads the start tag at text[i] ("<"), checks its names and attributes and moves i past it.
MarkupFailure MarkupChecker::start_tag(std::size_t& i) {
    const std::size_t size = m_text.size();
    const std::size_t tag = i;
    std::size_t at = i + 1;
    bool has_colon = false;
    while (at < size && !is_name_end(m_text[at])) {
        has_colon |= m_text[at] == u':';
        ++at;
    }
    const TextView name = m_text.substr(i + 1, at - i - 1);
    m_attributes.clear();
    bool empty_element = false;
    while (at < size) {
        while (at < size && is_space(m_text[at])) {
            ++at;
        }
        if (at >= size) {
            break;
        }
        if (m_text[at] == u'>') {
            ++at;
            break;
        }
        if (m_text[at] == u'/') {
            empty_element = true;
            at = std::min(size, at + 2);
            break;
        }
        const std::size_t name_start = at;
        while (at < size && !is_name_end(m_text[at])) {
            ++at;
        }
        const TextView attribute = m_text.substr(name_start, at - name_start);
        while (at < size && (is_space(m_text[at]) || m_text[at] == u'=')) {
            ++at;
        }
        if (at >= size || (m_text[at] != u'"' && m_text[at] != u'\'')) {
            // Not markup pugixml would have accepted; leave the verdict to it.
            i = size;
            return {};
        }
        const char16_t quote = m_text[at];
        const std::size_t value_end = m_text.find(quote, at + 1);
        if (value_end == TextView::npos) {
            i = size;
            return {};
        }
        const TextView value = m_text.substr(at + 1, value_end - at - 1);
        if (value.find(u'<') != TextView::npos) {
            return fail("The character '<' cannot be used in an attribute value.", at + 1);
        }
        if (!references_valid(value)) {
            return fail("Reference to undefined entity.", at + 1);
        }
        m_attributes.push_back({attribute, value});
        m_xmlSpace = m_xmlSpace || attribute == u"xml:space";
        at = value_end + 1;
    }
    i = at;

    ++m_depth;
    // Duplicates: a few attributes are compared pairwise, many are sorted first.
    if (m_attributes.size() <= 16) {
        for (std::size_t a = 0; a < m_attributes.size(); ++a) {
            for (std::size_t b = a + 1; b < m_attributes.size(); ++b) {
                if (m_attributes[a].name == m_attributes[b].name) {
                    return fail("Duplicate attribute.", tag);
                }
            }
        }
    } else {
        std::vector<TextView> names;
        names.reserve(m_attributes.size());
        for (const auto& attribute : m_attributes) {
            names.push_back(attribute.name);
        }
        std::sort(names.begin(), names.end());
        if (std::adjacent_find(names.begin(), names.end()) != names.end()) {
            return fail("Duplicate attribute.", tag);
        }
    }
    // Declarations first: an element may use the prefix it declares itself.
    for (const auto& attribute : m_attributes) {
        if (attribute.name.substr(0, 6) == u"xmlns:") {
            if (attribute.value.empty()) {
                return fail("A namespace prefix may not be declared empty.", tag);
            }
            m_scopes.push_back({attribute.name.substr(6), m_depth});
        }
    }
    TextView prefix;
    if (name.empty() || (has_colon && !split_qualified(name, prefix))) {
        return fail("Invalid qualified name.", tag);
    }
    if (prefix == u"xmlns") {
        return fail("Elements may not use the prefix 'xmlns'.", tag);
    }
    if (!prefix.empty() && !declared(prefix)) {
        return fail("Reference to undeclared namespace prefix.", tag);
    }
    for (const auto& attribute : m_attributes) {
        if (!split_qualified(attribute.name, prefix)) {
            return fail("Invalid qualified name.", tag);
        }
        if (!prefix.empty() && prefix != u"xmlns" && !declared(prefix)) {
            return fail("Reference to undeclared namespace prefix.", tag);
        }
    }
    if (empty_element) {
        close_scope();
        --m_depth;
    }
    return {};
}

} // namespace

MarkupFailure check_markup(TextView text) {
    return MarkupChecker(text).run();
}

} // namespace vex::table::native
