#pragma once
// SDL windows on the dummy video driver, with input injected through SDL's own event queue.
#include <gtest/gtest.h>
#include <SDL2/SDL.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <tuple>
#include <vector>

#include "skinui/backend/sdl/sdl_window_system.h"

namespace sdl_testing {

using namespace SkinUI;

// A bare window procedure that records what it receives.
class Recorder : public WindowProcedure {
public:
    struct Received {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    LRESULT WindowProc(WindowHandle window, UINT message, WPARAM wParam, LPARAM lParam) override {
        received.push_back({message, wParam, lParam});
        if (log) log->push_back({this, message});
        if (message == WM_CREATE && failCreate) return -1;
        if (message == WM_NCHITTEST) return hit;
        if (message == WM_PAINT && !paint.IsEmpty()) GetWindowSystem()->Present(window, paint);
        if (onMessage) onMessage(message, wParam);
        return GetWindowSystem()->DefWindowProc(window, message, wParam, lParam);
    }
    int Count(UINT message) const {
        int n = 0;
        for (const Received& r : received) n += r.message == message;
        return n;
    }
    std::vector<Received> Of(UINT message) const {
        std::vector<Received> found;
        for (const Received& r : received) {
            if (r.message == message) found.push_back(r);
        }
        return found;
    }
    std::vector<Received> received;
    std::vector<std::pair<Recorder*, UINT>>* log = nullptr;
    bool failCreate = false;
    LRESULT hit = HTCLIENT;
    Bitmap paint;
    std::function<void(UINT, WPARAM)> onMessage;
};

class SdlFixture : public ::testing::Test {
protected:
    SdlFixture() {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        system = std::make_unique<SdlWindowSystem>();
        SetWindowSystem(system.get());
    }
    ~SdlFixture() override {
        for (WindowHandle w : system->Windows()) system->DestroyWindow(w);
        SetWindowSystem(nullptr);
    }
    void SetUp() override { ASSERT_TRUE(system->IsReady()) << SDL_GetError(); }

    Uint32 Id(WindowHandle window) const { return SDL_GetWindowID(system->NativeWindow(window)); }
    static void Push(SDL_Event event) { ASSERT_EQ(SDL_PushEvent(&event), 1); }
    void Motion(WindowHandle window, int x, int y) {
        SDL_Event e{};
        e.type = SDL_MOUSEMOTION;
        e.motion.windowID = Id(window);
        e.motion.x = x;
        e.motion.y = y;
        Push(e);
    }
    void Button(WindowHandle window, bool down, int x, int y, Uint8 button = SDL_BUTTON_LEFT, Uint8 clicks = 1) {
        SDL_Event e{};
        e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        e.button.windowID = Id(window);
        e.button.button = button;
        e.button.clicks = clicks;
        e.button.x = x;
        e.button.y = y;
        Push(e);
    }
    void Click(WindowHandle window, int x, int y) {
        Motion(window, x, y);
        Button(window, true, x, y);
        Button(window, false, x, y);
    }
    void Key(WindowHandle window, SDL_Keycode key, Uint16 modifiers = 0) {
        SDL_Event e{};
        e.type = SDL_KEYDOWN;
        e.key.windowID = Id(window);
        e.key.keysym.sym = key;
        e.key.keysym.mod = modifiers;
        Push(e);
    }
    void Text(WindowHandle window, const char* utf8) {
        SDL_Event e{};
        e.type = SDL_TEXTINPUT;
        e.text.windowID = Id(window);
        SDL_strlcpy(e.text.text, utf8, sizeof e.text.text);
        Push(e);
    }
    void WindowEvent(WindowHandle window, Uint8 event, int data1 = 0, int data2 = 0) {
        SDL_Event e{};
        e.type = SDL_WINDOWEVENT;
        e.window.windowID = Id(window);
        e.window.event = event;
        e.window.data1 = data1;
        e.window.data2 = data2;
        Push(e);
    }

    // Recorders (and the log they may share) outlive the windows they serve.
    std::vector<std::pair<Recorder*, UINT>> log;
    Recorder recorder, owner, owned;
    std::unique_ptr<SdlWindowSystem> system;
};

}  // namespace sdl_testing
