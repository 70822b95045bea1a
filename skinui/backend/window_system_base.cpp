#include "skinui/backend/window_system_base.h"

#include <algorithm>

#include "skinui/paint_manager.h"
#include "skinui/render/image.h"
#include "skinui/resource.h"

namespace SkinUI {

namespace {

UiRect ClientOf(const UiRect& rect) { return {0, 0, rect.Width(), rect.Height()}; }

}  // namespace

void WindowSystemBase::DestroyAllWindows() {
    while (!m_order.empty()) DestroyWindow(m_order.back());
}

WindowSystemBase::WindowRecord* WindowSystemBase::Find(WindowHandle window) {
    auto found = m_windows.find(window);
    return found == m_windows.end() ? nullptr : found->second.get();
}

const WindowSystemBase::WindowRecord* WindowSystemBase::Find(WindowHandle window) const {
    auto found = m_windows.find(window);
    return found == m_windows.end() ? nullptr : found->second.get();
}

WindowHandle WindowSystemBase::CreateNativeWindow(WindowProcedure* procedure, WindowHandle parent, const std::wstring& title,
                                            std::uint32_t style, std::uint32_t exStyle, UiRect rect) {
    std::unique_ptr<WindowRecord> window = NewRecord();
    window->procedure = procedure;
    window->parent = Find(parent) ? parent : nullptr;
    window->title = title;
    window->style = style & ~WS_VISIBLE;
    window->exStyle = exStyle;
    if (rect.left == CW_USEDEFAULT || rect.right == CW_USEDEFAULT) rect = m_defaultRect;
    window->rect = rect;
    if (!NativeCreate(*window)) return nullptr;
    WindowHandle handle = reinterpret_cast<WindowHandle>(m_nextHandle++);
    m_windows[handle] = std::move(window);
    m_order.push_back(handle);
    if (SendMessage(handle, WM_CREATE, 0, 0) == -1) {
        DestroyWindow(handle);
        return nullptr;
    }
    if (!IsWindow(handle)) return nullptr;
    UiRect r = Find(handle)->rect;
    SendMessage(handle, WM_SIZE, SIZE_RESTORED, MakeLParam(r.Width(), r.Height()));
    InvalidateRect(handle, ClientOf(r));
    if (style & WS_VISIBLE) ShowWindow(handle, ShowCommand::Show);
    return handle;
}

void WindowSystemBase::DestroyWindow(WindowHandle handle) {
    if (!Find(handle)) return;
    // Owned windows go first.
    for (WindowHandle other : std::vector<WindowHandle>(m_order)) {
        const WindowRecord* w = Find(other);
        if (w && w->parent == handle) DestroyWindow(other);
    }
    WindowRecord* window = Find(handle);
    if (!window) return;
    WindowProcedure* procedure = window->procedure;
    window->procedure = nullptr;  // a second destroy from inside the handlers does nothing
    if (!procedure) return;
    Deliver(handle, procedure, WM_DESTROY, 0, 0);
    Deliver(handle, procedure, WM_NCDESTROY, 0, 0);
    NativeDestroy(handle, *Find(handle));
    m_windows.erase(handle);
    std::erase(m_order, handle);
    Forget(handle);
}

void WindowSystemBase::Forget(WindowHandle handle) {
    if (m_focus == handle) m_focus = nullptr;
    if (m_active == handle) m_active = nullptr;
    if (m_capture == handle) {
        m_capture = nullptr;
        CaptureLost();
    }
    if (m_drag.window == handle) m_drag = {};
}

bool WindowSystemBase::IsWindow(WindowHandle window) const {
    const WindowRecord* w = Find(window);
    return w && w->procedure;
}

LRESULT WindowSystemBase::Deliver(WindowHandle handle, WindowProcedure* procedure, UINT message, WPARAM wParam,
                                  LPARAM lParam) {
    if (const WindowRecord* window = Find(handle); window && !window->hooks.empty()) {
        for (MessageHook* hook : std::vector<MessageHook*>(window->hooks)) {
            window = Find(handle);
            if (!window) break;
            if (std::find(window->hooks.begin(), window->hooks.end(), hook) != window->hooks.end()) {
                hook->BeforeMessage(handle, message, wParam, lParam);
            }
        }
    }
    return procedure->WindowProc(handle, message, wParam, lParam);
}

LRESULT WindowSystemBase::SendMessage(WindowHandle handle, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowRecord* window = Find(handle);
    if (!window || !window->procedure) return 0;
    return Deliver(handle, window->procedure, message, wParam, lParam);
}

void WindowSystemBase::PostQuitMessage(int exitCode) {
    PostMessage(nullptr, WM_QUIT, static_cast<WPARAM>(exitCode), 0);
}

LRESULT WindowSystemBase::DefWindowProc(WindowHandle window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_SYSCOMMAND:
        if (wParam == SC_CLOSE) SendMessage(window, WM_CLOSE, 0, 0);
        else if (wParam == SC_MINIMIZE) ShowWindow(window, ShowCommand::Minimize);
        else if (wParam == SC_MAXIMIZE) ShowWindow(window, ShowCommand::Maximize);
        else if (wParam == SC_RESTORE) ShowWindow(window, ShowCommand::Restore);
        return 0;
    case WM_SYSKEYDOWN:
        // Alt+F4 asks the window to close, as its system menu would: the window may refuse.
        if (wParam == VK_F4 && (lParam & kAltHeld)) SendMessage(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    case WM_NCHITTEST:
        return HTCLIENT;
    default:
        return 0;
    }
}

void WindowSystemBase::ShowWindow(WindowHandle handle, ShowCommand command) {
    WindowRecord* window = Find(handle);
    if (!window) return;
    switch (command) {
    case ShowCommand::Hide:
        if (!window->visible) return;
        window->visible = false;
        NativeShow(*window, command);
        SendMessage(handle, WM_SHOWWINDOW, 0, 0);
        return;
    case ShowCommand::Show:
    case ShowCommand::ShowNoActivate: {
        const bool wasVisible = window->visible;
        window->visible = true;
        window->damage = ClientOf(window->rect);
        if (!wasVisible) {
            NativeShow(*window, command);
            SendMessage(handle, WM_SHOWWINDOW, 1, 0);
        }
        window = Find(handle);
        if (command == ShowCommand::Show && window && window->TakesActivation()) {
            SetForeground(handle);
            SetFocus(handle);
        }
        return;
    }
    case ShowCommand::Minimize:
        window->minimized = true;
        NativeShow(*window, command);
        SendMessage(handle, WM_SIZE, SIZE_MINIMIZED, 0);
        return;
    case ShowCommand::Maximize:
        if (!window->maximized) window->restoreRect = window->rect;
        window->maximized = true;
        window->minimized = false;
        MoveWindow(handle, GetWorkArea(handle));
        if (WindowRecord* w = Find(handle)) {
            SendMessage(handle, WM_SIZE, SIZE_MAXIMIZED, MakeLParam(w->rect.Width(), w->rect.Height()));
        }
        return;
    case ShowCommand::Restore:
        window->minimized = false;
        NativeShow(*window, command);
        if (window->maximized) {
            window->maximized = false;
            MoveWindow(handle, window->restoreRect);
        } else {
            window->damage = ClientOf(window->rect);
            SendMessage(handle, WM_SIZE, SIZE_RESTORED, MakeLParam(window->rect.Width(), window->rect.Height()));
        }
        return;
    }
}

bool WindowSystemBase::IsVisible(WindowHandle window) const {
    const WindowRecord* w = Find(window);
    return w && w->visible;
}

bool WindowSystemBase::IsMinimized(WindowHandle window) const {
    const WindowRecord* w = Find(window);
    return w && w->minimized;
}

bool WindowSystemBase::IsMaximized(WindowHandle window) const {
    const WindowRecord* w = Find(window);
    return w && w->maximized;
}

void WindowSystemBase::EnableWindow(WindowHandle window, bool enable) {
    if (WindowRecord* w = Find(window)) w->enabled = enable;
}

bool WindowSystemBase::IsEnabled(WindowHandle window) const {
    const WindowRecord* w = Find(window);
    return w && w->enabled;
}

void WindowSystemBase::SetFocusTo(WindowHandle window) {
    if (window == m_focus || (window && !IsWindow(window))) return;
    WindowHandle old = m_focus;
    m_focus = window;
    if (old) SendMessage(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(window), 0);
    if (window) SendMessage(window, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
}

void WindowSystemBase::SetFocus(WindowHandle window) {
    WindowRecord* w = Find(window);
    if (w && !w->TakesActivation()) return;
    if (w && w->visible && !w->minimized) NativeRaise(*w);
    SetFocusTo(window);
}

void WindowSystemBase::Activate(WindowHandle window) {
    if (window == m_active) return;
    WindowHandle old = m_active;
    m_active = window;
    if (old && IsWindow(old)) SendMessage(old, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(window));
    if (window && IsWindow(window)) SendMessage(window, WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(old));
}

void WindowSystemBase::SetForeground(WindowHandle window) {
    WindowRecord* w = Find(window);
    if (!w || !w->procedure || !w->TakesActivation()) return;
    if (w->visible) NativeRaise(*w);
    Activate(window);
}

WindowHandle WindowSystemBase::GetParent(WindowHandle window) const {
    const WindowRecord* w = Find(window);
    return w ? w->parent : nullptr;
}

void WindowSystemBase::SetTitle(WindowHandle window, const std::wstring& title) {
    if (WindowRecord* w = Find(window)) {
        w->title = title;
        NativeTitle(*w);
    }
}

std::uint32_t WindowSystemBase::GetStyle(WindowHandle window) const {
    const WindowRecord* w = Find(window);
    if (!w) return 0;
    return w->style | (w->visible ? WS_VISIBLE : 0);
}

std::uint32_t WindowSystemBase::GetExStyle(WindowHandle window) const {
    const WindowRecord* w = Find(window);
    return w ? w->exStyle : 0;
}

void WindowSystemBase::SetStyle(WindowHandle window, std::uint32_t style) {
    if (WindowRecord* w = Find(window)) w->style = style & ~WS_VISIBLE;
}

void WindowSystemBase::SetExStyle(WindowHandle window, std::uint32_t exStyle) {
    WindowRecord* w = Find(window);
    if (!w) return;
    const bool topmostChanged = ((w->exStyle ^ exStyle) & WS_EX_TOPMOST) != 0;
    w->exStyle = exStyle;
    if (topmostChanged) NativeTopmost(*w, (exStyle & WS_EX_TOPMOST) != 0);
}

void WindowSystemBase::AddMessageHook(WindowHandle window, MessageHook* hook) {
    WindowRecord* w = Find(window);
    if (!w || !hook || std::find(w->hooks.begin(), w->hooks.end(), hook) != w->hooks.end()) return;
    w->hooks.push_back(hook);
}

void WindowSystemBase::RemoveMessageHook(WindowHandle window, MessageHook* hook) {
    if (WindowRecord* w = Find(window)) std::erase(w->hooks, hook);
}

UiRect WindowSystemBase::GetWindowRect(WindowHandle window) const {
    const WindowRecord* w = Find(window);
    return w ? w->rect : UiRect{};
}

void WindowSystemBase::MoveWindow(WindowHandle handle, const UiRect& rect) {
    WindowRecord* window = Find(handle);
    if (!window) return;
    const UiRect old = window->rect;
    window->rect = rect;
    const bool moved = old.left != rect.left || old.top != rect.top;
    const bool resized = old.Width() != rect.Width() || old.Height() != rect.Height();
    if (resized) window->damage = ClientOf(rect);
    if (moved || resized) NativeMove(*window, moved, resized);
    if (moved) SendMessage(handle, WM_MOVE, 0, MakeLParam(rect.left, rect.top));
    if (resized && Find(handle)) SendMessage(handle, WM_SIZE, SIZE_RESTORED, MakeLParam(rect.Width(), rect.Height()));
}

UiRect WindowSystemBase::KeepPresented(WindowRecord& window, const Bitmap& pixels, const UiRect& area) {
    if (window.presented.Width() != pixels.Width() || window.presented.Height() != pixels.Height()) {
        window.presented = pixels;
        return pixels.Bounds();
    }
    const UiRect part = Intersect(area, pixels.Bounds());
    for (int y = part.top; y < part.bottom; ++y) {
        std::copy(pixels.Row(y) + part.left, pixels.Row(y) + part.right, window.presented.Row(y) + part.left);
    }
    return part;
}

void WindowSystemBase::SetRoundRegion(WindowHandle window, int ellipseWidth, int ellipseHeight) {
    WindowRecord* w = Find(window);
    if (!w) return;
    w->round = {ellipseWidth, ellipseHeight};
    NativeRegion(*w);
}

UiSize WindowSystemBase::GetRoundRegion(WindowHandle window) const {
    const WindowRecord* w = Find(window);
    return w ? w->round : UiSize{};
}

void WindowSystemBase::InvalidateRect(WindowHandle window, const UiRect& rect) {
    WindowRecord* w = Find(window);
    if (!w || w->IsLayered()) return;
    UiRect part = Intersect(rect, ClientOf(w->rect));
    if (!part.IsEmpty()) w->damage = Union(w->damage, part);
}

UiRect WindowSystemBase::BeginPaint(WindowHandle window) {
    WindowRecord* w = Find(window);
    if (!w) return {};
    UiRect area = w->painting;
    w->painting = {};
    return area;
}

bool WindowSystemBase::PaintOne(bool paintHidden) {
    for (WindowHandle handle : std::vector<WindowHandle>(m_order)) {
        WindowRecord* window = Find(handle);
        if (!window || !window->procedure || window->damage.IsEmpty() || (!window->visible && !paintHidden)) continue;
        window->painting = window->damage;
        window->damage = {};
        SendMessage(handle, WM_PAINT, 0, 0);
        if (WindowRecord* painted = Find(handle)) painted->painting = {};
        return true;
    }
    return false;
}

bool WindowSystemBase::UpdateLayeredWindow(WindowHandle handle, const UiRect& rect, const Bitmap& pixels) {
    WindowRecord* window = Find(handle);
    if (!window || !window->IsLayered() || rect.Width() != pixels.Width() || rect.Height() != pixels.Height()) {
        return false;
    }
    window->layered = pixels;
    MoveWindow(handle, rect);
    if (WindowRecord* w = Find(handle)) NativeLayered(*w);
    return true;
}

Bitmap WindowSystemBase::LayeredPixels(WindowHandle window) const {
    const WindowRecord* w = Find(window);
    return w ? w->layered : Bitmap();
}

bool WindowSystemBase::SetIcon(WindowHandle window, int resourceId) {
    ResourceBlob blob = FindResource(L"ICON", resourceId);
    if (!blob.data || blob.size == 0) return false;
    std::shared_ptr<Image> image = DecodeImage(std::vector<std::uint8_t>(blob.data, blob.data + blob.size));
    return image && SetIcon(window, image->bitmap);
}

bool WindowSystemBase::SetIcon(WindowHandle window, const Bitmap& image) {
    WindowRecord* w = Find(window);
    if (!w || image.IsEmpty()) return false;
    w->icon = image;
    return NativeIcon(*w);
}

void WindowSystemBase::DeliverPosted(WindowHandle window, UINT message, WPARAM wParam, LPARAM lParam, bool& quit) {
    if (message == WM_QUIT) {
        m_quitPosted = true;
        m_quitCode = static_cast<int>(wParam);
        quit = true;
        return;
    }
    if (!IsWindow(window)) return;  // its window is gone: dropped
    if (!CPaintManager::TranslateMessage(window, message, wParam, lParam)) SendMessage(window, message, wParam, lParam);
}

LRESULT WindowSystemBase::Input(WindowHandle window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!IsWindow(window)) return 0;
    if (!IsEnabled(window)) {
        InputRefused(window, message);
        return 0;  // a disabled window takes no input
    }
    if (CPaintManager::TranslateMessage(window, message, wParam, lParam)) return 0;
    return SendMessage(window, message, wParam, lParam);
}

void WindowSystemBase::PressAt(WindowHandle handle, int x, int y, UINT message, WPARAM wParam) {
    const WindowRecord* window = Find(handle);
    if (!window || !window->procedure) return;
    LRESULT hit = SendMessage(handle, WM_NCHITTEST, 0, MakeLParam(window->rect.left + x, window->rect.top + y));
    if (hit == HTCAPTION) {
        window = Find(handle);
        if (!window) return;
        m_drag = {handle, {window->rect.left + x, window->rect.top + y}, window->rect};
        SendMessage(handle, WM_ENTERSIZEMOVE, 0, 0);
    } else if (hit == HTCLIENT) {
        Input(handle, message, wParam, MakeLParam(x, y));
    }
}

bool WindowSystemBase::DragTo(WindowHandle handle, int x, int y) {
    const WindowRecord* window = Find(handle);
    if (!window || m_drag.window != handle) return false;
    UiPoint screen{window->rect.left + x, window->rect.top + y};
    UiRect r = m_drag.rect;
    r.Offset(screen.x - m_drag.start.x, screen.y - m_drag.start.y);
    MoveWindow(handle, r);
    // The pointer stays on the same spot of the window while it is dragged.
    m_drag.start = {r.left + x, r.top + y};
    m_drag.rect = r;
    return true;
}

bool WindowSystemBase::EndDrag() {
    if (!m_drag.window) return false;
    WindowHandle window = m_drag.window;
    m_drag = {};
    SendMessage(window, WM_EXITSIZEMOVE, 0, 0);
    return true;
}

WindowHandle WindowSystemBase::OwnedBox(WindowHandle owner) const {
    for (auto it = m_order.rbegin(); it != m_order.rend(); ++it) {
        const WindowRecord* w = Find(*it);
        if (w && w->parent == owner && w->visible && w->enabled && w->TakesActivation()) return *it;
    }
    return nullptr;
}

}  // namespace SkinUI
