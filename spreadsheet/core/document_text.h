// The text of a table document as the parser and a streaming DOM read it: forward from its start, in
// pieces, as often as needed, without the whole text ever being in memory.
//
// A text in memory is one kind (TextViewDocument); the native build reads files and standard input,
// decoding UTF-8 as it reads (native/file_text.h). Lengths and positions count UTF-16 units, as on a
// whole text.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>

#include "core/status.h"
#include "core/text.h"

namespace vex::table {

// Reads one text forward.
class TextReader {
public:
    virtual ~TextReader() = default;
    // Reads up to capacity (at least 2) UTF-16 units into buffer; a count of 0 marks the end.
    virtual Status read(char16_t* buffer, std::size_t capacity, std::size_t& count) = 0;
};

class DocumentText {
public:
    virtual ~DocumentText() = default;
    // A reader from the start of the text. Readers are independent of each other.
    virtual Status open(std::unique_ptr<TextReader>& reader) = 0;
    // The last units UTF-16 units of the text, all of it when it is shorter.
    virtual Status tail(std::size_t units, Text& out) = 0;
    // The whole text when it is in memory anyway.
    virtual std::optional<TextView> whole() const { return std::nullopt; }
};

// A text in memory, which must outlive the document and its readers.
class TextViewDocument final : public DocumentText {
public:
    explicit TextViewDocument(TextView text) : m_text(text) {}
    Status open(std::unique_ptr<TextReader>& reader) override;
    Status tail(std::size_t units, Text& out) override;
    std::optional<TextView> whole() const override { return m_text; }

private:
    TextView m_text;
};

// Reads the whole text into out.
Status read_whole(DocumentText& text, Text& out);

} // namespace vex::table
