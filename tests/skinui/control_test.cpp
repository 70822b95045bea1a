#include <gtest/gtest.h>

#include "skinui/button.h"
#include "skinui/combo.h"
#include "skinui/container.h"
#include "skinui/edit.h"
#include "skinui/option.h"
#include "skinui/progress.h"
#include "skinui/render/image.h"
#include "tests/skinui/skin_fixture.h"

using namespace SkinUI;
using namespace skin_testing;

namespace {

constexpr std::uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF;

const char* kControls = R"(<Window size="600,100">
  <Font id="0" name="微软雅黑" size="12" default="true"/>
  <VerticalLayout name="root" bkcolor="#FFFFFFFF">
    <HorizontalLayout height="40">
      <Button name="btn" width="40" height="40" normalimage="red.png" hotimage="green.png"
              pushedimage="blue.png" disabledimage="res\common\closebtn4.png"/>
      <Button name="plain" width="40" height="40" normalimage="red.png"/>
      <CheckBox name="cb" width="40" height="40" normalimage="file='red.png' dest='0,2,15,16'"
                selectedimage="file='green.png' dest='0,2,15,16'" selected="true"/>
      <Edit name="edit" width="200" text="abc"/>
      <Control/>
    </HorizontalLayout>
    <Progress name="prg" width="520" height="8" bkimage="file='blue.png' corner='2,2,2,2'" foreimage="file='green.png' corner='2,2,2,2'"/>
    <Control/>
  </VerticalLayout>
</Window>)";

class ControlTest : public SkinFixture {
protected:
    void SetUp() override {
        SkinFixture::SetUp();
        for (auto [name, colour] : {std::pair{L"red.png", kRed}, {L"green.png", kGreen}, {L"blue.png", kBlue}}) {
            std::vector<std::uint8_t> png = EncodePng(Bitmap(10, 10, colour));
            folder.WriteFile(name, std::string(png.begin(), png.end()));
        }
        WriteSkin(L"controls.xml", kControls);
        handle = window.Open();
        system.RunPending();
    }
    std::uint32_t PixelAt(const std::wstring& name, int dx, int dy) {
        Bitmap shot = system.Snapshot(handle);
        const UiRect& pos = window.FindControl(name)->GetPos();
        return shot.At(pos.left + dx, pos.top + dy);
    }
    UiPoint Centre(const std::wstring& name) {
        const UiRect& pos = window.FindControl(name)->GetPos();
        return {pos.left + pos.Width() / 2, pos.top + pos.Height() / 2};
    }

    TestWindow window{L"controls.xml"};
    WindowHandle handle = nullptr;
};

}  // namespace

TEST_F(ControlTest, ButtonStatesShowTheirImages) {
    UiPoint c = Centre(L"btn");
    EXPECT_EQ(PixelAt(L"btn", 20, 20), kRed);
    system.MouseMove(handle, c.x, c.y);
    EXPECT_EQ(PixelAt(L"btn", 20, 20), kGreen);
    EXPECT_EQ(system.Cursor(), CursorShape::Hand);
    EXPECT_EQ(static_cast<CButtonUI*>(window.FindControl(L"btn"))->GetButtonState() & kStateHot, kStateHot);
    system.MouseDown(handle, c.x, c.y);
    EXPECT_EQ(PixelAt(L"btn", 20, 20), kBlue);
    system.MouseUp(handle, c.x, c.y);
    EXPECT_EQ(window.Count(L"click"), 1);
    EXPECT_EQ(window.Count(L"mouseenter"), 1);
    system.MouseMove(handle, 590, 90);
    EXPECT_EQ(system.Cursor(), CursorShape::Arrow);
    EXPECT_EQ(window.Count(L"mouseleave"), 1);
    EXPECT_EQ(PixelAt(L"btn", 20, 20), kRed);
    // Leaving the window clears the hot state too.
    system.MouseMove(handle, c.x, c.y);
    EXPECT_EQ(PixelAt(L"btn", 20, 20), kGreen);
    system.MouseLeave(handle);
    EXPECT_EQ(PixelAt(L"btn", 20, 20), kRed);
    EXPECT_EQ(window.Count(L"mouseleave"), 2);
}

TEST_F(ControlTest, PressLeaveAndReleaseOutsideSendsNoClick) {
    UiPoint c = Centre(L"btn");
    system.MouseMove(handle, c.x, c.y);
    system.MouseDown(handle, c.x, c.y);
    system.MouseMove(handle, 300, 90);
    auto* button = static_cast<CButtonUI*>(window.FindControl(L"btn"));
    EXPECT_EQ(button->GetButtonState() & kStatePushed, 0u);
    EXPECT_EQ(button->GetButtonState() & kStateCaptured, kStateCaptured);
    system.MouseMove(handle, c.x, c.y);  // back inside while held: pushed again
    EXPECT_EQ(button->GetButtonState() & kStatePushed, kStatePushed);
    system.MouseMove(handle, 300, 90);
    system.MouseUp(handle, 300, 90);
    EXPECT_EQ(window.Count(L"click"), 0);
    EXPECT_EQ(button->GetButtonState() & (kStatePushed | kStateCaptured), 0u);
}

TEST_F(ControlTest, DisabledButtonTakesNoClickAndFallsBackToItsNormalImage) {
    auto* button = static_cast<CButtonUI*>(window.FindControl(L"btn"));
    button->SetEnabled(false);
    EXPECT_EQ(PixelAt(L"btn", 20, 20), kRed);  // the disabled image is not in the skin
    system.ClickControl(handle, button);
    EXPECT_EQ(window.Count(L"click"), 0);
    button->SetEnabled(true);
    system.ClickControl(handle, button);
    EXPECT_EQ(window.Count(L"click"), 1);
}

TEST_F(ControlTest, KeyboardActivatesTheFocusedButton) {
    auto* button = static_cast<CButtonUI*>(window.FindControl(L"plain"));
    button->SetFocus();
    system.KeyDown(handle, VK_SPACE);
    EXPECT_EQ(window.Count(L"click"), 1);
}

TEST_F(ControlTest, CheckBoxToggledTwiceIsBackAndReportedTwice) {
    auto* box = static_cast<CCheckBoxUI*>(window.FindControl(L"cb"));
    EXPECT_EQ(PixelAt(L"cb", 5, 5), kGreen);
    EXPECT_EQ(PixelAt(L"cb", 5, 1), kWhite);   // dest starts 2 pixels down
    EXPECT_EQ(PixelAt(L"cb", 15, 5), kWhite);  // and is 15 wide
    system.ClickControl(handle, box);
    EXPECT_FALSE(box->IsSelected());
    EXPECT_EQ(PixelAt(L"cb", 5, 5), kRed);
    system.ClickControl(handle, box);
    EXPECT_TRUE(box->IsSelected());
    EXPECT_EQ(window.Count(L"selectchanged"), 2);
    EXPECT_EQ(window.Count(L"click"), 2);
    box->Selected(true);  // unchanged: nothing sent
    EXPECT_EQ(window.Count(L"selectchanged"), 2);
}

TEST_F(ControlTest, ProgressForeImageCoversItsShare) {
    auto* bar = static_cast<CProgressUI*>(window.FindControl(L"prg"));
    EXPECT_EQ(bar->GetPos().Width(), 520);
    EXPECT_EQ(PixelAt(L"prg", 1, 4), kBlue);  // value 0: no fore image
    bar->SetValue(50);
    EXPECT_EQ(PixelAt(L"prg", 259, 4), kGreen);
    EXPECT_EQ(PixelAt(L"prg", 260, 4), kBlue);
    bar->SetValue(150);
    EXPECT_EQ(bar->GetValue(), 100);
    EXPECT_EQ(PixelAt(L"prg", 519, 4), kGreen);
    bar->SetValue(-5);
    EXPECT_EQ(bar->GetValue(), 0);
}

TEST_F(ControlTest, EditKeepsItsTextModel) {
    auto* edit = static_cast<CEditUI*>(window.FindControl(L"edit"));
    system.ClickControl(handle, edit);
    EXPECT_EQ(window.GetPaintManager().GetFocus(), edit);
    system.Char(handle, L'd');
    system.Char(handle, 0x08);
    system.Char(handle, 0x08);
    system.Char(handle, L'路');
    EXPECT_EQ(edit->GetText(), L"ab路");
    edit->SetMaxChar(3);
    EXPECT_FALSE(edit->InsertText(L"x"));
    edit->SetText(L"123456");
    EXPECT_EQ(edit->GetText(), L"123");
    EXPECT_GE(window.Count(L"textchanged"), 3);
}

TEST_F(ControlTest, TabSelectionNotifiesWithNewAndOldIndex) {
    WriteSkin(L"tabs.xml", R"(<Window size="100,100"><TabLayout name="tabs"><Control name="a"/>
        <Button name="b"/><Control name="c"/></TabLayout></Window>)");
    TestWindow tabs(L"tabs.xml");
    tabs.Open();
    auto* layout = static_cast<CTabLayoutUI*>(tabs.FindControl(L"tabs"));
    layout->SelectItem(2);
    layout->SelectItem(2);
    ASSERT_EQ(tabs.Count(L"tabselect"), 1);
    EXPECT_EQ(tabs.seen.back().wParam, 2u);
    EXPECT_EQ(tabs.seen.back().lParam, 0);
    // A hidden page's button cannot be clicked.
    EXPECT_FALSE(system.ClickControl(tabs.GetHWND(), tabs.FindControl(L"b")));
}

TEST_F(ControlTest, ComboChoosesByIndexKeysAndWheelAndShowsTheChosenText) {
    WriteSkin(L"combo.xml", R"(<Window size="120,30"><HorizontalLayout bkcolor="#FFFFFFFF">
        <Combo name="combo" width="120" textcolor="#FF000000">
          <ListLabelElement name="en" text="English"/><ListLabelElement text="简体中文"/><ListLabelElement text="日本語"/>
        </Combo></HorizontalLayout></Window>)");
    TestWindow win(L"combo.xml");
    WindowHandle h = win.Open();
    auto* combo = static_cast<CComboUI*>(win.FindControl(L"combo"));
    ASSERT_TRUE(combo);
    EXPECT_EQ(combo->GetCurSel(), -1);
    EXPECT_TRUE(win.FindControl(L"en"));  // items keep their names
    auto textPixels = [&] {
        Bitmap shot = system.Snapshot(h);
        int dark = 0;
        for (int y = 0; y < shot.Height(); ++y) {
            for (int x = 0; x < shot.Width(); ++x) dark += (shot.At(x, y) & 0xFF) < 0x80;
        }
        return dark;
    };
    EXPECT_EQ(textPixels(), 0);  // nothing chosen, nothing shown

    EXPECT_FALSE(combo->SelectItem(3));
    EXPECT_FALSE(combo->SelectItem(-1));
    EXPECT_TRUE(combo->SelectItem(1));
    EXPECT_TRUE(combo->SelectItem(1));
    ASSERT_EQ(win.Count(L"itemselect"), 1);
    EXPECT_EQ(win.seen.back().wParam, 1u);
    EXPECT_EQ(win.seen.back().lParam, -1);
    EXPECT_GT(textPixels(), 20);

    combo->SetFocus();        // a click would open its list
    system.KeyDown(h, 0x28);  // down
    EXPECT_EQ(combo->GetCurSel(), 2);
    system.KeyDown(h, 0x28);  // already the last
    system.MouseMove(h, 60, 15);
    system.SendMessage(h, WM_MOUSEWHEEL, static_cast<WPARAM>(120) << 16, MakeLParam(60, 15));
    EXPECT_EQ(combo->GetCurSel(), 1);
    EXPECT_EQ(win.Count(L"itemselect"), 3);
    EXPECT_EQ(combo->GetItemAt(combo->GetCurSel())->GetText(), L"简体中文");
}

TEST_F(ControlTest, MissingImageDrawsNothingAndIsNotLookedUpAgain) {
    ImageDrawRecord record(L"file='later.png'");
    Bitmap target(4, 4, kWhite);
    EXPECT_FALSE(DrawImage(target, {0, 0, 4, 4}, {0, 0, 4, 4}, record));
    std::vector<std::uint8_t> png = EncodePng(Bitmap(2, 2, kRed));
    folder.WriteFile(L"later.png", std::string(png.begin(), png.end()));
    EXPECT_FALSE(DrawImage(target, {0, 0, 4, 4}, {0, 0, 4, 4}, record));
    EXPECT_EQ(target.At(0, 0), kWhite);
}

TEST_F(ControlTest, DestLargerThanTheControlIsCutAtItsEdges) {
    ImageDrawRecord record(L"file='red.png' dest='2,2,50,50'");
    Bitmap target(20, 20, kWhite);
    ASSERT_TRUE(DrawImage(target, {0, 0, 10, 10}, {0, 0, 20, 20}, record));
    EXPECT_EQ(target.At(9, 9), kRed);
    EXPECT_EQ(target.At(10, 10), kWhite);
    EXPECT_EQ(target.At(1, 1), kWhite);
}

TEST_F(ControlTest, StateColoursReplaceTheBackgroundAndSelectedColourFillsAnOption) {
    WriteSkin(L"colours.xml", R"(<Window size="200,40"><HorizontalLayout>
        <Button name="b" width="40" bkcolor="#FFFFFFFF" hotbkcolor="#FF00FF00" pushedbkcolor="#FF0000FF" disabledbkcolor="#FF808080"/>
        <Option name="o" width="40" group="g" selectedbkcolor="#FFFF0000" bkcolor="#FF000000"/>
        <Control/></HorizontalLayout></Window>)");
    TestWindow w(L"colours.xml");
    WindowHandle h = w.Open();
    auto pixel = [&](const wchar_t* name) {
        const UiRect& pos = w.FindControl(name)->GetPos();
        return system.Snapshot(h).At(pos.left + 20, pos.top + 20);
    };
    system.RunPending();
    EXPECT_EQ(pixel(L"b"), kWhite);
    const UiRect& b = w.FindControl(L"b")->GetPos();
    system.MouseMove(h, b.left + 20, b.top + 20);
    EXPECT_EQ(pixel(L"b"), kGreen);
    system.MouseDown(h, b.left + 20, b.top + 20);
    EXPECT_EQ(pixel(L"b"), kBlue);
    system.MouseUp(h, b.left + 20, b.top + 20);
    w.FindControl(L"b")->SetEnabled(false);
    EXPECT_EQ(pixel(L"b"), 0xFF808080u);
    EXPECT_EQ(pixel(L"o"), 0xFF000000u);
    system.ClickControl(h, w.FindControl(L"o"));
    EXPECT_EQ(pixel(L"o"), kRed);
    system.ClickControl(h, w.FindControl(L"o"));  // a selected grouped option stays selected
    EXPECT_TRUE(static_cast<COptionUI*>(w.FindControl(L"o"))->IsSelected());
    EXPECT_EQ(w.Count(L"selectchanged"), 1);
}

TEST_F(ControlTest, LabelTextStaysInsideItsTextPadding) {
    WriteSkin(L"label.xml", R"(<Window size="200,40"><Font id="0" name="微软雅黑" size="14" default="true"/>
        <HorizontalLayout bkcolor="#FFFFFFFF"><Label name="l" text="安装路径安装路径安装路径" textpadding="30,0,120,0"
        textcolor="#FF000000" endellipsis="true"/></HorizontalLayout></Window>)");
    TestWindow w(L"label.xml");
    WindowHandle h = w.Open();
    Bitmap shot = system.Snapshot(h);
    int left = 200, right = -1;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 200; ++x)
            if (shot.At(x, y) != kWhite) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    EXPECT_GE(left, 30);
    EXPECT_LT(right, 80);
    EXPECT_GT(right, left);
}
