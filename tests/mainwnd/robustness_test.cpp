// What must not break the window: a skin without the controls it relies on, the window going
// while one of its boxes is open, and reports still on their way when it goes.
#include <regex>

#include "tests/mainwnd/main_window_fixture.h"

// The window system's names, which are Windows' own macros where its headers have been seen.
using namespace SkinUI;

namespace {

using mainwnd_testing::MainWindowTest;
using testing_support::TempFolder;

TEST(StatusMailbox, KeepsWhatItPostedUntilTakenAndFreesTheRestWhenClosed) {
    SkinUI::HeadlessWindowSystem system;
    SkinUI::SetWindowSystem(&system);
    {
        CSkinFrame frame(WindowDescriptor::ForSkinFile(L"MessageBox2Wnd.xml"));
        ASSERT_TRUE(frame.Create(nullptr, L"x", WS_OVERLAPPEDWINDOW, 0));
        StatusMailbox mailbox;
        mailbox.Post(1002, 0.5, L"before it opens");
        EXPECT_EQ(mailbox.Pending(), 0u);
        mailbox.Open(frame.GetHWND());
        mailbox.Post(1002, 0.5, nullptr);
        mailbox.Post(2004, 1000, L"磁盘已满");
        EXPECT_EQ(mailbox.Pending(), 2u);
        EXPECT_EQ(mailbox.Take(0), nullptr);
        StatusRecord stranger;
        EXPECT_EQ(mailbox.Take(reinterpret_cast<SkinUI::LPARAM>(&stranger)), nullptr);
        mailbox.Close();
        EXPECT_EQ(mailbox.Pending(), 0u);
        mailbox.Post(2003, 0, L"");
        EXPECT_EQ(mailbox.Pending(), 0u);
    }
    SkinUI::SetWindowSystem(nullptr);
}

// Names the shipped skin has and the window relies on, taken away: the window still opens,
// installs and shows its boxes.
TEST_F(MainWindowTest, SkinWithoutTheControlsItReliesOnStillWorks) {
    const std::wstring markupPath = platform::JoinPath(platform::PathFromNative(KELVO_SKIN_FOLDER), L"mainWnd.xml");
    std::string markup = *testing_support::ReadFile(markupPath);
    for (const char* name : {"mainTabLt", "installDirEdit", "progressLb", "installPrg", "treatyCb", "createDSCb",
                             "createQSCb", "customeInstallBtn", "winCtn", "titleTabLt", "languageCombo"})
        markup = std::regex_replace(markup, std::regex(std::string(" name=\"") + name + "\""), "");
    TempFolder skin;
    skin.WriteFile(L"mainWnd.xml", markup);
    SkinUI::SkinResources::Instance().SetResourcePath(skin.Path());
    WindowDescriptor descriptor = WindowDescriptor::ForSkinFile(L"mainWnd.xml");
    descriptor.resourceKind = static_cast<int>(SkinUI::SkinSource::Folder);
    Open(descriptor);
    EXPECT_EQ(window->CurrentPage(), -1);

    ASSERT_TRUE(Click(L"defaultInstallBtn"));
    ASSERT_TRUE(RunUntil([&] { return Recorded(L"InstallPath") == DefaultFolder(); }));
    for (std::int32_t code : {1001, 1002, 2002, 2003, 1006})
        window->PostStatus(code, 0.5, L"");
    Answer(L"MessageBox2Wnd.xml", L"closebtn");
    window->PostStatus(2004, 0, L"");
    Answer(L"NetworkTipWnd.xml", L"cancelBtn");
    window->PostStatus(1004, 7, L"");
    ASSERT_TRUE(RunUntil([&] { return answers.empty(); }));
    system.RunPending();
    EXPECT_TRUE(system.IsWindow(handle));
    // Without pages there is no progress page to refuse a close on.
    system.PostMessage(handle, WM_CLOSE, 1, 0);
    EXPECT_TRUE(RunUntilClosed());
}

// The window may go while one of its boxes is open (a close handled in the box's loop): after
// the box, nothing of the window's is touched.
TEST_F(MainWindowTest, WindowGoneDuringABoxIsNotTouchedAfterIt) {
    onBox = [this](CMessageBoxWnd&) { system.DestroyWindow(handle); };
    const struct {
        std::int32_t code;
        double value;
    } reports[] = {{3009, 0}, {2004, 0}, {1004, 7}, {5005, 0}};
    for (const auto& report : reports) {
        SCOPED_TRACE(report.code);
        Open();
        window->PostStatus(1002, 0.9, L"");
        window->PostStatus(report.code, report.value, L"x");
        window->PostStatus(1002, 0.2, L"");  // freed with the window, never handled
        system.RunPending();
        EXPECT_FALSE(system.IsWindow(handle));
        window.reset();
    }
    // And a click whose handler opened the box: the button's own code runs on after it.
    Open();
    ASSERT_TRUE(Click(L"closebtn"));
    EXPECT_FALSE(system.IsWindow(handle));
    EXPECT_EQ(BoxFiles().back(), L"ExitTipWnd.xml");
}

}  // namespace
