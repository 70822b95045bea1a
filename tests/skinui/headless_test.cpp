#include <gtest/gtest.h>

#include <thread>

#include "skinui/backend/headless/headless_window_system.h"
#include "utils/message_pump.h"

using namespace SkinUI;

namespace {

// A bare window procedure that records what it receives.
class Recorder : public WindowProcedure {
public:
    LRESULT WindowProc(WindowHandle window, UINT message, WPARAM wParam, LPARAM lParam) override {
        received.push_back({message, wParam});
        if (message == WM_CREATE && failCreate) return -1;
        if (message == WM_NCHITTEST) return hit;
        if (onMessage) onMessage(message, wParam);
        return GetWindowSystem()->DefWindowProc(window, message, wParam, lParam);
    }
    int Count(UINT message) const {
        int n = 0;
        for (auto& r : received) n += r.first == message;
        return n;
    }
    std::vector<std::pair<UINT, WPARAM>> received;
    bool failCreate = false;
    LRESULT hit = HTCLIENT;
    std::function<void(UINT, WPARAM)> onMessage;
};

class HeadlessTest : public ::testing::Test {
protected:
    HeadlessTest() { SetWindowSystem(&system); }
    ~HeadlessTest() override {
        for (WindowHandle w : system.Windows()) system.DestroyWindow(w);
        SetWindowSystem(nullptr);
    }
    // Recorders outlive the windows they serve.
    Recorder recorder, owner, owned;
    HeadlessWindowSystem system;
};

}  // namespace

TEST_F(HeadlessTest, CreationFailureLeavesNoWindow) {
    recorder.failCreate = true;
    EXPECT_FALSE(system.CreateNativeWindow(&recorder, nullptr, L"x", WS_VISIBLE, 0, {0, 0, 10, 10}));
    EXPECT_TRUE(system.Windows().empty());
    EXPECT_EQ(recorder.Count(WM_DESTROY), 1);
    EXPECT_EQ(recorder.Count(WM_NCDESTROY), 1);
}

TEST_F(HeadlessTest, PostedMessagesArriveInOrderFromAnyThread) {
    WindowHandle w = system.CreateNativeWindow(&recorder, nullptr, L"x", 0, 0, {0, 0, 10, 10});
    std::thread a([&] {
        for (int i = 0; i < 500; ++i) system.PostMessage(w, WM_USER + 1000, i, 0);
    });
    a.join();
    system.RunPending();
    std::vector<WPARAM> values;
    for (auto& [message, wParam] : recorder.received) {
        if (message == WM_USER + 1000) values.push_back(wParam);
    }
    ASSERT_EQ(values.size(), 500u);
    for (std::size_t i = 0; i < values.size(); ++i) EXPECT_EQ(values[i], i);
}

TEST_F(HeadlessTest, QuitEndsTheInnerPumpAndReachesTheOuterOne) {
    WindowHandle w = system.CreateNativeWindow(&recorder, nullptr, L"x", 0, 0, {0, 0, 10, 10});
    system.RunPending();
    system.PostQuitMessage(3);
    EXPECT_EQ(system.PumpOne(0), Utils::PumpStep::Quit);  // inner loop ends
    EXPECT_EQ(system.PumpOne(0), Utils::PumpStep::Quit);  // and the outer one sees it too
    EXPECT_EQ(system.QuitCode(), 3);
    EXPECT_TRUE(system.IsWindow(w));
}

TEST_F(HeadlessTest, ShortPumpStopsWhenTheWindowGoes) {
    WindowHandle w = system.CreateNativeWindow(&recorder, nullptr, L"x", 0, 0, {0, 0, 10, 10});
    system.PostMessage(w, WM_CLOSE, 0, 0);
    // The shared pump of the utilities runs this back end's messages.
    EXPECT_FALSE(Utils::PumpMessages(w));
    EXPECT_FALSE(system.IsWindow(w));
}

TEST_F(HeadlessTest, DisabledWindowsTakeNoInput) {
    WindowHandle w = system.CreateNativeWindow(&recorder, nullptr, L"x", WS_VISIBLE, 0, {0, 0, 100, 100});
    system.EnableWindow(w, false);
    system.Click(w, 5, 5);
    system.KeyDown(w, VK_ESCAPE);
    EXPECT_EQ(recorder.Count(WM_LBUTTONDOWN), 0);
    EXPECT_EQ(recorder.Count(WM_KEYDOWN), 0);
    system.EnableWindow(w, true);
    system.Click(w, 5, 5);
    EXPECT_EQ(recorder.Count(WM_LBUTTONDOWN), 1);
    EXPECT_EQ(recorder.Count(WM_LBUTTONUP), 1);
}

TEST_F(HeadlessTest, SystemCommandsMinimiseMaximiseRestoreAndClose) {
    WindowHandle w = system.CreateNativeWindow(&recorder, nullptr, L"x", WS_VISIBLE, 0, {10, 20, 110, 70});
    system.SendMessage(w, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    EXPECT_TRUE(system.IsMaximized(w));
    EXPECT_EQ(system.GetWindowRect(w), system.GetWorkArea(w));
    system.SendMessage(w, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_FALSE(system.IsMaximized(w));
    EXPECT_EQ(system.GetWindowRect(w), (UiRect{10, 20, 110, 70}));
    system.SendMessage(w, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(system.IsMinimized(w));
    system.SendMessage(w, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(recorder.Count(WM_CLOSE), 1);
    EXPECT_FALSE(system.IsWindow(w));
}

TEST_F(HeadlessTest, TimersFireInDueOrderOnTheVirtualClockAndLongPeriodsAreCapped) {
    WindowHandle w = system.CreateNativeWindow(&recorder, nullptr, L"x", 0, 0, {0, 0, 10, 10});
    system.SetTimer(w, 1, 30);
    system.SetTimer(w, 2, 50);
    system.SetTimer(w, 3, 0xFFFFFFFF);
    system.AdvanceTime(100);
    std::vector<WPARAM> fired;
    for (auto& [message, wParam] : recorder.received) {
        if (message == WM_TIMER) fired.push_back(wParam);
    }
    EXPECT_EQ(fired, (std::vector<WPARAM>{1, 2, 1, 1, 2}));  // 30, 50, 60, 90, 100
    EXPECT_EQ(system.Now(), 100u);
    system.KillTimer(w, 1);
    system.KillTimer(w, 2);
    system.AdvanceTime(0x7FFFFFFF - 100);
    EXPECT_EQ(recorder.Count(WM_TIMER), 6);
}

TEST_F(HeadlessTest, OwnedWindowsAreDestroyedWithTheirOwner) {
    WindowHandle a = system.CreateNativeWindow(&owner, nullptr, L"a", 0, 0, {0, 0, 10, 10});
    WindowHandle b = system.CreateNativeWindow(&owned, a, L"b", 0, 0, {0, 0, 10, 10});
    EXPECT_EQ(system.GetParent(b), a);
    system.DestroyWindow(a);
    EXPECT_FALSE(system.IsWindow(b));
    EXPECT_EQ(owned.Count(WM_NCDESTROY), 1);
}

TEST_F(HeadlessTest, PaintsOnlyWhenInvalidated) {
    WindowHandle w = system.CreateNativeWindow(&recorder, nullptr, L"x", WS_VISIBLE, 0, {0, 0, 10, 10});
    system.RunPending();
    int paints = recorder.Count(WM_PAINT);
    EXPECT_EQ(paints, 1);
    system.RunPending();
    EXPECT_EQ(recorder.Count(WM_PAINT), paints);
    system.Invalidate(w);
    system.Invalidate(w);
    system.RunPending();
    EXPECT_EQ(recorder.Count(WM_PAINT), paints + 1);
}
