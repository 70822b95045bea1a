#include "skinui/backend/sdl/sdl_window_system.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_shape.h>

#include <algorithm>
#include <cstring>

#include "platform/utf8.h"
#include "skinui/backend/sdl/sdl_support.h"
#include "utils/debug_log.h"

namespace SkinUI {

namespace {

constexpr std::uint32_t kSubsystems = SDL_INIT_VIDEO | SDL_INIT_TIMER | SDL_INIT_EVENTS;

SDL_HitTestResult HitTest(SDL_Window* native, const SDL_Point* area, void* data) {
    auto* system = static_cast<SdlWindowSystem*>(data);
    switch (system->NonClientHitTest(native, area->x, area->y)) {
    case HTCAPTION: return SDL_HITTEST_DRAGGABLE;
    case HTLEFT: return SDL_HITTEST_RESIZE_LEFT;
    case HTRIGHT: return SDL_HITTEST_RESIZE_RIGHT;
    case HTTOP: return SDL_HITTEST_RESIZE_TOP;
    case HTBOTTOM: return SDL_HITTEST_RESIZE_BOTTOM;
    case HTTOPLEFT: return SDL_HITTEST_RESIZE_TOPLEFT;
    case HTTOPRIGHT: return SDL_HITTEST_RESIZE_TOPRIGHT;
    case HTBOTTOMLEFT: return SDL_HITTEST_RESIZE_BOTTOMLEFT;
    case HTBOTTOMRIGHT: return SDL_HITTEST_RESIZE_BOTTOMRIGHT;
    default: return SDL_HITTEST_NORMAL;
    }
}

}  // namespace

SdlWindowSystem::SdlWindowSystem() : m_timers(std::make_unique<TimerTable>()) {
    // The texture is shown pixel for pixel; Ctrl+C ends the process as any other program.
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    // A poll would otherwise report an empty queue once per batch while events still wait.
    SDL_SetHint(SDL_HINT_POLL_SENTINEL, "0");
    if (SDL_InitSubSystem(kSubsystems) != 0) {
        m_error = SdlError(L"cannot open a display");
        DEBUG_LOG(L"%s", m_error.c_str());
        SDL_Quit();  // whatever part did start
        return;
    }
    // SDL falls back to drawing nowhere when no display answers; only a caller who asked for that
    // (tests) gets it, anyone else would wait for a window nobody can see.
    const char* requested = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    if (DisplayIsVirtual() && (!requested || std::strstr(requested, SDL_GetCurrentVideoDriver()) == nullptr)) {
        m_error = L"cannot open a display: no X11 or Wayland display answered";
        DEBUG_LOG(L"%s", m_error.c_str());
        SDL_QuitSubSystem(kSubsystems);
        SDL_Quit();
        return;
    }
    m_postEvent = SDL_RegisterEvents(2);
    if (m_postEvent == static_cast<std::uint32_t>(-1)) {
        m_error = L"no SDL event type left for posted messages";
        SDL_QuitSubSystem(kSubsystems);
        SDL_Quit();
        return;
    }
    m_timerEvent = m_postEvent + 1;
    m_timers->eventType = m_timerEvent;
    m_ready = true;
}

SdlWindowSystem::~SdlWindowSystem() {
    while (!m_order.empty()) DestroyWindow(m_order.back());
    for (auto& [shape, cursor] : m_cursors) SDL_FreeCursor(cursor);
    if (m_ready) {
        {
            std::lock_guard lock(m_timers->mutex);
            for (auto& [key, entry] : m_timers->entries) SDL_RemoveTimer(entry.sdlTimer);
            m_timers->entries.clear();
        }
        // Quitting the timer subsystem joins SDL's timer thread, so no callback outlives the table.
        SDL_QuitSubSystem(kSubsystems);
        SDL_Quit();
    }
}

SdlWindowSystem::Window* SdlWindowSystem::Find(WindowHandle window) {
    auto found = m_windows.find(window);
    return found == m_windows.end() ? nullptr : found->second.get();
}

const SdlWindowSystem::Window* SdlWindowSystem::Find(WindowHandle window) const {
    auto found = m_windows.find(window);
    return found == m_windows.end() ? nullptr : found->second.get();
}

bool SdlWindowSystem::MakeNative(Window& window, const std::wstring& title) {
    const std::string utf8 = platform::WideToUtf8(title);
    const UiRect& r = window.rect;
    const Uint32 flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS;
    // A shaped window can carry the rounded region; where shaping is unknown it is rectangular.
    if (r.left >= 0 && r.top >= 0) {
        window.native = SDL_CreateShapedWindow(utf8.c_str(), r.left, r.top, r.Width(), r.Height(), flags);
        window.shaped = window.native != nullptr;
    }
    if (!window.native) window.native = SDL_CreateWindow(utf8.c_str(), r.left, r.top, r.Width(), r.Height(), flags);
    if (!window.native) {
        m_error = SdlError(L"cannot create a window");
        return false;
    }
    SDL_SetWindowPosition(window.native, r.left, r.top);
    SDL_SetWindowHitTest(window.native, HitTest, this);
    return true;
}

void SdlWindowSystem::DropRenderer(Window& window) {
    if (window.texture) SDL_DestroyTexture(window.texture);
    if (window.renderer) SDL_DestroyRenderer(window.renderer);
    window.texture = nullptr;
    window.renderer = nullptr;
    window.textureWidth = window.textureHeight = 0;
}

void SdlWindowSystem::ReleaseNative(Window& window) {
    DropRenderer(window);
    if (window.native) SDL_DestroyWindow(window.native);
    window.native = nullptr;
}

WindowHandle SdlWindowSystem::CreateWindow(WindowProcedure* procedure, WindowHandle parent, const std::wstring& title,
                                           std::uint32_t style, std::uint32_t exStyle, UiRect rect) {
    if (!m_ready) {
        DEBUG_LOG(L"no window: %s", m_error.c_str());
        return nullptr;
    }
    auto window = std::make_unique<Window>();
    window->procedure = procedure;
    window->parent = Find(parent) ? parent : nullptr;
    window->style = style & ~WS_VISIBLE;
    window->exStyle = exStyle;
    if (rect.left == CW_USEDEFAULT || rect.right == CW_USEDEFAULT) rect = {100, 100, 740, 580};
    window->rect = rect;
    if (!MakeNative(*window, title)) {
        DEBUG_LOG(L"no window: %s", m_error.c_str());
        ReleaseNative(*window);
        return nullptr;
    }
    if (exStyle & WS_EX_TOPMOST) SDL_SetWindowAlwaysOnTop(window->native, SDL_TRUE);
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
    if (style & WS_VISIBLE) ShowWindow(handle, ShowCommand::Show);
    return handle;
}

void SdlWindowSystem::DestroyWindow(WindowHandle handle) {
    if (!Find(handle)) return;
    // Owned windows go first.
    for (WindowHandle other : std::vector<WindowHandle>(m_order)) {
        const Window* w = Find(other);
        if (w && w->parent == handle) DestroyWindow(other);
    }
    Window* window = Find(handle);
    if (!window) return;
    WindowProcedure* procedure = window->procedure;
    window->procedure = nullptr;  // a second destroy from inside the handlers does nothing
    if (!procedure) return;
    procedure->WindowProc(handle, WM_DESTROY, 0, 0);
    procedure->WindowProc(handle, WM_NCDESTROY, 0, 0);
    window = Find(handle);
    for (auto& [id, key] : window->timers) {
        std::lock_guard lock(m_timers->mutex);
        auto entry = m_timers->entries.find(key);
        if (entry != m_timers->entries.end()) {
            SDL_RemoveTimer(entry->second.sdlTimer);
            m_timers->entries.erase(entry);
        }
    }
    ReleaseNative(*window);
    m_windows.erase(handle);
    std::erase(m_order, handle);
    ForgetWindowState(handle);
}

void SdlWindowSystem::ForgetWindowState(WindowHandle handle) {
    if (m_focus == handle) m_focus = nullptr;
    if (m_foreground == handle) m_foreground = nullptr;
    if (m_capture == handle) {
        m_capture = nullptr;
        SDL_CaptureMouse(SDL_FALSE);
    }
    if (m_drag.window == handle) m_drag = {};
}

bool SdlWindowSystem::IsWindow(WindowHandle window) const {
    const Window* w = Find(window);
    return w && w->procedure;
}

LRESULT SdlWindowSystem::SendMessage(WindowHandle handle, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* window = Find(handle);
    if (!window || !window->procedure) return 0;
    return window->procedure->WindowProc(handle, message, wParam, lParam);
}

bool SdlWindowSystem::PostMessage(WindowHandle window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!m_ready) return false;
    // The whole message rides in the event, so nothing is left to free when a queue is dropped.
    SDL_Event event{};
    event.type = m_postEvent;
    event.user.windowID = static_cast<Uint32>(reinterpret_cast<std::uintptr_t>(window));
    event.user.code = static_cast<Sint32>(message);
    event.user.data1 = reinterpret_cast<void*>(wParam);
    event.user.data2 = reinterpret_cast<void*>(lParam);
    return SDL_PushEvent(&event) == 1;
}

void SdlWindowSystem::PostQuitMessage(int exitCode) { PostMessage(nullptr, WM_QUIT, static_cast<WPARAM>(exitCode), 0); }

LRESULT SdlWindowSystem::DefWindowProc(WindowHandle window, UINT message, WPARAM wParam, LPARAM) {
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
    case WM_NCHITTEST:
        return HTCLIENT;
    default:
        return 0;
    }
}

void SdlWindowSystem::ShowWindow(WindowHandle handle, ShowCommand command) {
    Window* window = Find(handle);
    if (!window) return;
    switch (command) {
    case ShowCommand::Hide:
        if (!window->visible) return;
        window->visible = false;
        SDL_HideWindow(window->native);
        SendMessage(handle, WM_SHOWWINDOW, 0, 0);
        return;
    case ShowCommand::Show:
    case ShowCommand::ShowNoActivate: {
        bool wasVisible = window->visible;
        window->visible = true;
        window->invalid = true;
        if (!wasVisible) {
            // An owned window stays above its owner, as Windows keeps it.
            if (const Window* owner = Find(window->parent)) SDL_SetWindowModalFor(window->native, owner->native);
            SDL_ShowWindow(window->native);
            // Some window managers place a newly mapped window themselves.
            SDL_SetWindowPosition(window->native, window->rect.left, window->rect.top);
            SendMessage(handle, WM_SHOWWINDOW, 1, 0);
        }
        if (command == ShowCommand::Show) {
            SetForeground(handle);
            SetFocus(handle);
        }
        return;
    }
    case ShowCommand::Minimize:
        window->minimized = true;
        SDL_MinimizeWindow(window->native);
        SendMessage(handle, WM_SIZE, SIZE_MINIMIZED, 0);
        return;
    case ShowCommand::Maximize:
        if (!window->maximized) window->restoreRect = window->rect;
        window->maximized = true;
        window->minimized = false;
        MoveWindow(handle, GetWorkArea(handle));
        if (Window* w = Find(handle)) SendMessage(handle, WM_SIZE, SIZE_MAXIMIZED, MakeLParam(w->rect.Width(), w->rect.Height()));
        return;
    case ShowCommand::Restore:
        window->minimized = false;
        SDL_RestoreWindow(window->native);
        if (window->maximized) {
            window->maximized = false;
            MoveWindow(handle, window->restoreRect);
        } else {
            window->invalid = true;
            SendMessage(handle, WM_SIZE, SIZE_RESTORED, MakeLParam(window->rect.Width(), window->rect.Height()));
        }
        return;
    }
}

bool SdlWindowSystem::IsVisible(WindowHandle window) const {
    const Window* w = Find(window);
    return w && w->visible;
}

bool SdlWindowSystem::IsMinimized(WindowHandle window) const {
    const Window* w = Find(window);
    return w && w->minimized;
}

bool SdlWindowSystem::IsMaximized(WindowHandle window) const {
    const Window* w = Find(window);
    return w && w->maximized;
}

void SdlWindowSystem::EnableWindow(WindowHandle window, bool enable) {
    if (Window* w = Find(window)) w->enabled = enable;
}

bool SdlWindowSystem::IsEnabled(WindowHandle window) const {
    const Window* w = Find(window);
    return w && w->enabled;
}

void SdlWindowSystem::SetFocusTo(WindowHandle window) {
    if (window == m_focus || (window && !IsWindow(window))) return;
    WindowHandle old = m_focus;
    m_focus = window;
    if (old) SendMessage(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(window), 0);
    if (window) SendMessage(window, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
}

void SdlWindowSystem::SetFocus(WindowHandle window) {
    const Window* w = Find(window);
    if (w && w->visible && !w->minimized) SDL_RaiseWindow(w->native);
    SetFocusTo(window);
}

void SdlWindowSystem::SetForeground(WindowHandle window) {
    if (!IsWindow(window)) return;
    m_foreground = window;
    const Window* w = Find(window);
    if (w->visible) SDL_RaiseWindow(w->native);
}

WindowHandle SdlWindowSystem::GetParent(WindowHandle window) const {
    const Window* w = Find(window);
    return w ? w->parent : nullptr;
}

void SdlWindowSystem::SetTitle(WindowHandle window, const std::wstring& title) {
    if (Window* w = Find(window)) SDL_SetWindowTitle(w->native, platform::WideToUtf8(title).c_str());
}

std::uint32_t SdlWindowSystem::GetStyle(WindowHandle window) const {
    const Window* w = Find(window);
    if (!w) return 0;
    return w->style | (w->visible ? WS_VISIBLE : 0);
}

void SdlWindowSystem::SetStyle(WindowHandle window, std::uint32_t style, std::uint32_t exStyle) {
    Window* w = Find(window);
    if (!w) return;
    if ((w->exStyle ^ exStyle) & WS_EX_TOPMOST) {
        SDL_SetWindowAlwaysOnTop(w->native, (exStyle & WS_EX_TOPMOST) ? SDL_TRUE : SDL_FALSE);
    }
    w->style = style & ~WS_VISIBLE;
    w->exStyle = exStyle;
}

UiRect SdlWindowSystem::GetWindowRect(WindowHandle window) const {
    const Window* w = Find(window);
    return w ? w->rect : UiRect{};
}

void SdlWindowSystem::MoveWindow(WindowHandle handle, const UiRect& rect) {
    Window* window = Find(handle);
    if (!window) return;
    UiRect old = window->rect;
    window->rect = rect;
    if (old.left != rect.left || old.top != rect.top) {
        SDL_SetWindowPosition(window->native, rect.left, rect.top);
        SendMessage(handle, WM_MOVE, 0, MakeLParam(rect.left, rect.top));
    }
    if (old.Width() != rect.Width() || old.Height() != rect.Height()) {
        if (Window* w = Find(handle)) {
            w->invalid = true;
            // A renderer keeps the surface of the size it was made for: the next paint makes a new one.
            DropRenderer(*w);
            SDL_SetWindowSize(w->native, std::max(1, rect.Width()), std::max(1, rect.Height()));
        }
        SendMessage(handle, WM_SIZE, SIZE_RESTORED, MakeLParam(rect.Width(), rect.Height()));
    }
}

UiRect SdlWindowSystem::GetWorkArea(WindowHandle window) const {
    const Window* w = Find(window);
    int display = w ? SDL_GetWindowDisplayIndex(w->native) : 0;
    if (display < 0) display = 0;
    SDL_Rect bounds;
    if (SDL_GetDisplayUsableBounds(display, &bounds) != 0 && SDL_GetDisplayBounds(display, &bounds) != 0) {
        return {0, 0, 1920, 1040};
    }
    return {bounds.x, bounds.y, bounds.x + bounds.w, bounds.y + bounds.h};
}

void SdlWindowSystem::SetRoundRegion(WindowHandle handle, int ellipseWidth, int ellipseHeight) {
    Window* window = Find(handle);
    if (!window) return;
    window->round = {ellipseWidth, ellipseHeight};
    if (!window->shaped) return;
    const int width = std::max(1, window->rect.Width()), height = std::max(1, window->rect.Height());
    SDL_Surface* mask = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!mask) return;
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(mask->pixels) + y * mask->pitch);
        for (int x = 0; x < width; ++x) {
            bool inside = ellipseWidth <= 0 || ellipseHeight <= 0 ||
                          InsideRoundRect(width, height, ellipseWidth, ellipseHeight, x, y);
            row[x] = inside ? 0xFFFFFFFFu : 0u;
        }
    }
    SDL_WindowShapeMode mode{};
    mode.mode = ShapeModeBinarizeAlpha;
    mode.parameters.binarizationCutoff = 128;
    if (SDL_SetWindowShape(window->native, mask, &mode) != 0) DEBUG_LOG(L"no window shape for %dx%d", width, height);
    SDL_FreeSurface(mask);
    // Setting the first shape moves the window to where it was asked to be at creation.
    SDL_SetWindowPosition(window->native, window->rect.left, window->rect.top);
}

UiSize SdlWindowSystem::RoundRegion(WindowHandle window) const {
    const Window* w = Find(window);
    return w ? w->round : UiSize{};
}

bool SdlWindowSystem::IsShaped(WindowHandle window) const {
    const Window* w = Find(window);
    return w && w->shaped;
}

void SdlWindowSystem::Invalidate(WindowHandle window) {
    if (Window* w = Find(window)) w->invalid = true;
}

void SdlWindowSystem::Present(WindowHandle handle, const Bitmap& pixels) {
    Window* window = Find(handle);
    if (!window || pixels.IsEmpty()) return;
    window->presented = pixels;
    ShowOnScreen(*window);
}

void SdlWindowSystem::ShowOnScreen(Window& window) {
    const Bitmap& pixels = window.presented;
    if (pixels.IsEmpty() || !window.native) return;
    if (!window.renderer) {
        window.renderer = SDL_CreateRenderer(window.native, -1, 0);
        if (!window.renderer) {
            DEBUG_LOG(L"%s", SdlError(L"cannot draw into a window").c_str());
            return;
        }
    }
    if (!window.texture || window.textureWidth != pixels.Width() || window.textureHeight != pixels.Height()) {
        if (window.texture) SDL_DestroyTexture(window.texture);
        // The bitmap's 0xAARRGGBB words are SDL's ARGB8888; copied without blending or filtering.
        window.texture = SDL_CreateTexture(window.renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                           pixels.Width(), pixels.Height());
        if (!window.texture) {
            DEBUG_LOG(L"%s", SdlError(L"no texture").c_str());
            return;
        }
        SDL_SetTextureBlendMode(window.texture, SDL_BLENDMODE_NONE);
        SDL_SetTextureScaleMode(window.texture, SDL_ScaleModeNearest);
        window.textureWidth = pixels.Width();
        window.textureHeight = pixels.Height();
    }
    SDL_UpdateTexture(window.texture, nullptr, pixels.Data(), pixels.Stride());
    SDL_SetRenderDrawColor(window.renderer, 0, 0, 0, 0);
    SDL_RenderClear(window.renderer);
    SDL_Rect target{0, 0, pixels.Width(), pixels.Height()};
    SDL_RenderCopy(window.renderer, window.texture, nullptr, &target);
    SDL_RenderPresent(window.renderer);
}

Bitmap SdlWindowSystem::ReadBack(WindowHandle handle) {
    RunPending();
    Window* window = Find(handle);
    if (!window || !window->texture) return {};
    Bitmap pixels(window->textureWidth, window->textureHeight);
    SDL_SetRenderDrawColor(window->renderer, 0, 0, 0, 0);
    SDL_RenderClear(window->renderer);
    SDL_Rect target{0, 0, pixels.Width(), pixels.Height()};
    SDL_RenderCopy(window->renderer, window->texture, nullptr, &target);
    if (SDL_RenderReadPixels(window->renderer, &target, SDL_PIXELFORMAT_ARGB8888, pixels.Data(), pixels.Stride()) != 0) {
        return {};
    }
    SDL_RenderPresent(window->renderer);
    return pixels;
}

Bitmap SdlWindowSystem::Presented(WindowHandle window) const {
    const Window* w = Find(window);
    return w ? w->presented : Bitmap();
}

}  // namespace SkinUI
