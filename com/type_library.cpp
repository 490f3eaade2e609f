#include "com/type_library.h"

#include "com/com_ptr.h"
#include "com/module.h"

#include <array>

namespace vex::com {
namespace {

struct CacheEntry {
    IID iid{};
    DualTypeInfo info;
};

// Eight dual interfaces are all the module has; the cache never needs more rows than that.
std::array<CacheEntry, 8> g_cache;
size_t g_cache_used = 0;
ITypeLib* g_library = nullptr;

HRESULT load_library_locked() noexcept {
    if (g_library)
        return S_OK;
    const std::wstring path = Module::instance().path();
    if (path.empty())
        return HRESULT_FROM_WIN32(GetLastError());
    return LoadTypeLibEx(path.c_str(), REGKIND_NONE, &g_library);
}

} // namespace

HRESULT module_type_library(ITypeLib** out) noexcept {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    auto guard = Module::instance().guard();
    const HRESULT hr = load_library_locked();
    if (FAILED(hr))
        return hr;
    g_library->AddRef();
    *out = g_library;
    return S_OK;
}

HRESULT type_info_of(REFGUID guid, ITypeInfo** out) noexcept {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    com_ptr<ITypeLib> library;
    const HRESULT hr = module_type_library(library.put());
    if (FAILED(hr))
        return hr;
    return library->GetTypeInfoOfGuid(guid, out);
}

HRESULT dual_type_info(REFIID iid, DualTypeInfo* out) noexcept {
    auto guard = Module::instance().guard();
    for (size_t i = 0; i < g_cache_used; ++i) {
        if (IsEqualIID(g_cache[i].iid, iid)) {
            *out = g_cache[i].info;
            return S_OK;
        }
    }
    if (g_cache_used == g_cache.size())
        return E_UNEXPECTED;
    HRESULT hr = load_library_locked();
    if (FAILED(hr))
        return hr;

    com_ptr<ITypeInfo> dispatch;
    hr = g_library->GetTypeInfoOfGuid(iid, dispatch.put());
    if (FAILED(hr))
        return hr;
    // For a dual interface the library hands out the dispatch half; its implemented type -1 is the
    // vtable half that describes the real method slots.
    com_ptr<ITypeInfo> vtable;
    HREFTYPE ref = 0;
    if (SUCCEEDED(dispatch->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref)))
        hr = dispatch->GetRefTypeInfo(ref, vtable.put());
    else
        vtable = dispatch;
    if (FAILED(hr))
        return hr;

    CacheEntry& entry = g_cache[g_cache_used++];
    entry.iid = iid;
    entry.info.dispatch = dispatch.detach();
    entry.info.vtable = vtable.detach();
    *out = entry.info;
    return S_OK;
}

void release_type_information() noexcept {
    auto guard = Module::instance().guard();
    for (size_t i = 0; i < g_cache_used; ++i) {
        g_cache[i].info.dispatch->Release();
        g_cache[i].info.vtable->Release();
        g_cache[i] = {};
    }
    g_cache_used = 0;
    if (g_library) {
        g_library->Release();
        g_library = nullptr;
    }
}

} // namespace vex::com
