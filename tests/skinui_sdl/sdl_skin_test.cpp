#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "skinui/backend/headless/headless_window_system.h"
#include "skinui/combo.h"
#include "skinui/container.h"
#include "skinui/skin_resources.h"
#include "tests/skinui/skin_fixture.h"
#include "tests/skinui_sdl/sdl_fixture.h"
#include "tests/support/screen_dump.h"
#include "tests/support/temp_folder.h"

using namespace SkinUI;
using namespace sdl_testing;
using skin_testing::TestWindow;

namespace {

const char* kOwnerSkin = R"(<Window size="200,120">
  <VerticalLayout bkcolor="#FFFFFFFF"><Button name="ownerBtn" text="owner" height="40"/><Control/></VerticalLayout>
</Window>)";

const char* kBoxSkin = R"(<Window size="120,80" caption="0,0,0,30">
  <VerticalLayout bkcolor="#FFF5FAFE">
    <HorizontalLayout height="30"><Control/><Button name="closebtn" width="30" height="30"/></HorizontalLayout>
    <Control/>
  </VerticalLayout>
</Window>)";

const char* kComboSkin = R"(<Window size="200,120">
  <VerticalLayout bkcolor="#FFFFFFFF">
    <Combo name="combo" height="30" listrowheight="20" textcolor="#FF000000">
      <ListLabelElement text="one"/><ListLabelElement text="two"/><ListLabelElement text="three"/>
    </Combo>
    <Control/>
  </VerticalLayout>
</Window>)";

// A window that notes, for every message posted to it, whether it could take input then.
class ProbeWindow : public TestWindow {
public:
    using TestWindow::TestWindow;
    LRESULT HandleOtherMessage(UINT message, WPARAM, LPARAM, bool& handled) override {
        handled = message == WM_USER + 9;
        if (handled) enabledWhenPosted.push_back(GetWindowSystem()->IsEnabled(GetHWND()));
        return 0;
    }
    std::vector<bool> enabledWhenPosted;
};

class SdlSkinTest : public SdlFixture {
protected:
    void SetUp() override {
        SdlFixture::SetUp();
        SkinResources::Instance().Reset();
        SkinResources::Instance().SetResourcePath(folder.Path());
        folder.WriteFile(L"owner.xml", kOwnerSkin);
        folder.WriteFile(L"box.xml", kBoxSkin);
        folder.WriteFile(L"combo.xml", kComboSkin);
    }
    void TearDown() override {
        for (WindowHandle w : system->Windows()) system->DestroyWindow(w);
        SkinResources::Instance().Reset();
    }
    // Clicks the control's centre through SDL's queue; its window must have been painted.
    void ClickControl(TestWindow& window, const std::wstring& name) {
        CControlUI* control = window.FindControl(name);
        ASSERT_TRUE(control);
        UiRect pos = control->GetPos();
        ASSERT_FALSE(pos.IsEmpty());
        Click(window.GetHWND(), pos.left + pos.Width() / 2, pos.top + pos.Height() / 2);
    }

    testing_support::TempFolder folder;
};

}  // namespace

TEST_F(SdlSkinTest, ModalBoxDisablesItsOwnerAndGivesTheFocusBack) {
    ProbeWindow ownerWindow(L"owner.xml");
    WindowHandle ownerHandle = ownerWindow.Open();
    TestWindow box(L"box.xml");
    WindowHandle boxHandle = box.Open(ownerHandle);
    system->RunPending();  // both laid out
    // Queued before the box runs, taken by its loop in this order.
    system->PostMessage(ownerHandle, WM_USER + 9, 0, 0);
    ClickControl(ownerWindow, L"ownerBtn");
    ClickControl(box, L"closebtn");
    box.ShowModal();
    EXPECT_FALSE(system->IsWindow(boxHandle));
    EXPECT_EQ(ownerWindow.enabledWhenPosted, std::vector<bool>{false});
    EXPECT_EQ(ownerWindow.Count(L"click"), 0);  // the owner could not be clicked meanwhile
    EXPECT_TRUE(system->IsEnabled(ownerHandle));
    EXPECT_EQ(system->GetFocus(), ownerHandle);
    // And takes clicks again.
    ClickControl(ownerWindow, L"ownerBtn");
    system->RunPending();
    EXPECT_EQ(ownerWindow.Count(L"click"), 1);
}

// A click already queued when the window appears (a quick user, a slow machine) is taken before
// the window's first paint: it must still find the control under it.
TEST_F(SdlSkinTest, ClickQueuedBeforeTheFirstPaintReachesItsControl) {
    TestWindow box(L"box.xml");
    WindowHandle handle = box.Open();
    Click(handle, 105, 15);  // closebtn: the top right 30 x 30 of the 120 x 80 box
    system->RunPending();
    ASSERT_EQ(box.Count(L"click"), 1);
    EXPECT_EQ(box.seen.back().sender, L"closebtn");
}

TEST_F(SdlSkinTest, QuitDuringModalBoxEndsItsLoopAndReachesTheOuterOne) {
    TestWindow ownerWindow(L"owner.xml");
    WindowHandle ownerHandle = ownerWindow.Open();
    TestWindow box(L"box.xml");
    WindowHandle boxHandle = box.Open(ownerHandle);
    system->PostQuitMessage(4);
    box.ShowModal();
    EXPECT_TRUE(system->IsWindow(boxHandle));
    EXPECT_TRUE(system->IsEnabled(ownerHandle));
    Utils::PumpStep step = Utils::PumpStep::Dispatched;
    for (int turns = 0; step != Utils::PumpStep::Quit && turns < 1000; ++turns) step = system->PumpOne(0);
    EXPECT_EQ(step, Utils::PumpStep::Quit);
    EXPECT_EQ(system->QuitCode(), 4);
}

TEST_F(SdlSkinTest, ComboListIsAPopupThatTakesHoverClicksAndKeysWhileTheOwnerKeepsTheFocus) {
    TestWindow window(L"combo.xml");
    WindowHandle h = window.Open();
    system->RunPending();
    auto* combo = static_cast<CComboUI*>(window.FindControl(L"combo"));
    ClickControl(window, L"combo");
    system->RunPending();
    const WindowHandle list = combo->GetListWindow();
    ASSERT_TRUE(list);
    EXPECT_TRUE(SDL_GetWindowFlags(system->NativeWindow(list)) & SDL_WINDOW_POPUP_MENU);
    EXPECT_EQ(system->GetFocus(), h);
    EXPECT_EQ(system->GetActiveWindow(), h);
    // The list shows what it painted: three rows of 20 in a border.
    EXPECT_EQ(system->ReadBack(list).Height(), 62);

    Motion(list, 40, 1 + 20 + 10);
    system->RunPending();
    EXPECT_EQ(combo->GetDropList()->GetHotIndex(), 1);
    Click(list, 40, 1 + 2 * 20 + 10);
    system->RunPending();
    EXPECT_FALSE(system->IsWindow(list));
    EXPECT_EQ(combo->GetCurSel(), 2);
    EXPECT_EQ(window.Count(L"itemselect"), 1);

    // Alt+Down opens from the keyboard, Up moves (keys SDL reports for the list are the
    // focused owner's), Escape closes without choosing.
    Key(h, SDLK_DOWN, KMOD_LALT);
    system->RunPending();
    ASSERT_TRUE(combo->IsListOpen());
    Key(combo->GetListWindow(), SDLK_UP);
    system->RunPending();
    EXPECT_EQ(combo->GetDropList()->GetHotIndex(), 1);
    Key(h, SDLK_ESCAPE);
    system->RunPending();
    EXPECT_FALSE(combo->IsListOpen());
    EXPECT_EQ(combo->GetCurSel(), 2);
    EXPECT_TRUE(system->IsWindow(h));
    // The owner losing the focus closes it.
    ClickControl(window, L"combo");
    system->RunPending();
    ASSERT_TRUE(combo->IsListOpen());
    WindowEvent(h, SDL_WINDOWEVENT_FOCUS_LOST);
    system->RunPending();
    EXPECT_FALSE(combo->IsListOpen());
}

namespace {

// The main skin's window as the headless back end paints it.
Bitmap HeadlessMainWindow() {
    WindowSystem* previous = GetWindowSystem();
    Bitmap pixels;
    {
        HeadlessWindowSystem headless;
        SetWindowSystem(&headless);
        TestWindow window(L"mainWnd.xml", SkinSource::ArchiveResource);
        if (WindowHandle handle = window.Open()) pixels = headless.Snapshot(handle);
        for (WindowHandle w : headless.Windows()) headless.DestroyWindow(w);
    }
    SetWindowSystem(previous);
    return pixels;
}

int CountDifferences(const Bitmap& expected, const Bitmap& actual, int left, int top) {
    int differences = 0;
    for (int y = 0; y < expected.Height(); ++y) {
        for (int x = 0; x < expected.Width(); ++x) {
            // Outside the rounded region the screen shows whatever lies beneath.
            if ((expected.At(x, y) >> 24) == 0) continue;
            differences += (expected.At(x, y) & 0xFFFFFF) != (actual.At(left + x, top + y) & 0xFFFFFF);
        }
    }
    return differences;
}

}  // namespace

TEST_F(SdlSkinTest, MainWindowShowsTheHeadlessPixelsAndTakesAClick) {
    Bitmap expected = HeadlessMainWindow();
    ASSERT_FALSE(expected.IsEmpty());
    TestWindow window(L"mainWnd.xml", SkinSource::ArchiveResource);
    WindowHandle handle = window.Open();
    ASSERT_TRUE(handle);
    Bitmap shown = system->ReadBack(handle);
    ASSERT_EQ(shown.Width(), expected.Width());
    ASSERT_EQ(shown.Height(), expected.Height());
    EXPECT_EQ(CountDifferences(expected, shown, 0, 0), 0);
    ClickControl(window, L"customeBtn");
    system->RunPending();
    ASSERT_EQ(window.Count(L"click"), 1);
    EXPECT_EQ(window.seen.back().sender, L"customeBtn");
}

namespace {

bool Installed(const char* program) {
    return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

// What the X server shows now.
Bitmap DumpScreen() {
    testing_support::TempFolder folder;
    const std::string dump = folder.NativePath() + "/screen.xwd";
    if (std::system(("xwd -root -silent > " + dump).c_str()) != 0) return {};
    return testing_support::ReadScreenDump(dump);
}

}  // namespace

// Run by CTest under xvfb-run (KELVO_DISPLAY_TEST=1); skipped anywhere else.
TEST(SdlOnDisplay, MainWindowOnScreenMatchesHeadlessAndTakesRealClicksAndTyping) {
    if (!std::getenv("KELVO_DISPLAY_TEST") || !std::getenv("DISPLAY")) GTEST_SKIP() << "needs xvfb-run";
    if (!Installed("xwd") || !Installed("xdotool")) GTEST_SKIP() << "needs xwd and xdotool";
    unsetenv("SDL_VIDEODRIVER");
    // The pointer waits in a corner so that nothing is hot when the screen is taken.
    ASSERT_EQ(std::system("xdotool mousemove 0 0"), 0);
    Bitmap expected = HeadlessMainWindow();
    ASSERT_FALSE(expected.IsEmpty());

    SdlWindowSystem system;
    ASSERT_TRUE(system.IsReady()) << SDL_GetError();
    SetWindowSystem(&system);
    {
        TestWindow window(L"mainWnd.xml", SkinSource::ArchiveResource);
        WindowHandle handle = window.Create(nullptr, L"Kelvo Kids", WS_OVERLAPPEDWINDOW, 0);
        ASSERT_TRUE(handle);
        window.CenterWindow();
        window.ShowWindow();
        // The server maps the window and asks for its contents; the pump answers.
        for (int turns = 0; turns < 20; ++turns) system.PumpOne(50);
        const UiRect rect = system.GetWindowRect(handle);

        Bitmap screen = DumpScreen();
        ASSERT_GE(screen.Width(), rect.right);
        ASSERT_GE(screen.Height(), rect.bottom);
        EXPECT_EQ(CountDifferences(expected, screen, rect.left, rect.top), 0);

        CControlUI* button = window.FindControl(L"customeBtn");
        ASSERT_TRUE(button);
        const UiRect pos = button->GetPos();
        const std::string click = "xdotool mousemove " + std::to_string(rect.left + pos.left + pos.Width() / 2) + " " +
                                  std::to_string(rect.top + pos.top + pos.Height() / 2) + " click 1";
        ASSERT_EQ(std::system(click.c_str()), 0);
        for (int turns = 0; window.Count(L"click") == 0 && turns < 200; ++turns) system.PumpOne(50);
        ASSERT_EQ(window.Count(L"click"), 1);
        EXPECT_EQ(window.seen.back().sender, L"customeBtn");

        // Typed on the custom page's folder box, the text arrives through the server's keyboard.
        auto* pages = dynamic_cast<CTabLayoutUI*>(window.FindControl(L"mainTabLt"));
        ASSERT_TRUE(pages);
        pages->SelectItem(1);
        system.RunPending();
        CControlUI* edit = window.FindControl(L"installDirEdit");
        ASSERT_TRUE(edit);
        const UiRect box = edit->GetPos();
        const std::string type = "xdotool mousemove " + std::to_string(rect.left + box.left + 20) + " " +
                                 std::to_string(rect.top + box.top + box.Height() / 2) +
                                 " click 1 sleep 0.2 type --delay 20 /opt/kelvo";
        ASSERT_EQ(std::system(type.c_str()), 0);
        for (int turns = 0; edit->GetText() != L"/opt/kelvo" && turns < 200; ++turns) system.PumpOne(50);
        EXPECT_EQ(edit->GetText(), L"/opt/kelvo");
    }
    SetWindowSystem(nullptr);
}

// Run by CTest under xvfb-run (KELVO_DISPLAY_TEST=1); skipped anywhere else. A click that waits
// in the queue as a box appears, read in one batch with the box's focus and before its first
// paint (what a busy machine does), is the box's.
TEST(SdlOnDisplay, ClickWaitingAsABoxAppearsIsTakenByIt) {
    if (!std::getenv("KELVO_DISPLAY_TEST") || !std::getenv("DISPLAY")) GTEST_SKIP() << "needs xvfb-run";
    if (!Installed("xdotool")) GTEST_SKIP() << "needs xdotool";
    unsetenv("SDL_VIDEODRIVER");
    SdlWindowSystem system;
    ASSERT_TRUE(system.IsReady()) << SDL_GetError();
    SetWindowSystem(&system);
    {
        TestWindow box(L"ExitTipWnd.xml", SkinSource::ArchiveResource);
        WindowHandle handle = box.Create(nullptr, L"click-as-shown", WS_OVERLAPPEDWINDOW, 0);
        ASSERT_TRUE(handle);
        box.CenterWindow();
        box.ShowWindow();
        // Nothing pumped: the server maps the box by itself (no window manager here).
        ASSERT_EQ(std::system("xdotool search --sync --onlyvisible --name '^click-as-shown$' >/dev/null"), 0);
        const UiRect rect = system.GetWindowRect(handle);
        // "否" (cancelBtn): 76 x 32, 20 from the right edge, 16 above the bottom of the 360 x 180 box.
        const std::string click = "xdotool mousemove " + std::to_string(rect.right - 20 - 38) + " " +
                                  std::to_string(rect.bottom - 16 - 16) + " click 1";
        ASSERT_EQ(std::system(click.c_str()), 0);
        for (int turns = 0; box.Count(L"click") == 0 && turns < 100; ++turns) system.PumpOne(50);
        ASSERT_EQ(box.Count(L"click"), 1);
        EXPECT_EQ(box.seen.back().sender, L"cancelBtn");
    }
    SetWindowSystem(nullptr);
}

// Run by CTest under xvfb-run (KELVO_DISPLAY_TEST=1); skipped anywhere else.
TEST(SdlOnDisplay, ComboListOpensOnScreenAndTakesARealClick) {
    if (!std::getenv("KELVO_DISPLAY_TEST") || !std::getenv("DISPLAY")) GTEST_SKIP() << "needs xvfb-run";
    if (!Installed("xwd") || !Installed("xdotool")) GTEST_SKIP() << "needs xwd and xdotool";
    unsetenv("SDL_VIDEODRIVER");
    ASSERT_EQ(std::system("xdotool mousemove 0 0"), 0);
    SdlWindowSystem system;
    ASSERT_TRUE(system.IsReady()) << SDL_GetError();
    SetWindowSystem(&system);
    {
        TestWindow window(L"mainWnd.xml", SkinSource::ArchiveResource);
        WindowHandle handle = window.Create(nullptr, L"Kelvo Kids", WS_OVERLAPPEDWINDOW, 0);
        ASSERT_TRUE(handle);
        auto* pages = dynamic_cast<CTabLayoutUI*>(window.FindControl(L"mainTabLt"));
        ASSERT_TRUE(pages);
        pages->SelectItem(1);
        window.CenterWindow();
        window.ShowWindow();
        for (int turns = 0; turns < 20; ++turns) system.PumpOne(50);
        const UiRect rect = system.GetWindowRect(handle);
        auto* combo = static_cast<CComboUI*>(window.FindControl(L"languageCombo")->As(L"Combo"));
        ASSERT_TRUE(combo);
        auto click = [](int x, int y) {
            const std::string command =
                "xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) + " sleep 0.1 click 1";
            return std::system(command.c_str());
        };

        const UiRect face = combo->GetPos();
        ASSERT_EQ(click(rect.left + face.left + 30, rect.top + face.top + face.Height() / 2), 0);
        for (int turns = 0; !combo->IsListOpen() && turns < 100; ++turns) system.PumpOne(50);
        ASSERT_TRUE(combo->IsListOpen());
        // The server shows the list's pixels where it was placed, above the window.
        for (int turns = 0; turns < 10; ++turns) system.PumpOne(50);
        const WindowHandle list = combo->GetListWindow();
        ASSERT_TRUE(list);
        const UiRect place = system.GetWindowRect(list);
        Bitmap screen = DumpScreen();
        ASSERT_GE(screen.Height(), place.bottom);
        EXPECT_EQ(CountDifferences(system.Presented(list), screen, place.left, place.top), 0);

        // The second click, on "Bahasa Indonesia", chooses it; the owner kept the focus.
        const UiRect row = combo->GetDropList()->RowRect(3);
        ASSERT_FALSE(row.IsEmpty());
        ASSERT_EQ(click(place.left + row.left + 30, place.top + row.top + row.Height() / 2), 0);
        for (int turns = 0; combo->IsListOpen() && turns < 100; ++turns) system.PumpOne(50);
        EXPECT_FALSE(combo->IsListOpen());
        EXPECT_EQ(combo->GetCurSel(), 3);
        ASSERT_EQ(window.Count(L"itemselect"), 1);
        EXPECT_EQ(window.seen.back().sender, L"languageCombo");
        EXPECT_EQ(system.GetFocus(), handle);
    }
    SetWindowSystem(nullptr);
}
