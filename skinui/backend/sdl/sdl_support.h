#pragma once
// Small helpers the SDL back end's files share.
#include <SDL2/SDL.h>

#include <cstring>
#include <string>

#include "platform/utf8.h"

namespace SkinUI {

inline std::wstring SdlError(const wchar_t* what) {
    return std::wstring(what) + L": " + platform::Utf8ToWideLossy(SDL_GetError());
}

// Drivers that draw nowhere: nobody could see a window or a message box there.
inline bool DisplayIsVirtual() {
    const char* driver = SDL_GetCurrentVideoDriver();
    return !driver || std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "offscreen") == 0;
}

}  // namespace SkinUI
