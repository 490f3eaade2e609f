// A text in memory as a document text, and reading a document text whole.
#include "core/document_text.h"

#include <algorithm>

namespace vex::table {

namespace {

class TextViewReader final : public TextReader {
public:
    explicit TextViewReader(TextView text) : m_rest(text) {}
    Status read(char16_t* buffer, std::size_t capacity, std::size_t& count) override {
        count = std::min(capacity, m_rest.size());
        std::copy_n(m_rest.data(), count, buffer);
        m_rest.remove_prefix(count);
        return status_ok;
    }

private:
    TextView m_rest;
};

} // namespace

Status TextViewDocument::open(std::unique_ptr<TextReader>& reader) {
    reader = std::make_unique<TextViewReader>(m_text);
    return status_ok;
}

Status TextViewDocument::tail(std::size_t units, Text& out) {
    out.assign(m_text.substr(m_text.size() - std::min(units, m_text.size())));
    return status_ok;
}

Status read_whole(DocumentText& text, Text& out) {
    out.clear();
    if (const std::optional<TextView> whole = text.whole()) {
        out.assign(*whole);
        return status_ok;
    }
    std::unique_ptr<TextReader> reader;
    if (const Status status = text.open(reader); failed(status)) {
        return status;
    }
    constexpr std::size_t piece = 65536;
    for (;;) {
        const std::size_t used = out.size();
        out.resize(used + piece);
        std::size_t count = 0;
        if (const Status status = reader->read(out.data() + used, piece, count); failed(status)) {
            out.clear();
            return status;
        }
        out.resize(used + count);
        if (count == 0) {
            return status_ok;
        }
    }
}

} // namespace vex::table
