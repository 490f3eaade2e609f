// The OLE control side that every class of the module carries: object, in-place and view
// interfaces, persistence of an empty property set, a data object, class information and property
// pages. Behaviour is the standard one of a simple full control; the only drawing of its own is a
// label (a rectangle with one centred text).
//
// A class derives from ControlBase and lists in its QueryInterface table the interfaces it answers.
// ControlBase leaves IUnknown to the object base (ComObject), so every interface here shares the
// object's identity and reference count.
#pragma once

#include "com/com_ptr.h"
#include "com/error_info.h"

#include <ocidl.h>
#include <olectl.h>

namespace vex::com {

struct ControlClass {
    const CLSID* clsid;
    DWORD misc_status;         // answered by IOleObject::GetMiscStatus
    const char* label;         // ANSI text drawn centred in the control's bounds
    const IID* default_source; // default source interface (IProvideClassInfo2), or nullptr
    ErrorSource errors;        // the ProgID and dual interface failures are reported for
};

// Window style of the control's in-place window: WS_CHILD, WS_VISIBLE, WS_CLIPSIBLINGS, WS_CLIPCHILDREN.
inline constexpr DWORD control_window_style = 0x56000000;

// Draws the label: clipped to bounds, a rectangle on the bounds, the text centred on the middle
// (horizontally centred, standing on the horizontal centre line).
void draw_label(HDC dc, const RECT& bounds, const char* text) noexcept;

class ControlBase : public IOleObject,
                    public IOleInPlaceObjectWindowless,
                    public IOleInPlaceActiveObject,
                    public IOleControl,
                    public IViewObjectEx,
                    public IPersistStreamInit,
                    public IPersistStorage,
                    public IDataObject,
                    public IProvideClassInfo2,
                    public ISpecifyPropertyPages,
                    public ISupportErrorInfo {
public:
    // IOleObject
    STDMETHODIMP SetClientSite(IOleClientSite* site) override;
    STDMETHODIMP GetClientSite(IOleClientSite** site) override;
    STDMETHODIMP SetHostNames(LPCOLESTR app, LPCOLESTR object) override;
    STDMETHODIMP Close(DWORD save_option) override;
    STDMETHODIMP SetMoniker(DWORD which, IMoniker* moniker) override;
    STDMETHODIMP GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
    STDMETHODIMP InitFromData(IDataObject* data, BOOL creation, DWORD reserved) override;
    STDMETHODIMP GetClipboardData(DWORD reserved, IDataObject** data) override;
    STDMETHODIMP DoVerb(LONG verb, LPMSG msg, IOleClientSite* site, LONG index, HWND parent,
                        LPCRECT pos) override;
    STDMETHODIMP EnumVerbs(IEnumOLEVERB** verbs) override;
    STDMETHODIMP Update() override;
    STDMETHODIMP IsUpToDate() override;
    STDMETHODIMP GetUserClassID(CLSID* clsid) override;
    STDMETHODIMP GetUserType(DWORD form, LPOLESTR* type) override;
    STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) override;
    STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) override;
    STDMETHODIMP Advise(IAdviseSink* sink, DWORD* cookie) override;
    STDMETHODIMP Unadvise(DWORD cookie) override;
    STDMETHODIMP EnumAdvise(IEnumSTATDATA** advise) override;
    STDMETHODIMP GetMiscStatus(DWORD aspect, DWORD* status) override;
    STDMETHODIMP SetColorScheme(LOGPALETTE* palette) override;

    // IOleWindow (shared by the in-place object and the in-place active object)
    STDMETHODIMP GetWindow(HWND* window) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL enter) override;
    // IOleInPlaceObject(Windowless)
    STDMETHODIMP InPlaceDeactivate() override;
    STDMETHODIMP UIDeactivate() override;
    STDMETHODIMP SetObjectRects(LPCRECT pos, LPCRECT clip) override;
    STDMETHODIMP ReactivateAndUndo() override;
    STDMETHODIMP OnWindowMessage(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT* result) override;
    STDMETHODIMP GetDropTarget(IDropTarget** target) override;
    // IOleInPlaceActiveObject
    STDMETHODIMP TranslateAccelerator(LPMSG msg) override;
    STDMETHODIMP OnFrameWindowActivate(BOOL activate) override;
    STDMETHODIMP OnDocWindowActivate(BOOL activate) override;
    STDMETHODIMP ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frame) override;
    STDMETHODIMP EnableModeless(BOOL enable) override;

    // IOleControl
    STDMETHODIMP GetControlInfo(CONTROLINFO* info) override;
    STDMETHODIMP OnMnemonic(MSG* msg) override;
    STDMETHODIMP OnAmbientPropertyChange(DISPID id) override;
    STDMETHODIMP FreezeEvents(BOOL freeze) override;

    // IViewObject, IViewObject2, IViewObjectEx
    STDMETHODIMP Draw(DWORD aspect, LONG index, void* aspect_info, DVTARGETDEVICE* target, HDC target_dc,
                      HDC draw_dc, LPCRECTL bounds, LPCRECTL window_bounds,
                      BOOL(STDMETHODCALLTYPE* cont)(ULONG_PTR), ULONG_PTR cont_arg) override;
    STDMETHODIMP GetColorSet(DWORD aspect, LONG index, void* aspect_info, DVTARGETDEVICE* target,
                             HDC target_dc, LOGPALETTE** colors) override;
    STDMETHODIMP Freeze(DWORD aspect, LONG index, void* aspect_info, DWORD* freeze) override;
    STDMETHODIMP Unfreeze(DWORD freeze) override;
    STDMETHODIMP SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
    STDMETHODIMP GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
    STDMETHODIMP GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE* target, LPSIZEL size) override;
    STDMETHODIMP GetRect(DWORD aspect, LPRECTL rect) override;
    STDMETHODIMP GetViewStatus(DWORD* status) override;
    STDMETHODIMP QueryHitPoint(DWORD aspect, LPCRECT bounds, POINT location, LONG close_hint,
                               DWORD* hit) override;
    STDMETHODIMP QueryHitRect(DWORD aspect, LPCRECT bounds, LPCRECT location, LONG close_hint,
                              DWORD* hit) override;
    STDMETHODIMP GetNaturalExtent(DWORD aspect, LONG index, DVTARGETDEVICE* target, HDC target_dc,
                                  DVEXTENTINFO* info, LPSIZEL size) override;

    // IPersist, IPersistStreamInit, IPersistStorage
    STDMETHODIMP GetClassID(CLSID* clsid) override;
    STDMETHODIMP IsDirty() override;
    STDMETHODIMP Load(LPSTREAM stream) override;
    STDMETHODIMP Save(LPSTREAM stream, BOOL clear_dirty) override;
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override;
    STDMETHODIMP InitNew() override;
    STDMETHODIMP InitNew(IStorage* storage) override;
    STDMETHODIMP Load(IStorage* storage) override;
    STDMETHODIMP Save(IStorage* storage, BOOL same_as_load) override;
    STDMETHODIMP SaveCompleted(IStorage* storage) override;
    STDMETHODIMP HandsOffStorage() override;

    // IDataObject
    STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override;
    STDMETHODIMP GetDataHere(FORMATETC* format, STGMEDIUM* medium) override;
    STDMETHODIMP QueryGetData(FORMATETC* format) override;
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out) override;
    STDMETHODIMP SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) override;
    STDMETHODIMP EnumFormatEtc(DWORD direction, IEnumFORMATETC** formats) override;
    STDMETHODIMP DAdvise(FORMATETC* format, DWORD flags, IAdviseSink* sink, DWORD* cookie) override;
    STDMETHODIMP DUnadvise(DWORD cookie) override;
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA** advise) override;

    // IProvideClassInfo, IProvideClassInfo2
    STDMETHODIMP GetClassInfo(ITypeInfo** info) override;
    STDMETHODIMP GetGUID(DWORD kind, GUID* guid) override;

    // ISpecifyPropertyPages
    STDMETHODIMP GetPages(CAUUID* pages) override;

    // ISupportErrorInfo: the class's dual interface sets error information when a method fails.
    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override;

    bool in_place_active() const noexcept { return m_in_place_active; }
    bool ui_active() const noexcept { return m_ui_active; }

protected:
    explicit ControlBase(const ControlClass& info) noexcept;
    ~ControlBase();
    ControlBase(const ControlBase&) = delete;
    ControlBase& operator=(const ControlBase&) = delete;

    const ControlClass& control_class() const noexcept { return m_class; }

private:
    HRESULT in_place_activate(bool ui_activate, HWND parent, LPCRECT pos) noexcept;
    HRESULT create_window(HWND parent) noexcept;
    void destroy_window() noexcept;
    HRESULT render_metafile(STGMEDIUM* medium) noexcept;
    static LRESULT CALLBACK window_proc(HWND window, UINT msg, WPARAM wparam, LPARAM lparam);

    const ControlClass& m_class;
    com_ptr<IOleClientSite> m_client_site;
    com_ptr<IOleAdviseHolder> m_ole_advise;
    com_ptr<IDataAdviseHolder> m_data_advise;
    com_ptr<IAdviseSink> m_view_sink;
    DWORD m_view_aspects = 0;
    DWORD m_view_flags = 0;
    com_ptr<IOleInPlaceSite> m_in_place_site;
    com_ptr<IOleInPlaceFrame> m_frame;
    com_ptr<IOleInPlaceUIWindow> m_document_window;
    bool m_in_place_active = false;
    bool m_ui_active = false;
    bool m_windowless = false;
    bool m_dirty = false;
    LONG m_frozen_events = 0;
    HWND m_window = nullptr;
    RECT m_pos{};
    SIZEL m_extent{5080, 5080}; // two inches square, in HIMETRIC
};

} // namespace vex::com

// QueryInterface rows that every control of the module answers.
#define VEX_CONTROL_INTERFACE_ENTRIES(Class)                                                                 \
    VEX_INTERFACE_ENTRY(Class, IViewObjectEx), VEX_INTERFACE_ENTRY(Class, IViewObject2),                     \
        VEX_INTERFACE_ENTRY(Class, IViewObject), VEX_INTERFACE_ENTRY(Class, IOleInPlaceObjectWindowless),    \
        VEX_INTERFACE_ENTRY(Class, IOleInPlaceObject),                                                       \
        VEX_INTERFACE_ENTRY_IID(Class, IID_IOleWindow, IOleInPlaceObjectWindowless),                         \
        VEX_INTERFACE_ENTRY(Class, IOleInPlaceActiveObject), VEX_INTERFACE_ENTRY(Class, IOleControl),        \
        VEX_INTERFACE_ENTRY(Class, IOleObject), VEX_INTERFACE_ENTRY(Class, IPersistStreamInit),              \
        VEX_INTERFACE_ENTRY_IID(Class, IID_IPersist, IPersistStreamInit),                                    \
        VEX_INTERFACE_ENTRY(Class, ISupportErrorInfo)

// Rows of the controls that also hand out data, persist into storages and describe their class.
#define VEX_DOCUMENT_CONTROL_INTERFACE_ENTRIES(Class)                                                        \
    VEX_CONTROL_INTERFACE_ENTRIES(Class), VEX_INTERFACE_ENTRY(Class, IDataObject),                           \
        VEX_INTERFACE_ENTRY(Class, IPersistStorage), VEX_INTERFACE_ENTRY(Class, IProvideClassInfo2),         \
        VEX_INTERFACE_ENTRY_IID(Class, IID_IProvideClassInfo, IProvideClassInfo2)
