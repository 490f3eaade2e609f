// Conversions between byte buffers, byte arrays, lock-byte streams, UTF-8 text and strings.
#include "automation/byte_array.h"
#include "automation/general_document_container.h"

#include <new>
#include <string>

namespace vex {

HRESULT CVEX_GeneralDocumentContainer::setTrace(IDispatch* trace) {
    m_baseTrace.enter2(L"setTrace");
    if (!trace)
        return E_FAIL;
    m_baseTrace.set_from(trace);
    m_baseTrace.leave2(L"setTrace", S_OK);
    return S_OK;
}

HRESULT CVEX_GeneralDocumentContainer::getByteToVariant(ULONG count, const BYTE* bytes, VARIANT* out) {
    return pack_byte_array(m_baseTrace, TraceLevel::level2, L"getByteToVariant", count, bytes, out);
}

HRESULT CVEX_GeneralDocumentContainer::getBytes(const VARIANT& data, std::unique_ptr<BYTE[]>& buffer,
                                                ULONG& count) {
    m_baseTrace.enter2(L"getBytes");
    const HRESULT hr = unpack_byte_array(m_baseTrace, data, buffer, count);
    if (FAILED(hr))
        return hr;
    m_baseTrace.leave2(L"getBytes", hr);
    return hr;
}

HRESULT CVEX_GeneralDocumentContainer::ConvertUTF8toBSTR(const BYTE* bytes, BSTR* out, ULONG count) {
    m_baseTrace.enter2(L"ConvertUTF8toBSTR");
    const auto* text = reinterpret_cast<const char*>(bytes);
    const int length = static_cast<int>(std::min<ULONG>(count, INT_MAX));
    // Invalid UTF-8 is refused by the converter (answer 0) rather than patched with replacement
    // characters, so it gives no string, like an empty input.
    const int needed =
        length ? MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, length, nullptr, 0) : 0;
    if (needed == 0) {
        m_baseTrace.warning(L"iNoOfNeededWideChars == 0", S_OK);
        return S_OK;
    }
    std::unique_ptr<wchar_t[]> wide(new (std::nothrow) wchar_t[static_cast<size_t>(needed) + 1]);
    if (!wide) {
        m_baseTrace.error(L"new failed for p_wstrData for " + std::to_wstring(needed) + L" bytes", S_OK);
        return E_FAIL;
    }
    const int used = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, length, wide.get(), needed);
    if (used == 0)
        return m_baseTrace.fail(L"iNoOfUsedWideChars == 0", E_FAIL);
    wide[used] = L'\0';
    if (!out)
        return m_baseTrace.fail(L"bval == NULL", E_POINTER);
    *out = SysAllocString(wide.get()); // ends at the first NUL of the text
    m_baseTrace.leave2(L"ConvertUTF8toBSTR", S_OK);
    return S_OK;
}

HRESULT CVEX_GeneralDocumentContainer::get_ILockBytesToVariant(ULONG& count, std::unique_ptr<BYTE[]>& buffer,
                                                               ILockBytes* lockbytes, VARIANT* out) {
    m_baseTrace.enter2(L"get_ILockBytesToVariant");
    STATSTG stat{};
    VEX_RETURN_IF_FAILED(m_baseTrace, L"Stat",
                         lockbytes ? lockbytes->Stat(&stat, STATFLAG_DEFAULT) : E_POINTER);
    CoTaskMemFree(stat.pwcsName);
    // Only a lock-bytes object defines how much there is to read. Anything else is refused with a
    // type mismatch, which tells the host what went wrong; it is never read without a bound.
    if (stat.type != STGTY_LOCKBYTES)
        return m_baseTrace.fail(L"Stat", DISP_E_TYPEMISMATCH);
    const ULONG length = stat.cbSize.LowPart;

    buffer.reset(new (std::nothrow) BYTE[length ? length : 1]);
    if (!buffer)
        return m_baseTrace.fail(L"new failed", E_OUTOFMEMORY);
    ULARGE_INTEGER offset{};
    ULONG read = 0;
    VEX_RETURN_IF_FAILED(m_baseTrace, L"ReadAt", lockbytes->ReadAt(offset, buffer.get(), length, &read));
    count = std::min(read, length);

    com::unique_variant packed;
    VEX_RETURN_IF_FAILED(m_baseTrace, L"getByteToVariant",
                         getByteToVariant(count, buffer.get(), packed.get()));
    if (!out)
        return m_baseTrace.fail(L"detach", E_POINTER);
    VEX_RETURN_IF_FAILED(m_baseTrace, L"detach", VariantClear(out));
    *out = packed.release();
    m_baseTrace.leave2(L"get_ILockBytesToVariant", S_OK);
    return S_OK;
}

} // namespace vex
