#include <gtest/gtest.h>

#include <thread>

#include "skinui/button.h"
#include "skinui/container.h"
#include "skinui/option.h"
#include "tests/skinui/skin_fixture.h"

using namespace SkinUI;
using namespace skin_testing;

namespace {

const char* kTitleSkin = R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="300,200" caption="0,0,0,35" roundcorner="4,4" showshadow="true" shadowsize="6">
  <Font id="0" name="微软雅黑" size="12" default="true"/>
  <VerticalLayout name="root" bkcolor="#FFFFFFFF">
    <HorizontalLayout height="35">
      <Control/>
      <Label name="title" text="Title" width="60"/>
      <Button name="minbtn" width="30" height="30"/>
      <Button name="closebtn" width="30" height="30"/>
    </HorizontalLayout>
    <Button name="okBtn" text="OK" width="80" height="30"/>
    <Control/>
  </VerticalLayout>
</Window>)";

}  // namespace

class WindowTest : public SkinFixture {};

TEST_F(WindowTest, BuildsFromTheSkinFileAndRunsTheInitialisationHookOnce) {
    WriteSkin(L"title.xml", kTitleSkin);
    TestWindow window(L"title.xml");
    ASSERT_TRUE(window.Open());
    EXPECT_EQ(window.initCount, 1);
    UiRect rect = system.GetWindowRect(window.GetHWND());
    EXPECT_EQ(rect.Width(), 300);
    EXPECT_EQ(rect.Height(), 200);
    EXPECT_TRUE(window.FindControl(L"okBtn"));
    EXPECT_FALSE(window.FindControl(L"noSuchName"));
    EXPECT_EQ(window.GetPaintManager().GetWindowAttribute(L"shadowsize"), L"6");
    EXPECT_EQ(window.GetPaintManager().GetWindowAttribute(L"showshadow"), L"true");
    EXPECT_EQ(system.GetRoundRegion(window.GetHWND()), (UiSize{4, 4}));
}

TEST_F(WindowTest, ClickByNameSendsClickAndCloseButtonClosesTheWindow) {
    WriteSkin(L"title.xml", kTitleSkin);
    TestWindow window(L"title.xml");
    window.Open();
    ASSERT_TRUE(system.ClickControl(window.GetHWND(), window.FindControl(L"okBtn")));
    ASSERT_EQ(window.Count(L"click"), 1);
    EXPECT_EQ(window.seen.back().sender, L"okBtn");
    ASSERT_TRUE(system.ClickControl(window.GetHWND(), window.FindControl(L"closebtn")));
    EXPECT_TRUE(window.destroyed);
    EXPECT_FALSE(system.IsWindow(window.GetHWND()));
}

TEST_F(WindowTest, MinimiseButtonMinimises) {
    WriteSkin(L"title.xml", kTitleSkin);
    TestWindow window(L"title.xml");
    window.Open();
    system.ClickControl(window.GetHWND(), window.FindControl(L"minbtn"));
    EXPECT_TRUE(system.IsMinimized(window.GetHWND()));
}

TEST_F(WindowTest, CaptionDragsExceptOnButtonsAndTextControls) {
    WriteSkin(L"title.xml", kTitleSkin);
    TestWindow window(L"title.xml");
    WindowHandle h = window.Open();
    system.RunPending();
    UiRect before = system.GetWindowRect(h);
    // On the empty part of the title strip: the window follows the pointer.
    system.MouseDown(h, 20, 10);
    system.MouseMove(h, 50, 30);
    system.MouseUp(h, 50, 30);
    UiRect after = system.GetWindowRect(h);
    EXPECT_EQ(after.left - before.left, 30);
    EXPECT_EQ(after.top - before.top, 20);
    // On the close button: a click, no drag.
    const UiRect& close = window.FindControl(L"closebtn")->GetPos();
    system.MouseDown(h, close.left + 5, close.top + 5);
    system.MouseMove(h, close.left + 6, close.top + 6);
    EXPECT_EQ(system.GetWindowRect(h), after);
    system.MouseUp(h, close.left + 6, close.top + 6);
    EXPECT_TRUE(window.destroyed);
}

TEST_F(WindowTest, EscapeRequestsCloseAndEnterDoesNothing) {
    WriteSkin(L"title.xml", kTitleSkin);
    TestWindow window(L"title.xml");
    WindowHandle h = window.Open();
    system.KeyDown(h, VK_RETURN);
    EXPECT_TRUE(system.IsWindow(h));
    system.KeyDown(h, VK_ESCAPE);
    EXPECT_FALSE(system.IsWindow(h));
}

TEST_F(WindowTest, UnreadableMarkupShowsTheErrorBoxAndExitsWithOne) {
    for (const char* markup : {"", "<Window><VerticalLayout></Window>", "<NotAWindow/>"}) {
        SkinResources::Instance().Reset();
        SkinResources::Instance().SetResourcePath(folder.Path());
        if (*markup) WriteSkin(L"broken.xml", markup);
        TestWindow window(*markup ? L"broken.xml" : L"missing.xml");
        g_exitCode = -1000;
        EXPECT_FALSE(window.Open()) << markup;
        EXPECT_EQ(g_exitCode, 1) << markup;
        ASSERT_FALSE(system.SystemMessages().empty());
        EXPECT_EQ(system.SystemMessages().back().first, L"加载资源文件失败");
        EXPECT_EQ(system.SystemMessages().back().second, L"SkinUI");
        EXPECT_EQ(window.initCount, 0);
    }
}

TEST_F(WindowTest, ADamagedSkinArchiveIsTheUnreadableMarkupPath) {
    class ArchiveWindow : public TestWindow {
    public:
        ArchiveWindow() : TestWindow(L"skin.xml", SkinSource::ArchiveFile) {}
        std::wstring GetSkinArchiveName() const override { return L"skin.7z"; }
    };
    folder.WriteFile(L"skin.7z", std::string("7z\xBC\xAF\x27\x1C") + std::string(300, 'x'));
    WriteSkin(L"skin.xml", "<Window><Label/></Window>");  // beside it on disk, and not used
    ArchiveWindow window;
    EXPECT_FALSE(window.Open());
    EXPECT_EQ(g_exitCode, 1);
    ASSERT_FALSE(system.SystemMessages().empty());
    EXPECT_EQ(system.SystemMessages().back().first, L"加载资源文件失败");
    std::vector<std::uint8_t> bytes;
    EXPECT_FALSE(SkinResources::Instance().ReadFile(L"skin.xml", bytes));
}

TEST_F(WindowTest, ModalRunEndsWithTheCloseValueAndGivesTheOwnerBack) {
    WriteSkin(L"title.xml", kTitleSkin);
    TestWindow owner(L"title.xml");
    WindowHandle ownerHandle = owner.Open();
    TestWindow box(L"title.xml");
    box.Open(ownerHandle);
    bool ownerWasDisabled = false;
    int idleCalls = 0;
    system.SetIdleHook([&] {
        ++idleCalls;
        ownerWasDisabled = !system.IsEnabled(ownerHandle);
        // The owner takes no clicks meanwhile.
        system.ClickControl(ownerHandle, owner.FindControl(L"okBtn"));
        box.Close(7);
        return true;
    });
    EXPECT_EQ(box.ShowModal(), 7);
    system.SetIdleHook(nullptr);
    EXPECT_GE(idleCalls, 1);
    EXPECT_TRUE(ownerWasDisabled);
    EXPECT_EQ(owner.Count(L"click"), 0);
    EXPECT_TRUE(system.IsEnabled(ownerHandle));
    EXPECT_EQ(system.GetFocus(), ownerHandle);
}

TEST_F(WindowTest, CentresOnTheWorkAreaOrTheOwner) {
    WriteSkin(L"title.xml", kTitleSkin);
    TestWindow window(L"title.xml");
    WindowHandle h = window.Open();
    window.CenterWindow();
    UiRect area = system.GetWorkArea(h);
    UiRect r = system.GetWindowRect(h);
    EXPECT_EQ(r.left, (area.Width() - 300) / 2);
    EXPECT_EQ(r.top, (area.Height() - 200) / 2);
    TestWindow child(L"title.xml");
    WindowHandle c = child.Open(h);
    system.MoveWindow(c, {0, 0, 100, 50});
    child.CenterWindow();
    EXPECT_EQ(system.GetWindowRect(c).left, r.left + 100);
    EXPECT_EQ(system.GetWindowRect(c).top, r.top + 75);
}

TEST_F(WindowTest, QueuedNotificationsFromAnotherThreadArriveOnThePumpInOrder) {
    WriteSkin(L"title.xml", kTitleSkin);
    TestWindow window(L"title.xml");
    window.Open();
    CControlUI* root = window.FindControl(L"root");
    std::thread worker([&] {
        for (int i = 0; i < 200; ++i) window.GetPaintManager().SendNotify(root, L"checknet", i, 0, true);
    });
    worker.join();
    EXPECT_EQ(window.Count(L"checknet"), 0);  // nothing is delivered before the pump runs
    system.RunPending();
    ASSERT_EQ(window.Count(L"checknet"), 200);
    for (int i = 0; i < 200; ++i) EXPECT_EQ(window.seen[window.seen.size() - 200 + i].wParam, WPARAM(i));
}

TEST_F(WindowTest, QueuedNotificationWithoutRepetitionIsUpdatedInPlace) {
    WriteSkin(L"title.xml", kTitleSkin);
    TestWindow window(L"title.xml");
    window.Open();
    CControlUI* root = window.FindControl(L"root");
    window.GetPaintManager().SendNotify(root, L"install", 1, 0, true, false);
    window.GetPaintManager().SendNotify(root, L"install", 2, 0, true, false);
    system.RunPending();
    ASSERT_EQ(window.Count(L"install"), 1);
    EXPECT_EQ(window.seen.back().wParam, 2u);
}

TEST_F(WindowTest, ControlTimersFireAsTimerNotificationsAndStopWhenKilled) {
    WriteSkin(L"title.xml", kTitleSkin);
    TestWindow window(L"title.xml");
    window.Open();
    CPaintManager& pm = window.GetPaintManager();
    CControlUI* root = window.FindControl(L"root");
    CControlUI* ok = window.FindControl(L"okBtn");
    pm.SetTimer(root, 10, 3000);
    pm.SetTimer(ok, 10, 1000);
    system.AdvanceTime(2999);
    EXPECT_EQ(window.Count(L"timer"), 2);  // the button's, twice
    system.AdvanceTime(1);  // both fall due at 3000
    ASSERT_EQ(window.Count(L"timer"), 4);
    int fromRoot = 0;
    for (const Seen& s : window.seen) fromRoot += s.type == L"timer" && s.sender == L"root" && s.wParam == 10;
    EXPECT_EQ(fromRoot, 1);
    pm.KillTimer(root, 10);
    pm.KillTimer(ok, 10);
    system.AdvanceTime(10000);
    EXPECT_EQ(window.Count(L"timer"), 4);
    pm.SetTimer(root, 10, 500);  // a killed pair can be set again
    system.AdvanceTime(500);
    EXPECT_EQ(window.Count(L"timer"), 5);
}

TEST_F(WindowTest, PostedMessagesToAGoneWindowAreDropped) {
    WriteSkin(L"title.xml", kTitleSkin);
    TestWindow window(L"title.xml");
    WindowHandle h = window.Open();
    window.Close(1);
    window.Close(1);  // the second close finds the window gone
    system.RunPending();
    EXPECT_FALSE(system.IsWindow(h));
}

TEST_F(WindowTest, SystemCloseBecomesACloseRequestAndMaxRestoreButtonsFollowTheState) {
    WriteSkin(L"max.xml", R"(<Window size="200,100" caption="0,0,0,30" sizebox="4,4,4,4">
        <HorizontalLayout name="root"><Button name="maxbtn" width="20"/><Button name="restorebtn" width="20" visible="false"/>
        <Control/></HorizontalLayout></Window>)");
    struct Refusing : TestWindow {
        using TestWindow::TestWindow;
        LRESULT OnClose(UINT, WPARAM, LPARAM, bool& handled) override {
            ++closeRequests;
            handled = refuse;
            return 0;
        }
        int closeRequests = 0;
        bool refuse = true;
    } window(L"max.xml");
    WindowHandle h = window.Open();
    system.ClickControl(h, window.FindControl(L"maxbtn"));
    EXPECT_TRUE(system.IsMaximized(h));
    EXPECT_FALSE(window.FindControl(L"maxbtn")->IsVisible());
    EXPECT_TRUE(window.FindControl(L"restorebtn")->IsVisible());
    system.ClickControl(h, window.FindControl(L"restorebtn"));
    EXPECT_FALSE(system.IsMaximized(h));
    EXPECT_TRUE(window.FindControl(L"maxbtn")->IsVisible());
    // The sizing border answers before the caption does.
    UiRect r = system.GetWindowRect(h);
    EXPECT_EQ(system.SendMessage(h, WM_NCHITTEST, 0, MakeLParam(r.left + 1, r.top + 1)), HTTOPLEFT);
    EXPECT_EQ(system.SendMessage(h, WM_NCHITTEST, 0, MakeLParam(r.left + 100, r.top + 10)), HTCAPTION);
    EXPECT_EQ(system.SendMessage(h, WM_NCHITTEST, 0, MakeLParam(r.left + 100, r.top + 50)), HTCLIENT);
    window.SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(window.closeRequests, 1);
    EXPECT_TRUE(system.IsWindow(h));  // refused by the window
    window.refuse = false;
    window.SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(system.IsWindow(h));
}

TEST_F(WindowTest, QueuedNotificationsOfARemovedControlAreNotDelivered) {
    WriteSkin(L"title.xml", kTitleSkin);
    TestWindow window(L"title.xml");
    window.Open();
    CControlUI* ok = window.FindControl(L"okBtn");
    window.GetPaintManager().SendNotify(ok, L"later", 0, 0, true);
    window.GetPaintManager().SetTimer(ok, 1, 10);
    auto* root = static_cast<CContainerUI*>(window.FindControl(L"root"));
    ASSERT_TRUE(root->Remove(ok));
    system.RunPending();
    system.AdvanceTime(100);
    EXPECT_EQ(window.Count(L"later"), 0);
    EXPECT_EQ(window.Count(L"timer"), 0);
    EXPECT_FALSE(window.FindControl(L"okBtn"));
}

TEST_F(WindowTest, DestroyingTheObjectDestroysItsWindow) {
    WriteSkin(L"title.xml", kTitleSkin);
    WindowHandle h = nullptr;
    {
        TestWindow window(L"title.xml");
        h = window.Open();
        ASSERT_TRUE(system.IsWindow(h));
    }
    EXPECT_FALSE(system.IsWindow(h));
}

TEST_F(WindowTest, AModalLoopDeliversTheOwnersPostedMessagesAndNotificationsInOrder) {
    WriteSkin(L"title.xml", kTitleSkin);
    struct Owner : TestWindow {
        using TestWindow::TestWindow;
        LRESULT HandleOtherMessage(UINT message, WPARAM wParam, LPARAM, bool& handled) override {
            if (message == WM_USER + 1000) {
                order.push_back(static_cast<int>(wParam));
                handled = true;
            }
            return 0;
        }
        std::vector<int> order;
    } owner(L"title.xml");
    WindowHandle ownerHandle = owner.Open();
    CControlUI* root = owner.FindControl(L"root");
    TestWindow box(L"title.xml");
    box.Open(ownerHandle);
    std::thread worker([&] {
        for (int i = 0; i < 50; ++i) {
            system.PostMessage(ownerHandle, WM_USER + 1000, i, 0);
            owner.GetPaintManager().SendNotify(root, L"checknet", i, 0, true);
        }
    });
    worker.join();
    system.SetIdleHook([&] {
        box.Close(1);
        return true;
    });
    box.ShowModal();
    system.SetIdleHook(nullptr);
    ASSERT_EQ(owner.order.size(), 50u);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(owner.order[i], i);
    EXPECT_EQ(owner.Count(L"checknet"), 50);
}

TEST_F(WindowTest, ManyTimerPairsNeverShareAWindowTimer) {
    WriteSkin(L"title.xml", kTitleSkin);
    TestWindow window(L"title.xml");
    window.Open();
    CPaintManager& pm = window.GetPaintManager();
    CControlUI* root = window.FindControl(L"root");
    for (UINT id = 1; id <= 300; ++id) pm.SetTimer(root, id, 1000 + id);
    system.AdvanceTime(1300);
    std::vector<WPARAM> ids;
    for (const Seen& s : window.seen) {
        if (s.type == L"timer") ids.push_back(s.wParam);
    }
    ASSERT_EQ(ids.size(), 300u);
    for (UINT id = 1; id <= 300; ++id) EXPECT_EQ(ids[id - 1], id);
}

TEST_F(WindowTest, AControlRemovedByAnEarlierQueuedNotificationGetsNoLaterOne) {
    WriteSkin(L"title.xml", kTitleSkin);
    struct Remover : TestWindow {
        using TestWindow::TestWindow;
        void Notify(Notification& message) override {
            TestWindow::Notify(message);
            if (message.type == L"first") {
                auto* root = static_cast<CContainerUI*>(FindControl(L"root"));
                root->Remove(FindControl(L"okBtn"));
            }
        }
    } window(L"title.xml");
    window.Open();
    CPaintManager& pm = window.GetPaintManager();
    pm.SendNotify(window.FindControl(L"root"), L"first", 0, 0, true);
    pm.SendNotify(window.FindControl(L"okBtn"), L"second", 0, 0, true);
    pm.SendNotify(window.FindControl(L"root"), L"third", 0, 0, true);
    system.RunPending();
    EXPECT_EQ(window.Count(L"first"), 1);
    EXPECT_EQ(window.Count(L"second"), 0);
    EXPECT_EQ(window.Count(L"third"), 1);
}

TEST_F(WindowTest, NotificationsNameTheVirtualWindowOfTheirSender) {
    WriteSkin(L"virtual.xml", R"(<Window size="100,50"><HorizontalLayout name="root" virtualwnd="page">
        <Button name="b" width="40"/><Control/></HorizontalLayout></Window>)");
    struct Recording : TestWindow {
        using TestWindow::TestWindow;
        void Notify(Notification& message) override {
            virtualWindows.push_back(message.virtualWindow);
            TestWindow::Notify(message);
        }
        std::vector<std::wstring> virtualWindows;
    } window(L"virtual.xml");
    WindowHandle h = window.Open();
    system.ClickControl(h, L"b");
    ASSERT_FALSE(window.virtualWindows.empty());
    EXPECT_EQ(window.virtualWindows.back(), L"page");
    // A queued one learns it on delivery.
    window.GetPaintManager().SendNotify(window.FindControl(L"b"), L"install", 1, 0, true);
    system.RunPending();
    EXPECT_EQ(window.seen.back().type, L"install");
    EXPECT_EQ(window.virtualWindows.back(), L"page");
}
