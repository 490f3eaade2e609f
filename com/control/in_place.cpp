// In-place activation: IOleInPlaceObjectWindowless, IOleInPlaceActiveObject and the control's window.
#include "com/control/control.h"

#include "com/module.h"

namespace vex::com {
namespace {

constexpr wchar_t window_class_name[] = L"VexControlWindow";

ATOM register_window_class(WNDPROC proc) noexcept {
    static ATOM atom = 0;
    if (atom)
        return atom;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = proc;
    wc.hInstance = Module::instance().handle();
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = window_class_name;
    atom = RegisterClassExW(&wc);
    if (!atom && GetLastError() == ERROR_CLASS_ALREADY_EXISTS)
        atom = static_cast<ATOM>(GetClassInfoExW(wc.hInstance, window_class_name, &wc));
    return atom;
}

} // namespace

HRESULT ControlBase::in_place_activate(bool ui_activate, HWND parent, LPCRECT pos) noexcept {
    if (!m_client_site)
        return S_OK; // nowhere to activate in
    if (!m_in_place_active) {
        auto windowless_site = m_client_site.try_query<IOleInPlaceSiteWindowless>();
        if (windowless_site) {
            m_in_place_site = windowless_site;
            m_windowless = windowless_site->CanWindowlessActivate() == S_OK;
        } else {
            m_client_site.query_to(m_in_place_site);
            m_windowless = false;
        }
        if (!m_in_place_site)
            return E_FAIL;
        if (m_in_place_site->CanInPlaceActivate() != S_OK)
            return E_FAIL;
        m_in_place_active = true;
        HRESULT hr;
        if (auto site_ex = m_in_place_site.try_query<IOleInPlaceSiteEx>()) {
            BOOL no_redraw = FALSE;
            hr = site_ex->OnInPlaceActivateEx(&no_redraw, m_windowless ? ACTIVATE_WINDOWLESS : 0);
        } else {
            hr = m_in_place_site->OnInPlaceActivate();
        }
        if (FAILED(hr)) {
            m_in_place_active = false;
            return hr;
        }

        OLEINPLACEFRAMEINFO frame_info{};
        frame_info.cb = sizeof(frame_info);
        RECT pos_rect{}, clip_rect{};
        hr = m_in_place_site->GetWindowContext(m_frame.put(), m_document_window.put(), &pos_rect, &clip_rect,
                                               &frame_info);
        if (SUCCEEDED(hr))
            m_pos = pos_rect;
        else if (pos)
            m_pos = *pos;

        if (!m_windowless) {
            HWND site_window = nullptr;
            if (FAILED(m_in_place_site->GetWindow(&site_window)) || !site_window)
                site_window = parent;
            hr = create_window(site_window);
            if (FAILED(hr)) {
                InPlaceDeactivate();
                return hr;
            }
        }
        m_client_site->ShowObject();
    }

    if (ui_activate && !m_ui_active) {
        m_ui_active = true;
        m_in_place_site->OnUIActivate();
        if (m_window)
            SetFocus(m_window);
        auto* active = static_cast<IOleInPlaceActiveObject*>(this);
        if (m_frame) {
            m_frame->SetActiveObject(active, nullptr);
            m_frame->SetBorderSpace(nullptr);
        }
        if (m_document_window) {
            m_document_window->SetActiveObject(active, nullptr);
            m_document_window->SetBorderSpace(nullptr);
        }
    }
    return S_OK;
}

HRESULT ControlBase::create_window(HWND parent) noexcept {
    if (m_window)
        return S_OK;
    if (!register_window_class(window_proc))
        return HRESULT_FROM_WIN32(GetLastError());
    m_window = CreateWindowExW(0, window_class_name, L"", control_window_style, m_pos.left, m_pos.top,
                               m_pos.right - m_pos.left, m_pos.bottom - m_pos.top, parent, nullptr,
                               Module::instance().handle(), this);
    return m_window ? S_OK : HRESULT_FROM_WIN32(GetLastError());
}

void ControlBase::destroy_window() noexcept {
    if (HWND window = m_window) {
        m_window = nullptr;
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        DestroyWindow(window);
    }
}

LRESULT CALLBACK ControlBase::window_proc(HWND window, UINT msg, WPARAM wparam, LPARAM lparam) {
    if (msg == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* control = reinterpret_cast<ControlBase*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (control && msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        RECT client;
        GetClientRect(window, &client);
        draw_label(dc, client, control->m_class.label);
        EndPaint(window, &ps);
        return 0;
    }
    return DefWindowProcW(window, msg, wparam, lparam);
}

STDMETHODIMP ControlBase::GetWindow(HWND* window) {
    if (!window)
        return E_POINTER;
    *window = m_window;
    return m_window ? S_OK : E_FAIL;
}

STDMETHODIMP ControlBase::ContextSensitiveHelp(BOOL) {
    return E_NOTIMPL;
}

STDMETHODIMP ControlBase::InPlaceDeactivate() {
    if (!m_in_place_active)
        return S_OK;
    UIDeactivate();
    m_in_place_active = false;
    destroy_window();
    // The in-place session ends here: the site is told and let go.
    com_ptr<IOleInPlaceSite> site = std::move(m_in_place_site);
    if (site) {
        if (auto site_ex = site.try_query<IOleInPlaceSiteEx>())
            site_ex->OnInPlaceDeactivateEx(TRUE);
        else
            site->OnInPlaceDeactivate();
    }
    m_frame = nullptr;
    m_document_window = nullptr;
    return S_OK;
}

STDMETHODIMP ControlBase::UIDeactivate() {
    if (!m_ui_active)
        return S_OK;
    m_ui_active = false;
    if (m_document_window)
        m_document_window->SetActiveObject(nullptr, nullptr);
    if (m_frame)
        m_frame->SetActiveObject(nullptr, nullptr);
    if (m_in_place_site)
        m_in_place_site->OnUIDeactivate(FALSE);
    return S_OK;
}

STDMETHODIMP ControlBase::SetObjectRects(LPCRECT pos, LPCRECT) {
    if (!pos)
        return E_POINTER;
    m_pos = *pos;
    if (m_window)
        SetWindowPos(m_window, nullptr, pos->left, pos->top, pos->right - pos->left, pos->bottom - pos->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    return S_OK;
}

STDMETHODIMP ControlBase::ReactivateAndUndo() {
    return E_NOTIMPL;
}

STDMETHODIMP ControlBase::OnWindowMessage(UINT, WPARAM, LPARAM, LRESULT* result) {
    if (result)
        *result = 0;
    return S_FALSE; // the control handles no messages of its own
}

STDMETHODIMP ControlBase::GetDropTarget(IDropTarget** target) {
    if (target)
        *target = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP ControlBase::TranslateAccelerator(LPMSG) {
    return S_FALSE;
}

STDMETHODIMP ControlBase::OnFrameWindowActivate(BOOL) {
    return S_OK;
}

STDMETHODIMP ControlBase::OnDocWindowActivate(BOOL) {
    return S_OK;
}

STDMETHODIMP ControlBase::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) {
    return S_OK;
}

STDMETHODIMP ControlBase::EnableModeless(BOOL) {
    return S_OK;
}

} // namespace vex::com
