// Owning smart pointer for COM interfaces (in the spirit of WIL's com_ptr): one reference per
// pointer, released on reset and destruction.
#pragma once

#include <objbase.h>

#include <type_traits>
#include <utility>

namespace vex::com {

template <class T>
class com_ptr {
public:
    com_ptr() noexcept = default;
    com_ptr(std::nullptr_t) noexcept {}
    // Takes a new reference on p.
    com_ptr(T* p) noexcept : m_ptr(p) { add_ref(); }
    com_ptr(const com_ptr& other) noexcept : m_ptr(other.m_ptr) { add_ref(); }
    com_ptr(com_ptr&& other) noexcept : m_ptr(std::exchange(other.m_ptr, nullptr)) {}
    // From a pointer to a derived interface (IOleInPlaceSiteWindowless to IOleInPlaceSite, say).
    template <class U>
    requires std::is_convertible_v<U*, T*> com_ptr(const com_ptr<U>& other)
    noexcept : m_ptr(other.get()) { add_ref(); }
    ~com_ptr() { release(); }

    com_ptr& operator=(const com_ptr& other) noexcept {
        com_ptr(other).swap(*this);
        return *this;
    }
    com_ptr& operator=(com_ptr&& other) noexcept {
        com_ptr(std::move(other)).swap(*this);
        return *this;
    }
    com_ptr& operator=(T* p) noexcept {
        com_ptr(p).swap(*this);
        return *this;
    }
    com_ptr& operator=(std::nullptr_t) noexcept {
        reset();
        return *this;
    }

    // Adopts a reference the caller already owns.
    static com_ptr attach(T* p) noexcept {
        com_ptr result;
        result.m_ptr = p;
        return result;
    }
    [[nodiscard]] T* detach() noexcept { return std::exchange(m_ptr, nullptr); }

    void reset() noexcept { release(); }
    void swap(com_ptr& other) noexcept { std::swap(m_ptr, other.m_ptr); }

    T* get() const noexcept { return m_ptr; }
    T* operator->() const noexcept { return m_ptr; }
    T& operator*() const noexcept { return *m_ptr; }
    explicit operator bool() const noexcept { return m_ptr != nullptr; }

    // Releases the current pointer and returns the address for an out parameter.
    T** put() noexcept {
        release();
        return &m_ptr;
    }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

    // Hands a new reference to an out parameter (null stays null).
    void copy_to(T** out) const noexcept {
        add_ref();
        *out = m_ptr;
    }

    // QueryInterface into another smart pointer; an empty pointer answers E_POINTER.
    template <class U>
    HRESULT query_to(com_ptr<U>& out) const noexcept {
        return query_to(__uuidof(U), out.put_void());
    }
    HRESULT query_to(REFIID iid, void** out) const noexcept {
        if (!m_ptr) {
            *out = nullptr;
            return E_POINTER;
        }
        return m_ptr->QueryInterface(iid, out);
    }
    template <class U>
    com_ptr<U> try_query() const noexcept {
        com_ptr<U> out;
        query_to(out);
        return out;
    }

    friend bool operator==(const com_ptr& a, const com_ptr& b) noexcept { return a.m_ptr == b.m_ptr; }
    friend bool operator==(const com_ptr& a, std::nullptr_t) noexcept { return a.m_ptr == nullptr; }

private:
    void add_ref() const noexcept {
        if (m_ptr)
            m_ptr->AddRef();
    }
    void release() noexcept {
        if (T* p = std::exchange(m_ptr, nullptr))
            p->Release();
    }

    T* m_ptr = nullptr;
};

// QueryInterface on a raw pointer, for arguments the caller still owns.
template <class U, class T>
com_ptr<U> query(T* p) noexcept {
    com_ptr<U> out;
    if (p)
        p->QueryInterface(__uuidof(U), out.put_void());
    return out;
}

} // namespace vex::com
