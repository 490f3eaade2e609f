#include "factory/factory_link.h"

namespace vex {

void FactoryLink::set(IVEX_Factory* factory, IVEX_FactoryClient* client) noexcept {
    reset();
    if (!factory)
        return;
    m_factory = factory;
    if (auto clients = com::query<IVEX_FactoryClients>(factory); clients && client) {
        clients->attachClient(client);
        m_clients = clients.get(); // the reference of the query goes with `clients`
        m_client = client;
    } else {
        m_held = factory;
    }
}

void FactoryLink::reset() noexcept {
    if (m_clients)
        m_clients->detachClient(m_client);
    forget();
    m_held = nullptr;
}

void FactoryLink::forget() noexcept {
    m_factory = nullptr;
    m_clients = nullptr;
    m_client = nullptr;
}

} // namespace vex
