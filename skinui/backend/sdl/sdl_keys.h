#pragma once
// SDL key codes as the Windows virtual keys and characters the framework expects.
#include <cstdint>

#include "skinui/ui_types.h"

namespace SkinUI {

// The virtual key of an SDL key code (SDL_Keycode); 0 for keys the framework has no use for.
WPARAM VirtualKeyFromSdl(std::int32_t keycode);

// The character Windows adds to a key press that produces no text of its own: Backspace, Tab,
// Enter and Escape, and Ctrl with a letter (1 to 26). 0 when there is none.
wchar_t ControlCharacterFor(WPARAM virtualKey, bool control, bool alt);

// Code points of a UTF-8 text as the framework's characters; invalid bytes are skipped.
std::wstring CharactersFromUtf8(const char* text);

}  // namespace SkinUI
