// The combo's drop-down list on the headless back end, driven by injected mouse and keys: where
// it opens, hover, click, keys, wheel, what closes it, and the combo or its window going away
// while it is open.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "skinui/combo.h"
#include "tests/skinui/skin_fixture.h"

using namespace SkinUI;
using namespace skin_testing;

namespace {

constexpr std::uint32_t kHot = 0xFF00FF00, kSelectedText = 0xFFFF0000;

std::string Skin() {
    std::string items;
    for (int i = 0; i < 12; ++i) items += "<ListLabelElement text=\"item " + std::to_string(i) + "\"/>";
    return R"(<Window size="300,200">
  <Font id="0" name="微软雅黑" size="12" default="true"/>
  <VerticalLayout bkcolor="#FFFFFFFF">
    <Control height="20"/>
    <HorizontalLayout height="30" name="row">
      <Control width="20"/>
      <Combo name="combo" width="150" textcolor="#FF000000" listrowheight="20" listrows="5"
             listhotcolor="#FF00FF00" listselectedtextcolor="#FFFF0000">)" +
           items + R"(</Combo>
      <Control width="20"/>
      <Button name="other" width="60" height="30"/>
    </HorizontalLayout>
    <Control/>
  </VerticalLayout>
</Window>)";
}

// Removes the combo from its row when it reports a choice.
class RemovingWindow : public TestWindow {
public:
    using TestWindow::TestWindow;
    void Notify(Notification& message) override {
        TestWindow::Notify(message);
        if (message.type == L"itemselect" && removeOnSelect) {
            static_cast<CContainerUI*>(FindControl(L"row"))->Remove(message.sender);
        }
    }
    bool removeOnSelect = false;
};

class ComboListTest : public SkinFixture {
protected:
    void SetUp() override {
        SkinFixture::SetUp();
        WriteSkin(L"combo.xml", Skin());
        h = window.Open();
        system.RunPending();
        combo = static_cast<CComboUI*>(window.FindControl(L"combo"));
        ASSERT_TRUE(combo);
    }
    WindowHandle List() const { return combo->GetListWindow(); }
    int Hot() const { return combo->GetDropList()->GetHotIndex(); }
    int Top() const { return combo->GetDropList()->GetTopIndex(); }
    // The middle of a row of the open list (its 1-pixel border, rows of 20).
    static int RowY(int row) { return 1 + row * 20 + 10; }
    // Windows that are popups owned by the test window.
    int Popups() {
        int n = 0;
        for (WindowHandle w : system.Windows()) n += system.GetParent(w) == h && (system.GetExStyle(w) & WS_EX_NOACTIVATE);
        return n;
    }
    void AltKey(WPARAM key, WindowHandle to = nullptr) {
        system.HoldKey(VK_MENU, true);
        system.KeyDown(to ? to : h, key);
        system.HoldKey(VK_MENU, false);
    }

    RemovingWindow window{L"combo.xml"};
    WindowHandle h = nullptr;
    CComboUI* combo = nullptr;
};

}  // namespace

TEST_F(ComboListTest, AClickOpensAnOwnedListThatHoverHighlightsAndAClickChoosesFrom) {
    ASSERT_TRUE(system.ClickControl(h, L"combo"));
    WindowHandle list = List();
    ASSERT_TRUE(list);
    EXPECT_EQ(system.GetParent(list), h);
    EXPECT_TRUE(system.GetExStyle(list) & WS_EX_NOACTIVATE);
    // The window sits at 100,100; the combo at 20,20-170,50 of it: the list goes 2 pixels below,
    // as wide, five rows of 20 and a border.
    EXPECT_EQ(system.GetWindowRect(list), (UiRect{120, 152, 270, 254}));
    EXPECT_EQ(system.GetActiveWindow(), h);
    EXPECT_EQ(system.GetFocus(), h);
    EXPECT_TRUE(combo->IsFocused());
    EXPECT_EQ(Hot(), -1);  // nothing chosen yet

    system.MouseMove(list, 50, RowY(2));
    EXPECT_EQ(Hot(), 2);
    Bitmap shown = system.Snapshot(list);
    EXPECT_EQ(shown.At(5, RowY(2)), kHot);
    EXPECT_NE(shown.At(5, RowY(1)), kHot);

    system.Click(list, 50, RowY(3));
    EXPECT_FALSE(system.IsWindow(list));
    EXPECT_FALSE(combo->IsListOpen());
    EXPECT_EQ(combo->GetCurSel(), 3);
    ASSERT_EQ(window.Count(L"itemselect"), 1);
    EXPECT_EQ(window.seen.back().wParam, 3u);
    EXPECT_EQ(window.seen.back().lParam, -1);
    EXPECT_EQ(system.GetFocus(), h);

    // Open again: the chosen item is highlighted and drawn in the selected colour.
    ASSERT_TRUE(system.ClickControl(h, L"combo"));
    EXPECT_EQ(Hot(), 3);
    shown = system.Snapshot(List());
    auto redIn = [&shown](int row) {
        int n = 0;
        for (int y = RowY(row) - 8; y < RowY(row) + 8; ++y) {
            for (int x = 0; x < shown.Width(); ++x) n += (shown.At(x, y) & 0xFFFF00FF) == (kSelectedText & 0xFFFF00FF);
        }
        return n;
    };
    EXPECT_GT(redIn(3), 0);
    EXPECT_EQ(redIn(4), 0);
    // A press that is not on a row of the list chooses nothing.
    system.Click(List(), 50, 0);
    EXPECT_TRUE(combo->IsListOpen());
    EXPECT_EQ(window.Count(L"itemselect"), 1);
}

TEST_F(ComboListTest, KeysOpenMoveTheHighlightAndChooseOrCancel) {
    struct Case {
        const char* name;
        WPARAM open;
        bool openWithAlt;
        std::vector<WPARAM> moves;
        int hot, top;
        WPARAM last;
        bool lastWithAlt;
        int chosen;
    };
    const Case cases[] = {
        {"Alt+Down, two downs, Enter", VK_DOWN, true, {VK_DOWN, VK_DOWN}, 3, 0, VK_RETURN, false, 3},
        {"F4, End, Escape keeps the choice", VK_F4, false, {VK_END}, 11, 7, VK_ESCAPE, false, 1},
        {"Enter, two pages down, F4 chooses", VK_RETURN, false, {VK_NEXT, VK_NEXT}, 9, 5, VK_F4, false, 9},
        {"Space, Home, Up stays, Alt+Up chooses", VK_SPACE, false, {VK_HOME, VK_UP}, 0, 0, VK_UP, true, 0},
        {"End then a page up", VK_RETURN, false, {VK_END, VK_PRIOR}, 7, 7, VK_ESCAPE, false, 1},
        {"Alt+Up opens too", VK_UP, true, {VK_DOWN}, 2, 0, VK_RETURN, false, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        combo->SelectItem(1, true, false);
        const int before = window.Count(L"itemselect");
        if (c.openWithAlt) AltKey(c.open);
        else system.KeyDown(h, c.open);
        ASSERT_TRUE(combo->IsListOpen());
        EXPECT_EQ(Hot(), 1);
        for (WPARAM key : c.moves) system.KeyDown(h, key);
        EXPECT_EQ(Hot(), c.hot);
        EXPECT_EQ(Top(), c.top);
        EXPECT_EQ(combo->GetCurSel(), 1);  // moving the highlight chooses nothing
        if (c.lastWithAlt) AltKey(c.last);
        else system.KeyDown(h, c.last);
        EXPECT_FALSE(combo->IsListOpen());
        EXPECT_EQ(combo->GetCurSel(), c.chosen);
        EXPECT_EQ(window.Count(L"itemselect") - before, c.chosen == 1 ? 0 : 1);
        // Escape closed the list, not the window (which Escape closes otherwise).
        ASSERT_TRUE(system.IsWindow(h));
    }
    // A closed combo's Escape is the window's again.
    system.KeyDown(h, VK_ESCAPE);
    EXPECT_FALSE(system.IsWindow(h));
}

TEST_F(ComboListTest, TheWheelScrollsALongListOverItOrOverTheCombo) {
    combo->SelectItem(0, false, false);
    ASSERT_TRUE(system.ClickControl(h, L"combo"));
    const WindowHandle list = List();
    // Three rows a notch, within the twelve items.
    const struct { int delta, top; } notches[] = {{-120, 3}, {-120, 6}, {-120, 7}, {120, 4}, {-40, 5}};
    for (const auto& n : notches) {
        system.MouseWheel(list, 50, 30, n.delta);
        EXPECT_EQ(Top(), n.top) << n.delta;
    }
    // Rows follow the scroll: the pointer over the first row shown highlights item 5.
    system.MouseMove(list, 50, RowY(0));
    EXPECT_EQ(Hot(), 5);
    // Over the combo while the list is open the wheel scrolls the list, not the choice.
    const UiRect face = combo->GetPos();
    system.MouseMove(h, face.left + 10, face.top + 10);
    system.MouseWheel(h, face.left + 10, face.top + 10, 120);
    EXPECT_EQ(Top(), 2);
    EXPECT_TRUE(combo->IsListOpen());
    EXPECT_EQ(combo->GetCurSel(), 0);
    EXPECT_EQ(window.Count(L"itemselect"), 0);
}

TEST_F(ComboListTest, TheListClosesWithoutChoosingWhenItsOwnerOrComboChanges) {
    TestWindow other(L"combo.xml");
    WindowHandle otherHandle = other.Open();
    system.SetForeground(h);
    system.SetFocus(h);
    CContainerUI* row = static_cast<CContainerUI*>(window.FindControl(L"row"));
    const UiRect place = system.GetWindowRect(h);
    UiRect moved = place;
    moved.Offset(30, 0);
    struct Case {
        const char* name;
        std::function<void()> act, undo;
    };
    const Case cases[] = {
        {"the owner loses activation", [&] { system.SetForeground(otherHandle); },
         [&] { system.SetForeground(h); system.SetFocus(h); }},
        {"the owner moves", [&] { system.MoveWindow(h, moved); }, [&] { system.MoveWindow(h, place); }},
        {"the owner is minimised", [&] { system.ShowWindow(h, ShowCommand::Minimize); },
         [&] { system.ShowWindow(h, ShowCommand::Restore); }},
        {"the owner is hidden", [&] { system.ShowWindow(h, ShowCommand::Hide); },
         [&] { system.ShowWindow(h, ShowCommand::Show); }},
        {"the combo is disabled", [&] { combo->SetEnabled(false); }, [&] { combo->SetEnabled(true); }},
        {"the combo is hidden", [&] { combo->SetVisible(false); }, [&] { combo->SetVisible(true); }},
        {"the combo's row is hidden", [&] { row->SetVisible(false); }, [&] { row->SetVisible(true); }},
        {"the combo loses the focus", [&] { window.FindControl(L"other")->SetFocus(); }, [] {}},
        {"an item is added", [&] { combo->Add(new CListLabelElementUI); },
         [&] { combo->Remove(combo->GetItemAt(combo->GetCount() - 1)); }},
        {"the combo is clicked again", [&] { system.ClickControl(h, L"combo"); }, [] {}},
        {"the combo is laid out elsewhere", [&] { combo->SetFixedWidth(120); }, [&] { combo->SetFixedWidth(150); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        system.RunPending();
        combo->SetFocus();
        ASSERT_TRUE(combo->OpenList());
        ASSERT_EQ(Popups(), 1);
        c.act();
        system.RunPending();
        EXPECT_FALSE(combo->IsListOpen());
        EXPECT_EQ(Popups(), 0);
        c.undo();
    }
    EXPECT_EQ(window.Count(L"itemselect"), 0);

    // A press elsewhere on the window closes the list and still reaches what it pressed.
    ASSERT_TRUE(system.ClickControl(h, L"combo"));
    ASSERT_TRUE(combo->IsListOpen());
    ASSERT_TRUE(system.ClickControl(h, L"other"));
    EXPECT_FALSE(combo->IsListOpen());
    EXPECT_EQ(window.Count(L"click"), 1);
    // Nothing opens a list on a hidden window or for a disabled combo.
    system.ShowWindow(h, ShowCommand::Hide);
    EXPECT_FALSE(combo->OpenList());
    system.ShowWindow(h, ShowCommand::Show);
    combo->SetEnabled(false);
    system.ClickControl(h, L"combo");
    EXPECT_FALSE(combo->OpenList());
}

TEST_F(ComboListTest, TheListOpensAboveWhenTheScreenHasNoRoomBelowAndStaysOnIt) {
    struct Case {
        int left, top;  // of the owner window; the work area is 0,0-1920,1040
        UiRect list;
    };
    const Case cases[] = {
        // At 100,100 it opens below: checked where a click opens it.
        {100, 950, {120, 866, 270, 968}},    // 1002 + 102 passes 1040: above the combo
        {1800, 100, {1770, 152, 1920, 254}},  // kept inside the right edge
    };
    for (const Case& c : cases) {
        system.MoveWindow(h, {c.left, c.top, c.left + 300, c.top + 200});
        ASSERT_TRUE(combo->OpenList());
        EXPECT_EQ(system.GetWindowRect(List()), c.list) << c.left << "," << c.top;
        combo->CloseList();
    }
}

class ComboChoiceTest : public ComboListTest, public ::testing::WithParamInterface<bool> {};

TEST_P(ComboChoiceTest, AnItemselectHandlerMayDeleteTheComboWhoseListChose) {
    // Chosen by a click on the list or by a key the list took: either way the handler deletes the
    // combo, and the list whose click or key it was, before the list's handler returns.
    window.removeOnSelect = true;
    const bool byClick = GetParam();
    if (byClick) {
        ASSERT_TRUE(system.ClickControl(h, L"combo"));
        system.Click(List(), 50, RowY(2));
    } else {
        combo->SetFocus();
        for (WPARAM key : {VK_F4, VK_DOWN, VK_RETURN}) system.KeyDown(h, key);
    }
    EXPECT_FALSE(window.FindControl(L"combo"));
    EXPECT_EQ(Popups(), 0);
    EXPECT_EQ(window.Count(L"itemselect"), 1);
    // The keys are the window's again.
    system.KeyDown(h, VK_ESCAPE);
    EXPECT_FALSE(system.IsWindow(h));
}

INSTANTIATE_TEST_SUITE_P(ByClickOrByKey, ComboChoiceTest, ::testing::Bool());

TEST_F(ComboListTest, DestroyingTheOwnerOrRemovingTheComboWhileOpenLeavesNoList) {
    using Owner = std::unique_ptr<TestWindow>;
    struct Case {
        const char* name;
        std::function<void(Owner&, WindowHandle)> act;
        bool windowStays;
    };
    const Case cases[] = {
        {"the combo is removed", [](Owner& w, WindowHandle) {
             static_cast<CContainerUI*>(w->FindControl(L"row"))->Remove(w->FindControl(L"combo"));
         }, true},
        {"the window is destroyed", [this](Owner&, WindowHandle handle) { system.DestroyWindow(handle); }, false},
        {"Alt+F4 closes the window", [this](Owner&, WindowHandle handle) { AltKey(VK_F4, handle); }, false},
        {"the window object is deleted", [](Owner& w, WindowHandle) { w.reset(); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto owner = std::make_unique<TestWindow>(L"combo.xml");
        WindowHandle handle = owner->Open();
        system.RunPending();
        auto* theCombo = static_cast<CComboUI*>(owner->FindControl(L"combo"));
        ASSERT_TRUE(system.ClickControl(handle, L"combo"));
        WindowHandle list = theCombo->GetListWindow();
        ASSERT_TRUE(list);
        c.act(owner, handle);
        system.RunPending();
        EXPECT_FALSE(system.IsWindow(list));
        EXPECT_EQ(system.IsWindow(handle), c.windowStays);
        // The window object going last must not reach a list or combo that is gone.
        owner.reset();
        EXPECT_FALSE(system.IsWindow(handle));
        for (WindowHandle w : system.Windows()) EXPECT_NE(system.GetParent(w), handle);
    }
}

TEST_F(ComboListTest, TheShippedLanguageComboFitsEveryNameBesideTheArrow) {
    TestWindow main(L"mainWnd.xml", SkinSource::ArchiveResource);
    ASSERT_TRUE(main.Open());
    static_cast<CTabLayoutUI*>(main.FindControl(L"mainTabLt"))->SelectItem(1);
    system.RunPending();
    auto* language = static_cast<CComboUI*>(main.FindControl(L"languageCombo")->As(L"Combo"));
    ASSERT_TRUE(language);
    ASSERT_EQ(language->GetCount(), 15);
    const int room = language->GetTextRect().Width();
    for (int i = 0; i < language->GetCount(); ++i) {
        const std::wstring name = language->GetItemAt(i)->GetText();
        EXPECT_LE(main.GetPaintManager().MeasureTextWidth(name, language->GetFont()), room) << i;
    }
    // The list shows them all with eight rows and a scroll.
    ASSERT_TRUE(language->OpenList());
    EXPECT_EQ(language->GetDropList()->GetVisibleRows(), 8);
    EXPECT_EQ(system.GetWindowRect(language->GetListWindow()).Width(), language->GetPos().Width());
}
