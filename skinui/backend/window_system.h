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

enum class ShowCommand { Hide, Show, ShowNoActivate, Minimize, Maximize, Restore };

class WindowSystem : public Utils::MessageSource {
public:
    // Sends WM_CREATE (a result of -1 destroys the window again and gives null) and, with
    // WS_VISIBLE, shows it. x or y CW_USEDEFAULT places the window where the system likes.
    virtual WindowHandle CreateWindow(WindowProcedure* procedure, WindowHandle parent, const std::wstring& title,
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
    virtual void SetStyle(WindowHandle window, std::uint32_t style, std::uint32_t exStyle) = 0;

    // Screen coordinates; the client area is the whole window (no system frame).
    virtual UiRect GetWindowRect(WindowHandle window) const = 0;
    virtual void MoveWindow(WindowHandle window, const UiRect& rect) = 0;
    virtual UiRect GetWorkArea(WindowHandle window) const = 0;
    // The window's shape: a rounded rectangle with this ellipse (0, 0: rectangular).
    virtual void SetRoundRegion(WindowHandle window, int ellipseWidth, int ellipseHeight) = 0;

    // The window needs painting: a WM_PAINT follows when the pump is idle.
    virtual void Invalidate(WindowHandle window) = 0;
    virtual void Present(WindowHandle window, const Bitmap& pixels) = 0;

    // The pointer's shape while it is over the window's client area.
    virtual void SetCursor(CursorShape shape) = 0;
    virtual void SetCapture(WindowHandle window) = 0;
    virtual void ReleaseCapture() = 0;
    virtual void SetTimer(WindowHandle window, UINT id, UINT elapse) = 0;
    virtual void KillTimer(WindowHandle window, UINT id) = 0;
    // Whether click-through translucent windows (shadows) are possible.
    virtual bool HasLayeredWindows() const = 0;

    // The window's icon from the program's icon resource of this id; false where there is none
    // or the system shows no icons.
    virtual bool SetIcon(WindowHandle window, int resourceId) {
        (void)window;
        (void)resourceId;
        return false;
    }

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
