#include <gtest/gtest.h>

#include "skinui/container.h"
#include "tests/support/temp_folder.h"
#include "tests/ui/ui_fixture.h"
#include "ui/sequence_button.h"
#include "ui/sequence_label.h"
#include "ui/skin_frame.h"

using namespace SkinUI;

namespace {

struct Stepping {
    const char* name;
    int count;
    const wchar_t* loop;
    const wchar_t* round;
    int ticks;
    std::vector<int> frames;  // -1 where a tick shows nothing
    int stopsAt;              // the tick that stops the timer, -1 for none
};

}  // namespace

TEST(SequenceAnimation, FrameOrderForEachKindOfSequence) {
    std::vector<int> plain(24);
    for (int i = 0; i < 24; ++i) plain[i] = i;
    std::vector<int> wrapped = plain;
    wrapped.push_back(0);
    const Stepping cases[] = {
        {"24 frames looping: 23 then 0", 24, L"true", L"false", 25, wrapped, -1},
        {"round trip, end frames once", 4, L"true", L"true", 9, {0, 1, 2, 3, 2, 1, 0, 1, 2}, -1},
        {"no loop: once, the last frame stays", 3, L"false", L"false", 4, {0, 1, 2, -1}, 3},
        {"round trip without loop stops after 1", 4, L"false", L"true", 7, {0, 1, 2, 3, 2, 1, -1}, 6},
        {"one frame round trip looping", 1, L"true", L"true", 4, {0, 0, 0, 0}, -1},
        {"one frame round trip, no loop", 1, L"false", L"true", 2, {0, -1}, 1},
        {"no frames", 0, L"true", L"true", 1, {-1}, 0},
        {"a negative count", -3, L"true", L"false", 1, {-1}, 0},
        {"False is not false", 2, L"False", L"FALSE", 4, {0, 1, 0, 1}, -1},
    };
    for (const Stepping& c : cases) {
        SCOPED_TRACE(c.name);
        SequenceAnimation animation;
        ASSERT_TRUE(animation.SetAttribute(L"SequenceBkImage", L"f%d.png"));
        animation.SetAttribute(L"sequencecount", std::to_wstring(c.count));
        animation.SetAttribute(L"SEQUENCELOOP", c.loop);
        animation.SetAttribute(L"sequenceround", c.round);
        std::vector<int> frames;
        int stoppedAt = -1;
        for (int tick = 0; tick < c.ticks; ++tick) {
            SequenceAnimation::Step step = animation.Next();
            frames.push_back(step.frame);
            if (step.stop && stoppedAt < 0) stoppedAt = tick;
        }
        EXPECT_EQ(frames, c.frames);
        EXPECT_EQ(stoppedAt, c.stopsAt);
    }
}

TEST(SequenceAnimation, OnlyPatternsWithOneIntegerConversionAreFormatted) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"res\\mainWnd\\installBtnAnimate\\%.3d.png", L"res\\mainWnd\\installBtnAnimate\\007.png"},
        {L"100%%_%02x.png", L"100%_07.png"},
        {L"正在安装中:%d%%，请稍候...", L"正在安装中:7%，请稍候..."},  // a progress text from the skin
        {L"%s.png", L""},           // a string conversion would read memory that is not there
        {L"%d_%d.png", L""},        // two numbers, one given
        {L"%n.png", L""},           // a write through the argument
        {L"%*d.png", L""},          // a width taken from the arguments
        {L"%ld.png", L""},          // a length the number does not have
        {L"%1000d.png", L""},       // wider than any name
        {L"frame.png", L""},        // nothing to number
        {L"50%", L""},
    };
    for (auto [pattern, expected] : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(pattern)));
        EXPECT_EQ(FormatNumberPattern(pattern, 7), expected);
        EXPECT_EQ(IsNumberPattern(pattern), *expected != L'\0');
    }
    EXPECT_EQ(FormatNumberPattern(std::wstring(256, L'a') + L"%d", 1234), L"");  // past 259 characters
    SequenceAnimation animation;
    ASSERT_TRUE(animation.SetPattern(L"a%d.png"));
    EXPECT_FALSE(animation.SetPattern(L"%s%s%s"));
    EXPECT_EQ(animation.pattern, L"a%d.png");
}

TEST(SequenceButton, CopyChannelCopiesOneByteOfEveryPixelBetweenImagesOfOneSize) {
    Bitmap from(3, 2, 0x11223344), to(3, 2, 0xAABBCCDD);
    ASSERT_TRUE(CSequenceButtonUI::CopyChannel(from, to, 3));
    EXPECT_EQ(to.At(2, 1), 0x11BBCCDDu);
    ASSERT_TRUE(CSequenceButtonUI::CopyChannel(from, to, 0));
    EXPECT_EQ(to.At(0, 0), 0x11BBCC44u);
    Bitmap other(2, 3);
    EXPECT_FALSE(CSequenceButtonUI::CopyChannel(from, other, 1));
    EXPECT_FALSE(CSequenceButtonUI::CopyChannel(from, to, 4));
}

class SequenceInWindow : public ui_testing::UiFixture {};

TEST_F(SequenceInWindow, TheMainWindowsHiddenAnimationRunsWithoutRepaintingAnything) {
    CSkinFrame window(WindowDescriptor::ForSkinFile(L"MainWnd.xml"));
    WindowHandle handle = window.Create(nullptr, L"Kelvo Kids", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0);
    ASSERT_TRUE(handle);
    auto* animation = static_cast<CSequenceLabelUI*>(window.FindControl(L"progressAnLb")->As(L"SequenceLabel"));
    ASSERT_TRUE(animation);
    EXPECT_EQ(animation->GetSequenceCount(), 24);
    // The progress page, where the animation's row is hidden.
    static_cast<CTabLayoutUI*>(window.FindControl(L"mainTabLt")->As(L"TabLayout"))->SelectItem(2);
    system.RunPending();
    const int presents = system.PresentCount(handle);
    system.AdvanceTime(30 * 24);  // autostart: one frame every 30 ms
    EXPECT_EQ(animation->GetBkImage(), L"res\\mainWnd\\installBtnAnimate\\023.png");
    EXPECT_EQ(system.PresentCount(handle), presents);

    // Shown, each frame repaints and presents the animation's own rectangle.
    animation->GetParent()->SetVisible(true);
    system.RunPending();
    system.AdvanceTime(30);
    EXPECT_EQ(animation->GetBkImage(), L"res\\mainWnd\\installBtnAnimate\\000.png");
    EXPECT_EQ(system.LastPresented(handle), animation->GetPos());
    // Start goes back to frame 0 from wherever the sequence stands.
    system.AdvanceTime(90);
    animation->Start();
    system.AdvanceTime(30);
    EXPECT_EQ(animation->GetBkImage(), L"res\\mainWnd\\installBtnAnimate\\000.png");
}

TEST_F(SequenceInWindow, FactoryMakesBothControlsAndAPressedButtonDrawsItsTextInsideItsInset) {
    CSkinFrame frame(WindowDescriptor::ForSkinFile(L"x.xml"));
    const std::pair<const wchar_t*, const wchar_t*> kinds[] = {
        {L"sequencelabel", L"SequenceLabel"}, {L"SEQUENCEBUTTON", L"SequenceButton"}, {L"Label", nullptr}};
    for (auto [name, kind] : kinds) {
        std::unique_ptr<CControlUI> control(frame.CreateControl(name));
        EXPECT_EQ(control ? control->GetClass() : L"none", kind ? kind : L"none");
    }

    testing_support::TempFolder folder;
    SkinResources::Instance().SetResourcePath(folder.Path());
    folder.WriteFile(L"button.xml", R"(<Window size="200,60"><Font id="0" name="微软雅黑" size="20" default="true"/>
      <VerticalLayout bkcolor="#FFFFFFFF"><SequenceButton name="sb" text="XX" textcolor="#FF000000"
        PressedTextInset="0,0,120,0" width="200" height="60"/></VerticalLayout></Window>)");
    WindowDescriptor descriptor = WindowDescriptor::ForSkinFile(L"button.xml");
    descriptor.resourceKind = static_cast<int>(SkinSource::Folder);
    CSkinFrame window(descriptor);
    WindowHandle handle = window.Create(nullptr, L"b", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0);
    ASSERT_TRUE(window.FindControl(L"sb")->As(L"SequenceButton"));
    auto inkRightOf = [&](int column) {
        Bitmap shot = system.Snapshot(handle);
        int ink = 0;
        for (int y = 0; y < 60; ++y) {
            for (int x = column; x < 200; ++x) ink += (shot.At(x, y) & 0xFF) < 0x80;
        }
        return ink;
    };
    EXPECT_GT(inkRightOf(100), 0);  // centred on the whole button
    system.MouseMove(handle, 100, 30);
    system.MouseDown(handle, 100, 30);
    EXPECT_EQ(inkRightOf(80), 0);   // pressed: centred in its left 80 pixels
    system.MouseUp(handle, 100, 30);
    EXPECT_GT(inkRightOf(100), 0);
}
