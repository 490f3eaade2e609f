// A component's link to the factory that wired it. A factory of this module is held without a
// reference: the component registers with it and is told to forget it when it goes, so that the
// factory and its components never keep each other alive. A factory from elsewhere cannot tell, so
// it is held with a reference. A component whose factory is gone behaves like one never given one.
#pragma once

#include "com/com_ptr.h"
#include "module/interfaces.h"

namespace vex {

class FactoryLink {
public:
    FactoryLink() = default;
    FactoryLink(const FactoryLink&) = delete;
    FactoryLink& operator=(const FactoryLink&) = delete;
    ~FactoryLink() { reset(); }

    // Links client to factory (null unlinks), replacing an earlier link.
    void set(IVEX_Factory* factory, IVEX_FactoryClient* client) noexcept;
    // Unlinks, telling the factory that the client no longer listens.
    void reset() noexcept;
    // The factory went: forgets it without telling it anything.
    void forget() noexcept;

    IVEX_Factory* get() const noexcept { return m_factory; }
    IVEX_Factory* operator->() const noexcept { return m_factory; }
    explicit operator bool() const noexcept { return m_factory != nullptr; }

private:
    IVEX_Factory* m_factory = nullptr;
    // The factory's registry of clients, while the client is registered there (no reference).
    IVEX_FactoryClients* m_clients = nullptr;
    IVEX_FactoryClient* m_client = nullptr;
    // A factory that keeps no registry is held with a reference.
    com::com_ptr<IVEX_Factory> m_held;
};

} // namespace vex
