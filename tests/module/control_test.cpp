// The OLE control side of every class: what each answers and says about itself, its label drawn and
// handed out as a metafile, in-place activation, deactivation and close, extent and persistence.
#include "class_list.h"
#include "com/control/control.h"
#include "support/com_test.h"

#include <ocidl.h>
#include <olectl.h>

#include <map>

namespace vex::test {
namespace {

const std::map<std::wstring, const char*> labels = {
    {L"environment", "ATL 7.0 : VEX_Environment_Karvo"},
    {L"factory", "ATL 7.0 : VEX_Factory"},
    {L"container", "ATL 7.0 : VEX_GeneralDocumentContainer"},
    {L"spreadsheet", "ATL 7.0 : VEX_Spreadsheet_Wob"},
    {L"trace", "ATL 7.0 : VEX_Trace"},
    {L"word", "ATL 8.0 : VEX_Word_Wob"},
};

// A container site that supports in-place activation and counts what the control tells it.
class TestSite final : public IOleClientSite, public IOleInPlaceSite {
public:
    explicit TestSite(HWND window) : m_window(window) {}

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleClientSite))
            *out = static_cast<IOleClientSite*>(this);
        else if (IsEqualIID(iid, IID_IOleInPlaceSite) || IsEqualIID(iid, IID_IOleWindow))
            *out = static_cast<IOleInPlaceSite*>(this);
        else
            return *out = nullptr, E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
    STDMETHODIMP SaveObject() override { return ++saves, S_OK; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP GetContainer(IOleContainer** c) override { return *c = nullptr, E_NOINTERFACE; }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }
    STDMETHODIMP GetWindow(HWND* w) override { return *w = m_window, S_OK; }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() override { return ++activations, S_OK; }
    STDMETHODIMP OnUIActivate() override { return ++activations, S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos,
                                  LPRECT clip, LPOLEINPLACEFRAMEINFO) override {
        *frame = nullptr;
        *doc = nullptr;
        *pos = *clip = RECT{10, 20, 210, 120};
        return S_OK;
    }
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return ++deactivations, S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { return ++deactivations, S_OK; }
    STDMETHODIMP DiscardUndoState() override { return S_OK; }
    STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
    STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }
    LONG refs = 1;
    int saves = 0, activations = 0, deactivations = 0;

private:
    HWND m_window;
};

class ControlTest : public ComTest {
protected:
    // Runs body for every class, created through COM.
    template <class Body>
    void for_each_class(Body body) {
        for (const auto& c : all_classes) {
            SCOPED_TRACE(std::string(c.name, c.name + wcslen(c.name)));
            com::com_ptr<IUnknown> object;
            ASSERT_EQ(
                CoCreateInstance(*c.clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.put_void()),
                S_OK);
            body(c, object.get(), std::wstring(c.name));
        }
    }
};

bool answers(IUnknown* object, REFIID iid) {
    com::com_ptr<IUnknown> out;
    return SUCCEEDED(object->QueryInterface(iid, out.put_void())) && out;
}

// Its interfaces and one identity, error information for the dual interface only, misc status,
// property pages and class information from the type library.
TEST_F(ControlTest, EachClassDescribesItself) {
    const IID* common[] = {&IID_IDispatch,    &IID_IPersistStreamInit,          &IID_IOleControl,
                           &IID_IOleObject,   &IID_IOleInPlaceActiveObject,     &IID_IViewObjectEx,
                           &IID_IViewObject2, &IID_IOleInPlaceObjectWindowless, &IID_IOleWindow};
    for_each_class([&](const ClassUnderTest& c, IUnknown* object, const std::wstring& name) {
        EXPECT_TRUE(answers(object, *c.default_interface));
        for (const IID* iid : common)
            EXPECT_TRUE(answers(object, *iid));
        EXPECT_EQ(answers(object, IID_IDataObject), name != L"trace");
        EXPECT_EQ(answers(object, IID_IPersistStorage), name != L"trace");
        EXPECT_EQ(answers(object, IID_IConnectionPointContainer), name == L"container");
        EXPECT_EQ(answers(object, IID_ISpecifyPropertyPages), name == L"spreadsheet" || name == L"word");
        EXPECT_EQ(identity(com::query<IViewObjectEx>(object).get()), object);
        auto errors = com::query<ISupportErrorInfo>(object);
        ASSERT_TRUE(errors);
        EXPECT_EQ(errors->InterfaceSupportsErrorInfo(*c.default_interface), S_OK);
        EXPECT_EQ(errors->InterfaceSupportsErrorInfo(IID_IOleObject), S_FALSE);
        DWORD status = 0;
        ASSERT_EQ(com::query<IOleObject>(object)->GetMiscStatus(DVASPECT_CONTENT, &status), S_OK);
        EXPECT_EQ(status, name == L"factory" ? 0x20591u : 0x20191u); // only the factory is invisible

        if (auto info = com::query<IProvideClassInfo2>(object)) {
            com::com_ptr<ITypeInfo> type;
            ASSERT_EQ(info->GetClassInfo(type.put()), S_OK);
            TYPEATTR* attr = nullptr;
            ASSERT_EQ(type->GetTypeAttr(&attr), S_OK);
            EXPECT_TRUE(IsEqualGUID(attr->guid, *c.clsid));
            type->ReleaseTypeAttr(attr);
            GUID source{};
            const bool events = name == L"container";
            EXPECT_EQ(info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source), events ? S_OK : E_FAIL);
            EXPECT_TRUE(IsEqualGUID(source, events ? DIID__IVEX_GeneralDocumentContainerEvents : GUID_NULL));
        }
    });
}

// A 240x120 bitmap, grey before anything is drawn into it.
class Canvas {
public:
    Canvas() {
        const RECT all{0, 0, 240, 120};
        FillRect(m_dc, &all, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    }
    ~Canvas() {
        SelectObject(m_dc, m_old);
        DeleteObject(m_bitmap);
        DeleteDC(m_dc);
    }
    HDC dc() const { return m_dc; }
    COLORREF at(int x, int y) const { return GetPixel(m_dc, x, y); }
    // The box around every pixel that is not white inside the outline of the bounds used below.
    RECT ink() const {
        RECT box{240, 120, -1, -1};
        for (int y = 12; y < 108; ++y)
            for (int x = 22; x < 218; ++x)
                if (at(x, y) != white)
                    box = {std::min<LONG>(box.left, x), std::min<LONG>(box.top, y),
                           std::max<LONG>(box.right, x), std::max<LONG>(box.bottom, y)};
        return box;
    }
    static constexpr COLORREF white = 0xFFFFFF, grey = 0x808080;

private:
    HDC m_dc = CreateCompatibleDC(nullptr);
    HBITMAP m_bitmap = CreateBitmap(240, 120, 1, 32, nullptr);
    HGDIOBJ m_old = SelectObject(m_dc, m_bitmap);
};

// The label is drawn centred in an outlined white box and clipped to it; without bounds or device
// context there is nothing to draw.
TEST_F(ControlTest, DrawsItsLabelCentredInsideItsBounds) {
    for_each_class([](const ClassUnderTest&, IUnknown* object, const std::wstring& name) {
        auto view = com::query<IViewObject>(object);
        Canvas canvas;
        const RECTL bounds{20, 10, 220, 110};
        const auto draw = [&](HDC dc, const RECTL* where) {
            return view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, where, nullptr, nullptr,
                              0);
        };
        EXPECT_EQ(draw(canvas.dc(), nullptr), E_INVALIDARG);
        EXPECT_EQ(draw(nullptr, &bounds), E_INVALIDARG);
        ASSERT_EQ(draw(canvas.dc(), &bounds), S_OK);
        EXPECT_EQ(canvas.at(219, 109), 0u);
        EXPECT_EQ(canvas.at(230, 60), Canvas::grey);
        EXPECT_EQ(canvas.at(25, 15), Canvas::white);

        // Its ink lies where the same text lands in this device context's font when drawn from the left
        // at 120 - width / 2 with its baseline on the middle line (y = 60), clipped alike: fonts differ
        // between machines, the comparison holds for any of them.
        const char* label = labels.at(name);
        const int length = static_cast<int>(strlen(label));
        Canvas expected;
        SIZE extent{};
        TEXTMETRICA metrics{};
        ASSERT_TRUE(GetTextExtentPoint32A(expected.dc(), label, length, &extent));
        ASSERT_TRUE(GetTextMetricsA(expected.dc(), &metrics));
        Rectangle(expected.dc(), 20, 10, 220, 110);
        IntersectClipRect(expected.dc(), 20, 10, 220, 110);
        TextOutA(expected.dc(), 120 - extent.cx / 2, 60 - metrics.tmAscent, label, length);
        const RECT drawn = canvas.ink(), reference = expected.ink();
        ASSERT_GE(drawn.right, 0) << "no text was drawn";
        EXPECT_LE(std::abs(drawn.left - reference.left), 1) << label;
        EXPECT_LE(std::abs(drawn.right - reference.right), 1) << label;
        EXPECT_LE(std::abs(drawn.top - reference.top), 1) << label;
        EXPECT_LE(std::abs(drawn.bottom - reference.bottom), 1) << label;
    });
}

// In place a control is a child window of the host's; deactivated or closed it removes it, tells the
// site once, and lets go of the site.
TEST_F(ControlTest, InPlaceActivationDeactivationAndClose) {
    HWND parent = CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                                  nullptr, nullptr, nullptr);
    ASSERT_NE(parent, nullptr);
    for_each_class([&](const ClassUnderTest&, IUnknown* object, const std::wstring&) {
        auto ole = com::query<IOleObject>(object);
        auto in_place = com::query<IOleInPlaceObjectWindowless>(object);
        for (bool close : {false, true}) {
            TestSite site(parent);
            ASSERT_EQ(ole->SetClientSite(&site), S_OK);
            RECT pos{10, 20, 210, 120}, rect{};
            ASSERT_EQ(ole->DoVerb(OLEIVERB_UIACTIVATE, nullptr, &site, 0, parent, &pos), S_OK);
            EXPECT_EQ(site.activations, 2);
            HWND window = nullptr;
            ASSERT_EQ(in_place->GetWindow(&window), S_OK);
            EXPECT_EQ(GetParent(window), parent);
            GetWindowRect(window, &rect);
            EXPECT_EQ(rect.right - rect.left, 200);
            EXPECT_EQ(rect.bottom - rect.top, 100);

            const auto end = [&] {
                return close ? ole->Close(OLECLOSE_NOSAVE) : in_place->InPlaceDeactivate();
            };
            ASSERT_EQ(end(), S_OK);
            ASSERT_EQ(end(), S_OK); // done again, nothing more happens
            EXPECT_EQ(site.deactivations, 2);
            EXPECT_EQ(site.saves, 0);
            EXPECT_FALSE(IsWindow(window));
            EXPECT_EQ(in_place->GetWindow(&window), E_FAIL);
            ole->SetClientSite(nullptr);
            EXPECT_EQ(site.refs, 1);
        }
    });
    DestroyWindow(parent);
}

// The extent is kept for the content aspect, makes the control dirty and sizes the metafile picture
// the data object hands out; the empty property set round-trips through a stream.
TEST_F(ControlTest, ExtentPictureAndPersistence) {
    for_each_class([](const ClassUnderTest& c, IUnknown* object, const std::wstring&) {
        auto ole = com::query<IOleObject>(object);
        auto persist = com::query<IPersistStreamInit>(object);
        SIZEL size{1000, 500}, read{};
        EXPECT_EQ(persist->IsDirty(), S_FALSE);
        ASSERT_EQ(ole->SetExtent(DVASPECT_CONTENT, &size), S_OK);
        EXPECT_EQ(persist->IsDirty(), S_OK);
        ASSERT_EQ(com::query<IViewObject2>(object)->GetExtent(DVASPECT_CONTENT, -1, nullptr, &read), S_OK);
        EXPECT_EQ(read.cx, 1000);
        EXPECT_EQ(ole->SetExtent(DVASPECT_ICON, &size), E_FAIL);
        if (auto data = com::query<IDataObject>(object)) {
            FORMATETC format{CF_METAFILEPICT, nullptr, DVASPECT_CONTENT, -1, TYMED_MFPICT};
            STGMEDIUM medium{};
            ASSERT_EQ(data->GetData(&format, &medium), S_OK);
            ASSERT_EQ(medium.tymed, static_cast<DWORD>(TYMED_MFPICT));
            auto* picture = static_cast<METAFILEPICT*>(GlobalLock(medium.hMetaFilePict));
            EXPECT_EQ(picture->mm, MM_ANISOTROPIC);
            EXPECT_EQ(picture->xExt, 1000);
            EXPECT_GT(GetMetaFileBitsEx(picture->hMF, 0, nullptr), 0u);
            GlobalUnlock(medium.hMetaFilePict);
            ReleaseStgMedium(&medium);
        }

        CLSID clsid{};
        ASSERT_EQ(persist->GetClassID(&clsid), S_OK);
        EXPECT_TRUE(IsEqualCLSID(clsid, *c.clsid));
        com::com_ptr<IStream> stream;
        ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.put()), S_OK);
        ULARGE_INTEGER max{};
        STATSTG stat{};
        ASSERT_EQ(persist->GetSizeMax(&max), S_OK);
        ASSERT_EQ(persist->Save(stream.get(), TRUE), S_OK);
        stream->Stat(&stat, STATFLAG_NONAME);
        EXPECT_EQ(stat.cbSize.QuadPart, max.QuadPart);
        stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
        EXPECT_EQ(persist->Load(stream.get()), S_OK);
        EXPECT_EQ(persist->Load(stream.get()), E_FAIL); // the stream ends before a property set
    });
}

} // namespace
} // namespace vex::test
