#include "skinui/backend/sdl/sdl_keys.h"

#include <SDL2/SDL_keycode.h>

#include <string>

#include "platform/utf8.h"

namespace SkinUI {

WPARAM VirtualKeyFromSdl(std::int32_t keycode) {
    // Letters and digits: Windows uses the upper-case letter and the digit's character.
    if (keycode >= SDLK_a && keycode <= SDLK_z) return static_cast<WPARAM>('A' + (keycode - SDLK_a));
    if (keycode >= SDLK_0 && keycode <= SDLK_9) return static_cast<WPARAM>(keycode);
    if (keycode >= SDLK_F1 && keycode <= SDLK_F12) return VK_F4 - 3 + static_cast<WPARAM>(keycode - SDLK_F1);
    if (keycode >= SDLK_KP_1 && keycode <= SDLK_KP_9) return 0x61 + static_cast<WPARAM>(keycode - SDLK_KP_1);
    switch (keycode) {
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_PAGEUP: return VK_PRIOR;
    case SDLK_PAGEDOWN: return VK_NEXT;
    case SDLK_END: return VK_END;
    case SDLK_HOME: return VK_HOME;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_UP: return VK_UP;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_INSERT: return VK_INSERT;
    case SDLK_DELETE: return VK_DELETE;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT: return VK_MENU;
    case SDLK_KP_0: return 0x60;
    default: return 0;
    }
}

wchar_t ControlCharacterFor(WPARAM virtualKey, bool control, bool alt) {
    if (alt) return 0;
    if (control) {
        if (virtualKey >= 'A' && virtualKey <= 'Z') return static_cast<wchar_t>(virtualKey - 'A' + 1);
        return 0;
    }
    switch (virtualKey) {
    case VK_BACK:
    case VK_TAB:
    case VK_RETURN:
    case VK_ESCAPE: return static_cast<wchar_t>(virtualKey);
    default: return 0;
    }
}

std::wstring CharactersFromUtf8(const char* text) {
    std::wstring characters = platform::Utf8ToWideLossy(text ? text : "");
    std::erase(characters, L'\uFFFD');
    return characters;
}

}  // namespace SkinUI
