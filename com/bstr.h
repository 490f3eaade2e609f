// Owning BSTR and VARIANT holders: every string and value is freed on every path.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <string_view>
#include <utility>

namespace vex::com {

class unique_bstr {
public:
    unique_bstr() noexcept = default;
    explicit unique_bstr(std::wstring_view text) : m_str(make(text)) {}
    unique_bstr(const unique_bstr&) = delete;
    unique_bstr& operator=(const unique_bstr&) = delete;
    unique_bstr(unique_bstr&& other) noexcept : m_str(std::exchange(other.m_str, nullptr)) {}
    unique_bstr& operator=(unique_bstr&& other) noexcept {
        reset(other.release());
        return *this;
    }
    ~unique_bstr() { SysFreeString(m_str); }

    static unique_bstr attach(BSTR s) noexcept {
        unique_bstr result;
        result.m_str = s;
        return result;
    }
    // A copy of a BSTR that keeps embedded NULs and the exact length.
    static unique_bstr copy_of(BSTR s) { return attach(s ? SysAllocStringLen(s, SysStringLen(s)) : nullptr); }

    BSTR get() const noexcept { return m_str; }
    BSTR* put() noexcept {
        reset();
        return &m_str;
    }
    [[nodiscard]] BSTR release() noexcept { return std::exchange(m_str, nullptr); }
    void reset(BSTR s = nullptr) noexcept { SysFreeString(std::exchange(m_str, s)); }

    UINT length() const noexcept { return SysStringLen(m_str); }
    bool empty() const noexcept { return length() == 0; }
    std::wstring_view view() const noexcept { return {m_str ? m_str : L"", length()}; }

private:
    static BSTR make(std::wstring_view text) {
        return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    }

    BSTR m_str = nullptr;
};

inline std::wstring_view bstr_view(BSTR s) noexcept {
    return {s ? s : L"", SysStringLen(s)};
}

class unique_variant {
public:
    unique_variant() noexcept { VariantInit(&m_var); }
    unique_variant(const unique_variant&) = delete;
    unique_variant& operator=(const unique_variant&) = delete;
    ~unique_variant() { VariantClear(&m_var); }

    VARIANT* get() noexcept { return &m_var; }
    const VARIANT* get() const noexcept { return &m_var; }
    VARIANT* operator->() noexcept { return &m_var; }
    const VARIANT* operator->() const noexcept { return &m_var; }
    VARIANT* put() noexcept {
        reset();
        return &m_var;
    }
    void reset() noexcept { VariantClear(&m_var); }
    // Moves the value out without a copy; this holder is left VT_EMPTY.
    VARIANT release() noexcept {
        VARIANT out = m_var;
        VariantInit(&m_var);
        return out;
    }

private:
    VARIANT m_var;
};

} // namespace vex::com
