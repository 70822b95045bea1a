#pragma once
// SDL key codes as the Windows virtual keys and characters the framework expects.
#include <cstdint>

#include "skinui/ui_types.h"

namespace SkinUI {

constexpr WPARAM VK_BACK = 0x08, VK_SHIFT = 0x10, VK_CONTROL = 0x11, VK_MENU = 0x12, VK_END = 0x23,
                 VK_HOME = 0x24, VK_LEFT = 0x25, VK_UP = 0x26, VK_RIGHT = 0x27, VK_DOWN = 0x28,
                 VK_INSERT = 0x2D, VK_DELETE = 0x2E, VK_PRIOR = 0x21, VK_NEXT = 0x22;

constexpr UINT WM_IME_ENDCOMPOSITION = 0x010E, WM_IME_COMPOSITION = 0x010F;
constexpr LPARAM GCS_COMPSTR = 0x0008;

// The virtual key of an SDL key code (SDL_Keycode); 0 for keys the framework has no use for.
WPARAM VirtualKeyFromSdl(std::int32_t keycode);

// The character Windows adds to a key press that produces no text of its own: Backspace, Tab,
// Enter and Escape, and Ctrl with a letter (1 to 26). 0 when there is none.
wchar_t ControlCharacterFor(WPARAM virtualKey, bool control, bool alt);

// Code points of a UTF-8 text as the framework's characters; invalid bytes are skipped.
std::wstring CharactersFromUtf8(const char* text);

}  // namespace SkinUI
