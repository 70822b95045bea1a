#pragma once
// Windows in memory. Tests (and the render tool) drive it: they inject mouse and key input,
// advance a virtual clock that fires timers, run posted messages, and read any window's pixels.
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "skinui/backend/window_system_base.h"

namespace SkinUI {

class CControlUI;

class HeadlessWindowSystem : public WindowSystemBase {
public:
    HeadlessWindowSystem();
    ~HeadlessWindowSystem() override;

    // WindowSystem (beside the shared bookkeeping)
    bool PostMessage(WindowHandle window, UINT message, WPARAM wParam, LPARAM lParam) override;
    UiRect GetWorkArea(WindowHandle) const override { return m_workArea; }
    void Present(WindowHandle window, const Bitmap& pixels, const UiRect& area) override;
    using WindowSystem::Present;
    void SetCursor(CursorShape shape) override { m_cursor = shape; }
    CursorShape Cursor() const { return m_cursor; }
    void SetCapture(WindowHandle window) override { m_capture = window; }
    void ReleaseCapture() override { m_capture = nullptr; }
    void SetTimer(WindowHandle window, UINT id, UINT elapse) override;
    void KillTimer(WindowHandle window, UINT id) override;
    bool HasLayeredWindows() const override { return m_layeredWindows; }
    // Tests pretend a system without translucent windows.
    void SetLayeredWindows(bool available) { m_layeredWindows = available; }
    void ShowSystemMessage(const std::wstring& text, const std::wstring& title) override {
        RecordSystemMessage(text, title);
    }
    // An in-memory clipboard; keys held and text input are only recorded.
    std::wstring GetClipboardText() const override { return m_clipboard; }
    bool SetClipboardText(const std::wstring& text) override {
        m_clipboard = text;
        return true;
    }
    bool IsKeyDown(WPARAM virtualKey) const override { return m_heldKeys.count(virtualKey) != 0; }
    void StartTextInput(WindowHandle window, const UiRect& caret) override {
        m_textInput = window;
        m_textInputCaret = caret;
    }
    void StopTextInput() override {
        m_textInput = nullptr;
        m_composition.clear();
    }
    std::wstring GetCompositionText() const override { return m_composition; }

    // Utils::MessageSource: one posted message, else one pending paint, else the idle hook,
    // else a wait for a message from another thread.
    bool WindowExists(WindowHandle window) override { return IsWindow(window); }
    Utils::PumpStep PumpOne(std::uint32_t waitMilliseconds) override;

    // Driving it. Coordinates are client coordinates of the window.
    void RunPending();  // posted messages and paints, until none is left
    void MouseMove(WindowHandle window, int x, int y);
    void MouseDown(WindowHandle window, int x, int y);
    void MouseUp(WindowHandle window, int x, int y);
    void Click(WindowHandle window, int x, int y);
    // The pointer left the window.
    void MouseLeave(WindowHandle window);
    // The wheel turned over a point: 120 a notch, forward (away from the user) positive.
    void MouseWheel(WindowHandle window, int x, int y, int delta);
    // Clicks the centre of a control; false when it is not visible on its window.
    bool ClickControl(WindowHandle window, const CControlUI* control);
    // The same for the control of that name in the window.
    bool ClickControl(WindowHandle window, const std::wstring& name);
    // A key press; with VK_MENU held (HoldKey) it arrives as WM_SYSKEYDOWN, as Alt+key does.
    void KeyDown(WindowHandle window, WPARAM key);
    void Char(WindowHandle window, wchar_t character);
    // Keys held from now on (VK_SHIFT, VK_CONTROL, VK_MENU) until released.
    void HoldKey(WPARAM virtualKey, bool down);
    // Text as the input method composes it (WM_IME_COMPOSITION), an empty text ends the
    // composition (WM_IME_ENDCOMPOSITION); committed text arrives as Char.
    void Compose(WindowHandle window, const std::wstring& text);
    // The window taking text input (null when none) and where its caret was then.
    WindowHandle TextInputWindow() const { return m_textInput; }
    UiRect TextInputCaret() const { return m_textInputCaret; }
    // Moves the virtual clock on, firing every timer that falls due on the way, in order.
    void AdvanceTime(std::uint32_t milliseconds);
    std::uint64_t Now() const { return m_now; }
    // The window's presented pixels after pending paints.
    Bitmap Snapshot(WindowHandle window);
    // The window drawn over the layered windows it owns (its shadow) and under the popups it
    // owns (a drop-down list), as a screen would show them: a picture of everything's bounds.
    Bitmap Composite(WindowHandle window);
    bool WritePng(WindowHandle window, const std::wstring& path);
    // How many times the window presented pixels, and the area of the last time.
    int PresentCount(WindowHandle window) const;
    UiRect LastPresented(WindowHandle window) const;
    // The icon the window shows (empty when none was set).
    Bitmap Icon(WindowHandle window) const;
    // Called when the pump has nothing to do (a modal loop waiting for the user); returns
    // false when it did nothing either.
    void SetIdleHook(std::function<bool()> hook) { m_idleHook = std::move(hook); }

    bool HasTimer(WindowHandle window, UINT id) const;

private:
    struct Timer {
        std::uint64_t period;
        std::uint64_t due;
    };
    struct HeadlessWindow : WindowRecord {
        std::map<UINT, Timer> timers;
        int presents = 0;
        UiRect lastPresented;
    };
    struct Posted {
        WindowHandle window;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };

    std::unique_ptr<WindowRecord> NewRecord() override { return std::make_unique<HeadlessWindow>(); }
    HeadlessWindow* FindHeadless(WindowHandle window) { return static_cast<HeadlessWindow*>(Find(window)); }
    const HeadlessWindow* FindHeadless(WindowHandle window) const {
        return static_cast<const HeadlessWindow*>(Find(window));
    }
    bool DispatchPosted(bool& quit);

    mutable std::mutex m_queueMutex;
    std::condition_variable m_queueSignal;
    std::deque<Posted> m_queue;

    UiRect m_workArea{0, 0, 1920, 1040};
    bool m_layeredWindows = true;
    std::uint64_t m_now = 0;
    std::function<bool()> m_idleHook;
    CursorShape m_cursor = CursorShape::Arrow;
    std::wstring m_clipboard, m_composition;
    std::set<WPARAM> m_heldKeys;
    WindowHandle m_textInput = nullptr;
    UiRect m_textInputCaret;
};

}  // namespace SkinUI
