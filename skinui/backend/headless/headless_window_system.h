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

#include "skinui/backend/window_system.h"

namespace SkinUI {

class CControlUI;

class HeadlessWindowSystem : public WindowSystem {
public:
    HeadlessWindowSystem();
    ~HeadlessWindowSystem() override;

    // WindowSystem
    WindowHandle CreateWindow(WindowProcedure* procedure, WindowHandle parent, const std::wstring& title,
                              std::uint32_t style, std::uint32_t exStyle, UiRect rect) override;
    void DestroyWindow(WindowHandle window) override;
    bool IsWindow(WindowHandle window) const override;
    LRESULT SendMessage(WindowHandle window, UINT message, WPARAM wParam, LPARAM lParam) override;
    bool PostMessage(WindowHandle window, UINT message, WPARAM wParam, LPARAM lParam) override;
    void PostQuitMessage(int exitCode) override;
    LRESULT DefWindowProc(WindowHandle window, UINT message, WPARAM wParam, LPARAM lParam) override;
    void ShowWindow(WindowHandle window, ShowCommand command) override;
    bool IsVisible(WindowHandle window) const override;
    bool IsMinimized(WindowHandle window) const override;
    bool IsMaximized(WindowHandle window) const override;
    void EnableWindow(WindowHandle window, bool enable) override;
    bool IsEnabled(WindowHandle window) const override;
    void SetFocus(WindowHandle window) override;
    WindowHandle GetFocus() const override { return m_focus; }
    void SetForeground(WindowHandle window) override;
    WindowHandle GetParent(WindowHandle window) const override;
    void SetTitle(WindowHandle window, const std::wstring& title) override;
    std::uint32_t GetStyle(WindowHandle window) const override;
    void SetStyle(WindowHandle window, std::uint32_t style, std::uint32_t exStyle) override;
    UiRect GetWindowRect(WindowHandle window) const override;
    void MoveWindow(WindowHandle window, const UiRect& rect) override;
    UiRect GetWorkArea(WindowHandle) const override { return m_workArea; }
    void SetRoundRegion(WindowHandle window, int ellipseWidth, int ellipseHeight) override;
    void Invalidate(WindowHandle window) override;
    void Present(WindowHandle window, const Bitmap& pixels) override;
    void SetCursor(CursorShape shape) override { m_cursor = shape; }
    CursorShape Cursor() const { return m_cursor; }
    void SetCapture(WindowHandle window) override { m_capture = window; }
    void ReleaseCapture() override { m_capture = nullptr; }
    void SetTimer(WindowHandle window, UINT id, UINT elapse) override;
    void KillTimer(WindowHandle window, UINT id) override;
    bool HasLayeredWindows() const override { return true; }
    void ShowSystemMessage(const std::wstring& text, const std::wstring& title) override;
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
    // Clicks the centre of a control; false when it is not visible on its window.
    bool ClickControl(WindowHandle window, const CControlUI* control);
    // The same for the control of that name in the window.
    bool ClickControl(WindowHandle window, const std::wstring& name);
    void KeyDown(WindowHandle window, WPARAM key);
    void Char(WindowHandle window, wchar_t character);
    // Keys held from now on (VK_SHIFT, VK_CONTROL) until released.
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
    bool WritePng(WindowHandle window, const std::wstring& path);
    // Called when the pump has nothing to do (a modal loop waiting for the user); returns
    // false when it did nothing either.
    void SetIdleHook(std::function<bool()> hook) { m_idleHook = std::move(hook); }

    const std::vector<std::pair<std::wstring, std::wstring>>& SystemMessages() const { return m_systemMessages; }
    bool QuitPosted() const { return m_quitPosted; }
    int QuitCode() const { return m_quitCode; }
    std::vector<WindowHandle> Windows() const;
    WindowHandle ForegroundWindow() const { return m_foreground; }
    bool HasTimer(WindowHandle window, UINT id) const;
    UiSize RoundRegion(WindowHandle window) const;

private:
    struct Timer {
        std::uint64_t period;
        std::uint64_t due;
    };
    struct Window {
        WindowProcedure* procedure = nullptr;
        WindowHandle parent = nullptr;
        std::wstring title;
        std::uint32_t style = 0, exStyle = 0;
        UiRect rect, restoreRect;
        bool visible = false, enabled = true, minimized = false, maximized = false, invalid = true;
        UiSize round;
        Bitmap screen;
        std::map<UINT, Timer> timers;
    };
    struct Posted {
        WindowHandle window;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    struct Drag {
        WindowHandle window = nullptr;
        UiPoint start;
        UiRect rect;
    };

    Window* Find(WindowHandle window);
    const Window* Find(WindowHandle window) const;
    bool DispatchPosted(bool& quit);
    bool PaintOne();
    LRESULT Input(WindowHandle window, UINT message, WPARAM wParam, LPARAM lParam);

    std::map<WindowHandle, std::unique_ptr<Window>> m_windows;
    std::uintptr_t m_nextHandle = 0x1000;
    std::vector<WindowHandle> m_order;  // creation order, for paints

    mutable std::mutex m_queueMutex;
    std::condition_variable m_queueSignal;
    std::deque<Posted> m_queue;

    WindowHandle m_focus = nullptr, m_foreground = nullptr, m_capture = nullptr;
    Drag m_drag;
    UiRect m_workArea{0, 0, 1920, 1040};
    std::uint64_t m_now = 0;
    std::function<bool()> m_idleHook;
    std::vector<std::pair<std::wstring, std::wstring>> m_systemMessages;
    CursorShape m_cursor = CursorShape::Arrow;
    std::wstring m_clipboard, m_composition;
    std::set<WPARAM> m_heldKeys;
    WindowHandle m_textInput = nullptr;
    UiRect m_textInputCaret;
    bool m_quitPosted = false;
    int m_quitCode = 0;
};

}  // namespace SkinUI
