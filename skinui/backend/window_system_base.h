#pragma once
// The window bookkeeping every back end keeps alike: the table of windows in creation order,
// creation and destruction (owned windows first), delivery of messages through the windows'
// hooks, showing, moving, styles, activation and focus, the damage waiting for a paint, the
// caption drag a back end draws along itself, icons and layered windows. A back end adds its
// native side through the Native* hooks and its own input and pump.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "skinui/backend/window_system.h"

namespace SkinUI {

class WindowSystemBase : public WindowSystem {
public:
    WindowSystemBase() = default;
    WindowSystemBase(const WindowSystemBase&) = delete;
    WindowSystemBase& operator=(const WindowSystemBase&) = delete;

    WindowHandle CreateNativeWindow(WindowProcedure* procedure, WindowHandle parent, const std::wstring& title,
                              std::uint32_t style, std::uint32_t exStyle, UiRect rect) override;
    void DestroyWindow(WindowHandle window) override;
    bool IsWindow(WindowHandle window) const override;
    LRESULT SendMessage(WindowHandle window, UINT message, WPARAM wParam, LPARAM lParam) override;
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
    WindowHandle GetActiveWindow() const override { return m_active; }
    WindowHandle GetParent(WindowHandle window) const override;
    void SetTitle(WindowHandle window, const std::wstring& title) override;
    std::uint32_t GetStyle(WindowHandle window) const override;
    std::uint32_t GetExStyle(WindowHandle window) const override;
    void SetStyle(WindowHandle window, std::uint32_t style) override;
    void SetExStyle(WindowHandle window, std::uint32_t exStyle) override;
    void AddMessageHook(WindowHandle window, MessageHook* hook) override;
    void RemoveMessageHook(WindowHandle window, MessageHook* hook) override;
    UiRect GetWindowRect(WindowHandle window) const override;
    void MoveWindow(WindowHandle window, const UiRect& rect) override;
    void SetRoundRegion(WindowHandle window, int ellipseWidth, int ellipseHeight) override;
    UiSize GetRoundRegion(WindowHandle window) const override;
    void InvalidateRect(WindowHandle window, const UiRect& rect) override;
    UiRect BeginPaint(WindowHandle window) override;
    bool UpdateLayeredWindow(WindowHandle window, const UiRect& rect, const Bitmap& pixels) override;
    bool SetIcon(WindowHandle window, int resourceId) override;
    // The icon from a decoded image; false when the window or the image is unusable.
    bool SetIcon(WindowHandle window, const Bitmap& image);

    // For tests and tools.
    std::vector<WindowHandle> Windows() const { return m_order; }
    bool QuitPosted() const { return m_quitPosted; }
    int QuitCode() const { return m_quitCode; }
    const std::vector<std::pair<std::wstring, std::wstring>>& SystemMessages() const { return m_systemMessages; }
    // What a layered window shows (empty for other windows).
    Bitmap LayeredPixels(WindowHandle window) const;

protected:
    struct WindowRecord {
        virtual ~WindowRecord() = default;
        WindowProcedure* procedure = nullptr;
        WindowHandle parent = nullptr;
        std::wstring title;
        std::uint32_t style = 0, exStyle = 0;
        UiRect rect, restoreRect;
        bool visible = false, enabled = true, minimized = false, maximized = false;
        UiSize round;
        UiRect damage;    // client coordinates; empty when nothing waits for a paint
        UiRect painting;  // the damage of the WM_PAINT being handled
        std::vector<MessageHook*> hooks;
        Bitmap layered;    // a layered window's contents
        Bitmap presented;  // what the window shows: its pixels as last presented
        Bitmap icon;
        bool IsLayered() const { return (exStyle & WS_EX_LAYERED) != 0; }
        bool TakesActivation() const { return (exStyle & (WS_EX_NOACTIVATE | WS_EX_LAYERED)) == 0; }
    };
    struct Drag {
        WindowHandle window = nullptr;
        UiPoint start;
        UiRect rect;
    };

    // Derived back ends destroy their windows in their own destructor, while the hooks below
    // still reach them.
    void DestroyAllWindows();

    WindowRecord* Find(WindowHandle window);
    const WindowRecord* Find(WindowHandle window) const;

    // Takes the given part of a window's new pixels into what it shows and returns the part to
    // put on the screen: all of it when the size changed.
    static UiRect KeepPresented(WindowRecord& window, const Bitmap& pixels, const UiRect& area);

    // The back end's native side of a window. NewRecord gives the back end's own record kind.
    virtual std::unique_ptr<WindowRecord> NewRecord() { return std::make_unique<WindowRecord>(); }
    virtual bool NativeCreate(WindowRecord&) { return true; }
    virtual void NativeDestroy(WindowHandle, WindowRecord&) {}
    virtual void NativeShow(WindowRecord&, ShowCommand) {}
    // The record's rect has changed; moved and resized tell how.
    virtual void NativeMove(WindowRecord&, bool moved, bool resized) {
        (void)moved;
        (void)resized;
    }
    virtual void NativeTopmost(WindowRecord&, bool topmost) { (void)topmost; }
    virtual void NativeRegion(WindowRecord&) {}
    virtual void NativeTitle(WindowRecord&) {}
    virtual void NativeRaise(WindowRecord&) {}
    virtual bool NativeIcon(WindowRecord&) { return true; }
    virtual void NativeLayered(WindowRecord&) {}
    // Input for a disabled window was refused.
    virtual void InputRefused(WindowHandle, UINT) {}
    virtual void CaptureLost() {}

    // Sends WM_PAINT to the first window with damage; false when none has any. Windows that are
    // hidden are painted only when paintHidden is set.
    bool PaintOne(bool paintHidden);
    // A posted message taken from the queue: a quit is recorded, a message for a window that is
    // gone is dropped, the rest goes through the pre-translate hooks to the window.
    void DeliverPosted(WindowHandle window, UINT message, WPARAM wParam, LPARAM lParam, bool& quit);
    // Input for a window: refused while the window is disabled; the pre-translate hooks first.
    LRESULT Input(WindowHandle window, UINT message, WPARAM wParam, LPARAM lParam);
    // A left button press at a client point: a caption press starts a drag, a client press is
    // input (as message, with wParam).
    void PressAt(WindowHandle window, int x, int y, UINT message, WPARAM wParam);
    // The pointer moved to a client point of a window being dragged: the window follows. False
    // when that window is not being dragged.
    bool DragTo(WindowHandle window, int x, int y);
    // Ends a drag (WM_EXITSIZEMOVE); false when none was running.
    bool EndDrag();
    // The active window becomes this one (WM_ACTIVATE to the old and the new).
    void Activate(WindowHandle window);
    // Keyboard focus without raising anything (WM_KILLFOCUS, WM_SETFOCUS).
    void SetFocusTo(WindowHandle window);
    // The last visible, enabled window owned by this one that takes activation (a modal box).
    WindowHandle OwnedBox(WindowHandle owner) const;
    void RecordSystemMessage(const std::wstring& text, const std::wstring& title) {
        m_systemMessages.emplace_back(text, title);
    }

    std::map<WindowHandle, std::unique_ptr<WindowRecord>> m_windows;
    std::vector<WindowHandle> m_order;  // creation order, for paints
    WindowHandle m_focus = nullptr, m_active = nullptr, m_capture = nullptr;
    Drag m_drag;
    UiRect m_defaultRect{100, 100, 740, 580};
    bool m_quitPosted = false;
    int m_quitCode = 0;

private:
    LRESULT Deliver(WindowHandle handle, WindowProcedure* procedure, UINT message, WPARAM wParam, LPARAM lParam);
    void Forget(WindowHandle handle);

    std::uintptr_t m_nextHandle = 0x1000;
    std::vector<std::pair<std::wstring, std::wstring>> m_systemMessages;
};

}  // namespace SkinUI
