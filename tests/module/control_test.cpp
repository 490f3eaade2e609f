// The OLE control side of every class: interfaces answered, misc status, label drawing, in-place
// activation and deactivation, close, persistence, data object and class information.
#include "class_list.h"
#include "com/control/control.h"
#include "support/com_test.h"

#include <ocidl.h>
#include <olectl.h>

#include <map>
#include <set>

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

// A container site that supports in-place activation and records what the control tells it.
class TestSite final : public IOleClientSite, public IOleInPlaceSite, public IAdviseSink {
public:
    explicit TestSite(HWND window) : m_window(window) {}

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleClientSite))
            *out = static_cast<IOleClientSite*>(this);
        else if (IsEqualIID(iid, IID_IOleInPlaceSite) || IsEqualIID(iid, IID_IOleWindow))
            *out = static_cast<IOleInPlaceSite*>(this);
        else if (IsEqualIID(iid, IID_IAdviseSink))
            *out = static_cast<IAdviseSink*>(this);
        else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }

    // IOleClientSite
    STDMETHODIMP SaveObject() override { return ++saves, S_OK; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP GetContainer(IOleContainer** c) override { return *c = nullptr, E_NOINTERFACE; }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }
    // IOleWindow / IOleInPlaceSite
    STDMETHODIMP GetWindow(HWND* w) override { return *w = m_window, S_OK; }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() override { return ++activations, S_OK; }
    STDMETHODIMP OnUIActivate() override { return ++ui_activations, S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos,
                                  LPRECT clip, LPOLEINPLACEFRAMEINFO) override {
        *frame = nullptr;
        *doc = nullptr;
        *pos = RECT{10, 20, 210, 120};
        *clip = *pos;
        return S_OK;
    }
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return ++ui_deactivations, S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { return ++deactivations, S_OK; }
    STDMETHODIMP DiscardUndoState() override { return S_OK; }
    STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
    STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }
    // IAdviseSink
    STDMETHODIMP_(void) OnDataChange(FORMATETC*, STGMEDIUM*) override {}
    STDMETHODIMP_(void) OnViewChange(DWORD, LONG) override {}
    STDMETHODIMP_(void) OnRename(IMoniker*) override {}
    STDMETHODIMP_(void) OnSave() override { ++saved_notices; }
    STDMETHODIMP_(void) OnClose() override { ++closes; }

    LONG refs = 1;
    int saves = 0, activations = 0, ui_activations = 0, ui_deactivations = 0, deactivations = 0;
    int saved_notices = 0, closes = 0;

private:
    HWND m_window;
};

class ControlTest : public ComTest {
protected:
    // Every class, created through COM.
    template <class Body>
    void for_each_class(Body body) {
        for (const auto& c : all_classes) {
            SCOPED_TRACE(std::string(c.name, c.name + wcslen(c.name)));
            com::com_ptr<IUnknown> object;
            ASSERT_EQ(
                CoCreateInstance(*c.clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.put_void()),
                S_OK);
            body(c, object);
        }
    }
};

bool answers(IUnknown* object, REFIID iid) {
    com::com_ptr<IUnknown> out;
    return SUCCEEDED(object->QueryInterface(iid, out.put_void())) && out;
}

// What each class answers and says about itself: its interfaces, one identity, error information,
// property pages, misc status, class information from the type library, view status and hit testing.
TEST_F(ControlTest, EachClassDescribesItself) {
    const IID* common[] = {&IID_IDispatch,
                           &IID_IPersistStreamInit,
                           &IID_IOleControl,
                           &IID_IOleObject,
                           &IID_IOleInPlaceActiveObject,
                           &IID_IViewObjectEx,
                           &IID_IViewObject2,
                           &IID_IViewObject,
                           &IID_IOleInPlaceObjectWindowless,
                           &IID_IOleInPlaceObject,
                           &IID_IOleWindow};
    for_each_class([&](const ClassUnderTest& c, com::com_ptr<IUnknown>& object) {
        const std::wstring name = c.name;
        EXPECT_TRUE(answers(object.get(), *c.default_interface));
        for (const IID* iid : common)
            EXPECT_TRUE(answers(object.get(), *iid));
        const bool documents = name != L"trace";
        EXPECT_EQ(answers(object.get(), IID_IDataObject), documents);
        EXPECT_EQ(answers(object.get(), IID_IPersistStorage), documents);
        EXPECT_EQ(answers(object.get(), IID_IConnectionPointContainer), name == L"container");
        auto view = com::query<IViewObjectEx>(object.get());
        EXPECT_EQ(identity(view.get()), object.get());
        // Failures of the dual interface carry error information, those of the others do not.
        auto errors = com::query<ISupportErrorInfo>(object.get());
        ASSERT_TRUE(errors);
        EXPECT_EQ(errors->InterfaceSupportsErrorInfo(*c.default_interface), S_OK);
        EXPECT_EQ(errors->InterfaceSupportsErrorInfo(IID_IOleObject), S_FALSE);
        // Only the spreadsheet and word controls have property pages, and no page in them.
        auto pages = com::query<ISpecifyPropertyPages>(object.get());
        EXPECT_EQ(static_cast<bool>(pages), name == L"spreadsheet" || name == L"word");
        CAUUID list{7, reinterpret_cast<GUID*>(0x1234)};
        if (pages) {
            EXPECT_EQ(pages->GetPages(&list), S_OK);
            EXPECT_EQ(list.cElems, 0u);
        }

        auto ole = com::query<IOleObject>(object.get());
        DWORD status = 0;
        ASSERT_EQ(ole->GetMiscStatus(DVASPECT_CONTENT, &status), S_OK);
        EXPECT_EQ(status, name == L"factory" ? 0x20591u : 0x20191u);
        if (auto info = com::query<IProvideClassInfo2>(object.get())) {
            com::com_ptr<ITypeInfo> type;
            ASSERT_EQ(info->GetClassInfo(type.put()), S_OK);
            TYPEATTR* attr = nullptr;
            type->GetTypeAttr(&attr);
            EXPECT_TRUE(IsEqualGUID(attr->guid, *c.clsid));
            type->ReleaseTypeAttr(attr);
            GUID source{};
            EXPECT_EQ(info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source),
                      name == L"container" ? S_OK : E_FAIL);
            EXPECT_TRUE(IsEqualGUID(source, name == L"container" ? DIID__IVEX_GeneralDocumentContainerEvents
                                                                 : GUID_NULL));
        }
        const RECT bounds{0, 0, 100, 50};
        DWORD hit = 0;
        EXPECT_EQ(view->GetViewStatus(&status), S_OK);
        EXPECT_EQ(status, static_cast<DWORD>(VIEWSTATUS_SOLIDBKGND | VIEWSTATUS_OPAQUE));
        EXPECT_EQ(view->QueryHitPoint(DVASPECT_CONTENT, &bounds, POINT{50, 25}, 0, &hit), S_OK);
        EXPECT_EQ(hit, static_cast<DWORD>(HITRESULT_HIT));
        EXPECT_EQ(view->QueryHitPoint(DVASPECT_CONTENT, &bounds, POINT{150, 25}, 0, &hit), S_OK);
        EXPECT_EQ(hit, static_cast<DWORD>(HITRESULT_OUTSIDE));
    });
}

// A white 240x120 bitmap with a grey margin, drawn into by IViewObject::Draw.
class Canvas {
public:
    Canvas() {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        m_dc = CreateCompatibleDC(nullptr);
        m_bitmap =
            CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&m_pixels), nullptr, 0);
        m_old = SelectObject(m_dc, m_bitmap);
        for (int i = 0; i < width * height; ++i)
            m_pixels[i] = grey;
    }
    ~Canvas() {
        SelectObject(m_dc, m_old);
        DeleteObject(m_bitmap);
        DeleteDC(m_dc);
    }
    HDC dc() const { return m_dc; }
    DWORD at(int x, int y) const {
        GdiFlush();
        return m_pixels[y * width + x] & 0xFFFFFF;
    }
    // The box around every pixel that is not white in [left, right) x [top, bottom); right and bottom
    // are -1 when there is none.
    RECT ink(int left, int top, int right, int bottom) const {
        RECT box{width, height, -1, -1};
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                if (at(x, y) != 0xFFFFFFu)
                    box = {std::min<LONG>(box.left, x), std::min<LONG>(box.top, y),
                           std::max<LONG>(box.right, x), std::max<LONG>(box.bottom, y)};
        return box;
    }

    static constexpr int width = 240, height = 120;
    static constexpr DWORD grey = 0x808080;

private:
    HDC m_dc;
    HBITMAP m_bitmap;
    HGDIOBJ m_old;
    DWORD* m_pixels = nullptr;
};

TEST_F(ControlTest, DrawsItsLabelCentredInsideItsBounds) {
    for_each_class([](const ClassUnderTest& c, com::com_ptr<IUnknown>& object) {
        auto view = com::query<IViewObject>(object.get());
        Canvas canvas;
        const RECTL bounds{20, 10, 220, 110};
        ASSERT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, canvas.dc(), &bounds, nullptr,
                             nullptr, 0),
                  S_OK);
        // The rectangle outlines the bounds; nothing is drawn outside them.
        EXPECT_EQ(canvas.at(20, 10), 0x000000u);
        EXPECT_EQ(canvas.at(219, 109), 0x000000u);
        EXPECT_EQ(canvas.at(19, 9), Canvas::grey);
        EXPECT_EQ(canvas.at(230, 60), Canvas::grey);
        EXPECT_EQ(canvas.at(25, 15), 0xFFFFFFu); // filled with the white brush

        // The text stands on the middle line (y = 60), horizontally centred on x = 120, clipped to the
        // bounds: its ink lies where the same text lands in this device context's font when drawn
        // from the left at 120 - width / 2 with its baseline on 60, clipped alike. Fonts differ between
        // machines; the comparison holds for any of them.
        const char* label = labels.at(c.name);
        const int length = static_cast<int>(strlen(label));
        Canvas expected;
        SIZE extent{};
        TEXTMETRICA metrics{};
        ASSERT_TRUE(GetTextExtentPoint32A(expected.dc(), label, length, &extent));
        ASSERT_TRUE(GetTextMetricsA(expected.dc(), &metrics));
        Rectangle(expected.dc(), 20, 10, 220, 110);
        IntersectClipRect(expected.dc(), 20, 10, 220, 110);
        TextOutA(expected.dc(), 120 - extent.cx / 2, 60 - metrics.tmAscent, label, length);

        const RECT drawn = canvas.ink(22, 12, 218, 108), reference = expected.ink(22, 12, 218, 108);
        ASSERT_GE(drawn.right, 0) << "no text was drawn";
        EXPECT_LE(std::abs(drawn.left - reference.left), 1) << label;
        EXPECT_LE(std::abs(drawn.right - reference.right), 1) << label;
        EXPECT_LE(std::abs(drawn.top - reference.top), 1) << label;
        EXPECT_LE(std::abs(drawn.bottom - reference.bottom), 1) << label;
    });
}

TEST_F(ControlTest, DrawWithoutBoundsNeedsAnActiveWindowlessControl) {
    for_each_class([](const ClassUnderTest&, com::com_ptr<IUnknown>& object) {
        auto view = com::query<IViewObject>(object.get());
        Canvas canvas;
        EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, canvas.dc(), nullptr, nullptr,
                             nullptr, 0),
                  E_INVALIDARG);
        const RECTL bounds{0, 0, 10, 10};
        EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, nullptr, &bounds, nullptr,
                             nullptr, 0),
                  E_INVALIDARG);
    });
}

// In place a control is a child window of the host's; deactivated or closed it removes it, tells the
// site (and on close the advise sinks) once, and lets go of the site.
TEST_F(ControlTest, InPlaceActivationDeactivationAndClose) {
    HWND parent = CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                                  nullptr, nullptr, nullptr);
    ASSERT_NE(parent, nullptr);
    for_each_class([&](const ClassUnderTest&, com::com_ptr<IUnknown>& object) {
        auto ole = com::query<IOleObject>(object.get());
        auto in_place = com::query<IOleInPlaceObjectWindowless>(object.get());
        for (bool close : {false, true}) {
            TestSite site(parent);
            ASSERT_EQ(ole->SetClientSite(&site), S_OK);
            DWORD cookie = 0;
            ASSERT_EQ(ole->Advise(&site, &cookie), S_OK);
            RECT pos{10, 20, 210, 120};
            ASSERT_EQ(ole->DoVerb(OLEIVERB_UIACTIVATE, nullptr, &site, 0, parent, &pos), S_OK);
            EXPECT_EQ(site.activations + site.ui_activations, 2);
            HWND window = nullptr;
            ASSERT_EQ(in_place->GetWindow(&window), S_OK);
            EXPECT_EQ(GetParent(window), parent);
            EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)) & 0xFFFF0000u, 0x56000000u);
            RECT rect{};
            GetWindowRect(window, &rect);
            EXPECT_EQ(rect.right - rect.left, 200);
            EXPECT_EQ(rect.bottom - rect.top, 100);

            ASSERT_EQ(close ? ole->Close(OLECLOSE_NOSAVE) : in_place->InPlaceDeactivate(), S_OK);
            EXPECT_EQ(ole->Unadvise(cookie), S_OK);
            // Done again, nothing more happens.
            ASSERT_EQ(close ? ole->Close(OLECLOSE_NOSAVE) : in_place->InPlaceDeactivate(), S_OK);
            EXPECT_EQ(site.ui_deactivations + site.deactivations, 2);
            EXPECT_EQ(site.closes, close ? 1 : 0);
            EXPECT_EQ(site.saves, 0);
            EXPECT_FALSE(IsWindow(window));
            EXPECT_EQ(in_place->GetWindow(&window), E_FAIL);
            ole->SetClientSite(nullptr);
            EXPECT_EQ(site.refs, 1);
        }
    });
    DestroyWindow(parent);
}

// The extent is kept for the content aspect and makes the control dirty; the empty property set
// round-trips through a stream and (but for the trace class) a storage.
TEST_F(ControlTest, ExtentAndPersistence) {
    for_each_class([](const ClassUnderTest& c, com::com_ptr<IUnknown>& object) {
        auto ole = com::query<IOleObject>(object.get());
        auto persist = com::query<IPersistStreamInit>(object.get());
        SIZEL size{1000, 500}, read{};
        EXPECT_EQ(persist->IsDirty(), S_FALSE);
        ASSERT_EQ(ole->SetExtent(DVASPECT_CONTENT, &size), S_OK);
        EXPECT_EQ(persist->IsDirty(), S_OK);
        ASSERT_EQ(com::query<IViewObject2>(object.get())->GetExtent(DVASPECT_CONTENT, -1, nullptr, &read),
                  S_OK);
        EXPECT_EQ(read.cx, 1000);
        EXPECT_EQ(ole->SetExtent(DVASPECT_ICON, &size), E_FAIL);

        CLSID clsid{};
        ASSERT_EQ(persist->GetClassID(&clsid), S_OK);
        EXPECT_TRUE(IsEqualCLSID(clsid, *c.clsid));
        com::com_ptr<IStream> stream;
        ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.put()), S_OK);
        ULARGE_INTEGER max{};
        ASSERT_EQ(persist->GetSizeMax(&max), S_OK);
        ASSERT_EQ(persist->Save(stream.get(), TRUE), S_OK);
        STATSTG stat{};
        stream->Stat(&stat, STATFLAG_NONAME);
        EXPECT_EQ(stat.cbSize.QuadPart, max.QuadPart);
        LARGE_INTEGER zero{};
        stream->Seek(zero, STREAM_SEEK_SET, nullptr);
        EXPECT_EQ(persist->Load(stream.get()), S_OK);
        EXPECT_EQ(persist->Load(stream.get()), E_FAIL); // the stream ends before a property set

        auto storage_persist = com::query<IPersistStorage>(object.get());
        if (!storage_persist)
            return;
        com::com_ptr<ILockBytes> bytes;
        com::com_ptr<IStorage> storage;
        ASSERT_EQ(CreateILockBytesOnHGlobal(nullptr, TRUE, bytes.put()), S_OK);
        ASSERT_EQ(StgCreateDocfileOnILockBytes(
                      bytes.get(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, storage.put()),
                  S_OK);
        EXPECT_EQ(storage_persist->Load(storage.get()), STG_E_FILENOTFOUND); // nothing saved yet
        ASSERT_EQ(storage_persist->InitNew(storage.get()), S_OK);
        ASSERT_EQ(storage_persist->Save(storage.get(), TRUE), S_OK);
        ASSERT_EQ(storage_persist->SaveCompleted(nullptr), S_OK);
        EXPECT_EQ(storage_persist->Load(storage.get()), S_OK);
    });
}

TEST_F(ControlTest, DataObjectHandsOutTheLabelAsAMetafile) {
    for_each_class([](const ClassUnderTest& c, com::com_ptr<IUnknown>& object) {
        auto data = com::query<IDataObject>(object.get());
        if (!data)
            return; // the trace class has none
        FORMATETC format{CF_METAFILEPICT, nullptr, DVASPECT_CONTENT, -1, TYMED_MFPICT};
        STGMEDIUM medium{};
        ASSERT_EQ(data->GetData(&format, &medium), S_OK) << std::string(c.name, c.name + wcslen(c.name));
        ASSERT_EQ(medium.tymed, static_cast<DWORD>(TYMED_MFPICT));
        auto* picture = static_cast<METAFILEPICT*>(GlobalLock(medium.hMetaFilePict));
        EXPECT_EQ(picture->mm, MM_ANISOTROPIC);
        EXPECT_EQ(picture->xExt, 5080);
        EXPECT_GT(GetMetaFileBitsEx(picture->hMF, 0, nullptr), 0u);
        GlobalUnlock(medium.hMetaFilePict);
        ReleaseStgMedium(&medium);

        FORMATETC text{CF_TEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        EXPECT_EQ(data->GetData(&text, &medium), DATA_E_FORMATETC);
        EXPECT_EQ(data->QueryGetData(&format), S_OK);
        EXPECT_EQ(data->QueryGetData(&text), DATA_E_FORMATETC);
    });
}

} // namespace
} // namespace vex::test
