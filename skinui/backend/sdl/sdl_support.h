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

// Where the pointer is now, in the window's client coordinates, as the X server tells it. SDL's
// X11 driver stamps a button or wheel event with the last motion it saw; a window mapped under a
// pointer that moved while the window was unmapped (a box shown at once under a waiting click)
// never sees that motion, and the press would land where the pointer was before. False where
// the server cannot be asked (other drivers) or the pointer is outside the window.
inline bool PointerInWindow(Uint32 windowId, int& x, int& y) {
    const char* driver = SDL_GetCurrentVideoDriver();
    SDL_Window* native = SDL_GetWindowFromID(windowId);
    if (!driver || std::strcmp(driver, "x11") != 0 || !native) return false;
    int globalX = 0, globalY = 0, left = 0, top = 0, width = 0, height = 0;
    SDL_GetGlobalMouseState(&globalX, &globalY);
    SDL_GetWindowPosition(native, &left, &top);
    SDL_GetWindowSize(native, &width, &height);
    const int clientX = globalX - left, clientY = globalY - top;
    if (clientX < 0 || clientY < 0 || clientX >= width || clientY >= height) return false;
    x = clientX;
    y = clientY;
    return true;
}

}  // namespace SkinUI
