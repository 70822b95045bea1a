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

#include "skinui/backend/sdl/layered_x11_window.h"
#include "skinui/backend/window_system_base.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
struct SDL_Cursor;
union SDL_Event;

namespace SkinUI {

class SdlWindowSystem : public WindowSystemBase {
public:
    // Opens the video and timer subsystems; IsReady() and Error() tell whether that worked.
    SdlWindowSystem();
    ~SdlWindowSystem() override;

    bool IsReady() const { return m_ready; }
    // Why the display could not be opened or the last window could not be made.
    const std::wstring& Error() const { return m_error; }

    // WindowSystem (beside the shared bookkeeping)
    bool PostMessage(WindowHandle window, UINT message, WPARAM wParam, LPARAM lParam) override;
    UiRect GetWorkArea(WindowHandle window) const override;
    void Present(WindowHandle window, const Bitmap& pixels, const UiRect& area) override;
    using WindowSystem::Present;
    void SetCursor(CursorShape shape) override;
    void SetCapture(WindowHandle window) override;
    void ReleaseCapture() override;
    void SetTimer(WindowHandle window, UINT id, UINT elapse) override;
    void KillTimer(WindowHandle window, UINT id) override;
    // Translucent click-through windows need an X11 display with a 32-bit visual and a
    // compositing manager; elsewhere shadows stay off.
    bool HasLayeredWindows() const override;
    void ShowSystemMessage(const std::wstring& text, const std::wstring& title) override;

    // Utils::MessageSource: one queued event, else one pending paint, else a wait.
    bool WindowExists(WindowHandle window) override { return IsWindow(window); }
    Utils::PumpStep PumpOne(std::uint32_t waitMilliseconds) override;

    // Handles queued events and paints until none is left, without waiting. A quit message is
    // only recorded.
    void RunPending();
    using WindowSystemBase::SetIcon;

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
    bool HasTimer(WindowHandle window, UINT id) const;
    // The X11 window that shows a layered window (0 where there is none).
    unsigned long LayeredNativeWindow(WindowHandle window) const;

private:
    struct SdlWindow : WindowRecord {
        SDL_Window* native = nullptr;
        SDL_Renderer* renderer = nullptr;
        SDL_Texture* texture = nullptr;
        int textureWidth = 0, textureHeight = 0;
        bool shaped = false;
        std::map<UINT, std::uint32_t> timers;  // id -> key in the timer table
        std::unique_ptr<LayeredX11Window> layer;
    };

    std::unique_ptr<WindowRecord> NewRecord() override { return std::make_unique<SdlWindow>(); }
    SdlWindow* FindSdl(WindowHandle window) { return static_cast<SdlWindow*>(Find(window)); }
    const SdlWindow* FindSdl(WindowHandle window) const { return static_cast<const SdlWindow*>(Find(window)); }
    bool NativeCreate(WindowRecord& window) override;
    void NativeDestroy(WindowHandle handle, WindowRecord& window) override;
    void NativeShow(WindowRecord& window, ShowCommand command) override;
    void NativeMove(WindowRecord& window, bool moved, bool resized) override;
    void NativeTopmost(WindowRecord& window, bool topmost) override;
    void NativeRegion(WindowRecord& window) override;
    void NativeTitle(WindowRecord& window) override;
    void NativeRaise(WindowRecord& window) override;
    bool NativeIcon(WindowRecord& window) override;
    void NativeLayered(WindowRecord& window) override;
    void InputRefused(WindowHandle window, UINT message) override;
    void CaptureLost() override;

    bool MakeNative(SdlWindow& window);
    void ReleaseNative(SdlWindow& window);
    void DropRenderer(SdlWindow& window);
    void ShowOnScreen(SdlWindow& window, const UiRect& area);
    // One SDL event; true when it was a quit message.
    bool Dispatch(const SDL_Event& event);
    void DispatchPosted(const SDL_Event& event, bool& quit);
    void DispatchTimer(const SDL_Event& event);
    void DispatchWindowEvent(const SDL_Event& event);
    void DispatchMouse(const SDL_Event& event);
    void DispatchKey(const SDL_Event& event);
    void DispatchText(const SDL_Event& event);
    void DispatchComposition(const SDL_Event& event);
    // The window that takes mouse input for an event on this window, and the point in its
    // client coordinates.
    WindowHandle MouseTarget(WindowHandle window, int& x, int& y) const;
    void MouseButton(WindowHandle window, bool down, int button, int clicks, int x, int y);
    void RaiseOwnedBox(WindowHandle owner);
    // Whether SDL still gives the window the keyboard, or gave it to a window of ours that takes
    // no activation (so the window keeps it).
    bool KeepsKeyboard(WindowHandle window) const;
    // The window that takes the keys SDL reports for a native window.
    WindowHandle KeyTarget(std::uint32_t windowId) const;
    // A move by the window manager ends when its moves stop coming: WM_EXITSIZEMOVE then.
    // Returns how long the pump may wait before it must look again (0xFFFFFFFF: no limit).
    std::uint32_t FinishWindowManagerMove();
    static std::uint32_t TimerCallback(std::uint32_t interval, void* parameter);

    bool m_ready = false;
    std::wstring m_error;
    std::uint32_t m_postEvent = 0;   // registered SDL event types
    std::uint32_t m_timerEvent = 0;
    WindowHandle m_movedByManager = nullptr;
    std::uint32_t m_lastManagerMove = 0;

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

    std::map<CursorShape, SDL_Cursor*> m_cursors;
    std::wstring m_composition;
};

}  // namespace SkinUI
