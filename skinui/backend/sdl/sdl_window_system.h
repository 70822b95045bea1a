#pragma once
// Real windows through SDL2. Every window is borderless and shows the framework's bitmap one to
// one through a streaming texture; SDL's input, window and timer events become the Windows
// messages the framework is written against, and posted messages travel through SDL's event
// queue, so that nested pumps (modal boxes) see them in the order they were posted.
// One instance at a time: SDL is process-wide, and the instance owns its initialisation.
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "skinui/backend/window_system.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
struct SDL_Cursor;
union SDL_Event;

namespace SkinUI {

class SdlWindowSystem : public WindowSystem {
public:
    // Opens the video and timer subsystems; IsReady() and Error() tell whether that worked.
    SdlWindowSystem();
    ~SdlWindowSystem() override;
    SdlWindowSystem(const SdlWindowSystem&) = delete;
    SdlWindowSystem& operator=(const SdlWindowSystem&) = delete;

    bool IsReady() const { return m_ready; }
    // Why the display could not be opened or the last window could not be made.
    const std::wstring& Error() const { return m_error; }

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
    UiRect GetWorkArea(WindowHandle window) const override;
    void SetRoundRegion(WindowHandle window, int ellipseWidth, int ellipseHeight) override;
    void Invalidate(WindowHandle window) override;
    void Present(WindowHandle window, const Bitmap& pixels) override;
    void SetCursor(CursorShape shape) override;
    void SetCapture(WindowHandle window) override;
    void ReleaseCapture() override;
    void SetTimer(WindowHandle window, UINT id, UINT elapse) override;
    void KillTimer(WindowHandle window, UINT id) override;
    // Translucent click-through windows are not portable through SDL: shadows stay off.
    bool HasLayeredWindows() const override { return false; }
    bool SetIcon(WindowHandle window, int resourceId) override { return SetIconFromResource(window, resourceId); }
    void ShowSystemMessage(const std::wstring& text, const std::wstring& title) override;

    // Utils::MessageSource: one queued event, else one pending paint, else a wait.
    bool WindowExists(WindowHandle window) override { return IsWindow(window); }
    Utils::PumpStep PumpOne(std::uint32_t waitMilliseconds) override;

    // Handles queued events and paints until none is left, without waiting. A quit message is
    // only recorded.
    void RunPending();
    // The window icon from a decoded image; false when the window or the image is unusable.
    bool SetIcon(WindowHandle window, const Bitmap& image);
    // The icon linked into the program as resource type "ICON" with this id (a PNG), if any.
    bool SetIconFromResource(WindowHandle window, int resourceId);

    // Text entry.
    std::wstring GetClipboardText() const override;
    bool SetClipboardText(const std::wstring& text) override;
    bool IsKeyDown(WPARAM virtualKey) const override;
    void StartTextInput(WindowHandle window, const UiRect& caret) override;
    void StopTextInput() override;
    std::wstring GetCompositionText() const override { return m_composition; }

    // For tests and tools.
    SDL_Window* NativeWindow(WindowHandle window) const;
    WindowHandle FromNative(std::uint32_t windowId) const;
    // What the window's texture holds, read back through the renderer.
    Bitmap ReadBack(WindowHandle window);
    // The bitmap last presented.
    Bitmap Presented(WindowHandle window) const;
    WindowHandle Capture() const { return m_capture; }
    bool IsShaped(WindowHandle window) const;
    // The framework's answer for a point of a native window (SDL asks it for caption drags).
    LRESULT NonClientHitTest(SDL_Window* native, int x, int y);
    UiSize RoundRegion(WindowHandle window) const;
    bool HasTimer(WindowHandle window, UINT id) const;
    bool QuitPosted() const { return m_quitPosted; }
    int QuitCode() const { return m_quitCode; }
    std::vector<WindowHandle> Windows() const { return m_order; }
    const std::vector<std::pair<std::wstring, std::wstring>>& SystemMessages() const { return m_systemMessages; }

private:
    struct Window {
        WindowProcedure* procedure = nullptr;
        WindowHandle parent = nullptr;
        std::uint32_t style = 0, exStyle = 0;
        UiRect rect, restoreRect;
        bool visible = false, enabled = true, minimized = false, maximized = false, invalid = true;
        UiSize round;
        SDL_Window* native = nullptr;
        SDL_Renderer* renderer = nullptr;
        SDL_Texture* texture = nullptr;
        int textureWidth = 0, textureHeight = 0;
        bool shaped = false;
        Bitmap presented;
        std::map<UINT, std::uint32_t> timers;  // id -> key in the timer table
    };
    struct Drag {
        WindowHandle window = nullptr;
        UiPoint start;
        UiRect rect;
    };

    Window* Find(WindowHandle window);
    const Window* Find(WindowHandle window) const;
    bool MakeNative(Window& window, const std::wstring& title);
    void ReleaseNative(Window& window);
    void DropRenderer(Window& window);
    void ShowOnScreen(Window& window);
    bool PaintOne();
    // One SDL event; true when it was a quit message.
    bool Dispatch(const SDL_Event& event);
    void DispatchPosted(const SDL_Event& event, bool& quit);
    void DispatchTimer(const SDL_Event& event);
    void DispatchWindowEvent(const SDL_Event& event);
    void DispatchMouse(const SDL_Event& event);
    void DispatchKey(const SDL_Event& event);
    void DispatchText(const SDL_Event& event);
    void DispatchComposition(const SDL_Event& event);
    LRESULT Input(WindowHandle window, UINT message, WPARAM wParam, LPARAM lParam);
    // The window that takes mouse input for an event on this window, and the point in its
    // client coordinates.
    WindowHandle MouseTarget(WindowHandle window, int& x, int& y) const;
    void MouseButton(WindowHandle window, bool down, int button, int clicks, int x, int y);
    void SetFocusTo(WindowHandle window);
    void RaiseOwnedBox(WindowHandle owner);
    void ForgetWindowState(WindowHandle window);
    static std::uint32_t TimerCallback(std::uint32_t interval, void* parameter);

    bool m_ready = false;
    std::wstring m_error;
    std::uint32_t m_postEvent = 0;   // registered SDL event types
    std::uint32_t m_timerEvent = 0;

    std::map<WindowHandle, std::unique_ptr<Window>> m_windows;
    std::uintptr_t m_nextHandle = 0x1000;
    std::vector<WindowHandle> m_order;

    // Fired timers are looked up by key under this lock on SDL's timer thread: a timer killed
    // or set again meanwhile is not delivered.
    struct TimerEntry {
        WindowHandle window;
        UINT id;
        int sdlTimer;
        bool pending;
    };
    struct TimerTable {
        std::mutex mutex;
        std::map<std::uint32_t, TimerEntry> entries;
        std::uint32_t nextKey = 1;
        std::uint32_t eventType = 0;
    };
    std::unique_ptr<TimerTable> m_timers;
    // What each SDL timer is handed: its table and key. Kept until the end, since SDL may still
    // be running a callback for a timer that was just removed.
    std::deque<std::pair<TimerTable*, std::uint32_t>> m_timerBoxes;

    WindowHandle m_focus = nullptr, m_foreground = nullptr, m_capture = nullptr;
    Drag m_drag;
    std::map<CursorShape, SDL_Cursor*> m_cursors;
    std::vector<std::pair<std::wstring, std::wstring>> m_systemMessages;
    std::wstring m_composition;
    bool m_quitPosted = false;
    int m_quitCode = 0;
};

}  // namespace SkinUI
