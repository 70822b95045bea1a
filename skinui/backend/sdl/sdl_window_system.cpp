#include "skinui/backend/sdl/sdl_window_system.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_shape.h>

#include <algorithm>
#include <cstring>

#include "platform/utf8.h"
#include <SDL2/SDL_syswm.h>
#include <X11/extensions/shape.h>

#include "skinui/backend/sdl/sdl_support.h"
#include "skinui/backend/sdl/x11_errors.h"
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
    // The software renderer's window surface straight through X11 (shared memory). Left to
    // itself SDL backs that surface with an OpenGL texture: it loads a GL driver (slow to start,
    // megabytes of memory) and recreates the window for it, unmapping and mapping it again, so
    // the first clicks on a freshly shown window are lost.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    // A poll would otherwise report an empty queue once per batch while events still wait.
    SDL_SetHint(SDL_HINT_POLL_SENTINEL, "0");
    // A click that activates a window acts on it too, as on Windows. SDL drops a press read
    // within a few milliseconds of the window taking the focus: on a busy machine, where both
    // wait in the queue together, that was the first click on a box shown under the pointer.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    // Before SDL's video starts, so that SDL's own handler passes the errors on to ours.
    InstallX11ErrorHandler();
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
    DestroyAllWindows();
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

bool SdlWindowSystem::MakeNative(SdlWindow& window) {
    const std::string utf8 = platform::WideToUtf8(window.title);
    const UiRect& r = window.rect;
    Uint32 flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS;
    // A window that is never activated (a popup list) is left alone by the window manager.
    if (!window.TakesActivation()) flags |= SDL_WINDOW_POPUP_MENU | SDL_WINDOW_SKIP_TASKBAR;
    // A shaped window can carry the rounded region; where shaping is unknown it is rectangular.
    if (r.left >= 0 && r.top >= 0 && window.TakesActivation()) {
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

void SdlWindowSystem::DropRenderer(SdlWindow& window) {
    if (window.texture) SDL_DestroyTexture(window.texture);
    if (window.renderer) SDL_DestroyRenderer(window.renderer);
    window.texture = nullptr;
    window.renderer = nullptr;
    window.textureWidth = window.textureHeight = 0;
}

void SdlWindowSystem::ReleaseNative(SdlWindow& window) {
    DropRenderer(window);
    if (window.native) SDL_DestroyWindow(window.native);
    window.native = nullptr;
    window.layer.reset();
}

bool SdlWindowSystem::NativeCreate(WindowRecord& record) {
    auto& window = static_cast<SdlWindow&>(record);
    if (!m_ready) {
        DEBUG_LOG(L"no window: %s", m_error.c_str());
        return false;
    }
    if (window.IsLayered()) {
        window.layer = LayeredX11Window::Create(window.rect);
        if (!window.layer) m_error = L"no translucent windows on this display";
        return window.layer != nullptr;
    }
    if (!MakeNative(window)) {
        DEBUG_LOG(L"no window: %s", m_error.c_str());
        ReleaseNative(window);
        return false;
    }
    if (window.exStyle & WS_EX_TOPMOST) SDL_SetWindowAlwaysOnTop(window.native, SDL_TRUE);
    return true;
}

void SdlWindowSystem::NativeDestroy(WindowHandle handle, WindowRecord& record) {
    auto& window = static_cast<SdlWindow&>(record);
    for (auto& [id, key] : window.timers) {
        std::lock_guard lock(m_timers->mutex);
        auto entry = m_timers->entries.find(key);
        if (entry != m_timers->entries.end()) {
            SDL_RemoveTimer(entry->second.sdlTimer);
            m_timers->entries.erase(entry);
        }
    }
    ReleaseNative(window);
    if (m_movedByManager == handle) m_movedByManager = nullptr;
}

void SdlWindowSystem::CaptureLost() { SDL_CaptureMouse(SDL_FALSE); }

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

void SdlWindowSystem::NativeShow(WindowRecord& record, ShowCommand command) {
    auto& window = static_cast<SdlWindow&>(record);
    if (window.layer) {
        if (command == ShowCommand::Hide || command == ShowCommand::Minimize) window.layer->Show(false);
        else if (command == ShowCommand::Show || command == ShowCommand::ShowNoActivate) NativeLayered(window);
        return;
    }
    switch (command) {
    case ShowCommand::Hide:
        SDL_HideWindow(window.native);
        return;
    case ShowCommand::Show:
    case ShowCommand::ShowNoActivate:
        // An owned window stays above its owner, as Windows keeps it.
        if (const SdlWindow* owner = FindSdl(window.parent); owner && owner->native && window.TakesActivation()) {
            SDL_SetWindowModalFor(window.native, owner->native);
        }
        SDL_ShowWindow(window.native);
        // Some window managers place a newly mapped window themselves.
        SDL_SetWindowPosition(window.native, window.rect.left, window.rect.top);
        // Without a window manager SDL gives the keyboard to every window it maps: a window that
        // is never activated (a drop-down list) hands it straight back to the focused window.
        if (const SdlWindow* focus = FindSdl(m_focus); !window.TakesActivation() && focus && focus->native) {
            SDL_SetWindowInputFocus(focus->native);
        }
        return;
    case ShowCommand::Minimize:
        SDL_MinimizeWindow(window.native);
        return;
    case ShowCommand::Restore:
        SDL_RestoreWindow(window.native);
        return;
    case ShowCommand::Maximize:
        return;  // the work area is taken by MoveWindow
    }
}

void SdlWindowSystem::NativeMove(WindowRecord& record, bool moved, bool resized) {
    auto& window = static_cast<SdlWindow&>(record);
    if (window.layer) {
        window.layer->Move(window.rect);
        return;
    }
    if (moved) SDL_SetWindowPosition(window.native, window.rect.left, window.rect.top);
    if (resized) {
        // A renderer keeps the surface of the size it was made for: the next paint makes a new one.
        DropRenderer(window);
        SDL_SetWindowSize(window.native, std::max(1, window.rect.Width()), std::max(1, window.rect.Height()));
    }
}

void SdlWindowSystem::NativeTopmost(WindowRecord& record, bool topmost) {
    auto& window = static_cast<SdlWindow&>(record);
    if (window.native) SDL_SetWindowAlwaysOnTop(window.native, topmost ? SDL_TRUE : SDL_FALSE);
}

void SdlWindowSystem::NativeTitle(WindowRecord& record) {
    auto& window = static_cast<SdlWindow&>(record);
    if (window.native) SDL_SetWindowTitle(window.native, platform::WideToUtf8(window.title).c_str());
}

void SdlWindowSystem::NativeRaise(WindowRecord& record) {
    auto& window = static_cast<SdlWindow&>(record);
    if (window.native) SDL_RaiseWindow(window.native);
}

void SdlWindowSystem::NativeLayered(WindowRecord& record) {
    auto& window = static_cast<SdlWindow&>(record);
    if (!window.layer) return;
    window.layer->Update(window.rect, window.layered);
    const SdlWindow* parent = FindSdl(window.parent);
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (parent && parent->native && SDL_GetWindowWMInfo(parent->native, &info) && info.subsystem == SDL_SYSWM_X11) {
        window.layer->StackBelow(info.info.x11.window);
    }
    window.layer->Show(window.visible);
}

unsigned long SdlWindowSystem::LayeredNativeWindow(WindowHandle handle) const {
    const SdlWindow* window = FindSdl(handle);
    return window && window->layer ? window->layer->Id() : 0;
}

bool SdlWindowSystem::HasLayeredWindows() const { return m_ready && LayeredX11Window::Supported(); }

UiRect SdlWindowSystem::GetWorkArea(WindowHandle window) const {
    const SdlWindow* w = FindSdl(window);
    int display = w && w->native ? SDL_GetWindowDisplayIndex(w->native) : 0;
    if (display < 0) display = 0;
    SDL_Rect bounds;
    if (SDL_GetDisplayUsableBounds(display, &bounds) != 0 && SDL_GetDisplayBounds(display, &bounds) != 0) {
        return {0, 0, 1920, 1040};
    }
    return {bounds.x, bounds.y, bounds.x + bounds.w, bounds.y + bounds.h};
}

void SdlWindowSystem::NativeRegion(WindowRecord& record) {
    auto& window = static_cast<SdlWindow&>(record);
    if (!window.shaped) return;
    const int ellipseWidth = window.round.cx, ellipseHeight = window.round.cy;
    const int width = std::max(1, window.rect.Width()), height = std::max(1, window.rect.Height());
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(window.native, &info) && info.subsystem == SDL_SYSWM_X11) {
        // The server takes the shape as a few bands; SDL's own path turns a mask of every pixel
        // into a bitmap first, which cost the first frame about 10 ms.
        std::vector<XRectangle> bands;
        for (const UiRect& band : RoundRectBands(width, height, ellipseWidth, ellipseHeight)) {
            bands.push_back({static_cast<short>(band.left), static_cast<short>(band.top),
                             static_cast<unsigned short>(band.Width()), static_cast<unsigned short>(band.Height())});
        }
        XShapeCombineRectangles(info.info.x11.display, info.info.x11.window, ShapeBounding, 0, 0, bands.data(),
                                static_cast<int>(bands.size()), ShapeSet, YXBanded);
    } else {
        SDL_Surface* mask = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_ARGB8888);
        if (!mask) return;
        for (int y = 0; y < height; ++y) {
            auto* row = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(mask->pixels) + y * mask->pitch);
            for (int x = 0; x < width; ++x) {
                row[x] = InsideRoundRect(width, height, ellipseWidth, ellipseHeight, x, y) ? 0xFFFFFFFFu : 0u;
            }
        }
        SDL_WindowShapeMode mode{};
        mode.mode = ShapeModeBinarizeAlpha;
        mode.parameters.binarizationCutoff = 128;
        if (SDL_SetWindowShape(window.native, mask, &mode) != 0) DEBUG_LOG(L"no window shape for %dx%d", width, height);
        SDL_FreeSurface(mask);
    }
    // A shaped window is made away from the screen; it goes where it was asked to be now.
    SDL_SetWindowPosition(window.native, window.rect.left, window.rect.top);
}

bool SdlWindowSystem::IsShaped(WindowHandle window) const {
    const SdlWindow* w = FindSdl(window);
    return w && w->shaped;
}

void SdlWindowSystem::Present(WindowHandle handle, const Bitmap& pixels, const UiRect& area) {
    SdlWindow* window = FindSdl(handle);
    if (!window || pixels.IsEmpty()) return;
    ShowOnScreen(*window, KeepPresented(*window, pixels, area));
}

void SdlWindowSystem::ShowOnScreen(SdlWindow& window, const UiRect& area) {
    const Bitmap& pixels = window.presented;
    if (pixels.IsEmpty() || !window.native) return;
    if (!window.renderer) {
        window.renderer = SDL_CreateRenderer(window.native, -1, 0);
        if (!window.renderer) {
            DEBUG_LOG(L"%s", SdlError(L"cannot draw into a window").c_str());
            return;
        }
    }
    UiRect part = Intersect(area, pixels.Bounds());
    if (!window.texture || window.textureWidth != pixels.Width() || window.textureHeight != pixels.Height()) {
        part = pixels.Bounds();
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
    if (part.IsEmpty()) return;
    // Only the damaged part travels: into the texture, then onto the window's surface, whose
    // other pixels the software renderer keeps from the last time.
    SDL_Rect target{part.left, part.top, part.Width(), part.Height()};
    SDL_UpdateTexture(window.texture, &target, pixels.Row(part.top) + part.left, pixels.Stride());
    SDL_RenderCopy(window.renderer, window.texture, &target, &target);
    SDL_RenderPresent(window.renderer);
}

Bitmap SdlWindowSystem::ReadBack(WindowHandle handle) {
    RunPending();
    SdlWindow* window = FindSdl(handle);
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
    const SdlWindow* w = FindSdl(window);
    return w ? w->presented : Bitmap();
}

}  // namespace SkinUI
