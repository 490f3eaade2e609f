#include "com/connection_point.h"

#include "com/object.h"

#include <olectl.h>

#include <vector>

namespace vex::com {
namespace {

// Enumerators over a snapshot taken when they are made.
template <class Enum, class Item>
class Enumerator;

template <class Item>
struct EnumTraits;

template <>
struct EnumTraits<IConnectionPoint*> {
    using Stored = com_ptr<IConnectionPoint>;
    static IConnectionPoint* hand_out(const Stored& s) {
        IConnectionPoint* p = nullptr;
        s.copy_to(&p);
        return p;
    }
};

template <>
struct EnumTraits<CONNECTDATA> {
    using Stored = std::pair<com_ptr<IUnknown>, DWORD>;
    static CONNECTDATA hand_out(const Stored& s) {
        CONNECTDATA data{nullptr, s.second};
        s.first.copy_to(&data.pUnk);
        return data;
    }
};

template <class Enum, class Item>
class Enumerator : public ObjectRoot, public Enum {
public:
    using Stored = typename EnumTraits<Item>::Stored;

    static std::span<const InterfaceEntry> interfaces() {
        static const InterfaceEntry entries[] = {VEX_INTERFACE_ENTRY(Enumerator, Enum)};
        return entries;
    }

    static HRESULT make(std::vector<Stored> items, size_t position, Enum** out) {
        ComObject<Enumerator>* created = nullptr;
        const HRESULT hr = ComObject<Enumerator>::create_instance(&created);
        if (FAILED(hr))
            return hr;
        created->m_items = std::move(items);
        created->m_position = position;
        *out = created; // the reference create_instance took
        return S_OK;
    }

    STDMETHODIMP Next(ULONG count, Item* items, ULONG* fetched) override {
        if (!items || (count > 1 && !fetched))
            return E_POINTER;
        ULONG n = 0;
        while (n < count && m_position < m_items.size())
            items[n++] = EnumTraits<Item>::hand_out(m_items[m_position++]);
        if (fetched)
            *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override {
        const size_t left = m_items.size() - m_position;
        m_position += std::min<size_t>(count, left);
        return count <= left ? S_OK : S_FALSE;
    }
    STDMETHODIMP Reset() override {
        m_position = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(Enum** out) override {
        if (!out)
            return E_POINTER;
        return make(m_items, m_position, out);
    }

protected:
    Enumerator() = default;

private:
    std::vector<Stored> m_items;
    size_t m_position = 0;
};

using ConnectionPointsEnumerator = Enumerator<IEnumConnectionPoints, IConnectionPoint*>;
using ConnectionsEnumerator = Enumerator<IEnumConnections, CONNECTDATA>;

} // namespace

STDMETHODIMP ConnectionPoint::QueryInterface(REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IConnectionPoint)) {
        *out = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP ConnectionPoint::GetConnectionInterface(IID* iid) {
    if (!iid)
        return E_POINTER;
    *iid = m_iid;
    return S_OK;
}

STDMETHODIMP ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
    if (!container)
        return E_POINTER;
    m_container.AddRef();
    *container = &m_container;
    return S_OK;
}

STDMETHODIMP ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
    if (!cookie)
        return E_POINTER;
    *cookie = 0;
    if (!sink)
        return E_POINTER;
    // A sink must speak the outgoing interface.
    com_ptr<IUnknown> checked;
    if (FAILED(sink->QueryInterface(m_iid, checked.put_void())) || !checked)
        return CONNECT_E_CANNOTCONNECT;
    const DWORD assigned = m_next_cookie++;
    m_sinks.emplace(assigned, com_ptr<IUnknown>(sink));
    *cookie = assigned;
    return S_OK;
}

STDMETHODIMP ConnectionPoint::Unadvise(DWORD cookie) {
    return m_sinks.erase(cookie) ? S_OK : CONNECT_E_NOCONNECTION;
}

STDMETHODIMP ConnectionPoint::EnumConnections(IEnumConnections** connections) {
    if (!connections)
        return E_POINTER;
    *connections = nullptr;
    std::vector<ConnectionsEnumerator::Stored> items;
    for (const auto& [cookie, sink] : m_sinks)
        items.emplace_back(sink, cookie);
    return ConnectionsEnumerator::make(std::move(items), 0, connections);
}

STDMETHODIMP ConnectionPointContainer::EnumConnectionPoints(IEnumConnectionPoints** points) {
    if (!points)
        return E_POINTER;
    *points = nullptr;
    std::vector<ConnectionPointsEnumerator::Stored> items{com_ptr<IConnectionPoint>(&m_point)};
    return ConnectionPointsEnumerator::make(std::move(items), 0, points);
}

STDMETHODIMP ConnectionPointContainer::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
    if (!point)
        return E_POINTER;
    *point = nullptr;
    if (!IsEqualIID(iid, m_point.iid()))
        return CONNECT_E_NOCONNECTION;
    m_point.AddRef();
    *point = &m_point;
    return S_OK;
}

} // namespace vex::com
