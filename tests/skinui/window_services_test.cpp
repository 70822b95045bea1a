// What windows and controls get from the window system beside painting: extended styles, icons,
// Alt+F4, hooks, activation, the end of a move, repaint of damaged areas only, and the small
// rules of buttons, labels and options that depend on them.
#include <gtest/gtest.h>

#include "skinui/button.h"
#include "skinui/option.h"
#include "tests/skinui/skin_fixture.h"

using namespace SkinUI;
using namespace skin_testing;

namespace {

const char* kSkin = R"(<Window size="300,200" caption="0,0,0,30">
  <Font id="0" name="微软雅黑" size="12" default="true"/>
  <VerticalLayout name="root" bkcolor="#FFFFFFFF">
    <Control height="30"/>
    <HorizontalLayout height="40">
      <Button name="btn" width="60" height="40" bkcolor="#FF0000FF" hotbkcolor="#FF00FF00"/>
      <Label name="clear" text="WWWW" width="80" textcolor="#00000000"/>
      <Label name="plain" text="WWWW" width="80"/>
      <CheckBox name="cb" width="40" height="40" selected="true"/>
    </HorizontalLayout>
    <HorizontalLayout height="40" name="hiddenRow" visible="false">
      <Label name="hidden" width="40" height="40"/>
    </HorizontalLayout>
    <Button name="menuBtn" height="30" contextmenu="true"/>
    <Control/>
  </VerticalLayout>
</Window>)";

// Records what a hooked window receives before its own procedure runs.
struct HookLog : MessageHook {
    void BeforeMessage(WindowHandle, UINT message, WPARAM wParam, LPARAM) override {
        seen.emplace_back(message, wParam);
    }
    int Count(UINT message) const {
        int n = 0;
        for (auto& [m, w] : seen) n += m == message;
        return n;
    }
    std::vector<std::pair<UINT, WPARAM>> seen;
};

// A window that refuses to close while asked to (as the main window on its progress page).
class RefusingWindow : public TestWindow {
public:
    using TestWindow::TestWindow;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_CLOSE && refuse) return 0;
        return TestWindow::HandleMessage(message, wParam, lParam);
    }
    bool refuse = false;
};

class WindowServicesTest : public SkinFixture {
protected:
    void SetUp() override {
        SkinFixture::SetUp();
        WriteSkin(L"services.xml", kSkin);
    }
    void Open() {
        h = window.Open();
        system.RunPending();
    }
    UiPoint Centre(TestWindow& of, const std::wstring& name) {
        const UiRect& pos = of.FindControl(name)->GetPos();
        return {pos.left + pos.Width() / 2, pos.top + pos.Height() / 2};
    }

    TestWindow window{L"services.xml"};
    WindowHandle h = nullptr;
};

}  // namespace

TEST_F(WindowServicesTest, ExtendedStylesSurviveCreationAndTopmostCanBeCleared) {
    h = window.Create(nullptr, L"t", WS_VISIBLE | WS_OVERLAPPEDWINDOW, WS_EX_TOPMOST | WS_EX_TRANSPARENT);
    EXPECT_EQ(system.GetExStyle(h), WS_EX_TOPMOST | WS_EX_TRANSPARENT);
    EXPECT_EQ(system.GetStyle(h) & WS_CAPTION, 0u);  // the skin draws its own caption
    system.SetExStyle(h, system.GetExStyle(h) & ~WS_EX_TOPMOST);
    EXPECT_EQ(system.GetExStyle(h), WS_EX_TRANSPARENT);
}

TEST_F(WindowServicesTest, ProgramIconComesFromIconResource145) {
    Open();
    EXPECT_FALSE(window.SetIcon(146));
    ASSERT_TRUE(window.SetIcon(145));
    Bitmap icon = system.Icon(h);
    EXPECT_EQ(icon.Width(), 64);
    EXPECT_EQ(icon.At(32, 10) >> 24, 0xFFu);  // the opaque tile
}

TEST_F(WindowServicesTest, AltF4IsACloseCommandTheWindowMayRefuse) {
    for (bool refuse : {false, true}) {
        SCOPED_TRACE(refuse);
        RefusingWindow refusing(L"services.xml");
        WindowHandle handle = refusing.Open();
        refusing.refuse = refuse;
        HookLog log;
        system.AddMessageHook(handle, &log);
        system.KeyDown(handle, VK_F4);  // without Alt: an ordinary key
        EXPECT_TRUE(system.IsWindow(handle));
        system.HoldKey(VK_MENU, true);
        system.KeyDown(handle, VK_F4);
        system.HoldKey(VK_MENU, false);
        EXPECT_EQ(system.IsWindow(handle), refuse);
        ASSERT_GE(log.Count(WM_SYSCOMMAND), 1);
        EXPECT_EQ(log.Count(WM_CLOSE), 1);
        if (system.IsWindow(handle)) system.RemoveMessageHook(handle, &log);
    }
}

TEST_F(WindowServicesTest, HooksSeeActivationTheEndOfADragAndTheLastMessages) {
    TestWindow first(L"services.xml"), second(L"services.xml");
    WindowHandle a = first.Open();
    HookLog log;
    system.AddMessageHook(a, &log);
    WindowHandle b = second.Open();  // shown: takes activation from the first
    EXPECT_EQ(system.GetActiveWindow(), b);
    system.SetForeground(a);
    std::vector<WPARAM> activations;
    for (auto& [message, wParam] : log.seen) {
        if (message == WM_ACTIVATE) activations.push_back(wParam);
    }
    EXPECT_EQ(activations, (std::vector<WPARAM>{WA_INACTIVE, WA_ACTIVE}));
    // A caption drag ends with WM_EXITSIZEMOVE, after the moves.
    log.seen.clear();
    system.MouseDown(a, 150, 10);
    system.MouseMove(a, 170, 20);
    system.MouseUp(a, 170, 20);
    ASSERT_FALSE(log.seen.empty());
    EXPECT_EQ(log.Count(WM_MOVE), 1);
    EXPECT_EQ(log.seen.back().first, WM_EXITSIZEMOVE);
    log.seen.clear();
    system.DestroyWindow(a);
    EXPECT_EQ(log.Count(WM_DESTROY), 1);
    EXPECT_EQ(log.Count(WM_NCDESTROY), 1);
}

TEST_F(WindowServicesTest, OnlyTheDamagedAreaIsRepaintedAndHiddenControlsAskForNothing) {
    Open();
    const int presents = system.PresentCount(h);
    EXPECT_EQ(system.LastPresented(h), (UiRect{0, 0, 300, 200}));

    // A hidden control changing (an animation frame on a timer) presents nothing.
    window.FindControl(L"hidden")->SetBkImage(L"frame1.png");
    window.FindControl(L"hidden")->SetText(L"x");
    system.RunPending();
    EXPECT_EQ(system.PresentCount(h), presents);

    // The pointer over the button repaints the button alone.
    UiPoint centre = Centre(window, L"btn");
    system.MouseMove(h, centre.x, centre.y);
    EXPECT_EQ(system.PresentCount(h), presents + 1);
    EXPECT_EQ(system.LastPresented(h), window.FindControl(L"btn")->GetPos());
    EXPECT_EQ(system.Snapshot(h).At(centre.x, centre.y), 0xFF00FF00u);
    EXPECT_EQ(system.Snapshot(h).At(centre.x, centre.y + 45), 0xFFFFFFFFu);  // the rest is as it was
}

TEST_F(WindowServicesTest, AButtonHiddenWhileHotIsNotHotWhenShownAgain) {
    Open();
    auto* button = static_cast<CButtonUI*>(window.FindControl(L"btn"));
    UiPoint centre = Centre(window, L"btn");
    system.MouseMove(h, centre.x, centre.y);
    ASSERT_TRUE(button->GetButtonState() & kStateHot);
    button->SetVisible(false);
    EXPECT_FALSE(button->GetButtonState() & kStateHot);
    EXPECT_FALSE(window.GetPaintManager().GetHover());
    button->SetVisible(true);
    system.RunPending();
    EXPECT_EQ(system.Snapshot(h).At(centre.x, centre.y), 0xFF0000FFu);  // its normal colour
    system.MouseMove(h, centre.x + 1, centre.y);  // the pointer comes to it again
    EXPECT_TRUE(button->GetButtonState() & kStateHot);
}

TEST_F(WindowServicesTest, ControlRulesTextColourMenuAndDisabledOption) {
    Open();
    Bitmap shot = system.Snapshot(h);
    // A transparent text colour is a colour: the text is invisible, not drawn in the default.
    auto inked = [&](const std::wstring& name) {
        const UiRect& r = window.FindControl(name)->GetPos();
        int dark = 0;
        for (int y = r.top; y < r.bottom; ++y) {
            for (int x = r.left; x < r.right; ++x) dark += (shot.At(x, y) & 0xFF) < 0x80;
        }
        return dark;
    };
    EXPECT_EQ(inked(L"clear"), 0);
    EXPECT_GT(inked(L"plain"), 0);

    // Only a control that asks for it reports a right click as "menu".
    for (const wchar_t* name : {L"btn", L"menuBtn"}) {
        UiPoint p = Centre(window, name);
        system.MouseMove(h, p.x, p.y);
        system.SendMessage(h, WM_RBUTTONDOWN, 0, MakeLParam(p.x, p.y));
    }
    ASSERT_EQ(window.Count(L"menu"), 1);
    EXPECT_EQ(window.seen.back().sender, L"menuBtn");

    // Disabling an option keeps its selection.
    auto* box = static_cast<COptionUI*>(window.FindControl(L"cb"));
    box->SetEnabled(false);
    EXPECT_TRUE(box->IsSelected());
    EXPECT_TRUE(box->GetButtonState() & kStateSelected);
}

TEST_F(WindowServicesTest, AnOwnedPopupThatTakesNoActivationStillTakesClicks) {
    TestWindow owner(L"services.xml"), popup(L"services.xml");
    WindowHandle o = owner.Open();
    WindowHandle p = popup.Create(o, L"list", WS_POPUP, WS_EX_NOACTIVATE);
    system.ShowWindow(p, ShowCommand::Show);
    system.SetForeground(p);
    system.SetFocus(p);
    EXPECT_TRUE(system.IsVisible(p));
    EXPECT_EQ(system.GetActiveWindow(), o);
    EXPECT_EQ(system.GetFocus(), o);
    EXPECT_TRUE(system.ClickControl(p, L"btn"));
    EXPECT_EQ(popup.Count(L"click"), 1);
    system.DestroyWindow(o);
    EXPECT_FALSE(system.IsWindow(p));
}
