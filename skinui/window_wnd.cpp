#include "skinui/window_wnd.h"

#include <algorithm>

namespace SkinUI {

CWindowWnd::~CWindowWnd() {
    if (m_hWnd && GetWindowSystem() && GetWindowSystem()->IsWindow(m_hWnd)) {
        WindowHandle window = m_hWnd;
        GetWindowSystem()->DestroyWindow(window);
    }
}

WindowHandle CWindowWnd::Create(WindowHandle parent, const std::wstring& name, std::uint32_t style,
                                std::uint32_t exStyle, int x, int y, int cx, int cy) {
    WindowSystem* system = GetWindowSystem();
    if (!system) return nullptr;
    UiRect rect{x, y, cx == CW_USEDEFAULT ? CW_USEDEFAULT : x + cx, cy == CW_USEDEFAULT ? CW_USEDEFAULT : y + cy};
    if (x == CW_USEDEFAULT || cx == CW_USEDEFAULT) rect = {CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT};
    // The handle is known to this object from the first message on (WM_CREATE included).
    return system->CreateNativeWindow(this, parent, name, style, exStyle, rect);
}

void CWindowWnd::ShowWindow(bool show, bool takeFocus) {
    if (!m_hWnd || !GetWindowSystem()) return;
    GetWindowSystem()->ShowWindow(m_hWnd, show ? (takeFocus ? ShowCommand::Show : ShowCommand::ShowNoActivate)
                                               : ShowCommand::Hide);
}

int CWindowWnd::ShowModal() {
    WindowSystem* system = GetWindowSystem();
    if (!system || !m_hWnd) return -1;
    WindowHandle window = m_hWnd;
    m_modalOwner = system->GetParent(window);
    m_modal = true;
    m_modalResult = 0;
    system->ShowWindow(window, ShowCommand::Show);
    if (m_modalOwner) system->EnableWindow(m_modalOwner, false);
    bool quit = false;
    while (system->IsWindow(window)) {
        Utils::PumpStep step = system->PumpOne(0xFFFFFFFF);
        if (step == Utils::PumpStep::Quit) {
            quit = true;
            break;
        }
    }
    ReturnToModalOwner();
    (void)quit;  // the pump has posted the quit message again for the outer loop
    m_modal = false;
    return m_modalResult;
}

void CWindowWnd::Close(int result) {
    if (m_hWnd && GetWindowSystem() && GetWindowSystem()->IsWindow(m_hWnd)) {
        PostMessage(WM_CLOSE, static_cast<WPARAM>(result), 0);
    }
}

void CWindowWnd::CenterWindow() {
    WindowSystem* system = GetWindowSystem();
    if (!system || !m_hWnd) return;
    UiRect window = system->GetWindowRect(m_hWnd);
    UiRect area = system->GetWorkArea(m_hWnd);
    UiRect centreOn = area;
    WindowHandle owner = system->GetParent(m_hWnd);
    if (owner && system->IsWindow(owner)) centreOn = system->GetWindowRect(owner);
    int width = window.Width(), height = window.Height();
    int x = centreOn.left + (centreOn.Width() - width) / 2;
    int y = centreOn.top + (centreOn.Height() - height) / 2;
    x = std::max(area.left, std::min(x, area.right - width));
    y = std::max(area.top, std::min(y, area.bottom - height));
    system->MoveWindow(m_hWnd, {x, y, x + width, y + height});
}

bool CWindowWnd::SetIcon(int resourceId) {
    return m_hWnd && GetWindowSystem() && GetWindowSystem()->SetIcon(m_hWnd, resourceId);
}

void CWindowWnd::ResizeClient(int cx, int cy) {
    if (!m_hWnd || !GetWindowSystem()) return;
    UiRect r = GetWindowSystem()->GetWindowRect(m_hWnd);
    GetWindowSystem()->MoveWindow(m_hWnd, {r.left, r.top, r.left + cx, r.top + cy});
}

LRESULT CWindowWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!m_hWnd || !GetWindowSystem()) return 0;
    return GetWindowSystem()->SendMessage(m_hWnd, message, wParam, lParam);
}

bool CWindowWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!m_hWnd || !GetWindowSystem()) return false;
    return GetWindowSystem()->PostMessage(m_hWnd, message, wParam, lParam);
}

LRESULT CWindowWnd::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return GetWindowSystem()->DefWindowProc(m_hWnd, message, wParam, lParam);
}

void CWindowWnd::OnLastMessage(WindowHandle) {}

void CWindowWnd::ReturnToModalOwner() {
    WindowSystem* system = GetWindowSystem();
    if (!m_modalOwner || !system || !system->IsWindow(m_modalOwner)) return;
    system->EnableWindow(m_modalOwner, true);
    system->SetForeground(m_modalOwner);
    system->SetFocus(m_modalOwner);
}

LRESULT CWindowWnd::WindowProc(WindowHandle window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE || !m_hWnd) m_hWnd = window;
    if (message == WM_CLOSE && m_modal) {
        // Activation returns to the owner before this window goes.
        m_modalResult = static_cast<int>(wParam);
        ReturnToModalOwner();
    }
    if (message == WM_NCDESTROY) {
        LRESULT result = HandleMessage(message, wParam, lParam);
        m_hWnd = nullptr;
        OnLastMessage(window);
        return result;
    }
    return HandleMessage(message, wParam, lParam);
}

}  // namespace SkinUI
