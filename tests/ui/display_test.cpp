// On a real X server (CTest runs it under xvfb-run with KELVO_DISPLAY_TEST=1; skipped anywhere
// else): a box over the main window, answered by a click the server delivers, and the shadows as
// the display shows them when a compositing manager runs.
#include <gtest/gtest.h>
#include <SDL2/SDL.h>

#include <csignal>
#include <cstdlib>
#include <fstream>

#include "skinui/backend/sdl/sdl_window_system.h"
#include "skinui/skin_resources.h"
#include "tests/support/screen_dump.h"
#include "tests/support/temp_folder.h"
#include "ui/message_box.h"

using namespace SkinUI;

namespace {

bool Installed(const char* program) {
    return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

// A compositing manager for the test's life, where one is installed.
class Compositor {
public:
    explicit Compositor(const std::string& pidFile) {
        if (!Installed("xcompmgr")) return;
        if (std::system(("xcompmgr >/dev/null 2>&1 & echo $! > " + pidFile).c_str()) != 0) return;
        std::ifstream(pidFile) >> m_pid;
        SDL_Delay(500);  // until it owns the compositing selection
    }
    ~Compositor() {
        if (m_pid > 0) kill(m_pid, SIGTERM);
    }
    bool Running() const { return m_pid > 0; }

private:
    pid_t m_pid = 0;
};

}  // namespace

TEST(UiOnDisplay, BoxOverTheMainWindowIsAnsweredByARealClickAndShadowsShowWhereTheyCan) {
    if (!std::getenv("KELVO_DISPLAY_TEST") || !std::getenv("DISPLAY")) GTEST_SKIP() << "needs xvfb-run";
    if (!Installed("xwd") || !Installed("xdotool")) GTEST_SKIP() << "needs xwd and xdotool";
    unsetenv("SDL_VIDEODRIVER");
    testing_support::TempFolder folder;
    Compositor compositor(folder.NativePath() + "/compositor.pid");
    ASSERT_EQ(std::system("xdotool mousemove 0 0"), 0);

    SdlWindowSystem system;
    ASSERT_TRUE(system.IsReady()) << SDL_GetError();
    SetWindowSystem(&system);
    SkinResources::Instance().Reset();
    // With a compositing manager the display can show translucent windows; without one, none.
    EXPECT_EQ(CWndShadow::Initialize(), compositor.Running());
    {
        CSkinFrame main(WindowDescriptor::ForSkinFile(L"MainWnd.xml"));
        WindowHandle owner = main.Create(nullptr, L"Kelvo Kids", WS_OVERLAPPEDWINDOW, 0);
        ASSERT_TRUE(owner);
        main.CenterWindow();
        main.ShowWindow();
        for (int turns = 0; turns < 20; ++turns) system.PumpOne(50);
        const UiRect mainRect = system.GetWindowRect(owner);
        WindowHandle shadow = main.GetShadow().GetShadowWindow();
        EXPECT_EQ(shadow != nullptr, compositor.Running());

        if (compositor.Running()) {
            ASSERT_NE(system.LayeredNativeWindow(shadow), 0u);
            const std::string dump = folder.NativePath() + "/screen.xwd";
            ASSERT_EQ(std::system(("xwd -root -silent > " + dump).c_str()), 0);
            Bitmap screen = testing_support::ReadScreenDump(dump);
            ASSERT_GE(screen.Height(), mainRect.bottom + 20);
            // Just right of the window its shadow darkens what lies beneath; far away nothing does.
            const int y = mainRect.top + mainRect.Height() / 2;
            const std::uint32_t near = screen.At(mainRect.right + 1, y), far = screen.At(mainRect.right + 15, y);
            EXPECT_LT(near & 0xFF0000, far & 0xFF0000);
        }

        bool clicked = false;
        SetMessageBoxHook([&](CMessageBoxWnd& box) {
            // Laid out now to find "是"; the server's click comes once the box is on screen.
            box.GetPaintManager().Paint();
            const UiRect place = system.GetWindowRect(box.GetHWND());
            const UiRect yes = box.FindControl(L"okBtn")->GetPos();
            const std::string click = "(sleep 1; xdotool mousemove " +
                                      std::to_string(place.left + yes.left + yes.Width() / 2) + " " +
                                      std::to_string(place.top + yes.top + yes.Height() / 2) +
                                      " click 1) >/dev/null 2>&1 &";
            clicked = std::system(click.c_str()) == 0;
        });
        const int result = ShowMessageBox(owner, WindowDescriptor::ForSkinFile(L"ExitTipWnd.xml"));
        SetMessageBoxHook(nullptr);
        EXPECT_TRUE(clicked);
        EXPECT_EQ(result, 0);
        EXPECT_TRUE(system.IsEnabled(owner));
        EXPECT_EQ(system.GetFocus(), owner);
    }
    SetWindowSystem(nullptr);
}
