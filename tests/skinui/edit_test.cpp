#include <gtest/gtest.h>

#include "skinui/edit.h"
#include "skinui/paint_manager.h"
#include "tests/skinui/skin_fixture.h"

using namespace SkinUI;
using namespace skin_testing;

namespace {

const char* kEdits = R"(<Window size="400,160">
  <Font id="0" name="微软雅黑" size="12" default="true"/>
  <VerticalLayout bkcolor="#FFFFFFFF">
    <Edit name="edit" height="30" width="300" textpadding="4,0,4,0" textcolor="#FF000000"/>
    <Edit name="short" height="30" width="60" textpadding="4,0,4,0" textcolor="#FF000000"/>
    <Edit name="limited" height="30" width="300" maxchar="6"/>
    <Edit name="readonly" height="30" width="300" readonly="true" text="fixed text"/>
    <Edit name="secret" height="30" width="300" password="true" text="hunter2"/>
  </VerticalLayout>
</Window>)";

class EditTest : public SkinFixture {
protected:
    void SetUp() override {
        SkinFixture::SetUp();
        WriteSkin(L"edits.xml", kEdits);
        handle = window.Open();
        system.RunPending();
    }
    CEditUI* Edit(const std::wstring& name) { return static_cast<CEditUI*>(window.FindControl(name)); }
    // Focuses the edit with a click and puts the text in it, caret at the end.
    CEditUI* Focus(const std::wstring& name, const std::wstring& text) {
        CEditUI* edit = Edit(name);
        system.ClickControl(handle, edit);
        edit->SetText(text);
        window.seen.clear();
        return edit;
    }
    void Type(const std::wstring& text) {
        for (wchar_t c : text) system.Char(handle, c);
    }
    void Key(WPARAM key, bool shift = false) {
        system.HoldKey(VK_SHIFT, shift);
        system.KeyDown(handle, key);
        system.HoldKey(VK_SHIFT, false);
    }
    int TextWidth(const std::wstring& text) { return window.GetPaintManager().MeasureTextWidth(text, 0); }

    TestWindow window{L"edits.xml"};
    WindowHandle handle = nullptr;
};

constexpr wchar_t kCtrlA = 0x01, kCtrlC = 0x03, kCtrlV = 0x16, kCtrlX = 0x18, kBack = 0x08;

// One step of a keyboard script: a key (with Shift or not) or a typed character.
struct Step {
    WPARAM key = 0;
    bool shift = false;
    wchar_t character = 0;
};
Step K(WPARAM key) { return {key, false, 0}; }
Step S(WPARAM key) { return {key, true, 0}; }
Step C(wchar_t character) { return {0, false, character}; }

}  // namespace

TEST_F(EditTest, KeyboardEditsAtTheCaretAndReplacesTheSelection) {
    struct Case {
        const char* what;
        std::wstring text;
        std::vector<Step> steps;
        std::wstring expected;
        std::size_t selStart, selEnd;
        int changes;
    };
    const Case cases[] = {
        {"typing at the end", L"ab", {C(L'c'), C(L'路')}, L"abc路", 4, 4, 2},
        {"typing in the middle", L"ac", {K(VK_LEFT), C(L'b')}, L"abc", 2, 2, 1},
        {"home then type", L"bc", {K(VK_HOME), C(L'a')}, L"abc", 1, 1, 1},
        {"backspace before the caret", L"abc", {K(VK_LEFT), C(kBack)}, L"ac", 1, 1, 1},
        {"backspace at the start does nothing", L"abc", {K(VK_HOME), C(kBack)}, L"abc", 0, 0, 0},
        {"delete after the caret", L"abc", {K(VK_HOME), K(VK_DELETE)}, L"bc", 0, 0, 1},
        {"delete at the end does nothing", L"abc", {K(VK_DELETE)}, L"abc", 3, 3, 0},
        {"shift+left selects backwards", L"abcd", {S(VK_LEFT), S(VK_LEFT)}, L"abcd", 2, 4, 0},
        {"shift+home selects to the start", L"abcd", {K(VK_LEFT), S(VK_HOME)}, L"abcd", 0, 3, 0},
        {"shift+end from home", L"abcd", {K(VK_HOME), K(VK_RIGHT), S(VK_END)}, L"abcd", 1, 4, 0},
        {"left collapses a selection to its start", L"abcd", {S(VK_LEFT), S(VK_LEFT), K(VK_LEFT)}, L"abcd", 2, 2, 0},
        {"right collapses a selection to its end", L"abcd", {K(VK_HOME), S(VK_RIGHT), K(VK_RIGHT)}, L"abcd", 1, 1, 0},
        {"ctrl+a then typing replaces everything", L"abcd", {C(kCtrlA), C(L'x')}, L"x", 1, 1, 1},
        {"backspace deletes the selection only", L"abcd", {S(VK_LEFT), S(VK_LEFT), C(kBack)}, L"ab", 2, 2, 1},
        {"delete deletes the selection only", L"abcd", {K(VK_HOME), S(VK_RIGHT), K(VK_DELETE)}, L"bcd", 0, 0, 1},
        {"enter, tab and escape-like controls are not text", L"ab", {C(L'\r'), C(L'\t'), C(0x1A)}, L"ab", 2, 2, 0},
        {"caret stops at both ends", L"ab", {K(VK_RIGHT), K(VK_HOME), K(VK_LEFT), C(L'x')}, L"xab", 1, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CEditUI* edit = Focus(L"edit", c.text);
        for (const Step& step : c.steps) {
            if (step.character) system.Char(handle, step.character);
            else Key(step.key, step.shift);
        }
        EXPECT_EQ(edit->GetText(), c.expected);
        EXPECT_EQ(edit->GetSelStart(), c.selStart);
        EXPECT_EQ(edit->GetSelEnd(), c.selEnd);
        EXPECT_EQ(window.Count(L"textchanged"), c.changes);
    }
}

TEST_F(EditTest, MaxCharStopsTypingUntilASelectionMakesRoom) {
    CEditUI* edit = Focus(L"limited", L"abcde");
    Type(L"fgh");
    EXPECT_EQ(edit->GetText(), L"abcdef");
    // Replacing a selection makes room.
    Key(VK_LEFT, true);
    Key(VK_LEFT, true);
    Type(L"XYZ");
    EXPECT_EQ(edit->GetText(), L"abcdXY");
    EXPECT_EQ(window.Count(L"textchanged"), 3);
}

TEST_F(EditTest, MousePlacesTheCaretAtTheNearestBoundaryAndDragSelects) {
    CEditUI* edit = Focus(L"edit", L"abcdef");
    const UiRect pos = edit->GetPos();
    const int origin = pos.left + 4, y = pos.top + pos.Height() / 2;
    const int ab = TextWidth(L"ab"), abc = TextWidth(L"abc");
    // Just short of the middle of "c" goes before it, just past it after it.
    system.Click(handle, origin + ab + (abc - ab) / 2 - 1, y);
    EXPECT_EQ(edit->GetCaret(), 2u);
    EXPECT_FALSE(edit->HasSelection());
    system.Click(handle, origin + abc - 1, y);
    EXPECT_EQ(edit->GetCaret(), 3u);
    // Left of the text and far right of it: the ends.
    system.Click(handle, pos.left + 1, y);
    EXPECT_EQ(edit->GetCaret(), 0u);
    system.Click(handle, pos.right - 2, y);
    EXPECT_EQ(edit->GetCaret(), 6u);

    // Pressed after "a" and dragged beyond the box: the capture keeps the selection growing.
    system.MouseDown(handle, origin + TextWidth(L"a"), y);
    system.MouseMove(handle, pos.right + 50, y + 40);
    system.MouseUp(handle, pos.right + 50, y + 40);
    EXPECT_EQ(edit->GetSelStart(), 1u);
    EXPECT_EQ(edit->GetSelEnd(), 6u);
    // Moving afterwards selects nothing more.
    system.MouseMove(handle, origin, y);
    EXPECT_EQ(edit->GetSelStart(), 1u);
    Type(L"Z");
    EXPECT_EQ(edit->GetText(), L"aZ");
}

TEST_F(EditTest, CopyCutAndPasteGoThroughTheClipboard) {
    CEditUI* edit = Focus(L"edit", L"C:\\Kelvo");
    Key(VK_LEFT, true);
    Key(VK_LEFT, true);
    system.Char(handle, kCtrlC);
    EXPECT_EQ(system.GetClipboardText(), L"vo");
    EXPECT_EQ(edit->GetText(), L"C:\\Kelvo");
    system.Char(handle, kCtrlX);
    EXPECT_EQ(edit->GetText(), L"C:\\Kel");
    EXPECT_EQ(window.Count(L"textchanged"), 1);
    Key(VK_HOME);
    system.Char(handle, kCtrlV);
    EXPECT_EQ(edit->GetText(), L"voC:\\Kel");
    EXPECT_EQ(edit->GetCaret(), 2u);
    EXPECT_EQ(window.Count(L"textchanged"), 2);
    // Nothing selected: copy and cut leave the clipboard alone.
    system.Char(handle, kCtrlX);
    system.Char(handle, kCtrlC);
    EXPECT_EQ(system.GetClipboardText(), L"vo");
    EXPECT_EQ(edit->GetText(), L"voC:\\Kel");
}

TEST_F(EditTest, PasteDropsLineBreaksAndControlsAndStopsAtMaxChar) {
    struct Case {
        const char* what;
        const wchar_t* edit;
        std::wstring start, clipboard, expected;
    };
    const Case cases[] = {
        {"lines joined", L"edit", L"", L"D:\\少儿\r\n编程\n\t1", L"D:\\少儿编程1"},
        {"excess cut", L"limited", L"ab", L"123456", L"ab1234"},
        {"full field", L"limited", L"abcdef", L"x", L"abcdef"},
        {"only control characters", L"edit", L"ab", L"\r\n\r\n", L"ab"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CEditUI* edit = Focus(c.edit, c.start);
        system.SetClipboardText(c.clipboard);
        system.Char(handle, kCtrlV);
        EXPECT_EQ(edit->GetText(), c.expected);
        EXPECT_EQ(window.Count(L"textchanged"), c.expected == c.start ? 0 : 1);
    }
}

TEST_F(EditTest, ReadOnlyMovesAndCopiesButNeverChanges) {
    CEditUI* edit = Edit(L"readonly");
    system.ClickControl(handle, edit);
    window.seen.clear();
    system.SetClipboardText(L"pasted");
    Key(VK_HOME);
    Key(VK_END, true);
    EXPECT_EQ(edit->GetSelText(), L"fixed text");
    system.Char(handle, kCtrlC);
    EXPECT_EQ(system.GetClipboardText(), L"fixed text");
    system.SetClipboardText(L"pasted");
    for (wchar_t c : {kCtrlX, kCtrlV, kBack, L'a'}) system.Char(handle, c);
    Key(VK_DELETE);
    EXPECT_EQ(edit->GetText(), L"fixed text");
    EXPECT_EQ(system.GetClipboardText(), L"pasted");
    EXPECT_EQ(window.Count(L"textchanged"), 0);
}

TEST_F(EditTest, PasswordTextNeverReachesTheClipboard) {
    CEditUI* edit = Edit(L"secret");
    system.ClickControl(handle, edit);
    system.SetClipboardText(L"before");
    system.Char(handle, kCtrlA);
    system.Char(handle, kCtrlC);
    system.Char(handle, kCtrlX);
    EXPECT_EQ(system.GetClipboardText(), L"before");
    EXPECT_EQ(edit->GetText(), L"hunter2");
    // Pasting into it still works.
    system.Char(handle, kCtrlV);
    EXPECT_EQ(edit->GetText(), L"before");
}

TEST_F(EditTest, EnterAndEscapeReachTheWindow) {
    CEditUI* edit = Focus(L"edit", L"abc");
    system.KeyDown(handle, VK_RETURN);
    system.Char(handle, L'\r');
    EXPECT_EQ(edit->GetText(), L"abc");
    EXPECT_FALSE(window.destroyed);
    system.KeyDown(handle, VK_ESCAPE);
    system.RunPending();
    EXPECT_TRUE(window.destroyed);
}

namespace {

constexpr std::uint32_t kBlack = 0xFF000000, kSelection = 0xFF3399FF;

}  // namespace

TEST_F(EditTest, FocusedEditDrawsItsCaretAndSelection) {
    CEditUI* edit = Focus(L"edit", L"abc");
    const UiRect pos = edit->GetPos();
    const int fontHeight = window.GetPaintManager().GetFontHeight(0);
    const int top = pos.top + (pos.Height() - fontHeight) / 2;
    const int caretX = pos.left + 4 + TextWidth(L"abc");
    Bitmap shot = system.Snapshot(handle);
    for (int y = top; y < top + fontHeight; ++y) EXPECT_EQ(shot.At(caretX, y), kBlack) << y;

    system.Char(handle, 0x01);
    shot = system.Snapshot(handle);
    int highlighted = 0;
    for (int x = pos.left + 4; x < caretX; ++x) highlighted += shot.At(x, top) == kSelection;
    EXPECT_GT(highlighted, (caretX - pos.left - 4) / 2);

    // Without focus neither shows.
    window.GetPaintManager().SetFocus(nullptr);
    shot = system.Snapshot(handle);
    EXPECT_NE(shot.At(caretX, top + fontHeight / 2), kBlack);
    EXPECT_NE(shot.At(pos.left + 5, top), kSelection);
}

TEST_F(EditTest, LongTextScrollsToKeepTheCaretInTheBox) {
    CEditUI* edit = Focus(L"short", L"");
    const std::wstring text = L"abcdefghijklmnopqrstuvwxyz";
    Type(text);
    ASSERT_GT(TextWidth(text), edit->GetPos().Width());
    const UiRect pos = edit->GetPos();
    const int y = pos.top + pos.Height() / 2;
    // The end is in view: the right edge of the box is near the end of the text.
    system.Click(handle, pos.right - 5, y);
    EXPECT_GE(edit->GetCaret(), text.size() - 1);
    system.Click(handle, pos.left + 5, y);
    EXPECT_GT(edit->GetCaret(), 5u);
    // Home scrolls back to the start.
    Key(VK_HOME);
    system.RunPending();
    system.Click(handle, pos.left + 5, y);
    EXPECT_LE(edit->GetCaret(), 1u);
    system.Click(handle, pos.right - 5, y);
    EXPECT_LT(edit->GetCaret(), text.size() / 2);
}

TEST_F(EditTest, TextInputFollowsFocusAndTakesComposedText) {
    CEditUI* edit = Focus(L"edit", L"ab");
    EXPECT_EQ(system.TextInputWindow(), handle);
    EXPECT_TRUE(edit->GetPos().Contains({system.TextInputCaret().left, system.TextInputCaret().top}));

    // Text being composed is drawn underlined at the caret but is not the edit's text yet.
    system.Compose(handle, L"zhong");
    EXPECT_EQ(edit->GetText(), L"ab");
    const UiRect pos = edit->GetPos();
    const int fontHeight = window.GetPaintManager().GetFontHeight(0);
    const int underline = pos.top + (pos.Height() - fontHeight) / 2 + fontHeight - 1;
    const int left = pos.left + 4 + TextWidth(L"ab"), right = left + TextWidth(L"zhong");
    Bitmap shot = system.Snapshot(handle);
    for (int x = left + 1; x < right; x += 3) EXPECT_EQ(shot.At(x, underline), kBlack) << x;

    // Committed, it arrives as characters and the composition ends.
    system.Char(handle, L'中');
    system.Compose(handle, L"");
    EXPECT_EQ(edit->GetText(), L"ab中");
    shot = system.Snapshot(handle);
    EXPECT_NE(shot.At(right - 2, underline), kBlack);

    window.GetPaintManager().SetFocus(nullptr);
    EXPECT_EQ(system.TextInputWindow(), nullptr);
}

TEST_F(EditTest, CombiningMarksStayWithTheirBaseCharacter) {
    // "e" + combining acute, then "x": the caret and deletions step over the pair as one.
    CEditUI* edit = Focus(L"edit", L"ae\u0301x");
    Key(VK_LEFT);
    Key(VK_LEFT);
    EXPECT_EQ(edit->GetCaret(), 1u);
    Key(VK_RIGHT, true);
    EXPECT_EQ(edit->GetSelText(), L"e\u0301");
    Key(VK_LEFT);
    Key(VK_DELETE);
    EXPECT_EQ(edit->GetText(), L"ax");
    edit->SetText(L"ae\u0301");
    system.Char(handle, kBack);
    EXPECT_EQ(edit->GetText(), L"a");
    // Cut to the length limit, a mark is not left behind without its base.
    CEditUI* limited = Focus(L"limited", L"abcde");
    limited->InsertText(L"\u0301");  // a stray mark alone still fits
    EXPECT_EQ(limited->GetText(), L"abcde\u0301");
    limited->SetText(L"abcde");
    system.SetClipboardText(L"e\u0301\u0300");
    system.Char(handle, kCtrlV);
    EXPECT_EQ(limited->GetText(), L"abcde");
}

TEST_F(EditTest, CompositionIsShownAtTheCaretUntilCommitted) {
    CEditUI* edit = Focus(L"edit", L"ab");
    Key(VK_LEFT);
    system.Compose(handle, L"zhong");
    EXPECT_EQ(edit->GetComposition(), L"zhong");
    EXPECT_EQ(edit->GetText(), L"ab");
    EXPECT_EQ(window.Count(L"textchanged"), 0);
    // Committed text arrives as characters, then the composition ends.
    Type(L"中");
    system.Compose(handle, L"");
    EXPECT_EQ(edit->GetText(), L"a中b");
    EXPECT_TRUE(edit->GetComposition().empty());
    EXPECT_EQ(edit->GetCaret(), 2u);
    EXPECT_EQ(window.Count(L"textchanged"), 1);
    // Abandoned: nothing is inserted.
    system.Compose(handle, L"wen");
    system.Compose(handle, L"");
    EXPECT_EQ(edit->GetText(), L"a中b");
    // Losing the focus drops a composition in progress.
    system.Compose(handle, L"guo");
    system.ClickControl(handle, L"limited");
    EXPECT_TRUE(edit->GetComposition().empty());
    EXPECT_EQ(edit->GetText(), L"a中b");
}

TEST_F(EditTest, PasswordFieldMasksTheCompositionToo) {
    CEditUI* secret = Focus(L"secret", L"");
    auto darkPixels = [&] {
        Bitmap shot = system.Snapshot(handle);
        const UiRect box = secret->GetPos();
        int dark = 0;
        for (int y = box.top; y < box.bottom; ++y) {
            for (int x = box.left; x < box.right; ++x) dark += (shot.At(x, y) & 0xFF) < 0x80;
        }
        return dark;
    };
    system.Compose(handle, L"WWWW");
    const int composing = darkPixels();
    system.Compose(handle, L"");
    Type(L"WWWW");
    // Four masks look alike whether composed or typed (the underline aside).
    EXPECT_NEAR(composing, darkPixels(), 40);
}

TEST_F(EditTest, AClickInAFocusedEditMovesTheCandidateBox) {
    CEditUI* edit = Focus(L"edit", L"abcdefgh");
    ASSERT_EQ(system.TextInputWindow(), handle);
    const UiRect box = edit->GetPos();
    const int atStart = box.left + 4;
    system.MouseDown(handle, atStart + TextWidth(L"ab"), box.top + box.Height() / 2);
    system.MouseUp(handle, atStart + TextWidth(L"ab"), box.top + box.Height() / 2);
    EXPECT_EQ(edit->GetCaret(), 2u);
    // The candidate box goes by the caret just placed, not by where it was before the click.
    EXPECT_NEAR(system.TextInputCaret().left, atStart + TextWidth(L"ab"), 1);
    window.GetPaintManager().SetFocus(nullptr);
    EXPECT_EQ(system.TextInputWindow(), nullptr);
}
