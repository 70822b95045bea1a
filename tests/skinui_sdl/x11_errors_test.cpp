// X errors on a real X server: each is logged and the process goes on, whichever connection it
// arrives on (SDL's, or one of its own as a shadow has) and whichever thread reads it. Xlib's
// default handler would end the test program at the first one.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "tests/skinui_sdl/sdl_fixture.h"
#include "tests/support/log_capture.h"
// After the framework's headers: X.h defines CursorShape as a macro.
#include <SDL2/SDL_syswm.h>
#include <X11/Xlib.h>

using namespace SkinUI;
using namespace sdl_testing;

namespace {

// A window id the server no longer knows.
Window GoneWindow(Display* display) {
    Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 10, 10, 0, 0, 0);
    XDestroyWindow(display, window);
    XSync(display, False);
    return window;
}

// What SDL's wake-up does: a client message to a window.
void SendTo(Display* display, Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.format = 32;
    XSendEvent(display, window, False, NoEventMask, &event);
}

}  // namespace

// Run by CTest under xvfb-run (KELVO_DISPLAY_TEST=1); skipped anywhere else.
TEST(SdlOnDisplay, XErrorsAreLoggedAndTheProcessGoesOn) {
    if (!std::getenv("KELVO_DISPLAY_TEST") || !std::getenv("DISPLAY")) GTEST_SKIP() << "needs xvfb-run";
    unsetenv("SDL_VIDEODRIVER");
    SdlWindowSystem system;
    ASSERT_TRUE(system.IsReady()) << SDL_GetError();
    SetWindowSystem(&system);
    Recorder recorder;
    WindowHandle window = system.CreateNativeWindow(&recorder, nullptr, L"x", 0, 0, {10, 10, 60, 60});
    ASSERT_TRUE(window);
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    ASSERT_TRUE(SDL_GetWindowWMInfo(system.NativeWindow(window), &info));
    ASSERT_EQ(info.subsystem, SDL_SYSWM_X11);
    Display* sdl = info.info.x11.display;
    // A connection opened after SDL's, as the shadows' is.
    Display* own = XOpenDisplay(nullptr);
    ASSERT_TRUE(own);

    struct Case {
        const char* what;
        Display* display;
        std::function<void(Display*)> provoke;
        const wchar_t* error;
        const wchar_t* request;
        const wchar_t* verdict;
    };
    const std::vector<Case> cases{
        {"wake-up to a destroyed window on SDL's connection", sdl,
         [](Display* d) { SendTo(d, GoneWindow(d)); }, L"BadWindow", L"X_SendEvent", L"already gone"},
        {"wake-up to a destroyed window on an own connection", own,
         [](Display* d) { SendTo(d, GoneWindow(d)); }, L"BadWindow", L"X_SendEvent", L"already gone"},
        {"restacked beside a window that is no sibling", own,
         [](Display* d) {
             Window parent = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 10, 10, 0, 0, 0);
             Window child = XCreateSimpleWindow(d, parent, 0, 0, 5, 5, 0, 0, 0);
             Window layer = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 10, 10, 0, 0, 0);
             XWindowChanges changes{};
             changes.sibling = child;
             changes.stack_mode = Below;
             XConfigureWindow(d, layer, CWSibling | CWStackMode, &changes);
             XDestroyWindow(d, layer);
             XDestroyWindow(d, parent);
         },
         L"BadMatch", L"X_ConfigureWindow", L"already gone"},
        {"a pixmap freed that is none", sdl, [](Display* d) { XFreePixmap(d, GoneWindow(d)); }, L"BadPixmap",
         L"X_FreePixmap", L"unexpected"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testing_support::LogCapture log;
        c.provoke(c.display);
        XSync(c.display, False);  // the error arrives and is handled here
        const auto lines = log.LinesWith(c.request);
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_NE(lines[0].find(L"X error"), std::wstring::npos) << lines[0];
        EXPECT_NE(lines[0].find(c.error), std::wstring::npos) << lines[0];
        EXPECT_NE(lines[0].find(c.verdict), std::wstring::npos) << lines[0];
    }

    // Errors read on other threads at once, each thread on a connection of its own: every one is
    // logged, and whole.
    constexpr int kThreads = 3, kErrors = 20;
    {
        std::vector<Display*> displays;
        for (int t = 0; t < kThreads; ++t) {
            displays.push_back(XOpenDisplay(nullptr));
            ASSERT_TRUE(displays.back());
        }
        testing_support::LogCapture log;
        std::vector<std::thread> threads;
        for (Display* d : displays) {
            threads.emplace_back([d] {
                const Window gone = GoneWindow(d);
                for (int i = 0; i < kErrors; ++i) {
                    SendTo(d, gone);
                    XSync(d, False);
                }
            });
        }
        for (std::thread& thread : threads) thread.join();
        for (Display* d : displays) XCloseDisplay(d);
        const auto lines = log.LinesWith(L"X_SendEvent");
        EXPECT_EQ(lines.size(), static_cast<std::size_t>(kThreads * kErrors));
        for (const std::wstring& line : lines) EXPECT_NE(line.find(L"BadWindow"), std::wstring::npos) << line;
    }

    XCloseDisplay(own);
    system.DestroyWindow(window);
    SetWindowSystem(nullptr);
}
