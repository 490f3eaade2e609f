// The Windows build runs the document tests against the MSXML adapter.
#include "support/document_test.h"
#include "wine.h"
#include "windows/msxml_dom.h"

#include <objbase.h>

namespace vex::table::testing {
namespace {

// The MSXML factory inside a COM apartment of its own: the document tests are plain tests, so each
// factory enters an apartment on the test thread for as long as it lives (a nested entry where the
// test already has one).
class ApartmentFactory final : public XmlDomFactory {
public:
    ApartmentFactory() : m_entered(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ApartmentFactory() override {
        if (m_entered) {
            CoUninitialize();
        }
    }
    ApartmentFactory(const ApartmentFactory&) = delete;
    ApartmentFactory& operator=(const ApartmentFactory&) = delete;

    Status create(std::unique_ptr<XmlDom>& dom) override { return m_factory.create(dom); }

private:
    bool m_entered;
    windows::MsxmlDomFactory m_factory;
};

} // namespace

std::vector<DomAdapter> dom_adapters() {
    const bool wine = running_under_wine();
    // Wine's MSXML gives no line or position for a load error; real MSXML does.
    return {{"msxml", [] { return std::make_unique<ApartmentFactory>(); }, !wine, wine, {}}};
}

} // namespace vex::table::testing
