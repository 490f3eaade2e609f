// Stand-ins for the host's document proxy and document provider, and a lock-bytes object over
// memory. They keep documents in memory by handle, read and write URLs (a URL registered with
// set_url, else a file path), answer with scripted statuses, and log every call with its arguments.
// Their method tables are declared here slot by slot, independently of the product's declarations.
#pragma once

#include <objidl.h>

#include <initializer_list>
#include <map>
#include <string>
#include <vector>

namespace vex::test {

// {CBC60070-A140-11D0-A8CF-080009B0CB9D}
inline constexpr IID document_proxy_iid = {
    0xcbc60070, 0xa140, 0x11d0, {0xa8, 0xcf, 0x08, 0x00, 0x09, 0xb0, 0xcb, 0x9d}};
// {799104C1-04C5-11D0-AC56-080009D23306}
inline constexpr IID document_provider_iid = {
    0x799104c1, 0x04c5, 0x11d0, {0xac, 0x56, 0x08, 0x00, 0x09, 0xd2, 0x33, 0x06}};
// {5B0C8D0E-7A51-4D55-9C2E-6E1F0B7A9D02}
inline constexpr CLSID document_proxy_clsid = {
    0x5b0c8d0e, 0x7a51, 0x4d55, {0x9c, 0x2e, 0x6e, 0x1f, 0x0b, 0x7a, 0x9d, 0x02}};

using Bytes = std::vector<BYTE>;

// How the lock-bytes objects handed out by the provider behave.
struct LockBytesScript {
    HRESULT stat_result = S_OK;
    DWORD stat_type = STGTY_LOCKBYTES;
    HRESULT read_result = S_OK;
    ULONG read_short_by = 0; // ReadAt delivers this many bytes less than asked
};

class HostServices {
public:
    static HostServices& instance();
    // Forgets calls, documents, URLs and scripted behaviour, and clears the stand-in Excel and Word.
    void clear();

    // Every call of the proxy, the provider and the lock-bytes objects: "Name(arg, arg, ...)".
    std::vector<std::wstring> calls;
    // Operations that fail with the given status instead of working ("OpenDocument", "Stat", ...).
    std::map<std::wstring, HRESULT> failures;
    // Answer of GetOperationStatus.
    LONG operation_status = 0;
    // Out value of SaveDocumentToURL.
    LONG save_error = 0;
    // When false, GetDocumentProvider hands out an object that is no document provider.
    bool provider_answers = true;
    LockBytesScript lock_bytes;

    struct Document {
        std::wstring type;
        Bytes bytes;
        bool open = true;
        std::wstring workbook;      // an Excel document's workbook in the stand-in Excel
        unsigned word_document = 0; // a Word document's id in the stand-in Word
    };
    std::map<LONG, Document> documents;
    LONG next_handle = 100;
    // Excel documents ("Excel." ...) live as workbooks of the stand-in Excel: opened ones named after
    // the URL's file name, created ones "Book1", "Book2" ...
    std::wstring last_excel_workbook; // of the Excel document opened or created last
    int books_created = 0;
    // Word documents ("Word." ...) live as documents of the stand-in Word: opened ones named after the
    // URL's file name with the URL's bytes as UTF-8 text, created ones "Document1", "Document2" ...
    // and empty. Saving one writes its current text as UTF-8; the provider hands out the same bytes.
    unsigned last_word_document = 0; // of the Word document opened or created last
    int word_documents_created = 0;

    // Content behind a URL; a URL not here is read from and written to the file it names.
    void set_url(const std::wstring& url, const Bytes& bytes) { m_urls[url] = bytes; }
    bool read_url(const std::wstring& url, Bytes& bytes) const;
    bool write_url(const std::wstring& url, const Bytes& bytes);

    // Logs a call of an operation as "Operation(arg, arg, ...)" and answers the status scripted for
    // it, S_OK when it should work.
    HRESULT call(const wchar_t* operation, std::initializer_list<std::wstring> arguments);
    void log(std::wstring call) { calls.push_back(std::move(call)); }

private:
    std::map<std::wstring, Bytes> m_urls;
};

HRESULT create_document_proxy(IUnknown* outer, REFIID iid, void** out) noexcept;
// A lock-bytes object over a copy of bytes, following HostServices::lock_bytes.
HRESULT create_memory_lock_bytes(const Bytes& bytes, ILockBytes** out) noexcept;

Bytes bytes_of(std::string_view text);

} // namespace vex::test
