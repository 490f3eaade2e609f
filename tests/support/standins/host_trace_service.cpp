#include "host_trace_service.h"

#include "com/bstr.h"
#include "com/object.h"

#include <cstdio>

namespace vex::test {
namespace {

// The service's method table as the host defines it; slots the product must not call record that
// they were called.
struct HostTraceSlots : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE slot3(LPCWSTR component, LPCWSTR subcomponent, BSTR name,
                                            const CLSID* clsid, IUnknown* object) = 0;
    virtual HRESULT STDMETHODCALLTYPE slot4() = 0;
    virtual HRESULT STDMETHODCALLTYPE slot5() = 0;
    virtual HRESULT STDMETHODCALLTYPE slot6(LONG kind, BSTR text, HRESULT status) = 0;
    virtual HRESULT STDMETHODCALLTYPE slot7() = 0;
    virtual HRESULT STDMETHODCALLTYPE slot8() = 0;
    virtual HRESULT STDMETHODCALLTYPE slot9() = 0;
    virtual HRESULT STDMETHODCALLTYPE slot10(BSTR text) = 0;
    virtual HRESULT STDMETHODCALLTYPE slot11() = 0;
    virtual HRESULT STDMETHODCALLTYPE slot12(BSTR text, HRESULT status) = 0;
    virtual HRESULT STDMETHODCALLTYPE slot13() = 0;
    virtual HRESULT STDMETHODCALLTYPE slot14(BSTR text) = 0;
};

class HostTraceService : public com::ObjectRoot, public HostTraceSlots {
public:
    static std::span<const com::InterfaceEntry> interfaces() {
        static const com::InterfaceEntry entries[] = {
            VEX_INTERFACE_ENTRY_IID(HostTraceService, host_trace_iid, HostTraceSlots)};
        return entries;
    }

    HRESULT FinalConstruct() {
        static int next_channel = 0;
        m_channel = next_channel++;
        return S_OK;
    }

    STDMETHODIMP slot3(LPCWSTR component, LPCWSTR subcomponent, BSTR name, const CLSID* clsid,
                       IUnknown* object) override {
        auto& log = HostTraceLog::instance();
        m_object_name = std::wstring(com::bstr_view(name));
        HostTraceChannel channel;
        channel.channel = m_channel;
        channel.opened = SUCCEEDED(log.open_result);
        channel.component = component ? component : L"";
        channel.subcomponent = subcomponent ? subcomponent : L"";
        channel.object_name = m_object_name;
        channel.clsid = clsid ? *clsid : CLSID{};
        if (object) {
            IUnknown* identity = nullptr;
            if (SUCCEEDED(object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)))) {
                channel.object = identity;
                identity->Release();
            }
        }
        log.channels.push_back(channel);
        record(slot_open, 0, name, S_OK);
        return log.open_result;
    }
    STDMETHODIMP slot4() override { return record(slot_end, 0, nullptr, S_OK); }
    STDMETHODIMP slot6(LONG kind, BSTR text, HRESULT status) override {
        return record(slot_message, kind, text, status);
    }
    STDMETHODIMP slot10(BSTR text) override { return record(slot_enter, 0, text, S_OK); }
    STDMETHODIMP slot12(BSTR text, HRESULT status) override { return record(slot_leave, 0, text, status); }
    STDMETHODIMP slot14(BSTR text) override { return record(slot_exception, 0, text, S_OK); }
    STDMETHODIMP slot5() override { return record(5, 0, nullptr, S_OK); }
    STDMETHODIMP slot7() override { return record(7, 0, nullptr, S_OK); }
    STDMETHODIMP slot8() override { return record(8, 0, nullptr, S_OK); }
    STDMETHODIMP slot9() override { return record(9, 0, nullptr, S_OK); }
    STDMETHODIMP slot11() override { return record(11, 0, nullptr, S_OK); }
    STDMETHODIMP slot13() override { return record(13, 0, nullptr, S_OK); }

protected:
    HostTraceService() = default;

private:
    HRESULT record(int slot, LONG kind, BSTR text, HRESULT status) {
        HostTraceLog::instance().records.push_back(
            {m_channel, m_object_name, slot, kind, std::wstring(com::bstr_view(text)), status});
        return S_OK;
    }

    int m_channel = -1;
    std::wstring m_object_name;
};

std::wstring hex(HRESULT status) {
    wchar_t buffer[16];
    std::swprintf(buffer, 16, L"0x%08lX", static_cast<unsigned long>(status));
    return buffer;
}

std::wstring describe(const HostTraceRecord& r) {
    switch (r.slot) {
    case slot_open:
        return L"open " + r.text;
    case slot_message:
        return (r.kind == 1   ? L"error "
                : r.kind == 2 ? L"warning "
                              : L"message(" + std::to_wstring(r.kind) + L") ") +
               r.text + L" " + hex(r.status);
    case slot_enter:
        return L"enter " + r.text;
    case slot_leave:
        return L"leave " + r.text + L" " + hex(r.status);
    case slot_exception:
        return L"exception " + r.text;
    default:
        return L"<unexpected slot " + std::to_wstring(r.slot) + L">";
    }
}

} // namespace

HostTraceLog& HostTraceLog::instance() {
    static HostTraceLog log;
    return log;
}

void HostTraceLog::clear() {
    create_result = S_OK;
    open_result = S_OK;
    channels.clear();
    records.clear();
}

std::vector<std::wstring> HostTraceLog::lines(std::wstring_view object_name) const {
    std::vector<std::wstring> out;
    for (size_t i = 0; i < records.size(); ++i) {
        const HostTraceRecord& r = records[i];
        if (r.slot == slot_open || r.object_name != object_name)
            continue;
        if (r.slot == slot_end) {
            out.push_back(L"<end of record without a record>");
            continue;
        }
        out.push_back(describe(r));
        // The end-of-record call must follow at once, on the same channel.
        const bool ended =
            i + 1 < records.size() && records[i + 1].slot == slot_end && records[i + 1].channel == r.channel;
        if (ended)
            ++i;
        else
            out.push_back(L"<missing end of record>");
    }
    return out;
}

std::vector<HostTraceChannel> HostTraceLog::opened(std::wstring_view object_name) const {
    std::vector<HostTraceChannel> out;
    for (const HostTraceChannel& channel : channels)
        if (channel.opened && channel.object_name == object_name)
            out.push_back(channel);
    return out;
}

HRESULT create_host_trace_service(IUnknown* outer, REFIID iid, void** out) noexcept {
    if (FAILED(HostTraceLog::instance().create_result)) {
        if (out)
            *out = nullptr;
        return HostTraceLog::instance().create_result;
    }
    return com::ComObject<HostTraceService>::create(outer, iid, out);
}

} // namespace vex::test
