#include "automation/byte_array.h"

#include <cstring>
#include <new>

namespace vex {
namespace {

// The array a VARIANT carries, looking through references; null when it carries none.
SAFEARRAY* array_of(const VARIANT& data) noexcept {
    const VARIANT* v = &data;
    while (v->vt == (VT_VARIANT | VT_BYREF) && v->pvarVal)
        v = v->pvarVal;
    if (!(v->vt & VT_ARRAY))
        return nullptr;
    if (v->vt & VT_BYREF)
        return v->pparray ? *v->pparray : nullptr;
    return v->parray;
}

} // namespace

HRESULT pack_byte_array(const Tracer& trace, TraceLevel level, std::wstring_view name, ULONG count,
                        const BYTE* bytes, VARIANT* out) noexcept {
    trace.enter(level, name);
    const auto leave = [&](HRESULT status) {
        trace.leave(level, name, status);
        return status;
    };
    if (count == 0) {
        trace.error(L"m_bufferSize == 0", E_FAIL);
        return leave(E_FAIL);
    }
    // The element size comes from the platform, as a probe array reports it.
    SAFEARRAY* probe = SafeArrayCreateVectorEx(VT_UI1, 1, 1, nullptr);
    if (!probe) {
        trace.error(L"psaHelper = SafeArrayCreateVectorEx", E_FAIL);
        return leave(E_FAIL);
    }
    const UINT element_size = SafeArrayGetElemsize(probe);
    SafeArrayDestroy(probe);
    if (element_size == 0 || count % element_size != 0) {
        trace.error(L"m_bufferSize / uiSizeOfElement", E_FAIL);
        return leave(E_FAIL);
    }
    const ULONG elements = count / element_size;
    if (static_cast<unsigned long long>(elements) * element_size != count) {
        trace.error(L"check to ulNoOfElements", E_FAIL);
        return leave(E_FAIL);
    }
    SAFEARRAYBOUND bound{elements, 1};
    SAFEARRAY* array = SafeArrayCreate(VT_UI1, 1, &bound);
    if (!array) {
        trace.error(L"SafeArrayCreate", E_FAIL);
        return leave(E_FAIL);
    }
    void* data = nullptr;
    HRESULT hr = SafeArrayAccessData(array, &data);
    if (FAILED(hr)) {
        trace.error(L"SafeArrayAccessData", hr);
        SafeArrayDestroy(array);
        return leave(hr);
    }
    std::memcpy(data, bytes, count);
    hr = SafeArrayUnaccessData(array);
    if (FAILED(hr)) {
        trace.error(L"SafeArrayUnaccessDataa", hr);
        SafeArrayDestroy(array);
        return leave(hr);
    }
    if (!out) {
        SafeArrayDestroy(array);
        return leave(E_POINTER);
    }
    VariantClear(out);
    out->vt = VT_ARRAY | VT_UI1;
    out->parray = array;
    return leave(S_OK);
}

HRESULT unpack_byte_array(const Tracer& trace, const VARIANT& data, std::unique_ptr<BYTE[]>& buffer,
                          ULONG& count) noexcept {
    if (data.vt == VT_EMPTY)
        return trace.fail(L"Empty data input!", E_FAIL);
    SAFEARRAY* array = array_of(data);
    LONG lower = 0, upper = 0;
    // A VARIANT that is no array has no bounds to read.
    VEX_RETURN_IF_FAILED(trace, L"SafeArrayGetLBound",
                         array ? SafeArrayGetLBound(array, 1, &lower) : E_INVALIDARG);
    VEX_RETURN_IF_FAILED(trace, L"SafeArrayGetUBound", SafeArrayGetUBound(array, 1, &upper));
    if (upper <= lower)
        return no_byte_data;
    // Only arrays of bytes are byte data; an array of other elements would be read as garbage.
    if (SafeArrayGetDim(array) != 1 || SafeArrayGetElemsize(array) != 1)
        return trace.fail(L"not a byte array", DISP_E_TYPEMISMATCH);
    const ULONG length = static_cast<ULONG>(static_cast<LONGLONG>(upper) - lower + 1);
    std::unique_ptr<BYTE[]> copy(new (std::nothrow) BYTE[length]);
    if (!copy)
        return trace.fail(L"new failed", E_OUTOFMEMORY);
    void* source = nullptr;
    VEX_RETURN_IF_FAILED(trace, L"SafeArrayAccessData", SafeArrayAccessData(array, &source));
    std::memcpy(copy.get(), source, length);
    VEX_RETURN_IF_FAILED(trace, L"SafeArrayUnaccessData", SafeArrayUnaccessData(array));
    buffer = std::move(copy);
    count = length;
    return S_OK;
}

} // namespace vex
