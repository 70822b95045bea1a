#include "ui/wnd_shadow.h"

#include <algorithm>
#include <map>

#include "skinui/skin_resources.h"
#include "utils/debug_log.h"

using namespace SkinUI;

namespace {

std::map<WindowHandle, CWndShadow*>& Shadows() {
    static std::map<WindowHandle, CWndShadow*> shadows;
    return shadows;
}

bool g_registered = false;

}  // namespace

bool CWndShadow::Initialize() {
    WindowSystem* system = GetWindowSystem();
    g_registered = system && system->HasLayeredWindows();
    if (!g_registered) DEBUG_LOG(L"no layered windows: shadows are off");
    return g_registered;
}

CWndShadow* CWndShadow::FromParent(WindowHandle parent) {
    auto found = Shadows().find(parent);
    return found == Shadows().end() ? nullptr : found->second;
}

CWndShadow::~CWndShadow() {
    WindowSystem* system = GetWindowSystem();
    if (system && m_parent && system->IsWindow(m_parent)) system->RemoveMessageHook(m_parent, this);
    // Gone with this object: a close posted for later would reach a procedure that is no more.
    if (system && m_window && system->IsWindow(m_window)) system->DestroyWindow(m_window);
    if (m_parent && FromParent(m_parent) == this) Shadows().erase(m_parent);
}

bool CWndShadow::Create(WindowHandle parent) {
    WindowSystem* system = GetWindowSystem();
    if (!g_registered || !system || !system->HasLayeredWindows() || !system->IsWindow(parent) || m_window) return false;
    Shadows()[parent] = this;
    m_parent = parent;
    UiRect place = system->GetWindowRect(parent);
    place.right = place.left;
    place.bottom = place.top;
    m_window = system->CreateNativeWindow(this, parent, L"SkinShadowWnd", WS_POPUPWINDOW,
                                    WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_NOACTIVATE, place);
    if (!m_window) {
        Shadows().erase(parent);
        m_parent = nullptr;
        return false;
    }
    if (!system->IsVisible(parent)) {
        m_status = kEnabled;
    } else if (system->IsMinimized(parent) || system->IsMaximized(parent)) {
        m_status = kEnabled | kParentVisible;
    } else {
        m_status = kEnabled | kShown | kParentVisible;
        Update();
    }
    system->AddMessageHook(parent, this);
    return true;
}

bool CWndShadow::SetDarkness(int darkness) {
    if (darkness < 0 || darkness > 255) return false;
    m_darkness = static_cast<std::uint8_t>(darkness);
    RedrawIfShown();
    return true;
}

bool CWndShadow::SetSharpness(int sharpness) {
    if (sharpness < 0 || sharpness > 20) return false;
    m_sharpness = static_cast<std::uint8_t>(sharpness);
    RedrawIfShown();
    return true;
}

bool CWndShadow::SetSize(int size) {
    if (size < -20 || size > 20) return false;
    m_size = static_cast<std::int8_t>(size);
    RedrawIfShown();
    return true;
}

bool CWndShadow::SetPosition(int x, int y) {
    if (x < -20 || x > 20 || y < -20 || y > 20) return false;
    m_x = static_cast<std::int8_t>(x);
    m_y = static_cast<std::int8_t>(y);
    RedrawIfShown();
    return true;
}

bool CWndShadow::SetColor(std::uint32_t colorRef) {
    m_color = colorRef;
    RedrawIfShown();
    return true;
}

bool CWndShadow::SetImage(const std::wstring& image, const UiRect& corners, const UiRect& holeOffset) {
    std::shared_ptr<const Image> loaded = SkinResources::Instance().LoadImage(image);
    if (!loaded) return false;
    m_image = std::move(loaded);
    m_corners = corners;
    m_holeOffset = holeOffset;
    RedrawIfShown();
    return true;
}

Bitmap CWndShadow::Draw(UiRect& place) const {
    WindowSystem* system = GetWindowSystem();
    place = {};
    if (!system || !system->IsWindow(m_parent)) return {};
    const UiRect parent = system->GetWindowRect(m_parent);
    const UiSize size{parent.Width(), parent.Height()};
    Bitmap pixels;
    if (m_image) {
        pixels = DrawImageShadow(size, m_image->bitmap, m_corners, m_holeOffset);
    } else {
        SoftShadow soft{m_size, m_sharpness, m_darkness, m_x, m_y, m_color};
        pixels = DrawSoftShadow(size, system->GetRoundRegion(m_parent), soft);
    }
    const UiPoint origin = Origin(parent);
    if (!pixels.IsEmpty()) place = {origin.x, origin.y, origin.x + pixels.Width(), origin.y + pixels.Height()};
    return pixels;
}

UiPoint CWndShadow::Origin(const UiRect& parent) const {
    if (m_image) return {parent.left - std::max(m_corners.left, 0), parent.top - std::max(m_corners.top, 0)};
    return {parent.left + m_x - m_size, parent.top + m_y - m_size};
}

void CWndShadow::Update() {
    WindowSystem* system = GetWindowSystem();
    if (!system || !system->IsWindow(m_window)) return;
    UiRect place;
    Bitmap pixels = Draw(place);
    if (pixels.IsEmpty()) {
        system->ShowWindow(m_window, ShowCommand::Hide);
        return;
    }
    system->UpdateLayeredWindow(m_window, place, pixels);
    if ((m_status & kShown) && !system->IsVisible(m_window)) system->ShowWindow(m_window, ShowCommand::ShowNoActivate);
}

void CWndShadow::Hide() {
    m_status &= static_cast<std::uint8_t>(~kShown);
    WindowSystem* system = GetWindowSystem();
    if (system && system->IsWindow(m_window)) system->ShowWindow(m_window, ShowCommand::Hide);
}

LRESULT CWndShadow::WindowProc(WindowHandle window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCDESTROY && window == m_window) m_window = nullptr;
    return GetWindowSystem()->DefWindowProc(window, message, wParam, lParam);
}

void CWndShadow::BeforeMessage(WindowHandle, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowSystem* system = GetWindowSystem();
    switch (message) {
    case WM_DESTROY:
        if (m_window && system->IsWindow(m_window)) system->DestroyWindow(m_window);
        break;
    case WM_MOVE:
        if ((m_status & kShown) && system->IsWindow(m_window)) {
            const UiPoint origin = Origin(system->GetWindowRect(m_parent));
            const UiRect now = system->GetWindowRect(m_window);
            system->MoveWindow(m_window, {origin.x, origin.y, origin.x + now.Width(), origin.y + now.Height()});
        }
        break;
    case WM_SIZE:
        if (!(m_status & kEnabled)) break;
        if (wParam == SIZE_MINIMIZED || wParam == SIZE_MAXIMIZED) {
            Hide();
        } else if (m_status & kParentVisible) {
            const bool notLarger = LowWord(lParam) <= static_cast<int>(m_lastParentSize & 0xFFFF) &&
                                   HighWord(lParam) <= static_cast<int>(m_lastParentSize >> 16);
            m_status |= kShown;
            // A growing window waits for its paint, so that a resize does not recompute the
            // shadow for every step.
            if (notLarger) Update();
            else m_redrawPending = true;
        }
        m_lastParentSize = static_cast<std::uint32_t>(lParam);
        break;
    case WM_PAINT:
        if (m_redrawPending) {
            m_redrawPending = false;
            Update();
        }
        break;
    case WM_ACTIVATE:
    case WM_EXITSIZEMOVE:
        RedrawIfShown();
        break;
    case WM_SHOWWINDOW:
        if (m_status & kEnabled) {
            if (wParam == 0) {
                m_status &= static_cast<std::uint8_t>(~kParentVisible);
                Hide();
            } else {
                m_status |= kShown | kParentVisible;
                m_redrawPending = true;
            }
        }
        break;
    case WM_NCDESTROY:
        if (FromParent(m_parent) == this) Shadows().erase(m_parent);
        m_parent = nullptr;
        break;
    default:
        break;
    }
}
