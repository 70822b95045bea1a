// The window system's services beside its windows: icons, the pointer, timers, text entry and
// the system message box.
#include <SDL2/SDL.h>

#include <algorithm>
#include <cstdio>

#include "platform/utf8.h"
#include "skinui/backend/sdl/sdl_support.h"
#include "skinui/backend/sdl/sdl_window_system.h"
#include "skinui/render/image.h"
#include "skinui/resource.h"
#include "utils/debug_log.h"

namespace SkinUI {

namespace {

constexpr std::uint32_t kTimerMaximum = 0x7FFFFFFF;  // longer periods are capped, as Windows does

}  // namespace

bool SdlWindowSystem::NativeIcon(WindowRecord& record) {
    auto& window = static_cast<SdlWindow&>(record);
    if (!window.native) return false;
    // SDL wants straight alpha for icons.
    Bitmap straight = window.icon;
    for (int y = 0; y < straight.Height(); ++y) {
        for (int x = 0; x < straight.Width(); ++x) straight.Set(x, y, Unpremultiply(straight.At(x, y)));
    }
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(straight.Data(), straight.Width(), straight.Height(), 32,
                                                              straight.Stride(), SDL_PIXELFORMAT_ARGB8888);
    if (!surface) return false;
    SDL_SetWindowIcon(window.native, surface);
    SDL_FreeSurface(surface);
    return true;
}

void SdlWindowSystem::SetCursor(CursorShape shape) {
    if (!m_ready) return;
    SDL_Cursor*& cursor = m_cursors[shape];
    if (!cursor) {
        SDL_SystemCursor system = shape == CursorShape::Hand    ? SDL_SYSTEM_CURSOR_HAND
                                  : shape == CursorShape::IBeam ? SDL_SYSTEM_CURSOR_IBEAM
                                                                : SDL_SYSTEM_CURSOR_ARROW;
        cursor = SDL_CreateSystemCursor(system);
    }
    if (cursor) SDL_SetCursor(cursor);
}

void SdlWindowSystem::SetCapture(WindowHandle window) {
    if (!IsWindow(window)) return;
    m_capture = window;
    SDL_CaptureMouse(SDL_TRUE);  // not every driver can; within the window input flows anyway
}

void SdlWindowSystem::ReleaseCapture() {
    if (!m_capture) return;
    m_capture = nullptr;
    SDL_CaptureMouse(SDL_FALSE);
}

std::uint32_t SdlWindowSystem::TimerCallback(std::uint32_t interval, void* parameter) {
    // SDL's timer thread. The parameter is the key; the table is reached through the key's box.
    auto* box = static_cast<std::pair<TimerTable*, std::uint32_t>*>(parameter);
    TimerTable& table = *box->first;
    std::lock_guard lock(table.mutex);
    auto found = table.entries.find(box->second);
    if (found == table.entries.end()) return 0;
    // Like WM_TIMER, a timer that fires again before its last tick was handled queues nothing.
    if (!found->second.pending) {
        SDL_Event event{};
        event.type = table.eventType;
        event.user.code = static_cast<Sint32>(box->second);
        if (SDL_PushEvent(&event) == 1) found->second.pending = true;
    }
    return interval;
}

void SdlWindowSystem::SetTimer(WindowHandle handle, UINT id, UINT elapse) {
    SdlWindow* window = FindSdl(handle);
    if (!window || !m_ready) return;
    KillTimer(handle, id);
    const std::uint32_t period = std::clamp<std::uint32_t>(elapse, 1, kTimerMaximum);
    std::lock_guard lock(m_timers->mutex);
    const std::uint32_t key = m_timers->nextKey++;
    auto* box = &m_timerBoxes.emplace_back(m_timers.get(), key);
    const int sdlTimer = SDL_AddTimer(period, TimerCallback, box);
    if (sdlTimer == 0) {
        DEBUG_LOG(L"%s", SdlError(L"no timer").c_str());
        return;
    }
    m_timers->entries[key] = {handle, id, sdlTimer, false};
    window->timers[id] = key;
}

void SdlWindowSystem::KillTimer(WindowHandle handle, UINT id) {
    SdlWindow* window = FindSdl(handle);
    if (!window) return;
    auto found = window->timers.find(id);
    if (found == window->timers.end()) return;
    {
        std::lock_guard lock(m_timers->mutex);
        auto entry = m_timers->entries.find(found->second);
        if (entry != m_timers->entries.end()) {
            SDL_RemoveTimer(entry->second.sdlTimer);
            m_timers->entries.erase(entry);
        }
    }
    window->timers.erase(found);
}

bool SdlWindowSystem::HasTimer(WindowHandle window, UINT id) const {
    const SdlWindow* w = FindSdl(window);
    return w && w->timers.count(id) != 0;
}

std::wstring SdlWindowSystem::GetClipboardText() const {
    if (!m_ready || !SDL_HasClipboardText()) return {};
    char* text = SDL_GetClipboardText();
    std::wstring result = platform::Utf8ToWideLossy(text ? text : "");
    SDL_free(text);
    return result;
}

bool SdlWindowSystem::SetClipboardText(const std::wstring& text) {
    return m_ready && SDL_SetClipboardText(platform::WideToUtf8(text).c_str()) == 0;
}

bool SdlWindowSystem::IsKeyDown(WPARAM virtualKey) const {
    if (!m_ready) return false;
    const SDL_Keymod modifiers = SDL_GetModState();
    switch (virtualKey) {
    case VK_SHIFT: return (modifiers & KMOD_SHIFT) != 0;
    case VK_CONTROL: return (modifiers & KMOD_CTRL) != 0;
    case VK_MENU: return (modifiers & KMOD_ALT) != 0;
    default: return false;
    }
}

void SdlWindowSystem::StartTextInput(WindowHandle window, const UiRect& caret) {
    if (!m_ready || !IsWindow(window)) return;
    SDL_Rect area{caret.left, caret.top, std::max(1, caret.Width()), std::max(1, caret.Height())};
    SDL_SetTextInputRect(&area);
    SDL_StartTextInput();
}

void SdlWindowSystem::StopTextInput() {
    if (!m_ready) return;
    SDL_StopTextInput();
    m_composition.clear();
}

void SdlWindowSystem::ShowSystemMessage(const std::wstring& text, const std::wstring& title) {
    RecordSystemMessage(text, title);
    const std::string utf8Text = platform::WideToUtf8(text), utf8Title = platform::WideToUtf8(title);
    if (m_ready && !DisplayIsVirtual() &&
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, utf8Title.c_str(), utf8Text.c_str(), nullptr) == 0) {
        return;
    }
    std::fprintf(stderr, "%s: %s\n", utf8Title.c_str(), utf8Text.c_str());
}

}  // namespace SkinUI
