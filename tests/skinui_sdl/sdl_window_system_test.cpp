#include <gtest/gtest.h>

#include <thread>

#include "skinui/backend/sdl/sdl_keys.h"
#include "tests/skinui_sdl/sdl_fixture.h"

using namespace SkinUI;
using namespace sdl_testing;

namespace {

class SdlWindowSystemTest : public SdlFixture {
protected:
    WindowHandle Open(Recorder& procedure, UiRect rect = {10, 20, 110, 70}, WindowHandle parent = nullptr) {
        WindowHandle window = system->CreateNativeWindow(&procedure, parent, L"test", WS_VISIBLE, 0, rect);
        system->RunPending();
        procedure.received.clear();
        return window;
    }
};

}  // namespace

TEST_F(SdlWindowSystemTest, CreationOrderAndFailure) {
    WindowHandle w = system->CreateNativeWindow(&recorder, nullptr, L"test", 0, 0, {10, 20, 110, 70});
    ASSERT_TRUE(w);
    ASSERT_GE(recorder.received.size(), 2u);
    EXPECT_EQ(recorder.received[0].message, WM_CREATE);
    EXPECT_EQ(recorder.received[1].message, WM_SIZE);
    EXPECT_EQ(recorder.received[1].lParam, MakeLParam(100, 50));
    SDL_Window* native = system->NativeWindow(w);
    int width = 0, height = 0;
    SDL_GetWindowSize(native, &width, &height);
    EXPECT_EQ(width, 100);
    EXPECT_EQ(height, 50);
    EXPECT_TRUE(SDL_GetWindowFlags(native) & SDL_WINDOW_BORDERLESS);
    EXPECT_FALSE(system->IsVisible(w));

    owner.failCreate = true;
    EXPECT_FALSE(system->CreateNativeWindow(&owner, nullptr, L"x", WS_VISIBLE, 0, {0, 0, 10, 10}));
    EXPECT_EQ(system->Windows().size(), 1u);
    EXPECT_EQ(owner.Count(WM_DESTROY), 1);
    EXPECT_EQ(owner.Count(WM_NCDESTROY), 1);
}

TEST_F(SdlWindowSystemTest, OwnedWindowsAreDestroyedFirst) {
    WindowHandle top = Open(owner);
    Open(owned, {0, 0, 20, 20}, top);
    owner.log = owned.log = &log;
    system->DestroyWindow(top);
    std::vector<std::pair<Recorder*, UINT>> expected{
        {&owned, WM_DESTROY}, {&owned, WM_NCDESTROY}, {&owner, WM_DESTROY}, {&owner, WM_NCDESTROY}};
    EXPECT_EQ(log, expected);
    EXPECT_TRUE(system->Windows().empty());
}

TEST_F(SdlWindowSystemTest, PresentedBitmapReadsBackExactlyAfterResizes) {
    WindowHandle w = Open(recorder);
    for (auto [width, height] : {std::pair{100, 50}, std::pair{37, 23}, std::pair{64, 64}}) {
        system->MoveWindow(w, {10, 20, 10 + width, 20 + height});
        int nativeWidth = 0, nativeHeight = 0;
        SDL_GetWindowSize(system->NativeWindow(w), &nativeWidth, &nativeHeight);
        EXPECT_EQ(nativeWidth, width);
        EXPECT_EQ(nativeHeight, height);
        // Premultiplied pixels of every kind, translucent ones included, pass through untouched.
        Bitmap pixels(width, height);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                std::uint32_t alpha = (x * 7 + y * 3) & 0xFF;
                std::uint32_t colour = (alpha * ((x * 13) & 0xFF) / 255) << 16 | (alpha * ((y * 29) & 0xFF) / 255) << 8 |
                                       (alpha * 200 / 255);
                pixels.Set(x, y, alpha << 24 | colour);
            }
        }
        recorder.paint = pixels;
        system->Invalidate(w);
        Bitmap shown = system->ReadBack(w);
        ASSERT_EQ(shown.Width(), width);
        ASSERT_EQ(shown.Height(), height);
        int differences = 0;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) differences += (shown.At(x, y) & 0x00FFFFFF) != (pixels.At(x, y) & 0x00FFFFFF);
        }
        EXPECT_EQ(differences, 0) << width << "x" << height;
    }
}

TEST_F(SdlWindowSystemTest, PostedMessagesFromAnotherThreadArriveInOrder) {
    WindowHandle w = Open(recorder);
    constexpr int kCount = 1000;
    std::thread poster([&] {
        for (int i = 0; i < kCount; ++i) EXPECT_TRUE(system->PostMessage(w, WM_USER + 1, i, 0));
    });
    // Pumped while the other thread posts: the pump wakes for each message.
    for (int turns = 0; recorder.Count(WM_USER + 1) < kCount && turns < 100000; ++turns) system->PumpOne(100);
    poster.join();
    std::vector<Recorder::Received> values = recorder.Of(WM_USER + 1);
    ASSERT_EQ(values.size(), static_cast<std::size_t>(kCount));
    for (int i = 0; i < kCount; ++i) EXPECT_EQ(values[i].wParam, static_cast<WPARAM>(i));

    // A message for a window that is gone by the time it is taken is dropped.
    system->PostMessage(w, WM_USER + 2, 0, 0);
    system->DestroyWindow(w);
    system->RunPending();
    EXPECT_EQ(recorder.Count(WM_USER + 2), 0);
}

TEST_F(SdlWindowSystemTest, NestedPumpKeepsArrivalOrderAndPassesQuitOutwards) {
    WindowHandle top = Open(owner);
    WindowHandle box = Open(owned, {0, 0, 20, 20}, top);
    owner.log = owned.log = &log;
    system->PostMessage(top, WM_USER + 1, 0, 0);
    system->PostMessage(box, WM_USER + 2, 0, 0);
    system->PostMessage(top, WM_USER + 3, 0, 0);
    system->PostQuitMessage(5);
    system->PostMessage(top, WM_USER + 4, 0, 0);
    // The inner (modal) loop.
    int turns = 0;
    while (system->PumpOne(0) != Utils::PumpStep::Quit && ++turns < 1000) {}
    std::vector<std::pair<Recorder*, UINT>> expected{{&owner, WM_USER + 1}, {&owned, WM_USER + 2}, {&owner, WM_USER + 3}};
    EXPECT_EQ(log, expected);
    // The outer loop still sees what was queued behind the quit, then the quit itself.
    turns = 0;
    while (system->PumpOne(0) != Utils::PumpStep::Quit && ++turns < 1000) {}
    expected.push_back({&owner, WM_USER + 4});
    EXPECT_EQ(log, expected);
    EXPECT_TRUE(system->QuitPosted());
    EXPECT_EQ(system->QuitCode(), 5);
    EXPECT_TRUE(system->IsWindow(box));
}

TEST_F(SdlWindowSystemTest, TimersTickUntilKilledAndStaleTicksAreDropped) {
    WindowHandle w = Open(recorder);
    system->SetTimer(w, 7, 2);
    EXPECT_TRUE(system->HasTimer(w, 7));
    for (int turns = 0; recorder.Count(WM_TIMER) < 3 && turns < 10000; ++turns) system->PumpOne(100);
    for (const Recorder::Received& tick : recorder.Of(WM_TIMER)) EXPECT_EQ(tick.wParam, 7u);
    ASSERT_GE(recorder.Count(WM_TIMER), 3);
    system->KillTimer(w, 7);
    EXPECT_FALSE(system->HasTimer(w, 7));

    // However long the pump is away, one tick at most waits for it, as with WM_TIMER.
    system->SetTimer(w, 8, 1);
    SDL_Delay(30);
    EXPECT_EQ(SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT), 1);
    // Killed while that tick waits: it is not delivered.
    recorder.received.clear();
    system->KillTimer(w, 8);
    system->RunPending();
    EXPECT_EQ(recorder.Count(WM_TIMER), 0);

    // A window that goes takes its timers along.
    system->SetTimer(w, 9, 1);
    SDL_Delay(10);
    system->DestroyWindow(w);
    system->RunPending();
    EXPECT_EQ(recorder.Count(WM_TIMER), 0);
}

TEST_F(SdlWindowSystemTest, MouseEventsBecomeWindowMessages) {
    WindowHandle w = Open(recorder);
    Motion(w, 5, 6);
    Button(w, true, 5, 6);
    Button(w, false, 5, 6);
    Button(w, true, 7, 8, SDL_BUTTON_LEFT, 2);
    Button(w, true, 9, 9, SDL_BUTTON_RIGHT);
    SDL_Event wheel{};
    wheel.type = SDL_MOUSEWHEEL;
    wheel.wheel.windowID = Id(w);
    wheel.wheel.y = -1;
    Push(wheel);
    WindowEvent(w, SDL_WINDOWEVENT_LEAVE);
    system->RunPending();

    std::vector<UINT> messages;
    for (const Recorder::Received& r : recorder.received) {
        if (r.message != WM_PAINT) messages.push_back(r.message);
    }
    std::vector<UINT> expected{WM_MOUSEMOVE,  WM_NCHITTEST,     WM_LBUTTONDOWN, WM_LBUTTONUP,  WM_NCHITTEST,
                               WM_LBUTTONDBLCLK, WM_RBUTTONDOWN, WM_MOUSEWHEEL, WM_MOUSELEAVE};
    EXPECT_EQ(messages, expected);
    EXPECT_EQ(recorder.Of(WM_MOUSEMOVE)[0].lParam, MakeLParam(5, 6));
    EXPECT_EQ(recorder.Of(WM_NCHITTEST)[0].lParam, MakeLParam(15, 26));  // screen coordinates
    EXPECT_EQ(recorder.Of(WM_LBUTTONDOWN)[0].lParam, MakeLParam(5, 6));
    EXPECT_EQ(recorder.Of(WM_LBUTTONDBLCLK)[0].lParam, MakeLParam(7, 8));
    EXPECT_EQ(static_cast<std::int16_t>(recorder.Of(WM_MOUSEWHEEL)[0].wParam >> 16), -120);
}

TEST_F(SdlWindowSystemTest, CaptionPressDragsTheWindowHere) {
    WindowHandle w = Open(recorder);
    EXPECT_EQ(system->NonClientHitTest(system->NativeWindow(w), 3, 4), HTCLIENT);
    EXPECT_EQ(recorder.Of(WM_NCHITTEST).back().lParam, MakeLParam(13, 24));
    recorder.hit = HTCAPTION;
    EXPECT_EQ(system->NonClientHitTest(system->NativeWindow(w), 3, 4), HTCAPTION);
    // Where SDL cannot hand the drag to a window manager, the press still arrives: moved here.
    Button(w, true, 10, 10);
    Motion(w, 30, 25);
    Button(w, false, 30, 25);
    system->RunPending();
    EXPECT_EQ(system->GetWindowRect(w), (UiRect{30, 35, 130, 85}));
    int x = 0, y = 0;
    SDL_GetWindowPosition(system->NativeWindow(w), &x, &y);
    EXPECT_EQ(x, 30);
    EXPECT_EQ(y, 35);
    EXPECT_EQ(recorder.Count(WM_LBUTTONDOWN) + recorder.Count(WM_LBUTTONUP) + recorder.Count(WM_MOUSEMOVE), 0);
    EXPECT_EQ(recorder.Count(WM_MOVE), 1);
    // The drag is over: the pointer moves the window no more.
    Motion(w, 50, 50);
    system->RunPending();
    EXPECT_EQ(recorder.Count(WM_MOUSEMOVE), 1);
}

TEST_F(SdlWindowSystemTest, CapturedPointerBelongsToTheCapturingWindow) {
    WindowHandle a = Open(owner, {0, 0, 100, 100});
    WindowHandle b = Open(owned, {200, 50, 300, 150});
    system->SetCapture(a);
    EXPECT_EQ(system->Capture(), a);
    Motion(b, 10, 10);
    WindowEvent(a, SDL_WINDOWEVENT_LEAVE);
    system->RunPending();
    ASSERT_EQ(owner.Count(WM_MOUSEMOVE), 1);
    EXPECT_EQ(owner.Of(WM_MOUSEMOVE)[0].lParam, MakeLParam(210, 60));
    EXPECT_EQ(owner.Count(WM_MOUSELEAVE), 0);
    EXPECT_EQ(owned.Count(WM_MOUSEMOVE), 0);
    system->ReleaseCapture();
    Motion(b, 10, 10);
    system->RunPending();
    EXPECT_EQ(owned.Count(WM_MOUSEMOVE), 1);
    // A captured window that goes releases the capture.
    system->SetCapture(b);
    system->DestroyWindow(b);
    EXPECT_EQ(system->Capture(), nullptr);
}

TEST_F(SdlWindowSystemTest, KeysBecomeKeyDownsAndCharacters) {
    struct Case {
        SDL_Keycode key;
        Uint16 modifiers;
        WPARAM virtualKey;
        wchar_t character;  // 0: none
    };
    const Case cases[] = {
        {SDLK_RETURN, 0, VK_RETURN, L'\r'},     {SDLK_ESCAPE, 0, VK_ESCAPE, 0x1B},
        {SDLK_BACKSPACE, 0, VK_BACK, 0x08},     {SDLK_TAB, 0, VK_TAB, L'\t'},
        {SDLK_a, KMOD_LCTRL, 'A', 1},           {SDLK_v, KMOD_RCTRL, 'V', 22},
        {SDLK_a, 0, 'A', 0},                    {SDLK_7, 0, '7', 0},
        {SDLK_LEFT, KMOD_LSHIFT, VK_LEFT, 0},   {SDLK_HOME, 0, VK_HOME, 0},
        {SDLK_DELETE, 0, VK_DELETE, 0},         {SDLK_F4, 0, VK_F4, 0},
    };
    WindowHandle w = Open(recorder);
    for (const Case& c : cases) {
        recorder.received.clear();
        Key(w, c.key, c.modifiers);
        system->RunPending();
        ASSERT_EQ(recorder.Count(WM_KEYDOWN), 1) << c.key;
        EXPECT_EQ(recorder.Of(WM_KEYDOWN)[0].wParam, c.virtualKey) << c.key;
        ASSERT_EQ(recorder.Count(WM_CHAR), c.character ? 1 : 0) << c.key;
        if (c.character) {
            EXPECT_EQ(recorder.Of(WM_CHAR)[0].wParam, static_cast<WPARAM>(c.character)) << c.key;
        }
    }
    // Typed text arrives as characters, one per code point.
    recorder.received.clear();
    Text(w, "中a\xF0\x9F\x98\x80");
    system->RunPending();
    std::vector<WPARAM> characters;
    for (const Recorder::Received& r : recorder.Of(WM_CHAR)) characters.push_back(r.wParam);
    EXPECT_EQ(characters, (std::vector<WPARAM>{0x4E2D, 'a', 0x1F600}));
}

TEST_F(SdlWindowSystemTest, DisabledWindowTakesNoInputAndRefusesClose) {
    WindowHandle w = Open(recorder);
    system->EnableWindow(w, false);
    Click(w, 5, 5);
    Key(w, SDLK_a);
    Text(w, "a");
    WindowEvent(w, SDL_WINDOWEVENT_CLOSE);
    system->RunPending();
    for (UINT message : {WM_MOUSEMOVE, WM_NCHITTEST, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_KEYDOWN, WM_CHAR, WM_SYSCOMMAND}) {
        EXPECT_EQ(recorder.Count(message), 0) << message;
    }
    EXPECT_TRUE(system->IsWindow(w));
    // Enabled again, the window manager's close goes through the system command.
    system->EnableWindow(w, true);
    WindowEvent(w, SDL_WINDOWEVENT_CLOSE);
    system->RunPending();
    EXPECT_EQ(recorder.Count(WM_SYSCOMMAND), 1);
    EXPECT_EQ(recorder.Count(WM_CLOSE), 1);
    EXPECT_FALSE(system->IsWindow(w));
}

TEST_F(SdlWindowSystemTest, MinimiseAndRestoreReportTheirSizes) {
    WindowHandle w = Open(recorder);
    system->ShowWindow(w, ShowCommand::Minimize);
    EXPECT_TRUE(system->IsMinimized(w));
    ASSERT_EQ(recorder.Count(WM_SIZE), 1);
    EXPECT_EQ(recorder.Of(WM_SIZE)[0].wParam, SIZE_MINIMIZED);
    // The user restores it from the task bar.
    WindowEvent(w, SDL_WINDOWEVENT_RESTORED);
    system->RunPending();
    EXPECT_FALSE(system->IsMinimized(w));
    ASSERT_EQ(recorder.Count(WM_SIZE), 2);
    EXPECT_EQ(recorder.Of(WM_SIZE)[1].wParam, SIZE_RESTORED);
    EXPECT_EQ(recorder.Of(WM_SIZE)[1].lParam, MakeLParam(100, 50));
    // A move the window manager made is reported once; our own moves come back unchanged.
    WindowEvent(w, SDL_WINDOWEVENT_MOVED, 40, 60);
    WindowEvent(w, SDL_WINDOWEVENT_MOVED, 40, 60);
    system->RunPending();
    EXPECT_EQ(recorder.Count(WM_MOVE), 1);
    EXPECT_EQ(system->GetWindowRect(w), (UiRect{40, 60, 140, 110}));
}

TEST_F(SdlWindowSystemTest, WorkAreaIsTheDisplaysUsableBounds) {
    WindowHandle w = Open(recorder);
    SDL_Rect usable;
    ASSERT_EQ(SDL_GetDisplayUsableBounds(0, &usable), 0);
    EXPECT_EQ(system->GetWorkArea(w), (UiRect{usable.x, usable.y, usable.x + usable.w, usable.y + usable.h}));
}

TEST_F(SdlWindowSystemTest, SystemMessageWithoutAScreenGoesToStandardError) {
    testing::internal::CaptureStderr();
    system->ShowSystemMessage(L"加载资源文件失败", L"SkinUI");
    EXPECT_NE(testing::internal::GetCapturedStderr().find("SkinUI: 加载资源文件失败"), std::string::npos);
    ASSERT_EQ(system->SystemMessages().size(), 1u);
}

TEST(SdlWithoutDisplay, WindowCreationFailsWithAClearMessage) {
    setenv("SDL_VIDEODRIVER", "no-such-display", 1);
    {
        SdlWindowSystem system;
        EXPECT_FALSE(system.IsReady());
        EXPECT_NE(system.Error().find(L"cannot open a display"), std::wstring::npos);
        Recorder recorder;
        EXPECT_FALSE(system.CreateNativeWindow(&recorder, nullptr, L"x", WS_VISIBLE, 0, {0, 0, 10, 10}));
        EXPECT_TRUE(recorder.received.empty());
        EXPECT_FALSE(system.PostMessage(nullptr, WM_USER, 0, 0));
        EXPECT_EQ(system.PumpOne(0), Utils::PumpStep::Dispatched);
    }
    setenv("SDL_VIDEODRIVER", "dummy", 1);
}

TEST(SdlKeys, CharactersFromText) {
    EXPECT_EQ(CharactersFromUtf8("a\xC3\xA9"), L"a\u00E9");
    EXPECT_EQ(CharactersFromUtf8("a\xFF" "b"), L"ab");  // broken bytes are skipped
    EXPECT_EQ(CharactersFromUtf8(nullptr), L"");
}

TEST_F(SdlWindowSystemTest, IconFromAnImageOrAResource) {
    WindowHandle w = Open(recorder);
    EXPECT_TRUE(system->SetIcon(w, Bitmap(16, 16, 0x80402010)));
    EXPECT_FALSE(system->SetIcon(w, Bitmap()));
    EXPECT_FALSE(system->SetIcon(nullptr, Bitmap(16, 16, 0xFF000000)));
    // The program's icon is linked as ICON 145; no other id is.
    EXPECT_TRUE(system->SetIcon(w, 145));
    EXPECT_FALSE(system->SetIcon(w, 146));
}

TEST_F(SdlWindowSystemTest, TextEntryThroughClipboardAndInputMethod) {
    EXPECT_TRUE(system->SetClipboardText(L"D:\\少儿编程"));
    EXPECT_EQ(system->GetClipboardText(), L"D:\\少儿编程");

    WindowHandle w = Open(recorder);
    system->StartTextInput(w, {5, 5, 6, 20});
    EXPECT_TRUE(SDL_IsTextInputActive());
    // An input method composes "zhong", then commits "中".
    SDL_Event editing{};
    editing.type = SDL_TEXTEDITING;
    editing.edit.windowID = Id(w);
    SDL_strlcpy(editing.edit.text, "zhong", sizeof editing.edit.text);
    editing.edit.start = 5;
    Push(editing);
    system->RunPending();
    EXPECT_EQ(system->GetCompositionText(), L"zhong");
    ASSERT_EQ(recorder.Count(WM_IME_COMPOSITION), 1);
    EXPECT_EQ(recorder.Of(WM_IME_COMPOSITION)[0].wParam, 5u);
    editing.edit.text[0] = '\0';
    editing.edit.start = 0;
    Push(editing);
    Text(w, "中");
    system->RunPending();
    EXPECT_EQ(system->GetCompositionText(), L"");
    EXPECT_EQ(recorder.Count(WM_IME_ENDCOMPOSITION), 1);
    ASSERT_EQ(recorder.Count(WM_CHAR), 1);
    EXPECT_EQ(recorder.Of(WM_CHAR)[0].wParam, 0x4E2Du);
    system->StopTextInput();
    EXPECT_FALSE(SDL_IsTextInputActive());
}

TEST_F(SdlWindowSystemTest, AltF4ClosesThroughTheCloseCommandAndFocusActivates) {
    WindowHandle first = Open(owner);
    WindowHandle second = Open(recorder, {200, 20, 300, 70});
    WindowEvent(first, SDL_WINDOWEVENT_FOCUS_GAINED);
    system->RunPending();
    EXPECT_EQ(system->GetActiveWindow(), first);
    ASSERT_FALSE(recorder.Of(WM_ACTIVATE).empty());
    EXPECT_EQ(recorder.Of(WM_ACTIVATE).back().wParam, WA_INACTIVE);
    Key(second, SDLK_F4, KMOD_LALT);
    system->RunPending();
    ASSERT_EQ(recorder.Of(WM_SYSCOMMAND).size(), 1u);
    EXPECT_EQ(recorder.Of(WM_SYSCOMMAND)[0].wParam, SC_CLOSE);
    EXPECT_FALSE(system->IsWindow(second));
    EXPECT_TRUE(system->IsWindow(first));
}
