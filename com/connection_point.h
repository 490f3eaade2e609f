// A connection point container with one connection point for one outgoing interface, holding any
// number of sinks. The connection point lives inside its container and shares its lifetime.
#pragma once

#include "com/com_ptr.h"

#include <ocidl.h>

#include <map>

namespace vex::com {

class ConnectionPoint final : public IConnectionPoint {
public:
    ConnectionPoint(IConnectionPointContainer& container, const IID& iid) noexcept
        : m_container(container), m_iid(iid) {}
    ConnectionPoint(const ConnectionPoint&) = delete;
    ConnectionPoint& operator=(const ConnectionPoint&) = delete;

    // Its own identity, but references keep the container alive.
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return m_container.AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return m_container.Release(); }

    STDMETHODIMP GetConnectionInterface(IID* iid) override;
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override;
    STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
    STDMETHODIMP Unadvise(DWORD cookie) override;
    STDMETHODIMP EnumConnections(IEnumConnections** connections) override;

    const IID& iid() const noexcept { return m_iid; }
    size_t sinks() const noexcept { return m_sinks.size(); }
    // Lets go of every sink (when the container goes).
    void disconnect_all() noexcept { m_sinks.clear(); }

private:
    IConnectionPointContainer& m_container;
    const IID& m_iid;
    std::map<DWORD, com_ptr<IUnknown>> m_sinks;
    DWORD m_next_cookie = 1;
};

// IConnectionPointContainer over one connection point; a class derives from it and hands it the
// point it holds.
class ConnectionPointContainer : public IConnectionPointContainer {
public:
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** points) override;
    STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

protected:
    ConnectionPointContainer(const IID& iid) noexcept : m_point(*this, iid) {}
    ~ConnectionPointContainer() { m_point.disconnect_all(); }

    ConnectionPoint m_point;
};

} // namespace vex::com
