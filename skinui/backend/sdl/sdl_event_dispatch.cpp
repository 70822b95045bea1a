// SDL's events as the framework's Windows messages, and the pump that takes them.
#include <SDL2/SDL.h>

#include <algorithm>

#include "skinui/backend/sdl/sdl_keys.h"
#include "skinui/backend/sdl/sdl_support.h"
#include "skinui/backend/sdl/sdl_window_system.h"
#include "skinui/paint_manager.h"

namespace SkinUI {

namespace {

constexpr WPARAM MK_LBUTTON = 0x0001, MK_RBUTTON = 0x0002, MK_SHIFT = 0x0004, MK_CONTROL = 0x0008;
constexpr UINT WM_RBUTTONUP = 0x0205;

WPARAM MouseKeys(Uint32 buttons) {
    WPARAM keys = 0;
    if (buttons & SDL_BUTTON_LMASK) keys |= MK_LBUTTON;
    if (buttons & SDL_BUTTON_RMASK) keys |= MK_RBUTTON;
    const SDL_Keymod modifiers = SDL_GetModState();
    if (modifiers & KMOD_SHIFT) keys |= MK_SHIFT;
    if (modifiers & KMOD_CTRL) keys |= MK_CONTROL;
    return keys;
}

}  // namespace

Utils::PumpStep SdlWindowSystem::PumpOne(std::uint32_t waitMilliseconds) {
    if (!m_ready) return Utils::PumpStep::Dispatched;
    SDL_Event event;
    bool quit = false;
    if (SDL_PollEvent(&event)) {
        quit = Dispatch(event);
    } else if (PaintOne(false)) {
        return Utils::PumpStep::Dispatched;
    } else if (waitMilliseconds != 0) {
        const std::uint32_t wait = std::min(waitMilliseconds, FinishWindowManagerMove());
        const int got = wait == 0xFFFFFFFF ? SDL_WaitEvent(&event) : SDL_WaitEventTimeout(&event, static_cast<int>(wait));
        if (got) quit = Dispatch(event);
    }
    if (quit) {
        PostQuitMessage(m_quitCode);  // for the loop outside this one
        return Utils::PumpStep::Quit;
    }
    return Utils::PumpStep::Dispatched;
}

void SdlWindowSystem::RunPending() {
    if (!m_ready) return;
    SDL_Event event;
    for (;;) {
        if (SDL_PollEvent(&event)) {
            Dispatch(event);  // a quit is only recorded here
            continue;
        }
        if (!PaintOne(false)) break;
    }
    FinishWindowManagerMove();
}

std::uint32_t SdlWindowSystem::FinishWindowManagerMove() {
    constexpr std::uint32_t kQuiet = 150;  // milliseconds without a move
    if (!m_movedByManager) return 0xFFFFFFFF;
    const std::uint32_t since = SDL_GetTicks() - m_lastManagerMove;
    if (since < kQuiet) return kQuiet - since;
    WindowHandle window = m_movedByManager;
    m_movedByManager = nullptr;
    SendMessage(window, WM_EXITSIZEMOVE, 0, 0);
    return 0xFFFFFFFF;
}

bool SdlWindowSystem::Dispatch(const SDL_Event& event) {
    if (event.type == m_postEvent) {
        bool quit = false;
        DispatchPosted(event, quit);
        return quit;
    }
    if (event.type == m_timerEvent) {
        DispatchTimer(event);
        return false;
    }
    switch (event.type) {
    case SDL_WINDOWEVENT: DispatchWindowEvent(event); break;
    case SDL_MOUSEMOTION:
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
    case SDL_MOUSEWHEEL: DispatchMouse(event); break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: DispatchKey(event); break;
    case SDL_TEXTINPUT: DispatchText(event); break;
    case SDL_TEXTEDITING: DispatchComposition(event); break;
    default: break;
    }
    return false;
}

void SdlWindowSystem::DispatchPosted(const SDL_Event& event, bool& quit) {
    const auto window = reinterpret_cast<WindowHandle>(static_cast<std::uintptr_t>(event.user.windowID));
    DeliverPosted(window, static_cast<UINT>(event.user.code), reinterpret_cast<WPARAM>(event.user.data1),
                  reinterpret_cast<LPARAM>(event.user.data2), quit);
}

void SdlWindowSystem::DispatchTimer(const SDL_Event& event) {
    WindowHandle window = nullptr;
    UINT id = 0;
    {
        std::lock_guard lock(m_timers->mutex);
        auto found = m_timers->entries.find(static_cast<std::uint32_t>(event.user.code));
        if (found == m_timers->entries.end()) return;  // killed or set again since it fired
        found->second.pending = false;
        window = found->second.window;
        id = found->second.id;
    }
    SendMessage(window, WM_TIMER, id, 0);
}

void SdlWindowSystem::DispatchWindowEvent(const SDL_Event& event) {
    WindowHandle handle = FromNative(event.window.windowID);
    SdlWindow* window = FindSdl(handle);
    if (!window || !window->procedure) return;
    switch (event.window.event) {
    case SDL_WINDOWEVENT_EXPOSED:
        ShowOnScreen(*window, window->presented.Bounds());
        break;
    case SDL_WINDOWEVENT_MOVED:
        // The window manager moved it (a caption drag); our own moves come back unchanged.
        if (event.window.data1 != window->rect.left || event.window.data2 != window->rect.top) {
            window->rect.Offset(event.window.data1 - window->rect.left, event.window.data2 - window->rect.top);
            if (m_drag.window != handle) {
                m_movedByManager = handle;
                m_lastManagerMove = SDL_GetTicks();
            }
            SendMessage(handle, WM_MOVE, 0, MakeLParam(window->rect.left, window->rect.top));
        }
        break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        if (event.window.data1 != window->rect.Width() || event.window.data2 != window->rect.Height()) {
            window->rect.right = window->rect.left + event.window.data1;
            window->rect.bottom = window->rect.top + event.window.data2;
            window->damage = {0, 0, window->rect.Width(), window->rect.Height()};
            DropRenderer(*window);
            SendMessage(handle, WM_SIZE, SIZE_RESTORED, MakeLParam(event.window.data1, event.window.data2));
        }
        break;
    case SDL_WINDOWEVENT_MINIMIZED:
        if (!window->minimized) {
            window->minimized = true;
            SendMessage(handle, WM_SIZE, SIZE_MINIMIZED, 0);
        }
        break;
    case SDL_WINDOWEVENT_RESTORED:
        if (window->minimized) {
            window->minimized = false;
            window->damage = {0, 0, window->rect.Width(), window->rect.Height()};
            SendMessage(handle, WM_SIZE, SIZE_RESTORED, MakeLParam(window->rect.Width(), window->rect.Height()));
        }
        break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        if (!window->enabled) {
            RaiseOwnedBox(handle);
        } else if (window->TakesActivation()) {
            Activate(handle);
            SetFocusTo(handle);
        }
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        // Without a window manager mapping a window that takes no activation (a drop-down list)
        // moves the keyboard there and back at once: a loss that is over, or that went to such
        // a window, changes nothing.
        if (KeepsKeyboard(handle)) break;
        if (m_focus == handle) SetFocusTo(nullptr);
        if (m_active == handle) Activate(nullptr);
        break;
    case SDL_WINDOWEVENT_LEAVE:
        // A captured pointer still belongs to the window until it is released.
        if (m_capture != handle) Input(handle, WM_MOUSELEAVE, 0, 0);
        break;
    case SDL_WINDOWEVENT_CLOSE:
        // The window manager's close (its button, Alt+F4): refused while a box owns the window.
        if (window->enabled) SendMessage(handle, WM_SYSCOMMAND, SC_CLOSE, 0);
        else RaiseOwnedBox(handle);
        break;
    default:
        break;
    }
}

WindowHandle SdlWindowSystem::MouseTarget(WindowHandle window, int& x, int& y) const {
    if (!m_capture || m_capture == window || !IsWindow(m_capture)) return window;
    const WindowRecord* from = Find(window);
    const WindowRecord* to = Find(m_capture);
    if (from) {
        x += from->rect.left - to->rect.left;
        y += from->rect.top - to->rect.top;
    }
    return m_capture;
}

void SdlWindowSystem::DispatchMouse(const SDL_Event& event) {
    switch (event.type) {
    case SDL_MOUSEMOTION: {
        int x = event.motion.x, y = event.motion.y;
        WindowHandle target = MouseTarget(FromNative(event.motion.windowID), x, y);
        if (!Find(target)) return;
        // Drawn along where SDL cannot ask the window manager to drag.
        if (DragTo(target, x, y)) return;
        Input(target, WM_MOUSEMOVE, MouseKeys(event.motion.state), MakeLParam(x, y));
        return;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        int x = event.button.x, y = event.button.y;
        if (PointerInWindow(event.button.windowID, x, y) && (x != event.button.x || y != event.button.y)) {
            // The framework learns where the pointer is (hover) before the press lands there.
            int moveX = x, moveY = y;
            WindowHandle moved = MouseTarget(FromNative(event.button.windowID), moveX, moveY);
            if (Find(moved)) Input(moved, WM_MOUSEMOVE, MouseKeys(SDL_GetMouseState(nullptr, nullptr)), MakeLParam(moveX, moveY));
        }
        WindowHandle target = MouseTarget(FromNative(event.button.windowID), x, y);
        MouseButton(target, event.type == SDL_MOUSEBUTTONDOWN, event.button.button, event.button.clicks, x, y);
        return;
    }
    case SDL_MOUSEWHEEL: {
        WindowHandle target = FromNative(event.wheel.windowID);
        const WindowRecord* window = Find(target);
        if (!window) return;
        int x = 0, y = 0;
        SDL_GetMouseState(&x, &y);
        PointerInWindow(event.wheel.windowID, x, y);
        int delta = event.wheel.y * 120;
        if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) delta = -delta;
        const WPARAM wParam = (static_cast<WPARAM>(static_cast<std::uint16_t>(delta)) << 16) | (MouseKeys(SDL_GetMouseState(nullptr, nullptr)) & 0xFFFF);
        Input(target, WM_MOUSEWHEEL, wParam, MakeLParam(window->rect.left + x, window->rect.top + y));
        return;
    }
    default:
        return;
    }
}

void SdlWindowSystem::MouseButton(WindowHandle handle, bool down, int button, int clicks, int x, int y) {
    const WindowRecord* window = Find(handle);
    if (!window || !window->procedure) return;
    if (!window->enabled) {
        if (down) RaiseOwnedBox(handle);
        return;
    }
    if (button == SDL_BUTTON_RIGHT) {
        Input(handle, down ? WM_RBUTTONDOWN : WM_RBUTTONUP, down ? MK_RBUTTON : 0, MakeLParam(x, y));
        return;
    }
    if (button != SDL_BUTTON_LEFT) return;
    if (!down) {
        if (!EndDrag()) Input(handle, WM_LBUTTONUP, 0, MakeLParam(x, y));
        return;
    }
    // SDL asks the window about caption drags itself where the window manager can take them;
    // a press that still arrives in the caption is dragged here.
    PressAt(handle, x, y, clicks == 2 ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN, MK_LBUTTON);
}

bool SdlWindowSystem::KeepsKeyboard(WindowHandle handle) const {
    SDL_Window* now = SDL_GetKeyboardFocus();
    const WindowRecord* window = Find(handle);
    if (!now || !window) return false;
    if (now == static_cast<const SdlWindow*>(window)->native) return true;
    const WindowRecord* to = Find(FromNative(SDL_GetWindowID(now)));
    return to && !to->TakesActivation();
}

WindowHandle SdlWindowSystem::KeyTarget(std::uint32_t windowId) const {
    // A window that takes no activation never has the keyboard: its keys are the focus window's.
    const WindowHandle handle = FromNative(windowId);
    const WindowRecord* window = Find(handle);
    return window && window->TakesActivation() ? handle : m_focus;
}

void SdlWindowSystem::DispatchKey(const SDL_Event& event) {
    WindowHandle handle = KeyTarget(event.key.windowID);
    const WPARAM key = VirtualKeyFromSdl(event.key.keysym.sym);
    if (key == 0) return;
    const bool control = (event.key.keysym.mod & KMOD_CTRL) != 0, alt = (event.key.keysym.mod & KMOD_ALT) != 0;
    LPARAM lParam = 1 | (static_cast<LPARAM>(event.key.keysym.scancode & 0xFF) << 16);
    if (event.type == SDL_KEYUP) {
        Input(handle, WM_KEYUP, key, lParam | (LPARAM{3} << 30));
        return;
    }
    if (event.key.repeat) lParam |= LPARAM{1} << 30;
    if (alt) {
        Input(handle, WM_SYSKEYDOWN, key, lParam | kAltHeld);
        return;
    }
    Input(handle, WM_KEYDOWN, key, lParam);
    if (wchar_t character = ControlCharacterFor(key, control, alt)) Input(handle, WM_CHAR, character, lParam);
}

void SdlWindowSystem::DispatchText(const SDL_Event& event) {
    WindowHandle handle = KeyTarget(event.text.windowID);
    for (wchar_t character : CharactersFromUtf8(event.text.text)) Input(handle, WM_CHAR, static_cast<WPARAM>(character), 1);
}

void SdlWindowSystem::DispatchComposition(const SDL_Event& event) {
    WindowHandle handle = KeyTarget(event.edit.windowID);
    const bool wasComposing = !m_composition.empty();
    m_composition = CharactersFromUtf8(event.edit.text);
    if (!m_composition.empty()) {
        Input(handle, WM_IME_COMPOSITION, static_cast<WPARAM>(event.edit.start), GCS_COMPSTR);
    } else if (wasComposing) {
        Input(handle, WM_IME_ENDCOMPOSITION, 0, 0);
    }
}

void SdlWindowSystem::InputRefused(WindowHandle window, UINT message) {
    if (message != WM_MOUSEMOVE && message != WM_MOUSELEAVE) RaiseOwnedBox(window);
}

void SdlWindowSystem::RaiseOwnedBox(WindowHandle owner) {
    // As on Windows, touching a window that a modal box disabled brings the box forward.
    if (const SdlWindow* box = FindSdl(OwnedBox(owner)); box && box->native) SDL_RaiseWindow(box->native);
}

SDL_Window* SdlWindowSystem::NativeWindow(WindowHandle window) const {
    const SdlWindow* w = FindSdl(window);
    return w ? w->native : nullptr;
}
WindowHandle SdlWindowSystem::FromNative(std::uint32_t windowId) const {
    if (windowId == 0) return nullptr;
    for (const auto& [handle, record] : m_windows) {
        const auto* window = static_cast<const SdlWindow*>(record.get());
        if (window->native && SDL_GetWindowID(window->native) == windowId) return handle;
    }
    return nullptr;
}

LRESULT SdlWindowSystem::NonClientHitTest(SDL_Window* native, int x, int y) {
    for (const auto& [handle, record] : m_windows) {
        const auto* window = static_cast<const SdlWindow*>(record.get());
        if (window->native != native) continue;
        if (!window->procedure || !window->enabled) return HTCLIENT;
        return SendMessage(handle, WM_NCHITTEST, 0, MakeLParam(window->rect.left + x, window->rect.top + y));
    }
    return HTCLIENT;
}

}  // namespace SkinUI
