// A document text read from a file or from standard input, decoded from UTF-8 as it is read: the
// units a reader gives are those from_utf8 makes of the whole file (each malformed byte a U+FFFD).
//
// Readers read the file at their own offsets, so any number of them can be open, and the file is read
// again for each: standard input, which can be read once only, is first copied to an unnamed
// temporary file (never into memory).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "core/document_text.h"

namespace vex::table::native {

class FileText final : public DocumentText {
public:
    // Bytes a reader takes from the file at a time.
    static constexpr std::size_t default_read_size = 65536;

    // Opens the file at path for reading; "-" stands for standard input.
    static Status open_path(const std::string& path, std::unique_ptr<FileText>& text);
    // Copies everything that can be read from descriptor to an unnamed temporary file in TMPDIR
    // (or /tmp) and reads that. The descriptor stays open.
    static Status spool(int descriptor, std::unique_ptr<FileText>& text);

    ~FileText() override;
    FileText(const FileText&) = delete;
    FileText& operator=(const FileText&) = delete;

    Status open(std::unique_ptr<TextReader>& reader) override;
    Status tail(std::size_t units, Text& out) override;

    // Makes readers opened from now on take bytes pieces at a time (at least 1).
    void set_read_size(std::size_t bytes) { m_readSize = bytes == 0 ? 1 : bytes; }
    std::uint64_t size_in_bytes() const { return m_size; }

private:
    FileText(int descriptor, std::uint64_t size) : m_descriptor(descriptor), m_size(size) {}

    int m_descriptor;
    std::uint64_t m_size;
    std::size_t m_readSize = default_read_size;
};

} // namespace vex::table::native
