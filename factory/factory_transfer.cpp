// Moving table data from the host's document provider into the factory's buffer and out again: as
// a byte array, as UTF-8-decoded text, or straight to the spreadsheet component; and the
// container's content as the meta source.
#include "automation/byte_array.h"
#include "automation/host_services.h"
#include "factory/factory.h"

#include <new>

namespace vex {
namespace {

// The factory asks the proxy for the provider of this handle.
constexpr LONG provider_handle = 1;

bool contains(BSTR text, std::wstring_view key) {
    return com::bstr_view(text).find(key) != std::wstring_view::npos;
}

} // namespace

HRESULT CVEX_Factory::require_container() const noexcept {
    // The URLs and the content go through the container the host created before: the factory does
    // not create one for them. Without it the call fails with E_FAIL and says why.
    if (!m_pgeneraldocumentcontainer)
        return m_trace.fail(L"m_pgeneraldocumentcontainer == NULL", E_FAIL);
    return S_OK;
}

HRESULT CVEX_Factory::getDocumentdata(VARIANT* data) const noexcept {
    // The packing cannot throw, so it needs no handler of its own.
    return pack_byte_array(m_trace, TraceLevel::plain, L"getDocumentdata", m_bufferSize, m_buffer.get(),
                           data);
}

STDMETHODIMP CVEX_Factory::get_dp_table(BSTR url, VARIANT* data) {
    const auto scope = m_trace.call(L"get_dp_table");
    com::com_ptr<IHostDocumentProxy> proxy;
    com::com_ptr<IUnknown> provided;
    HRESULT hr = m_control ? m_control.query_to(proxy) : E_POINTER;
    if (SUCCEEDED(hr))
        hr = proxy->GetDocumentProvider(provider_handle, provided.put());
    if (FAILED(hr))
        return m_trace.fail(L"GetDocumentProvider", hr);
    auto provider = com::query<IHostDocumentProvider>(provided.get());
    if (!provider)
        return m_trace.fail(L"dataprovider == NULL ", E_FAIL);

    com::unique_bstr empty1(L""), empty2(L""), empty3(L""), empty4(L"");
    VEX_RETURN_IF_FAILED(m_trace, L"SetDataFromURL",
                         provider->SetDataFromURL(empty1.get(), empty2.get(), url));
    com::com_ptr<ILockBytes> bytes;
    VEX_RETURN_IF_FAILED(m_trace, L"dataprovider->GetDataAsLockBytes",
                         provider->GetDataAsLockBytes(empty3.get(), empty4.get(), bytes.put()));
    if (!bytes)
        return m_trace.fail(L"dataprovider->GetDataAsLockBytes", E_POINTER);

    STATSTG stat{};
    VEX_RETURN_IF_FAILED(m_trace, L"Stat", bytes->Stat(&stat, STATFLAG_DEFAULT));
    CoTaskMemFree(stat.pwcsName);
    // Only a lock-bytes object defines how much there is to read; anything else is refused with a
    // type mismatch instead of being read without a bound.
    if (stat.type != STGTY_LOCKBYTES)
        return m_trace.fail(L"Stat", DISP_E_TYPEMISMATCH);
    const ULONG length = stat.cbSize.LowPart;

    m_buffer.reset();
    m_bufferSize = 0;
    m_buffer.reset(new (std::nothrow) BYTE[static_cast<size_t>(length) + 2]);
    if (!m_buffer)
        return m_trace.fail(L"ReadAt", E_OUTOFMEMORY);
    ULARGE_INTEGER offset{};
    ULONG read = 0;
    hr = bytes->ReadAt(offset, m_buffer.get(), length, &read);
    m_bufferSize = std::min(read, length);
    if (FAILED(hr))
        return m_trace.fail(L"ReadAt", hr);

    com::unique_variant packed;
    VEX_RETURN_IF_FAILED(m_trace, L"getDocumentdata", getDocumentdata(packed.get()));
    if (!data)
        return m_trace.fail(L"detach", E_POINTER);
    VEX_RETURN_IF_FAILED(m_trace, L"detach", VariantClear(data));
    *data = packed.release();
    m_trace.leave(L"get_dp_table", S_OK);
    return S_OK;
}

STDMETHODIMP CVEX_Factory::getMethodParamAsString(BSTR methodname, LONG, VARIANT, BSTR* bval) {
    const auto scope = m_trace.call(L"getMethodParamAsString");
    // Only the spreadsheet's table entry takes its text from here: the data of the last transfer.
    if (com::bstr_view(methodname) != L"activatexmlsource")
        return m_trace.fail(L"not supported", E_FAIL);
    VEX_RETURN_IF_FAILED(m_trace, L"ConvertUTF8toBSTR",
                         ConvertUTF8toBSTR(m_buffer.get(), bval, m_bufferSize));
    m_trace.leave(L"getMethodParamAsString", S_OK);
    return S_OK;
}

STDMETHODIMP CVEX_Factory::metaSource(VARIANT* newval) {
    const auto scope = m_trace.call(L"metaSource");
    m_meta.reset();
    if (const HRESULT hr = require_container(); FAILED(hr))
        return hr;
    VEX_RETURN_IF_FAILED(m_trace, L"m_pgeneraldocumentcontainer->getContent",
                         m_pgeneraldocumentcontainer->getContent(m_meta.get()));
    // The factory keeps its own copy until the next call.
    com::unique_variant copy;
    VEX_RETURN_IF_FAILED(m_trace, L"detach", VariantCopy(copy.get(), m_meta.get()));
    if (!newval)
        return m_trace.fail(L"detach", E_POINTER);
    VariantClear(newval);
    *newval = copy.release();
    m_trace.leave(L"metaSource", S_OK);
    return S_OK;
}

STDMETHODIMP CVEX_Factory::dp_table_identifier(BSTR proxy, BSTR name, BSTR url, LONG*) {
    const auto scope = m_trace.call(L"dp_table_identifier");
    HRESULT hr = S_OK;
    if (contains(proxy, m_spreadsheetKey) && contains(name, L"activatexmlsource_gui")) {
        if (!m_spreadsheet)
            return m_trace.fail(L"m_pspreadsheet.p is not created!", E_FAIL);
        VEX_RETURN_IF_FAILED(m_trace, L"setxml_gui", hr = get_dp_table(url, m_table.get()));
        VEX_RETURN_IF_FAILED(m_trace, L"setxml_gui", hr = m_spreadsheet->setxml_gui(*m_table.get()));
    }
    if (contains(proxy, m_factoryKey)) {
        // The URL becomes the document name; the stored document URL stays.
        com::unique_bstr documentUrl = com::unique_bstr::copy_of(m_documentUrl.get());
        VEX_RETURN_IF_FAILED(m_trace, L"setdocumentUrl", hr = setdocumentUrl(url, documentUrl.get()));
    }
    m_trace.leave(L"dp_table_identifier", hr);
    return hr;
}

} // namespace vex
