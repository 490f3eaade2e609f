#include "document_services.h"
#include "excel.h"
#include "script_members.h"
#include "word.h"

#include "com/bstr.h"
#include "com/com_ptr.h"
#include "com/object.h"

#include <oaidl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>

namespace vex::test {
namespace {

std::wstring text(BSTR s) {
    return s ? std::wstring(com::bstr_view(s)) : L"<null>";
}

std::wstring join(std::initializer_list<std::wstring> parts) {
    std::wstring out;
    bool first = true;
    for (const auto& part : parts) {
        if (!first)
            out += L", ";
        out += part;
        first = false;
    }
    return out;
}

std::wstring utf8_to_wide(const Bytes& bytes) {
    std::wstring out(bytes.size(), L'\0');
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, reinterpret_cast<const char*>(bytes.data()),
                            static_cast<int>(bytes.size()), out.data(), static_cast<int>(out.size()));
    out.resize(n > 0 ? n : 0);
    return out;
}

Bytes wide_to_utf8(std::wstring_view text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                      nullptr, nullptr);
    Bytes out(n > 0 ? n : 0);
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                        reinterpret_cast<char*>(out.data()), n, nullptr, nullptr);
    return out;
}

// What saving a document writes and its provider hands out: a Word document's current text as UTF-8,
// else the document's bytes.
Bytes content_of(const HostServices::Document& document) {
    if (!document.word_document)
        return document.bytes;
    const WordDocument* word = WordStandIn::instance().document_by_id(document.word_document);
    return word ? wide_to_utf8(word->text) : Bytes();
}

#define VEX_SLOT(n) virtual HRESULT STDMETHODCALLTYPE slot##n() = 0
// Each slot the product must not call records that it was called; used as VEX_UNEXPECTED(n);
#define VEX_UNEXPECTED(n)                                                                                    \
    STDMETHODIMP slot##n() override {                                                                        \
        return unexpected(n);                                                                                \
    }                                                                                                        \
    static_assert(true)

// The proxy's method table as the host defines it.
struct DocumentProxySlots : public IUnknown {
    VEX_SLOT(3);
    VEX_SLOT(4);
    VEX_SLOT(5);
    VEX_SLOT(6);
    VEX_SLOT(7);
    VEX_SLOT(8);
    virtual HRESULT STDMETHODCALLTYPE GetOperationStatus(LONG* status) = 0; // 9
    VEX_SLOT(10);
    VEX_SLOT(11);
    VEX_SLOT(12);
    VEX_SLOT(13);
    VEX_SLOT(14);
    virtual HRESULT STDMETHODCALLTYPE CreateDocument(BSTR type, BSTR format, BSTR url, LONG placement,
                                                     LONG flags,
                                                     LONG* handle) = 0; // 15
    virtual HRESULT STDMETHODCALLTYPE OpenDocument(BSTR type, BSTR format, BSTR url, LONG placement,
                                                   LONG flags,
                                                   LONG* handle) = 0; // 16
    VEX_SLOT(17);
    virtual HRESULT STDMETHODCALLTYPE CloseDocument(LONG handle, LONG options, LONG* result) = 0; // 18
    virtual HRESULT STDMETHODCALLTYPE SaveDocumentToURL(LONG handle, BSTR url, LONG* error) = 0;  // 19
    VEX_SLOT(20);
    VEX_SLOT(21);
    VEX_SLOT(22);
    VEX_SLOT(23);
    VEX_SLOT(24);
    VEX_SLOT(25);
    VEX_SLOT(26);
    virtual HRESULT STDMETHODCALLTYPE GetDocument(LONG handle, IDispatch** document) = 0; // 27
    VEX_SLOT(28);
    virtual HRESULT STDMETHODCALLTYPE GetDocumentProvider(LONG handle, IUnknown** provider) = 0; // 29
};

// The provider's method table as the host defines it.
struct DocumentProviderSlots : public IUnknown {
    VEX_SLOT(3);
    VEX_SLOT(4);
    VEX_SLOT(5);
    VEX_SLOT(6);
    VEX_SLOT(7);
    VEX_SLOT(8);
    VEX_SLOT(9);
    VEX_SLOT(10);
    VEX_SLOT(11);
    VEX_SLOT(12);
    VEX_SLOT(13);
    VEX_SLOT(14);
    VEX_SLOT(15);
    VEX_SLOT(16);
    VEX_SLOT(17);
    VEX_SLOT(18);
    VEX_SLOT(19);
    VEX_SLOT(20);
    VEX_SLOT(21);
    VEX_SLOT(22);
    VEX_SLOT(23);
    VEX_SLOT(24);
    VEX_SLOT(25);
    VEX_SLOT(26);
    VEX_SLOT(27);
    VEX_SLOT(28);
    VEX_SLOT(29);
    VEX_SLOT(30);
    virtual HRESULT STDMETHODCALLTYPE SetDataFromURL(BSTR a, BSTR b, BSTR url) = 0; // 31
    VEX_SLOT(32);
    virtual HRESULT STDMETHODCALLTYPE GetDataAsLockBytes(BSTR a, BSTR b, ILockBytes** data) = 0; // 33
};

HRESULT unexpected(int slot) {
    HostServices::instance().log(L"<unexpected slot " + std::to_wstring(slot) + L">");
    return E_NOTIMPL;
}

// A lock-bytes object over memory; only reading is used.
class MemoryLockBytes : public com::ObjectRoot, public ILockBytes {
public:
    static std::span<const com::InterfaceEntry> interfaces() {
        static const com::InterfaceEntry entries[] = {VEX_INTERFACE_ENTRY(MemoryLockBytes, ILockBytes)};
        return entries;
    }
    Bytes bytes;

    STDMETHODIMP ReadAt(ULARGE_INTEGER offset, void* out, ULONG size, ULONG* read) override {
        auto& services = HostServices::instance();
        services.log(L"ReadAt(" + std::to_wstring(offset.QuadPart) + L", " + std::to_wstring(size) + L")");
        if (read)
            *read = 0;
        if (FAILED(services.lock_bytes.read_result))
            return services.lock_bytes.read_result;
        const ULONGLONG available = offset.QuadPart < bytes.size() ? bytes.size() - offset.QuadPart : 0;
        ULONG n = static_cast<ULONG>(std::min<ULONGLONG>(size, available));
        n -= std::min(n, services.lock_bytes.read_short_by);
        std::memcpy(out, bytes.data() + offset.QuadPart, n);
        if (read)
            *read = n;
        return S_OK;
    }
    STDMETHODIMP WriteAt(ULARGE_INTEGER, const void*, ULONG, ULONG*) override { return STG_E_ACCESSDENIED; }
    STDMETHODIMP Flush() override { return S_OK; }
    STDMETHODIMP SetSize(ULARGE_INTEGER) override { return STG_E_ACCESSDENIED; }
    STDMETHODIMP LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
    STDMETHODIMP UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
    STDMETHODIMP Stat(STATSTG* stat, DWORD flag) override {
        auto& services = HostServices::instance();
        services.log(L"Stat(" + std::to_wstring(flag) + L")");
        if (FAILED(services.lock_bytes.stat_result))
            return services.lock_bytes.stat_result;
        *stat = {};
        stat->type = services.lock_bytes.stat_type;
        stat->cbSize.QuadPart = bytes.size();
        if (flag == STATFLAG_DEFAULT) { // the caller owns (and must free) the name
            static const wchar_t name[] = L"provider data";
            stat->pwcsName = static_cast<LPOLESTR>(CoTaskMemAlloc(sizeof(name)));
            std::memcpy(stat->pwcsName, name, sizeof(name));
        }
        return S_OK;
    }

protected:
    MemoryLockBytes() = default;
};

class DocumentProvider : public com::ObjectRoot, public DocumentProviderSlots {
public:
    static std::span<const com::InterfaceEntry> interfaces() {
        static const com::InterfaceEntry entries[] = {
            VEX_INTERFACE_ENTRY_IID(DocumentProvider, document_provider_iid, DocumentProviderSlots)};
        return entries;
    }
    LONG handle = 0;
    bool has_url_data = false;
    Bytes url_data;

    STDMETHODIMP SetDataFromURL(BSTR a, BSTR b, BSTR url) override {
        auto& services = HostServices::instance();
        if (HRESULT hr = services.call(L"SetDataFromURL", {text(a), text(b), text(url)}); FAILED(hr))
            return hr;
        if (!services.read_url(text(url), url_data))
            return STG_E_FILENOTFOUND;
        has_url_data = true;
        return S_OK;
    }
    STDMETHODIMP GetDataAsLockBytes(BSTR a, BSTR b, ILockBytes** data) override {
        auto& services = HostServices::instance();
        *data = nullptr;
        if (HRESULT hr = services.call(L"GetDataAsLockBytes", {text(a), text(b)}); FAILED(hr))
            return hr;
        // The data taken from a URL, else the document's content as it is now.
        const auto document = services.documents.find(handle);
        if (has_url_data || document == services.documents.end())
            return create_memory_lock_bytes(url_data, data);
        try {
            return create_memory_lock_bytes(content_of(document->second), data);
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }
    VEX_UNEXPECTED(3);
    VEX_UNEXPECTED(4);
    VEX_UNEXPECTED(5);
    VEX_UNEXPECTED(6);
    VEX_UNEXPECTED(7);
    VEX_UNEXPECTED(8);
    VEX_UNEXPECTED(9);
    VEX_UNEXPECTED(10);
    VEX_UNEXPECTED(11);
    VEX_UNEXPECTED(12);
    VEX_UNEXPECTED(13);
    VEX_UNEXPECTED(14);
    VEX_UNEXPECTED(15);
    VEX_UNEXPECTED(16);
    VEX_UNEXPECTED(17);
    VEX_UNEXPECTED(18);
    VEX_UNEXPECTED(19);
    VEX_UNEXPECTED(20);
    VEX_UNEXPECTED(21);
    VEX_UNEXPECTED(22);
    VEX_UNEXPECTED(23);
    VEX_UNEXPECTED(24);
    VEX_UNEXPECTED(25);
    VEX_UNEXPECTED(26);
    VEX_UNEXPECTED(27);
    VEX_UNEXPECTED(28);
    VEX_UNEXPECTED(29);
    VEX_UNEXPECTED(30);
    VEX_UNEXPECTED(32);

protected:
    DocumentProvider() = default;
};

// An object that answers no provider interface, for hosts that hand out the wrong thing.
class NotAProvider : public com::ObjectRoot, public IPersist {
public:
    static std::span<const com::InterfaceEntry> interfaces() {
        static const com::InterfaceEntry entries[] = {VEX_INTERFACE_ENTRY(NotAProvider, IPersist)};
        return entries;
    }
    STDMETHODIMP GetClassID(CLSID* clsid) override { return *clsid = CLSID_NULL, S_OK; }

protected:
    NotAProvider() = default;
};

// The automation object of an open document: identity only.
class DocumentObject : public com::ObjectRoot, public IDispatch {
public:
    static std::span<const com::InterfaceEntry> interfaces() {
        static const com::InterfaceEntry entries[] = {VEX_INTERFACE_ENTRY(DocumentObject, IDispatch)};
        return entries;
    }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override { return *count = 0, S_OK; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return DISP_E_MEMBERNOTFOUND;
    }

protected:
    DocumentObject() = default;
};

bool is_excel(const std::wstring& type) {
    return _wcsnicmp(type.c_str(), L"Excel", 5) == 0;
}

bool is_word(const std::wstring& type) {
    return _wcsnicmp(type.c_str(), L"Word", 4) == 0;
}

// The file name of a URL or path: after the last slash or backslash.
std::wstring file_name(const std::wstring& url) {
    const size_t cut = url.find_last_of(L"/\\");
    return cut == url.npos ? url : url.substr(cut + 1);
}

// A new document of an Office type gets its application's stand-in behind it: an Excel document
// a workbook of the stand-in Excel, named after the URL's file name, or "Book1", "Book2" ... when
// created without one; a Word document a document of the stand-in Word, named after the URL's file
// name with the URL's bytes as its text (its full name the URL when that is a path), or "Document1",
// "Document2" ... and empty, never saved, when created without one.
HRESULT start_document(HostServices::Document& document, const std::wstring& url) noexcept {
    try {
        auto& services = HostServices::instance();
        if (is_excel(document.type)) {
            const std::wstring name =
                url.empty() ? L"Book" + std::to_wstring(++services.books_created) : file_name(url);
            ExcelStandIn::instance().new_workbook(name);
            document.workbook = name;
            services.last_excel_workbook = name;
        } else if (is_word(document.type)) {
            auto& word = WordStandIn::instance();
            if (url.empty()) {
                const std::wstring name = L"Document" + std::to_wstring(++services.word_documents_created);
                word.new_document(name, {}, name);
            } else {
                const bool path = url.find(L'\\') != url.npos && url.find(L"://") == url.npos;
                word.new_document(file_name(url), utf8_to_wide(document.bytes), path ? url : std::wstring());
            }
            document.word_document = services.last_word_document = word.documents().back().id;
        }
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

// Files in the stand-in Word's temporary-file folder whose name contains part (case-insensitive).
size_t temp_files(std::wstring_view part) {
    const std::wstring folder = WordStandIn::temp_folder();
    std::wstring wanted(part);
    CharLowerBuffW(wanted.data(), static_cast<DWORD>(wanted.size()));
    size_t count = 0;
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    do {
        std::wstring name = found.cFileName;
        CharLowerBuffW(name.data(), static_cast<DWORD>(name.size()));
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name.find(wanted) != name.npos)
            ++count;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return count;
}

// A status from a script: JScript hands numbers above 0x7FFFFFFF over as doubles.
HRESULT script_status(const DISPPARAMS* params, UINT index, HRESULT& status) {
    com::unique_variant value;
    HRESULT hr = script_argument(params, index, VT_I4, value.get());
    if (SUCCEEDED(hr)) {
        status = value->lVal;
        return S_OK;
    }
    hr = script_argument(params, index, VT_UI4, value.put());
    if (SUCCEEDED(hr))
        status = static_cast<HRESULT>(value->ulVal);
    return hr;
}

// Scriptable members of the proxy, for script hosts that drive and inspect it.
//   ExcelText                 the stand-in Excel's text of the last Excel document's workbook
//   ExcelLocale = "en" | "de" the stand-in Excel's locale
//   ExcelFail(member, status[, after]) scripts a failure of "Object.Member" (ExcelStandIn::fail)
//   WordText                  the stand-in Word's text of the Word document the proxy opened or
//                             created last (the container's document, into which a merge is pasted)
//   WordFail(member, status[, after]) scripts a failure of "Object.Member" (WordStandIn::fail)
//   WordTempFiles             the number of files in the stand-in Word's temporary-file folder whose
//                             name contains "KEMfield" (data files a merge left behind)
enum : DISPID {
    id_calls = 1,
    id_clear,
    id_set_url_text,
    id_url_text,
    id_operation_status,
    id_save_error,
    id_excel_text,
    id_excel_locale,
    id_excel_fail,
    id_word_text,
    id_word_fail,
    id_word_temp_files
};
constexpr ScriptMember script_members[] = {{L"Calls", id_calls},
                                           {L"Clear", id_clear},
                                           {L"SetUrlText", id_set_url_text},
                                           {L"UrlText", id_url_text},
                                           {L"OperationStatus", id_operation_status},
                                           {L"SaveError", id_save_error},
                                           {L"ExcelText", id_excel_text},
                                           {L"ExcelLocale", id_excel_locale},
                                           {L"ExcelFail", id_excel_fail},
                                           {L"WordText", id_word_text},
                                           {L"WordFail", id_word_fail},
                                           {L"WordTempFiles", id_word_temp_files}};

class DocumentProxy : public com::ObjectRoot, public DocumentProxySlots, public IDispatch {
public:
    static std::span<const com::InterfaceEntry> interfaces() {
        static const com::InterfaceEntry entries[] = {
            VEX_INTERFACE_ENTRY_IID(DocumentProxy, document_proxy_iid, DocumentProxySlots),
            VEX_INTERFACE_ENTRY(DocumentProxy, IDispatch)};
        return entries;
    }

    STDMETHODIMP GetOperationStatus(LONG* status) override {
        auto& services = HostServices::instance();
        if (HRESULT hr = services.call(L"GetOperationStatus", {}); FAILED(hr))
            return hr;
        *status = services.operation_status;
        return S_OK;
    }
    STDMETHODIMP CreateDocument(BSTR type, BSTR format, BSTR url, LONG placement, LONG flags,
                                LONG* handle) override {
        auto& services = HostServices::instance();
        if (HRESULT hr =
                services.call(L"CreateDocument", {text(type), text(format), text(url),
                                                  std::to_wstring(placement), std::to_wstring(flags)});
            FAILED(hr))
            return hr;
        *handle = services.next_handle++;
        auto& document = services.documents[*handle] = {
            text(type), wide_to_utf8(L"new document of type " + text(type)), true, {}, 0};
        return start_document(document, {});
    }
    STDMETHODIMP OpenDocument(BSTR type, BSTR format, BSTR url, LONG placement, LONG flags,
                              LONG* handle) override {
        auto& services = HostServices::instance();
        if (HRESULT hr = services.call(L"OpenDocument", {text(type), text(format), text(url),
                                                         std::to_wstring(placement), std::to_wstring(flags)});
            FAILED(hr))
            return hr;
        Bytes bytes;
        if (!services.read_url(text(url), bytes))
            return STG_E_FILENOTFOUND;
        *handle = services.next_handle++;
        auto& document = services.documents[*handle] = {text(type), std::move(bytes), true, {}, 0};
        return start_document(document, text(url));
    }
    STDMETHODIMP CloseDocument(LONG handle, LONG options, LONG* result) override {
        auto& services = HostServices::instance();
        if (HRESULT hr = services.call(L"CloseDocument", {std::to_wstring(handle), std::to_wstring(options)});
            FAILED(hr))
            return hr;
        auto document = services.documents.find(handle);
        if (document == services.documents.end() || !document->second.open)
            return E_INVALIDARG;
        document->second.open = false;
        if (!document->second.workbook.empty()) // its state stays for tests to read
            ExcelStandIn::instance().close_workbook(document->second.workbook);
        if (document->second.word_document)
            WordStandIn::instance().close(document->second.word_document);
        if (result)
            *result = 0;
        return S_OK;
    }
    STDMETHODIMP SaveDocumentToURL(LONG handle, BSTR url, LONG* error) override {
        auto& services = HostServices::instance();
        if (HRESULT hr = services.call(L"SaveDocumentToURL", {std::to_wstring(handle), text(url)});
            FAILED(hr))
            return hr;
        auto document = services.documents.find(handle);
        if (document == services.documents.end() || !url)
            return E_INVALIDARG;
        *error = services.save_error;
        try {
            if (services.save_error == 0 && !services.write_url(text(url), content_of(document->second)))
                return STG_E_WRITEFAULT;
        } catch (...) {
            return E_OUTOFMEMORY;
        }
        return S_OK;
    }
    STDMETHODIMP GetDocument(LONG handle, IDispatch** document) override {
        auto& services = HostServices::instance();
        *document = nullptr;
        if (HRESULT hr = services.call(L"GetDocument", {std::to_wstring(handle)}); FAILED(hr))
            return hr;
        const auto found = services.documents.find(handle);
        if (found == services.documents.end())
            return E_INVALIDARG;
        com::com_ptr<IDispatch> object;
        try {
            object = automation_object(handle, found->second);
        } catch (...) {
            return E_OUTOFMEMORY;
        }
        if (!object)
            return E_FAIL;
        object.copy_to(document);
        return S_OK;
    }
    STDMETHODIMP GetDocumentProvider(LONG handle, IUnknown** provider) override {
        auto& services = HostServices::instance();
        *provider = nullptr;
        if (HRESULT hr = services.call(L"GetDocumentProvider", {std::to_wstring(handle)}); FAILED(hr))
            return hr;
        if (!services.provider_answers)
            return com::ComObject<NotAProvider>::create(nullptr, IID_IUnknown,
                                                        reinterpret_cast<void**>(provider));
        com::ComObject<DocumentProvider>* created = nullptr;
        HRESULT hr = com::ComObject<DocumentProvider>::create_instance(&created);
        if (FAILED(hr))
            return hr;
        created->handle = handle;
        hr = created->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(provider));
        created->Release();
        return hr;
    }
    VEX_UNEXPECTED(3);
    VEX_UNEXPECTED(4);
    VEX_UNEXPECTED(5);
    VEX_UNEXPECTED(6);
    VEX_UNEXPECTED(7);
    VEX_UNEXPECTED(8);
    VEX_UNEXPECTED(10);
    VEX_UNEXPECTED(11);
    VEX_UNEXPECTED(12);
    VEX_UNEXPECTED(13);
    VEX_UNEXPECTED(14);
    VEX_UNEXPECTED(17);
    VEX_UNEXPECTED(20);
    VEX_UNEXPECTED(21);
    VEX_UNEXPECTED(22);
    VEX_UNEXPECTED(23);
    VEX_UNEXPECTED(24);
    VEX_UNEXPECTED(25);
    VEX_UNEXPECTED(26);
    VEX_UNEXPECTED(28);

    // IDispatch for script hosts.
    STDMETHODIMP GetTypeInfoCount(UINT* count) override { return *count = 0, S_OK; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        return ids_of_names(script_members, names, count, ids);
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                        UINT*) override {
        try {
            return script_member(id, params, result);
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }

protected:
    DocumentProxy() = default;

private:
    HRESULT script_member(DISPID id, DISPPARAMS* params, VARIANT* result) {
        auto& services = HostServices::instance();
        const auto argument = [&](UINT index, VARTYPE type, com::unique_variant& out) {
            return script_argument(params, index, type, out.get());
        };
        com::unique_variant first, second;
        switch (id) {
        case id_calls: {
            std::wstring joined;
            for (const auto& call : services.calls)
                joined += (joined.empty() ? L"" : L"\n") + call;
            return string_result(result, joined);
        }
        case id_clear:
            services.clear();
            return S_OK;
        case id_set_url_text: {
            HRESULT hr = argument(0, VT_BSTR, first);
            if (SUCCEEDED(hr))
                hr = argument(1, VT_BSTR, second);
            if (FAILED(hr))
                return hr;
            services.set_url(std::wstring(com::bstr_view(first->bstrVal)),
                             wide_to_utf8(com::bstr_view(second->bstrVal)));
            return S_OK;
        }
        case id_url_text: {
            if (HRESULT hr = argument(0, VT_BSTR, first); FAILED(hr))
                return hr;
            Bytes bytes;
            if (!services.read_url(std::wstring(com::bstr_view(first->bstrVal)), bytes))
                return STG_E_FILENOTFOUND;
            return string_result(result, utf8_to_wide(bytes));
        }
        case id_excel_text: {
            const std::wstring& workbook = services.last_excel_workbook;
            return string_result(result, workbook.empty() ? L"no Excel document"
                                                          : ExcelStandIn::instance().workbook_text(workbook));
        }
        case id_excel_locale: {
            if (HRESULT hr = argument(0, VT_BSTR, first); FAILED(hr))
                return hr;
            const std::wstring_view name = com::bstr_view(first->bstrVal);
            if (name != L"en" && name != L"de")
                return E_INVALIDARG;
            ExcelStandIn::instance().locale = name == L"de" ? ExcelLocale::german : ExcelLocale::english;
            return S_OK;
        }
        case id_excel_fail:
        case id_word_fail: { // (object_member, status[, after])
            HRESULT status = S_OK;
            HRESULT hr = argument(0, VT_BSTR, first);
            if (SUCCEEDED(hr))
                hr = script_status(params, 1, status);
            LONG after = 0;
            if (SUCCEEDED(hr) && params && params->cArgs > 2 && SUCCEEDED(hr = argument(2, VT_I4, second)))
                after = second->lVal;
            if (FAILED(hr))
                return hr;
            std::wstring member(com::bstr_view(first->bstrVal));
            const size_t later = static_cast<size_t>(std::max<LONG>(after, 0));
            if (id == id_excel_fail)
                ExcelStandIn::instance().fail(std::move(member), status, later);
            else
                WordStandIn::instance().fail(std::move(member), status, later);
            return S_OK;
        }
        case id_word_text: {
            const WordDocument* document =
                WordStandIn::instance().document_by_id(services.last_word_document);
            return string_result(result, document ? document->text : L"no Word document");
        }
        case id_word_temp_files:
            if (result) {
                result->vt = VT_I4;
                result->lVal = static_cast<LONG>(temp_files(L"KEMfield"));
            }
            return S_OK;
        case id_operation_status:
        case id_save_error: {
            if (HRESULT hr = argument(0, VT_I4, first); FAILED(hr))
                return hr;
            (id == id_operation_status ? services.operation_status : services.save_error) = first->lVal;
            return S_OK;
        }
        default:
            return DISP_E_MEMBERNOTFOUND;
        }
    }
    // The automation object GetDocument hands out: for an Excel document the stand-in Excel's
    // workbook, for a Word document the stand-in Word's document (both keep their identity while the
    // stand-in's state lives), for other types an identity-only object per handle.
    com::com_ptr<IDispatch> automation_object(LONG handle, const HostServices::Document& document) {
        if (document.word_document)
            return WordStandIn::instance().document_object(document.word_document);
        if (!document.workbook.empty()) {
            auto& excel = ExcelStandIn::instance();
            const ExcelWorkbook* workbook = excel.workbook(document.workbook);
            return workbook ? excel.workbook_object(workbook->id) : nullptr;
        }
        auto& object = m_document_objects[handle];
        if (!object)
            com::ComObject<DocumentObject>::create(nullptr, IID_IDispatch, object.put_void());
        return object;
    }

    std::map<LONG, com::com_ptr<IDispatch>> m_document_objects;
};

} // namespace

HostServices& HostServices::instance() {
    static HostServices services;
    return services;
}

void HostServices::clear() {
    *this = HostServices();
    ExcelStandIn::instance().clear();
    WordStandIn::instance().clear();
}

HRESULT HostServices::call(const wchar_t* operation, std::initializer_list<std::wstring> arguments) {
    log(operation + (L"(" + join(arguments) + L")"));
    const auto found = failures.find(operation);
    return found == failures.end() ? S_OK : found->second;
}

bool HostServices::read_url(const std::wstring& url, Bytes& bytes) const {
    const auto found = m_urls.find(url);
    if (found != m_urls.end()) {
        bytes = found->second;
        return true;
    }
    std::FILE* file = _wfopen(url.c_str(), L"rb");
    if (!file)
        return false;
    bytes.clear();
    BYTE chunk[4096];
    size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof(chunk), file)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + n);
    std::fclose(file);
    return true;
}

bool HostServices::write_url(const std::wstring& url, const Bytes& bytes) {
    if (m_urls.count(url) || url.find(L'\\') == std::wstring::npos) {
        m_urls[url] = bytes;
        return true;
    }
    std::FILE* file = _wfopen(url.c_str(), L"wb");
    if (!file)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

HRESULT create_document_proxy(IUnknown* outer, REFIID iid, void** out) noexcept {
    return com::ComObject<DocumentProxy>::create(outer, iid, out);
}

HRESULT create_memory_lock_bytes(const Bytes& bytes, ILockBytes** out) noexcept {
    com::ComObject<MemoryLockBytes>* created = nullptr;
    HRESULT hr = com::ComObject<MemoryLockBytes>::create_instance(&created);
    if (FAILED(hr))
        return hr;
    created->bytes = bytes;
    hr = created->QueryInterface(IID_ILockBytes, reinterpret_cast<void**>(out));
    created->Release();
    return hr;
}

Bytes bytes_of(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

} // namespace vex::test
