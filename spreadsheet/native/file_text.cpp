// Files and standard input as document texts.
#include "native/file_text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>

namespace vex::table::native {

namespace {

// The HRESULT of an errno value: not found and access denied as Windows reports them, E_FAIL else.
Status errno_status(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return static_cast<Status>(0x80070002u);
    case EACCES:
    case EPERM:
        return static_cast<Status>(0x80070005u);
    case ENOMEM:
        return status_out_of_memory;
    default:
        return status_fail;
    }
}

// Bytes of the sequence a lead byte starts; 1 for a byte that starts none.
std::size_t sequence_length(unsigned char lead) {
    if ((lead & 0xE0u) == 0xC0u) {
        return 2;
    }
    if ((lead & 0xF0u) == 0xE0u) {
        return 3;
    }
    if ((lead & 0xF8u) == 0xF0u) {
        return 4;
    }
    return 1;
}

// Reads size bytes at offset, fewer only at the end of the file.
Status read_at(int descriptor, std::uint64_t offset, char* buffer, std::size_t size, std::size_t& got) {
    got = 0;
    while (got < size) {
        const ssize_t n = pread(descriptor, buffer + got, size - got, static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return errno_status(errno);
        }
        if (n == 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    return status_ok;
}

class FileReader final : public TextReader {
public:
    FileReader(int descriptor, std::uint64_t size, std::size_t readSize)
        : m_descriptor(descriptor), m_size(size), m_readSize(readSize) {}

    // Gives what the bytes read so far decode to, reading once more when they decode to nothing yet.
    Status read(char16_t* out, std::size_t capacity, std::size_t& count) override {
        count = 0;
        if (capacity < 2) {
            return status_fail;
        }
        for (;;) {
            decode(out, capacity, count);
            if (count > 0 || (m_at == m_bytes.size() && m_offset >= m_size)) {
                return status_ok;
            }
            if (const Status status = refill(); failed(status)) {
                return status;
            }
        }
    }

private:
    void decode(char16_t* out, std::size_t capacity, std::size_t& count) {
        const char* bytes = m_bytes.data();
        const std::size_t end = m_bytes.size();
        // Two units are left room for: a code point beyond the BMP takes both.
        while (count + 2 <= capacity && m_at < end) {
            const auto lead = static_cast<unsigned char>(bytes[m_at]);
            if (lead < 0x80u) {
                do {
                    out[count++] = static_cast<char16_t>(bytes[m_at++]);
                } while (count < capacity && m_at < end && static_cast<unsigned char>(bytes[m_at]) < 0x80u);
                continue;
            }
            // A sequence cut by the end of the bytes read is decoded once the rest is there, so that
            // it decodes as in the whole file.
            if (m_offset < m_size && sequence_length(lead) > end - m_at) {
                return;
            }
            count = static_cast<std::size_t>(write_utf16(out + count, decode_utf8(m_bytes, m_at)) - out);
        }
    }

    Status refill() {
        m_bytes.erase(0, m_at);
        m_at = 0;
        const std::size_t kept = m_bytes.size();
        m_bytes.resize(kept + m_readSize);
        std::size_t got = 0;
        const Status status = read_at(m_descriptor, m_offset, m_bytes.data() + kept, m_readSize, got);
        m_bytes.resize(kept + got);
        if (failed(status)) {
            return status;
        }
        // A file that shrank while read ends where its bytes end.
        m_offset = got == 0 ? m_size : m_offset + got;
        return status_ok;
    }

    int m_descriptor;
    std::uint64_t m_size;
    std::size_t m_readSize;
    std::uint64_t m_offset = 0;
    std::string m_bytes;
    std::size_t m_at = 0;
};

} // namespace

Status FileText::open_path(const std::string& path, std::unique_ptr<FileText>& text) {
    if (path == "-") {
        return spool(STDIN_FILENO, text);
    }
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        return errno_status(errno);
    }
    struct stat info {};
    if (fstat(descriptor, &info) != 0) {
        const Status status = errno_status(errno);
        close(descriptor);
        return status;
    }
    if (!S_ISREG(info.st_mode)) {
        // A pipe or a device is read once: spooled like standard input.
        const Status status = spool(descriptor, text);
        close(descriptor);
        return status;
    }
    text.reset(new FileText(descriptor, static_cast<std::uint64_t>(info.st_size)));
    return status_ok;
}

Status FileText::spool(int descriptor, std::unique_ptr<FileText>& text) {
    const char* directory = std::getenv("TMPDIR");
    std::string name =
        std::string(directory != nullptr && *directory != 0 ? directory : "/tmp") + "/vex-XXXXXX";
    const int spooled = mkostemp(name.data(), O_CLOEXEC);
    if (spooled < 0) {
        return errno_status(errno);
    }
    unlink(name.c_str());
    std::uint64_t size = 0;
    std::string buffer(65536, '\0');
    for (;;) {
        const ssize_t got = ::read(descriptor, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            if (got < 0) {
                const Status status = errno_status(errno);
                close(spooled);
                return status;
            }
            break;
        }
        for (ssize_t written = 0; written < got;) {
            const ssize_t n =
                write(spooled, buffer.data() + written, static_cast<std::size_t>(got - written));
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                const Status status = errno_status(errno);
                close(spooled);
                return status;
            }
            written += n;
        }
        size += static_cast<std::uint64_t>(got);
    }
    text.reset(new FileText(spooled, size));
    return status_ok;
}

FileText::~FileText() {
    close(m_descriptor);
}

Status FileText::open(std::unique_ptr<TextReader>& reader) {
    reader = std::make_unique<FileReader>(m_descriptor, m_size, m_readSize);
    return status_ok;
}

// Decodes the end of the file from a few bytes more than its last units can take. A start inside a
// sequence decodes otherwise than the whole file only for its first three bytes (continuation bytes
// further on are malformed either way, each a U+FFFD), and those units are cut off.
Status FileText::tail(std::size_t units, Text& out) {
    out.clear();
    const std::uint64_t wanted = 4 * static_cast<std::uint64_t>(units) + 8;
    const std::uint64_t from = m_size > wanted ? m_size - wanted : 0;
    std::string bytes(static_cast<std::size_t>(m_size - from), '\0');
    std::size_t got = 0;
    if (const Status status = read_at(m_descriptor, from, bytes.data(), bytes.size(), got); failed(status)) {
        return status;
    }
    bytes.resize(got);
    append_utf8(out, bytes);
    if (out.size() > units) {
        out.erase(0, out.size() - units);
    }
    return status_ok;
}

} // namespace vex::table::native
