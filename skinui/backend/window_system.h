#pragma once
// What the framework needs of a window system. A back end creates windows, delivers their
// messages (Windows message numbers, see ui_types.h) to a window procedure, shows the bitmaps
// the framework paints, and runs timers and an event pump that can nest for modal loops.
// Back ends: headless (in memory, driven by tests) and, later, real windows.
#include <cstdint>
#include <string>

#include "skinui/render/bitmap.h"
#include "skinui/ui_types.h"
#include "utils/message_pump.h"

namespace SkinUI {

class WindowProcedure {
public:
    virtual ~WindowProcedure() = default;
    virtual LRESULT WindowProc(WindowHandle window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
};

// Sees every message of a window before the window's procedure does, the last ones
// (WM_DESTROY, WM_NCDESTROY) included. A window's shadow follows it this way.
class MessageHook {
public:
    virtual ~MessageHook() = default;
    virtual void BeforeMessage(WindowHandle window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
};

enum class ShowCommand { Hide, Show, ShowNoActivate, Minimize, Maximize, Restore };

class WindowSystem : public Utils::MessageSource {
public:
    // Sends WM_CREATE (a result of -1 destroys the window again and gives null) and, with
    // WS_VISIBLE, shows it. x or y CW_USEDEFAULT places the window where the system likes.
    // WS_EX_NOACTIVATE makes a window that is never activated nor focused (a popup list);
    // WS_EX_LAYERED a window shown only through UpdateLayeredWindow (a shadow).
    virtual WindowHandle CreateNativeWindow(WindowProcedure* procedure, WindowHandle parent, const std::wstring& title,
                                      std::uint32_t style, std::uint32_t exStyle, UiRect rect) = 0;
    // Sends WM_DESTROY and WM_NCDESTROY; the handle is invalid afterwards.
    virtual void DestroyWindow(WindowHandle window) = 0;
    virtual bool IsWindow(WindowHandle window) const = 0;
    virtual LRESULT SendMessage(WindowHandle window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // Safe from any thread.
    virtual bool PostMessage(WindowHandle window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
    virtual void PostQuitMessage(int exitCode) = 0;
    // What a window procedure does not handle: close destroys, system commands act.
    virtual LRESULT DefWindowProc(WindowHandle window, UINT message, WPARAM wParam, LPARAM lParam) = 0;

    virtual void ShowWindow(WindowHandle window, ShowCommand command) = 0;
    virtual bool IsVisible(WindowHandle window) const = 0;
    virtual bool IsMinimized(WindowHandle window) const = 0;
    virtual bool IsMaximized(WindowHandle window) const = 0;
    virtual void EnableWindow(WindowHandle window, bool enable) = 0;
    virtual bool IsEnabled(WindowHandle window) const = 0;
    virtual void SetFocus(WindowHandle window) = 0;
    virtual WindowHandle GetFocus() const = 0;
    virtual void SetForeground(WindowHandle window) = 0;
    virtual WindowHandle GetParent(WindowHandle window) const = 0;
    virtual void SetTitle(WindowHandle window, const std::wstring& title) = 0;
    virtual std::uint32_t GetStyle(WindowHandle window) const = 0;
    virtual std::uint32_t GetExStyle(WindowHandle window) const = 0;
    virtual void SetStyle(WindowHandle window, std::uint32_t style) = 0;
    // WS_EX_TOPMOST keeps the window above the others; the other bits are kept as given.
    virtual void SetExStyle(WindowHandle window, std::uint32_t exStyle) = 0;
    // The window that is active (takes the keyboard's windows-level focus); null when none.
    virtual WindowHandle GetActiveWindow() const = 0;
    virtual void AddMessageHook(WindowHandle window, MessageHook* hook) = 0;
    virtual void RemoveMessageHook(WindowHandle window, MessageHook* hook) = 0;

    // Screen coordinates; the client area is the whole window (no system frame).
    virtual UiRect GetWindowRect(WindowHandle window) const = 0;
    virtual void MoveWindow(WindowHandle window, const UiRect& rect) = 0;
    virtual UiRect GetWorkArea(WindowHandle window) const = 0;
    // The window's shape: a rounded rectangle with this ellipse (0, 0: rectangular).
    virtual void SetRoundRegion(WindowHandle window, int ellipseWidth, int ellipseHeight) = 0;
    virtual UiSize GetRoundRegion(WindowHandle window) const = 0;

    // A part of the window (client coordinates) needs painting: a WM_PAINT follows when the
    // pump is idle. Damage adds up until the paint.
    virtual void InvalidateRect(WindowHandle window, const UiRect& rect) = 0;
    void Invalidate(WindowHandle window) { InvalidateRect(window, {0, 0, 0x7FFFFFF, 0x7FFFFFF}); }
    // Inside WM_PAINT: the damaged area being painted (clipped to the window), validated.
    virtual UiRect BeginPaint(WindowHandle window) = 0;
    // Shows the part of the window's bitmap inside the area (client coordinates).
    virtual void Present(WindowHandle window, const Bitmap& pixels, const UiRect& area) = 0;
    void Present(WindowHandle window, const Bitmap& pixels) { Present(window, pixels, pixels.Bounds()); }
    // A layered window's place and per-pixel-alpha contents in one step; false when the window
    // is not layered or the pixels do not fit the place.
    virtual bool UpdateLayeredWindow(WindowHandle window, const UiRect& rect, const Bitmap& pixels) = 0;

    // The pointer's shape while it is over the window's client area.
    virtual void SetCursor(CursorShape shape) = 0;
    virtual void SetCapture(WindowHandle window) = 0;
    virtual void ReleaseCapture() = 0;
    virtual void SetTimer(WindowHandle window, UINT id, UINT elapse) = 0;
    virtual void KillTimer(WindowHandle window, UINT id) = 0;
    // Whether click-through translucent windows (shadows) are possible.
    virtual bool HasLayeredWindows() const = 0;

    // The window's icon from the program's icon resource of this id (type "ICON"); false where
    // there is none.
    virtual bool SetIcon(WindowHandle window, int resourceId) = 0;

    // Text entry. The clipboard as text (empty when it holds none).
    virtual std::wstring GetClipboardText() const = 0;
    virtual bool SetClipboardText(const std::wstring& text) = 0;
    // Whether a key (VK_SHIFT, VK_CONTROL, VK_MENU) is held down now.
    virtual bool IsKeyDown(WPARAM virtualKey) const = 0;
    // Typing into an edit: the input method places its candidate box by the caret (client
    // coordinates of the window). Committed text arrives as WM_CHAR; text still being composed
    // as WM_IME_COMPOSITION (its caret in wParam, the text from GetCompositionText) and its end
    // as WM_IME_ENDCOMPOSITION.
    virtual void StartTextInput(WindowHandle window, const UiRect& caret) = 0;
    virtual void StopTextInput() = 0;
    virtual std::wstring GetCompositionText() const = 0;

    // A system message box (the framework's last words before it ends the process).
    virtual void ShowSystemMessage(const std::wstring& text, const std::wstring& title) = 0;
};

// The process's window system; null until a back end is installed.
WindowSystem* GetWindowSystem();
void SetWindowSystem(WindowSystem* system);

// How the framework ends the process after a fatal skin error. Tests replace it.
using ExitHandler = void (*)(int exitCode);
void SetExitHandler(ExitHandler handler);
void ExitProcess(int exitCode);

}  // namespace SkinUI
