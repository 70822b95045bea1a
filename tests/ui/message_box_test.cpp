#include <gtest/gtest.h>

#include <deque>

#include "tests/ui/ui_fixture.h"
#include "ui/message_box.h"

using namespace SkinUI;

namespace {

// One way of answering a box: a click on a named control, Alt+F4, or Escape (which must do
// nothing; the test then closes the box another way).
struct Answer {
    enum Kind { Click, AltF4, Escape } kind;
    const wchar_t* control = L"";
};

class MessageBoxTest : public ui_testing::UiFixture {
protected:
    void SetUp() override {
        owner = std::make_unique<CSkinFrame>(WindowDescriptor::ForSkinFile(L"MainWnd.xml"));
        ownerHandle = owner->Create(nullptr, L"Kelvo Kids", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0);
        ASSERT_TRUE(ownerHandle);
        system.RunPending();
        // The box, once shown and waiting for the user, gets the answers one at a time.
        SetMessageBoxHook([this](CMessageBoxWnd& shown) {
            box = &shown;
            visibleWhenFilled = system.IsVisible(shown.GetHWND());
            if (shown.GetTextLabel()) textWhenFilled = shown.GetTextLabel()->GetText();
            boxRect = system.GetWindowRect(shown.GetHWND());
        });
        system.SetIdleHook([this] {
            if (!box || answers.empty()) return false;
            ownerEnabledDuringBox = system.IsEnabled(ownerHandle);
            WindowHandle handle = box->GetHWND();
            Answer answer = answers.front();
            answers.pop_front();
            if (answer.kind == Answer::Click) {
                system.ClickControl(handle, answer.control);
            } else if (answer.kind == Answer::AltF4) {
                system.HoldKey(VK_MENU, true);
                system.KeyDown(handle, VK_F4);
                system.HoldKey(VK_MENU, false);
            } else {
                system.KeyDown(handle, VK_ESCAPE);
                stillThereAfterEscape = system.IsWindow(handle);
            }
            return true;
        });
    }
    void TearDown() override {
        SetMessageBoxHook(nullptr);
        system.SetIdleHook(nullptr);
        owner.reset();
    }

    int Show(const wchar_t* skinFile, std::deque<Answer> given, std::optional<std::wstring> text = std::nullopt,
             std::optional<std::wstring> caption = std::nullopt) {
        answers = std::move(given);
        box = nullptr;
        return ShowMessageBox(ownerHandle, WindowDescriptor::ForSkinFile(skinFile), text, caption);
    }

    std::unique_ptr<CSkinFrame> owner;
    WindowHandle ownerHandle = nullptr;
    CMessageBoxWnd* box = nullptr;
    std::deque<Answer> answers;
    bool visibleWhenFilled = true;
    bool ownerEnabledDuringBox = true;
    bool stillThereAfterEscape = false;
    std::wstring textWhenFilled;
    UiRect boxRect;
};

}  // namespace

TEST_F(MessageBoxTest, EachBoxGivesItsResultForEachWayOfClosingIt) {
    const struct {
        const wchar_t* skinFile;
        Answer answer;
        int result;
    } cases[] = {
        {L"ExitTipWnd.xml", {Answer::Click, L"okBtn"}, 0},  // "是"
        {L"ExitTipWnd.xml", {Answer::Click, L"cancelBtn"}, 1},  // "否"
        {L"ExitTipWnd.xml", {Answer::Click, L"closebtn"}, 2},
        {L"ExitTipWnd.xml", {Answer::AltF4}, 1},
        {L"NetworkTipWnd.xml", {Answer::Click, L"okBtn"}, 0},  // "重新安装"
        {L"NetworkTipWnd.xml", {Answer::Click, L"cancelBtn"}, 1},  // "稍后再试"
        {L"NetworkTipWnd.xml", {Answer::Click, L"closebtn"}, 2},
        {L"NetworkTipWnd.xml", {Answer::AltF4}, 1},
        {L"InstalledPathTipWnd.xml", {Answer::Click, L"okBtn"}, 0},  // "安装最新版本"
        {L"InstalledPathTipWnd.xml", {Answer::Click, L"cancelBtn"}, 1},  // "打开软件"
        {L"InstalledPathTipWnd.xml", {Answer::Click, L"closebtn"}, 2},
        {L"InstalledPathTipWnd.xml", {Answer::AltF4}, 1},
        {L"MessageBox1Wnd.xml", {Answer::Click, L"closebtn"}, 2},
        {L"MessageBox1Wnd.xml", {Answer::AltF4}, 1},
        {L"messagebox2wnd.XML", {Answer::Click, L"closebtn"}, 2},
        {L"MessageBox2Wnd.xml", {Answer::AltF4}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.skinFile) + L" " + c.answer.control));
        ownerEnabledDuringBox = true;
        EXPECT_EQ(Show(c.skinFile, {c.answer}), c.result);
        EXPECT_FALSE(ownerEnabledDuringBox);  // the owner could not be clicked meanwhile
        EXPECT_TRUE(system.IsEnabled(ownerHandle));
        EXPECT_EQ(system.GetFocus(), ownerHandle);  // and has the focus back
        EXPECT_EQ(system.GetActiveWindow(), ownerHandle);
    }
    EXPECT_EQ(system.Windows().size(), 2u);  // the owner and its shadow: every box is gone
}

TEST_F(MessageBoxTest, EscapeAndEnterDoNothing) {
    EXPECT_EQ(Show(L"exitTipWnd.xml", {{Answer::Escape}, {Answer::Click, L"okBtn"}}), 0);
    EXPECT_TRUE(stillThereAfterEscape);
    // Nor in the owner (the main window).
    system.KeyDown(ownerHandle, VK_ESCAPE);
    system.KeyDown(ownerHandle, VK_RETURN);
    EXPECT_TRUE(system.IsWindow(ownerHandle));
}

TEST_F(MessageBoxTest, TextAndCaptionAreInPlaceBeforeTheBoxIsFirstShownCentredOnItsOwner) {
    const std::wstring text = L"当前磁盘剩余空间低于1GB，请修改安装路径";
    EXPECT_EQ(Show(L"MessageBox2Wnd.xml", {{Answer::Click, L"closebtn"}}, text, L"温馨提示"), 2);
    EXPECT_FALSE(visibleWhenFilled);
    EXPECT_EQ(textWhenFilled, text);
    const UiRect main = system.GetWindowRect(ownerHandle);
    EXPECT_EQ(boxRect.Width(), 360);
    EXPECT_EQ(boxRect.left, main.left + (main.Width() - 360) / 2);
    EXPECT_EQ(boxRect.top, main.top + (main.Height() - 180) / 2);

    // Without a text the skin's own stays; a box that has no text label takes none.
    EXPECT_EQ(Show(L"MessageBox1Wnd.xml", {{Answer::Click, L"closebtn"}}), 2);
    EXPECT_EQ(textWhenFilled, L"TEXT");
    EXPECT_EQ(Show(L"exitTipWnd.xml", {{Answer::Click, L"cancelBtn"}}, text, L"x"), 1);
}
